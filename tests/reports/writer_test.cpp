// The report writer: names, padding, the ";" copy, scrambling and the clean-up at close.
#include "tests/reports/reportkit.h"

#include "common/errors.h"
#include "common/faultfs.h"

namespace reporttest {
namespace {

using reports::CloseReportOut;
using reports::OpenReportOut;
using reports::WriteReportCsvLine;
using reports::WriteReportLine;

class ReportWriter : public ReportTest {};

TEST_F(ReportWriter, PadsAndCutsEveryLineToTheWidth) {
  struct Case {
    int width;
    std::vector<std::string> lines;
    std::string bytes;
  } cases[] = {
      {10, {"abc", "\f", "abcdefghijklmno"}, "abc       \r\n\f         \r\nabcdefghij\r\n"},
      {0, {"abc", ""}, "\r\n\r\n"},
      {3, {""}, "   \r\n"},
  };
  for (const Case& c : cases) {
    OpenReportOut("T", c.width);
    for (const auto& l : c.lines) WriteReportLine(l);
    CloseReportOut();
    EXPECT_EQ(Bytes("T.TXT"), c.bytes) << c.width;
  }
  EXPECT_EQ(cases[0].bytes.size(), 36u);
}

TEST_F(ReportWriter, StarJobMakesItsFoldersAndNoCopy) {
  const std::string job = "*" + dir.path() + "/a/b/R";
  OpenReportOut(job, 5);
  WriteReportLine("x");
  WriteReportCsvLine("x;y;");
  CloseReportOut();
  EXPECT_EQ(Bytes("a/b/R.TXT"), "x    \r\n");
  EXPECT_FALSE(Exists("XLS/R.CSV"));
  EXPECT_FALSE(reports::TheReportOutput().CsvOn());
}

TEST_F(ReportWriter, PlainJobWritesIntoItsFolderAndTheCopyUnderXls) {
  std::filesystem::create_directories(dir / "sub");
  OpenReportOut("sub\\R", 4);
  WriteReportLine("abcdef");
  WriteReportCsvLine(Cz("řádek;1;"));
  WriteReportCsvLine("a longer line than the width;");
  CloseReportOut();
  EXPECT_EQ(Bytes("sub/R.TXT"), "abcd\r\n");
  EXPECT_EQ(Bytes("XLS/R.CSV"), Cz("řádek;1;") + "\r\na longer line than the width;\r\n");
}

TEST_F(ReportWriter, ClosingLeavesNothingEmptyBehind) {
  Put("E.txz", "twin");
  Put("XLS/E.CSV", "");  // an empty copy of an earlier run
  OpenReportOut("E", 80);
  CloseReportOut();
  EXPECT_FALSE(Exists("E.TXT"));
  EXPECT_FALSE(Exists("E.txz"));
  EXPECT_FALSE(Exists("XLS/E.CSV"));
  // A report without copy lines keeps its text but loses the empty copy.
  OpenReportOut("F", 10);
  WriteReportLine("x");
  CloseReportOut();
  EXPECT_TRUE(Exists("F.TXT"));
  EXPECT_FALSE(Exists("XLS/F.CSV"));
  // An empty copy left by an earlier run goes even when this job makes none.
  Put("XLS/G.CSV", "");
  OpenReportOut("*G", 10);
  WriteReportLine("x");
  CloseReportOut();
  EXPECT_FALSE(Exists("XLS/G.CSV"));
}

TEST_F(ReportWriter, ScrambledReportKeepsItsSizeAndReadsBackPlain) {
  const std::vector<std::string> lines = {"Novák Jan", "\f", "Rodné číslo 855612/1234", ""};
  Report("P", 20, lines);
  const std::string plain = Bytes("P.TXT");
  Scrambled(true);
  Report("S", 20, lines);
  const std::string scrambled = Bytes("S.TXT");
  ASSERT_EQ(scrambled.size(), plain.size());
  EXPECT_NE(scrambled, plain);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string record = scrambled.substr(i * 22, 22);
    EXPECT_EQ(record.substr(20), "\r\n");
    EXPECT_EQ(common::UnscrambleText(record.substr(0, 20), common::ProgramScrambleKey()) + "\r\n", plain.substr(i * 22, 22));
  }
}

TEST_F(ReportWriter, LongJobNamesKeepTheirExtension) {
  // A "*" job with a full data path passes 50 and 60 characters easily.
  const std::string folder = dir.path() + "/partneri_a_jejich_poznamky_dlouha_slozka";
  const std::string job = "*" + folder + "/ORG00012_poznamky_k_partnerovi";
  Report(job, 100, {"poznámka"});
  EXPECT_TRUE(std::filesystem::exists(folder + "/ORG00012_poznamky_k_partnerovi.TXT"));
  std::filesystem::create_directories(dir / "a_folder_whose_name_is_rather_long_indeed");
  OpenReportOut("a_folder_whose_name_is_rather_long_indeed\\and_a_base_name_that_is_long_too", 10);
  WriteReportLine("x");
  WriteReportCsvLine("x;");
  CloseReportOut();
  EXPECT_TRUE(Exists("a_folder_whose_name_is_rather_long_indeed/and_a_base_name_that_is_long_too.TXT"));
  EXPECT_TRUE(Exists("XLS/and_a_base_name_that_is_long_too.CSV"));
}

TEST_F(ReportWriter, WidthAbove255IsRefusedBeforeAnyFileIsMade) {
  EXPECT_THROW(OpenReportOut("W", 256), common::RangeError);
  EXPECT_FALSE(Exists("W.TXT"));
  EXPECT_FALSE(Exists("XLS"));
  OpenReportOut("W", 255);
  WriteReportLine("x");
  CloseReportOut();
  EXPECT_EQ(Bytes("W.TXT").size(), 257u);
}

TEST_F(ReportWriter, ReportThatCannotBeCreatedIsReportedAndItsFirstLineFails) {
  OpenReportOut("missing\\R", 10);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
            std::vector<std::string>{"Err  3 missing\\R.TXT"});
  EXPECT_THROW(WriteReportLine("x"), common::IoError);
  CloseReportOut();
  EXPECT_FALSE(Exists("XLS/R.CSV"));
}

TEST_F(ReportWriter, CopyWithoutItsFolderGivesUpOnlyTheCopy) {
  Put("XLS", "a file where the folder should be");
  OpenReportOut("C", 10);
  WriteReportCsvLine("lost;");
  WriteReportLine("kept");
  CloseReportOut();
  EXPECT_EQ(Bytes("C.TXT"), "kept      \r\n");
  EXPECT_FALSE(reports::TheReportOutput().CsvOn());
}

TEST_F(ReportWriter, IsTheWriterOfThePrintEntry) {
  EXPECT_EQ(browser::CurrentReportWriter(), &reports::TheReportOutput());
  browser::CurrentReportWriter()->OpenReportOut("K", 6);
  browser::CurrentReportWriter()->WriteReportLine("12,50");
  browser::CurrentReportWriter()->CloseReportOut();
  EXPECT_EQ(Bytes("K.TXT"), "12,50 \r\n");
}

TEST_F(ReportWriter, AFullDiskWhileWritingAReportIsRaisedToTheProducer) {
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.SetDiskSpace(5000);
  reports::OpenReportOut("FULL", 100);
  EXPECT_THROW(
      {
        for (int i = 0; i < 2000; ++i) reports::WriteReportLine("line");
        reports::CloseReportOut();
      },
      common::IoError);
  faults.SetDiskSpace(-1);
  reports::CloseReportOut();  // a writer left open lets go of its files
}

}  // namespace
}  // namespace reporttest
