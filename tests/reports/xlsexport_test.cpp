// The workbook made from a ";"-separated file, read back from the written .xlsx.
#include "tests/reports/spoolkit.h"
#include "tests/reports/xlsxkit.h"

#include "browser/export.h"
#include "common/clock.h"
#include "common/faultfs.h"
#include "common/numbers.h"
#include "common/session.h"
#include "common/text.h"

namespace reporttest {
namespace {

class XlsxExport : public SpoolTest {
 protected:
  common::FakeClock clock{{2024, 6, 12, 9, 5, 7, 0}};
  common::ScopedClock scopedClock{clock};

  std::string Export(const std::string& name, const std::string& csv) {
    File("XLS/" + common::UpperCz(name) + ".CSV", csv);
    return reports::ExportToExcel(name, false);
  }
  XlsxReader Book(const std::string& name = "T") const { return XlsxReader(Path("XLS/" + name + ".xlsx"), dir.path()); }
  static std::string StyleOf(const XlsxReader& book, const XlsxCell& c, bool* bold = nullptr) {
    const auto styles = book.Styles();
    if (c.style >= static_cast<int>(styles.size())) return "?";
    if (bold) *bold = styles[static_cast<std::size_t>(c.style)].bold;
    return styles[static_cast<std::size_t>(c.style)].format;
  }
};

TEST_F(XlsxExport, TypeLineGivesNumbersDatesAndFormats) {
  EXPECT_EQ(Export("T", "A;B;C;\r\n00;08;09;\r\nx;1234,5;120624;\r\n"), "XLS\\T.xlsx");
  const XlsxReader book = Book();
  auto cells = book.Cells(1);
  bool bold = false;
  EXPECT_EQ(cells["A5"].value, "A");
  EXPECT_EQ(StyleOf(book, cells["A5"], &bold), "@");
  EXPECT_TRUE(bold);
  EXPECT_EQ(cells["A7"].type, "inlineStr");
  EXPECT_EQ(cells["A7"].value, "x");
  EXPECT_EQ(StyleOf(book, cells["A7"], &bold), "@");
  EXPECT_FALSE(bold);
  EXPECT_EQ(cells["B7"].value, "1234.5");
  EXPECT_EQ(StyleOf(book, cells["B7"]), "0.00");
  EXPECT_EQ(cells["C7"].value, "45455");
  EXPECT_EQ(StyleOf(book, cells["C7"]), "dd.mm.yyyy");
  EXPECT_EQ(cells.count("A6"), 0u);  // the type line is not written
  // The head: firm, time of the export, the workbook's path.
  EXPECT_EQ(cells["F1"].value, "Vytvořeno dne:12.06.24 09:05:07 programem TAVONA");
  EXPECT_EQ(cells["C3"].value, "XLS\\T.xlsx");
  EXPECT_EQ(cells.count("A1"), 1u);
  // Column widths are the headers' lengths; the typed columns carry their formats.
  const std::string sheet = book.Part("xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find(R"(<col min="2" max="2" width="1.7109375" style=)"), std::string::npos) << sheet.substr(0, 600);
  EXPECT_NE(book.Part("xl/workbook.xml").find(R"(name="List1")"), std::string::npos);
}

TEST_F(XlsxExport, WithoutATypeLineEveryColumnIsText) {
  Export("T", "Kod;Castka;Datum;\r\n01;1234,50;120624;\r\n");
  const XlsxReader book = Book();
  auto cells = book.Cells(1);
  for (const char* c : {"A7", "B7", "C7"}) {
    EXPECT_EQ(cells[c].type, "inlineStr") << c;
    EXPECT_EQ(StyleOf(book, cells[c]), "@") << c;
  }
  EXPECT_EQ(cells["B7"].value, "1234,50");
}

TEST_F(XlsxExport, CellKindsOfTheTypeCodes) {
  Export("T", "a;b;c;d;e;f;g;h;\r\n05;18;19;25;10;10;10;14;\r\n12,7;x;y;z;320624;12062024;      ;-3,25\r\n7\r\n");
  const XlsxReader book = Book();
  auto cells = book.Cells(1);
  EXPECT_EQ(cells["A7"].value, "12");  // a whole number in a text-formatted column
  EXPECT_EQ(cells["A7"].type, "");
  EXPECT_EQ(StyleOf(book, cells["A7"]), "@");
  EXPECT_EQ(cells.count("B7") + cells.count("C7") + cells.count("D7"), 0u);  // types 18, 19 and 25: no cell
  EXPECT_EQ(cells["E7"].value, "32.06.2024");  // not a date: its long text
  EXPECT_EQ(cells["E7"].type, "inlineStr");
  EXPECT_EQ(cells["F7"].value, "12062024");    // not 6 characters: as it is
  EXPECT_EQ(cells["G7"].type, "inlineStr");    // a blank date stays a string
  EXPECT_EQ(cells["H7"].value, "-3.25");
  // A short record: the missing columns are "***", read as 0 by the number readers.
  EXPECT_EQ(cells["A8"].value, "7");
  EXPECT_EQ(cells["E8"].value, "***");
  EXPECT_EQ(cells["H8"].value, "0");
}

TEST_F(XlsxExport, TheListExportsNumberingLineIsNoTypeLine) {
  std::string header;
  for (int i = 1; i <= 26; ++i) header += "H" + std::to_string(i) + ";";
  std::string record;
  for (int i = 1; i <= 26; ++i) record += "\"val" + std::to_string(i) + "\";";
  Export("T", header + "\r\n" + browser::CsvNumberLine(26) + record + "\r\n");
  const XlsxReader book = Book();
  auto cells = book.Cells(1);
  int row7 = 0;
  for (const auto& [ref, c] : cells)
    if (ref.size() > 1 && ref.substr(ref.find_first_of("0123456789")) == "7") {
      ++row7;
      EXPECT_EQ(c.type, "inlineStr") << ref;
    }
  EXPECT_EQ(row7, 26);
  EXPECT_EQ(cells["R7"].value, "val18");
  EXPECT_EQ(cells["Z7"].value, "val26");
}

TEST_F(XlsxExport, TheLastLineWithoutItsLineEndIsWritten) {
  Export("T", "A;B\r\nx;1\r\ny;2");
  auto cells = Book().Cells(1);
  EXPECT_EQ(cells["A8"].value, "y");
  EXPECT_EQ(cells["B8"].value, "2");
  EXPECT_EQ(cells.count("A9"), 0u);
}

TEST_F(XlsxExport, HeaderOnlyEmptyAndMissingFiles) {
  EXPECT_EQ(Export("T", "A;B;C"), "");  // one line without its end: nothing, silently
  EXPECT_FALSE(Exists("XLS/T.xlsx"));
  EXPECT_EQ(Messages(), 0);
  EXPECT_EQ(Export("E", "\r\nx;y\r\n"), "");
  EXPECT_EQ(Messages(Cz("Soubor E neobsahuje ani jednu správnou větu")), 1) << notes.Dump();
  EXPECT_EQ(reports::ExportToExcel("chybi", false), "");
  EXPECT_EQ(Messages(Cz("Soubor chybi neexistuje nebo má velikost menší než 2")), 1) << notes.Dump();
  EXPECT_EQ(Export("S", "A"), "");
  EXPECT_EQ(Messages(Cz("Soubor S neexistuje")), 1);
}

TEST_F(XlsxExport, ALowerCaseNameFindsTheUpperCaseFile) {
  File("XLS/KODY.CSV", "A;\r\nx;\r\n");
  EXPECT_EQ(reports::ExportToExcel("kody", false), "XLS\\KODY.xlsx");
  EXPECT_EQ(Book("KODY").Cells(1)["A7"].value, "x");
}

TEST_F(XlsxExport, MoreThan255ColumnsAreRefused) {
  std::string header;
  for (int i = 0; i < 256; ++i) header += "c;";
  EXPECT_EQ(Export("T", header + "\r\nx\r\n"), "");
  EXPECT_EQ(Messages(Cz("Soubor T má více než 255 sloupců")), 1) << notes.Dump();
  EXPECT_FALSE(Exists("XLS/T.xlsx"));
}

// The workbook is written beside under a name no user file has: a user's "T.xlsx.tmp"
// stays, and a workbook that cannot be moved in leaves the old one and no temporary.
TEST_F(XlsxExport, AWorkbookThatCannotBeWrittenKeepsTheOldOne) {
  File("XLS/T.xlsx", "old");
  File("XLS/T.xlsx.tmp", "mine");
  {
    common::FaultFileSystem fs;
    fs.Fail(common::FsOp::Rename, EIO, "T.xlsx");
    common::ScopedFileSystem use(fs);
    EXPECT_EQ(Export("T", "A;\r\nx;\r\n"), "");
  }
  EXPECT_EQ(Bytes("XLS/T.xlsx"), "old");
  EXPECT_EQ(Messages("Uz: " + common::CurrentSession().CurrentUser + " pise soubor: "), 1) << notes.Dump();
  EXPECT_EQ(Export("T", "A;\r\nx;\r\n"), "XLS\\T.xlsx");
  EXPECT_EQ(Book("T").Cells(1)["A7"].value, "x");
  EXPECT_EQ(Bytes("XLS/T.xlsx.tmp"), "mine");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Path("XLS"))) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"T.CSV", "T.xlsx", "T.xlsx.tmp"}));
}

TEST_F(XlsxExport, TheRecordAfter65501StartsTheNextSheetUnderARepeatedHead) {
  std::string csv = "Kod;Suma;X;\r\n00;08;00;\r\n";
  csv.reserve(65502 * 12);
  for (int i = 1; i <= 65502; ++i) csv += std::to_string(i) + ";1,5;\r\n";
  Export("T", csv);
  const XlsxReader book = Book();
  auto second = book.Cells(2);
  EXPECT_EQ(second["A5"].value, "Kod");
  EXPECT_EQ(second["C3"].value, "XLS\\T.xlsx");
  EXPECT_EQ(second["A7"].value, "65502");
  EXPECT_EQ(StyleOf(book, second["B7"]), "0.00");
  EXPECT_EQ(second.count("A8"), 0u);
  const std::string first = book.Part("xl/worksheets/sheet1.xml");
  EXPECT_NE(first.find(R"(<c r="A65507")"), std::string::npos);
  EXPECT_EQ(first.find(R"(<c r="A65508")"), std::string::npos);
  EXPECT_NE(book.Part("xl/workbook.xml").find(R"(name="List2")"), std::string::npos);
}

}  // namespace
}  // namespace reporttest
