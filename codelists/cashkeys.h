// The cash-book keys, "klicew.dta": 255 numbered keys (record n is key n), each with a
// text, the key it is directed to (Kam) and two small numbers. A key whose text begins
// with three blanks is free. The file is made once, from the older "klice.dta" and
// "kl.dta" when they are there, else as 255 free keys. The own bank accounts and the
// firm data pick keys here when the firm works with cash-book keys.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "codelists/engine.h"

namespace codelists {

inline constexpr int kCashKeys = 255;
inline constexpr int kCashKeyLength = 31;

const CodeListSpec& KlSpec();

class TfKl : public CodeListWindow {
 public:
  TfKl() : CodeListWindow("fKl", KlSpec()) {}

  // Key m becomes key k: its record is copied to k, m is freed and every Kam = m
  // points to k. Nothing for k = m; a k above the record count is refused with a
  // message. True when the file was changed.
  bool RenumberKey(std::int32_t m, std::int32_t k);
  // "Udelej z něj": asks for the new number of the key in the current row.
  void Renumber();
  // "Opis klíčů": the listing "klice" of the keys that are not free.
  void PrintKeys();

  std::string RecordToColumns(std::int32_t n) override;
  void ShowHelp(int topic) override;
  void NewRecord() override;
  // F8 writes the current key back as it is on disk.
  void DeleteRecord(std::int32_t current) override;
  void ClearRecord() override {}
  void FieldCheck(int field, std::string& text) override;
  // F10 opens the menu 200 right and 150 down of the window's corner.
  ui::Point ListingMenuPoint() override { return {left() + 200, top() + 150}; }

 protected:
  void MenuCommand(int id) override;
};

// Makes "klicew.dta" when it is missing or shorter than 2 bytes: from "klice.dta"
// (with the pairs of "kl.dta") when it has at least 2 bytes, else 255 free keys. The
// file is always 255 records, written beside and renamed in. False (with the message)
// when a read or the write failed.
bool CreateCashKeyFile();

void SetupKl(TfKl& w);
TfKl& fKl();
void DestroyCashKeyWindows();

// The picker: set-up, the key `start` made current (1..255), modal show; the chosen
// key number (1..255), nothing after Esc.
std::optional<std::int32_t> PickCashKey(std::int32_t start = 0);
// The text of key k as stored (set-up, read, close); empty unless 1 <= k <= 255 and
// the file holds it.
std::string CashKeyText(std::int32_t key);

}  // namespace codelists
