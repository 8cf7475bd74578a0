// The small code lists 62, 63, 35 and 51: their tables, the deleted keys (35's of
// length 2 in a field of 3), the stamp on every write, 63's recode, 51's int32, and the
// loads of 35 and 51 from the combined file.
#include "codelists/ci01load.h"
#include "codelists/small.h"
#include "common/codepages.h"
#include "common/locking.h"
#include "tests/codelists/ci01kit.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::Ci01;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;
using CodeListSmall = cltest::CodeListTest;

TEST_F(CodeListSmall, SetupValuesOfTheFourLists) {
  const struct {
    CodeListWindow& w;
    std::function<void()> setup;
    int length;
    const char* caption;
    const char* tag;
    Strings menu;
  } cases[] = {
      {fCis62(), [] { SetupCis62(fCis62()); }, 41, "Kategorie prac.", " CI62 ", {"c1 Opis"}},
      {fCis63(), [] { SetupCis63(fCis63()); }, 26, "Kalendář", " CI63 ", {"c1 Opis", Cz("j1 Překóduj")}},
      {fCis35(), [] { SetupCis35(fCis35()); }, 44, "Činnosti", " CI35 ", {"c1 Opis", Cz("i1 Načti z číselníků")}},
      {fCis51(), [] { SetupCis51(fCis51()); }, 18, "Odborové známky", " CI51 ", {"c1 Opis", Cz("i1 Načti z číselníků")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    c.setup();
    EXPECT_EQ(c.w.RecordLength, c.length);
    EXPECT_EQ(c.w.caption(), Cz(c.caption));
    EXPECT_EQ(c.w.EditTitle, c.tag);
    EXPECT_EQ(c.w.KeyHelpLine, Cz(" F1-Help  F10=Opis  F4-Nová "));
    EXPECT_EQ(c.w.FieldOf(c.w.RecordTemplate, c.w.FieldCount), kToday);
    Strings menu = cltest::ShownMenu(c.w);
    std::sort(menu.begin(), menu.end());
    Strings want = c.menu;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(menu, want);
    c.w.CloseBrowse();
  }
  EXPECT_EQ(fCis51().FieldOffset(2), 7);
  EXPECT_EQ(fCis51().FieldOffset(3), 11);
}

TEST_F(CodeListSmall, DeletingAMonthAndAFreeCloseShrinksTheFileBy26Bytes) {
  WriteList(Cis63Spec(), {"01", "02", "03"});
  TfCis63& w = fCis63();
  SetupCis63(w);
  w.GoToRecord(2, 0);
  w.DeleteRecord(w.Current);
  const std::string deleted = ReadData("CI63.DTA");
  ASSERT_EQ(deleted.size(), 78u);
  EXPECT_EQ(deleted.substr(0, 3), std::string("\x02  "));  // the key of two blanks, first
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI63.DTA").size(), 52u);
  EXPECT_EQ(FileKeys(Cis63Spec()), (Strings{"01", "03"}));
}

TEST_F(CodeListSmall, ADeletedActivityHasAKeyOfLengthTwoAndIsDropped) {
  WriteList(Cis35Spec(), {"100", "200"});
  TfCis35& w = fCis35();
  SetupCis35(w);
  w.GoToRecord(2, 0);
  w.DeleteRecord(w.Current);
  const std::string bytes = ReadData("CI35.DTA");
  EXPECT_EQ(bytes.substr(0, 3), std::string("\x02  "));
  // A key of three blanks is no deleted record: only the exact text counts.
  std::string threeBlanks = cltest::MakeRecord(Cis35Spec(), {{1, "   "}});
  WriteData("CI35.DTA", bytes + threeBlanks);
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis35Spec()), (Strings{"   ", "100"}));
}

TEST_F(CodeListSmall, AfterDeletingOneOfFiveCategoriesTheKeptFourCarryToday) {
  WriteList(Cis62Spec(), {"01", "02", "03", "04", "05"});
  TfCis62& w = fCis62();
  SetupCis62(w);
  w.GoToRecord(3, 0);
  w.DeleteRecord(w.Current);
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis62Spec()), (Strings{"01", "02", "04", "05"}));
  EXPECT_EQ(Dates(Cis62Spec()), Strings(4, kToday));
}

TEST_F(CodeListSmall, TheCloseDoesNotSortWhileAnotherUserHoldsTheFile) {
  WriteList(Cis62Spec(), {"01", "02"});
  TfCis62& w = fCis62();
  SetupCis62(w);
  w.GoToRecord(2, 0);
  w.DeleteRecord(w.Current);
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis62Spec()), (Strings{"  ", "01"}));
  common::UnlockFile(other, w.DataFilePath);
}

TEST_F(CodeListSmall, ANewStampLeftBlankCarriesTheDeletedKey) {
  WriteData("CI51.DTA", cltest::MakeRecord(Cis51Spec(), {{1, "000100"}, {2, "25"}}));
  TfCis51& w = fCis51();
  SetupCis51(w);
  edit.Keys("Down").Type("7").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(FileKeys(Cis51Spec()), (Strings{"      ", "000100"}));  // shown first
  const std::string bytes = ReadData("CI51.DTA");
  EXPECT_EQ(common::GetLE<std::int32_t>(bytes, 7), 7);
  EXPECT_EQ(common::GetLE<std::int32_t>(bytes, 18 + 7), 25);
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis51Spec()), (Strings{"000100"}));  // dropped by the close
}

TEST_F(CodeListSmall, RecodeOfTheMonthNames) {
  WriteData("CI63.DTA", cltest::MakeRecord(Cis63Spec(), {{1, "01"}, {2, "Leden"}}));
  std::string name = common::Cp1250ToKamenicky(Cz("Únor"));
  name.resize(12, ' ');
  std::string rec = cltest::MakeRecord(Cis63Spec(), {{1, "02"}});
  common::PutCounted(rec, 3, name, 12);
  WriteData("CI63.DTA", ReadData("CI63.DTA") + rec);
  TfCis63& w = fCis63();
  SetupCis63(w);
  ui::MenuItem* item = w.PopupMenu1.Find("j1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  EXPECT_EQ(Trimmed(Texts(Cis63Spec())), (Strings{"Leden", Cz("Únor")}));
  EXPECT_EQ(Dates(Cis63Spec()), Strings(2, kToday));
}

TEST_F(CodeListSmall, LoadOfTheActivities) {
  WriteData("CI01.DTA", cltest::Joined({
                            Ci01("35", "000120", "2", "00", {"Vyroba"}, "221010"),
                            cltest::Ci01Other(),
                        }));
  WriteList(Cis35Spec(), {"001"});
  TfCis35& w = fCis35();
  SetupCis35(w);
  ui::MenuItem* item = w.PopupMenu1.Find("i1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  const std::string after = ReadData("CI35.DTA");
  ASSERT_EQ(after.size(), 2u * 44u);
  const auto field = [&](int f) { return cltest::Column(Cis35Spec(), after, f); };
  EXPECT_EQ(field(1), (Strings{"001", "12."}));
  EXPECT_EQ(field(2)[1], "Vyroba" + std::string(24, ' '));
  EXPECT_EQ(field(3), (Strings{" ", "A"}));
  EXPECT_EQ(field(4), (Strings{kOld, kToday}));  // the append stamps over the combined date
}

TEST_F(CodeListSmall, ActivityKeysByLevel) {
  const struct {
    const char* p;
    const char* key;
    const char* heading;
  } cases[] = {{"3", "123", " "}, {"2", "12.", "A"}, {"1", "1..", "A"}, {"0", "...", "A"}, {"4", "123", "A"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.p);
    WriteData("CI01.DTA", cltest::Joined({Ci01("35", "000123", c.p, "00", {"Text"}), cltest::Ci01Other()}));
    WriteData("CI35.DTA", "");
    TfCis35& w = fCis35();
    SetupCis35(w);
    EXPECT_EQ(LoadCis35FromCI01(w), 1);
    EXPECT_EQ(FileKeys(Cis35Spec()), (Strings{c.key}));
    EXPECT_EQ(cltest::Column(Cis35Spec(), ReadData("CI35.DTA"), 3), (Strings{c.heading}));
    w.CloseBrowse();
  }
}

TEST_F(CodeListSmall, AGroupWithoutANameLineKeepsTheTemplate) {
  WriteData("CI01.DTA", cltest::Joined({Ci01("35", "000200", "3", "10", {"x"}), Ci01("35", "000300", "3", "00", {"Sklad"})}));
  WriteData("CI35.DTA", "");
  TfCis35& w = fCis35();
  SetupCis35(w);
  EXPECT_EQ(LoadCis35FromCI01(w), 2);
  EXPECT_EQ(FileKeys(Cis35Spec()), (Strings{"000", "300"}));
  EXPECT_EQ(Trimmed(Texts(Cis35Spec())), (Strings{"", "Sklad"}));
}

TEST_F(CodeListSmall, LoadOfTheUnionStamps) {
  WriteData("CI01.DTA", cltest::Joined({
                            Ci01("51", "000100", "3", "00", {"    25"}),
                            Ci01("51", "000200", "3", "00", {"    40"}),
                            Ci01("51", "000300", "0", "00", {"    99"}),  // level 0: not a stamp
                        }));
  WriteData("CI51.DTA", cltest::MakeRecord(Cis51Spec(), {{1, "000050"}, {2, "5"}}));
  TfCis51& w = fCis51();
  SetupCis51(w);
  ui::MenuItem* item = w.PopupMenu1.Find("i1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  const std::string after = ReadData("CI51.DTA");
  ASSERT_EQ(after.size(), 3u * 18u);
  EXPECT_EQ(FileKeys(Cis51Spec()), (Strings{"000050", "000100", "000200"}));
  EXPECT_EQ(after.substr(18 + 7, 4), std::string("\x19\x00\x00\x00", 4));
  EXPECT_EQ(after.substr(36 + 7, 4), std::string("\x28\x00\x00\x00", 4));
  EXPECT_EQ(Dates(Cis51Spec()), (Strings{kOld, kToday, kToday}));
  // The last line of a stamp decides its contribution, whatever its line number.
  WriteData("CI01.DTA", cltest::Joined({Ci01("51", "000700", "3", "00", {"1"}), Ci01("51", "000700", "3", "10", {"-3"})}));
  EXPECT_EQ(LoadCis51FromCI01(w), 1);
  EXPECT_EQ(common::GetLE<std::int32_t>(ReadData("CI51.DTA"), 3 * 18 + 7), -3);
}

}  // namespace
