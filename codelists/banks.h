// The register of bank codes, "\2\KodyBank.dta" in the program folder (shared by all
// data folders): bank name, four-digit code and SWIFT code. Kept in entry order; a
// delete blanks the record and carries it up to the front by name; the two sorts
// (by name, by code) drop the blank records. The partner register and the own bank
// accounts pick a bank from it by name or by code.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& KodyBankSpec();

class TfKodyBank : public CodeListWindow {
 public:
  TfKodyBank() : CodeListWindow("fKodyBank", KodyBankSpec()) {}

  // 1 by name ("Setřiď dle bank"), 2 by code ("Setřiď dle kódů").
  int SortOrder = 1;

 protected:
  std::string ListFileName() const override;
  const KeySpec& SortKey() const override;
  void MenuCommand(int id) override;
};

void SetupKodyBank(TfKodyBank& w);
// The sort in the window's SortOrder under the notice "Třídím kódy"; the file is
// reopened and the page repainted.
bool SortKodyBank(TfKodyBank& w);

// The first record (physical order) whose name begins with `name` (trailing blanks
// dropped; case and accents count); -1 for an empty name or none.
std::int32_t KodyBankFindByName(TfKodyBank& w, std::string_view name);
// The first record whose code equals `code` aligned right to four places with "0"
// ("800" looks for "0800", "12345" for "2345"); -1 when none.
std::int32_t KodyBankFindByCode(TfKodyBank& w, std::string_view code);

TfKodyBank& fKodyBank();
void DestroyBankWindows();

// The picker: set-up, the record found by name or code made current (when found),
// modal show, the chosen record read, close. Nothing after Esc. Texts as stored.
enum class BankFind { None, ByName, ByCode };
struct ChosenBank {
  std::string name;   // "Banka"
  std::string code;   // "Kód"
  std::string swift;  // "Swift"
};
std::optional<ChosenBank> PickBank(BankFind by = BankFind::None, std::string_view text = {});

}  // namespace codelists
