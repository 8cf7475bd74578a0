#include "codelists/keyoraccount.h"

#include "codelists/cashkeys.h"
#include "codelists/chart.h"
#include "common/numbers.h"
#include "common/session.h"

namespace codelists {

namespace {

std::int32_t KeyOf(const std::string& text) { return common::TextToInt(text); }
bool IsKey(std::int32_t k) { return k >= 1 && k <= kCashKeys; }

}  // namespace

bool KeyMode() { return common::CurrentSession().FjOn != 0; }

int CheckKeyOrAccount(std::string& text) {
  if (!KeyMode()) return CheckAccount(text);  // "000000" passes without the chart
  const std::int32_t k = KeyOf(text);
  if (IsKey(k)) text = common::FormatFloatMask("###", k);
  return 0;
}

int PickKeyOrAccount(std::string& text) {
  if (!KeyMode()) return PickAccount(text);
  if (auto k = PickCashKey(IsKey(KeyOf(text)) ? KeyOf(text) : 0)) text = common::FormatFloatMask("###", *k);
  return 0;
}

std::string KeyOrAccountLabel(std::string& text) {
  if (!KeyMode()) {
    TfCis10& chart = fCis10();
    SetupCis10(chart);
    std::string name = Cis10AccountName(chart, text);
    chart.CloseBrowse();
    return name;
  }
  const std::int32_t k = KeyOf(text);
  if (IsKey(k)) return CashKeyText(k);
  text = "   ";
  return std::string(27, ' ');
}

}  // namespace codelists
