#include "codelists/outlines.h"

#include <cctype>
#include <limits>

#include "browser/dialogs.h"
#include "codelists/lists.h"
#include "common/dates.h"
#include "common/convert.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/winpath.h"

namespace codelists {

using common::Cz;

namespace {

constexpr std::string_view kBrowseKeys = " F1-Help  F10=Opis  F4-Nová ";
constexpr std::string_view k30 = "                              ";
constexpr std::string_view k80 =
    "                                                                                ";

}  // namespace

// ---------------------------------------------------------------- shared

ListOpening ConvertListLayout(const std::string& list, std::string_view inLayout, std::string_view outLayout,
                              std::int32_t recordLength) {
  const std::string file = common::DataDir("ci" + list + ".dta");
  // A layout that would write records of another length is damaged, not the list.
  const std::string outDesc = common::ProgDir(outLayout);
  common::toPol outPol;
  std::string reason;
  if (common::CheckFile(outDesc) >= 2 && common::LoadLayout(outDesc, "", outPol, reason) &&
      outPol.recordLength != recordLength) {
    common::MessageOk(Cz("Chybný popis položek ") + common::ShownPath(outDesc) + Cz(" - věta o ") +
                      std::to_string(outPol.recordLength) + Cz(" bajtech, seznam má věty o ") +
                      std::to_string(recordLength) + Cz("; soubor ") + common::ShownPath(file) +
                      Cz(" otevírám jen pro čtení"));
    return ListOpening::ReadOnly;
  }
  common::LayoutCheck c;
  try {
    c = common::ConvertLayout(common::DataDir("ci" + list + ",dta"), file, common::ProgDir(inLayout), outDesc);
  } catch (const common::IoError& e) {
    common::FileErrorMessage(" pise soubor: ", e.file, e.code);
    return ListOpening::Writable;
  }
  const std::string lengths = std::to_string(c.oldLength) + Cz(" ani nové ") + std::to_string(c.newLength);
  if (c.outcome == common::LayoutCheck::CopyLeft) return ListOpening::CopyKept;  // said
  if (c.outcome == common::LayoutCheck::FitsNeither) {
    common::MessageOk(Cz("Soubor ") + file + Cz(" má ") + std::to_string(c.size) +
                      Cz(" bajtů, to neodpovídá délce věty staré ") + lengths + Cz("; otevírám ho jen pro čtení"));
    return ListOpening::ReadOnly;
  }
  if (c.outcome == common::LayoutCheck::GivenUp) {
    common::MessageOk(Cz("Soubor ") + file + Cz(" zůstal ve starší podobě (délka věty ") + std::to_string(c.oldLength) +
                      Cz(", ne ") + std::to_string(c.newLength) +
                      Cz("), četl by se chybně; otevírám ho jen pro čtení"));
    return ListOpening::ReadOnly;
  }
  return ListOpening::Writable;
}

std::string ListNumberOf(std::string_view arg) {
  std::string a(arg);
  const std::size_t dot = a.find('.');
  if (a.size() > 2 && std::toupper(static_cast<unsigned char>(a[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(a[1])) == 'I' && dot != std::string::npos && dot > 2)
    return a.substr(2, dot - 2);
  return a;
}

// ---------------------------------------------------------------- list 26

const CodeListSpec& Cis26Spec() {
  static const std::vector<FieldSpec> fields = {
      {"Řádek      ", "P", "000", 1, 2},
      {"Název      ", " ", k30, 2, 2},
      {"Kam přič 1 ", "Y", "   ", 3, 2},
      {"Kam přič 2 ", " ", "   ", 4, 2},
      {"č.ř.výk.   ", " ", "      ", 5, 2},
      {"Účet       ", " ", "      ", 6, 2},
      {"účty 1     ", " ", k30, 7, 2},
      {"účty 2     ", " ", k30, 8, 2},
      {"účty 3     ", " ", k30, 9, 2},
      {"účty 4     ", " ", k30, 10, 2},
      {"účty 5     ", " ", k30, 11, 2},
      {"Datum změny ", " ", "      ", 12, 2},
      {"Text ", " ", k80, 13, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 26;
    s.className = "TfCis26";
    s.caption = "26 - Výkaz zisku a ztrát";
    s.recordLength = 300;
    s.fields = fields;
    s.deleted = BlankKey(3);
    s.dateField = 12;
    s.sortNotice = "Třídím osnovu výsledovky";
    s.look = Look({50, 1, 90, 15}, {1, 1, 80, 20}, " CI26 ", kBrowseKeys);
    s.stamp = StampPolicy::EveryWrite;
    s.reposition = Reposition::FullSortWhenFree;
    s.listing.width = 130;
    s.listing.title = "Osnova Výsledovky (26)";
    s.listing.line = ListingLine::CollapseAfter;
    s.listing.keep = 52;
    s.listing.cut = 132;
    s.menu = {{"A1", "Opis", MenuAction::Print},
              {"k1", "Přidej záznam", MenuAction::Custom, 1},
              {"i1", "Zruš záznam", MenuAction::Custom, 2}};
    s.recodeFields = {2};
    return s;
  }();
  return spec;
}

const RowLayout& Cis26Rows() {
  static const RowLayout layout{1, "@@@", {3}, "###", 2, 13, 5};
  return layout;
}

void TfCis26::BeforeOpen() {
  OpenAs(ConvertListLayout(ListNo, "\\dlib\\ci2609.pol", "\\dlib\\ci26.pol", spec().recordLength));
}

void TfCis26::MenuCommand(int id) {
  if (id == 1) InsertRow();
  if (id == 2) DeleteRow();
}

void SetupCis26(TfCis26& w, std::string_view n) {
  w.ListNo = std::string(n);
  w.Setup();
}

bool SortCis26(TfCis26& w) { return w.DataFileUsable() && common::IfVolny(w.DataFilePath).empty() && w.SortFile(); }

TfCis26& fCis26() { return browser::SingleWindow<TfCis26>(); }

// ---------------------------------------------------------------- list 27

const CodeListSpec& Cis27Spec() {
  static const std::vector<FieldSpec> fields = {
      {"Řádek    ", "P", "000", 1, 2},
      {"Název    ", " ", k30, 2, 2},
      {"Kam přič ", "Y", "   ", 3, 2},
      {"výkaz    ", " ", "      ", 4, 2},
      {"účty 1   ", " ", k30, 5, 2},
      {"účty 2   ", " ", k30, 6, 2},
      {"účty 3   ", " ", k30, 7, 2},
      {"účty 4   ", " ", k30, 8, 2},
      {"účty 5   ", " ", k30, 9, 2},
      {"Datum změny ", " ", "      ", 10, 2},
      {"Text ", " ", k80, 11, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 27;
    s.className = "TfCis27";
    s.caption = "27 - Rozvaha";
    s.recordLength = 289;
    s.fields = fields;
    s.deleted = BlankKey(3);
    s.dateField = 10;
    s.sortNotice = "Třídím osnovu rozvahy";
    s.look = Look({50, 1, 90, 13}, {1, 1, 80, 20}, "27", kBrowseKeys);
    s.stamp = StampPolicy::EveryWrite;
    s.listing.width = 200;
    s.listing.line = ListingLine::CollapseAfter;
    s.listing.keep = 47;
    s.listing.cut = 200;
    s.menu = {{"i1", "Opis", MenuAction::Print},
              {"h1", "Přidej před větu", MenuAction::Custom, TfCis27::kInsert},
              {"k1", "Zruš větu", MenuAction::Custom, TfCis27::kDelete},
              {"N1", "-", MenuAction::Custom, 0},
              {"N2", "Naber XML texty", MenuAction::Custom, TfCis27::kXml},
              {"N3", "ID do pozn", MenuAction::Custom, TfCis27::kCodeToText},
              {"N4", "Vytvoř 80 z Gordic", MenuAction::Custom, TfCis27::kGordicRows},
              {"N5", "Texty 27 z Gordic", MenuAction::Custom, TfCis27::kGordicTexts}};
    s.recodeFields = {2};
    return s;
  }();
  return spec;
}

const RowLayout& Cis27Rows() {
  static const RowLayout layout{1, "@@@", {3}, "###", 2, 11, 4};
  return layout;
}

void TfCis27::BeforeOpen() {
  OpenAs(ConvertListLayout(ListNo, "\\dlib\\ci2709.pol", "\\dlib\\ci27.pol", spec().recordLength));
}

std::string TfCis27::ListingTitle() const {
  return Cz("Osnova Rozvahy (") + common::Copy(ListFileName(), 3, 2) + ")";
}

void TfCis27::MenuCommand(int id) {
  switch (id) {
    case kInsert: InsertRow(); break;
    case kDelete: DeleteRow(); break;
    case kXml: ImportXmlTexts(*this, Cis27Rows(), ImportFolder); break;
    case kCodeToText: CodeIntoText(*this, Cis27Rows()); break;
    case kGordicRows: RowsFromGordic(*this, Cis27Rows(), ImportFolder); break;
    case kGordicTexts: TextsFromGordic(*this, Cis27Rows(), ImportFolder); break;
    default: break;
  }
}

bool TfCis27::AddRowAt(std::int32_t p, std::string_view name, std::string_view code) {
  const RowLayout& l = Cis27Rows();
  if (p < 2 || p > Count) return true;
  RecordReadAt(Count);
  if (!IoOk() || !AppendRecord()) return false;
  const std::int32_t n = Count;
  for (std::int32_t j = n - 1; j >= p; --j) {
    RecordReadAt(j);
    if (!IoOk()) return false;
    // The last two rows keep their numbers.
    if (j < n - 2) SetFieldText(*this, l.rowField, common::FormatFloatMask("@@@", j + 1));
    RecordWriteAt(j + 1);
    if (!IoOk()) return false;
  }
  RecordReadAt(p - 1);
  if (!IoOk()) return false;
  SetFieldText(*this, l.rowField, common::FormatFloatMask("@@@", p));
  PutDate();
  SetFieldText(*this, l.nameField, Cz(name));
  SetFieldText(*this, 5, k30);
  SetFieldText(*this, l.codeField, code);
  RecordWriteAt(p);
  if (!IoOk()) return false;
  for (std::int32_t j = p + 1; j <= n - 2; ++j) {
    RecordReadAt(j);
    if (!IoOk()) return false;
    const std::int32_t v = common::TextToInt(FieldText(*this, 3));
    if (v > p - 1) {
      SetFieldText(*this, 3, common::FormatFloatMask("@@@", v + 1));
      RecordWriteAt(j);
      if (!IoOk()) return false;
    }
  }
  RecountRecords();
  return true;
}

void TfCis27::AddStatutoryRows() {
  if (!DataFileUsable() || (Count != 122 && Count != 123)) return;
  UsePhysicalOrder();
  // The count is judged again under the turn the rows are added with: of two workstations
  // opening the list at once, the second finds them added.
  bool added = false;
  RewriteInPlace(0, std::numeric_limits<std::uint64_t>::max(), [&] {
    const std::int32_t count = Count;
    if (count != 122 && count != 123) return true;
    added = true;
    if (count == 122 && !AddRowAt(78, "Rozdíly z přeměn společnosti  ", "  AII5")) return false;
    if (Count != 123) return true;
    if (!AddRowAt(85, "Jiný výsledek hospodaření minu", "  AIV3")) return false;
    if (Count != 124) return true;
    return AddRowAt(79, "Rozdíly z ocenění při přeměnác", "  AII6");
  });
  if (!added) return;
  DataFileReopen();
  RepaintPage();
}

void SetupCis27(TfCis27& w, std::string_view n) {
  w.ListNo = ListNumberOf(n);
  w.Setup();
  if (w.ListNo == "27") {
    const std::string kept = w.RecordBuffer;
    w.AddStatutoryRows();
    w.RecordBuffer = kept;
  }
}

bool SortCis27(TfCis27& w) { return w.DataFileUsable() && common::IfVolny(w.DataFilePath).empty() && w.SortFile(); }

TfCis27& fCis27() { return browser::SingleWindow<TfCis27>(); }

}  // namespace codelists
