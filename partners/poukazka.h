// TfPoukazkA: the postal money order "Poukazka A". The window is only the print
// template: one edit per printed value at its place on the pre-printed form; it is
// filled for each marked partner of the register and printed control by control.
// The whole print can be shifted on the paper (POSX/POSY of "sek.par").
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/ui.h"

namespace partners {

class TfOrg;

class TfPoukazkA : public ui::Form {
 public:
  TfPoukazkA();
  ui::Image& Image1;
  // Printer pixels added to every printed place.
  std::int32_t MoneyOrderShiftX = 0, MoneyOrderShiftY = 0;
};
TfPoukazkA& fPoukazkA();
void DestroyMoneyOrderWindow();

// Asks "Posunout o " for the two shifts and stores them in "sek.par".
void AskMoneyOrderShift(TfPoukazkA& w);

// Amounts the form holds: 0 up to 99 999 999.99 crowns.
bool MoneyOrderAmountFits(double amount);
// Fills the template from the partner record in the register's buffer (source "ORG")
// and prints it as one document. False when the printer could not be opened.
bool PrintMoneyOrder(TfPoukazkA& w, TfOrg& source, const std::string& sourceTag);

// The crowns of an amount in Czech words; line 2 is empty when it fits on one line.
void AmountToWords(double amount, std::string& line1, std::string& line2);
// Three digit characters in words; unitsRow 0 feminine, 4 masculine units.
std::string GroupToWords(std::string_view group, int unitsRow);
// "12-3456789": "000012" and "0003456789".
std::string AccountPrefix(std::string_view account);
std::string AccountNumber(std::string_view account);
// Sets the text of the form's control named `name`; nothing when there is none.
void SetEditTextByName(ui::Form& form, std::string_view name, const std::string& text);

// The tools menu's "Tisk Poukazek": an order for every marked partner of the register.
void TiskPoukazek1Click(TfOrg& reg);
// Puts the run into the register's tools menu.
void InstallMoneyOrderTool();

}  // namespace partners
