// The main window's payroll tools through their buttons: the chooser, the files
// written, the window each ends in; and the rules of the schema, identifier and
// layout tools on small inputs.
#include <filesystem>

#include <gtest/gtest.h>

#include "app/payrolltools.h"
#include "common/encoding.h"
#include "common/pascal.h"
#include "common/text.h"
#include "payroll/jhcis.h"
#include "payroll/prrol.h"
#include "tests/app/appkit.h"
#include "tests/browser/chooserkit.h"

namespace {

using namespace common::literals;

// A term record as the payroll module writes it (every field at its full width).
std::string TermBytes(const std::string& key, const std::string& name, const std::string& xml = "", const std::string& summary = " ",
                      const std::string& prihl = " ") {
  auto pad = [](std::string s, std::size_t n) { s.resize(std::max(s.size(), n), ' '); return s; };
  std::string r(payroll::kTermLength, '\0');
  common::PutCounted(r, 0, key, 5);
  common::PutCounted(r, 6, summary, 1);
  common::PutCounted(r, 8, "A", 1);
  common::PutCounted(r, 10, "DEF   ", 6);
  common::PutCounted(r, 17, prihl, 1);
  common::PutCounted(r, 19, " ", 1);
  common::PutCounted(r, 21, pad(name, 200), 200);
  common::PutCounted(r, 222, pad(xml, 64), 64);
  return r;
}

// An employee: personal number, sex, birth date DDMMYYYY, suffix, kind of activity.
std::string EmployeeBytes(const std::string& osc, int sex, const std::string& born, const std::string& suffix, const std::string& kind) {
  std::string r(payroll::kEmployeeLength, '\0');
  common::PutCounted(r, 0, osc, 5);
  r[37] = static_cast<char>(sex);
  common::PutCounted(r, 38, born, 8);
  common::PutCounted(r, 47, suffix, 4);
  common::PutCounted(r, 223, kind, 5);
  return r;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    out.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 2;
  }
  return out;
}

class PayrollTools : public apptest::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    std::filesystem::create_directories(dir / "prog/MZ8/JMHZ");
    MakeMain();
  }
  std::string TermsPath() const { return dir / "prog/MZ8/JMHZ/JHcis.dta"; }
  std::vector<payroll::Term> Terms() const {
    const std::string bytes = ostest::ReadRaw(TermsPath());
    std::vector<payroll::Term> t;
    for (std::size_t at = 0; at + payroll::kTermLength <= bytes.size(); at += payroll::kTermLength)
      t.push_back(payroll::Term::FromRecord(std::string_view(bytes).substr(at, payroll::kTermLength)));
    return t;
  }
  std::string Input(const std::string& name, const std::string& bytes) const {
    ostest::WriteRaw(dir / name, bytes);
    return dir / name;
  }
  // The next modal window (the one a tool ends in) is closed at once; its class is noted.
  void CloseNextWindow() {
    backend.AnswerNextModal([this](ui::Form& f) {
      shown.push_back(f.name());
      f.SetModalResult(ui::mr::Cancel);
    });
  }
  std::vector<std::string> shown;
};

TEST_F(PayrollTools, JhVytvorAddsFiveDigitTermsWithBlankFieldsAndLeavesTheDataFolder) {
  ostest::WriteRaw(TermsPath(), TermBytes("10001", "Stary", "stary"));
  ostest::WriteRaw(dir / "data/JHcis.dta", "keep");
  browsertest::AnswerChooser(backend, Input("terms.csv", "klic;nazev\r\n00123;Foo\r\n123;Bar\r\n 00124 ;Baz\r\n"));
  CloseNextWindow();
  main->bJHcisClick();
  EXPECT_EQ(shown, std::vector<std::string>{"fJHcis"});
  const auto t = Terms();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].xmlName, std::string(64 - 5, ' ').insert(0, "stary"));
  EXPECT_EQ(t[1].key, "00123");
  EXPECT_EQ(t[1].name, "Foo" + std::string(197, ' '));
  EXPECT_EQ(t[2].key, "00124");
  for (const payroll::Term* n : {&t[1], &t[2]}) {
    // Started from the blank record, not from the term read last.
    EXPECT_EQ(n->mandatory, " ");
    EXPECT_EQ(n->defaultValue, std::string(6, ' '));
    EXPECT_EQ(common::RemoveSpaces(n->xmlName), "");
  }
  EXPECT_EQ(ostest::ReadRaw(dir / "data/JHcis.dta"), "keep");
  // Left chooser: nothing happens.
  const std::string before = ostest::ReadRaw(TermsPath());
  browsertest::AnswerChooser(backend, "");
  main->bJHcisClick();
  EXPECT_EQ(ostest::ReadRaw(TermsPath()), before);
  EXPECT_EQ(shown.size(), 1u);
}

TEST_F(PayrollTools, JhPridejXmlNamesTermsFromTheTagBeforeTheirComment) {
  ostest::WriteRaw(TermsPath(), TermBytes("10054", "Jmeno") + TermBytes("10055", "Jiny") + TermBytes("10056", "Treti") +
                                    TermBytes("10057", "Ma", "uz"));
  const std::string tpl = Input("tpl.txt", "hlavicka\r\n<jmeno>\r\n<!--10054-->\r\n<x>\r\n<!-- 10055 -->\r\n<!--komentar-->\r\n"
                                           "<!--10056-->\r\n<novy>\r\n<!--10057-->\r\n");
  browsertest::AnswerChooser(backend, tpl);
  CloseNextWindow();
  main->bJHcis01Click();
  const auto t = Terms();
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(common::StripRightSp(t[0].xmlName), "jmeno");
  EXPECT_EQ(common::StripRightSp(t[0].xmlName).size() + 59, t[0].xmlName.size());
  EXPECT_EQ(common::RemoveSpaces(t[1].xmlName), "");  // blanks around the key
  EXPECT_EQ(common::RemoveSpaces(t[2].xmlName), "");  // the line before is a comment
  EXPECT_EQ(common::StripRightSp(t[3].xmlName), "uz");  // kept
  // A second run changes nothing.
  const std::string once = ostest::ReadRaw(TermsPath());
  browsertest::AnswerChooser(backend, tpl);
  CloseNextWindow();
  main->bJHcis01Click();
  EXPECT_EQ(ostest::ReadRaw(TermsPath()), once);
}

TEST_F(PayrollTools, PridejDalsiCopiesAKnownTermUnderItsNormalisedKey) {
  ostest::WriteRaw(TermsPath(), TermBytes("10053", "Prvni", "xml", "S", "P"));
  browsertest::AnswerChooser(backend, Input("dalsi.txt", "10053 Další název\r\n99999 Nic\r\n  123 Kratky\r\n"_cz));
  CloseNextWindow();
  main->bPridejDalsiClick();
  const auto t = Terms();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[1].key, "10053");
  EXPECT_EQ(common::StripRightSp(t[1].name), "Další název"_cz);
  EXPECT_EQ(t[1].xmlName, std::string(64, ' '));
  EXPECT_EQ(t[1].mandatory, " ");
  EXPECT_EQ(t[1].defaultValue, std::string(6, ' '));
  EXPECT_EQ(t[1].summary, "S");
  EXPECT_EQ(t[1].registration, "P");
}

const char kSchema[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\r\n"
    "<xs:element name=\"hlaseni\">\r\n"
    "<xs:complexType>\r\n"
    "<xs:sequence>\r\n"
    "<xs:element name=\"zamestnanec\">\r\n"
    "<xs:complexType>\r\n"
    "<xs:sequence>\r\n"
    "<xs:element name=\"jmeno\" type=\"xs:string\"/>\r\n"
    "<xs:element name=\"prazdny\">\r\n"
    "</xs:element>\r\n"
    "</xs:sequence>\r\n"
    "</xs:complexType>\r\n"
    "</xs:element>\r\n"
    "</xs:sequence>\r\n"
    "</xs:complexType>\r\n"
    "</xs:element>\r\n"
    "<xs:simpleType name=\"kodTyp\">\r\n"
    "</xs:simpleType>\r\n"
    "</xs:schema>\r\n";

TEST_F(PayrollTools, TheSchemaToolsWriteTheSkeletonAndTheTypeList) {
  const std::string xsd = Input("vzor.xsd", kSchema);
  browsertest::AnswerChooser(backend, xsd);
  main->bXsdMatClick();
  EXPECT_EQ(Lines(ostest::ReadRaw(dir / "JHmatr.TXT")), (std::vector<std::string>{
                                                            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                                            " <hlaseni>",
                                                            "   <zamestnanec>",
                                                            "     <jmeno>",
                                                            "     <prazdny></prazdny>",
                                                            "   </jmeno>",
                                                            " </zamestnanec>",
                                                            " </hlaseni>",
                                                        }));
  browsertest::AnswerChooser(backend, xsd);
  main->bXSDmat2Click();
  EXPECT_EQ(Lines(ostest::ReadRaw(dir / "JHmatr.TXT")), (std::vector<std::string>{
                                                            "       hlaseni : ",
                                                            "     typ : hlaseniType",
                                                            "            zamestnanec : ",
                                                            "          typ : zamestnanecType",
                                                            "                 jmeno : xs:string",
                                                            "                 prazdny : ",
                                                            "sim : kodTyp",
                                                        }));
  // A left chooser writes nothing.
  std::filesystem::remove(dir / "JHmatr.TXT");
  browsertest::AnswerChooser(backend, "");
  main->bXsdMatClick();
  EXPECT_FALSE(std::filesystem::exists(dir / "JHmatr.TXT"));
}

TEST_F(PayrollTools, TheSkeletonKeepsItsDepthAtTen) {
  std::string xsd;
  for (int i = 1; i <= 12; ++i) xsd += "<xs:element name=\"e" + std::to_string(i) + "\">\r\n";
  for (int i = 1; i <= 12; ++i) xsd += "</xs:element>\r\n";
  ASSERT_EQ(app::WriteXsdSkeleton(Input("deep.xsd", xsd), dir / "out.txt"), 0);
  std::vector<std::string> expected;
  for (int i = 1; i <= 11; ++i) expected.push_back(" <e" + std::to_string(i) + ">");
  expected.push_back(" <e12></e12>");
  for (int i = 9; i >= 1; --i) expected.push_back(" </e" + std::to_string(i) + ">");
  EXPECT_EQ(Lines(ostest::ReadRaw(dir / "out.txt")), expected);
}

TEST_F(PayrollTools, NulujMatriciPutsThePlaceholderBack) {
  const std::string m = Input("m.mat", "<a>\r\n<b>1</b>\r\n</a>\r\n");
  browsertest::AnswerChooser(backend, m);
  main->bNulujMatriciClick();
  EXPECT_EQ(ostest::ReadRaw(m), "<a>\r\n<b> ######## </b>\r\n</a>\r\n");
}

TEST_F(PayrollTools, BirthNumberAndKindCode) {
  payroll::Tfpr_rol w;
  w.DefineFields();
  EXPECT_EQ(app::EmployeeBirthNumber(w, EmployeeBytes("00001", 1, "05031985", "1234", "1")), "8553051234");
  EXPECT_EQ(app::EmployeeBirthNumber(w, EmployeeBytes("00001", 0, "05031985", "1234", "1")), "8503051234");
  const std::pair<const char*, const char*> kinds[] = {{"11 A ", "A"}, {"11   ", "T"}, {"11", "T"}, {"95   ", "15"},
                                                       {"1x   ", "1"}, {"12345", "1"}, {"90", "10"}};
  for (auto [kind, code] : kinds) EXPECT_EQ(app::EmployeeKindCode(kind), code) << kind;
}

TEST_F(PayrollTools, OicDoPracGivesTheFirstMatchingEmployeeItsIdentifier) {
  const std::string first = EmployeeBytes("00001", 1, "05031985", "1234", "11 A ");
  const std::string twin = EmployeeBytes("00002", 1, "05031985", "1234", "11 A ");
  const std::string man = EmployeeBytes("00003", 0, "05031985", "1234", "95   ");
  ostest::WriteRaw(dir / "data/pr2000.dta", first + twin + man);
  browsertest::AnswerChooser(backend, Input("oic.csv", "rc;a;b;c;d;druh;e;f;text;oic\r\n"
                                                       "8553051234;;;;;A;;;Prvni text;OIC1\r\n"
                                                       "8503051234;;;;;15;;;Druhy;OIC22\r\n"
                                                       "8503051234;;;;;A;;;Nic;OIC3\r\n"));
  CloseNextWindow();
  main->bNactiOICClick();
  EXPECT_EQ(shown, std::vector<std::string>{"fpr_rol"});
  const std::string after = ostest::ReadRaw(dir / "data/pr2000.dta");
  ASSERT_EQ(after.size(), 3u * payroll::kEmployeeLength);
  const auto rec = [&](int n) { return after.substr(static_cast<std::size_t>(n - 1) * payroll::kEmployeeLength, payroll::kEmployeeLength); };
  EXPECT_EQ(common::GetCounted(rec(1), 1638, 10), "      OIC1");
  EXPECT_EQ(common::GetCounted(rec(1), 1545, 70), "Prvni text" + std::string(60, ' '));
  EXPECT_EQ(rec(2), twin);
  EXPECT_EQ(common::GetCounted(rec(3), 1638, 10), "     OIC22");
  EXPECT_EQ(rec(1).substr(0, 1545), first.substr(0, 1545));
}

// Another workstation appends the record a tool works on after the tool's window opened:
// the tool counts the records under its turn and finds it.
TEST_F(PayrollTools, TheToolsFindWhatAnotherWorkstationAppendedAfterTheirWindowOpened) {
  const std::string employees = dir / "data/pr2000.dta";
  const std::string first = EmployeeBytes("00001", 1, "05031985", "1234", "11 A ");
  const std::string man = EmployeeBytes("00003", 0, "05031985", "1234", "95   ");
  ostest::WriteRaw(employees, first);
  payroll::Tfpr_rol& w = payroll::fpr_rol();
  w.SetupPr_rol(payroll::kEmployeeFile);
  ostest::WriteRaw(employees, first + man);
  EXPECT_EQ(app::ImportEmployeeIdentifiers(w, Input("oic.csv", "rc;a;b;c;d;druh;e;f;text;oic\r\n"
                                                                 "8503051234;;;;;15;;;Druhy;OIC22\r\n")),
            1);
  w.CloseBrowse();
  const std::string after = ostest::ReadRaw(employees);
  ASSERT_EQ(after.size(), 2u * payroll::kEmployeeLength);
  EXPECT_EQ(after.substr(0, payroll::kEmployeeLength), first);
  EXPECT_EQ(common::GetCounted(after.substr(payroll::kEmployeeLength), 1638, 10), "     OIC22");

  ostest::WriteRaw(TermsPath(), TermBytes("10054", "Jmeno"));
  payroll::TfJHcis& terms = payroll::fJHcis();
  terms.SetupJHcis();
  ostest::WriteRaw(TermsPath(), TermBytes("10054", "Jmeno") + TermBytes("10055", "Jiny"));
  EXPECT_EQ(app::AddXmlNamesFromTemplate(terms, Input("tpl.txt", "hlavicka\r\n<jiny>\r\n<!--10055-->\r\n")), 1);
  terms.CloseBrowse();
  const auto t = Terms();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(common::RemoveSpaces(t[0].xmlName), "");
  EXPECT_EQ(common::StripRightSp(t[1].xmlName), "jiny");
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(PayrollTools, PrevDodWritesTheSupplementLayoutInTheStartFolder) {
  browsertest::AnswerChooser(backend, Input("dodatky.txt", "10502\r\n10502 Pracovněprávní vztah\r\n 10076 \r\n"));
  main->bDodatecneClick();
  EXPECT_EQ(ostest::ReadRaw(dir / "PrDod.pol"),
            "type tPrDod = record\r\n"
            "osc : string[5];       { \"Osc   \"    \"P\"   }\r\n"
            "Jméno : string[30];    { \"Jméno \"    \" \"   }\r\n"
            "10502 : string[30];  { \"10502 Pracovněprávní vzta\" \" \"}\r\n"
            "10076 : string[30];  { \"10076\" \" \"}\r\n"
            "      end;\r\n"_cz);
}

TEST_F(PayrollTools, ThePayrollWindowButtonsOpenTheirWindows) {
  CloseNextWindow();
  main->bPrDodClick();
  CloseNextWindow();
  main->bMZ_RZDClick();
  EXPECT_EQ(shown, (std::vector<std::string>{"fPrDod", "fMZ_RZD"}));
  EXPECT_TRUE(std::filesystem::exists(dir / "data/PrDod.DTA"));
  EXPECT_TRUE(std::filesystem::exists(dir / "data/MZ_RZD.DTA"));
}

}  // namespace
