// The firm's own bank accounts, "bako.dta" in the data folder: mark, bank, account
// number, bank code, SWIFT, balance, currency, the cash-book key or account that bank
// items go to, and the IBAN. The record number is the account's identity (partners
// keep it), so records never move: a delete blanks the record in place and nothing
// sorts. An older 89-byte layout is converted on opening.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "codelists/engine.h"

namespace codelists {

inline constexpr int kBankKodyLength = 164;
inline constexpr int kOldBankKodyLength = 89;

// Fields of a record.
namespace bk {
constexpr int Mark = 1, Bank = 2, Account = 3, Code = 4, Swift = 5, Balance = 6, Currency = 7, Posting = 8, Iban = 9;
}

const CodeListSpec& BankKodySpec();

class TfBankKody : public CodeListWindow {
 public:
  TfBankKody() : CodeListWindow("fBankKody", BankKodySpec()) {}

  void ShowHelp(int) override {}
  void EditRecord() override;
  void NewRecord() override;
  // "Zrušit záznam ?"; yes blanks the record in place.
  void DeleteRecord(std::int32_t current) override;
  void FieldCheck(int field, std::string& text) override;
  void FieldExit(int field, std::string& text) override;
  void FieldChecked(int field, std::string& text) override;

 protected:
  void BeforeOpen() override;
  // Cash-book-key mode: field 8 and the title of the key variant.
  void AdjustSetup(browser::BrowseSetup& setup) override;

 private:
  // Another record carries the mark (the edited one skipped).
  bool MarkTaken(const std::string& mark);
};

// The IBAN of an account kept in the older layout: the head's country and check digits,
// the bank code, prefix and number in groups of four ("CZ65 0800 0000 1920 0014 5399").
// Blanks are dropped; the parts are digit texts padded with "0". A "-" fourth from the
// end is dropped (one number) unless only the prefix-number reading passes the head's
// check digits.
std::string OldAccountIban(std::string_view account, std::string_view code, std::string_view head);
// Converts "bako.dta" from the 89-byte layout when it is in it (size not 164, at least
// one old record, byte 76 = 12). Every record keeps its number. False (with the
// message) when the file could not be read or written, or a copy a step left beside it
// could not be put back first; the file is then unchanged.
bool ConvertOldBankKody();

// The set-up: conversion, the fields (field 8 as key or account), OpenBrowse.
void SetupBankKody(TfBankKody& w);
// The first record whose account number (blanks removed) equals `account`; -1 when none.
std::int32_t BankKodyFindByAccount(TfBankKody& w, std::string_view account);

TfBankKody& fBankKody();
void DestroyOwnBankWindows();

// The picker: set-up, modal show, the chosen record read, close. With `needEnter` only
// a window left with Enter chooses. Texts as stored.
struct ChosenOwnAccount {
  std::int32_t record = 0;
  std::string bank, account, code, swift, currency, posting, iban;
};
std::optional<ChosenOwnAccount> PickOwnAccount(bool needEnter = false);
// The bank name of own account n; nothing when there is no such record.
std::optional<std::string> OwnAccountBankName(std::int32_t n);

}  // namespace codelists
