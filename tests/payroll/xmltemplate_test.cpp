// The template engine on its own: element and attribute templates filled from value
// files, the placeholder, comment and empty-element rules, escaping, the in-place
// routines and the UTF-8 conversion.
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "payroll/xmltemplate.h"
#include "tests/payroll/payrollkit.h"

namespace {

using payrolltest::CrLf;
using payrolltest::TermSpec;

class XmlTemplate : public payrolltest::Payroll {
 protected:
  void SetUp() override {
    Payroll::SetUp();
    // Unsorted on purpose: the look-ups must not need a sorted list.
    WriteTerms({{"10999"}, {"10054", "Jméno", "1", "X     "}, {"10053"}, {"10060", "Titul", "1", " Ing. "}});
    ASSERT_TRUE(terms.Load(TermsPath()));
  }
  std::string Out() const { return ostest::ReadRaw(dir / "out.txt"); }
  // Fills the template lines (UTF-8) with the value lines (UTF-8); the output in UTF-8.
  std::string Fill(const std::vector<std::string>& tmpl, const std::vector<std::string>& values) {
    ostest::WriteRaw(dir / "t.txt", common::Cz(CrLf(tmpl)));
    ostest::WriteRaw(dir / "v.txt", common::Cz(CrLf(values)));
    comment.clear();
    payroll::FillXmlTemplate(terms, dir / "v.txt", dir / "out.txt", dir / "t.txt", comment);
    return common::Win1250ToUtf8(Out());
  }
  std::string FillAttributes(const std::vector<std::string>& tmpl, const std::vector<std::string>& values) {
    ostest::WriteRaw(dir / "t.mat", common::Cz(CrLf(tmpl)));
    ostest::WriteRaw(dir / "v.txt", common::Cz(CrLf(values)));
    payroll::FillAttributeTemplate(terms, dir / "v.txt", dir / "out.txt", dir / "t.mat");
    return common::Win1250ToUtf8(Out());
  }
  payroll::TermIndex terms;
  std::string comment;
};

const std::vector<std::string> kSample = {
    R"(<?xml version="1.0" encoding="WINDOWS-1250"?>)",
    "<vykaz>", "<hlavicka>", "<jmeno> ######## </jmeno>", "<!--10054-->", "<prijmeni> ######## </prijmeni>",
    "<!--10053-->", "</hlavicka>", "<volitelne>", "<x> ######## </x>", "<!--10999-->", "</volitelne>", "</vykaz>"};

TEST_F(XmlTemplate, TheSampleGivesItsSevenLines) {
  EXPECT_EQ(Fill(kSample, {"10053 : Novák & syn"}),
            CrLf({R"(<?xml version="1.0" encoding="WINDOWS-1250"?>)", "<vykaz>", "<hlavicka>", "<jmeno>X</jmeno>",
                  "<prijmeni>Novák &amp; syn</prijmeni>", "</hlavicka>", "</vykaz>"}));
  EXPECT_NE(Fill(kSample, {"10053 : Novák & syn", "10054 : Jan"}).find("<jmeno>Jan</jmeno>\r\n<prijmeni>"), std::string::npos);
  EXPECT_EQ(comment, common::Cz("PR:Novák & syn; JM:Jan; "));
}

TEST_F(XmlTemplate, SwitchesKeepPlaceholdersAndComments) {
  payroll::JhSwitches().JhZebriky = 1;
  const std::string kept = Fill(kSample, {"10053 : Novák"});
  EXPECT_NE(kept.find("<jmeno> ######## </jmeno>"), std::string::npos);
  EXPECT_NE(kept.find("<x> ######## </x>"), std::string::npos);  // its parents count as not empty
  EXPECT_NE(kept.find("<volitelne>"), std::string::npos);
  payroll::JhSwitches().JhPoznamky = 1;
  EXPECT_NE(Fill(kSample, {"10053 : Novák"}).find("<!--10999-->"), std::string::npos);
}

TEST_F(XmlTemplate, LineRulesOfValuesCommentsAndElements) {
  struct Case {
    const char* what;
    std::vector<std::string> tmpl, values, expected;
  };
  const Case cases[] = {
      {"the same marker twice gets the value twice",
       {"<a>", "<b> ######## </b>", "<!--10053-->", "<c> ######## </c>", "<!--10053-->", "</a>"},
       {"10053 : v"},
       {"<a>", "<b>v</b>", "<c>v</c>", "</a>"}},
      {"an empty mandatory value takes the default, an optional one goes",
       {"<a>", "<t> ######## </t>", "<!--10060-->", "<b> ######## </b>", "<!--10053-->", "</a>"},
       {"10060 :", "10053 :   "},
       {"<a>", "<t>Ing.</t>", "</a>"}},
      {"a comment over four lines goes, the employee slot stays",
       {"<a>", "<!--ZAMESTNANEC 1-->", "<!-- začátek", "x", "y", "konec -->", "<b>v</b>", "</a>"},
       {"10001 : nic"},
       {"<a>", "<!--ZAMESTNANEC 1-->", "<b>v</b>", "</a>"}},
      {"a placeholder with no marker below empties its own line only",
       {"<a>", "<y>1</y>", "<x> ######## </x>", "</a>"},
       {"10053 : v"},
       {"<a>", "<y>1</y>", "</a>"}},
      {"an element closed in another fragment: only the own element goes",
       {"<prvni>", "<x> ######## </x>", "</prvni>", "<y> ######## </y>", "<!--10053-->", "</vnejsi>"},
       {"10053 : v"},
       {"<y>v</y>", "</vnejsi>"}},
      {"opening, empty value, closing: all three go; a filled one keeps them",
       {"<a>", "<b> ######## </b>", "<!--10053-->", "</a>", "<c>", "<d> ######## </d>", "<!--10054-->", "</c>"},
       {"10053 :", "10054 : plný"},
       {"<c>", "<d>plný</d>", "</c>"}},
      {"values are escaped and control characters blanked",
       {"<a> ######## </a>", "<!--10053-->"},
       {"10053 : <b>&amp; \x01 \"q\" &#169; & x"},
       {"<a>&lt;b&gt;&amp; \x20 \"q\" &#169; &amp; x</a>"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Fill(c.tmpl, c.values), CrLf(c.expected)) << c.what;
}

TEST_F(XmlTemplate, MissingInputsLeaveNoOutput) {
  ostest::WriteRaw(dir / "out.txt", "old");
  ostest::WriteRaw(dir / "t.txt", common::Cz(CrLf(kSample)));
  payroll::FillXmlTemplate(terms, dir / "none.txt", dir / "out.txt", dir / "t.txt", comment);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
  ostest::WriteRaw(dir / "v.txt", "1:");
  payroll::FillXmlTemplate(terms, dir / "v.txt", dir / "out.txt", dir / "t.txt", comment);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

TEST_F(XmlTemplate, AttributeTemplates) {
  struct Case {
    const char* what;
    std::vector<std::string> tmpl, values, expected;
  };
  const Case cases[] = {
      {"values, a mandatory default and an optional attribute cut with its name",
       {R"(<z a="#10053#" t="#10060#" o="#10999#">)", "</z>"},
       {"10053 : Novák \"&\" #1"},
       {R"(<z a="Novák &quot;&amp;&quot; &#35;1" t="Ing." >)", "</z>"}},
      {"an element left with its name alone goes",
       {"<z>", R"(<adresa mesto="#10999#"/>)", R"(<b x="#10053#"/>)", "</z>"},
       {"10053 : 1"},
       {"<z>", R"(<b x="1"/>)", "</z>"}},
      {"an optional marker with no blank before it becomes empty",
       {R"(a="#10999#" b="1")"}, {"10053 : 1"}, {R"(a="" b="1")"}},
      {"a stray pair is broken up; comments go",
       {R"(<z a="#1#" b="2"/>)", "<!--ZAMESTNANEC 1-->"}, {"10053 : 1"}, {R"(<z a= #1 " b="2"/>)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(FillAttributes(c.tmpl, c.values), CrLf(c.expected)) << c.what;
}

TEST_F(XmlTemplate, InPlaceRoutines) {
  const std::string f = dir / "m.txt";
  ostest::WriteRaw(f, CrLf({"<a>", "<b>1</b>", "", "</a>", "<c>x</c><!--10053-->"}));
  payroll::ClearMatrixValues(f);
  EXPECT_EQ(ostest::ReadRaw(f), CrLf({"<a>", "<b> ######## </b>", "", "</a>", "<c> ######## </c><!--10053-->"}));

  ostest::WriteRaw(f, CrLf({R"(<?xml version="1.0" encoding="WINDOWS-1250"?>)", "<a>ab WINDOWS-1250</a>"}));
  payroll::ReplaceInFile("WINDOWS-1250", "utf-8", f);
  EXPECT_EQ(ostest::ReadRaw(f), CrLf({R"(<?xml version="1.0" encoding="utf-8"?>)", "<a>ab utf-8</a>"}));
  payroll::ReplaceInFile("ab", "xab", f);  // the new text holds the old one: one pass
  EXPECT_EQ(ostest::ReadRaw(f), CrLf({R"(<?xml version="1.0" encoding="utf-8"?>)", "<a>xab utf-8</a>"}));

  ostest::WriteRaw(f, CrLf({R"(<?xml version="1.0" encoding="windows-1250"?>)", "<a>Windows-1250</a>"}));
  payroll::ReplaceEncodingName("WINDOWS-1250", "utf-8", f);
  EXPECT_EQ(ostest::ReadRaw(f), CrLf({R"(<?xml version="1.0" encoding="utf-8"?>)", "<a>Windows-1250</a>"}));

  ostest::WriteRaw(f, "<a>\n<b> </b>\n</a>\n<c>1</c>");
  payroll::RemoveEmptyElements(f);
  EXPECT_EQ(ostest::ReadRaw(f), "<c>1</c>\r\n");
}

TEST_F(XmlTemplate, EscapingAndComments) {
  EXPECT_EQ(payroll::EscapeXml("a&b &lt; &#x41; &#0; &#xD800; &quot"), "a&amp;b &lt; &#x41; &amp;#0; &amp;#xD800; &amp;quot");
  EXPECT_EQ(payroll::EscapeXml("\"#\t", true), "&quot;&#35;\t");
  EXPECT_EQ(payroll::EscapeXml("\"#\n"), "\"# ");
  EXPECT_EQ(payroll::CommentSafe("a--b---\x02"), "a- -b- - - ");
}

TEST_F(XmlTemplate, ConvertedOutputIsWellFormedUtf8) {
  std::vector<std::string> tmpl = kSample;
  Fill(tmpl, {"10053 : Žluťoučký kůň & „spol.“ § <x>", "10054 : Ďábel"});
  const std::string f = dir / "out.txt";
  payroll::ReplaceEncodingName("WINDOWS-1250", "utf-8", f);
  payroll::ConvertFileToUtf8(f, f);
  const std::string doc = ostest::ReadRaw(f);
  EXPECT_TRUE(payrolltest::WellFormedUtf8Xml(doc));
  EXPECT_NE(doc.find("<prijmeni>Žluťoučký kůň &amp; „spol.“ § &lt;x&gt;</prijmeni>\r\n"), std::string::npos);
  EXPECT_EQ(doc.find('\xEF'), std::string::npos);  // no BOM
}

TEST_F(XmlTemplate, LongTemplatesHaveNoLineLimit) {
  std::vector<std::string> tmpl{R"(<?xml version="1.0" encoding="WINDOWS-1250"?>)", "<a>"};
  for (int i = 0; i < 2500; ++i) {
    tmpl.push_back("<b> ######## </b>");
    tmpl.push_back("<!--10053-->");
  }
  tmpl.push_back("</a>");
  const std::string longValue(3000, 'v');
  const std::string out = Fill(tmpl, {"10053 : " + longValue});
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2503);
  EXPECT_NE(out.find("<b>" + longValue + "</b>"), std::string::npos);
}

}  // namespace
