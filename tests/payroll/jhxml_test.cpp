// The builder window: its switches, the number display, the chooser paths, the row
// extension with the employee window, and the employee written back field by field.
#include <gtest/gtest.h>

#include "browser/choosers/inout.h"
#include "tests/browser/chooserkit.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "payroll/jhbuild.h"
#include "payroll/jhxml.h"
#include "tests/common/leftcopy.h"
#include "tests/payroll/payrollkit.h"

namespace {

using payrolltest::Employee;
using payrolltest::Row;

class JhXml : public payrolltest::Payroll {
 protected:
  void SetUp() override {
    Payroll::SetUp();
    payrolltest::TermSpec t;
    t.key = "10101";
    t.prihl = "1";
    WriteTerms({t});
    w.Show();
  }
  void TearDown() override {
    w.Hide();
    Payroll::TearDown();
  }
  // The next file chooser picks path, or is left with Esc when path is empty.
  void Choose(const std::string& path) { browsertest::AnswerChooser(backend, path); }
  payroll::TfJHXML& w = payroll::fJHXML();
};

TEST_F(JhXml, SwitchesToggleTheirCaptionsAndOutliveTheWindow) {
  EXPECT_EQ(w.bZebriky.text(), "Zebriky NE");
  backend.Click(w.bZebriky);
  EXPECT_EQ(w.bZebriky.text(), common::Cz("Žebříky ANO"));
  EXPECT_EQ(payroll::JhSwitches().JhZebriky, 1);
  backend.Click(w.bZebriky);
  EXPECT_EQ(w.bZebriky.text(), common::Cz("Žebříky NE"));
  backend.Click(w.bPoznamky);
  EXPECT_EQ(w.bPoznamky.text(), common::Cz("Poznámky ANO"));
  EXPECT_EQ(payroll::JhSwitches().JhPoznamky, 1);
  EXPECT_EQ(payroll::JhSwitches().JhZebriky, 0);
}

TEST_F(JhXml, TheNumberDisplayRoundsUp) {
  const std::pair<const char*, std::pair<const char*, const char*>> cases[] = {
      {"Edit1", {"        1", "     1.00"}}, {"2,2", {"        2", "     3.00"}}, {"7", {"        7", "     7.00"}}};
  for (const auto& [typed, shown] : cases) {
    w.Edit1.SetText(typed);
    backend.Click(w.Button2);
    EXPECT_EQ(w.caption(), shown.first) << typed;
    EXPECT_EQ(w.Button2.text(), shown.second) << typed;
  }
}

TEST_F(JhXml, ALeftChooserEndsTheReportButTheRegistrationTakesItsDefault) {
  Choose("");
  backend.Click(w.bJHvykXml);
  EXPECT_FALSE(std::filesystem::exists(dir / "data/JH"));
  WriteTemplate("PrihlA.mat", {R"(<?xml version="1.0" encoding="WINDOWS-1250"?>)", R"(<p a="#10101#">)"});
  WriteTemplate("PrihlB.mat", {"<z/>"});
  WriteTemplate("PrihlC.mat", {"</p>"});
  WriteData("JHprihl.dta", Row("     ", "10101", "1"));
  Choose("");
  backend.Click(w.bPrihlXML);
  EXPECT_EQ(ostest::ReadRaw(dir / "data/JH/PRIHLASKA.XML"), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<p a=\"1\">\r\n</p>\r\n");
  EXPECT_EQ(w.Label1.text(), "Hotovo!" + std::string(50, ' '));
}

TEST_F(JhXml, TheExtendedRowsNeverReplaceTheReportRows) {
  const std::string rows = Row("00001", "10101", "A") + Row("00001", "10102", "B");
  WriteData("JHvyk.dta", rows);
  WriteData("pr2000.dta", Employee().Number("00001").Oic("1111111111").Kind("1    ").bytes);
  std::int32_t shownRows = 0;
  Choose(DataPath("JHvyk.dta"));
  backend.AnswerNextModal([&](ui::Form& f) { dynamic_cast<payroll::Tfpr_rol&>(f).SetModalResult(ui::mr::Cancel); });
  backend.AnswerNextModal([&](ui::Form& f) {
    shownRows = dynamic_cast<payroll::TfJHvyk2&>(f).Count;
    f.SetModalResult(ui::mr::Cancel);
  });
  backend.Click(w.bJHvyk2);
  EXPECT_EQ(shownRows, 2) << notes.Dump();
  EXPECT_EQ(ReadData("JHvyk.dta"), rows);
  const std::string extended = ostest::ReadRaw(dir / "JHvyk1.dta");
  ASSERT_EQ(extended.size(), 2u * payroll::kExtendedRowLength);
  EXPECT_EQ(payroll::RowField(extended, 1, true), "1111111111");

  // The extended rows themselves are refused as the source.
  Choose(dir / "JHvyk1.dta");
  backend.Click(w.bJHvyk2);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("JHvyk1.dta"), std::string::npos);
  EXPECT_EQ(ostest::ReadRaw(dir / "JHvyk1.dta"), extended);
}

// An employee file whose copy cannot go back: the employee window opens for reading and
// says so once; the extension is refused once, in words, and writes nothing.
TEST_F(JhXml, AnEmployeeFileKeptReadOnlyIsSaidOnceAndNothingIsExtended) {
  WriteData("JHvyk.dta", Row("00001", "10101", "A"));
  WriteData("pr2000.dta", Employee().Number("00001").Oic("1111111111").Kind("1    ").bytes);
  leftcopy::LeaveUnfinishedCopy(DataPath("pr2000.dta"));
  const std::string half = ReadData("pr2000.dta");
  notes.calls.clear();
  int shown = 0;
  Choose(DataPath("JHvyk.dta"));
  backend.AnswerNextModal([&](ui::Form& f) {
    ++shown;
    f.SetModalResult(ui::mr::Cancel);
  });
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Read, EIO, ".rollback");
    common::ScopedFileSystem scoped(fs);
    backend.Click(w.bJHvyk2);
  }
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "JHvyk1.dta"));
  EXPECT_EQ(ReadData("pr2000.dta"), half);
  const std::string stuck = common::Cz("Soubor pr2000.dta má nedokončený přepis, který nelze vrátit (kopie ") +
                            leftcopy::CopyOf(DataPath("pr2000.dta"));
  std::vector<std::string> said;
  for (const auto& c : notes.calls) said.push_back(c.text);
  ASSERT_EQ(said.size(), 2u) << notes.Dump();
  EXPECT_TRUE(said[0].starts_with(stuck) && said[0].ends_with(common::Cz(": otevírá se jen pro čtení"))) << notes.Dump();
  EXPECT_TRUE(said[1].starts_with(stuck) && said[1].ends_with(common::Cz(", rozšíření výkazu neproběhlo"))) << notes.Dump();
}

TEST_F(JhXml, CompletingTheOicLeavesEveryOtherByteOfTheEmployee) {
  Employee e = Employee().Number("00001").Kind("1    ");
  common::PutReal48(e.bytes, 184, 100.0);      // "Procento prémií" under "##.#"
  common::PutReal48(e.bytes, 148, 12345.678);  // "Prům.dov." under "#####.##"
  e.Text(6, 30, common::Cz("Nováková"));       // shorter than its field
  WriteData("pr2000.dta", e.bytes);
  WriteData("JHvyk.dta", Row("00001", "10101", "A"));
  std::string down;
  for (int i = 0; i < 101; ++i) down += "Down ";
  edit.Keys(down);
  edit.Type("12345678").Keys("F2");
  Choose(DataPath("JHvyk.dta"));
  backend.AnswerNextModal([&](ui::Form& f) {
    auto& p = dynamic_cast<payroll::Tfpr_rol&>(f);
    p.Current = 1;
    p.EditRecord();
    p.SetModalResult(ui::mr::Cancel);
  });
  backend.AnswerNextModal([&](ui::Form& f) { f.SetModalResult(ui::mr::Cancel); });
  backend.Click(w.bJHvyk2);
  const std::string after = ReadData("pr2000.dta");
  ASSERT_EQ(after.size(), e.bytes.size());
  EXPECT_EQ(after.substr(0, 1638), e.bytes.substr(0, 1638));
  EXPECT_EQ(after.substr(1649), e.bytes.substr(1649));
  EXPECT_EQ(common::GetCounted(after, 1638, 10), "12345678  ");
  EXPECT_EQ(payroll::RowField(ostest::ReadRaw(dir / "JHvyk1.dta"), 1, true), "12345678  ");
}

}  // namespace
