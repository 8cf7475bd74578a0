// The firm's own data, one record of 582 bytes in "fmw" + user code + ".dta": numbers,
// address, contacts, the bank account, the posting keys or accounts of the three VAT
// rates and of the bank, the invoicing clerk, the payment method, the registration,
// the IBAN and two notes. Each user code has its own record; it is edited as a form,
// the list is never shown. Two older layouts are converted on opening.
#pragma once
#include <cstdint>
#include <string>

#include "codelists/engine.h"

namespace codelists {

inline constexpr int kFmaLength = 582;
inline constexpr int kFmaFields = 25;

namespace fma {
constexpr int Ico = 1, Name2 = 4, BankName = 12, Account = 13, BankCode = 14, Swift = 15, VatBasic = 16,
              VatReduced = 17, VatSecond = 18, BankPosting = 19, Payment = 21, Iban = 23, Note1 = 24;
}

const CodeListSpec& FmaSpec();

class TfFMA : public CodeListWindow {
 public:
  TfFMA() : CodeListWindow("fFMA", FmaSpec()) {}

  // An empty file gets the blank record 1 first.
  void EditRecord() override;
  // F1 in the form: the topic of the field.
  void ShowHelp(int topic) override;
  void EditFormBuilt() override;
  void FieldCheck(int field, std::string& text) override;
  void FieldExit(int field, std::string& text) override;
  void FieldChecked(int field, std::string& text) override;

 protected:
  void BeforeOpen() override;
  // Fields 16-19 as keys or accounts (`FjMode`), the hints of fields 12 and 22.
  void AdjustSetup(browser::BrowseSetup& setup) override;
  std::string ListFileName() const override;
};

// The help topic of a field (UTF-8), empty for none; `opens` tells whether F1 opens
// the help file at all.
std::string FmaHelpTopic(int field, bool keys, bool& opens);

void SetupFMA(TfFMA& w);
TfFMA& fFMA();
void DestroyFirmWindows();

// The main window's "Naše firma": set-up, the edit of record 1, close.
void EditFirmData();

// The firm's account of record 1: "Číslo konta" and "Kód banky" as stored (Windows-1250,
// trailing blanks dropped); both empty when the user has no firm record yet.
struct FirmAccount {
  std::string account, bankCode;
};
FirmAccount ReadFirmAccount();

}  // namespace codelists
