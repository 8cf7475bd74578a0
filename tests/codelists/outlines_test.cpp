// The outlines of the income statement (26, 76) and of the balance sheet (27): the
// layout conversion on opening, the sorts on every edit and their fallback while another
// user holds the file, row insert and delete with renumbering, the statutory rows, the
// text imports and the listings.
#include <filesystem>

#include "codelists/outlines.h"
#include "codelists/rows.h"
#include "common/faultfs.h"
#include "common/locking.h"
#include "common/session.h"
#include "tests/codelists/outlinekit.h"

namespace {

using namespace codelists;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using common::Cz;
using CodeListOutline26 = cltest::OutlineTest;
using CodeListOutline27 = cltest::OutlineTest;

std::string No(int i) { return common::FormatFloatMask("@@@", i); }

// Ten rows of list 26: row i adds into Kam1 (i + 1, "   " for 10), Kam2 "  7".
std::vector<std::map<int, std::string>> TenRows() {
  std::vector<std::map<int, std::string>> rows;
  for (int i = 1; i <= 10; ++i)
    rows.push_back({{1, No(i)}, {2, "Řádek " + std::to_string(i)}, {3, i < 10 ? common::FormatFloatMask("###", i + 1) : "   "},
                    {4, "  7"}});
  return rows;
}

TEST_F(CodeListOutline26, SetupConvertsTheOlderLayoutAndOpensListSeventySixAlike) {
  // Two rows in the older layout (no "Text"): 219 bytes each.
  std::string old;
  for (const char* row : {"001", "002"}) {
    std::string r(219, '\0');
    common::PutCounted(r, 0, row, 3);
    common::PutCounted(r, 4, Cz("Tržby") + std::string(25, ' '), 30);
    common::PutCounted(r, 212, kOld, 6);
    old += r;
  }
  WriteData("CI76.DTA", old);
  TfCis26 w;
  SetupCis26(w, "76");
  EXPECT_EQ(w.DataFileName, "CI76.dta");
  EXPECT_EQ(w.Count, 2);
  EXPECT_EQ(w.EditTitle, " CI26 ");
  EXPECT_EQ(ReadData("CI76.DTA").size(), 600u);
  EXPECT_EQ(Field(Cis26Spec(), "CI76.DTA", 2)[1], Cz("Tržby") + std::string(25, ' '));
  EXPECT_EQ(Field(Cis26Spec(), "CI76.DTA", 12), (Strings{kOld, kOld}));
  EXPECT_EQ(Field(Cis26Spec(), "CI76.DTA", 13)[0], std::string(80, ' '));
  EXPECT_EQ(common::GetCounted(w.RecordTemplate, 212, 6), kToday);
  w.CodeListPrint();
  ASSERT_GT(writer.lines.size(), 3u);
  EXPECT_NE(writer.lines[2].find(Cz("Osnova Výsledovky (26)")), std::string::npos);
  EXPECT_EQ(writer.width, 130);
  w.CloseBrowse();
  // A second opening leaves the converted file alone.
  SetupCis26(w, "76");
  EXPECT_EQ(ReadData("CI76.DTA").size(), 600u);
  w.CloseBrowse();
  EXPECT_TRUE(Messages().empty());
}

TEST_F(CodeListOutline26, AFailedConversionIsReportedAndTheFileOpensAsItWas) {
  std::string old;
  for (const char* row : {"001", "002"}) {
    std::string r(219, '\0');
    common::PutCounted(r, 0, row, 3);
    common::PutCounted(r, 4, std::string(30, ' '), 30);
    common::PutCounted(r, 212, kOld, 6);
    old += r;
  }
  WriteData("CI26.DTA", old);
  common::FaultFileSystem fs;
  fs.Fail(common::FsOp::Write, ENOSPC, "/.~");
  TfCis26 w;
  {
    common::ScopedFileSystem use(fs);
    SetupCis26(w, "26");
  }
  // The file in the older layout then opens with a cut record at its end, and is told so.
  ASSERT_EQ(Messages().size(), 2u) << notes.Dump();
  EXPECT_TRUE(Messages()[0].starts_with("Uz: 01 pise soubor: ")) << Messages()[0];
  EXPECT_NE(Messages()[1].find(Cz(" končí useknutou větou")), std::string::npos) << notes.Dump();
  EXPECT_EQ(ReadData("CI26.DTA"), old);
  EXPECT_TRUE(w.DataFileUsable());
  w.CloseBrowse();
}

TEST_F(CodeListOutline26, InsertRenumbersTheRowsBehindAndTheFirstReferencesAbove) {
  const struct {
    int at;
    Strings names, kam1;
  } cases[] = {
      {5,
       {"Řádek 1", "Řádek 2", "Řádek 3", "Řádek 4", "Řádek 5", "Řádek 5", "Řádek 6", "Řádek 7", "Řádek 8", "Řádek 9", "Řádek 10"},
       {"  2", "  3", "  4", "  5", "  7", "  7", "  8", "  9", " 10", " 11", "   "}},
      // At the last row: a copy of it at the end.
      {10,
       {"Řádek 1", "Řádek 2", "Řádek 3", "Řádek 4", "Řádek 5", "Řádek 6", "Řádek 7", "Řádek 8", "Řádek 9", "Řádek 10", "Řádek 10"},
       {"  2", "  3", "  4", "  5", "  6", "  7", "  8", "  9", " 10", "   ", "   "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at);
    WriteRows(Cis26Spec(), "CI26.DTA", TenRows());
    TfCis26 w;
    SetupCis26(w, "26");
    w.GoToRecord(c.at, 0);
    w.InsertRow();
    Strings rows, names;
    for (int i = 1; i <= 11; ++i) rows.push_back(No(i));
    for (const std::string& n : c.names) names.push_back(Cz(n));
    EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 1), rows);
    EXPECT_EQ(cltest::Trimmed(Field(Cis26Spec(), "CI26.DTA", 2)), names);
    EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 3), c.kam1);
    EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 4), Strings(11, "  7"));
    EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 12), Strings(11, kOld));  // moved, not stamped
    EXPECT_EQ(w.Count, 11);
    w.CloseBrowse();
  }
}

TEST_F(CodeListOutline26, DeleteRenumbersAndCutsTheFileToTheNewCount) {
  WriteRows(Cis26Spec(), "CI26.DTA", TenRows());
  TfCis26 w;
  SetupCis26(w, "26");
  Show(w);
  w.GoToRecord(5, 0);
  // Through the popup, as the user chooses it.
  w.PopupMenu1.Find("i1")->onClick(*w.PopupMenu1.Find("i1"));
  Strings rows;
  for (int i = 1; i <= 9; ++i) rows.push_back(No(i));
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 1), rows);
  EXPECT_EQ(cltest::Trimmed(Field(Cis26Spec(), "CI26.DTA", 2))[4], Cz("Řádek 6"));
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 3), (Strings{"  2", "  3", "  4", "  5", "  6", "  7", "  8", "  9", "   "}));
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI26.DTA")), 2700u);
  EXPECT_EQ(w.Count, 9);
  w.CloseBrowse();

  // The only row: an empty file.
  WriteRows(Cis26Spec(), "CI26.DTA", {{{1, "001"}}});
  SetupCis26(w, "26");
  w.DeleteRow();
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI26.DTA")), 0u);
  EXPECT_EQ(w.Count, 0);
  w.InsertRow();  // no current row: nothing
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI26.DTA")), 0u);
  w.CloseBrowse();
}

TEST_F(CodeListOutline26, AnEditSortsTheWholeFileAndStampsEveryRecord) {
  WriteRows(Cis26Spec(), "CI26.DTA", {{{1, "001"}}, {{1, "002"}}, {{1, "003"}}});
  TfCis26 w;
  SetupCis26(w, "26");
  Show(w);
  w.GoToRecord(1, 0);
  edit.Keys("Down").Type("Nový název").Keys("F2");
  Keys("Space");
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 12), Strings(3, kToday));
  // A row numbered past the others goes to the end at once; F8 removes a row at once.
  w.GoToRecord(1, 0);
  edit.Type("009").Keys("F2");
  Keys("Space");
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 1), (Strings{"002", "003", "009"}));
  w.GoToRecord(2, 0);
  Keys("F8");
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 1), (Strings{"002", "009"}));
  EXPECT_EQ(std::filesystem::file_size(DataPath("CI26.DTA")), 600u);
  edit.Type("001").Keys("F2");
  Keys("F4");
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 1), (Strings{"001", "002", "009"}));
  w.CloseBrowse();
}

TEST_F(CodeListOutline26, WhileAnotherUserHoldsTheFileEditsMoveRecordsAndNothingIsCut) {
  WriteRows(Cis26Spec(), "CI26.DTA", {{{1, "001"}}, {{1, "002"}}, {{1, "003"}}, {{1, "004"}}});
  TfCis26 w;
  SetupCis26(w, "26");
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  w.GoToRecord(3, 0);
  w.DeleteRecord(w.Current);
  // The other workstation appends a row meanwhile; it must survive.
  WriteData("CI26.DTA", ReadData("CI26.DTA") + cltest::MakeRecord(Cis26Spec(), {{1, "005"}}));
  w.GoToRecord(2, 0);
  edit.Type("000").Keys("F2");
  w.EditRecord();
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 1), (Strings{"   ", "000", "002", "004", "005"}));
  EXPECT_EQ(SortCis26(w), false);  // the old panel's sort leaves a held file alone
  w.CloseBrowse();
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 1).size(), 5u);
  // Free again: the next close drops the deleted row.
  common::UnlockFile(other, DataPath("CI26.DTA"));
  SetupCis26(w, "26");
  w.CloseBrowse();
  EXPECT_EQ(Field(Cis26Spec(), "CI26.DTA", 1), (Strings{"000", "002", "004", "005"}));
}

TEST_F(CodeListOutline26, ListingKeepsTheFirst52CharactersAndCollapsesTheRest) {
  WriteRows(Cis26Spec(), "CI26.DTA", {{{1, "001"}, {2, "Tržby" + std::string(25, ' ')}, {6, "601   "}, {7, "601   602" + std::string(21, ' ')}}});
  TfCis26 w;
  SetupCis26(w, "26");
  w.PopupMenu1.Find("A1")->onClick(*w.PopupMenu1.Find("A1"));
  ASSERT_EQ(writer.job, "CI_OPIS");
  const std::string row = w.RecordToColumns(1);
  const std::string line = writer.lines.back();
  // Characters 53 to 200 collapsed: the date and the text lie beyond them.
  EXPECT_EQ(line, row.substr(0, 52) + common::CollapseSpaces(row.substr(52, 148)));
  EXPECT_NE(line.find("1 601 602 "), std::string::npos) << line;
  EXPECT_EQ(line.find(kOld), std::string::npos) << line;
  // Shown: "Opis", "Přidej záznam", "Zruš záznam".
  Strings shown;
  for (const auto& item : w.PopupMenu1.items())
    if (item->visible) shown.push_back(item->caption);
  EXPECT_EQ(shown, (Strings{"Opis", Cz("Zruš záznam"), Cz("Přidej záznam")}));
  w.CloseBrowse();
}

// ---------------------------------------------------------------- list 27

std::vector<std::map<int, std::string>> Rows27(int n) {
  std::vector<std::map<int, std::string>> rows;
  for (int i = 1; i <= n; ++i)
    rows.push_back({{1, No(i)}, {2, "Řádek " + std::to_string(i)}, {3, common::FormatFloatMask("@@@", i % 90 + 1)},
                    {4, "  R" + std::to_string(i)}, {5, "účet " + std::to_string(i)}, {6, "druhý"}, {11, "původní"}});
  return rows;
}

TEST_F(CodeListOutline27, ARowListOf122GetsTheThreeStatutoryRows) {
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(122));
  TfCis27 w;
  SetupCis27(w, "CI27.DTA");  // the old panel's file name is taken as list 27
  EXPECT_EQ(w.DataFileName, "CI27.DTA");
  EXPECT_EQ(w.EditTitle, "27");
  EXPECT_EQ(w.Count, 125);
  const std::string bytes = ReadData("CI27.DTA");
  ASSERT_EQ(bytes.size(), 125u * 289u);
  // Record 78 as stored (dd bs=289 skip=77 count=1).
  const std::string r78 = bytes.substr(77 * 289, 289);
  EXPECT_EQ(r78.substr(0, 4), "\x03" "078");
  EXPECT_EQ(r78.substr(4, 31), "\x1E" + Cz("Rozdíly z přeměn společnosti  "));
  EXPECT_EQ(r78.substr(39, 7), "\x06  AII5");
  EXPECT_EQ(r78.substr(46, 31), "\x1E" + std::string(30, ' '));
  EXPECT_EQ(r78.substr(201, 7), std::string("\x06") + kToday);
  const Strings rows = Field(Cis27Spec(), "CI27.DTA", 1), names = Field(Cis27Spec(), "CI27.DTA", 2);
  EXPECT_EQ(rows[78], "079");
  EXPECT_EQ(names[78], Cz("Rozdíly z ocenění při přeměnác"));
  EXPECT_EQ(rows[85], "086");
  EXPECT_EQ(names[85], Cz("Jiný výsledek hospodaření minu"));
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 4)[85], "  AIV3");
  // The new rows keep the rest of the row before them.
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 6)[77], Cz("druhý"));
  // The rows between keep their order and are renumbered; the last two keep their numbers.
  EXPECT_EQ(rows[79], "080");
  EXPECT_EQ(names[79], Cz("Řádek 78"));
  EXPECT_EQ(rows[122], "123");
  EXPECT_EQ(rows[123], "121");
  EXPECT_EQ(rows[124], "122");
  // A reference above 77 went up by one for each row added below it ("@@@").
  const Strings kam = Field(Cis27Spec(), "CI27.DTA", 3);
  EXPECT_EQ(kam[0], "002");   // row 1 (before the rows added) is left
  EXPECT_EQ(kam[88], "090");  // former row 86 pointed at 87: +1 for each row added
  w.CloseBrowse();
}

TEST_F(CodeListOutline27, OtherCountsAndOtherListsAreLeftAlone) {
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(124));
  const std::string before = ReadData("CI27.DTA");
  TfCis27 w;
  SetupCis27(w, "27");
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI27.DTA"), before);
  WriteRows(Cis27Spec(), "CI28.DTA", Rows27(122));
  SetupCis27(w, "28");
  EXPECT_EQ(w.Count, 122);
  w.CloseBrowse();
  // 123 rows: the second and third rows come in.
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(123));
  SetupCis27(w, "27");
  EXPECT_EQ(w.Count, 125);
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 4)[85], "  AIV3");
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 4)[78], "  AII6");
  w.CloseBrowse();
}

TEST_F(CodeListOutline27, TheTextBetweenTheFirstBrackets) {
  const struct {
    const char* line;
    bool found;
    const char* text;
  } cases[] = {{"x<abc>y<d>", true, "abc"}, {"a>b<c", true, ""}, {"<>", true, ""}, {"no brackets", false, ""},
               {"<only", false, ""}, {"only>", false, ""}};
  for (const auto& c : cases) {
    std::string text = "kept";
    EXPECT_EQ(TagText(c.line, text), c.found) << c.line;
    if (c.found) {
      EXPECT_EQ(text, c.text) << c.line;
    }
  }
}

TEST_F(CodeListOutline27, XmlTextsFillTheRowsButTheLast) {
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(5));
  ostest::WriteRaw(dir / "roz.xml", Cz("<první>\r\nbez značek\n>x<\n"));
  TfCis27 w;
  SetupCis27(w, "27");
  w.MenuCommand(TfCis27::kXml);
  const Strings texts = cltest::Trimmed(Field(Cis27Spec(), "CI27.DTA", 11));
  // Line 1 into row 1, line 2 skipped, line 3 empty text; rows 4 and 5 have no line.
  EXPECT_EQ(texts, (Strings{Cz("první"), Cz("původní"), "", Cz("původní"), Cz("původní")}));
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 11)[2], std::string(80, ' '));
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 10), Strings(5, kOld));
  w.CloseBrowse();

  // One record: nothing read, nothing written.
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(1));
  const std::string one = ReadData("CI27.DTA");
  SetupCis27(w, "27");
  w.MenuCommand(TfCis27::kXml);
  EXPECT_EQ(ReadData("CI27.DTA"), one);
  w.CloseBrowse();
}

TEST_F(CodeListOutline27, GordicRowsStartFromTheTemplateAndGordicTextsStamp) {
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(2));
  ostest::WriteRaw(dir / "A4.prl", Cz("hlava\nnic\n<1234Dlouhodobý majetek>\nnic\n<A.I.Nehmotný>\n"));
  TfCis27 w;
  SetupCis27(w, "27");
  w.RecordRead(2);  // a lookup leaves a row in the buffer
  w.MenuCommand(TfCis27::kGordicRows);
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 1), (Strings{"001", "002", "003", "005"}));
  const Strings names = cltest::Trimmed(Field(Cis27Spec(), "CI27.DTA", 2));
  EXPECT_EQ(names[2], Cz("Dlouhodobý majetek"));
  EXPECT_EQ(names[3], Cz("Nehmotný"));
  EXPECT_EQ(cltest::Trimmed(Field(Cis27Spec(), "CI27.DTA", 11))[2], Cz("1234Dlouhodobý majetek"));
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 3)[3], "   ");  // not row 2's reference
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 5)[3], std::string(30, ' '));
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 10), (Strings{kOld, kOld, kToday, kToday}));

  // rozvaha.txt: line n into row n; a line past the count has no row.
  ostest::WriteRaw(dir / "rozvaha.txt", "<a>\nnic\n<c>\n<d>\n<e>\n");
  w.MenuCommand(TfCis27::kGordicTexts);
  EXPECT_EQ(w.Count, 4);
  EXPECT_EQ(cltest::Trimmed(Field(Cis27Spec(), "CI27.DTA", 11)), (Strings{"a", Cz("původní"), "c", "d"}));
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 10), (Strings{kToday, kOld, kToday, kToday}));

  // "ID do pozn": the code into the text.
  w.MenuCommand(TfCis27::kCodeToText);
  EXPECT_EQ(cltest::Trimmed(Field(Cis27Spec(), "CI27.DTA", 11))[0], "  R1");
  w.CloseBrowse();
}

// Row numbers end at 999: lines past it are not taken and are counted in a message; an
// import text written in UTF-8 is taken in Windows-1250, and the user is told.
TEST_F(CodeListOutline27, GordicRowsStopAtRow999AndUtf8TextsAreConverted) {
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(1));
  std::string prl;
  for (int n = 1; n <= 1002; ++n) prl += n == 998 ? "<1234Dlouhodobý majetek>\n" : n >= 999 ? "<x>\n" : "nic\n";
  ostest::WriteRaw(dir / "A4.prl", prl);  // this source is UTF-8
  TfCis27 w;
  SetupCis27(w, "27");
  w.MenuCommand(TfCis27::kGordicRows);
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 1), (Strings{"001", "998", "999"}));
  EXPECT_EQ(cltest::Trimmed(Field(Cis27Spec(), "CI27.DTA", 2))[1], Cz("Dlouhodobý majetek"));
  EXPECT_EQ(Messages(), (Strings{Cz("Soubor A4.prl je v kódování UTF-8, texty jsou převedeny do Windows-1250"),
                                 Cz("Řádky za 999 nelze očíslovat, nepřevzato řádků: 3")}));
  w.CloseBrowse();
}

TEST_F(CodeListOutline27, AMissingImportFileIsReportedAndNothingIsWritten) {
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(3));
  const std::string before = ReadData("CI27.DTA");
  TfCis27 w;
  SetupCis27(w, "27");
  for (int command : {TfCis27::kXml, TfCis27::kGordicRows, TfCis27::kGordicTexts}) w.MenuCommand(command);
  EXPECT_EQ(ReadData("CI27.DTA"), before);
  EXPECT_EQ(Messages(), (Strings{"Uz: 01 otvira soubor: roz.xml err      2", "Uz: 01 otvira soubor: A4.prl err      2",
                                 "Uz: 01 otvira soubor: rozvaha.txt err      2"}));
  w.CloseBrowse();
}

TEST_F(CodeListOutline27, RowsInsertAndDeleteWithMovesAndTheListingNamesTheList) {
  WriteRows(Cis27Spec(), "CI27.DTA", Rows27(4));
  TfCis27 w;
  SetupCis27(w, "27");
  Show(w);
  w.GoToRecord(2, 0);
  w.MenuCommand(TfCis27::kInsert);
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 1), (Strings{"001", "002", "003", "004", "005"}));
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 3), (Strings{"002", "  4", "  4", "  5", "  6"}));
  w.MenuCommand(TfCis27::kDelete);
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 3), (Strings{"002", "  3", "  4", "  5"}));
  // The pattern's moves: row 001 renumbered to 010 goes last, stamping what it passes.
  w.GoToRecord(1, 0);
  edit.Type("010").Keys("F2");
  Keys("Space");
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 1), (Strings{"002", "003", "004", "010"}));
  EXPECT_EQ(Field(Cis27Spec(), "CI27.DTA", 10), Strings(4, kToday));
  w.CodeListPrint();
  EXPECT_EQ(writer.width, 200);
  EXPECT_NE(writer.lines[2].find("Osnova Rozvahy (27)"), std::string::npos) << writer.lines[2];
  const std::string row = w.RecordToColumns(1);
  EXPECT_EQ(writer.lines[7], row.substr(0, 47) + common::CollapseSpaces(row.substr(47, 153)));
  w.CloseBrowse();
}

}  // namespace
