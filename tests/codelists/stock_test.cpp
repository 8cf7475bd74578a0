// The stock movement kinds: the account prefix rewrite, the stamp on every write,
// the kept-open life and the end-of-run close.
#include "codelists/stock.h"
#include "common/locking.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::kToday;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;
using CodeListCis15 = cltest::CodeListTest;

TEST_F(CodeListCis15, PrefixTable) {
  const struct {
    const char* from;
    const char* to;
  } cases[] = {{"611xyz", "581xyz"}, {"612000", "582000"}, {"613", "583"},     {"614999", "584999"},
               {"621100", "585100"}, {"622", "586"},       {"623001", "587001"}, {"624   ", "588   "},
               {"610999", "610999"}, {" 611", " 611"},     {"61", "61"},         {"", ""},
               {"625000", "625000"}, {"581000", "581000"}};
  for (const auto& c : cases) EXPECT_EQ(RewriteAccountPrefix(c.from), c.to) << c.from;
}

TEST_F(CodeListCis15, SetupValues) {
  TfCis15& w = fCis15();
  SetupCis15(w);
  EXPECT_EQ(w.RecordLength, 272);
  EXPECT_EQ(w.FieldCount, 43);
  EXPECT_EQ(w.Field(3).caption, Cz(" 1.skladový účet "));
  EXPECT_EQ(w.Field(39).caption, Cz("10.skladový účet "));
  EXPECT_EQ(w.Field(42).column, 60);
  EXPECT_EQ(w.Field(43).line, 12);
  EXPECT_EQ(w.EditTitle, " CI15 ");
  EXPECT_EQ(w.KeyHelpLine, Cz(" F1-Help  F10=Opis  F4-Nová "));
  EXPECT_EQ(w.FieldOf(w.RecordTemplate, 43), kToday);
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{"c1 Opis", "h1 Zmena 611 -> 581"}));
}

TEST_F(CodeListCis15, RewriteChangesTheAccountsAndStampsEveryRecord) {
  std::string bytes = cltest::MakeRecord(Cis15Spec(), {{1, "100"}, {3, "611100"}, {4, "624   "}, {5, "610000"}, {6, "6"},
                                                       {39, "622001"}, {41, "623010"}});
  bytes += cltest::MakeRecord(Cis15Spec(), {{1, "200"}, {3, "501000"}});
  bytes += cltest::MakeRecord(Cis15Spec(), {{1, "300"}, {2, "611000"}});  // the text is no account
  WriteData("CI15.DTA", bytes);
  TfCis15& w = fCis15();
  SetupCis15(w);
  ui::MenuItem* item = w.PopupMenu1.Find("h1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  const std::string after = ReadData("CI15.DTA");
  const auto field = [&](int f) { return cltest::Column(Cis15Spec(), after, f); };
  EXPECT_EQ(field(3), (Strings{"581100", "501000", "      "}));
  EXPECT_EQ(field(4), (Strings{"588   ", "      ", "      "}));
  EXPECT_EQ(field(5), (Strings{"610000", "      ", "      "}));
  EXPECT_EQ(field(6), (Strings{"6", " ", " "}));
  EXPECT_EQ(field(39), (Strings{"586001", "      ", "      "}));
  EXPECT_EQ(field(41), (Strings{"587010", "      ", "      "}));
  EXPECT_EQ(Trimmed(field(2)), (Strings{"", "", "611000"}));
  // Every record: the length byte 6 and today's date at offset 265.
  ASSERT_EQ(after.size(), 3u * 272u);
  for (std::size_t r = 0; r < 3; ++r) EXPECT_EQ(after.substr(r * 272 + 265, 7), std::string("\x06") + kToday) << r;
}

TEST_F(CodeListCis15, ASecondOpeningKeepsCurrentRecordAndMarks) {
  WriteList(Cis15Spec(), {"100", "200", "300"});
  TfCis15& w = fCis15();
  SetupCis15(w);
  w.GoToRecord(2, 0);
  w.ToggleMark(1);
  w.CloseBrowse();
  EXPECT_TRUE(w.DataFileUsable());
  SetupCis15(w);
  EXPECT_EQ(w.Current, 2);
  EXPECT_TRUE(w.IsMarked(1));
  EXPECT_EQ(common::CurrentSession().FormOpenFlags[15], 1);
}

TEST_F(CodeListCis15, ADeletedRecordWaitsForTheEndOfTheRunAndAFreeFile) {
  for (bool held : {true, false}) {
    SCOPED_TRACE(held);
    codelists::DestroyCodeListWindows();
    common::CurrentSession().FormOpenFlags[15] = 0;
    WriteList(Cis15Spec(), {"100", "200", "300"});
    TfCis15& w = fCis15();
    SetupCis15(w);
    w.GoToRecord(2, 0);
    w.DeleteRecord(w.Current);
    w.CloseBrowse();  // during the run: nothing happens
    EXPECT_EQ(Trimmed(FileKeys(Cis15Spec())), (Strings{"", "100", "300"}));
    EXPECT_TRUE(w.DataFileUsable());
    if (held) {
      ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
    }
    CloseCodeListForms();
    EXPECT_EQ(Trimmed(FileKeys(Cis15Spec())), (held ? Strings{"", "100", "300"} : Strings{"100", "300"}));
    EXPECT_FALSE(w.DataFileUsable());
    EXPECT_EQ(common::CurrentSession().FormOpenFlags[15], 0);
    if (held) common::UnlockFile(other, w.DataFilePath);
  }
}

}  // namespace
