#include "codelists/csvregs.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "browser/choosers/inout.h"
#include "codelists/lists.h"
#include "common/codepages.h"
#include "common/csvfile.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/text.h"

namespace codelists {

using common::Cz;

namespace {

enum Command { kSort = 1, kImport };

constexpr std::string_view k30 = "                              ";
constexpr std::string_view k80 =
    "                                                                                ";

const std::vector<FieldSpec>& ZujFields() {
  static const std::vector<FieldSpec> f = {{"ZUJ   ", "P", "000000", 1, 2}, {"Název ", " ", k30, 2, 2}, {"Kod   ", " ", "000000", 3, 2}};
  return f;
}
const std::vector<FieldSpec>& IscoFields() {
  static const std::vector<FieldSpec> f = {{"ISCO   ", "L", "00000", 1, 2}, {"Název ", " ", k80, 2, 2}};
  return f;
}
const std::vector<FieldSpec>& ZemeFields() {
  static const std::vector<FieldSpec> f = {{"Kod  ", " ", "  ", 1, 2}, {"Země ", " ", k30, 2, 2}};
  return f;
}

// The family's table: the name field is the sort key and blank means deleted.
CodeListSpec Register(std::string_view cls, std::string_view caption, int length, std::span<const FieldSpec> fields,
                      int nameField, ui::Color colour) {
  CodeListSpec s;
  s.className = cls;
  s.caption = caption;
  s.recordLength = length;
  s.fields = fields;
  s.key = {{nameField}, KeyCompare::CzSortKey, {}};
  s.deleted = {nameField, DeletedTest::AllBlank, "", 0, {}};
  s.look = Look({45, 10, 90, 15}, {30, 1, 80, 25}, " TEXTY ", " F1-Help F4-Nová F10-Opis ");
  s.look.editColor = s.look.gridColor = colour;
  s.stamp = StampPolicy::None;
  s.shift = ShiftWrite::Raw;
  s.reposition = Reposition::None;
  s.closeSort = CloseSort::Never;
  s.deletePolicy = DeletePolicy::TemplateInPlace;
  s.afterDelete = AfterDelete::StayInPlace;
  s.listing.report = "TEXTY";
  s.listing.width = 132;
  s.listing.title = "TEXTY";
  s.listing.header = ListingHeader::Texty;
  s.listing.line = ListingLine::Custom;
  s.listing.columnLine = "Název                       ";
  s.menu = {{"i1", "Opis", MenuAction::Print},
            {"j1", "Setřiď", MenuAction::Custom, kSort},
            {"k1", "Nacti z CSV", MenuAction::Custom, kImport}};
  return s;
}

constexpr ui::Color kGrey = ui::Rgb(0xE0, 0xE0, 0xE0);

}  // namespace

const CodeListSpec& ZujSpec() {
  static const CodeListSpec spec = Register("TfZuj", "Územní jednotky (ZUJ)", 45, ZujFields(), 2, kGrey);
  return spec;
}
const CodeListSpec& IscoSpec() {
  // Blue-green-red 0xEFEFFF of the resource.
  static const CodeListSpec spec = Register("TfISCO", "Zaměstnání (ISCO)", 87, IscoFields(), 2, ui::Rgb(0xFF, 0xEF, 0xEF));
  return spec;
}
const CodeListSpec& ZemeSpec() {
  static const CodeListSpec spec = Register("TfZeme", "Seznam zemí", 34, ZemeFields(), 2, kGrey);
  return spec;
}

CsvRegister::CsvRegister(std::string componentName, const CodeListSpec& spec, std::string_view file, int nameField,
                         int skipLines, std::vector<CsvColumn> columns, bool bisection)
    : CodeListWindow(std::move(componentName), spec),
      file_(file),
      nameField_(nameField),
      skipLines_(skipLines),
      columns_(std::move(columns)),
      bisection_(bisection) {}

std::string CsvRegister::ListFileName() const { return "=" + common::ProgDir(file_); }

void CsvRegister::MenuCommand(int id) {
  if (id == kSort) SortByName();
  if (id == kImport) ImportChosenFile();
}

std::string CsvRegister::RecordToColumns(std::int32_t n) {
  return common::FormatNumberMask("####", n) + " " + CodeListWindow::RecordToColumns(n);
}

std::string CsvRegister::RecordKey(std::int32_t n) {
  if (n < 1 || n > Count) return {};
  RecordRead(n);
  if (!bisection_) return common::Copy(FieldOf(RecordBuffer, 1) + Name(RecordBuffer), 1, 32);
  return common::CzSortKey(Name(RecordBuffer));
}

std::string CsvRegister::RecordSearchText(std::int32_t n) {
  RecordRead(n);
  if (!bisection_) return common::Copy(FieldOf(RecordBuffer, 1) + Name(RecordBuffer), 1, 32);
  return Name(RecordBuffer);
}

std::int32_t CsvRegister::SearchScan(const std::string& text) {
  if (!bisection_) return CodeListWindow::SearchScan(text);
  if (Count < 1) return -1;
  const std::string kept = lHelp.text();
  if (!text.empty()) lHelp.SetText(Cz("Hledám: ") + text);
  const auto length = static_cast<std::int32_t>(text.size());
  const std::int32_t found =
      common::BinarySearchRec(text, 1, Count, [&](std::int32_t n) { return common::Copy(RecordKey(n), 1, length); }, 0);
  if (!text.empty()) lHelp.SetText(kept);
  return std::abs(found);  // a miss gives the place where the text would stand
}

void CsvRegister::SearchNext() {
  if (!bisection_) return CodeListWindow::SearchNext();
  const std::int32_t r = SearchScan(common::CzSortKey(eHled.text()));
  if (r > 0) GoToRecord(r, 0);
}

void CsvRegister::PrintListing(std::int32_t) { CodeListPrint(); }

std::string CsvRegister::ListingLineOf(std::int32_t n) {
  RecordRead(n);
  return Name(RecordBuffer);
}

void CsvRegister::SortByName() {
  if (Count > 1) {
    UsePhysicalOrder();
    SortFile();
    GoToRecord(std::clamp<std::int32_t>(Current, 1, std::max<std::int32_t>(Count, 1)), 0);
  }
  RepaintPage();
}

bool CsvRegister::LineToRecord(const common::tFormSoub& csv, std::string& record) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const CsvColumn& c = columns_[i];
    PutField(record, static_cast<int>(i) + 1, common::AlignText(csv.Field(c.column), c.mode, c.fill, c.width));
  }
  return true;
}

bool CsvRegister::HasKey(const common::tFormSoub& csv) const {
  const std::string key = common::StripLeftSp(common::StripRightSp(csv.Field(KeyColumn())));
  return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool TfZeme::HasKey(const common::tFormSoub& csv) const {
  return csv.Field(KeyColumn()) != common::kCsvMissing;
}

bool TfZeme::LineToRecord(const common::tFormSoub& csv, std::string& record) const {
  CsvRegister::LineToRecord(csv, record);
  return !common::StripLeftSp(common::StripRightSp(Name(record))).empty();
}

void CsvRegister::ImportChosenFile() {
  std::string path;
  if (!browser::ChooseFile(Cz("Urči soubor CSV"), "*.csv", path) || path.empty()) return;
  if (ImportCsv(path) > 0) GoToRecord(1, 0);
  RepaintPage();
}

std::int32_t CsvRegister::ImportCsv(const std::string& path) {
  if (DataFilePath.empty()) return -1;
  // A copy left by a step that could not be put back would later undo the import.
  if (RefusedWhileCopyLeft()) return -1;
  // The register is replaced as a whole: never while another user works with it.
  if (!common::IfVolny(DataFilePath).empty()) {
    common::MessageOk(Cz("Se souborem se pracuje"));
    return -1;
  }
  // A file in UTF-8 with letters beyond ASCII is taken as such and converted.
  std::string text;
  if (int code = common::ReadTextFile(path, text)) {
    common::FileErrorMessage(" cte soubor: ", path, code);
    return -1;
  }
  const bool utf8 = common::IsUtf8WithNonAscii(text);
  text.clear();
  common::tFormSoub csv;
  std::string bytes;
  std::int32_t n = 0, lines = 0, keyless = 0;
  try {
    common::CsvOpen(csv, path);
    for (int i = 0; i < skipLines_ && !csv.endOfFile; ++i) common::CsvReadRecord(csv);
    while (!csv.endOfFile) {
      common::CsvReadRecord(csv);
      if (!csv.recordRead) continue;  // an empty line, or the end after the last line break
      if (utf8)
        for (int f = 0; f < csv.fieldCount && f < common::kCsvFields; ++f)
          csv.fields[static_cast<std::size_t>(f)] = common::Utf8ToWin1250(csv.fields[static_cast<std::size_t>(f)]);
      ++lines;
      if (!HasKey(csv)) ++keyless;
      std::string record = RecordTemplate;
      if (!LineToRecord(csv, record)) continue;
      bytes += record;
      ++n;
    }
    common::CsvClose(csv);
  } catch (const common::IoError& e) {
    common::CsvClose(csv);
    common::FileErrorMessage(" cte soubor: ", e.file, e.code);
    return -1;
  } catch (const common::CsvEndByteError& e) {
    common::MessageOk(e.Refusal(path, Cz(", číselník zůstal beze změny")));
    return -1;
  }
  if (n == 0) {
    common::MessageOk(Cz("Soubor ") + path + Cz(" neobsahuje žádnou větu, číselník zůstal beze změny"));
    return -1;
  }
  // Most lines without a key: not a file of this register.
  if (keyless * 2 > lines) {
    common::MessageOk(Cz("Soubor ") + path + ": " + std::to_string(keyless) + " z " + std::to_string(lines) +
                      Cz(" řádků nemá klíč, číselník zůstal beze změny"));
    return -1;
  }
  // A work file takes the place of the register in one step; our own open must end first.
  UsePhysicalOrder();
  DataFileClose();
  const int rc = common::ReplaceFileContents(DataFilePath, bytes);
  DataFileOpen();
  if (rc != 0) {
    common::FileErrorMessage(" pise soubor: ", DataFilePath, rc);
    return -1;
  }
  if (Current < 1) Current = 1;
  if (utf8)
    common::MessageOk(Cz("Soubor ") + path + Cz(" byl v kódování UTF-8, texty jsou převedeny do Windows-1250"));
  return n;
}

// ---------------------------------------------------------------- the three windows

TfZuj::TfZuj()
    : CsvRegister("fZuj", ZujSpec(), "\\2\\ZUJ.dta", 2, 2, {{4, "P", "0", 6}, {6, "L", " ", 30}, {13, "P", "0", 6}}, true) {}
TfISCO::TfISCO() : CsvRegister("fISCO", IscoSpec(), "\\2\\ISCO.dta", 2, 3, {{1, "L", "0", 5}, {2, "L", " ", 80}}, true) {}
TfZeme::TfZeme() : CsvRegister("fZeme", ZemeSpec(), "\\2\\ZEME.dta", 2, 3, {{2, "L", " ", 2}, {5, "L", " ", 30}}, false) {}

namespace {

// The header stands over the record-number column too.
void SetupRegister(CsvRegister& w) {
  w.Setup();
  std::vector<int> order;
  for (int i = 1; i <= w.FieldCount; ++i) order.push_back(i);
  w.HeaderLine = "     " + CaptionLine(w, order);
}

std::unique_ptr<TfZuj>& ZujSlot() {
  static std::unique_ptr<TfZuj> p;
  return p;
}
std::unique_ptr<TfISCO>& IscoSlot() {
  static std::unique_ptr<TfISCO> p;
  return p;
}
std::unique_ptr<TfZeme>& ZemeSlot() {
  static std::unique_ptr<TfZeme> p;
  return p;
}

}  // namespace

void SetupZuj(TfZuj& w) { SetupRegister(w); }
void SetupISCO(TfISCO& w) { SetupRegister(w); }
void SetupZeme(TfZeme& w) { SetupRegister(w); }

TfZuj& fZuj() {
  if (!ZujSlot()) ZujSlot() = std::make_unique<TfZuj>();
  return *ZujSlot();
}
TfISCO& fISCO() {
  if (!IscoSlot()) IscoSlot() = std::make_unique<TfISCO>();
  return *IscoSlot();
}
TfZeme& fZeme() {
  if (!ZemeSlot()) ZemeSlot() = std::make_unique<TfZeme>();
  return *ZemeSlot();
}
void DestroyCsvRegisterWindows() {
  ZujSlot().reset();
  IscoSlot().reset();
  ZemeSlot().reset();
}

}  // namespace codelists
