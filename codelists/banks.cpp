#include "codelists/banks.h"

#include <memory>

#include "codelists/lists.h"
#include "common/dirs.h"
#include "common/text.h"

namespace codelists {

namespace {

enum { kSortByName = 1, kSortByCode = 2 };

const KeySpec& CodeKey() {
  static const KeySpec key{{2}, KeyCompare::Bytes, {}};
  return key;
}

}  // namespace

const CodeListSpec& KodyBankSpec() {
  static const std::vector<FieldSpec> fields = {
      {"Banka  ", " ", "                                                  ", 1, 2},
      {"Kód    ", "L", "    ", 2, 2},
      {"Swift ", " ", "                                   ", 3, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.className = "TfKodyBank";
    s.caption = "Kódy bank";
    s.recordLength = 92;
    s.fields = fields;
    s.key = {{1}, KeyCompare::CzSortKey, {}};
    s.deleted = {1, DeletedTest::LeadingBlanks, {}, 3, {}};
    s.sortNotice = "Třídím kódy";
    s.look = Look({50, 1, 90, 13}, {1, 1, 80, 20}, " Kody bank ", " F1-Help  F10=Opis  F4-Nová ");
    s.look.editColor = 0xC8C8FF;
    s.look.gridColor = 0xEFEFFF;
    s.stamp = StampPolicy::None;
    s.reposition = Reposition::None;
    s.closeSort = CloseSort::Never;
    s.deletePolicy = DeletePolicy::MarkerMoveUp;
    s.afterDelete = AfterDelete::FormerCurrent;
    s.listing.report = "KodyBank";
    s.listing.width = 100;
    s.listing.title = "Kódy bank";
    s.listing.pageAtLimit = true;
    s.menu = {{"A1", "Opis", MenuAction::Print},
              {"b1", "Setřiď dle bank", MenuAction::Custom, kSortByName},
              {"c1", "Setřiď dle kódů", MenuAction::Custom, kSortByCode}};
    return s;
  }();
  return spec;
}

std::string TfKodyBank::ListFileName() const { return "=" + common::ProgDir("\\2\\KodyBank.dta"); }

const KeySpec& TfKodyBank::SortKey() const { return SortOrder == kSortByCode ? CodeKey() : spec().key; }

void TfKodyBank::MenuCommand(int id) {
  if (id != kSortByName && id != kSortByCode) return;
  SortOrder = id;
  SortKodyBank(*this);
}

void SetupKodyBank(TfKodyBank& w) { w.Setup(); }

bool SortKodyBank(TfKodyBank& w) {
  w.UsePhysicalOrder();
  const bool sorted = w.SortFile();  // under the table's notice
  w.DataFileReopen();
  w.GoToRecord(std::min(std::max(w.Current, 1), w.Count), 0);
  w.RepaintPage();
  return sorted;
}

std::int32_t KodyBankFindByName(TfKodyBank& w, std::string_view name) {
  const std::string wanted = common::StripRightSp(name);
  if (wanted.empty() || w.Count < 1) return -1;
  for (std::int32_t n = 1; n <= w.Count; ++n) {
    w.RecordReadAt(n);
    if (!w.IoOk()) return -1;
    if (w.FieldOf(w.RecordBuffer, 1).starts_with(wanted)) return n;
  }
  return -1;
}

std::int32_t KodyBankFindByCode(TfKodyBank& w, std::string_view code) {
  if (w.Count < 1) return -1;
  const std::string wanted = common::AlignText(common::StripRightSp(code), "P", "0", 4);
  for (std::int32_t n = 1; n <= w.Count; ++n) {
    w.RecordReadAt(n);
    if (!w.IoOk()) return -1;
    if (w.FieldOf(w.RecordBuffer, 2) == wanted) return n;
  }
  return -1;
}

TfKodyBank& fKodyBank() { return Instance(WindowSlot<TfKodyBank>()); }
void DestroyBankWindows() { WindowSlot<TfKodyBank>().reset(); }

std::optional<ChosenBank> PickBank(BankFind by, std::string_view text) {
  TfKodyBank& w = fKodyBank();
  std::optional<ChosenBank> chosen;
  PickRecord(
      w, [&w] { SetupKodyBank(w); },
      [&]() -> std::int32_t {
        std::int32_t found = 0;
        if (by == BankFind::ByName) found = KodyBankFindByName(w, text);
        if (by == BankFind::ByCode) found = KodyBankFindByCode(w, text);
        return found > 0 ? found : 0;  // not found: the window opens where it would
      },
      false, [&](const std::string& r) { chosen = ChosenBank{w.FieldOf(r, 1), w.FieldOf(r, 2), w.FieldOf(r, 3)}; });
  return chosen;
}

}  // namespace codelists
