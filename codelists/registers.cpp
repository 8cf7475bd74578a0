#include "codelists/registers.h"

#include <memory>

#include "browser/entries.h"
#include "codelists/lists.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "ui/keys.h"

namespace codelists {

using common::Cz;

namespace {

browser::BrowseSetup Colours(browser::BrowseSetup s, ui::Color edit, ui::Color editFont, ui::Color grid, ui::Color gridFont,
                             int start) {
  s.editColor = edit;
  s.editFontColor = editFont;
  s.gridColor = grid;
  s.gridFontColor = gridFont;
  s.startRecord = start;
  return s;
}

// A register kept in entry order: no moves, no close sort, no change date.
CodeListSpec EntryOrder(std::string_view cls, std::string_view caption, std::string_view file, int length,
                        std::span<const FieldSpec> fields) {
  CodeListSpec s;
  s.className = cls;
  s.caption = caption;
  s.file = file;
  s.recordLength = length;
  s.fields = fields;
  s.stamp = StampPolicy::None;
  s.reposition = Reposition::None;
  s.closeSort = CloseSort::Never;
  s.deletePolicy = DeletePolicy::TemplateInPlace;
  s.afterDelete = AfterDelete::StayInPlace;
  s.listing.report = {};
  return s;
}

}  // namespace

// ---------------------------------------------------------------- tables

const CodeListSpec& StatySpec() {
  static const std::vector<FieldSpec> fields = {
      {"Označení země ", "X", "     ", 1, 2},
      {"Název země    ", " ", "                              ", 2, 2},
      {"Patří do EU   ", "X", "  ", 3, 2},
      {"Nižší % daně  ", "##R", "  ", 4, 2},
      {"Vyšší % daně  ", "##R", "  ", 5, 2},
      {"Limit v EU    ", "### ### ###.##-R", "                ", 6, 2},
      {"DIČ v EU      ", "X", "                    ", 7, 2},
      {"Pozn.1 ", " ", "                                                  ", 8, 2},
      {"Pozn.2 ", " ", "                                                  ", 9, 2},
      {"Pozn.3 ", " ", "                                                  ", 10, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s = EntryOrder("TfStaty", "Seznam států", "Staty.dta", 232, fields);
    s.deleted = {1, DeletedTest::Equals, "....", 0, {{1, "...."}}};
    s.deletePolicy = DeletePolicy::MarkerInPlace;
    s.afterDelete = AfterDelete::FormerCurrent;
    s.look = Colours(Look({30, 1, 100, 15}, {1, 1, 80, 20}, " Staty ", " F1-Help F4-Nová "), 0xFDFDD0, 0xFF0000, 0xFDFDF0,
                     0xFF0000, 99999);
    s.listing.report = "Staty";
    s.listing.width = 140;
    s.listing.title = "Seznam států";
    s.listing.formFeedAlways = true;
    s.listing.pageAtLimit = true;
    s.menu = {{"A1", "Opis", MenuAction::Print}};
    return s;
  }();
  return spec;
}

const CodeListSpec& SpotrDanSpec() {
  static const std::vector<FieldSpec> fields = {{"Název paliva  ", " ", "                    ", 1, 2},
                                                {"Spotřební daň ", "#####.###-R", "          ", 2, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s = EntryOrder("TfSpotrDan", "Spotřební daně", "SpotrDan.dta", 27, fields);
    s.deleted = {1, DeletedTest::Never, {}, 0, {}};
    s.look = Colours(Look({50, 3, 95, 7}, {62, 1, 95, 13}, " Spotřební ceny ", "", " Esc = ven    F2 = zápis na disk "),
                     0xF0F0F0, 0xFF0000, 0xFDFDD0, 0xFF0000, 1);
    return s;
  }();
  return spec;
}

const CodeListSpec& OFZpUhSpec() {
  static const std::vector<FieldSpec> fields = {{"", "X", "                  ", 1, 1}};
  static const CodeListSpec spec = [] {
    CodeListSpec s = EntryOrder("TfOFZpUh", "Způsoby úhrady OF", "ofzpu.dta", 19, fields);
    s.deleted = {1, DeletedTest::AllBlank, {}, 0, {}};
    s.look = Colours(Look({51, 20, 78, 24}, {50, 18, 79, 24}, "", " Enter,F4,Mez ", ""), 0xFFFFFF, 0, 0xA0FFFF, 0, 1);
    return s;
  }();
  return spec;
}

const CodeListSpec& TXT1Spec() {
  static const std::vector<FieldSpec> fields = {{"", " ", "                              ", 3, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s = EntryOrder("TfTXT1", "Seznam textů", "", 31, fields);
    s.key.compare = KeyCompare::UpperCz;
    s.deleted = {1, DeletedTest::AllBlank, {}, 0, {}};
    s.look = Colours(Look({45, 10, 90, 15}, {30, 1, 80, 25}, "", " F1-Help F4-Nová F10-Opis "), 0xE0E0E0, 0, 0xE0E0E0, 0,
                     99999);
    s.listing.report = "TEXTY";
    s.listing.width = 132;
    s.listing.header = ListingHeader::Texty;
    s.listing.line = ListingLine::Custom;
    s.menu = {{"A1", "Opis", MenuAction::Print}, {"b1", "Setřiď", MenuAction::Custom, 1}};
    return s;
  }();
  return spec;
}

// ---------------------------------------------------------------- countries

TfStaty::TfStaty() : CodeListWindow("fStaty", StatySpec()) {
  PopupShortcut('O', [this] { CodeListPrint(); });
}

// ---------------------------------------------------------------- excise tax rates

void TfSpotrDan::DeleteRecord(std::int32_t current) {
  if (Count < 1 || RefusedWhileCopyLeft()) return;  // not asked when it cannot be written
  if (!browser::AskOne(4, 25, Cz("Zrušit záznam ?"))) return;
  CodeListWindow::DeleteRecord(current);  // the blank template written in place
}

void TfSpotrDan::FieldCheck(int field, std::string& text) {
  CodeListWindow::FieldCheck(field, text);
  Field(field).value = text;
}

void TfSpotrDan::FieldExit(int field, std::string& text) { Field(field).value = text; }

// ---------------------------------------------------------------- text lists

void TfTXT1::Use(std::string fileName, std::string title) {
  file_ = std::move(fileName);
  title_ = std::move(title);
}

std::string TfTXT1::RecordKey(std::int32_t n) {
  if (n < 1 || n > Count) return std::string(30, ' ');
  RecordRead(n);
  return FieldOf(RecordBuffer, 1);
}

std::string TfTXT1::RecordToColumns(std::int32_t n) {
  return common::FormatFloatMask("####", n) + " " + CodeListWindow::RecordToColumns(n);
}

std::string TfTXT1::RecordSearchText(std::int32_t n) {
  CodeListWindow::RecordToColumns(n);
  return ColumnTexts[1];
}

void TfTXT1::NewRecord() {
  CodeListWindow::NewRecord();
  Changed = true;
}

void TfTXT1::PrintListing(std::int32_t) { CodeListPrint(); }

bool TfTXT1::SortTexts() {
  if (Count <= 1) return false;
  UsePhysicalOrder();
  const bool sorted = SortFile();
  RepaintPage();
  return sorted;
}

void TfTXT1::MenuCommand(int id) {
  if (id == 1) SortTexts();
}

std::vector<std::string> TfTXT1::ListingHeaderLines(int page) {
  std::vector<std::string> lines = CodeListWindow::ListingHeaderLines(page);
  if (lines.size() > 5) lines[5] = title_;
  return lines;
}

std::string TfTXT1::ListingLineOf(std::int32_t n) {
  RecordRead(n);
  std::string text = FieldOf(RecordBuffer, 1);
  text.resize(30, ' ');
  return text;
}

// ---------------------------------------------------------------- set-up routines

void SetupStaty(TfStaty& w) { w.Setup(); }

void SetupSpotrDan(TfSpotrDan& w) {
  w.Setup();
  w.HeaderLine = Cz("Název paliva         Spotřební daň");
}

void SetupOFZpUh(TfOFZpUh& w) { w.Setup(); }

void SetupTXT1(TfTXT1& w, const std::string& fileName, const std::string& title) {
  w.Use(fileName, title);
  w.Setup();
  browser::FieldDescriptor& f = w.Field(1);
  f.caption = (title + " ").substr(0, browser::kCaptionMax);
  f.hint = Cz("Text                    Účet  ");
  f.hintColumn = static_cast<std::uint8_t>(std::min<std::size_t>(title.size() + 3, 255));
  f.hintLine = 2;
  w.Title = " " + title + " ";
  w.EditTitle = w.Title;
  std::string caption = f.caption;
  caption.resize(30, ' ');
  w.HeaderLine = "     " + caption + " ";
}

// ---------------------------------------------------------------- instances

TfStaty& fStaty() { return Instance(WindowSlot<TfStaty>()); }
TfSpotrDan& fSpotrDan() { return Instance(WindowSlot<TfSpotrDan>()); }
TfOFZpUh& fOFZpUh() { return Instance(WindowSlot<TfOFZpUh>()); }
TfTXT1& fTXT1() { return Instance(WindowSlot<TfTXT1>()); }

void DestroyRegisterWindows() {
  WindowSlot<TfStaty>().reset();
  WindowSlot<TfSpotrDan>().reset();
  WindowSlot<TfOFZpUh>().reset();
  WindowSlot<TfTXT1>().reset();
}

void OpenSpotrDan() {
  TfSpotrDan& w = fSpotrDan();
  SetupSpotrDan(w);
  w.ShowModal();
  w.CloseBrowse();
}

// ---------------------------------------------------------------- pickers

std::optional<ChosenCountry> PickCountry() {
  TfStaty& w = fStaty();
  std::optional<ChosenCountry> chosen;
  PickRecord(w, [&w] { SetupStaty(w); }, {}, false,
             [&](const std::string& r) { chosen = ChosenCountry{w.FieldOf(r, 1), w.FieldOf(r, 2)}; });
  return chosen;
}

std::optional<std::string> PickPaymentMethod() {
  TfOFZpUh& w = fOFZpUh();
  std::optional<std::string> chosen;
  PickRecord(w, [&w] { SetupOFZpUh(w); }, {}, false, [&](const std::string& r) { chosen = w.FieldOf(r, 1); });
  return chosen;
}

std::optional<std::string> PickText(const std::string& fileName, const std::string& title) {
  TfTXT1& w = fTXT1();
  std::optional<std::string> chosen;
  PickRecord(w, [&] { SetupTXT1(w, fileName, title); }, {}, true, [&](const std::string& r) { chosen = w.FieldOf(r, 1); });
  return chosen;
}

}  // namespace codelists
