// What the partner register asks of other windows: the code-list pickers of the
// Enter keys, the web browser, the actions of the tools menu. The program fills the
// entries at start; an empty entry leaves its key without effect. Texts are
// Windows-1250.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace partners {

class TfOrg;

struct BankChoice {
  std::string name, code;
};

// The firm's own bank account, record 1 of its own data: "Číslo konta" (prefix-number)
// and "Kód banky".
struct OwnAccount {
  std::string account, bankCode;
};

struct OrgServices {
  // The firm's own account as the firm's data keeps it; empty texts when not set.
  std::function<OwnAccount()> ownAccount;
  // Postal codes, their searches prefilled with the card's town: the chosen PSČ.
  std::function<std::optional<std::string>(const std::string& town)> pickPostalCode;
  // Countries: the chosen country's name.
  std::function<std::optional<std::string>()> pickCountry;
  // Bank codes, first placed on the bank whose name begins with `typed` (or, byCode,
  // whose code is `typed`): the chosen bank.
  std::function<std::optional<BankChoice>(const std::string& typed, bool byCode)> pickBank;
  // The firm's own bank accounts: the record number of the account chosen with Enter.
  std::function<std::optional<std::int32_t>()> pickOwnAccount;
  // The bank name of own account n; nullopt when n is not one of them.
  std::function<std::optional<std::string>(std::int32_t n)> ownAccountBankName;
  // Opens a web address (UTF-8); the desktop's handler by default.
  std::function<void(const std::string& url)> openPage;
  // Tools menu items by name ("c1", "TiskPoukazek1", ...); "mARRES1" is the register's own.
  std::map<std::string, std::function<void(TfOrg&)>> tools;
};
// The entries in force; ResetOrgServices puts the defaults back (only openPage set).
OrgServices& OrgHooks();
void ResetOrgServices();

}  // namespace partners
