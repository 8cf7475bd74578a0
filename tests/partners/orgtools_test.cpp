// The tools of the partner register's F10 menu over real partner files.
#include <filesystem>

#include <gtest/gtest.h>

#include "browser/indexfiles.h"
#include "common/inplace.h"
#include "common/numbers.h"
#include "common/scramble.h"
#include "common/session.h"
#include "partners/orgtools.h"
#include "reports/writer.h"
#include "tests/partners/toolkit.h"

namespace {

using common::Cz;
using partners::TfOrg;
namespace of = partners::of;

class PartnerTools : public orgtest::OrgToolFiles {
 protected:
  std::vector<std::string> Org() const { return Records(ReadData("org.dta")); }
};

TEST_F(PartnerTools, CompactionKeepsTheMarkedNumbersAndEndsTheSortedView) {
  std::vector<orgtest::Fields> list;
  for (int i = 1; i <= 8; ++i) list.push_back({{of::Name, "Firma " + std::string(1, static_cast<char>('I' - i))}});
  WritePartners(DataPath("org.dta"), list);
  TfOrg w("fOrg");
  Open(w);
  w.SortByColumn(4);  // index file 1 in name order
  w.SetSortOrder1();
  ASSERT_GT(w.ActiveOrder, 0);
  ASSERT_GT(ostest::ReadRaw(DataPath("org.dt1")).size(), 0u);
  w.MarkRecord(3);
  w.MarkRecord(7);
  w.MarkedCount = 2;
  Tool("i1");
  const auto org = Org();
  ASSERT_EQ(org.size(), 2u);
  EXPECT_EQ(TfOrg::PartnerNumber(org[0]), 3);
  EXPECT_EQ(TfOrg::PartnerNumber(org[1]), 7);
  EXPECT_EQ(Text(org[1], of::Name), "Firma B");
  EXPECT_EQ(ostest::ReadRaw(DataPath("org.dt1")).size(), 0u);
  EXPECT_EQ(w.ActiveOrder, 0);
  EXPECT_EQ(w.Count, 2);
  EXPECT_EQ(w.MarkedCount, 0);
  // Renumbering puts the numbers back in line with the records.
  Tool("k1");
  EXPECT_EQ(TfOrg::PartnerNumber(Org()[1]), 2);
  w.CloseBrowse();
}

TEST_F(PartnerTools, DicConversion) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"123-4567890", "CZ4567890"}, {"1234/567", "SK1234"}, {"CZ12345678", "CZ12345678"},
      {"123-45/67", "SKCZ45"}, {"", ""}};
  for (const auto& [from, to] : cases) {
    std::string padded = from;
    padded.resize(16, ' ');
    std::string expected = to;
    expected.resize(16, ' ');
    EXPECT_EQ(partners::ConvertDic(padded), expected) << from;
  }
  WritePartners(DataPath("org.dta"), {{{of::Dic, "123-4567890"}}, {{of::Dic, "1234/567"}}, {{of::Dic, "AB/12"}}});
  TfOrg w("fOrg");
  Open(w);
  Tool("e1");
  auto org = Org();
  EXPECT_EQ(Text(org[0], of::Dic), "CZ4567890");
  EXPECT_EQ(Text(org[1], of::Dic), "SK1234");
  Tool("h1");  // the first "/" removed (none left but in the third)
  org = Org();
  EXPECT_EQ(Text(org[2], of::Dic), "SKAB");
  w.CloseBrowse();
}

TEST_F(PartnerTools, WholeFileRepairs) {
  std::string bytes;
  for (int i = 1; i <= 3; ++i) {
    std::string r = Partner(i, {{of::Name, "Firma"}});
    common::PutCounted(r, static_cast<std::size_t>(partners::OrgOffset(of::PostalCode)), i == 2 ? "123" : "12345", 5);
    partners::PutOrgReal(r, 23, 2.5 * i);
    partners::PutOrgWord(r, of::OwnAccount, 7);
    bytes += r;
  }
  WriteData("org.dta", bytes);
  TfOrg w("fOrg");
  Open(w);
  Tool("m1");
  EXPECT_DOUBLE_EQ(partners::OrgReal(Org()[1], 23), -5.0);
  Tool("m1");
  EXPECT_EQ(ReadData("org.dta"), bytes);  // twice: as it was
  Tool("l1");
  for (const std::string& r : Org()) EXPECT_EQ(partners::OrgWord(r, of::OwnAccount), 0);
  Tool("j1");
  EXPECT_EQ(Messages(), std::vector<std::string>{"    2"});
  w.CloseBrowse();
}

TEST_F(PartnerTools, MarkedPartnersScrambledBlankedAndMoved) {
  common::Session& s = common::CurrentSession();
  s.ScrambleKey = common::ProgramScrambleKey();
  WritePartners(DataPath("org.dta"), {{{of::Name, "Dub"}, {21, "A1"}, {30, "stará"}}, {{of::Name, "Lípa"}}});
  const std::string before = ReadData("org.dta");
  TfOrg w("fOrg");
  Open(w);
  w.MarkRecord(1);
  w.MarkedCount = 1;
  Tool("Zasifruj1");
  EXPECT_NE(Text(Org()[0], of::Name), "Dub");
  EXPECT_EQ(Org()[1], Records(before)[1]);
  EXPECT_FALSE(w.IsMarked(1));
  EXPECT_EQ(s.ScrambleOn, 0);
  // Stored plain again through "Dešifruj označené" (read with scrambling on).
  w.MarkRecord(1);
  Tool("Desifruj1");
  EXPECT_EQ(ReadData("org.dta"), before);
  w.MarkRecord(1);
  w.MarkRecord(2);
  Tool("OpravLV1");
  EXPECT_EQ(Text(Org()[0], 30), Cz("A1  stará"));
  EXPECT_EQ(Text(Org()[0], 21), "");
  w.MarkRecord(2);
  Tool("Mezeradoozn1");
  EXPECT_EQ(Text(Org()[1], of::Name), Cz(" Lípa"));
  w.MarkRecord(1);
  Tool("Mezerujozn1");
  EXPECT_EQ(Org()[0], Partner(1));
  w.CloseBrowse();
}

TEST_F(PartnerTools, PlainRecordsAmongScrambledOnesAreRepaired) {
  common::Session& s = common::CurrentSession();
  s.ScrambleKey = common::ProgramScrambleKey();
  WritePartners(DataPath("org.dta"), {{{of::Name, "Dub"}, {of::Ico, "12345678"}}, {{of::Name, "Lípa"}, {of::Ico, "87654321"}}});
  {
    // Partner 1 stored scrambled as it should be; partner 2 was left plain.
    TfOrg w("fOrg2");
    partners::SetupOrg(w, "org.dta");
    w.MarkRecord(1);
    w.OrgScrambleMarked(true);
    w.CloseBrowse();
  }
  const std::string first = Org()[0];
  TfOrg w("fOrg");
  Open(w);
  Tool("VOXAOPRAVA1");
  EXPECT_EQ(Org()[0], first);
  s.ScrambleOn = 1;
  TfOrg reader("fOrg2");
  partners::SetupOrg(reader, "org.dta");
  reader.RecordReadAt(2);
  EXPECT_EQ(Text(reader.RecordBuffer, of::Ico), "87654321");
  EXPECT_EQ(Text(reader.RecordBuffer, of::Name), Cz("Lípa"));
  reader.CloseBrowse();
  w.CloseBrowse();
}

TEST_F(PartnerTools, Workstation321RepairsPlainRecordsFrom15000OnOpening) {
  common::Session& s = common::CurrentSession();
  s.ScrambleKey = common::ProgramScrambleKey();
  auto scrambled = [](std::string r) {
    partners::ScrambleOrgFields(r, true);
    return r;
  };
  // 15,002 partners stored scrambled; 14,999, 15,000 and 15,002 were left plain, and
  // 15,001 rightly holds a letter in its IČO.
  const int count = 15002;
  const std::string plainIco = Partner(1, {{of::Name, "Dub"}, {of::Ico, "12345678"}});
  const std::string letterIco = scrambled(Partner(15001, {{of::Name, "Buk"}, {of::Ico, "CZ12"}}));
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(count) * partners::kOrgRecordLength);
  for (int n = 1; n <= count; ++n) {
    if (n == 15001) {
      bytes += letterIco;
      continue;
    }
    std::string r = plainIco;
    partners::PutOrgWord(r, of::Number, static_cast<std::uint16_t>(n));
    bytes += n >= 14999 ? r : scrambled(r);
  }
  ASSERT_NE(Text(letterIco, of::Ico).find_first_not_of(" 0123456789"), std::string::npos);
  auto opened = [&](int computer, int scramble) {
    s.ComputerNo = computer;
    s.ScrambleOn = scramble;
    TfOrg w("fOrg");
    partners::SetupOrg(w, "org.dta");
    w.CloseBrowse();
    s.ScrambleOn = 0;
    return ReadData("org.dta");
  };
  WriteData("org.dta", bytes);
  EXPECT_EQ(opened(320, 1), bytes);  // another workstation
  EXPECT_EQ(opened(321, 0), bytes);  // no scrambling
  const std::string repaired = opened(321, 1);
  ASSERT_EQ(repaired.size(), bytes.size());
  const auto at = [](const std::string& b, int n) {
    return b.substr(static_cast<std::size_t>(n - 1) * partners::kOrgRecordLength, partners::kOrgRecordLength);
  };
  EXPECT_EQ(repaired.substr(0, 14999 * partners::kOrgRecordLength), bytes.substr(0, 14999 * partners::kOrgRecordLength));
  EXPECT_EQ(at(repaired, 15000), scrambled(at(bytes, 15000)));
  EXPECT_EQ(at(repaired, 15001), letterIco);
  EXPECT_EQ(at(repaired, 15002), scrambled(at(bytes, 15002)));
  EXPECT_FALSE(std::filesystem::exists(DataPath(common::RollbackCopyName("org.dta"))));
  // Now the last partner reads a letter from a properly scrambled IČO: nothing is
  // rewritten, at this opening or the next.
  EXPECT_EQ(opened(321, 1), repaired);
  std::string last = repaired;
  last.replace(static_cast<std::size_t>(count - 1) * partners::kOrgRecordLength, partners::kOrgRecordLength, letterIco);
  WriteData("org.dta", last);
  EXPECT_EQ(opened(321, 1), last);
  EXPECT_EQ(opened(321, 1), last);
  s.ComputerNo = 0;
}

TEST_F(PartnerTools, ExportOfTheQuickSalesCodes) {
  WritePartners(DataPath("org.dta"), {{{of::SalesCode, "e 1"}}, {{of::SalesCode, "X"}}, {{of::SalesCode, "EI"}}});
  TfOrg w("fOrg");
  Open(w);
  w.DbfFolder = "dbf\\";
  Tool("F1");
  const std::string dbf = ostest::ReadRaw(dir / "dbf/ORG.DBF");
  EXPECT_EQ(common::GetLE<std::uint32_t>(dbf, 4), 2u);
  EXPECT_EQ(w.MarkedCount, 0);
  EXPECT_FALSE(w.IsMarked(1));
  // No partner of those codes: no file at all (the export would take every record).
  std::filesystem::remove(dir / "dbf/ORG.DBF");
  WritePartners(DataPath("org.dta"), {{{of::SalesCode, "X"}}});
  w.DataFileReopen();
  Tool("F1");
  EXPECT_FALSE(std::filesystem::exists(dir / "dbf/ORG.DBF"));
  w.CloseBrowse();
}

TEST_F(PartnerTools, ResortLeavesAColumnSortAlone) {
  WritePartners(DataPath("org.dta"), {{{of::Name, "Dub"}}, {{of::Name, "Buk"}}});
  TfOrg w("fOrg");
  Open(w);
  w.SortByColumn(4);
  w.SetSortOrder1();
  ASSERT_EQ(w.ActiveOrder, 1);
  Tool("c1");
  EXPECT_EQ(w.ActiveOrder, 1);
  EXPECT_EQ(w.IndexCount(1), 2);
  w.CloseBrowse();
}

TEST_F(PartnerTools, TheListReportPagesByTheLineLimit) {
  struct Viewer : browser::ReportViewer {
    std::vector<std::string> files;
    int key = 0;
    void SetupReport(const std::string& f) override { files.push_back(f); }
    void SetLastKey(int k) override { key = k; }
    int LastKey() const override { return key; }
    void ShowReport() override {}
    void SetCurrentRecord(int) override {}
    void CloseBrowse() override {}
  } viewer;
  browser::SetReportServices(&viewer, nullptr, &reports::TheReportOutput());
  common::CurrentSession().LimRad = 10;
  std::vector<orgtest::Fields> list;
  for (int i = 1; i <= 8; ++i) list.push_back({{of::Name, "Člen " + std::to_string(i)}, {29, i % 2 ? " x" : "x"}});
  list.push_back({});
  WritePartners(DataPath("org.dta"), list);
  TfOrg w("fOrg");
  Open(w);
  Tool("OpisLV1");
  browser::SetReportServices(nullptr, nullptr, nullptr);
  const std::string text = ostest::ReadRaw(dir / "SEZNAM.TXT");
  EXPECT_NE(text.find(Cz("Počet celkem:    8     Počet členů:    4")), std::string::npos);
  EXPECT_NE(text.find("List:  2"), std::string::npos);
  EXPECT_EQ(text.find("List:  3"), std::string::npos);
  EXPECT_NE(text.find(Cz("    5 ") + std::string(16, ' ') + " " + Cz("Člen 5")), std::string::npos);
  EXPECT_EQ(viewer.files.size(), 1u);
  w.CloseBrowse();
}

TEST_F(PartnerTools, MailListsOfNinetyAddressesPastTenFiles) {
  std::string bytes;
  for (int i = 1; i <= 952; ++i)
    bytes += Partner(i, {{of::Email, i <= 950 ? "a" + std::to_string(i) + " @x.cz" : "bez zavináče"}});
  WriteData("org.dta", bytes);
  TfOrg w("fOrg");
  Open(w);
  Tool("Mailadresy1");
  for (int n = 0; n <= 10; ++n) {
    const std::string text = ostest::ReadRaw(dir / ("Maily" + std::to_string(n) + ".txt"));
    const auto lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_EQ(lines, n < 10 ? 90 : 50) << n;
  }
  EXPECT_EQ(ostest::ReadRaw(dir / "Maily0.txt").substr(0, 10), "a1@x.cz\r\na");
  EXPECT_EQ(ostest::ReadRaw(dir / "Maily10.txt").substr(0, 9), "a901@x.cz");
  EXPECT_FALSE(std::filesystem::exists(dir / "Maily11.txt"));
  w.CloseBrowse();
}

TEST_F(PartnerTools, CsvImportTakesShortLinesAsEmpty) {
  WritePartners(DataPath("org.dta"), {{{of::Name, "Dub"}}});
  ostest::WriteRaw(dir / "org.csv",
                   "11111111;CZ11111111;x;x;x;x;x;pozn2;pozn1;Kolo ;a syn;Dlouha;5;Brno;602 00\r\n22222222;CZ2\r\n");
  TfOrg w("fOrg");
  Open(w);
  backend.AnswerNextModal([](ui::Form& f) { f.SetModalResult(ui::mr::Cancel); });  // the chooser left: "org.csv"
  Tool("n1");
  const auto org = Org();
  ASSERT_EQ(org.size(), 3u);
  EXPECT_EQ(TfOrg::PartnerNumber(org[1]), 2);
  EXPECT_EQ(Text(org[1], of::Name), "Kolo a syn");
  EXPECT_EQ(Text(org[1], of::Street), "Dlouha 5");
  EXPECT_EQ(Text(org[1], of::PostalCode), "60200");
  EXPECT_EQ(Text(org[1], of::Note1), "pozn1");
  EXPECT_EQ(TfOrg::PartnerNumber(org[2]), 3);
  EXPECT_EQ(Text(org[2], of::Dic), "CZ2");
  EXPECT_EQ(Text(org[2], of::Name), "");
  EXPECT_EQ(Text(org[2], of::Town), "");
  EXPECT_EQ(Text(org[2], of::Note1), "");
  w.CloseBrowse();
}

TEST_F(PartnerTools, TheFileIsExtendedWithinTheSixteenBitNumbers) {
  WritePartners(DataPath("org.dta"), {{{of::Name, "Dub"}}, {{of::Name, "Lípa"}}});
  TfOrg w("fOrg");
  Open(w);
  partners::ExtendFile(w, "2");
  partners::ExtendFile(w, "70000");
  EXPECT_EQ(Org().size(), 2u);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("65535"), std::string::npos);
  partners::ExtendFile(w, "5");
  const auto org = Org();
  ASSERT_EQ(org.size(), 5u);
  for (int n = 3; n <= 5; ++n) EXPECT_EQ(TfOrg::PartnerNumber(org[static_cast<std::size_t>(n - 1)]), n);
  EXPECT_EQ(w.Count, 5);
  w.CloseBrowse();
}

TEST_F(PartnerTools, TheOlderProgramsFile) {
  TfOrg w("fOrg");
  WriteData("org.dta", "");
  Open(w);
  Tool("g1");
  EXPECT_EQ(Messages(), std::vector<std::string>{Cz("Něco je se souborem ODBER.MPS - err.:   2")});
  std::string old(309, ' ');
  auto put = [&](int at, const std::string& text, int capacity) { common::PutCounted(old, static_cast<std::size_t>(at), text, static_cast<std::size_t>(capacity)); };
  put(0, "Kolo \x87", 30);  // "Kolo č" in Kamenický
  put(62, "602 00 Brno", 30);
  put(217, "12345678", 12);
  WriteData("odber.mps", old + old);
  Tool("g1");
  const auto org = Org();
  ASSERT_EQ(org.size(), 2u);
  EXPECT_EQ(TfOrg::PartnerNumber(org[1]), 2);
  EXPECT_EQ(Text(org[0], of::Name), Cz("Kolo č"));
  EXPECT_EQ(Text(org[0], of::PostalCode), "60200");
  EXPECT_EQ(Text(org[0], of::Town), "Brno");
  EXPECT_EQ(Text(org[0], of::Ico), "12345678");
  w.CloseBrowse();
}

}  // namespace
