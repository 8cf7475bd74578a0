// The report and registration builders over a small payroll: two employees (the first
// with a second personal number, the second with a child) and the employer's rows.
#include <gtest/gtest.h>

#include <cerrno>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/numbers.h"
#include "payroll/jhbuild.h"
#include "tests/payroll/payrollkit.h"

namespace {

using payrolltest::CrLf;
using payrolltest::Employee;
using payrolltest::Row;
using payrolltest::TermSpec;

TermSpec Vykaz(const std::string& key, const std::string& prihl = " ", const std::string& summary = " ") {
  TermSpec t;
  t.key = key;
  t.vykaz = "1";
  t.prihl = prihl;
  t.summary = summary;
  return t;
}

class JhBuild : public payrolltest::Payroll {
 protected:
  void SetUp() override {
    Payroll::SetUp();
    TermSpec other = Vykaz("10101", "1");
    other.vykaz = "0";
    TermSpec optional = Vykaz("10600", "1");
    WriteTerms({Vykaz("10100", "1"), other, Vykaz("10054", "1"), Vykaz("10053"), Vykaz("10495"), Vykaz("10200"),
                Vykaz("10300"), Vykaz("10900", " ", "x"), optional});
    WriteData("pr2000.dta", Employee().Number("00002").Oic("2222222222").Kind("1    ").bytes +
                                Employee().Number("00001").Oic("1111111111").Kind("11 D ").bytes +
                                Employee().Number("00003").Oic("1111111111").Kind("11 D ").bytes);
    WriteTemplate("mPVhlav.txt", {R"(<?xml version="1.0" encoding="WINDOWS-1250"?>)", "<vykaz>", "<zamestnavatel>",
                                  "<nazev> ######## </nazev>", "<!--10100-->", "<jine> ######## </jine>", "<!--10101-->",
                                  "</zamestnavatel>"});
    WriteTemplate("mPVzamA.txt", {"<pomer>", "<!--ZAMESTNANEC 1-->", "<jmeno> ######## </jmeno>", "<!--10054-->",
                                  "<prijmeni> ######## </prijmeni>", "<!--10053-->"});
    WriteTemplate("mPVzamZecA.txt", {"<zec>", "<castka> ######## </castka>", "<!--10200-->"});
    WriteTemplate("mPVdetiHlav.txt", {"<deti>"});
    WriteTemplate("mPVdetiStred.txt", {"<dite> ######## </dite>", "<!--10300-->"});
    WriteTemplate("mPVdetiPata.txt", {"</deti>"});
    WriteTemplate("mPVzamZecB.txt", {"</zec>"});
    WriteTemplate("mPVzamC.txt", {"</pomer>"});
    WriteTemplate("mPVzamDSum.txt", {"<soucet> ######## </soucet>", "<!--10200-->"});
    WriteTemplate("mPVpata.txt", {"</vykaz>"});
  }
  void WriteReportRows(bool employer = true) {
    std::string rows = Row("00002", "10054", "Eva") + Row("00002", "10053", "Malá") + Row("00002", "10495", "true") +
                       Row("00002", "10200", "200") + Row("00002", "10300", "Petr", "1") + Row("00003", "10054", "Jan") +
                       Row("00003", "10053", "Novák") + Row("00003", "10200", "50") + Row("00001", "10054", "Jan") +
                       Row("00001", "10053", "Novák") + Row("00001", "10495", "true") + Row("00001", "10200", "100");
    if (employer) rows = Row("     ", "10101", "jen v přihlášce") + rows + Row("     ", "10100", "Firma & syn");
    WriteData("JHvyk.dta", rows);
  }
  bool Build() {
    return payroll::BuildReportXml(DataPath("JHvyk.dta"), common::DataDir("\\JH\\VYKAZ.xml"),
                                   [this](const std::string& t) { status.push_back(common::StripRightSp(t)); });
  }
  void WriteRegistrationTemplates() {
    WriteTemplate("PrihlA.mat", {R"(<?xml version="1.0" encoding="windows-1250"?>)", R"(<prihlaska firma="#10100#">)"});
    WriteTemplate("PrihlB.mat", {R"(<zam cislo="#10101#" pozn="#10600#"/>)", R"(<adresa mesto="#10600#"/>)"});
    WriteTemplate("PrihlC.mat", {"</prihlaska>"});
  }
  bool BuildRegistration() {
    return payroll::BuildRegistrationXml(DataPath("JHvyk.dta"), common::DataDir("\\JH\\PRIHLASKA.XML"), {});
  }
  std::vector<std::string> JhFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir / "data/JH")) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  static std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  std::vector<std::string> status;
};

TEST_F(JhBuild, TheMonthlyReportOfTwoEmployeesAndTheEmployer) {
  WriteReportRows();
  ASSERT_TRUE(Build()) << notes.Dump();
  EXPECT_EQ(JhFiles(), Sorted({"000020001ZDD.txt", "00001ZAM.txt", "0000101ZPP.txt", "00002ZAM.txt",
                                                 "Hlavicka.txt", "VYKAZ.xml", "vysledek.txt", "vysledekB.txt",
                                                 "vysledekC.txt"}));
  EXPECT_EQ(ostest::ReadRaw(Jh("Hlavicka.txt")), "10100 : Firma & syn\r\n");  // Vykaz filter: 10101 left out
  EXPECT_EQ(ostest::ReadRaw(Jh("0000101ZPP.txt")), common::Cz("10053 : Novák\r\n10054 : Jan\r\n10200 : 50\r\n"));
  EXPECT_EQ(ostest::ReadRaw(Jh("000020001ZDD.txt")), "10300 : Petr\r\n");
  const std::string doc = ostest::ReadRaw(Jh("VYKAZ.xml"));
  EXPECT_TRUE(payrolltest::WellFormedUtf8Xml(doc));
  EXPECT_EQ(doc, CrLf({R"(<?xml version="1.0" encoding="utf-8"?>)", "<vykaz>", "<zamestnavatel>",
                       "<nazev>Firma &amp; syn</nazev>", "</zamestnavatel>",
                       "<pomer>", "<!-- ZAMESTNANEC    1 Novák Jan -->", "<jmeno>Jan</jmeno>", "<prijmeni>Novák</prijmeni>",
                       "<zec>", "<castka>100</castka>", "</zec>", "</pomer>",
                       "<pomer>", "<!-- ZAMESTNANEC    1- 1 Novák Jan -->", "<jmeno>Jan</jmeno>",
                       "<prijmeni>Novák</prijmeni>", "</pomer>", "<soucet>50</soucet>",
                       "<pomer>", "<!-- ZAMESTNANEC    2 Malá Eva -->", "<jmeno>Eva</jmeno>", "<prijmeni>Malá</prijmeni>",
                       "<zec>", "<castka>200</castka>", "<deti>", "<dite>Petr</dite>", "</deti>", "</zec>", "</pomer>",
                       "<soucet>200</soucet>", "</vykaz>"}));
  EXPECT_EQ(status.back(), common::Cz("Výkaz ") + Jh("VYKAZ.xml") + common::Cz(" je hotový"));
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();

  // The registration built afterwards keeps the report.
  WriteRegistrationTemplates();
  ASSERT_TRUE(BuildRegistration());
  EXPECT_EQ(ostest::ReadRaw(Jh("VYKAZ.xml")), doc);
  EXPECT_TRUE(std::filesystem::exists(Jh("PRIHLASKA.XML")));
  // And the report built again keeps the registration.
  ASSERT_TRUE(Build());
  EXPECT_TRUE(std::filesystem::exists(Jh("PRIHLASKA.XML")));
}

TEST_F(JhBuild, SummaryRowsGetTheLastPersonalNumberAndKindsComeFromTheEmployee) {
  WriteData("JHvyk.dta", Row("00001", "10900", "sum") + Row("00001", "10054", "Jan") + Row("00002", "10054", "Eva") +
                             Row("     ", "10900", "firma"));
  payroll::TermIndex terms;
  ASSERT_TRUE(payroll::LoadTermIndex(terms));
  std::vector<payroll::LeftOut> leftOut;
  ASSERT_TRUE(payroll::ExtendRowsWithOic(DataPath("JHvyk.dta"), "JHvyk1.dta", terms, {}, &leftOut));
  const std::string rows = ostest::ReadRaw(dir / "JHvyk1.dta");
  ASSERT_EQ(rows.size(), 4u * payroll::kExtendedRowLength);
  auto field = [&](int row, int f) { return payroll::RowField(std::string_view(rows).substr(row * 92u, 92), f, true); };
  // The employer's summary row keeps its blank personal number, so it stays in the header.
  EXPECT_EQ(field(0, 1) + field(0, 2) + field(0, 3) + field(0, 5), std::string(16, ' ') + "10900");
  EXPECT_EQ(field(1, 1) + field(1, 2) + field(1, 3) + field(1, 5), "1111111111D0000110054");
  EXPECT_EQ(field(2, 3) + field(2, 5) + field(2, 6), "zzzzz10900sum");
  EXPECT_EQ(field(3, 1) + field(3, 2) + field(3, 3), "22222222221" "00002");
  EXPECT_TRUE(leftOut.empty());
}

// An employee's summary rows feed only the closing sum, not an employment of their own.
TEST_F(JhBuild, SummaryRowsFeedOnlyTheClosingSum) {
  WriteTemplate("mPVzamDSum.txt", {"<soucet> ######## </soucet>", "<!--10900-->"});
  std::string staff, rows = Row("     ", "10100", "Firma");
  for (int p = 1; p <= 1000; ++p) {
    const std::string number = common::FormatNumberMask("@@@@@", p), oic = common::FormatNumberMask("@@@@@@@@@@", p);
    staff += Employee().Number(number).Oic(oic).Kind("1    ").bytes;
    rows += Row(number, "10054", "J" + std::to_string(p)) + Row(number, "10900", "S" + std::to_string(p));
  }
  WriteData("pr2000.dta", staff);
  WriteData("JHvyk.dta", rows);
  ASSERT_TRUE(Build()) << notes.Dump();
  const std::string doc = ostest::ReadRaw(Jh("VYKAZ.xml"));
  EXPECT_EQ(Count(doc, "<pomer>"), 1000u);
  EXPECT_EQ(Count(doc, "<soucet>S"), 1000u);
  EXPECT_NE(doc.find("<jmeno>J1000</jmeno>\r\n</pomer>\r\n<soucet>S1000</soucet>"), std::string::npos);
  EXPECT_EQ(ostest::ReadRaw(Jh("0100001ZPP.txt")), "10900 : S1000\r\n");
}

TEST_F(JhBuild, AnEmptySourceStopsAndLeavesNoStaleRows) {
  ostest::WriteRaw(dir / "JHvyk1.dta", std::string(92, 'x'));
  WriteData("JHvyk.dta", "");
  EXPECT_FALSE(Build());
  EXPECT_FALSE(std::filesystem::exists(dir / "JHvyk1.dta"));
  EXPECT_FALSE(std::filesystem::exists(Jh("VYKAZ.xml")));
  EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz("Výkaz neobsahuje žádné řádky")});
}

// A missing template is named as its path on disk, one kind of separator throughout.
TEST_F(JhBuild, AMissingTemplateIsNamedAsItsPathOnDisk) {
  WriteReportRows();
  std::filesystem::remove(dir / "MZ8/JMHZ/mPVhlav.txt");
  EXPECT_FALSE(Build());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], common::Cz("Chybí šablona ") + (dir / "MZ8/JMHZ/mPVhlav.txt") + common::Cz(", dokument se netvoří."));
}

TEST_F(JhBuild, AMissingTermListIsReportedAndNothingIsBuilt) {
  WriteReportRows();
  std::filesystem::remove(TermsPath());
  EXPECT_FALSE(Build());
  EXPECT_FALSE(payroll::BuildRegistrationXml(DataPath("JHvyk.dta"), common::DataDir("\\JH\\PRIHLASKA.XML"), {}));
  EXPECT_FALSE(std::filesystem::exists(dir / "data/JH"));
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[0].find(" cte soubor: "), std::string::npos);
  EXPECT_NE(Messages()[0].find("JHcis.dta err      2"), std::string::npos);
}

// Rows that cannot reach the report are named with the reason: a personal number no
// employee has, an employee whose identifier is blank (an assigned number still to
// come); neither one's summary rows stand in for the missing header.
TEST_F(JhBuild, UnknownEmployeesAndAMissingHeaderAreNamedAndNoEmployeeIsLost) {
  WriteReportRows(false);
  WriteData("pr2000.dta", ReadData("pr2000.dta") + Employee().Number("00008").Suffix("X").bytes);
  WriteData("JHvyk.dta", ReadData("JHvyk.dta") + Row("00009", "10054", "Nikdo") + Row("00009", "10900", "99") +
                             Row("00008", "10054", "Cizinec") + Row("00008", "10900", "98"));
  ASSERT_TRUE(Build());
  // The first employee stays an employee; neither left-out one reaches a value file.
  EXPECT_EQ(JhFiles(), Sorted({"000020001ZDD.txt", "00001ZAM.txt", "0000101ZPP.txt", "00002ZAM.txt",
                                                 "VYKAZ.xml", "vysledek.txt", "vysledekB.txt", "vysledekC.txt"}));
  const std::string doc = ostest::ReadRaw(Jh("VYKAZ.xml"));
  EXPECT_TRUE(payrolltest::WellFormedUtf8Xml(doc));
  EXPECT_EQ(Count(doc, "ZAMESTNANEC"), 3u);
  EXPECT_NE(doc.find("ZAMESTNANEC    1 "), std::string::npos);
  EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz(
                            "Výkaz nemá řádky zaměstnavatele (hlavičku).\n"
                            "Os.č. bez pracovníka v pr2000.dta, ve výkazu chybí: 00009\n"
                            "Os.č. bez identifikátoru pracovníka (OIČ, rodné ani přidělené číslo), ve výkazu chybí: 00008")});
}

TEST_F(JhBuild, MoreThanTenEmploymentsAndChildrenAllReachTheReport) {
  std::string staff, rows = Row("     ", "10100", "Firma");
  for (int p = 1; p <= 12; ++p) {
    const std::string number = common::FormatNumberMask("@@@@@", p);
    staff += Employee().Number(number).Oic("1111111111").Kind("1    ").bytes;
    rows += Row(number, "10495", "true") + Row(number, "10054", "J" + std::to_string(p));
  }
  for (int c = 1; c <= 11; ++c) rows += Row("00001", "10300", "D" + std::to_string(c), std::string(1, static_cast<char>('0' + c)));
  WriteData("pr2000.dta", staff);
  WriteData("JHvyk.dta", rows);
  ASSERT_TRUE(Build()) << notes.Dump();
  EXPECT_TRUE(std::filesystem::exists(Jh("0000111ZPP.txt")));
  EXPECT_TRUE(std::filesystem::exists(Jh("000010011ZDD.txt")));
  const std::string doc = ostest::ReadRaw(Jh("VYKAZ.xml"));
  EXPECT_TRUE(payrolltest::WellFormedUtf8Xml(doc));
  EXPECT_EQ(Count(doc, "ZAMESTNANEC"), 12u);
  EXPECT_EQ(Count(doc, "<dite>"), 11u);
  EXPECT_NE(doc.find("ZAMESTNANEC    1-11 "), std::string::npos);
}

TEST_F(JhBuild, TheRegistrationOfAHeaderAndTwoEmployees) {
  WriteRegistrationTemplates();
  WriteData("JHprihl.dta", Row("00007", "10101", "B") + Row("00004", "10101", "A&") + Row("     ", "10100", "Žlutá firma") +
                              Row("00004", "10053", "mimo přihlášku"));
  std::vector<std::string> labels;
  ASSERT_TRUE(payroll::BuildRegistrationXml(DataPath("JHprihl.dta"), common::DataDir("\\JH\\PRIHLASKA.XML"),
                                            [&](const std::string& t) { labels.push_back(common::StripRightSp(t)); }));
  EXPECT_EQ(JhFiles(), Sorted({"00001Prihl.txt", "00002Prihl.txt", "PRIHLASKA.XML", "PrihlHlav.txt",
                                                 "vysledek.txt"}));
  EXPECT_EQ(ostest::ReadRaw(Jh("00001Prihl.txt")), "10101 : A&\r\n");  // sorted in place; 10053 filtered out
  const std::string doc = ostest::ReadRaw(Jh("PRIHLASKA.XML"));
  EXPECT_TRUE(payrolltest::WellFormedUtf8Xml(doc));
  EXPECT_EQ(doc, CrLf({R"(<?xml version="1.0" encoding="utf-8"?>)", R"(<prihlaska firma="Žlutá firma">)",
                       R"(<zam cislo="A&amp;" />)", R"(<zam cislo="B" />)", "</prihlaska>"}));
  EXPECT_EQ(labels, (std::vector<std::string>{common::Cz("Příprava přihlášky"), common::Cz("A teď zaměstnanci"),
                                              common::Cz("A teď zaměstnanci:     1"), common::Cz("A teď zaměstnanci:     2"),
                                              common::Cz("A teď zaměstnanci:     3"), "Hotovo!"}));
}

// A value never spans lines of its value file, so it cannot give another term a value.
TEST_F(JhBuild, ALineEndInAValueCannotAddAValue) {
  WriteData("JHvyk.dta", Row("     ", "10100", "Firma") + Row("00002", "10053", "Adam\r\n10053 : INJECTED"));
  ASSERT_TRUE(Build()) << notes.Dump();
  EXPECT_EQ(ostest::ReadRaw(Jh("00001ZAM.txt")), "10053 : Adam  10053 : INJECTED\r\n");
  EXPECT_NE(ostest::ReadRaw(Jh("VYKAZ.xml")).find("<prijmeni>Adam  10053 : INJECTED</prijmeni>"), std::string::npos);
}

// A build that cannot finish (a missing template, a write failing half way, a document
// that does not parse) says why and leaves the previous documents and files as they were.
TEST_F(JhBuild, AFailedBuildLeavesThePreviousDocument) {
  WriteReportRows();
  WriteRegistrationTemplates();
  ASSERT_TRUE(Build());
  ASSERT_TRUE(BuildRegistration());
  const std::string report = ostest::ReadRaw(Jh("VYKAZ.xml")), registration = ostest::ReadRaw(Jh("PRIHLASKA.XML"));
  const std::string extended = ostest::ReadRaw(dir / "JHvyk1.dta"), values = ostest::ReadRaw(Jh("00001ZAM.txt"));
  WriteData("JHvyk.dta", Row("     ", "10100", "Jiná firma") + Row("00001", "10101", "X"));
  struct Case {
    std::string file;  // the template changed, or the file whose opening fails
    bool report;
    std::vector<std::string> lines;  // the template's new lines; none: missing
    std::string says;
  };
  const std::vector<Case> cases = {
      {"mPVhlav.txt", true, {}, "mPVhlav.txt"},   {"mPVzamA.txt", true, {}, "mPVzamA.txt"},
      {"mPVzamC.txt", true, {}, "mPVzamC.txt"},   {"mPVpata.txt", true, {}, "mPVpata.txt"},
      {"PrihlA.mat", false, {}, "PrihlA.mat"},    {"PrihlB.mat", false, {}, "PrihlB.mat"},
      {"PrihlC.mat", false, {}, "PrihlC.mat"},
      {"mPVpata.txt", true, {"</vykaz>", "</navic>"}, common::Cz("VYKAZ.xml.new není platné XML (řádek 7")},
      {"PrihlC.mat", false, {"</prihlaskaX>"}, common::Cz("PRIHLASKA.XML.new není platné XML (řádek 4")},
      {"vysledek.txt", true, {"?"}, "vysledek.txt"},
      {"PRIHLASKA.XML.new", false, {"?"}, "PRIHLASKA.XML.new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = dir / ("MZ8/JMHZ/" + c.file), saved = ostest::ReadRaw(path);
    const bool fault = c.lines == std::vector<std::string>{"?"};
    common::FaultFileSystem fs;
    if (fault)
      fs.Fail(common::FsOp::Open, EACCES, c.file);
    else if (c.lines.empty())
      std::filesystem::remove(path);
    else
      WriteTemplate(c.file, c.lines);
    notes.calls.clear();
    {
      common::ScopedFileSystem scoped(fs);
      EXPECT_FALSE(c.report ? Build() : BuildRegistration());
    }
    if (!fault) ostest::WriteRaw(path, saved);
    ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
    EXPECT_NE(Messages()[0].find(c.says), std::string::npos) << Messages()[0];
    EXPECT_EQ(ostest::ReadRaw(Jh("VYKAZ.xml")), report);
    EXPECT_EQ(ostest::ReadRaw(Jh("PRIHLASKA.XML")), registration);
    if (c.lines.empty()) {
      EXPECT_EQ(ostest::ReadRaw(dir / "JHvyk1.dta"), extended);
      EXPECT_EQ(ostest::ReadRaw(Jh("00001ZAM.txt")), values);
    }
    // Only a document that does not parse stays, under its work name, to be looked at.
    EXPECT_EQ(std::filesystem::exists(Jh("VYKAZ.xml.new")) || std::filesystem::exists(Jh("PRIHLASKA.XML.new")),
              !fault && !c.lines.empty());
    std::filesystem::remove(Jh("VYKAZ.xml.new"));
    std::filesystem::remove(Jh("PRIHLASKA.XML.new"));
  }
}

}  // namespace
