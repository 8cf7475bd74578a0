// The payroll files as this program sees them: the employee file with its identifier
// and personal-data scrambling, the term list with its sort and look-ups, the report
// rows with their sorts and text exports. The payroll module that writes these files
// is stood in for by the record builders below, which write at the files' offsets.
#include <filesystem>

#include <gtest/gtest.h>

#include "browser/entries.h"
#include "common/convert.h"
#include "common/pascal.h"
#include "common/scramble.h"
#include "common/session.h"
#include "payroll/jhcis.h"
#include "payroll/jhvyk.h"
#include "payroll/prrol.h"
#include "tests/payroll/payrollkit.h"

namespace {

using payrolltest::Employee;
using payrolltest::Payroll;
using payrolltest::Row;
using payrolltest::Term;

using PayrollEmployee = Payroll;
using PayrollTerms = Payroll;
using PayrollRows = Payroll;

TEST_F(PayrollEmployee, TheRecordLiesWhereThePayrollModuleWritesIt) {
  payroll::Tfpr_rol w;
  w.DefineFields();
  const auto offsets = browser::FieldOffsets(w.FieldSpan());
  const std::pair<int, int> known[] = {{1, 0},     {2, 6},     {3, 37},    {4, 38},     {5, 47},    {6, 52},
                                       {8, 104},   {35, 223},  {43, 296},  {47, 349},   {76, 878},  {99, 1545},
                                       {102, 1638}, {103, 1649}, {108, 1719}};
  for (auto [field, offset] : known) EXPECT_EQ(offsets[static_cast<std::size_t>(field - 1)], offset) << field;
  EXPECT_EQ(browser::LayoutLength(w.FieldSpan()), payroll::kEmployeeLength);
}

TEST_F(PayrollEmployee, TheIdentifierFollowsItsRules) {
  struct Case { const char* what; Employee e; const char* id; };
  const Case cases[] = {
      {"a woman's month + 50", Employee().Number("00001").Sex(1).Born("15031985").Suffix("1234"), "8553151234"},
      {"a man", Employee().Number("00001").Sex(0).Born("15031985").Suffix("1234"), "8503151234"},
      {"the OIČ wins, left-aligned", Employee().Number("00001").Sex(1).Born("15031985").Suffix("X234").Oic("  12345678"), "12345678  "},
      {"an assigned number without its slash", Employee().Number("00001").Sex(1).Born("15031985").Suffix("x").Assigned("855315/1234"), "8553151234"},
  };
  for (const auto& c : cases) {
    WriteData("pr2000.dta", Employee().Number("00009").bytes + c.e.bytes + Employee().Number("00001").Oic("second").bytes);
    payroll::Tfpr_rol w;
    w.SetupPr_rol();
    std::string id;
    EXPECT_EQ(w.EmployeeIdentifier("00001", id), 2) << c.what;
    EXPECT_EQ(id, c.id) << c.what;
    EXPECT_EQ(w.EmployeeIdentifier("1", id), -1);
    EXPECT_EQ(id, std::string(10, ' '));
    w.CloseBrowse();
  }
}

TEST_F(PayrollEmployee, ScrambledPersonalDataStillGivesTheIdentifierAndF8OnlyBlanksTheChip) {
  common::Session& s = common::CurrentSession();
  s.ScrambleOn = 1;
  s.ScrambleKey = common::ProgramScrambleKey();
  Employee e = Employee().Number("00007").Sex(1).Chip("CHIP-1");
  e.Text(38, 8, common::ScrambleText("15031985", s.ScrambleKey)).Suffix("1234");
  e.Text(6, 30, common::ScrambleText("Nováková Jana", s.ScrambleKey));
  WriteData("pr2000.dta", e.bytes);
  payroll::Tfpr_rol w;
  w.SetupPr_rol();
  std::string id;
  EXPECT_EQ(w.EmployeeIdentifier("00007", id), 1);
  EXPECT_EQ(id, "8553151234");
  w.Current = 1;
  w.DeleteRecord(1);
  w.CloseBrowse();
  const std::string after = ReadData("pr2000.dta");
  std::string expected = e.bytes;
  common::PutCounted(expected, 1719, std::string(30, ' '), 30);
  EXPECT_EQ(after, expected);
  s.ScrambleOn = 0;

  // The payroll module removes the last employee while the window shows it: F8 is refused
  // as an edit of a changed record is, and nothing is written.
  const std::string second = Employee().Number("00008").Chip("CHIP-2").bytes;
  WriteData("pr2000.dta", e.bytes + second);
  w.SetupPr_rol();
  w.GoToRecord(2, 0);
  w.RepaintPage();
  WriteData("pr2000.dta", e.bytes);
  notes.calls.clear();
  w.DeleteRecord(2);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("pr2000.dta"), e.bytes);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
            std::vector<std::string>{common::Cz("Vaše opravy neplatí, větu změnil jiný uživatel")});
}

TEST_F(PayrollTerms, TheListSortsLooksUpAndLists) {
  std::filesystem::create_directories(dir / "MZ8/JMHZ");
  const std::string path = dir / "MZ8/JMHZ/JHcis.dta";
  ostest::WriteRaw(path, Term("20000", "b") + Term("00000") + Term("10502", "a") + Term("20000", "c"));
  payroll::TfJHcis& w = payroll::fJHcis();
  w.SetupJHcis();
  // Unsorted: the bisection may miss what the linear look-up and the index find.
  EXPECT_EQ(w.JHcisFindTerm("10502"), 3);
  payroll::TermIndex index;
  ASSERT_TRUE(index.Load(path));
  ASSERT_NE(index.Find("20000"), nullptr);
  EXPECT_EQ(index.Find("20000")->name, "b");
  EXPECT_TRUE(w.SortJHcis());
  // Both terms of one number stay, next to each other, in the sort engine's order.
  EXPECT_EQ(ostest::ReadRaw(path), Term("10502", "a") + Term("20000", "c") + Term("20000", "b"));
  EXPECT_EQ(w.JHcisTermName("10502"), "a");
  // The listing repeats its header on every page (7 header lines, then two rows a page).
  common::CurrentSession().LimRad = 8;
  w.PrintTerms();
  EXPECT_EQ(std::count(writer.lines.begin(), writer.lines.end(), "\f"), 2);
  EXPECT_EQ(writer.lines.front(), "\f");
  w.CloseBrowse();
  // A list of freed terms only is left as it is.
  ostest::WriteRaw(path, Term("00000") + Term("00000"));
  w.SetupJHcis();
  EXPECT_FALSE(w.SortJHcis());
  EXPECT_EQ(ostest::ReadRaw(path).size(), 2u * payroll::kTermLength);
  w.CloseBrowse();
}

// Only this layout installed: a list that is missing or already in it opens silently;
// one of another length still asks for the older layout.
TEST_F(PayrollTerms, WithoutTheOlderLayoutOnlyAnOddFileAsksForIt) {
  std::filesystem::create_directories(dir / "dlib");
  std::filesystem::copy_file(PAYROLL_DLIB "/JHCis.pol", dir / "dlib/JHCis.pol");
  // The installed description is the list's 287-byte record of eight texts.
  common::toPol pol;
  std::string reason;
  ASSERT_TRUE(common::LoadLayout(dir / "dlib/JHCis.pol", "JHcis", pol, reason)) << reason;
  EXPECT_EQ(pol.recordLength, payroll::kTermLength);
  EXPECT_EQ(pol.items.size(), 8u);
  const struct {
    int bytes;  // -1: no file
    bool asks;
  } cases[] = {{-1, false}, {0, false}, {2 * payroll::kTermLength, false}, {100, true}};
  for (const auto& c : cases) {
    std::filesystem::remove(TermsPath());
    // Empty texts: a file of blanks would be no records of the list (length bytes of 32).
    if (c.bytes >= 0) ostest::WriteRaw(TermsPath(), std::string(static_cast<std::size_t>(c.bytes), '\0'));
    notes.calls.clear();
    payroll::TfJHcis& w = payroll::fJHcis();
    w.SetupJHcis();
    w.CloseBrowse();
    const auto said = Messages();
    EXPECT_EQ(said.empty(), !c.asks) << c.bytes;  // an odd file is also told to hold a cut record
    if (c.asks && !said.empty()) {
      EXPECT_EQ(said[0].rfind(common::Cz("Chybí popis vstupní položky "), 0), 0u) << said[0];
    }
  }
}

TEST_F(PayrollRows, SortWithoutFreedRowsAndExportByPerson) {
  WriteData("JHvyk.dta", Row("00002", "10502", "B") + Row("00001", "     ", "freed") + Row("     ", "20000", "firm") +
                             Row("00001", "10502", "A") + Row("", "", "empty both"));
  payroll::TfJHvyk& w = payroll::fJHvyk();
  w.SetupJHvyk("JHvyk.dta");
  EXPECT_TRUE(w.SortJHvyk());
  EXPECT_EQ(ReadData("JHvyk.dta"), Row("     ", "20000", "firm") + Row("00001", "10502", "A") + Row("00002", "10502", "B"));
  w.CloseBrowse();
  // A person changing back and forth: an empty line at each change, none first.
  WriteData("JHvyk.dta", Row("00001", "1", "a") + Row("00002", "2", "b") + Row("00001", "3", "c") + Row("00001", "4", "  "));
  w.SetupJHvyk("JHvyk.dta");
  w.ExportText();
  w.CloseBrowse();
  EXPECT_EQ(ostest::ReadRaw(dir / "JHprihl.txt"), "1;a\r\n\r\n2;b\r\n\r\n3;c\r\n");
}

TEST_F(PayrollRows, TheExtendedExportKeepsItsHeadInTheCodePageAndItsValueInUtf8) {
  std::string r(payroll::kExtendedRowLength, '\0');
  common::PutCounted(r, 0, "8553151234", 10);
  common::PutCounted(r, 11, "A", 1);
  common::PutCounted(r, 13, "00001", 5);
  common::PutCounted(r, 19, "1", 1);
  common::PutCounted(r, 21, "10502", 5);
  common::PutCounted(r, 27, common::Cz("Žlutý kůň"), 64);
  WriteData("JHvyk1.dta", r);
  payroll::TfJHvyk2& w = payroll::fJHvyk2();
  w.SetupJHvyk2("JHvyk1.dta");
  w.ExportText();
  w.CloseBrowse();
  EXPECT_EQ(ostest::ReadRaw(dir / "JHvyk.txt"), "8553151234;1;10502;Žlutý kůň\r\n");
}

}  // namespace
