// A report printed on the Qt back end without a printer: a PDF file named after
// the report under "tisk", whose text holds the report's lines.
#include <QApplication>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "browser/dialogs.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/params.h"
#include "common/process.h"
#include "common/session.h"
#include "reports/pozri.h"
#include "reports/printfiles.h"
#include "reports/writer.h"
#include "tests/common/os_tempdir.h"
#include "ui/qt/qt_backend.h"

namespace {

// A scratch start folder, the Qt back end and a recording notifier.
class QtPrintPdf : public ::testing::Test {
 protected:
  QtPrintPdf() : cwd(dir.path()), scoped(notes) { common::ResetSession(); }
  ~QtPrintPdf() override {
    browser::DestroyDialogWindows();
    common::ResetSession();
  }
  // The report file printed through the viewer, as F10 prints it.
  static void PrintReportFile(const std::string& name) {
    reports::TfPozri viewer("fPozri");
    viewer.SetupPozri(name);
    reports::PozriPrintReport(viewer.Source(), name);
    viewer.CloseBrowse();
  }
  ostest::TempDir dir;
  ostest::ScopedCwd cwd;
  common::RecordingNotifier notes;
  common::ScopedNotifier scoped;
  ui::qt::QtBackend qt;
};

TEST_F(QtPrintPdf, AReportWithoutAPrinterBecomesAPdfOfItsLines) {
  ASSERT_TRUE(dir.ok());
  qt.openPdf = false;  // no printer here: the job falls back to a PDF file
  reports::OpenReportOut("SESTAVA", 40);
  reports::WriteReportLine(common::Cz("Seznam obcí"));
  reports::WriteReportLine("01 Praha");
  reports::WriteReportLine("\f");
  reports::WriteReportLine(common::Cz("02 Plzeň"));
  reports::CloseReportOut();
  PrintReportFile("SESTAVA.TXT");
  const std::string pdf = dir / "tisk/SESTAVA.pdf";
  ASSERT_TRUE(std::filesystem::exists(pdf)) << notes.Dump();
  std::ifstream in(pdf, std::ios::binary);
  std::string head(4, '\0');
  in.read(head.data(), 4);
  EXPECT_EQ(head, "%PDF");
  if (!std::filesystem::exists("/usr/bin/pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  common::RunOptions options;
  options.outputFile = dir / "out.txt";
  common::RunResult result;
  ASSERT_EQ(common::RunProgram("pdftotext", {"-layout", pdf, "-"}, options, result), 0);
  const std::string text = ostest::ReadRaw(dir / "out.txt");
  EXPECT_NE(text.find("Seznam obcí"), std::string::npos) << text;
  EXPECT_NE(text.find("01 Praha"), std::string::npos) << text;
  EXPECT_NE(text.find("02 Plzeň"), std::string::npos) << text;
  EXPECT_NE(text.find('\f'), std::string::npos);  // two pages
}

// The text of a PDF file as pdftotext reads it, without blanks, line ends and page breaks.
std::string PackedPdfText(const std::string& pdf, const std::string& txt) {
  common::RunOptions options;
  options.outputFile = txt;
  common::RunResult result;
  EXPECT_EQ(common::RunProgram("pdftotext", {pdf, "-"}, options, result), 0);
  std::string packed;
  for (char c : ostest::ReadRaw(txt))
    if (c != ' ' && c != '\n' && c != '\f') packed += c;
  return packed;
}

std::string Packed(const std::string& line) {
  std::string packed;
  for (char c : line)
    if (c > ' ') packed += c;
  return packed;
}

// A report of 132 characters a line comes out whole at every density: the faces get
// smaller until the widest line fits, a line that switches to condensed in its middle
// measured piece by piece.
TEST_F(QtPrintPdf, AWideReportPrintsWholeAtEveryDensity) {
  if (!std::filesystem::exists("/usr/bin/pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  ASSERT_TRUE(dir.ok());
  std::vector<std::string> lines;
  for (int k = 1; k <= 4; ++k) {
    std::string line = "Radek" + std::to_string(k);
    for (int word = 0; line.size() < 124; ++word) line += " " + std::string(1, static_cast<char>('a' + word % 26)) + "ulice";
    line.resize(124, ' ');
    line += "L:" + std::to_string(k) + "KONEC";
    ASSERT_EQ(line.size(), 132u);
    lines.push_back(line);
  }
  std::string mixed = "Smiseny" + std::string(50, 'n');
  mixed += std::string(1, reports::kCondensed) + std::string(68, 'c') + "KONECC";
  ASSERT_EQ(mixed.size(), 132u);
  reports::OpenReportOut("SIROKA", 132);
  for (const std::string& line : lines) reports::WriteReportLine(line);
  reports::WriteReportLine(mixed);
  reports::CloseReportOut();
  for (const int density : {1, 2, 3}) {
    common::WriteParam(reports::kRegistryFile, "Hustota", std::to_string(density));
    qt.pdfOutput = dir / ("siroka" + std::to_string(density) + ".pdf");
    PrintReportFile("SIROKA.TXT");
    const std::string text = PackedPdfText(qt.pdfOutput, dir / "siroka.txt");
    for (const std::string& line : lines) EXPECT_NE(text.find(Packed(line)), std::string::npos) << density << ": " << line << "\n" << text;
    EXPECT_NE(text.find(Packed(mixed)), std::string::npos) << density << "\n" << text;
  }
}

}  // namespace
