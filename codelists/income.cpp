#include "codelists/income.h"

#include "browser/dialogs.h"
#include "codelists/ci01load.h"
#include "codelists/lists.h"

namespace codelists {

namespace {

enum Command { kCopyTo24 = 1, kLoad };

constexpr std::string_view k30 = "                              ";

// Lists 21, 24 and 25: row, name, two rows it is added to, account, date.
const std::vector<FieldSpec>& ResultFields() {
  static const std::vector<FieldSpec> fields = {
      {"Řádek      ", "P", "000", 1, 2},   {"Název      ", " ", k30, 2, 2},      {"Kam přič 1 ", "Y", "   ", 3, 2},
      {"Kam přič 2 ", "Y", "   ", 4, 2},   {"Účet       ", " ", "      ", 5, 2}, {"Datum změny ", " ", "      ", 6, 2}};
  return fields;
}

// List 22 also keeps the row of the printed statement.
const std::vector<FieldSpec>& Cis22Fields() {
  static const std::vector<FieldSpec> fields = {
      {"Řádek      ", "P", "000", 1, 2},      {"Název      ", " ", k30, 2, 2},      {"Kam přič 1 ", "Y", "   ", 3, 2},
      {"Kam přič 2 ", "Y", "   ", 4, 2},      {"č.ř.výk.   ", "Y", "      ", 5, 2}, {"Účet       ", " ", "      ", 6, 2},
      {"Datum změny ", " ", "      ", 7, 2}};
  return fields;
}

CodeListSpec ResultOutline(int no, std::string_view cls, std::string_view caption, std::string_view file, int length,
                           std::span<const FieldSpec> fields, std::string_view tag, std::string_view keys,
                           std::string_view title) {
  CodeListSpec s = KeyedListSpec(no, cls, caption, file, length, fields, 3, "Třídím osnovu výsledovky",
                                 Look({50, 1, 90, 10}, {1, 1, 80, 20}, tag, keys));
  s.listing.title = title;
  s.menu = {{"c1", "Opis", MenuAction::Print}};
  return s;
}

constexpr std::string_view kKeys = " F1-Help  F10=Opis  F4-Nová ";
constexpr std::string_view kShortKeys = " F1-Help F4-Nová ";

}  // namespace

const CodeListSpec& Cis21Spec() {
  static const CodeListSpec spec =
      ResultOutline(21, "TfCis21", "Výsledovka 21", "CI21.DTA", 57, ResultFields(), " CI21 ", kKeys, "Osnova výsledovky (21)");
  return spec;
}

const CodeListSpec& Cis22Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s =
        ResultOutline(22, "TfCis22", "Výsledovka 22", "CI22.DTA", 64, Cis22Fields(), " CI22 ", kKeys, "Osnova výsledovky (22)");
    s.menu.push_back({"k1", "CI22 -> CI24", MenuAction::Custom, kCopyTo24});
    return s;
  }();
  return spec;
}

const CodeListSpec& Cis24Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s =
        ResultOutline(24, "TfCis24", "Výsledovka 24", "CI24.DTA", 57, ResultFields(), " CI24 ", kShortKeys, "Osnova rozvahy (24)");
    s.menu.push_back({"i1", "Načti z číselníku", MenuAction::Custom, kLoad});
    return s;
  }();
  return spec;
}

const CodeListSpec& Cis25Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s =
        ResultOutline(25, "TfCis25", "Výsledovka 25", "CI25.DTA", 57, ResultFields(), " CI25 ", kShortKeys, "Osnova rozvahy (25)");
    s.menu.push_back({"i1", "Načti z číselníku", MenuAction::Custom, kLoad});
    return s;
  }();
  return spec;
}

void TfCis22::k1Click() {
  TfCis24& to = fCis24();
  SetupCis24(to);
  UsePhysicalOrder();
  // The rows are read under this list's turn, counted as the file holds them.
  WriteTurn turn(*this);
  if (!turn.ok()) {
    to.CloseBrowse();
    return;
  }
  RecountRecords();
  for (std::int32_t n = 1; n <= Count; ++n) {
    RecordRead(n);
    if (!IoOk()) break;
    to.RecordBuffer = to.RecordTemplate;
    for (int f = 1; f <= 4; ++f) to.PutField(to.RecordBuffer, f, FieldOf(RecordBuffer, f));
    to.PutField(to.RecordBuffer, 5, FieldOf(RecordBuffer, 6));
    if (!to.AppendRecord()) break;  // the append reported its failure
  }
  to.CloseBrowse();
}

void TfCis22::MenuCommand(int id) {
  if (id == kCopyTo24) k1Click();
}

void TfCis24::MenuCommand(int id) {
  if (id == kLoad) LoadCis24FromCI01(*this);
  RepaintPage();
}

void TfCis25::MenuCommand(int id) {
  if (id == kLoad) LoadCis25FromCI01(*this);
  RepaintPage();
}

void SetupCis21(TfCis21& w) { w.Setup(); }
void SetupCis22(TfCis22& w) { w.Setup(); }
void SetupCis24(TfCis24& w) { w.Setup(); }
void SetupCis25(TfCis25& w) { w.Setup(); }

TfCis21& fCis21() { return browser::SingleWindow<TfCis21>(); }
TfCis22& fCis22() { return browser::SingleWindow<TfCis22>(); }
TfCis24& fCis24() { return browser::SingleWindow<TfCis24>(); }
TfCis25& fCis25() { return browser::SingleWindow<TfCis25>(); }

}  // namespace codelists
