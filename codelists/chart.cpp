#include "codelists/chart.h"

#include <cstdlib>
#include <memory>

#include "codelists/ci01load.h"
#include "codelists/lists.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/pascal.h"
#include "common/session.h"

namespace codelists {

using common::Cz;

namespace {

enum Command { kRotate = 1, kCopy22To24, kLoad };

const std::vector<FieldSpec>& Cis10Fields() {
  static const std::vector<FieldSpec> fields = [] {
    std::vector<FieldSpec> f = {
        {"Účet        ", "L", "000000"},
        {"Název       ", " ", "                              "},
        {"Rozvaha MD  ", "Y", "   "},
        {"Rozvaha Dal ", "Y", "   "},
        {"21Výsl      ", "Y", "   "},
        {"22Výsl      ", "Y", "   "},
        {"24Výsl      ", "Y", "   "},
        {"25Výsl      ", "Y", "   "},
        {"DaňVýsl     ", "X", " "},
        {"            ", "Y", "   "},
        {"Korekce     ", "X", " "},
        {"Saldo       ", "X", " "},
        {"Datum změny ", " ", "      "},
    };
    for (std::size_t i = 0; i < f.size(); ++i) f[i].line = static_cast<std::uint8_t>(i + 1), f[i].column = 2;
    return f;
  }();
  return fields;
}

const std::vector<FieldSpec>& Cis30Fields() {
  static const std::vector<FieldSpec> fields = [] {
    std::vector<FieldSpec> f = {
        {"Středisko   ", "P", "00000"},
        {"Název       ", " ", "                              "},
        {"Název 2     ", " ", "                              "},
        {"Jen nadpis  ", " ", " "},
        {"Typ         ", " ", " "},
        {"Účet skladu ", " ", "      "},
        {"Činnost     ", "Y", "   "},
        {"Skl.pol. od ", "Y", "      "},
        {"Skl.pol. do ", "Y", "      "},
        {"Datum změny ", " ", "      "},
    };
    for (std::size_t i = 0; i < f.size(); ++i) f[i].line = static_cast<std::uint8_t>(i + 1), f[i].column = 2;
    return f;
  }();
  return fields;
}

// The short headers of the centres' grid, in column order.
const std::vector<std::string>& Cis30Headers() {
  static const std::vector<std::string> headers = {
      "Střed", "Název" + std::string(26, ' '), "Nad", "Typ", "Úč.skl", "Činn", "Sk od", "Sk do", "Datum",
      "Název 2" + std::string(24, ' ')};
  return headers;
}

const KeySpec& NameKey() {
  static const KeySpec key{{2}, KeyCompare::Bytes, {}};
  return key;
}

}  // namespace

const CodeListSpec& Cis10Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 10;
    s.className = "TfCis10";
    s.caption = "Účtová osnova";
    s.file = "CI10.DTA";
    s.recordLength = 79;
    s.fields = Cis10Fields();
    s.deleted = BlankKey(6);
    s.dateField = 13;
    s.look = Look({45, 1, 90, 15}, {1, 1, 80, 20}, " CI10 ", " F1-Help F10=Opis F4-Nová ", " F2=zápis Esc=nic ");
    s.stamp = StampPolicy::OnChangedFlag;
    s.shift = ShiftWrite::Raw;
    s.closeSort = CloseSort::WhenFirstDeletedOrOtherOrder;
    s.keepOpen = {10, false};
    s.guards = {false, true, true, {}, kAddRefusal, kDeleteRefusal};
    s.afterDelete = AfterDelete::FormerCurrentPlusOne;
    s.listing.report = "CIS10";
    s.listing.title = "Účetová osnova (10)";
    s.menu = {{"c1", "Opis", MenuAction::Print},
              {"h1", "Posun analytiku", MenuAction::Custom, kRotate},
              {"i1", "Načti ze starého číseníku", MenuAction::Custom, kLoad},
              {"k1", "22 ->24", MenuAction::Custom, kCopy22To24}};
    return s;
  }();
  return spec;
}

const CodeListSpec& Cis30Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 30;
    s.className = "TfCis30";
    s.caption = "Střediska";
    s.file = "CI30.DTA";
    s.recordLength = 104;
    s.fields = Cis30Fields();
    s.deleted = BlankKey(5);
    s.dateField = 10;
    s.sortNotice = "Třídím střediska";
    s.look = Look({45, 1, 90, 15}, {1, 1, 80, 20}, " CI30 ", " F1-Help  F10=Opis  F4-Nová  ");
    s.stamp = StampPolicy::EveryWrite;
    s.shift = ShiftWrite::Raw;
    s.closeSort = CloseSort::WhenFirstDeletedOrOtherOrder;
    s.keepOpen = {30, false};
    s.guards = {true, true, true, kEditRefusal, kAddRefusal, kDeleteRefusal};
    s.afterDelete = AfterDelete::FormerCurrentPlusOne;
    s.columnOrder = {1, 2, 4, 5, 6, 7, 8, 9, 10, 3};
    for (const std::string& h : Cis30Headers()) s.headers.push_back(h);
    s.listing.width = 132;
    s.listing.title = "TYP: 30";
    s.listing.counterStart = 200;
    s.listing.header = ListingHeader::Texty;
    s.listing.line = ListingLine::Custom;
    s.listing.columnLine = "Středisko Název                      Název 2                        T Účet   Čin Pol.Od Pol.Do";
    s.menu = {{"h1", "Načti z číselníku", MenuAction::Custom, kLoad},
              {"i1", "Opis", MenuAction::Print},
              {"k1", "Změň střediska", MenuAction::Custom, kRotate}};
    return s;
  }();
  return spec;
}

// ---------------------------------------------------------------- sort modes

void SortModeList::SortByColumn(int column) {
  if (DataFilePath.empty()) return;
  if (column == 1 || column == 2) {
    // The sort rewrites the shared file: never while another user works with it.
    if (!common::IfVolny(DataFilePath).empty()) {
      common::MessageOk(Cz("Se souborem se pracuje"));
      return;
    }
    mode_ = column;
    if (mode_ == 2) orderDirty_ = true;
    SortFile();
  }
  RepaintPage();
}

const KeySpec& SortModeList::SortKey() const { return mode_ == 2 ? NameKey() : spec().key; }

void SortModeList::Sorted() {
  if (mode_ == 1) orderDirty_ = false;
}

// ---------------------------------------------------------------- chart of accounts

std::string TfCis10::RecordKey(std::int32_t n) {
  if (n < 1 || n > Count) return {};
  RecordReadAt(n);
  return KeyOf(RecordBuffer);
}

void TfCis10::RotateAnalytic() {
  UsePhysicalOrder();
  bool rotated = false;
  const bool done = StepOverMarks([&] {
    return RewriteEachRecord([&](std::int32_t n) {
      if (!IsMarked(n)) return true;
      ToggleMark(n);
      RecordRead(n);
      if (!lastIoOk()) return false;
      const std::string account = FieldOf(RecordBuffer, 1);
      PutField(RecordBuffer, 1, common::Copy(account, 1, 3) + common::Copy(account, 6, 1) + common::Copy(account, 4, 2));
      RecordWrite(n);
      rotated = true;
      return lastIoOk();
    });
  });
  if (done && rotated) MarkOrderDirty();
}

void TfCis10::Copy22To24() {
  UsePhysicalOrder();
  RewriteEachRecord([this](std::int32_t n) {
    RecordRead(n);
    if (!lastIoOk()) return false;
    PutField(RecordBuffer, 7, FieldOf(RecordBuffer, 6));
    RecordWrite(n);
    return lastIoOk();
  });
}

void TfCis10::MenuCommand(int id) {
  if (id == kRotate) RotateAnalytic();
  if (id == kCopy22To24) Copy22To24();
  if (id == kLoad) LoadCis10FromCI01(*this);
  RepaintPage();
}

void SetupCis10(TfCis10& w) {
  if (w.Setup()) w.SetSortMode(1);
}

std::int32_t Cis10FindAccount(TfCis10& w, std::string_view account) {
  w.LastLookup = common::BinarySearchRec(account, 1, w.Count, [&w](std::int32_t n) { return w.RecordKey(n); }, 0);
  return w.LastLookup;
}

std::string Cis10AccountName(TfCis10& w, std::string_view account) {
  const std::int32_t n = Cis10FindAccount(w, account);
  if (n < 1) return std::string(30, ' ');
  w.RecordReadAt(n);
  return w.FieldOf(w.RecordBuffer, 2);
}

// ---------------------------------------------------------------- cost centres

std::string TfCis30::RecordToColumns(std::int32_t n) {
  SortModeList::RecordToColumns(n);  // the grid's cells, permuted
  std::vector<std::string> byField(static_cast<std::size_t>(FieldCount) + 1);
  for (int c = 1; c <= FieldCount; ++c) {
    const int f = ColumnOrder[static_cast<std::size_t>(c)];
    if (f >= 1 && f <= FieldCount) byField[static_cast<std::size_t>(f)] = ColumnTexts[static_cast<std::size_t>(c)];
  }
  std::string joined;
  for (int f = 1; f <= FieldCount; ++f) joined += byField[static_cast<std::size_t>(f)] + " ";
  return joined;
}

void TfCis30::PrintListing(std::int32_t) { CodeListPrint(); }

void TfCis30::RotateCentre() {
  UsePhysicalOrder();
  bool rotated = false;
  const bool done = RewriteEachRecord([&](std::int32_t n) {
    RecordRead(n);
    if (!lastIoOk()) return false;
    const std::string code = FieldOf(RecordBuffer, 1);
    PutField(RecordBuffer, 1, common::CopyFrom(code, 2) + common::Copy(code, 1, 1));
    RecordWrite(n);
    rotated = true;
    return lastIoOk();
  });
  if (done && rotated) MarkOrderDirty();
}

void TfCis30::MenuCommand(int id) {
  if (id == kRotate) RotateCentre();
  if (id == kLoad) LoadCis30FromCI01(*this);
  RepaintPage();
}

std::vector<std::string> TfCis30::ListingHeaderLines(int page) {
  std::vector<std::string> lines = SortModeList::ListingHeaderLines(page);
  // The first page opens with a form feed only when every list starts a new sheet.
  if (page == 1 && !common::CurrentSession().NovyList && !lines.empty() && lines.front() == "\f")
    lines.erase(lines.begin());
  return lines;
}

std::string TfCis30::ListingLineOf(std::int32_t n) {
  RecordRead(n);
  const std::string& r = RecordBuffer;
  std::string line;
  // Each part as stored, the line cut after it at its running length.
  const struct {
    std::string text;
    std::size_t cut;
  } parts[] = {{FieldOf(r, 1) + " ", 6}, {FieldOf(r, 2), 36}, {" ", 37}, {FieldOf(r, 3), 67}, {" ", 68},
               {FieldOf(r, 5), 69},      {" ", 70},           {FieldOf(r, 6), 76}, {" ", 77}, {FieldOf(r, 7), 80},
               {" ", 81}};
  for (const auto& p : parts) {
    line += p.text;
    if (line.size() > p.cut) line.resize(p.cut);
  }
  return line + FieldOf(r, 8) + " " + FieldOf(r, 9);
}

void SetupCis30(TfCis30& w) {
  if (w.Setup()) w.SetSortMode(1);
}

// ---------------------------------------------------------------- instances

namespace {

std::unique_ptr<TfCis10>& Cis10Slot() {
  static std::unique_ptr<TfCis10> p;
  return p;
}
std::unique_ptr<TfCis30>& Cis30Slot() {
  static std::unique_ptr<TfCis30> p;
  return p;
}

}  // namespace

TfCis10& fCis10() {
  if (!Cis10Slot()) Cis10Slot() = std::make_unique<TfCis10>();
  return *Cis10Slot();
}
TfCis30& fCis30() {
  if (!Cis30Slot()) Cis30Slot() = std::make_unique<TfCis30>();
  return *Cis30Slot();
}
TfCis10* ExistingCis10() { return Cis10Slot().get(); }
TfCis30* ExistingCis30() { return Cis30Slot().get(); }

void DestroyChartWindows() {
  Cis10Slot().reset();
  Cis30Slot().reset();
}

// ---------------------------------------------------------------- account picker and check

namespace {

std::string ChosenAccount(TfCis10& w) {
  w.RecordRead(w.Current);
  return w.FieldOf(w.RecordBuffer, 1);
}

void ShowAt(TfCis10& w, std::int32_t lookup) {
  w.GoToRecord(std::abs(lookup), 0);
  w.ShowModal();
}

}  // namespace

int PickAccount(std::string& account) {
  TfCis10& w = fCis10();
  SetupCis10(w);
  for (;;) {
    ShowAt(w, Cis10FindAccount(w, account));
    if (w.Current < 1 || w.Current > w.Count) break;
    account = ChosenAccount(w);
    const std::string name = w.FieldOf(w.RecordBuffer, 2);
    if (name.empty() || name.front() != ' ') break;  // a heading is no account: choose again
  }
  w.CloseBrowse();
  return 0;
}

int CheckAccount(std::string& account) {
  if (account == "000000") return 0;
  TfCis10& w = fCis10();
  SetupCis10(w);
  int result = 0;
  while (Cis10FindAccount(w, account) < 0) {
    result = 1;
    ShowAt(w, w.LastLookup);
    if (w.Current < 1 || w.Current > w.Count) break;
    account = ChosenAccount(w);
    result = 0;  // the lookup above decides again
  }
  w.CloseBrowse();
  return result;
}

}  // namespace codelists
