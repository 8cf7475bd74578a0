// The supplements and the annual tax settlement: the employee pick, the code-list
// picks, the warnings on the personal number, the sorts (Czech order, what they keep,
// the lock they hold), and the settlement's fills from the year's results and the
// employee's declaration, read fresh.
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "browser/editform.h"
#include "common/locking.h"
#include "common/pascal.h"
#include "common/session.h"
#include "payroll/mzrzd.h"
#include "payroll/prrol.h"
#include "payroll/supplements.h"
#include "tests/payroll/payrollkit.h"

namespace {

using namespace common::literals;
using payroll::SupplementWindow;
using payrolltest::Employee;

// A record of the 62-field shape, every field blank-filled as the window stores it;
// name and items given in UTF-8.
std::string Supplement(const std::string& osc, const std::string& name, const std::map<int, std::string>& items = {}) {
  std::string r(payroll::kSupplementLength, '\0');
  for (int i = 1; i <= payroll::kSupplementFields; ++i) SupplementWindow::PutFieldOf(r, i, std::string(i == 1 ? 5 : 30, ' '));
  SupplementWindow::PutFieldOf(r, 1, osc);
  std::string n = common::Cz(name);
  n.resize(std::max<std::size_t>(n.size(), 30), ' ');
  SupplementWindow::PutFieldOf(r, 2, n);
  for (const auto& [i, text] : items) SupplementWindow::PutFieldOf(r, i, common::Cz(text));
  return r;
}

std::vector<std::string> FieldColumn(const std::string& bytes, int field) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at + payroll::kSupplementLength <= bytes.size(); at += payroll::kSupplementLength)
    out.push_back(common::StripRightSp(SupplementWindow::FieldOf(std::string_view(bytes).substr(at, payroll::kSupplementLength), field)));
  return out;
}

class Supplements : public payrolltest::Payroll {
 protected:
  // Enter in a field of the edit form.
  void EnterIn(int field) {
    edit.Do([field](browser::EditForm& f) {
      f.Click(field);
      f.KeyDown(field, ui::vk::Enter, ui::Shift::None);
    });
  }
  // The texts of the edit form at this step.
  void Capture(std::vector<std::string>& texts) {
    edit.Do([&texts](browser::EditForm& f) {
      texts.clear();
      for (int i = 1; i <= f.fieldCount(); ++i) texts.push_back(common::StripRightSp(f.Text(i)));
    });
  }
  // The next employee window chooses record n (below 1: left with Esc).
  void PickEmployee(std::int32_t n) {
    backend.AnswerNextModal([this, n](ui::Form& f) {
      auto& p = dynamic_cast<payroll::Tfpr_rol&>(f);
      if (n < 1) return backend.Press(ui::vk::Esc);
      p.Current = n;
      p.SetModalResult(ui::mr::Ok);
    });
  }
  std::vector<std::string> Names(const std::string& file) { return FieldColumn(ReadData(file), 2); }
};

using PrDod = Supplements;
using MzRzd = Supplements;

TEST_F(PrDod, TheRecordIsANumberANameAndSixtyItems) {
  payroll::TfPrDod& w = payroll::fPrDod();
  w.SetupPrDod();
  EXPECT_EQ(w.BlankRecord.size(), 1897u);
  EXPECT_EQ(w.BlankRecord, Supplement("00000", ""));
  const auto offsets = browser::FieldOffsets(w.FieldSpan());
  EXPECT_EQ(offsets[2], 37);
  EXPECT_EQ(offsets[61], 1866);
  EXPECT_EQ(w.FieldStates[20], -1);
  EXPECT_EQ(w.FieldStates[23], -1);
  EXPECT_EQ(w.FieldStates[21], 1);
  EXPECT_EQ(w.Field(3).caption, common::Cz("10502 Pracovněprávní vztah         "));
  w.CloseBrowse();
}

TEST_F(PrDod, TheEmployeePickFillsExactlyItsSixFieldsAndEscChangesNothing) {
  WriteData("pr2000.dta", Employee().Number("00001").bytes + Employee()
                                                              .Number("00002")
                                                              .Text(6, 30, common::Cz("Novák Jan"))
                                                              .Text(52, 25, common::Cz("Dlouhá 12/3"))
                                                              .Text(104, 5, "11000")
                                                              .Text(296, 6, "VS")
                                                              .Text(349, 4, "ZPS1")
                                                              .bytes);
  payroll::TfPrDod& w = payroll::fPrDod();
  w.SetupPrDod();
  std::vector<std::string> left, picked;
  PickEmployee(-1);
  EnterIn(1);
  Capture(left);
  PickEmployee(2);
  EnterIn(1);
  Capture(picked);
  edit.Keys("F2");
  w.NewRecord();
  w.CloseBrowse();
  ASSERT_EQ(left.size(), 62u);
  for (std::size_t i = 0; i < left.size(); ++i) EXPECT_EQ(left[i], i == 0 ? "00000" : "") << i + 1;
  const std::map<int, std::string> filled = {{1, "00002"}, {2, common::Cz("Novák Jan")}, {5, "12/3"},
                                             {14, "11000"}, {19, "ZPS1"},              {20, "VS"}};
  ASSERT_EQ(picked.size(), 62u);
  for (int i = 1; i <= 62; ++i) {
    const auto it = filled.find(i);
    EXPECT_EQ(picked[static_cast<std::size_t>(i - 1)], it == filled.end() ? "" : it->second) << i;
  }
  const std::string file = ReadData("PrDod.DTA");
  ASSERT_EQ(file.size(), 1897u);
  EXPECT_EQ(common::StripRightSp(SupplementWindow::FieldOf(file, 20)), "VS");
}

TEST_F(PrDod, ThePicksOfTheCodeListsFillTheirFields) {
  std::filesystem::create_directories(dir / "2");
  std::string zuj(45, '\0');
  common::PutCounted(zuj, 0, "554782", 6);
  common::PutCounted(zuj, 7, common::Cz("Praha"), 30);
  common::PutCounted(zuj, 38, "000001", 6);
  std::string zeme(34, '\0');
  common::PutCounted(zeme, 0, "SK", 2);
  common::PutCounted(zeme, 3, common::Cz("Slovensko"), 30);
  ostest::WriteRaw(dir / "2/ZUJ.dta", zuj);
  ostest::WriteRaw(dir / "2/ZEME.dta", zeme);
  payroll::TfPrDod& w = payroll::fPrDod();
  w.SetupPrDod();
  std::vector<std::string> texts;
  auto choose = [this] { backend.AnswerNextModal([this](ui::Form&) { backend.PressKeys("Home Enter"); }); };
  choose();
  EnterIn(4);
  choose();
  EnterIn(39);
  choose();
  EnterIn(34);
  Capture(texts);
  w.NewRecord();
  w.CloseBrowse();
  ASSERT_EQ(texts.size(), 62u);
  EXPECT_EQ(texts[3], "554782");
  EXPECT_EQ(texts[38], "Praha");
  EXPECT_EQ(texts[39], "554782");
  EXPECT_EQ(texts[33], "SK");
}

TEST_F(PrDod, ThePersonalNumberWarnsOfADuplicateAndOfAChange) {
  WriteData("PrDod.DTA", Supplement("00001", "Alfa") + Supplement("00002", "Beta"));
  payroll::TfPrDod& w = payroll::fPrDod();
  w.SetupPrDod();
  struct Case {
    const char* what;
    std::int32_t record;  // 0: a new record
    const char* typed;
    std::vector<std::string> messages;
  };
  const std::string same = common::Cz("Pozor, zadáváte stejné osč !"), change = common::Cz("Pozor, změna osč !");
  const Case cases[] = {
      {"its own number", 2, "00002", {}},
      {"another's number", 2, "00001", {same, change}},
      {"a new number", 2, "00003", {change}},
      {"a new record with a known number", 0, "00001", {same}},
      {"a new record", 0, "00007", {}},
  };
  for (const Case& c : cases) {
    notes.calls.clear();
    edit.Type(c.typed).Keys("Down Esc");
    if (c.record == 0) {
      w.NewRecord();
    } else {
      w.Current = c.record;
      w.EditRecord();
    }
    EXPECT_EQ(Messages(), c.messages) << c.what;
  }
  w.CloseBrowse();
}

TEST_F(PrDod, TheSortOrdersCzechNamesKeepsNumberedRecordsAndDropsBlankOnes) {
  const std::string input = Supplement("00003", "Dvořák") + Supplement("00001", "Čech") + Supplement("     ", "") +
                            Supplement("00009", "", {{3, "1"}}) + Supplement("00002", "Cibulka");
  WriteData("PrDod.DTA", input);
  payroll::TfPrDod& w = payroll::fPrDod();
  w.SetupPrDod();
  // F6 left without a choice sorts by name.
  backend.AnswerNextModal([](ui::Form& f) { f.SetModalResult(ui::mr::Cancel); });
  w.KeyF6(1);
  EXPECT_EQ(Names("PrDod.DTA"), (std::vector<std::string>{"", "Cibulka", common::Cz("Čech"), common::Cz("Dvořák")}));
  EXPECT_EQ(w.Count, 4);
  EXPECT_EQ(FieldColumn(ReadData("PrDod.DTA"), 3)[0], "1");
  EXPECT_TRUE(w.Sort(2));
  EXPECT_EQ(FieldColumn(ReadData("PrDod.DTA"), 1), (std::vector<std::string>{"00001", "00002", "00003", "00009"}));
  // F8 blanks the record in place; the next sort removes it.
  w.Current = 1;
  w.DeleteRecord(1);
  EXPECT_EQ(ReadData("PrDod.DTA").substr(0, 1897), w.BlankRecord);
  EXPECT_TRUE(w.Sort(2));
  EXPECT_EQ(FieldColumn(ReadData("PrDod.DTA"), 1), (std::vector<std::string>{"00002", "00003", "00009"}));
  w.CloseBrowse();
  // One record is not sorted.
  WriteData("PrDod.DTA", Supplement("     ", ""));
  w.SetupPrDod();
  EXPECT_FALSE(w.Sort(1));
  EXPECT_EQ(ReadData("PrDod.DTA").size(), 1897u);
  w.CloseBrowse();
}

TEST_F(PrDod, TheSortWaitsForAnotherWorkstationAndKeepsItsChange) {
  WriteData("PrDod.DTA", Supplement("00002", "Beta") + Supplement("00001", "Alfa"));
  payroll::TfPrDod& w = payroll::fPrDod();
  w.SetupPrDod();
  common::Session other;
  other.DataDirPath = common::CurrentSession().DataDirPath;
  other.ProgDirPath = common::CurrentSession().ProgDirPath;
  other.CurrentUser = "02";
  const std::string path = w.DataFilePath;
  ASSERT_EQ(common::LockFile(other, path, ""), common::LockResult::Held);
  int waits = 0;
  std::string seenWhileWaiting;
  notes.onWait = [&](const std::string&, int) {
    if (waits++ > 0) return;
    seenWhileWaiting = ReadData("PrDod.DTA");
    // The other user renames the second record, then leaves the file.
    WriteData("PrDod.DTA", Supplement("00002", "Beta") + Supplement("00001", "Aa"));
    common::UnlockFile(other, path);
  };
  EXPECT_TRUE(w.Sort(1));
  w.CloseBrowse();
  EXPECT_GE(waits, 1) << notes.Dump();
  EXPECT_EQ(seenWhileWaiting, Supplement("00002", "Beta") + Supplement("00001", "Alfa"));
  EXPECT_EQ(Names("PrDod.DTA"), (std::vector<std::string>{"Aa", "Beta"}));
}

// ---------------------------------------------------------------- settlement

std::string Result(const std::string& osc, const std::string& spouse, const std::string& children, double tax, double bonus,
                   double total) {
  std::string r(payroll::kSettlementLength, '\0');
  common::PutCounted(r, 0, osc, 5);
  common::PutCounted(r, 6, spouse, 10);
  common::PutCounted(r, 17, children, 10);
  common::PutReal48(r, 28, tax);
  common::PutReal48(r, 34, bonus);
  common::PutReal48(r, 40, total);
  return r;
}

TEST_F(MzRzd, TheYearsResultsFillTheSettlementAndAMissingEmployeeChangesNothing) {
  WriteData("MZ.PAR", "MZRZROK : 2024\r\n");
  WriteData("MZRZT2024.dta", Result("00001", "0", "0", 1, 2, 3) + Result("00002", "1", "1", 500, -20, 1234.0));
  payroll::TfMZ_RZD& w = payroll::fMZ_RZD();
  w.SetupMZ_RZD();
  // Its own title, so that the two twins can be told apart.
  EXPECT_EQ(w.Title, common::Cz(" Roční zúčtování daně "));
  std::vector<std::string> found, missing;
  edit.Do([](browser::EditForm& f) { f.SetText(1, "00002"); });
  EnterIn(4);
  Capture(found);
  edit.Do([](browser::EditForm& f) { f.SetText(1, "00003"); });
  EnterIn(4);
  Capture(missing);
  w.NewRecord();
  w.CloseBrowse();
  ASSERT_EQ(found.size(), 62u);
  EXPECT_EQ(found[4], "    1234");
  EXPECT_EQ(found[5], "     500");
  EXPECT_EQ(found[6], "     -20");
  EXPECT_EQ(found[7], "1");
  EXPECT_EQ(found[19], "1");
  // Passing through field 5 trimmed its text; nothing else changed.
  EXPECT_EQ(missing, [&] { auto m = found; m[0] = "00003"; m[4] = "1234"; return m; }());
}

TEST_F(MzRzd, TheDeclarationFillsTheOtherPersonAndTheChildrenReadFreshEachTime) {
  WriteData("prohl00002.dta", "p2eJm : Eva\r\np2ePrijm : Malá\r\np2eRc : 855315/1234\r\nedj2 : Petr\r\nedp2 : Malý\r\n"
                              "erc2 : 100101/0001\r\nezp2 : 0\r\n"_cz);
  payroll::TfMZ_RZD& w = payroll::fMZ_RZD();
  w.SetupMZ_RZD();
  std::vector<std::string> first, second, none;
  edit.Do([](browser::EditForm& f) {
    f.SetText(1, "00002");
    f.SetText(27, "Kept");
  });
  EnterIn(21);
  EnterIn(27);
  Capture(first);
  // The payroll module rewrites the declaration during the run.
  edit.Do([this](browser::EditForm&) { WriteData("prohl00002.dta", "p2eJm : Jana\r\n"); });
  EnterIn(21);
  Capture(second);
  edit.Do([](browser::EditForm& f) { f.SetText(1, "00005"); });
  EnterIn(21);
  Capture(none);
  w.NewRecord();
  w.CloseBrowse();
  ASSERT_EQ(first.size(), 62u);
  EXPECT_EQ(first[21], "Eva");
  EXPECT_EQ(first[22], common::Cz("Malá"));
  EXPECT_EQ(first[23], "15.03.1985");
  EXPECT_EQ(first[24], "8553151234");
  EXPECT_EQ(first[26], "Kept");  // child 1 not declared
  EXPECT_EQ(first[32], "Petr");
  EXPECT_EQ(first[33], common::Cz("Malý"));
  EXPECT_EQ(first[34], "01.01.2010");
  EXPECT_EQ(first[35], "1001010001");
  EXPECT_EQ(first[36], "0");
  EXPECT_EQ(first[37], "");  // the order item stays empty
  EXPECT_EQ(second[21], "Jana");
  EXPECT_EQ(second[22], "");
  for (int i = 21; i <= 24; ++i) EXPECT_EQ(none[static_cast<std::size_t>(i)], "") << i + 1;
  // Nothing of it went into the parameter cache.
  EXPECT_TRUE(common::CurrentSession().ParamCache.empty() ||
              std::none_of(common::CurrentSession().ParamCache.begin(), common::CurrentSession().ParamCache.end(),
                           [](const auto& r) { return r->fileName.find("PROHL") != std::string::npos; }));
}

TEST_F(MzRzd, AnUnreadableDeclarationIsReportedAndFillsNothing) {
  std::filesystem::create_directories(dir / "data/prohl00002.dta");  // a folder: the read fails
  payroll::TfMZ_RZD& w = payroll::fMZ_RZD();
  w.SetupMZ_RZD();
  std::vector<std::string> texts;
  edit.Do([](browser::EditForm& f) {
    f.SetText(1, "00002");
    f.SetText(22, "Kept");
  });
  EnterIn(21);
  Capture(texts);
  w.NewRecord();
  w.CloseBrowse();
  ASSERT_EQ(texts.size(), 62u);
  EXPECT_EQ(texts[21], "Kept");
  ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
  EXPECT_NE(Messages()[0].find(" cte soubor: "), std::string::npos);
}

}  // namespace
