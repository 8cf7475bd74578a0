#include "codelists/lists.h"

#include "codelists/firm.h"
#include "codelists/ownbanks.h"

#include <memory>

#include "codelists/banks.h"
#include "codelists/cashkeys.h"
#include "codelists/chart.h"
#include "codelists/csvregs.h"
#include "codelists/postal.h"
#include "codelists/slov.h"
#include "codelists/cis60.h"
#include "codelists/registers.h"
#include "codelists/stock.h"
#include "common/numbers.h"
#include "common/params.h"

namespace codelists {

browser::BrowseSetup Look(browser::CellFrame edit, browser::CellFrame grid, std::string_view tag, std::string_view keys,
                          std::string_view editKeys) {
  browser::BrowseSetup s;
  s.viewMode = -1;
  s.startRecord = 99999;
  s.edit = edit;
  s.editColor = ui::Rgb(0xD0, 0xFF, 0xD0);
  s.editFontColor = ui::colors::Black;
  s.grid = grid;
  s.gridColor = ui::Rgb(0xE0, 0xFF, 0xE0);
  s.gridFontColor = ui::colors::Black;
  s.editKeyLine = std::string(editKeys);
  s.editTitle = std::string(tag);
  s.keyLine = std::string(keys);
  return s;
}

DeletedSpec BlankKey(int width) {
  static const std::string blanks(255, ' ');
  const std::string_view key(blanks.data(), static_cast<std::size_t>(width));
  return {1, DeletedTest::Equals, key, 0, {{1, key}}};
}

CodeListSpec KeyedListSpec(int no, std::string_view cls, std::string_view caption, std::string_view file, int length,
                           std::span<const FieldSpec> fields, int deletedWidth, std::string_view sortNotice,
                           const browser::BrowseSetup& look) {
  CodeListSpec s;
  s.listNo = no;
  s.className = cls;
  s.caption = caption;
  s.file = file;
  s.recordLength = length;
  s.fields = fields;
  s.deleted = BlankKey(deletedWidth);
  s.dateField = static_cast<int>(fields.size());
  s.sortNotice = sortNotice;
  s.look = look;
  s.stamp = StampPolicy::EveryWrite;
  return s;
}

namespace {

// List 11: the number, the text, ten debit and credit accounts with their centres, the date.
const std::vector<FieldSpec>& Cis11Fields() {
  static const std::vector<std::string> captions = [] {
    std::vector<std::string> c;
    for (int n = 1; n <= 10; ++n) {
      const std::string no = common::IntToText(n, 2);
      for (const char* part : {".Účet M ", ".Stř. M ", ".Účet D ", ".Stř. D "}) c.push_back(no + part);
    }
    return c;
  }();
  static const std::vector<FieldSpec> fields = [] {
    std::vector<FieldSpec> f{{"číslo ", "P", "000", 1, 2}, {" ", " ", "                              ", 1, 12}};
    static constexpr struct {
      const char* picture;
      std::string_view initial;
      std::uint8_t column;
    } kPair[] = {{"X", "      ", 2}, {"Y", "     ", 20}, {"X", "      ", 37}, {"Y", "     ", 55}};
    for (int n = 1; n <= 10; ++n)
      for (int p = 0; p < 4; ++p)
        f.push_back({captions[static_cast<std::size_t>(4 * (n - 1) + p)], kPair[p].picture, kPair[p].initial,
                     static_cast<std::uint8_t>(n + 1), kPair[p].column});
    f.push_back({"Datum změny ", " ", "      ", 12, 6});
    return f;
  }();
  return fields;
}

// Lists 20 and 23: row, name, where it is added, row of the statement, date.
std::vector<FieldSpec> OutlineFields(std::string_view dateCaption) {
  return {{"Řádek    ", "P", "000", 1, 2},
          {"Název    ", " ", "                              ", 2, 2},
          {"Kam přič ", "Y", "   ", 3, 2},
          {"č.ř.výk  ", "Y", "      ", 4, 2},
          {dateCaption, " ", "      ", 5, 2}};
}

CodeListSpec Outline(int no, std::string_view cls, std::string_view caption, std::string_view file,
                     std::span<const FieldSpec> fields, std::string_view title) {
  CodeListSpec s;
  s.listNo = no;
  s.className = cls;
  s.caption = caption;
  s.file = file;
  s.recordLength = 53;
  s.fields = fields;
  s.deleted = BlankKey(3);
  s.dateField = 5;
  s.sortNotice = "Třídím osnovu výsledovky";
  s.look = Look({50, 1, 90, 8}, {1, 1, 80, 20}, " CI20 ", " F1-Help  F10=Opis  F4-Nová ");
  s.stamp = StampPolicy::EveryWrite;
  s.listing.title = title;
  s.menu = {{"c1", "Opis", MenuAction::Print}};
  return s;
}

}  // namespace

const CodeListSpec& Cis11Spec() {
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 11;
    s.className = "TfCis11";
    s.caption = "Předkontace";
    s.file = "CI11.DTA";
    s.recordLength = 302;
    s.fields = Cis11Fields();
    s.deleted = BlankKey(3);
    s.dateField = 43;
    s.sortNotice = "Třídím seznam účtů";
    s.look = Look({30, 1, 105, 15}, {1, 1, 100, 20}, " CI11 ", " F1-Help F10=Opis F4-Nová ");
    s.stamp = StampPolicy::OnChangedFlag;
    s.listing.title = "Předkontace (11)";
    s.menu = {{"c1", "Opis", MenuAction::Print}};
    return s;
  }();
  return spec;
}

const CodeListSpec& Cis20Spec() {
  static const std::vector<FieldSpec> fields = OutlineFields("Datum    ");
  static const CodeListSpec spec = Outline(20, "TfCis20", "Rozvaha 20", "CI20.DTA", fields, "Osnova rozvahy (20)");
  return spec;
}

const CodeListSpec& Cis23Spec() {
  static const std::vector<FieldSpec> fields = OutlineFields("Datum změny ");
  static const CodeListSpec spec = Outline(23, "TfCis23", "Rozvaha 23", "CI23.DTA", fields, "Osnova rozvahy (23)");
  return spec;
}

const CodeListSpec& Cis36Spec() {
  static const std::vector<FieldSpec> fields = {
      {"Zakázka     ", " ", "                    ", 1, 2},
      {"Název 1     ", " ", "                                                  ", 2, 2},
      {"Název 2     ", " ", "                                                  ", 3, 2},
      {"Datum změny ", " ", "      ", 4, 2}};
  static const CodeListSpec spec = [] {
    CodeListSpec s;
    s.listNo = 36;
    s.className = "TfCis36";
    s.caption = "Zakázky";
    s.file = "CI36.DTA";
    s.recordLength = 130;
    s.fields = fields;
    s.deleted = BlankKey(20);
    s.dateField = 4;
    s.sortNotice = "Třídím zakázky";
    s.look = Look({50, 1, 90, 8}, {1, 1, 80, 20}, " CI36 ", " F1-Help  F10=Opis  F4-Nová ");
    s.stamp = StampPolicy::EveryWrite;
    s.keepOpen = {36, true};
    s.listing.title = "Zakázky (36)";
    s.menu = {{"h1", "Opis", MenuAction::Print}};
    return s;
  }();
  return spec;
}

void SetupCis11(TfCis11& w) { w.Setup(); }
void SetupCis20(TfCis20& w) { w.Setup(); }
void SetupCis23(TfCis23& w) { w.Setup(); }
void SetupCis36(TfCis36& w) { w.Setup(); }

namespace {

struct Windows {
  std::unique_ptr<TfCis11> cis11;
  std::unique_ptr<TfCis20> cis20;
  std::unique_ptr<TfCis23> cis23;
  std::unique_ptr<TfCis36> cis36;
};

Windows& Instances() {
  static Windows w;
  return w;
}

}  // namespace

TfCis11& fCis11() { return Instance(Instances().cis11); }
TfCis20& fCis20() { return Instance(Instances().cis20); }
TfCis23& fCis23() { return Instance(Instances().cis23); }
TfCis36& fCis36() { return Instance(Instances().cis36); }

void CloseCodeListForms() {
  // The lists kept open for the run, in this order: 10, 30, 36, 15.
  for (CodeListWindow* list : {static_cast<CodeListWindow*>(ExistingCis10()), static_cast<CodeListWindow*>(ExistingCis30()),
                                static_cast<CodeListWindow*>(Instances().cis36.get()),
                                static_cast<CodeListWindow*>(ExistingCis15())})
    if (list) list->EndOfRunClose();
  common::FlushParamsSaying();
}

void DestroyCodeListWindows() {
  Instances() = {};
  DestroyChartWindows();
  DestroyStockWindows();
  DestroyPostalWindows();
  DestroyCsvRegisterWindows();
  DestroySlovWindow();
  DestroyCis60Windows();
  DestroyRegisterWindows();
  DestroyBankWindows();
  DestroyCashKeyWindows();
  DestroyOwnBankWindows();
  DestroyFirmWindows();
}

}  // namespace codelists
