// The listing "Opis": pages by LimRad, the header on the first page whatever the
// page length, no report for an empty list, and the header and line variants.
#include "common/numbers.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace codelists;
using cltest::Strings;
using CodeListListing = cltest::CodeListTest;
using common::Cz;

std::vector<std::string> Numbered(int n) {
  std::vector<std::string> keys;
  for (int i = 1; i <= n; ++i) keys.push_back(common::FormatFloatMask("@@@", i));
  return keys;
}

int FormFeeds(const std::vector<std::string>& lines) {
  int n = 0;
  for (const std::string& l : lines) n += l == "\f";
  return n;
}

TEST_F(CodeListListing, FiftyNineRecordsOnSixtyFourLinesMakeTwoPages) {
  common::CurrentSession().LimRad = 64;
  common::CurrentSession().FirmTitle = "Firma";
  WriteList(Cis11Spec(), Numbered(59));
  TfCis11 w;
  SetupCis11(w);
  w.CodeListPrint();
  EXPECT_EQ(writer.job, "CI_OPIS");
  EXPECT_EQ(writer.width, 100);
  EXPECT_EQ(writer.closed, 1);
  const auto& lines = writer.lines;
  ASSERT_EQ(lines.size(), 7u + 58u + 8u + 1u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[2], "Firma" + std::string(13, ' ') + Cz("Předkontace (11)") + std::string(10, ' ') +
                          "List:  1 Datum: 06.12.26");
  EXPECT_EQ(lines[4].size(), 132u);  // the caption line of 43 fields, cut
  EXPECT_EQ(lines[5], std::string(132, '='));
  EXPECT_TRUE(lines[7].starts_with("001 Text 001"));
  EXPECT_EQ(lines[7].size(), 132u);
  EXPECT_EQ(lines[65], "\f");
  EXPECT_NE(lines[68].find("List:  2"), std::string::npos);
  EXPECT_TRUE(lines[73].starts_with("059 "));
  EXPECT_EQ(FormFeeds(lines), 1);
  w.CloseBrowse();
}

TEST_F(CodeListListing, TheFirstPageHasItsHeaderWhateverThePageLength) {
  const struct {
    int limRad;
    int novyList;
    int formFeeds;
  } cases[] = {{130, 0, 0}, {200, 0, 0}, {64, 1, 1}};
  WriteList(Cis20Spec(), Numbered(3));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limRad);
    common::CurrentSession().LimRad = c.limRad;
    common::CurrentSession().NovyList = c.novyList;
    TfCis20 w;
    SetupCis20(w);
    w.CodeListPrint();
    ASSERT_EQ(writer.lines.size(), 7u + c.formFeeds + 3u);
    EXPECT_EQ(FormFeeds(writer.lines), c.formFeeds);
    EXPECT_NE(writer.lines[static_cast<std::size_t>(2 + c.formFeeds)].find(Cz("Osnova rozvahy (20)")), std::string::npos);
    EXPECT_EQ(writer.lines[static_cast<std::size_t>(4 + c.formFeeds)],
              Cz("Řád Název") + std::string(26, ' ') + Cz("Kam č.ř.vý Datum  "));
    w.CloseBrowse();
  }
}

TEST_F(CodeListListing, AnEmptyListProducesNoReport) {
  TfCis36 w;
  SetupCis36(w);
  w.CodeListPrint();
  EXPECT_EQ(writer.opened, 0);
  EXPECT_TRUE(Messages().empty());
  w.EndOfRunClose();
}

TEST_F(CodeListListing, ThePopupItemPrintsTheContracts) {
  WriteList(Cis36Spec(), {"Z1"});
  TfCis36 w;
  SetupCis36(w);
  ui::MenuItem* item = w.PopupMenu1.Find("h1");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->visible);
  EXPECT_FALSE(w.PopupMenu1.Find("i1")->visible);
  EXPECT_FALSE(w.PopupMenu1.Find("j1")->visible);
  item->onClick(*item);
  ASSERT_EQ(writer.lines.size(), 8u);
  EXPECT_NE(writer.lines[2].find(Cz("Zakázky (36)")), std::string::npos);
  EXPECT_TRUE(writer.lines[7].starts_with("Z1 Text Z1"));
  w.EndOfRunClose();
}

// A list with the other header and line variants.
const CodeListSpec& VariantSpec(ListingHeader header, ListingLine line) {
  static const std::vector<FieldSpec> fields = {{"Kód", "X", "   ", 1, 2}, {"Text", " ", std::string_view("          "), 2, 2}};
  static CodeListSpec spec;
  spec.file = "CI98.DTA";
  spec.recordLength = 15;
  spec.fields = fields;
  spec.listing = {"TEXTY", 132, "TEXTY", 200, header, line, 6, 132, "Název"};
  return spec;
}

TEST_F(CodeListListing, TextyHeaderAndCollapsedLines) {
  common::CurrentSession().FirmTitle = "F";
  const CodeListSpec& spec = VariantSpec(ListingHeader::Texty, ListingLine::CollapseAfter);
  WriteData("CI98.DTA", cltest::MakeRecord(spec, {{1, "A"}, {2, "x    y   z"}}));
  CodeListWindow w("fCis98", spec);
  w.Setup();
  w.CodeListPrint();
  EXPECT_EQ(writer.job, "TEXTY");
  EXPECT_EQ(writer.lines, (Strings{"\f", "", "", "F" + std::string(13, ' ') + "TEXTY" + std::string(34, ' ') + "L:  1 D:06.12.26",
                                   "", Cz("Název"), std::string(94, '='), "", "A   x y z "}));
  w.CloseBrowse();
}

}  // namespace
