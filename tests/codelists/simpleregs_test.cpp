// The simple registers: countries, excise tax rates, payment methods and text lists,
// kept in entry order with deletes in place; their listings and pickers.
#include "codelists/registers.h"
#include "common/numbers.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;
using RegistersSimple = cltest::CodeListTest;

int FormFeeds(const std::vector<std::string>& lines) {
  int n = 0;
  for (const std::string& l : lines) n += l == "\f";
  return n;
}

std::string TextFile(const Strings& texts) {
  std::string bytes;
  for (const std::string& t : texts) bytes += cltest::MakeRecord(TXT1Spec(), {{1, t}});
  return bytes;
}

TEST_F(RegistersSimple, CountriesAppendAndADeleteLeavesTheMarkerInPlace) {
  TfStaty& w = fStaty();
  SetupStaty(w);
  edit.Type("CZ").Keys("Down").Type("Česko").Keys("F2");
  w.NewRecord();
  edit.Type("SK").Keys("Down").Type("Slovensko").Keys("F2");
  w.NewRecord();
  ASSERT_EQ(ReadData("Staty.dta").size(), 464u);
  w.GoToRecord(1, 0);
  w.DeleteRecord(w.Current);
  const std::string bytes = ReadData("Staty.dta");
  ASSERT_EQ(bytes.size(), 464u);
  EXPECT_EQ(bytes.substr(0, 5), "\x04....");
  EXPECT_EQ(bytes.substr(5, 227), w.RecordTemplate.substr(5, 227));
  EXPECT_EQ(Trimmed(cltest::Column(StatySpec(), bytes, 2)), (Strings{"", "Slovensko"}));
  EXPECT_EQ(w.Count, 2);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("Staty.dta"), bytes);  // the close never sorts
}

TEST_F(RegistersSimple, CountryListingHasAFormFeedOnEveryPage) {
  common::CurrentSession().LimRad = 10;
  common::CurrentSession().FirmTitle = "Firma";
  std::string bytes;
  for (const char* code : {"CZ", "SK", "....", "AT"}) bytes += cltest::MakeRecord(StatySpec(), {{1, code}, {2, "Země " + std::string(code)}});
  WriteData("Staty.dta", bytes);
  TfStaty& w = fStaty();
  SetupStaty(w);
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{"A1 Opis"}));
  Show(w);
  backend.PressKeys("Ctrl+O");
  EXPECT_EQ(writer.job, "Staty");
  EXPECT_EQ(writer.width, 140);
  const auto& lines = writer.lines;
  // The page turns when the counter reaches LimRad: three records on the first page.
  ASSERT_EQ(lines.size(), 8u + 3u + 8u + 1u);
  EXPECT_EQ(lines[0], "\f");
  EXPECT_EQ(lines[3], "Firma" + std::string(13, ' ') + Cz("Seznam států") + std::string(10, ' ') + "List:  1 Datum: 06.12.26");
  EXPECT_EQ(lines[5].size(), 132u);
  EXPECT_TRUE(lines[10].starts_with("....")) << lines[10];  // a deleted country prints like any other
  EXPECT_EQ(lines[11], "\f");
  EXPECT_EQ(FormFeeds(lines), 2);
  for (const std::string& l : lines) EXPECT_LE(l.size(), 132u);
  w.CloseBrowse();
}

TEST_F(RegistersSimple, AnEmptyCountryListPrintsNothing) {
  TfStaty& w = fStaty();
  SetupStaty(w);
  w.CodeListPrint();
  EXPECT_EQ(writer.opened, 0);
  w.CloseBrowse();
}

TEST_F(RegistersSimple, ExciseTaxDeleteAsksFirst) {
  WriteData("SpotrDan.dta", cltest::MakeRecord(SpotrDanSpec(), {{1, "Nafta"}, {2, "10.950"}}));
  const std::string before = ReadData("SpotrDan.dta");
  ASSERT_NE(common::GetReal48(before, 21), 0.0);
  TfSpotrDan& w = fSpotrDan();
  SetupSpotrDan(w);
  EXPECT_EQ(w.HeaderLine, Cz("Název paliva         Spotřební daň"));
  EXPECT_EQ(w.Current, 1);
  EXPECT_TRUE(cltest::ShownMenu(w).empty());
  for (int key : {ui::vk::Esc, ui::vk::Letter('A')}) {  // no, then "Ano"
    backend.AnswerNextModal([&, key](ui::Form&) { backend.Press(key); });
    w.DeleteRecord(w.Current);
  }
  const std::string after = ReadData("SpotrDan.dta");
  ASSERT_EQ(after.size(), 27u);
  EXPECT_EQ(common::GetCounted(after, 0, 20), std::string(20, ' '));
  EXPECT_EQ(after.substr(21, 6), std::string(6, '\0'));
  w.CloseBrowse();
}

TEST_F(RegistersSimple, ExciseTaxDeclinedDeleteLeavesTheFile) {
  WriteData("SpotrDan.dta", cltest::MakeRecord(SpotrDanSpec(), {{1, "Nafta"}, {2, "10.950"}}));
  const std::string before = ReadData("SpotrDan.dta");
  TfSpotrDan& w = fSpotrDan();
  SetupSpotrDan(w);
  backend.AnswerNextModal([&](ui::Form&) { backend.Press(ui::vk::Esc); });
  w.DeleteRecord(w.Current);
  EXPECT_EQ(ReadData("SpotrDan.dta"), before);
  edit.Type("Benzin").Keys("F2");  // a new entry starts with a tax of 0
  w.NewRecord();
  const std::string after = ReadData("SpotrDan.dta");
  ASSERT_EQ(after.size(), 54u);
  EXPECT_EQ(after.substr(0, 27), before);
  EXPECT_EQ(after.substr(48, 6), std::string(6, '\0'));
  w.ShowHelp(0);  // F1 does nothing
  EXPECT_TRUE(backend.journal().empty() || backend.journal().back().find("fPozri") == std::string::npos);
  w.CloseBrowse();
}

TEST_F(RegistersSimple, APaymentMethodDeleteLeavesABlankRecordWithoutAQuestion) {
  WriteData("ofzpu.dta", cltest::MakeRecord(OFZpUhSpec(), {{1, "Hotově"}}) + cltest::MakeRecord(OFZpUhSpec(), {{1, "Převodem"}}));
  TfOFZpUh& w = fOFZpUh();
  SetupOFZpUh(w);
  w.GoToRecord(1, 0);
  w.DeleteRecord(w.Current);  // a question would be an unanswered modal window
  const std::string bytes = ReadData("ofzpu.dta");
  ASSERT_EQ(bytes.size(), 38u);
  EXPECT_EQ(common::GetCounted(bytes, 0, 18), std::string(18, ' '));
  EXPECT_EQ(Trimmed(cltest::Column(OFZpUhSpec(), bytes, 1)), (Strings{"", Cz("Převodem")}));
  w.CloseBrowse();
}

TEST_F(RegistersSimple, TextSortDropsBlanksAndOrdersUpperCased) {
  const struct {
    Strings texts;
    Strings sorted;
  } cases[] = {{{"b", "", "a"}, {"a", "b"}},
               {{"čaj", "zelí", "Áčko", "auto"}, {"auto", "zelí", "Áčko", "čaj"}},  // accented capitals last
               {{""}, {""}}};                                                        // one record: nothing
  for (const auto& c : cases) {
    SCOPED_TRACE(c.texts.front());
    WriteData("provozy.dta", TextFile(c.texts));
    TfTXT1& w = fTXT1();
    SetupTXT1(w, "provozy.dta", "Provoz");
    w.SortTexts();
    const std::string bytes = ReadData("provozy.dta");
    EXPECT_EQ(bytes.size(), 31u * c.sorted.size());
    Strings expected;
    for (const std::string& s : c.sorted) expected.push_back(Cz(s));
    EXPECT_EQ(Trimmed(cltest::Column(TXT1Spec(), bytes, 1)), expected);
    w.CloseBrowse();
  }
}

TEST_F(RegistersSimple, TextListSetupKeyColumnsAndListing) {
  common::CurrentSession().FirmTitle = "Firma";
  WriteData("provozy.dta", TextFile({"Dílna", "Sklad"}));
  TfTXT1& w = fTXT1();
  SetupTXT1(w, "provozy.dta", "Provoz");
  EXPECT_EQ(w.HeaderLine, "     Provoz" + std::string(24, ' ') + " ");
  EXPECT_EQ(w.Field(1).caption, "Provoz ");
  EXPECT_EQ(w.EditTitle, " Provoz ");
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{"A1 Opis", Cz("b1 Setřiď")}));
  EXPECT_EQ(w.RecordKey(0), std::string(30, ' '));
  EXPECT_EQ(common::StripRightSp(w.RecordKey(2)), "Sklad");
  EXPECT_TRUE(w.RecordToColumns(2).starts_with("   2 Sklad"));
  w.PrintListing(w.Current);
  EXPECT_EQ(writer.job, "TEXTY");
  EXPECT_EQ(writer.width, 132);
  const Strings expected = {"\f", "", "",
                            "Firma" + std::string(13, ' ') + "Provoz " + std::string(33, ' ') + "L:  1 D:06.12.26", "",
                            "Provoz", std::string(94, '='), "", Cz("Dílna") + std::string(25, ' '), "Sklad" + std::string(25, ' ')};
  EXPECT_EQ(writer.lines, expected);
  w.CloseBrowse();
}

TEST_F(RegistersSimple, NewAndDeletedTextsStayWhereTheyAre) {
  WriteData("provozy.dta", TextFile({"Dílna", "Sklad"}));
  TfTXT1& w = fTXT1();
  SetupTXT1(w, "provozy.dta", "Provoz");
  edit.Type("Kancelář").Keys("F2");
  w.NewRecord();
  EXPECT_TRUE(w.Changed);
  w.GoToRecord(1, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(Trimmed(cltest::Column(TXT1Spec(), ReadData("provozy.dta"), 1)), (Strings{"", "Sklad", Cz("Kancelář")}));
  w.CloseBrowse();
}

TEST_F(RegistersSimple, PickersGiveTheChosenRecordOrNothing) {
  WriteData("Staty.dta", cltest::MakeRecord(StatySpec(), {{1, "CZ"}, {2, "Česko"}}) +
                             cltest::MakeRecord(StatySpec(), {{1, "SK"}, {2, "Slovensko"}}));
  WriteData("provozy.dta", TextFile({"Dílna", "Sklad"}));
  for (const char* key : {"Enter", "Esc"}) {
    SCOPED_TRACE(key);
    const bool enter = std::string(key) == "Enter";
    backend.AnswerNextModal([&](ui::Form&) { backend.PressKeys(std::string("Up ") + key); });
    const auto country = PickCountry();
    ASSERT_EQ(country.has_value(), enter);
    if (country) {
      EXPECT_EQ(common::StripRightSp(country->code), "CZ");
      EXPECT_EQ(common::StripRightSp(country->name), Cz("Česko"));
    }
    EXPECT_FALSE(fStaty().DataFileUsable());
    backend.AnswerNextModal([&](ui::Form&) { backend.PressKeys(key); });
    const auto text = PickText("provozy.dta", "Provoz");
    ASSERT_EQ(text.has_value(), enter);
    if (text) {
      EXPECT_EQ(common::StripRightSp(*text), "Sklad");
    }
  }
}

}  // namespace
