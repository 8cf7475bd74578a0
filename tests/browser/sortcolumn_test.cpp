#include <cerrno>
#include <filesystem>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/codec.h"
#include "browser/export.h"
#include "common/faultfs.h"
#include "common/locking.h"
#include "tests/browser/soubkit.h"
#include "tests/common/leftcopy.h"

namespace {

using soubtest::Ci99;
using soubtest::kLength;
using soubtest::Record;
using SortByColumn = soubtest::SoubTest;
using SortListExport = soubtest::SoubTest;

std::vector<std::int32_t> IndexEntries(const std::string& bytes) {
  std::vector<std::int32_t> out;
  for (std::size_t off = 0; off + 8 <= bytes.size(); off += 8) {
    EXPECT_EQ(common::GetLE<std::int32_t>(bytes, off), common::GetLE<std::int32_t>(bytes, off + 4));
    out.push_back(common::GetLE<std::int32_t>(bytes, off));
  }
  return out;
}

std::string Records(const std::vector<std::string>& names) {
  std::string bytes;
  for (std::size_t i = 0; i < names.size(); ++i)
    bytes += Record(common::FormatFloatMask("@@", static_cast<double>(i + 1)), names[i], static_cast<std::int32_t>(i + 1));
  return bytes;
}

// Files of the data folder other than the data file, its index files and the lock table.
std::vector<std::string> Leftovers(const std::string& folder) {
  static const std::set<std::string> expected = {"CI99.DTA", "CI99.DT1", "CI99.DT2", "CI99.DT3", "CI99.DT4",
                                                  "FOT.tab", "JMENA.tab"};
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (!expected.count(e.path().filename().string())) out.push_back(e.path().filename().string());
  return out;
}

// One wide text column, for texts longer than the key's text part.
class Wide : public browser::TfSoub {
 public:
  Wide() : TfSoub("fWide") {}
  void Open() {
    FieldCount = 1;
    browser::SetFieldDescriptor(Field(1), browser::FieldSetup().Caption("Text").At(1, 1).Picture("X").Initial(std::string(60, ' ')));
    browser::BrowseSetup s;
    s.fileName = "WIDE.DTA";
    s.fieldCount = 1;
    s.recordLength = 61;
    s.grid = {1, 1, 80, 10};
    OpenBrowse(s);
  }
  static std::string Rec(const std::string& text) {
    std::string r(61, ' ');
    common::PutCounted(r, 0, text + std::string(60 - text.size(), ' '), 60);
    return r;
  }
};

// ---------------------------------------------------------------- column sort

TEST_F(SortByColumn, TwelveRecordsGiveIndexFileOneInColumnOrderWithTiesInRecordOrder) {
  const std::vector<std::string> names = {"Brno", "Aš", "Cheb", "Brno", "Čáslav", "Aš", "Beroun", "Chrudim", "Hradec",
                                          "Brno", "Ústí", "Aš"};
  WriteData("CI99.DTA", Records(names));
  Ci99 w;
  w.Open();
  w.GoToRecord(5, 0);  // Čáslav stays under the cursor
  w.Show();
  w.SortByColumn(2);
  const std::string dt1 = ReadData("CI99.DT1");
  ASSERT_EQ(dt1.size(), 96u);
  // Czech order: "Ch" after "H", "Č" after "C"; equal names in record order.
  EXPECT_EQ(IndexEntries(dt1), (std::vector<std::int32_t>{2, 6, 12, 7, 1, 4, 10, 5, 9, 3, 8, 11}));
  EXPECT_EQ(w.ActiveOrder, 1);
  EXPECT_EQ(w.GridColor, w.kSortedGridColor);
  EXPECT_EQ(w.IndexPositionToRecord(w.Current), 5);
  EXPECT_EQ(w.sgRol.Cell(2, w.CursorRow()), common::Cz("Čáslav") + std::string(14, ' '));
  EXPECT_TRUE(Leftovers(dir / "data").empty());
  EXPECT_TRUE(Leftovers(dir.path()).size() <= 2u);  // "data" and "par": no work file is left
  // Alt+F10 leaves the order, Alt+F1 comes back to it.
  backend.PressKeys("Alt+F10");
  EXPECT_EQ(w.ActiveOrder, 0);
  backend.PressKeys("Alt+F1");
  EXPECT_EQ(w.ActiveOrder, 1);
  w.Hide();
  w.CloseBrowse();
}

// Dates of the three kinds and a number.
class Dates : public browser::TfSoub {
 public:
  Dates() : TfSoub("fDates") {}
  void Open() {
    FieldCount = 4;
    using browser::FieldSetup;
    browser::SetFieldDescriptor(Field(1), FieldSetup().Caption("Kratce").At(1, 1).Picture("D").Initial("      "));
    browser::SetFieldDescriptor(Field(2), FieldSetup().Caption("Dlouze").At(1, 2).Picture("q").Initial("        "));
    browser::SetFieldDescriptor(Field(3), FieldSetup().Caption("Iso").At(1, 3).Picture("Q").Initial("        "));
    browser::SetFieldDescriptor(Field(4), FieldSetup().Caption("Pocet").At(1, 4).Picture("#####I").Initial("     "));
    browser::BrowseSetup s;
    s.fileName = "DATES.DTA";
    s.fieldCount = 4;
    s.recordLength = 7 + 9 + 9 + 4;
    s.grid = {1, 1, 80, 10};
    OpenBrowse(s);
  }
  void Add(const std::string& date, const std::string& count) {
    for (int i = 1; i <= 3; ++i) Field(i).value = date;
    Field(4).value = count;
    RecordBuffer.assign(static_cast<std::size_t>(RecordLength), '\0');
    FieldsToRecord();
    ASSERT_TRUE(AppendRecord());
  }
};

TEST_F(SortByColumn, DatesSortByYearMonthDay) {
  Dates w;
  w.Open();
  w.Add("05.12.2026", "   10");
  w.Add("01.01.2027", "    9");
  w.Add("31.12.2025", "  100");
  w.Add("", "    0");
  for (int column = 1; column <= 3; ++column) {
    w.SortByColumn(column);
    EXPECT_EQ(IndexEntries(ReadData("DATES.DT1")), (std::vector<std::int32_t>{4, 3, 1, 2})) << column;
  }
  w.SortByColumn(4);  // numbers right-aligned in their mask
  EXPECT_EQ(IndexEntries(ReadData("DATES.DT1")), (std::vector<std::int32_t>{4, 2, 1, 3}));
  w.CloseBrowse();
}

TEST_F(SortByColumn, LongEqualTextsAndHighRecordNumbersKeepRecordOrder) {
  // 100,001 records whose texts agree in their first 45 characters: only the record
  // number tells them apart, past five digits too.
  const std::string same = std::string(45, 'Q');
  std::string bytes;
  bytes.reserve(100001u * 61);
  for (int i = 1; i <= 100001; ++i) bytes += Wide::Rec(same + (i % 2 ? "Z" : "A"));
  WriteData("WIDE.DTA", bytes);
  Wide w;
  w.Open();
  ASSERT_EQ(w.Count, 100001);
  w.SortByColumn(1);
  const std::vector<std::int32_t> got = IndexEntries(ReadData("WIDE.DT1"));
  std::vector<std::int32_t> expect(100001);
  std::iota(expect.begin(), expect.end(), 1);
  EXPECT_TRUE(got == expect) << "entries differ";
  w.CloseBrowse();
}

TEST_F(SortByColumn, AOneRecordListWritesNoIndexFile) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  w.SortByColumn(2);
  EXPECT_FALSE(std::filesystem::exists(DataPath("CI99.DT1")));
  EXPECT_EQ(w.ActiveOrder, 0);
  w.CloseBrowse();
}

TEST_F(SortByColumn, AFileAnotherUserWorksWithIsNotSorted) {
  WriteCi99(4);
  Ci99 w;
  w.Open();
  ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held);
  w.SortByColumn(2);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Se souborem se pracuje"});
  EXPECT_FALSE(std::filesystem::exists(DataPath("CI99.DT1")));
  common::UnlockFile(other, w.DataFilePath);
  w.CloseBrowse();
}

TEST_F(SortByColumn, AFailedSortLeavesTheOldIndexAndNoWorkFile) {
  WriteCi99(4);
  roltest::WriteIndex(DataPath("CI99.DT1"), {4, 3, 2, 1});
  const std::string before = ReadData("CI99.DT1");
  Ci99 w;
  w.Open("CI99.DTA", 10000 + kLength);
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.Fail(common::FsOp::Rename, EIO);
  w.SortByColumn(1);
  faults.Clear();
  EXPECT_EQ(ReadData("CI99.DT1"), before);
  EXPECT_EQ(w.ActiveOrder, 0);
  ASSERT_EQ(Messages().size(), 1u) << notes.Dump();
  EXPECT_EQ(Messages()[0].rfind("Uz: 01 pise soubor: ", 0), 0u);
  EXPECT_TRUE(Leftovers(dir / "data").empty());
  EXPECT_EQ(w.IndexCount(1), 4);  // the old order is still there
  w.CloseBrowse();
}

TEST_F(SortByColumn, ARecordThatCannotBeReadStopsTheSortBeforeAnyIndexIsWritten) {
  WriteCi99(6);
  Ci99 w;
  {
    common::FaultFileSystem faults;
    common::ScopedFileSystem scoped(faults);
    w.Open();
    faults.Fail(common::FsOp::Read, EIO, "CI99.DTA", 1, 3);  // the fourth record
    w.SortByColumn(2);
    w.CloseBrowse();
  }
  EXPECT_FALSE(std::filesystem::exists(DataPath("CI99.DT1")));
  EXPECT_EQ(w.ActiveOrder, 0);
  EXPECT_TRUE(Leftovers(dir / "data").empty());
  const auto m = Messages();
  EXPECT_EQ(m, std::vector<std::string>{"Uz: 01 cte soubor: CI99.DTA err    100"});
}

TEST_F(SortByColumn, AKeyedViewIsSortedByItsPositions) {
  WriteData("CI99.DTA", Records({"C", "A", "B"}));
  Ci99 w;
  w.keyed = true;
  w.Open("CI99.DTA", kLength, 0);
  // The selection list shows records 2, 3, 1 at positions 1..3 (key order A, B, C).
  w.SelectionList[1] = 2;
  w.SelectionList[2] = 3;
  w.SelectionList[3] = 1;
  w.SortByColumn(3);  // by count: C=1, A=2, B=3
  EXPECT_EQ(IndexEntries(ReadData("CI99.DT1")), (std::vector<std::int32_t>{3, 1, 2}));
  w.RecordRead(1);  // position 1 of order 1 is position 3, record 1
  EXPECT_EQ(w.RecordBuffer, Record("01", "C", 1));
  w.CloseBrowse();
}

// ---------------------------------------------------------------- exports

TEST_F(SortListExport, CsvOfMarkedRecordsHasTwoHeadLinesAndClearsTheMarks) {
  WriteCi99(10);
  Ci99 w;
  w.Open();
  for (int n : {2, 5, 9}) w.ToggleMark(n);
  w.ExportListToExcel();
  const std::string csv = ostest::ReadRaw(dir / "XLS/CI99.CSV");
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < csv.size();) {
    const std::size_t end = csv.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    lines.push_back(csv.substr(at, end - at));
    at = end + 2;
  }
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], common::Cz("Kód  ;Název               ;Poče;"));
  EXPECT_EQ(lines[1], "01;02;03;");
  EXPECT_EQ(lines[2], common::Cz("\"02   \";\"Položka 2           \";   2;"));
  EXPECT_EQ(lines[4], common::Cz("\"09   \";\"Položka 9           \";   9;"));
  EXPECT_EQ(w.MarkedCount, 0);
  EXPECT_FALSE(w.IsMarked(5));
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
            std::vector<std::string>{common::Cz("Soubor XLS\\CI99.CSV pro EXCEL,WORD je vytvořen")});
  w.CloseBrowse();
}

TEST_F(SortListExport, CsvWithoutMarksTakesEveryRecordInListOrder) {
  WriteCi99(3);
  roltest::WriteIndex(DataPath("CI99.DT1"), {3, 1, 2});
  Ci99 w;
  w.Open("CI99.DTA", 10000 + kLength);
  w.SetSortOrder1();
  w.ExportListToExcel();
  const std::string csv = ostest::ReadRaw(dir / "XLS/CI99.CSV");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5);
  EXPECT_LT(csv.find("\"03"), csv.find("\"01"));
  w.CloseBrowse();
}

TEST_F(SortListExport, AFailedExportKeepsTheMarksAndTheOldFile) {
  WriteCi99(4);
  ostest::WriteRaw(dir / "XLS/CI99.CSV", "old");
  Ci99 w;
  w.Open();
  w.ToggleMark(3);
  {
    common::FaultFileSystem faults;
    common::ScopedFileSystem scoped(faults);
    faults.SetDiskSpace(20);
    w.ExportListToExcel();
  }
  EXPECT_EQ(ostest::ReadRaw(dir / "XLS/CI99.CSV"), "old");
  EXPECT_EQ(w.MarkedCount, 1);
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages().back(), "Uz: 01 pise soubor: XLS/CI99.CSV err    101");
  w.CloseBrowse();
}

// Five fields: code, name, amount, date, count.
class Five : public browser::TfSoub {
 public:
  Five() : TfSoub("fFive") {}
  void Open() {
    FieldCount = 5;
    using browser::FieldSetup;
    browser::SetFieldDescriptor(Field(1), FieldSetup().Caption(common::Cz("Kód")).At(1, 1).Picture("X").Initial("    "));
    browser::SetFieldDescriptor(Field(2), FieldSetup().Caption(common::Cz("Název")).At(1, 2).Picture("X").Initial(std::string(12, ' ')));
    browser::SetFieldDescriptor(Field(3), FieldSetup().Caption(common::Cz("Částka")).At(1, 3).Picture("######.##C").Initial(std::string(9, ' ')));
    browser::SetFieldDescriptor(Field(4), FieldSetup().Caption("Datum").At(1, 4).Picture("D").Initial("      "));
    browser::SetFieldDescriptor(Field(5), FieldSetup().Caption(common::Cz("Počet")).At(1, 5).Picture("###I").Initial("   "));
    browser::BrowseSetup s;
    s.fileName = "FIVE.DTA";
    s.fieldCount = 5;
    s.recordLength = 5 + 13 + 8 + 7 + 4;
    s.grid = {1, 1, 80, 10};
    OpenBrowse(s);
  }
  void Add(const std::string& code, const std::string& name, const std::string& amount, const std::string& date,
           const std::string& count) {
    const std::string values[] = {code, common::Cz(name), amount, date, count};
    for (int i = 1; i <= 5; ++i) Field(i).value = values[i - 1];
    RecordBuffer.assign(static_cast<std::size_t>(RecordLength), '\0');
    FieldsToRecord();
    ASSERT_TRUE(AppendRecord());
  }
};

TEST_F(SortListExport, DbfOfFiveFieldsHasFixedRecordsAndItsEndByte) {
  Five w;
  w.Open();
  w.DbfFolder = "dbf\\";
  w.Add("A1", "Krátký", "1234,5", "05.12.26", "7");
  w.Add("B2", "Velmi dlouhý ná", "-0,25", "", "");
  w.Add("C3", "", "", "31.12.95", "123");
  w.ExportToDbf();
  const std::string dbf = ostest::ReadRaw(dir / "dbf/FIVE.DBF");
  const std::size_t header = common::GetLE<std::uint16_t>(dbf, 8), record = common::GetLE<std::uint16_t>(dbf, 10);
  EXPECT_EQ(header, 193u);
  EXPECT_EQ(record, 1u + 4 + 12 + 9 + 8 + 3);
  EXPECT_EQ(common::GetLE<std::uint32_t>(dbf, 4), 3u);
  ASSERT_EQ(dbf.size(), header + 3 * record + 1);
  EXPECT_EQ(dbf.back(), '\x1A');
  EXPECT_EQ(dbf[192], '\x0D');
  EXPECT_EQ(dbf.substr(header, record), " A1  " + common::Cz("Krátký      ") + "  1234.50" + "20261205" + "  7");
  EXPECT_EQ(dbf.substr(header + record, record), " B2  " + common::Cz("Velmi dlouhý") + "    -0.25" + "        " + "  0");
  EXPECT_EQ(dbf.substr(header + 2 * record, record), std::string(" C3  ") + std::string(12, ' ') + "     0.00" + "19951231" + "123");
  EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz("Soubor dbf\\FIVE.DBF je vytvořen")});
  w.CloseBrowse();
}

// The plain record window over pieces of the combined code-list file: each piece's
// exports bear its own name, ".CSV" and ".DBF", so two pieces keep both.
TEST_F(SortListExport, PiecesOfTheCombinedFileExportUnderTheirOwnNames) {
  for (const char* piece : {"ci.20", "ci.99"}) {
    SCOPED_TRACE(piece);
    WriteData(piece, Records({std::string("Piece ") + piece}));
    Ci99 w;
    w.Open(piece);
    w.DbfFolder = "dbf\\";
    w.ExportListToExcel();
    w.ExportToDbf();
    w.CloseBrowse();
  }
  for (const char* name : {"CI_20", "CI_99"}) {
    EXPECT_NE(ostest::ReadRaw(dir / ("XLS/" + std::string(name) + ".CSV")).find(name[3] == '2' ? "ci.20" : "ci.99"),
              std::string::npos)
        << name;
    EXPECT_TRUE(std::filesystem::exists(dir / ("dbf/" + std::string(name) + ".DBF"))) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "XLS/CICSV"));
  EXPECT_FALSE(std::filesystem::exists(dir / "dbf/CI.DBF"));
  EXPECT_EQ(Messages(), (std::vector<std::string>{common::Cz("Soubor dbf\\CI_20.DBF je vytvořen"),
                                                  common::Cz("Soubor dbf\\CI_99.DBF je vytvořen")}));
  EXPECT_EQ(browser::CsvExportName("=/data/CI.10"), "XLS\\CI_10.CSV");
  EXPECT_EQ(browser::CsvExportName("CI10.DTA"), "XLS\\CI10.CSV");
}


// An export carries the list's bytes elsewhere: a rewrite left unfinished on the list goes
// back first (said) and the export takes the old records, or the export is refused,
// naming the list and its copy, and no export file changes.
TEST_F(SortListExport, AnExportPutsTheListsCopyBackFirstOrIsRefused) {
  const std::string list = DataPath("CI99.DTA");
  const std::string records = Records({"Alfa", "Beta", "Gama"});
  const auto exportWith = [&](void (Ci99::*step)()) {
    return [&, step] {
      notes.calls.clear();
      Ci99 w;
      w.Open();
      w.DbfFolder = "dbf\\";
      (w.*step)();
      w.CloseBrowse();
      for (const auto& c : notes.calls)
        if (c.text.find(common::Cz(" je vytvořen")) != std::string::npos) return true;
      return false;
    };
  };
  const std::vector<leftcopy::Step> steps = {
      {"CSV", list, records, [] {}, exportWith(&Ci99::ExportListToExcel), {list, dir / "XLS/CI99.CSV"},
       common::Cz(", export neproběhl"), "HALF", "CI99.DTA", "", true, leftcopy::CopyOf(list)},
      {"DBF", list, records, [] {}, exportWith(&Ci99::ExportToDbf), {list, dir / "dbf/CI99.DBF"},
       common::Cz(", export neproběhl"), "HALF", "CI99.DTA", "", true, leftcopy::CopyOf(list)},
  };
  for (const leftcopy::Step& s : steps)
    leftcopy::Check(s, notes, [&] {
      for (const char* folder : {"XLS", "dbf"}) std::filesystem::remove_all(dir / folder);
      std::filesystem::remove(leftcopy::CopyOf(list));
    });
}

}  // namespace
