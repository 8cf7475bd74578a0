#include "codelists/schemes.h"

#include <array>
#include <limits>
#include <memory>

#include "browser/dialogs.h"
#include "codelists/lists.h"
#include "codelists/outlines.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"

namespace codelists {

using common::Cz;
using namespace scheme;

namespace {

constexpr std::string_view kBrowseKeys = " F1-Help  F10=Opis  F4-Nová ";
constexpr std::string_view k16 = "                ";
constexpr std::string_view k30 = "                              ";
constexpr std::string_view k80 =
    "                                                                                ";
constexpr std::string_view kColumnLine = "Výkaz            název                        č.ř. kam      účty";
constexpr int kListingRule = 96;

// clang-format off
constexpr std::array<SchemeVariant, 3> kVariants = {{
    // kind                  class       instance   form caption        list   key  Řádek výkaz mask   last   annex  parent stars  strip
    {SchemeKind::Balance270, "TfCis270", "fCis270", "27 - Rozvaha",      "270", kCode, "Y", "X", "##@", true,  false, true,  true,  false},
    {SchemeKind::Annex27P,   "TfCis27P", "fCis27P", "27P - Přílohy",     "80",  kRow,  "P", " ", "@@@", false, true,  true,  false, false},
    {SchemeKind::Income260,  "TfCis260", "fCis260", "260 - Výsledovka",  "260", kRow,  "Y", "X", "##@", false, false, false, false, true},
}};
// clang-format on

std::size_t IndexOf(SchemeKind kind) { return static_cast<std::size_t>(kind); }

// Rows with a code first, in byte order; rows without one after them, all equal.
bool CodeLess(const std::string& a, const std::string& b) {
  const bool noA = HasNoCode(a), noB = HasNoCode(b);
  if (noA || noB) return !noA && noB;
  return a < b;
}

CodeListSpec MakeSpec(const SchemeVariant& v) {
  CodeListSpec s;
  s.listNo = common::TextToInt(v.defaultList);
  s.className = v.className;
  s.caption = v.formCaption;
  s.recordLength = 316;
  s.key.fields = {v.keyField};
  if (v.uncodedLast) {
    s.key.compare = KeyCompare::Custom;
    s.key.less = CodeLess;
  }
  s.deleted = {kRow, DeletedTest::Equals, "999", 0, {{kRow, "999"}}};
  s.dateField = kDate;
  s.look = Look({50, 1, 90, 13}, {1, 1, 80, 20}, "", kBrowseKeys);
  s.stamp = StampPolicy::EveryWrite;
  s.closeSort = CloseSort::Never;
  s.listing.width = 200;
  s.listing.header = ListingHeader::Custom;
  s.listing.line = ListingLine::Custom;
  using W = SchemeWindow;
  if (v.starStrip) s.menu.push_back({"d1", "Oprav *", MenuAction::Custom, W::kStripStars});
  s.menu.insert(s.menu.end(), {{"e1", "Setřiď", MenuAction::Custom, W::kSort},
                               {"f1", "Spočítej", MenuAction::Custom, W::kCount},
                               {"g1", "Přenes KlicKam", MenuAction::Custom, W::kKlicKam},
                               {"i1", "Opis", MenuAction::Print},
                               {"h1", "Přidej před větu", MenuAction::Custom, W::kInsert},
                               {"k1", "Zruš větu", MenuAction::Custom, W::kDelete},
                               {"N1", "-", MenuAction::Custom, 0},
                               {"N2", "Naber XML texty", MenuAction::Custom, W::kXml},
                               {"N3", "Odeber stm:", MenuAction::Custom, W::kMarkP},
                               {"N4", "Vytvoř 80 z Gordic", MenuAction::Custom, W::kGordicRows},
                               {"N5", "Texty 27 z Gordic", MenuAction::Custom, W::kGordicTexts}});
  if (v.starItems)
    s.menu.insert(s.menu.end(), {{"N6", "Uprav *", MenuAction::Custom, W::kAdjustStars},
                                 {"N7", "Pasiva X", MenuAction::Custom, W::kLiabilitiesX}});
  s.recodeFields = {kName};
  return s;
}

std::vector<FieldSpec> MakeFields(const SchemeVariant& v) {
  return {{"Řádek    ", v.rowPicture, "   ", 1, 2},   {"Název    ", " ", k30, 2, 2},
          {"Kam přič ", "Y", "   ", 3, 2},           {"výkaz    ", v.codePicture, k16, 4, 2},
          {"výkaz kam", v.codePicture, k16, 5, 2},   {"účty 1   ", " ", k30, 6, 2},
          {"účty 2   ", " ", k30, 7, 2},             {"účty 3   ", " ", k30, 8, 2},
          {"účty 4   ", " ", k30, 9, 2},             {"účty 5   ", " ", k30, 10, 2},
          {"Datum změny ", "D", "        ", 11, 2}, {"Text ", " ", k80, 12, 2}};
}

// Padded with blanks or cut to `width`.
std::string Padded(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}

bool AllBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

// ---------------------------------------------------------------- table

const SchemeVariant& VariantOf(SchemeKind kind) { return kVariants.at(IndexOf(kind)); }

const CodeListSpec& SchemeSpec(SchemeKind kind) {
  static const std::array<std::vector<FieldSpec>, 3> fields = {MakeFields(kVariants[0]), MakeFields(kVariants[1]),
                                                               MakeFields(kVariants[2])};
  static const std::array<CodeListSpec, 3> specs = [] {
    std::array<CodeListSpec, 3> s;
    for (std::size_t i = 0; i < s.size(); ++i) {
      s[i] = MakeSpec(kVariants[i]);
      s[i].fields = fields[i];
    }
    return s;
  }();
  return specs.at(IndexOf(kind));
}

const RowLayout& SchemeRows(SchemeKind kind) {
  // Rows and their references both take the variant's row mask.
  static const std::array<RowLayout, 3> layouts = [] {
    std::array<RowLayout, 3> l;
    for (std::size_t i = 0; i < l.size(); ++i)
      l[i] = RowLayout{kRow, kVariants[i].rowMask, {kTarget}, kVariants[i].rowMask, kName, kText, kCode};
    return l;
  }();
  return layouts.at(IndexOf(kind));
}

// ---------------------------------------------------------------- codes

std::string ParentCode(std::string_view code, int width) {
  std::string parent;
  const std::size_t last = code.rfind('.');
  if (last != std::string_view::npos && last > 0) {
    const std::size_t second = code.rfind('.', last - 1);
    if (second != std::string_view::npos) parent = std::string(code.substr(0, second + 1));
  }
  return common::AlignText(parent, "L", " ", width);
}

bool HasNoCode(std::string_view code) { return AllBlank(code.substr(0, std::min<std::size_t>(code.size(), 3))); }

// ---------------------------------------------------------------- window

SchemeWindow::SchemeWindow(SchemeKind kind)
    : CodeListWindow(std::string(VariantOf(kind).instance), SchemeSpec(kind)),
      ListNo(VariantOf(kind).defaultList),
      variant_(VariantOf(kind)) {}

void SchemeWindow::BeforeOpen() {
  OpenAs(ConvertListLayout(ListNo, "\\dlib\\ci27.pol", "\\dlib\\ci270.pol", spec().recordLength));
}

void SchemeWindow::MenuCommand(int id) {
  const RowLayout& rows = SchemeRows(variant_.kind);
  switch (id) {
    case kSort: SortScheme(); break;
    case kCount: CountRows(); break;
    case kKlicKam: CarryParentCodes(); break;
    case kInsert: InsertRow(); break;
    case kDelete: DeleteRow(); break;
    case kXml: ImportXmlTexts(*this, rows, ImportFolder); break;
    case kMarkP: MarkCodesP(); break;
    case kGordicRows: RowsFromGordic(*this, rows, ImportFolder); break;
    case kGordicTexts: TextsFromGordic(*this, rows, ImportFolder); break;
    case kAdjustStars:
      if (variant_.starItems) AdjustStars();
      break;
    case kLiabilitiesX:
      if (variant_.starItems) LiabilitiesX();
      break;
    case kStripStars:
      if (variant_.starStrip) StripStars();
      break;
    default: break;
  }
}

// ---------------------------------------------------------------- "Setřiď"

bool SchemeWindow::SortScheme() { return SortFile(); }

void SchemeWindow::SortOutputRecord(std::int32_t k) {
  PutField(RecordBuffer, kRow, common::FormatFloatMask(variant_.rowMask, k));
  // A row without a code keeps none: its code comes back as blanks.
  if (variant_.uncodedLast && HasNoCode(FieldOf(RecordBuffer, kCode))) PutField(RecordBuffer, kCode, k16);
}

// ---------------------------------------------------------------- "Spočítej"

void SchemeWindow::CountRows() {
  if (Count < 1) return;
  const std::string_view mask = variant_.rowMask;
  // One step under one rollback copy, from the sort to the last row numbered: a failure
  // anywhere leaves the file as before the sort.
  RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
    if (!SortScheme()) return false;
    const std::int32_t count = Count;
    // The codes, as "Spočítej" leaves them alone.
    std::vector<std::string> codes;
    codes.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 1; i <= count; ++i) {
      RecordRead(i);
      if (!IoOk()) return false;
      codes.push_back(Padded(FieldOf(RecordBuffer, kCode), kCodeWidth));
    }
    auto find = [&](const std::string& code) -> std::int32_t {
      for (std::int32_t j = 1; j <= count; ++j)
        if (codes[static_cast<std::size_t>(j - 1)] == code) return j;
      return 0;
    };
    for (std::int32_t i = 1; i <= count; ++i) {
      const std::string& code = codes[static_cast<std::size_t>(i - 1)];
      RecordRead(i);
      if (!IoOk()) return false;
      PutField(RecordBuffer, kRow, common::FormatFloatMask(mask, i));
      if (!variant_.annexCount) PutField(RecordBuffer, kParent, ParentCode(code, kCodeWidth));
      RecordWrite(i);
      if (!IoOk()) return false;
      if (variant_.annexCount && AllBlank(code)) continue;

      // The closest ancestor in the list; blanks stand for the first row without a code.
      std::string parent = ParentCode(code, kCodeWidth);
      std::int32_t j = find(parent);
      while (j == 0 && !AllBlank(parent)) {
        parent = ParentCode(parent, kCodeWidth);
        j = find(parent);
      }
      if (j == 0) continue;

      if (!AllBlank(code)) {
        RecordRead(i);
        if (!IoOk()) return false;
        PutField(RecordBuffer, kTarget, common::FormatFloatMask(mask, j));
        RecordWrite(i);
        if (!IoOk()) return false;
      }
      RecordRead(j);
      if (!IoOk()) return false;
      const std::string name = FieldOf(RecordBuffer, kName);
      const char first = name.empty() ? '\0' : name[0];
      std::string marked;
      if (variant_.annexCount) {
        if (first != '*') marked = "* " + name;
      } else if (first != '*' && first != ' ') {
        marked = " " + name;
      }
      if (!marked.empty()) {
        PutField(RecordBuffer, kName, Padded(marked, 30));
        RecordWrite(j);
        if (!IoOk()) return false;
      }
    }
    return true;
  });
  RepaintPage();
}

// ---------------------------------------------------------------- the other items

template <class Change>
void SchemeWindow::RewriteEach(Change change) {
  UsePhysicalOrder();
  RewriteEachRecord([&](std::int32_t n) {
    RecordRead(n);
    if (!IoOk()) return false;
    if (!change(n)) return true;
    RecordWrite(n);
    return IoOk();
  });
  RepaintPage();
}

void SchemeWindow::CarryParentCodes() {
  RewriteEach([this](std::int32_t) {
    PutField(RecordBuffer, kParent,
             variant_.parentIntoKlicKam ? ParentCode(FieldOf(RecordBuffer, kCode), kCodeWidth) : std::string(k16));
    return true;
  });
}

void SchemeWindow::MarkCodesP() {
  UsePhysicalOrder();
  StepOverMarks([this] {
    return RewriteEachRecord([this](std::int32_t n) {
      if (!IsMarked(n)) return true;
      RecordReadAt(n);
      if (!IoOk()) return false;
      UnmarkRecord(n);
      std::string code = Padded(FieldOf(RecordBuffer, kCode), kCodeWidth);
      code[0] = 'P';
      PutField(RecordBuffer, kCode, code);
      RecordWriteAt(n);
      return IoOk();
    });
  });
  RepaintPage();
}

void SchemeWindow::AdjustStars() {
  RewriteEach([this](std::int32_t) {
    const std::string name = FieldOf(RecordBuffer, kName);
    if (!name.starts_with("* ")) return false;
    PutField(RecordBuffer, kName, Padded(name.substr(1) + " ", 30));
    return true;
  });
}

void SchemeWindow::StripStars() {
  RewriteEach([this](std::int32_t) {
    const std::string name = FieldOf(RecordBuffer, kName);
    if (!name.starts_with("* ")) return false;
    PutField(RecordBuffer, kName, Padded(name.substr(2), 30));
    return true;
  });
}

void SchemeWindow::LiabilitiesX() {
  RewriteEach([this](std::int32_t n) {
    if (n < 101) return false;
    const std::string code = FieldOf(RecordBuffer, kCode);
    PutField(RecordBuffer, kCode, Padded(common::Copy(code, 1, 2) + "X." + common::Copy(code, 3, 16), kCodeWidth));
    return true;
  });
}

// ---------------------------------------------------------------- listing

std::string SchemeWindow::ListingTitle() const { return Cz("Osnova Rozvahy (") + ListNo + ")"; }

std::vector<std::string> SchemeWindow::ListingHeaderLines(int page) {
  std::vector<std::string> lines = browser::StandardListingHeader(*this, ListingTitle(), page, common::CurrentSession().NovyList);
  // The fixed column line and its rule in place of the captions.
  const std::size_t captions = lines.size() - 3;
  lines[captions] = Padded(Cz(kColumnLine), kListingRule);
  lines[captions + 1] = std::string(kListingRule, '=');
  return lines;
}

std::string SchemeWindow::ListingLineOf(std::int32_t n) {
  RecordRead(n);
  const std::string& r = RecordBuffer;
  std::string line = Padded(FieldOf(r, kCode), 16) + " " + Padded(FieldOf(r, kName), 30) + " " + Padded(FieldOf(r, kRow), 3) +
                     " " + Padded(FieldOf(r, kTarget), 3) + "     ";
  std::string accounts;
  for (int f = kAccounts1; f < kAccounts1 + 3; ++f) accounts += Padded(FieldOf(r, f), 30);
  line += common::CollapseSpaces(accounts);
  if (line.size() > 200) line.resize(200);
  return line;
}

// ---------------------------------------------------------------- set-up

namespace {

void SetupScheme(SchemeWindow& w, std::string_view n) {
  w.ListNo = ListNumberOf(n);
  w.Setup();
  w.EditTitle = w.ListNo;
  w.SetCaption(Cz("Číselník ") + w.ListNo);
}

SchemeWindow& Instance(SchemeKind kind) {
  static std::array<std::unique_ptr<SchemeWindow>, 3> windows;
  std::unique_ptr<SchemeWindow>& w = windows.at(IndexOf(kind));
  if (!w) {
    w = std::make_unique<SchemeWindow>(kind);
    browser::RegisterWindowReset([&w] { w.reset(); });
  }
  return *w;
}

}  // namespace

void SetupCis270(SchemeWindow& w, std::string_view n) { SetupScheme(w, n); }
void SetupCis27P(SchemeWindow& w, std::string_view n) { SetupScheme(w, n); }
void SetupCis260(SchemeWindow& w, std::string_view n) { SetupScheme(w, n); }

SchemeWindow& fCis270() { return Instance(SchemeKind::Balance270); }
SchemeWindow& fCis27P() { return Instance(SchemeKind::Annex27P); }
SchemeWindow& fCis260() { return Instance(SchemeKind::Income260); }

}  // namespace codelists
