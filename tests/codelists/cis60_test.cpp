// The payroll-sheet key lists 60, 60b and 61: their tables, the two-line listing, the
// two change-date rules and the close-time sorts.
#include <filesystem>

#include "codelists/cis60.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using CodeListCis60 = cltest::CodeListTest;
using common::Cz;

std::string Pad(const std::string& s, std::size_t n) { return s + std::string(n - s.size(), ' '); }

// A record of the table with the given fields; the key "   " (which the key picture
// would turn into "000") is put in afterwards.
std::string Make(const CodeListSpec& spec, const std::string& key) {
  std::string r = cltest::MakeRecord(spec, {{1, key == "   " ? "001" : key}});
  common::PutCounted(r, 0, key, 3);
  return r;
}

TEST_F(CodeListCis60, TablesGiveTheRecordLayoutsTheRebuildUses) {
  TfCis60 w;
  SetupCis60(w);
  EXPECT_EQ(w.FieldCount, 35);
  EXPECT_EQ(w.RecordLength, kCi60Layout.length);
  EXPECT_EQ(w.HeaderLine, Cz(" Klíče ML "));  // the title stays as the header line
  EXPECT_EQ(w.EditTitle, " CI60 ");
  EXPECT_TRUE(w.OwnHeaders);
  EXPECT_EQ(w.ColumnCount, 35);
  EXPECT_EQ(w.HeaderTexts[9], Cz("úč.MD "));
  EXPECT_EQ(w.HeaderTexts[28], "DAL09 ");
  EXPECT_EQ(w.HeaderTexts[35], "");
  EXPECT_EQ(w.Field(11).hint, "KT");
  EXPECT_EQ(w.Field(27).caption, "09 " + Cz("Účet MD "));
  EXPECT_EQ(w.Field(28).line, 14);
  const struct {
    int field, offset;
  } places[] = {{1, kCi60Layout.key},      {2, kCi60Layout.name},     {4, kCi60Layout.holiday},
                {9, kCi60Layout.accounts}, {28, 175},                  {29, kCi60Layout.flagMd},
                {30, kCi60Layout.flagDal}, {31, kCi60Layout.note},     {35, kCi60Layout.date}};
  for (const auto& p : places) EXPECT_EQ(w.FieldOffset(p.field), p.offset) << p.field;
  EXPECT_EQ(cltest::ShownMenu(w), Strings{"i1 Opis"});
  ASSERT_NE(w.PopupMenu1.Find("j1"), nullptr);
  EXPECT_EQ(w.PopupMenu1.Find("j1")->caption, Cz("Překóduj"));
  w.CloseBrowse();

  TfCis61 old;
  SetupCis61(old);
  EXPECT_EQ(old.FieldCount, 31);
  EXPECT_EQ(old.RecordLength, kCi61Layout.length);
  EXPECT_EQ(old.FieldOffset(4), kCi61Layout.holiday);
  EXPECT_EQ(old.FieldOffset(9), kCi61Layout.accounts);
  EXPECT_EQ(old.FieldOffset(29), kCi61Layout.flagMd);
  EXPECT_EQ(old.FieldOffset(31), kCi61Layout.date);
  EXPECT_TRUE(cltest::ShownMenu(old).empty());
  old.CloseBrowse();
}

TEST_F(CodeListCis60, ListingGivesASecondLineOnlyAbove100WithSomethingInIt) {
  const CodeListSpec& spec = Cis60Spec();
  WriteData("CI60.dta", cltest::MakeRecord(spec, {{1, "045"}, {2, Pad("Mzda", 25)}, {9, "521000"}, {19, "331000"}}) +
                            cltest::MakeRecord(spec, {{1, "145"}, {2, Pad("Premie", 25)}, {17, "52 1"}, {18, "331"},
                                                      {19, "521100"}, {29, "1"}, {32, "vaše"}}) +
                            cltest::MakeRecord(spec, {{1, "146"}, {2, Pad("Nic", 25)}}));
  TfCis60 w;
  SetupCis60(w);
  w.PopupMenu1.Find("i1")->onClick(*w.PopupMenu1.Find("i1"));
  EXPECT_EQ(writer.job, "CI_OPIS");
  EXPECT_EQ(writer.width, 132);
  ASSERT_EQ(writer.lines.size(), 7u + 1 + 2 + 1);
  EXPECT_EQ(writer.lines[0], "");
  EXPECT_NE(writer.lines[2].find(Cz("Klíče ML od roku 2008 (60)") + std::string(20, ' ') + "List:  1 Datum: 06.12.26"),
            std::string::npos);
  const std::string columns = Cz("KL  Název") + std::string(21, ' ') + "SDZSOP " + Cz("úč.MD  úč.DAL MD01   DAL01  ");
  EXPECT_EQ(writer.lines[4].substr(0, columns.size()), columns);
  EXPECT_EQ(writer.lines[5].substr(0, 44), "      M D" + std::string(28, ' ') + "MD05   ");
  EXPECT_EQ(writer.lines[6], std::string(132, '='));
  const std::string blanks6(6, ' ');
  std::string accounts;  // fields 10 to 16 blank, each followed by a blank
  for (int f = 10; f <= 16; ++f) accounts += blanks6 + " ";
  // 045: one line; fields 17 and 18 blank leave two blanks before the note.
  EXPECT_EQ(writer.lines[7], "045 " + Pad("Mzda", 25) + " " + blanks6 + " 521000 " + accounts + " " + std::string(50, ' '));
  // 145: line 1 joins 17 and 18 without blanks; line 2 carries flag 29 and field 19.
  EXPECT_EQ(writer.lines[8],
            "145 " + Pad("Premie", 25) + " " + blanks6 + " " + blanks6 + " " + accounts + "521331 " + std::string(50, ' '));
  std::string second = "     1  " + std::string(33, ' ') + "521100 ";
  for (int f = 20; f <= 26; ++f) second += blanks6 + " ";
  EXPECT_EQ(writer.lines[9], (second + Cz("vaše") + std::string(46, ' ')).substr(0, 132));
  // 146: its second line would hold only blanks.
  EXPECT_EQ(writer.lines[10].substr(0, 4), "146 ");
  w.CloseBrowse();
}

TEST_F(CodeListCis60, ListingPageHoldsLimRadLessTwoCountingBothLines) {
  const CodeListSpec& spec = Cis60Spec();
  std::string bytes;
  for (const char* key : {"101", "102", "103"}) bytes += cltest::MakeRecord(spec, {{1, key}, {19, "521000"}});
  WriteData("CI60.dta", bytes);
  common::CurrentSession().LimRad = 12;  // 7 after the header: two records of two lines, then 11 > 10
  TfCis60 w;
  SetupCis60(w);
  w.PrintListing();
  int pages = 0;
  for (const std::string& line : writer.lines) pages += line == "\f";
  EXPECT_EQ(pages, 1);  // the form feed of page 2 only
  ASSERT_EQ(writer.lines.size(), 7u + 4 + 8 + 2);
  EXPECT_EQ(writer.lines[11], "\f");
  w.CloseBrowse();
}

TEST_F(CodeListCis60, DeletingTheOnlyRecordAndClosingLeavesAnEmptyFile) {
  cltest::CodeListTest::WriteList(Cis60Spec(), {"045"});
  TfCis60 w;
  SetupCis60(w);
  w.DeleteRecord(1);
  EXPECT_EQ(FileKeys(Cis60Spec()), Strings{"   "});
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI60.dta").size(), 0u);
}

TEST_F(CodeListCis60, SortsStampTheReferenceCopyOnlyAndDropDeletedKeys) {
  const std::string reference = DataPath("vzor60.dta");
  const struct {
    bool reference;
    Strings dates;
  } cases[] = {{false, {kOld, kOld}}, {true, {kToday, kToday}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reference);
    const std::string file = c.reference ? "vzor60.dta" : "CI60.dta";
    WriteData(file, Make(Cis60Spec(), "   ") + Make(Cis60Spec(), "020") + Make(Cis60Spec(), "010"));
    if (c.reference) {
      TfCis60b w;
      SetupCis60b(w, "=" + reference);
      w.CloseBrowse();  // record 1 deleted and nobody else holds it: sorted
    } else {
      TfCis60 w;
      SetupCis60(w);
      w.CloseBrowse();
    }
    const std::string bytes = ReadData(file);
    EXPECT_EQ(cltest::Column(Cis60Spec(), bytes, 1), (Strings{"010", "020"}));
    EXPECT_EQ(cltest::Column(Cis60Spec(), bytes, 35), c.dates);
  }
}

TEST_F(CodeListCis60, OldListIsSortedAndStampedOnlyWhenItsFirstKeyIsDeleted) {
  const CodeListSpec& spec = Cis61Spec();
  const struct {
    Strings keys, after, dates;
  } cases[] = {{{"   ", "020", "010"}, {"010", "020"}, {kToday, kToday}},
               {{"020", "   ", "010"}, {"020", "   ", "010"}, {kOld, kOld, kOld}}};
  for (const auto& c : cases) {
    std::string bytes;
    for (const std::string& k : c.keys) bytes += Make(spec, k);
    WriteData("CI61.DTA", bytes);
    TfCis61 w;
    SetupCis61(w);
    w.CloseBrowse();
    const std::string after = ReadData("CI61.DTA");
    EXPECT_EQ(cltest::Column(spec, after, 1), c.after);
    EXPECT_EQ(cltest::Column(spec, after, 31), c.dates);
    if (c.dates[0] == kOld) {
      EXPECT_EQ(after, bytes);
    }
  }
}

TEST_F(CodeListCis60, EditStampsTheFirmListButAnAppendDoesNot) {
  cltest::CodeListTest::WriteList(Cis60Spec(), {"010", "030"});
  TfCis60 w;
  SetupCis60(w);
  w.RecordBuffer = cltest::MakeRecord(Cis60Spec(), {{1, "040"}});
  ASSERT_TRUE(w.AppendRecord());
  EXPECT_EQ(Dates(Cis60Spec()), (Strings{kOld, kOld, kOld}));
  w.GoToRecord(1, 0);
  edit.Type("020").Keys("F2");
  w.EditRecord();
  EXPECT_EQ(FileKeys(Cis60Spec()), (Strings{"020", "030", "040"}));
  EXPECT_EQ(Dates(Cis60Spec()), (Strings{kToday, kOld, kOld}));
  w.CloseBrowse();
}

}  // namespace
