// The stock movement kinds (list 15, "CI15.DTA"): for each movement a text and ten
// groups of stock, second and deviation accounts with a centre code. Kept open for
// the run; every write stamps the change date; "Zmena 611 -> 581" moves the old
// expense accounts to their new numbers.
#pragma once
#include <string>
#include <string_view>

#include "codelists/engine.h"

namespace codelists {

const CodeListSpec& Cis15Spec();

class TfCis15 : public CodeListWindow {
 public:
  TfCis15() : CodeListWindow("fCis15", Cis15Spec()) {}

  // The prefix rewrite of the three accounts of every group, every record written.
  void RewriteStockAccountPrefixes();

 protected:
  void MenuCommand(int id) override;
};

// An account whose first three characters are an old prefix (611-614, 621-624) gets
// the new one (581-588) before its characters 4 to 6; any other text stays.
std::string RewriteAccountPrefix(std::string_view account);

void SetupCis15(TfCis15& w);
inline bool SortCis15(TfCis15& w) { return w.SortFile(); }

TfCis15& fCis15();
TfCis15* ExistingCis15();
void DestroyStockWindows();

}  // namespace codelists
