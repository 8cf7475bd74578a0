// The statement schemes 270, 27P and 260: parent codes, "Setřiď" with the rows
// without a code last, "Spočítej", the menu items of each variant, the row insert and
// delete on this layout, the layout conversion and the listing.
#include <filesystem>

#include "codelists/schemes.h"
#include "common/faultfs.h"
#include "common/numbers.h"
#include "tests/codelists/outlinekit.h"

namespace {

using namespace codelists;
using namespace codelists::scheme;
using cltest::kToday;
using cltest::Strings;
using common::Cz;
using Row = std::map<int, std::string>;

class CodeListSchemes : public cltest::OutlineTest {
 protected:
  void Write(SchemeKind kind, const std::string& file, const std::vector<Row>& rows) const {
    WriteRows(SchemeSpec(kind), file, rows);
  }
  Strings Col(SchemeKind kind, const std::string& file, int f) const { return Field(SchemeSpec(kind), file, f); }
  Strings Trim(SchemeKind kind, const std::string& file, int f) const { return cltest::Trimmed(Col(kind, file, f)); }
  static void Menu(SchemeWindow& w, const char* slot) {
    ui::MenuItem* item = w.PopupMenu1.Find(slot);
    ASSERT_NE(item, nullptr) << slot;
    ASSERT_TRUE(item->visible) << slot;
    item->onClick(*item);
  }
};

constexpr SchemeKind k270 = SchemeKind::Balance270, k27P = SchemeKind::Annex27P, k260 = SchemeKind::Income260;

std::string Code(std::string_view c) {
  std::string s(c);
  s.resize(16, ' ');
  return s;
}

TEST_F(CodeListSchemes, ParentCodeCutsAfterTheSecondDotFromTheRight) {
  const struct {
    const char* code;
    const char* parent;
  } cases[] = {{"A.II.5.", "A.II."},  {"A.II.", "A."},     {"A.", ""},         {"", ""},
               {"A.I.1.          ", "A.I."}, {"  A.I.", "A."}, {"A.II.5", "A."}, {"ABC", ""}};
  for (const auto& c : cases) EXPECT_EQ(ParentCode(c.code, 16), Code(c.parent)) << c.code;
  EXPECT_EQ(ParentCode("A.II.5.", 3), "A.I");
  const struct {
    const char* code;
    bool none;
  } codes[] = {{"", true}, {"   ", true}, {"   X.", true}, {"  X.", false}, {"ZZZ.", false}, {"                ", true}};
  for (const auto& c : codes) EXPECT_EQ(HasNoCode(c.code), c.none) << '"' << c.code << '"';
}

// The example rows: shuffled, with a deleted row and a row without a code.
std::vector<Row> ExampleRows(bool withMiddle) {
  std::vector<Row> rows = {{{1, " 10"}, {2, "Aktiva celkem"}, {4, ""}},
                           {{1, "  7"}, {2, "Stálá aktiva"}, {4, "A.I.1."}},
                           {{1, "999"}, {2, "Zrušená"}, {4, "A.I.2."}},
                           {{1, "  3"}, {2, "Pohledávky"}, {4, "A."}}};
  if (withMiddle) rows.push_back({{1, "  5"}, {2, "*Nehmotný"}, {4, "A.I."}});
  return rows;
}

TEST_F(CodeListSchemes, CountPointsEachRowAtItsParentAndIsIdempotent) {
  Write(k270, "CI270.DTA", ExampleRows(true));
  SchemeWindow& w = fCis270();
  SetupCis270(w, "270");
  Menu(w, "f1");
  const std::string file = "CI270.DTA";
  EXPECT_EQ(Trim(k270, file, kCode), (Strings{"A.", "A.I.", "A.I.1.", ""}));
  EXPECT_EQ(Col(k270, file, kRow), (Strings{"  1", "  2", "  3", "  4"}));
  EXPECT_EQ(Trim(k270, file, kParent), (Strings{"", "A.", "A.I.", ""}));
  // A. into the row without a code (last), A.I. into A., A.I.1. into A.I.
  EXPECT_EQ(Col(k270, file, kTarget), (Strings{"  4", "  1", "  2", "   "}));
  const Strings names = Trim(k270, file, kName);
  EXPECT_EQ(names, (Strings{Cz(" Pohledávky"), Cz("*Nehmotný"), Cz("Stálá aktiva"), Cz(" Aktiva celkem")}));
  EXPECT_EQ(Col(k270, file, kDate), Strings(4, kToday));
  const std::string once = ReadData(file);
  Menu(w, "f1");
  EXPECT_EQ(ReadData(file), once);
  w.CloseBrowse();

  // Without A.I. the row A.I.1. goes to the closest ancestor in the list, A.
  Write(k270, file, ExampleRows(false));
  SetupCis270(w, "270");
  w.CountRows();
  EXPECT_EQ(Trim(k270, file, kCode), (Strings{"A.", "A.I.1.", ""}));
  EXPECT_EQ(Col(k270, file, kTarget), (Strings{"  3", "  1", "   "}));
  EXPECT_EQ(Trim(k270, file, kParent), (Strings{"", "A.I.", ""}));
  w.CloseBrowse();
  EXPECT_TRUE(Messages().empty());
}

// "Spočítej" is one step, the sort and the numbering: whichever of its writes fails, the
// file is as before the sort, and only the failed write is said.
TEST_F(CodeListSchemes, ACountWhoseSortOrNumberingFailsHalfWayLeavesTheFileAsItWas) {
  Write(k270, "CI270.DTA", ExampleRows(true));
  const std::string before = ReadData("CI270.DTA");
  SchemeWindow& w = fCis270();
  SetupCis270(w, "270");
  w.CountRows();
  w.CloseBrowse();
  const std::string after = ReadData("CI270.DTA");
  ASSERT_NE(after, before);
  ASSERT_TRUE(Messages().empty());
  int failed = 0;
  for (int skip = 0;; ++skip) {
    SCOPED_TRACE(skip);
    ASSERT_LT(skip, 100);
    notes.calls.clear();
    WriteData("CI270.DTA", before);
    SetupCis270(w, "270");
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Write, ENOSPC, "CI270", 1, skip);  // every write of the step in turn
    {
      common::ScopedFileSystem use(fs);
      w.CountRows();
    }
    const std::size_t count = static_cast<std::size_t>(w.Count);
    w.CloseBrowse();
    if (Messages().empty()) {
      EXPECT_EQ(ReadData("CI270.DTA"), after);
      break;
    }
    ++failed;
    EXPECT_EQ(ReadData("CI270.DTA"), before);
    EXPECT_EQ(count, before.size() / 316);
    ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
    EXPECT_TRUE(Messages()[0].starts_with("Uz: 01 pise soubor: ") ||
                Messages()[0].find(Cz(" se nepřepíše, ")) != std::string::npos)
        << Messages()[0];
  }
  EXPECT_GT(failed, 8);  // the sort's writes and the numbering's
}

TEST_F(CodeListSchemes, AnnexCountUsesZerosStarMarksAndPassesUncodedRowsOver) {
  Write(k27P, "CI80.DTA", {{{1, "001"}, {2, "Celkem"}, {4, "A."}, {5, "kept"}},
                           {{1, "002"}, {2, "* Hotovo"}, {4, "A.1."}},
                           {{1, "003"}, {2, "Bez kódu"}, {4, ""}},
                           {{1, "004"}, {2, "Položka"}, {4, "A.1.a."}}});
  SchemeWindow& w = fCis27P();
  SetupCis27P(w, "80");
  w.CountRows();
  const std::string file = "CI80.DTA";
  EXPECT_EQ(Col(k27P, file, kRow), (Strings{"001", "002", "003", "004"}));
  // A. goes into the first row without a code, which itself is passed over.
  EXPECT_EQ(Col(k27P, file, kTarget), (Strings{"003", "001", "   ", "002"}));
  EXPECT_EQ(Trim(k27P, file, kParent), (Strings{"kept", "", "", ""}));
  EXPECT_EQ(Trim(k27P, file, kName), (Strings{"* Celkem", "* Hotovo", Cz("* Bez kódu"), Cz("Položka")}));
  w.CountRows();
  EXPECT_EQ(Trim(k27P, file, kName)[0], "* Celkem");
  w.CloseBrowse();
}

TEST_F(CodeListSchemes, SortKeepsRealZzzCodesAndPutsUncodedRowsLastAsBlanks) {
  Write(k270, "CI270.DTA", {{{1, "  1"}, {2, "bez"}, {4, "   X."}},
                            {{1, "  2"}, {2, "zet"}, {4, "ZZZ.A."}},
                            {{1, "999"}, {2, "pryč"}, {4, "B."}},
                            {{1, "  4"}, {2, "áčko"}, {4, "A."}}});
  SchemeWindow& w = fCis270();
  SetupCis270(w, "270");
  Menu(w, "e1");
  const std::string file = "CI270.DTA";
  EXPECT_EQ(Col(k270, file, kCode), (Strings{Code("A."), Code("ZZZ.A."), Code("")}));
  EXPECT_EQ(Col(k270, file, kRow), (Strings{"  1", "  2", "  3"}));
  EXPECT_EQ(Col(k270, file, kDate), Strings(3, kToday));
  EXPECT_EQ(std::filesystem::file_size(DataPath(file)), 3u * 316u);
  EXPECT_EQ(w.Count, 3);
  w.CloseBrowse();

  // 260 orders by "Řádek" and leaves codes as they are.
  Write(k260, "CI260.DTA", {{{1, "  2"}, {4, "   X."}}, {{1, "  1"}, {4, "B."}}});
  SchemeWindow& v = fCis260();
  SetupCis260(v, "260");
  v.SortScheme();
  EXPECT_EQ(Trim(k260, "CI260.DTA", kCode), (Strings{"B.", "   X."}));
  v.CloseBrowse();
}

TEST_F(CodeListSchemes, EditsAndNewRowsMoveInTheSortOrder) {
  Write(k270, "CI270.DTA", {{{1, "  1"}, {2, "A"}, {4, "A."}}, {{1, "  2"}, {2, "B"}, {4, "B."}}, {{1, "  3"}, {2, "bez"}, {4, ""}}});
  SchemeWindow& w = fCis270();
  SetupCis270(w, "270");
  Show(w);
  const std::string file = "CI270.DTA";
  // The only row without a code, edited, stays last.
  w.GoToRecord(3, 0);
  edit.Keys("Down").Type("Celkem").Keys("F2");
  Keys("Space");
  EXPECT_EQ(Trim(k270, file, kName), (Strings{"A", "B", "Celkem"}));
  EXPECT_EQ(w.Current, 3);
  // A new row with a code comes before it; one coded "AB." between A. and B.
  edit.Type("  4").Keys("Down").Type("Nový").Keys("Down Down").Type("AB.").Keys("F2");
  Keys("F4");
  EXPECT_EQ(Trim(k270, file, kCode), (Strings{"A.", "AB.", "B.", ""}));
  EXPECT_EQ(w.Current, 2);
  // F8 leaves the row in the list as "999" until "Setřiď".
  w.GoToRecord(1, 0);
  Keys("F8");
  EXPECT_EQ(Col(k270, file, kRow).size(), 4u);
  const Strings rows = Col(k270, file, kRow);
  EXPECT_NE(std::find(rows.begin(), rows.end(), "999"), rows.end());
  w.CloseBrowse();
  EXPECT_EQ(Col(k270, file, kRow).size(), 4u);  // the close sorts nothing
  SetupCis270(w, "270");
  w.SortScheme();
  EXPECT_EQ(Trim(k270, file, kCode), (Strings{"AB.", "B.", ""}));
  w.CloseBrowse();
}

TEST_F(CodeListSchemes, AnAnnexOfThreeRowsLosesItsDeletedRowOnSort) {
  // 3 x 316 bytes already in the new layout: the conversion leaves them alone.
  Write(k27P, "CI81.DTA", {{{1, "001"}, {2, "jedna"}}, {{1, "002"}, {2, "dva"}}, {{1, "003"}, {2, "tři"}}});
  const std::string before = ReadData("CI81.DTA");
  SchemeWindow& w = fCis27P();
  SetupCis27P(w, "81");
  EXPECT_EQ(ReadData("CI81.DTA"), before);
  EXPECT_EQ(w.DataFileName, "CI81.DTA");
  EXPECT_EQ(w.caption(), Cz("Číselník 81"));
  EXPECT_EQ(w.EditTitle, "81");
  Show(w);
  w.GoToRecord(2, 0);
  Keys("F8");
  EXPECT_EQ(Col(k27P, "CI81.DTA", kRow), (Strings{"001", "999", "003"}));
  EXPECT_EQ(w.Current, 2);
  Menu(w, "e1");
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI81.DTA")), 632u);
  EXPECT_EQ(Col(k27P, "CI81.DTA", kRow), (Strings{"001", "002"}));
  EXPECT_EQ(Trim(k27P, "CI81.DTA", kName), (Strings{"jedna", Cz("tři")}));
  w.CloseBrowse();
}

TEST_F(CodeListSchemes, RowsInsertAndDeleteWithTheVariantsMaskAndGuardTheirEnds) {
  Write(k270, "CI77.DTA", {{{1, "  1"}, {3, "  3"}}, {{1, "  2"}, {3, "  3"}}, {{1, "  3"}}, {{1, "  4"}, {3, "  1"}}});
  SchemeWindow& w = fCis270();
  SetupCis270(w, "77");
  w.GoToRecord(2, 0);
  Menu(w, "h1");
  EXPECT_EQ(Col(k270, "CI77.DTA", kRow), (Strings{"  1", "  2", "  3", "  4", "  5"}));
  EXPECT_EQ(Col(k270, "CI77.DTA", kTarget), (Strings{"  4", "  4", "  4", "   ", "  1"}));
  w.GoToRecord(2, 0);
  Menu(w, "k1");
  EXPECT_EQ(Col(k270, "CI77.DTA", kTarget), (Strings{"  3", "  3", "   ", "  1"}));
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI77.DTA")), 4u * 316u);
  w.CloseBrowse();

  // An empty list: neither does anything; a list of one row becomes empty.
  WriteData("CI77.DTA", "");
  SetupCis270(w, "77");
  EXPECT_FALSE(codelists::InsertRow(w, SchemeRows(k270)));
  EXPECT_FALSE(codelists::DeleteRow(w, SchemeRows(k270)));
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI77.DTA")), 0u);
  w.CloseBrowse();
  Write(k270, "CI77.DTA", {{{1, "  1"}}});
  SetupCis270(w, "77");
  w.DeleteRow();
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI77.DTA")), 0u);
  EXPECT_EQ(w.Count, 0);
  w.CountRows();  // nothing to count
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI77.DTA")), 0u);
  w.CloseBrowse();
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CodeListSchemes, LiabilitiesXNeedsAHundredAndOneRows) {
  std::vector<Row> rows;
  for (int i = 1; i <= 100; ++i) rows.push_back({{1, common::FormatFloatMask("##@", i)}, {4, "P.A.I."}});
  Write(k270, "CI270.DTA", rows);
  const std::string hundred = ReadData("CI270.DTA");
  SchemeWindow& w = fCis270();
  SetupCis270(w, "270");
  Menu(w, "N7");
  EXPECT_EQ(ReadData("CI270.DTA"), hundred);
  w.CloseBrowse();
  rows.push_back({{1, "101"}, {4, "P.A.I."}});
  rows.push_back({{1, "102"}, {4, "P.A.I.1.ABCDEFGH"}});
  Write(k270, "CI270.DTA", rows);
  SetupCis270(w, "270");
  w.LiabilitiesX();
  const Strings codes = Col(k270, "CI270.DTA", kCode);
  EXPECT_EQ(codes[99], Code("P.A.I."));
  EXPECT_EQ(codes[100], Code("P.X.A.I."));
  EXPECT_EQ(codes[101], "P.X.A.I.1.ABCDEF");
  const Strings dates = Col(k270, "CI270.DTA", kDate);
  EXPECT_NE(dates[99], kToday);
  EXPECT_EQ(dates[100], kToday);
  w.CloseBrowse();
}

TEST_F(CodeListSchemes, KlicKamStarsAndMarksOfEachVariant) {
  const std::vector<Row> rows = {{{1, "  1"}, {2, "* Aktiva"}, {4, "A.II.5."}, {5, "old"}},
                                 {{1, "  2"}, {2, "Pasiva"}, {4, "B."}, {5, "old"}}};
  Write(k270, "CI270.DTA", rows);
  SchemeWindow& w = fCis270();
  SetupCis270(w, "270");
  Menu(w, "g1");
  EXPECT_EQ(Col(k270, "CI270.DTA", kParent), (Strings{Code("A.II."), Code("")}));
  Menu(w, "N6");  // "Uprav *"
  EXPECT_EQ(Col(k270, "CI270.DTA", kName)[0], " Aktiva" + std::string(23, ' '));
  EXPECT_EQ(Trim(k270, "CI270.DTA", kName)[1], "Pasiva");
  // "Odeber stm:": the marked row's code begins with "P", unstamped, the mark gone.
  w.CloseBrowse();
  Write(k270, "CI270.DTA", rows);
  SetupCis270(w, "270");
  const std::string old = Col(k270, "CI270.DTA", kDate)[1];
  w.Marks.Mark(2);
  Menu(w, "N3");
  EXPECT_EQ(Trim(k270, "CI270.DTA", kCode), (Strings{"A.II.5.", "P."}));
  EXPECT_EQ(Col(k270, "CI270.DTA", kDate)[1], old);
  EXPECT_FALSE(w.IsMarked(2));
  w.CloseBrowse();

  Write(k260, "CI260.DTA", rows);
  SchemeWindow& v = fCis260();
  SetupCis260(v, "260");
  Menu(v, "g1");
  EXPECT_EQ(Col(k260, "CI260.DTA", kParent), Strings(2, Code("")));
  Menu(v, "d1");  // "Oprav *"
  EXPECT_EQ(Col(k260, "CI260.DTA", kName)[0], "Aktiva" + std::string(24, ' '));
  v.CloseBrowse();

  // The menus shown.
  const Strings common = {"h1 " + Cz("Přidej před větu"), "k1 " + Cz("Zruš větu"), "N1 -", "N2 Naber XML texty",
                          "N3 Odeber stm:", "N4 " + Cz("Vytvoř 80 z Gordic"), "N5 Texty 27 z Gordic"};
  const Strings shown260 = cltest::ShownMenu(v), shown27P = cltest::ShownMenu(fCis27P()), shown270 = cltest::ShownMenu(w);
  for (const std::string& item : common) {
    EXPECT_NE(std::find(shown27P.begin(), shown27P.end(), item), shown27P.end()) << item;
    EXPECT_NE(std::find(shown260.begin(), shown260.end(), item), shown260.end()) << item;
  }
  EXPECT_EQ(shown27P.size(), 11u);
  EXPECT_EQ(shown260.size(), 12u);
  EXPECT_EQ(shown270.size(), 13u);
  EXPECT_NE(std::find(shown270.begin(), shown270.end(), "N7 Pasiva X"), shown270.end());
  EXPECT_EQ(std::find(shown27P.begin(), shown27P.end(), "N7 Pasiva X"), shown27P.end());
  EXPECT_EQ(w.PopupMenu1.Find("A1")->visible, false);
  EXPECT_EQ(w.PopupMenu1.Find("j1")->visible, false);
}

TEST_F(CodeListSchemes, SetupConvertsTheBalanceSheetLayoutIntoTheSchemeLayout) {
  // Two rows of the 289-byte layout.
  std::string old;
  for (const char* row : {"001", "002"}) {
    std::string r(289, '\0');
    common::PutCounted(r, 0, row, 3);
    common::PutCounted(r, 4, Cz("Aktiva") + std::string(24, ' '), 30);
    common::PutCounted(r, 35, "  1", 3);
    common::PutCounted(r, 39, "  AII5", 6);
    for (int a = 0; a < 5; ++a) common::PutCounted(r, 46 + 31 * a, std::string(30, ' '), 30);
    common::PutCounted(r, 201, "240101", 6);
    common::PutCounted(r, 208, std::string(80, ' '), 80);
    old += r;
  }
  WriteData("CI86.DTA", old);
  SchemeWindow& w = fCis27P();
  SetupCis27P(w, "86");
  EXPECT_EQ(w.Count, 2);
  const std::string bytes = ReadData("CI86.DTA");
  ASSERT_EQ(bytes.size(), 632u);
  const std::string r2 = bytes.substr(316, 316);
  EXPECT_EQ(r2.substr(0, 4), "\x03" "002");
  EXPECT_EQ(r2.substr(39, 17), "\x10  AII5          ");
  EXPECT_EQ(r2.substr(56, 17), "\x10" + std::string(16, ' '));
  EXPECT_EQ(r2.substr(228, 7), "\x06" "240101");
  EXPECT_EQ(r2.substr(235, 81), "\x50" + std::string(80, ' '));
  // The grid shows the date as DD.MM.YY.
  EXPECT_NE(w.RecordToColumns(2).find("01.01.24"), std::string::npos) << w.RecordToColumns(2);
  // The template: "Řádek" of the picture "P" zero-filled, today's date.
  EXPECT_EQ(common::GetCounted(w.RecordTemplate, 0, 3), "000");
  EXPECT_EQ(common::GetCounted(w.RecordTemplate, 228, 6), kToday);
  w.CloseBrowse();
}

// A cut layout file of the scheme is named as what is wrong, not the list's file, and
// nothing is converted: the list opens for reading only and keeps its bytes.
TEST_F(CodeListSchemes, ACutLayoutFileIsNamedAndTheListKeepsItsBytes) {
  const std::string layout = dir / "dlib/ci270.pol";
  const std::string text = ostest::ReadRaw(layout);
  std::size_t cut = 0;
  for (int line = 0; line < 8; ++line) cut = text.find('\n', cut) + 1;  // the title and seven items
  ostest::WriteRaw(layout, text.substr(0, cut));
  for (const char* n : {"77", "80"}) {
    SCOPED_TRACE(n);
    const std::string file = std::string("ci") + n + ".dta";
    Write(k270, file, {{{1, "  1"}, {4, "A."}}, {{1, "  2"}, {4, "A.I."}}, {{1, "  3"}, {4, "B."}}});
    const std::string before = ReadData(file);
    ASSERT_EQ(before.size(), 948u);
    notes.calls.clear();
    SchemeWindow& w = std::string(n) == "77" ? fCis270() : fCis27P();
    (std::string(n) == "77" ? SetupCis270 : SetupCis27P)(w, n);
    EXPECT_EQ(Messages(), Strings{Cz("Chybný popis položek ") + layout +
                                  Cz(" - věta o 135 bajtech, seznam má věty o 316; soubor ") + DataPath(file) +
                                  Cz(" otevírám jen pro čtení")});
    EXPECT_FALSE(w.DataFileUsable());
    EXPECT_EQ(w.Count, 3);
    w.CloseBrowse();
    EXPECT_EQ(ReadData(file), before);
  }
}

TEST_F(CodeListSchemes, ListingHasTheFixedColumnLineAndSixtyFixedCharacters) {
  Write(k270, "CI77.DTA", {{{1, "  1"}, {2, "Aktiva celkem"}, {3, "  4"}, {4, "A."}, {6, "  011   012"}, {7, "013"}, {8, "   014"}, {9, "nevytištěno"}}});
  SchemeWindow& w = fCis270();
  SetupCis270(w, "77");
  Menu(w, "i1");
  ASSERT_EQ(writer.job, "CI_OPIS");
  EXPECT_EQ(writer.width, 200);
  ASSERT_EQ(writer.lines.size(), 8u);
  EXPECT_NE(writer.lines[2].find("Osnova Rozvahy (77)"), std::string::npos) << writer.lines[2];
  std::string columns = Cz("Výkaz            název                        č.ř. kam      účty");
  columns.resize(96, ' ');
  EXPECT_EQ(writer.lines[4], columns);
  EXPECT_EQ(writer.lines[4].size(), 96u);
  EXPECT_EQ(writer.lines[5], std::string(96, '='));
  EXPECT_EQ(writer.lines[7], Code("A.") + " " + "Aktiva celkem" + std::string(17, ' ') + "   1   4     " + "011 012 013 014 ");
  w.CloseBrowse();
  // An empty list prints nothing.
  WriteData("CI77.DTA", "");
  writer.opened = 0;
  SetupCis270(w, "77");
  w.CodeListPrint();
  EXPECT_EQ(writer.opened, 0);
  w.CloseBrowse();
}

TEST_F(CodeListSchemes, ImportsLandInTheTextAndNumberRowsWithTheMask) {
  Write(k260, "CI260.DTA", {{{1, "  1"}}, {{1, "  2"}}});
  ostest::WriteRaw(dir / "A4.prl", Cz("x\n<1234Provozní>\n"));
  SchemeWindow& w = fCis260();
  SetupCis260(w, "260");
  w.ImportFolder = dir.path();
  Menu(w, "N4");
  EXPECT_EQ(Col(k260, "CI260.DTA", kRow), (Strings{"  1", "  2", "  2"}));
  EXPECT_EQ(Trim(k260, "CI260.DTA", kName)[2], Cz("Provozní"));
  EXPECT_EQ(Trim(k260, "CI260.DTA", kText)[2], Cz("1234Provozní"));
  w.CloseBrowse();
}

}  // namespace
