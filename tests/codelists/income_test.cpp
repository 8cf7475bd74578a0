// The income-statement outlines 21, 22, 24 and 25: their tables, the stamp on every
// write, the copy of list 22 into list 24 and the loads of 24 and 25.
#include "codelists/ci01load.h"
#include "codelists/income.h"
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
using CodeListCis2x = cltest::CodeListTest;

std::string Row22(const std::string& row, const std::string& name, const std::string& to1, const std::string& to2,
                  const std::string& statement, const std::string& account) {
  return cltest::MakeRecord(Cis22Spec(), {{1, row}, {2, name}, {3, to1}, {4, to2}, {5, statement}, {6, account}});
}

TEST_F(CodeListCis2x, SetupValuesOfTheFourLists) {
  const struct {
    CodeListWindow& w;
    std::function<void()> setup;
    int length;
    const char* tag;
    const char* keys;
    const char* caption;
    Strings menu;
  } cases[] = {
      {fCis21(), [] { SetupCis21(fCis21()); }, 57, " CI21 ", " F1-Help  F10=Opis  F4-Nová ", "Výsledovka 21", {"c1 Opis"}},
      {fCis22(), [] { SetupCis22(fCis22()); }, 64, " CI22 ", " F1-Help  F10=Opis  F4-Nová ", "Výsledovka 22",
       {"c1 Opis", "k1 CI22 -> CI24"}},
      {fCis24(), [] { SetupCis24(fCis24()); }, 57, " CI24 ", " F1-Help F4-Nová ", "Výsledovka 24",
       {"c1 Opis", Cz("i1 Načti z číselníku")}},
      {fCis25(), [] { SetupCis25(fCis25()); }, 57, " CI25 ", " F1-Help F4-Nová ", "Výsledovka 25",
       {"c1 Opis", Cz("i1 Načti z číselníku")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    c.setup();
    EXPECT_EQ(c.w.RecordLength, c.length);
    EXPECT_EQ(c.w.EditTitle, c.tag);
    EXPECT_EQ(c.w.KeyHelpLine, Cz(c.keys));
    EXPECT_EQ(c.w.caption(), Cz(c.caption));
    EXPECT_EQ(c.w.FieldOffset(c.w.FieldCount), c.length == 64 ? 57 : 50);
    EXPECT_EQ(c.w.FieldOf(c.w.RecordTemplate, c.w.FieldCount), kToday);
    EXPECT_EQ(cltest::ShownMenu(c.w), c.menu);
    c.w.CloseBrowse();
  }
}

TEST_F(CodeListCis2x, EveryWriteStampsAndTheCloseDropsADeletedRow) {
  WriteList(Cis21Spec(), {"010", "020", "030"});
  TfCis21& w = fCis21();
  SetupCis21(w);
  w.GoToRecord(2, 0);
  w.DeleteRecord(w.Current);
  // The delete's write and the record the move shifted carry today's date.
  EXPECT_EQ(FileKeys(Cis21Spec()), (Strings{"   ", "010", "030"}));
  EXPECT_EQ(Dates(Cis21Spec()), (Strings{kToday, kToday, kOld}));
  w.CloseBrowse();
  EXPECT_EQ(FileKeys(Cis21Spec()), (Strings{"010", "030"}));
  EXPECT_EQ(Dates(Cis21Spec()), (Strings{kToday, kToday}));
}

TEST_F(CodeListCis2x, CopyOf22Into24TwiceDoublesTheRows) {
  WriteData("CI22.DTA", Row22("010", "Tržby", "100", "200", "  I.  ", "601000") + Row22("020", "Náklady", "300", "   ", " II.  ", "501000"));
  WriteList(Cis24Spec(), {"005"});
  TfCis22& w = fCis22();
  SetupCis22(w);
  ui::MenuItem* item = w.PopupMenu1.Find("k1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  item->onClick(*item);
  EXPECT_FALSE(fCis24().DataFileUsable());  // list 24 closed again
  const std::string after = ReadData("CI24.DTA");
  ASSERT_EQ(after.size(), 5u * 57u);
  const auto field = [&](int f) { return cltest::Column(Cis24Spec(), after, f); };
  EXPECT_EQ(field(1), (Strings{"005", "010", "020", "010", "020"}));
  EXPECT_EQ(Trimmed(field(2)), (Strings{"Text 005", Cz("Tržby"), Cz("Náklady"), Cz("Tržby"), Cz("Náklady")}));
  EXPECT_EQ(field(3), (Strings{"   ", "100", "300", "100", "300"}));
  EXPECT_EQ(field(4), (Strings{"   ", "200", "   ", "200", "   "}));
  EXPECT_EQ(field(5), (Strings{"      ", "601000", "501000", "601000", "501000"}));  // the account, not the statement row
  EXPECT_EQ(field(6), (Strings{kOld, kToday, kToday, kToday, kToday}));
  // List 22 is left as it was.
  EXPECT_EQ(cltest::Column(Cis22Spec(), ReadData("CI22.DTA"), 7), (Strings{kOld, kOld}));
}

TEST_F(CodeListCis2x, TheCopySortsList24OnlyWhenItsFirstRowIsDeletedAndTheFileIsFree) {
  std::string deleted = cltest::MakeRecord(Cis24Spec(), {});
  common::PutCounted(deleted, 0, "   ", 3);
  WriteData("CI24.DTA", deleted + cltest::MakeRecord(Cis24Spec(), {{1, "300"}}));
  WriteData("CI22.DTA", Row22("010", "A", "   ", "   ", "      ", "      "));
  TfCis22& w = fCis22();
  SetupCis22(w);
  w.k1Click();
  EXPECT_EQ(FileKeys(Cis24Spec()), (Strings{"010", "300"}));
}

TEST_F(CodeListCis2x, LoadOf24And25FromTheCombinedFile) {
  for (const char* list : {"24", "25"}) {
    SCOPED_TRACE(list);
    const std::string l = list;
    WriteData("CI01.DTA", cltest::Joined({
                              Ci01(l, "000100", "3", "00", {"Výnosy", " celk."}),
                              Ci01(l, "000100", "3", "10", {"020010", "", "", "601000"}),
                              Ci01(l, "000100", "3", "10", {"030040", "", "", "602000"}),  // the last "10" line wins
                              Ci01(l, "000200", "2", "00", {"Nadpis"}),                     // P not 3: ignored
                              Ci01(l, "000100", "3", "11", {"999999"}),                     // other lines: group only
                              Ci01("21", "000300", "3", "00", {"Jiný"}),
                              Ci01(l, "000400", "3", "10", {"050060", "", "", "604000"}),  // no name line
                          }));
    WriteList(l == "24" ? Cis24Spec() : Cis25Spec(), {"001"});
    CodeListWindow& w = l == "24" ? static_cast<CodeListWindow&>(fCis24()) : fCis25();
    l == "24" ? SetupCis24(fCis24()) : SetupCis25(fCis25());
    ui::MenuItem* item = w.PopupMenu1.Find("i1");
    ASSERT_NE(item, nullptr);
    item->onClick(*item);
    const CodeListSpec& spec = w.spec();
    const std::string after = ReadData(std::string(spec.file));
    const auto field = [&](int f) { return cltest::Column(spec, after, f); };
    EXPECT_EQ(field(1), (Strings{"001", "100", "000"}));
    EXPECT_EQ(Trimmed(field(2)), (Strings{"Text 001", Cz("Výnosy celk."), ""}));
    EXPECT_EQ(field(3), (Strings{"   ", "040", "060"}));
    EXPECT_EQ(field(4), (Strings{"   ", "030", "050"}));
    EXPECT_EQ(field(5), (Strings{"      ", "602000", "604000"}));
    EXPECT_EQ(field(6), (Strings{kOld, kToday, kToday}));
    w.CloseBrowse();
  }
}

TEST_F(CodeListCis2x, AFileOfNoneOrOneRecordLoadsNothing) {
  for (const std::string& ci01 : {std::string(), Ci01("24", "000100", "3", "00", {"Jeden"})}) {
    WriteData("CI01.DTA", ci01);
    WriteList(Cis24Spec(), {"001"});
    TfCis24& w = fCis24();
    SetupCis24(w);
    EXPECT_EQ(LoadCis24FromCI01(w), 0);
    EXPECT_EQ(FileKeys(Cis24Spec()), (Strings{"001"}));
    w.CloseBrowse();
  }
}

}  // namespace
