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
#include "common/process.h"
#include "common/session.h"
#include "reports/pozri.h"
#include "reports/writer.h"
#include "tests/common/os_tempdir.h"
#include "ui/qt/qt_backend.h"

namespace {

TEST(QtPrintPdf, AReportWithoutAPrinterBecomesAPdfOfItsLines) {
  ostest::TempDir dir;
  ASSERT_TRUE(dir.ok());
  ostest::ScopedCwd cwd(dir.path());
  common::ResetSession();
  common::RecordingNotifier notes;
  common::ScopedNotifier scoped(notes);
  ui::qt::QtBackend qt;
  qt.openPdf = false;  // no printer here: the job falls back to a PDF file
  reports::OpenReportOut("SESTAVA", 40);
  reports::WriteReportLine(common::Cz("Seznam obcí"));
  reports::WriteReportLine("01 Praha");
  reports::WriteReportLine("\f");
  reports::WriteReportLine(common::Cz("02 Plzeň"));
  reports::CloseReportOut();
  {
    reports::TfPozri viewer("fPozri");
    viewer.SetupPozri("SESTAVA.TXT");
    reports::PozriPrintReport(viewer.Source(), "SESTAVA.TXT");
    viewer.CloseBrowse();
  }
  browser::DestroyDialogWindows();
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
  common::ResetSession();
}

}  // namespace
