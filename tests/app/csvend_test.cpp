// A ^Z in a CSV: a file the user hands in ends at its end mark (a ^Z followed by
// nothing but line ends, blanks and further ^Z) and is refused, with nothing changed,
// when text follows its ^Z; the program's own XLS\ files are read whole, every byte.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "app/payrolltools.h"
#include "codelists/csvregs.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/pascal.h"
#include "common/text.h"
#include "partners/oneoff.h"
#include "partners/org.h"
#include "partners/orgtools.h"
#include "payroll/jhcis.h"
#include "reports/spoolexc.h"
#include "reports/xlsexport.h"
#include "tests/app/textendkit.h"
#include "tests/reports/xlsxkit.h"

namespace {

using common::Cz;

// Where the ^Z is put into the lines of a file (joined by CR LF).
struct Place {
  const char* what;
  std::function<std::string(std::vector<std::string> lines, std::size_t second)> make;
  std::int64_t refusedLine = 0;  // 0: taken whole; -1: the line of the second record; -2: the last line
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

const std::vector<Place>& Places() {
  static const std::vector<Place> places{
      {"no ^Z", [](auto l, std::size_t) { return Joined(l) + "\r\n"; }},
      {"end mark after the last CR LF", [](auto l, std::size_t) { return Joined(l) + "\r\n\x1A"; }},
      {"end mark ending the last line", [](auto l, std::size_t) { return Joined(l) + "\x1A"; }},
      {"^Z then blanks, CR LF and more ^Z", [](auto l, std::size_t) { return Joined(l) + "\r\n\x1A \r\n\x1A\x1A \t\r\n"; }},
      {"^Z inside a field of the second record",
       [](auto l, std::size_t second) {
         std::string& line = l[second - 1];
         line.insert(line.size() - 2, "\x1A");
         return Joined(l) + "\r\n";
       },
       -1},
      {"^Z at the start of the last line",
       [](auto l, std::size_t) {
         l.back().insert(0, "\x1A");
         return Joined(l) + "\r\n";
       },
       -2},
  };
  return places;
}

class CsvEndMark : public apptest::TextFileTest {
 protected:
  void SetUp() override {
    TextFileTest::SetUp();
    reports::XlsExportSettings() = {};
    reports::XlsExportSettings().openDocument = false;
  }
  void TearDown() override {
    reports::XlsExportSettings() = {};
    TextFileTest::TearDown();
  }
};

TEST_F(CsvEndMark, AFileHandedInEndsAtItsEndMarkAndIsRefusedWithTextAfterItsEndByte) {
  std::string country(34, '\0');
  common::PutCounted(country, 0, "SK", 2);
  common::PutCounted(country, 3, Cz("Slovensko"), 30);
  struct Reader {
    const char* what;
    const char* file;                 // the CSV, in the start folder
    std::vector<std::string> lines;   // UTF-8, written in Windows-1250
    std::size_t second;               // the line of the second record
    std::map<std::string, std::string> kept;  // files as they are before the import
    std::function<std::string()> run;
    std::string taken;                // what a whole file gives
    std::string refused;              // the message, "%" standing for the line
    std::string left;                 // what is seen after a refusal
  };
  const std::vector<Reader> readers{
      {"countries", "zeme.csv",
       {"Seznam zemí", "kód;název", "1;2;3;4;5", "x;CZ;x;x;Česko", "x;AT;x;x;Rakousko", "x;DE;x;x;Německo",
        "x;PL;x;x;Polsko", "x;HU;x;x;Maďarsko"},
       5, {{"prog/2/ZEME.dta", country}},
       [&] {
         codelists::SetupZeme(codelists::fZeme());
         const std::int32_t n = codelists::fZeme().ImportCsv(Path("zeme.csv"));
         codelists::fZeme().CloseBrowse();
         return std::to_string(n) + ": " + Records(Get("prog/2/ZEME.dta"), 34, {{0, 2}, {3, 30}});
       },
       "5: CZ Česko|AT Rakousko|DE Německo|PL Polsko|HU Maďarsko",
       " [Soubor ~/zeme.csv, řádek %: obsahuje znak konce souboru (^Z) uprostřed textu, číselník zůstal beze změny]",
       "-1: SK Slovensko"},
      {"Naber CSV2 Hubra", "data/org.csv", {"12345678;;Dub;Brno;1/2", "87654321;;Buk;Praha;1/3", "1;;Jasan;Kolín;1/4"}, 2,
       {{"data/org.dta", ""}, {"data/podily.dta", ""}},
       [&] { return Partner(partners::ImportHubra); },
       "|Dub|||Buk|||Jasan|| 1/2|1/3|1/4 [Ze souboru ~/data/org.csv přidáno partnerů: 3, čísla 1 až 3]",
       " [Soubor ~/data/org.csv, řádek %: obsahuje znak konce souboru (^Z) uprostřed textu; partneři zůstali beze změny]",
       " "},
      {"Naber CSV Lufri", "data/org.csv", {"1;2;Dub;u;m;60200;1;2;3;4;5", "2;3;Buk;u;m;60200;1;2;3;4;6"}, 2,
       {{"data/org.dta", ""}, {"data/podily.dta", ""}},
       [&] { return Partner(partners::ImportLufri); },
       "|Dub|Tuny:1 KM:2 Hod:3|Voz:4 Obj:5|Buk|Tuny:1 KM:2 Hod:3|Voz:4 Obj:6  [Ze souboru ~/data/org.csv přidáno partnerů: 2, čísla 1 až 2]",
       " [Soubor ~/data/org.csv, řádek %: obsahuje znak konce souboru (^Z) uprostřed textu; partneři zůstali beze změny]",
       " "},
      {"Naber CSV", "data/org.csv", {"1;2;;;;;;8;9;Dub;a.s.;Dlouha;5;Brno;60200", "1;2;;;;;;8;9;Buk;;;;;"}, 2,
       {{"data/org.dta", ""}, {"data/podily.dta", ""}},
       [&] { return Partner([](partners::TfOrg& w) { partners::ImportCsv(w, common::DataDir("org.csv")); }); },
       "|Dub a.s.|9|8|Buk|9|8 ",
       " [Soubor ~/data/org.csv, řádek %: obsahuje znak konce souboru (^Z) uprostřed textu; partneři zůstali beze změny]",
       " "},
      {"payroll terms", "terms.csv", {"klic;nazev", "00123;Mzda", "00124;Prémie"}, 3,
       {{"prog/MZ8/JMHZ/JHcis.dta", ""}},
       [&] {
         payroll::fJHcis().SetupJHcis();
         const int n = app::ImportTermsFromCsv(payroll::fJHcis(), Path("terms.csv"));
         payroll::fJHcis().CloseBrowse();
         return std::to_string(n) + ": " + Records(Get("prog/MZ8/JMHZ/JHcis.dta"), payroll::kTermLength, {{0, 5}, {21, 200}});
       },
       "2: 00123 Mzda|00124 Prémie",
       " [Soubor ~/terms.csv, řádek %: obsahuje znak konce souboru (^Z) uprostřed textu, číselník zůstal beze změny]",
       "-1: "},
  };
  for (const Reader& r : readers) {
    std::vector<std::string> lines;
    for (const std::string& line : r.lines) lines.push_back(Cz(line));
    for (const Place& p : Places()) {
      SCOPED_TRACE(std::string(r.what) + ", " + p.what);
      for (const auto& [file, bytes] : r.kept) Put(file, bytes);
      Put(r.file, p.make(lines, r.second));
      const std::string seen = common::Win1250ToUtf8(Said(r.run));
      if (p.refusedLine == 0) {
        EXPECT_EQ(seen, r.taken);
        continue;
      }
      const std::int64_t line = p.refusedLine == -1 ? static_cast<std::int64_t>(r.second) : static_cast<std::int64_t>(lines.size());
      std::string refused = r.refused;
      refused.replace(refused.find('%'), 1, std::to_string(line));
      EXPECT_EQ(seen, r.left + refused);
      for (const auto& [file, bytes] : r.kept) EXPECT_EQ(Get(file), bytes) << file;
    }
  }
}

TEST_F(CsvEndMark, TheProgramsOwnCsvIsReadWholeByTheWorkbookAndTheCount) {
  const std::vector<std::string> lines{"Kod;Text;", "A1;prvni;", "B2;druhy;", "C3;treti;"};
  const struct {
    const char* place;
    std::string rows;  // the data rows of the workbook, cells joined by ","
    int count;         // the export list's records
  } expected[] = {
      {"no ^Z", "A1,prvni|B2,druhy|C3,treti", 3},
      {"end mark after the last CR LF", "A1,prvni|B2,druhy|C3,treti|_x001A_,***", 4},
      {"end mark ending the last line", "A1,prvni|B2,druhy|C3,treti", 3},
      {"^Z then blanks, CR LF and more ^Z", "A1,prvni|B2,druhy|C3,treti|_x001A_ ,***|_x001A__x001A_ \t,***", 5},
      {"^Z inside a field of the second record", "A1,prvni|B2,druh_x001A_y|C3,treti", 3},
      {"^Z at the start of the last line", "A1,prvni|B2,druhy|_x001A_C3,treti", 3},
  };
  ASSERT_EQ(std::size(expected), Places().size());
  for (std::size_t i = 0; i < Places().size(); ++i) {
    const Place& p = Places()[i];
    SCOPED_TRACE(p.what);
    ASSERT_EQ(std::string(expected[i].place), p.what);
    std::filesystem::remove(Path("XLS/ZKOUS.xlsx"));
    Put("XLS/ZKOUS.CSV", p.make(lines, 3));
    EXPECT_EQ(Said([] { return reports::ExportToExcel("zkous", false); }), "XLS\\ZKOUS.xlsx");
    const reporttest::XlsxReader book(Path("XLS/ZKOUS.xlsx"), dir.path());
    // The sheet stays valid XML: no control byte but tab, CR and LF in it.
    const std::string sheet = book.Part("xl/worksheets/sheet1.xml");
    EXPECT_EQ(std::count_if(sheet.begin(), sheet.end(), [](char c) { return c >= 0 && c < 32 && c != '\t' && c != '\r' && c != '\n'; }), 0);
    auto cells = book.Cells(1);
    std::string rows;
    for (int row = 7; cells.count("A" + std::to_string(row)); ++row)
      rows += (row > 7 ? "|" : "") + cells["A" + std::to_string(row)].value + "," + cells["B" + std::to_string(row)].value;
    EXPECT_EQ(rows, expected[i].rows);
    EXPECT_EQ(reports::CsvRecordCount(Path("XLS/ZKOUS.CSV")), expected[i].count);
  }
}

}  // namespace
