#include "codelists/livestock.h"

#include "browser/dialogs.h"
#include "codelists/ci01load.h"
#include "codelists/lists.h"
#include "codelists/outlines.h"
#include "codelists/stock.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/notifier.h"

namespace codelists {

using common::Cz;

namespace {

enum Command { kSort = 1, kLoad, kMovePrefixes };

constexpr std::string_view k30 = "                              ";
constexpr std::string_view kKeys = " F1-Help  F10=Opis  F4-Nová ";

const std::vector<FieldSpec>& Cis13Fields() {
  static const std::vector<FieldSpec> fields = {
      {"Druh        ", "P", "00", 1, 2},     {"CV          ", "P", "00", 2, 2},     {"U1          ", " ", "      ", 3, 2},
      {"U2          ", " ", "      ", 4, 2}, {"U3          ", " ", "      ", 5, 2}, {"U4          ", " ", "      ", 6, 2},
      {"U5          ", " ", "      ", 7, 2}, {"Datum změny ", " ", "      ", 8, 2}};
  return fields;
}

}  // namespace

const CodeListSpec& Cis13Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 13;
    s.className = "TfCis13";
    s.caption = "Pohyby zvířat";
    s.file = "CI13.DTA";
    s.recordLength = 48;
    s.fields = Cis13Fields();
    s.key.fields = {1, 2};
    s.deleted = {1, DeletedTest::Equals, "  ", 0, {{1, "  "}, {2, "00"}}};
    s.dateField = 8;
    s.sortNotice = "Třídím seznam účtů";
    s.look = Look({45, 1, 90, 15}, {1, 1, 80, 20}, " CI13 ", kKeys);
    s.stamp = StampPolicy::OnChangedFlag;
    s.guards = {true, true, true, kEditRefusal, kAddRefusal, kDeleteRefusal};
    s.listing.title = "Pohyby zvířat (13)";
    s.menu = {{"A1", "Třiď", MenuAction::Custom, kSort},
              {"c1", "Opis", MenuAction::Print},
              {"i1", "Načti ze starého číseníku", MenuAction::Custom, kLoad},
              {"k1", "Změna 611 -> 581", MenuAction::Custom, kMovePrefixes}};
    return s;
  }();
  return spec;
}

const CodeListSpec& Cis18Spec() {
  static const std::vector<FieldSpec> fields = {{"Kat.    ", "P", "000", 1, 2},
                                                {"Název   ", " ", k30, 2, 2},
                                                {"Účet    ", "L", "000000", 3, 2},
                                                {"Datum změny ", " ", "      ", 4, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 18;
    s.className = "TfCis18";
    s.caption = "Kategorie zvířat";
    s.file = "CI18.DTA";
    s.recordLength = 49;
    s.fields = fields;
    s.deleted = BlankKey(3);
    s.dateField = 4;
    s.sortNotice = "Třídím kategorie zvířat";
    s.look = Look({50, 1, 90, 8}, {1, 1, 80, 20}, " CI18 ", kKeys);
    s.look.editColor = 0xA0FFFF;
    s.look.gridColor = 0xFDFDF0;
    s.stamp = StampPolicy::EveryWrite;
    // Every close of a non-empty list sorts it, but never while another user holds it.
    s.closeSort = CloseSort::Always;
    s.closeNeedsFree = true;
    s.listing.title = "Kategorie zvířat (18)";
    s.menu = {{"h1", "Opis", MenuAction::Print}, {"i1", "Načti z číselníku", MenuAction::Custom, kLoad}};
    return s;
  }();
  return spec;
}

const CodeListSpec& Cis65Spec() {
  static const std::vector<FieldSpec> fields = {
      {"Tech.sk.    ", "P", "00000", 1, 2}, {"Název       ", " ", k30, 2, 2}, {"Datum změny ", " ", "      ", 3, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 65;
    s.className = "TfCis65";
    s.caption = "Technologické skupiny";
    s.file = "CI65.DTA";
    s.recordLength = 44;
    s.fields = fields;
    s.deleted = BlankKey(5);
    s.dateField = 3;
    s.sortNotice = "Třídím";
    s.look = Look({50, 1, 90, 8}, {1, 1, 80, 20}, " CI65 ", kKeys);
    s.stamp = StampPolicy::EveryWrite;
    s.listing.title = "Technologické skupiny (65)";
    s.menu = {{"h1", "Opis", MenuAction::Print}, {"i1", "Načti ze starého číselníku", MenuAction::Custom, kLoad}};
    return s;
  }();
  return spec;
}

// ---------------------------------------------------------------- list 13

void TfCis13::Cis13MovePrefixes() {
  UsePhysicalOrder();
  RewriteEachRecord([this](std::int32_t n) {
    RecordRead(n);
    if (!IoOk()) return false;
    for (int f = 3; f <= 7; ++f) PutField(RecordBuffer, f, RewriteAccountPrefix(FieldOf(RecordBuffer, f)));
    RecordWrite(n);
    return IoOk();
  });
}

bool SortCis13(TfCis13& w) {
  if (!w.DataFileUsable()) return false;
  // The sort rewrites the shared file: never while another user works with it.
  if (!common::IfVolny(w.DataFilePath).empty()) {
    common::MessageOk(Cz("Se souborem se pracuje"));
    return false;
  }
  w.UsePhysicalOrder();
  return w.SortFile();
}

void TfCis13::MenuCommand(int id) {
  if (id == kSort) SortCis13(*this);
  if (id == kLoad) LoadCis13FromCI01(*this);
  if (id == kMovePrefixes) Cis13MovePrefixes();
  RepaintPage();
}

// ---------------------------------------------------------------- lists 18 and 65

void TfCis18::MenuCommand(int id) {
  if (id == kLoad) LoadCis18FromCI01(*this);
  RepaintPage();
}

void TfCis65::BeforeOpen() {
  OpenAs(ConvertListLayout("65", "\\dlib\\ci652015.pol", "\\dlib\\ci65.pol", spec().recordLength));
}

void TfCis65::MenuCommand(int id) {
  if (id == kLoad) LoadCis65FromCI01(*this);
  RepaintPage();
}

void SetupCis13(TfCis13& w) { w.Setup(); }
void SetupCis18(TfCis18& w) { w.Setup(); }
void SetupCis65(TfCis65& w) { w.Setup(); }

TfCis13& fCis13() { return browser::SingleWindow<TfCis13>(); }
TfCis18& fCis18() { return browser::SingleWindow<TfCis18>(); }
TfCis65& fCis65() { return browser::SingleWindow<TfCis65>(); }

}  // namespace codelists
