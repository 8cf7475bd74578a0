#include "reports/windows.h"

#include "browser/entries.h"
#include "common/text.h"
#include "reports/fonty.h"
#include "reports/pozri.h"
#include "reports/specialforms.h"
#include "reports/stamp.h"
#include "reports/spool.h"
#include "reports/spoolexc.h"
#include "reports/xlsexport.h"

namespace reports {

namespace {
// "R", "R.txt" or "sub\R.TXT": the job the print entry takes.
std::string JobOf(std::string name) {
  if (name.size() > 4 && common::UpperCz(name.substr(name.size() - 4)) == ".TXT") name.resize(name.size() - 4);
  return name;
}
}  // namespace

void RegisterReportWindows(ui::WindowRegistry& registry) {
  // Every list print of the registered windows goes through the real writer and viewers.
  InstallReportServices();
  registry.Add("TfPozri", "REPORT[.txt]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfPozri"), args, 1, 1);
    browser::PrintReport(JobOf(args[0]));
  });
  registry.Add("TfFontyTisky", "", [](const std::vector<std::string>&) { fFontyTisky().Open(); });
  // The receipt of a report from its first line: shown, or printed when it names copies.
  registry.Add("TfPoklBlok", "REPORT.txt", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfPoklBlok"), args, 1, 1);
    LinesSource report = LinesSource::FromFile(args[0]);
    GrafickyPoklDoklad(report);
  });
  // The page window is never shown: it prints the report with its stamp and QR pictures.
  registry.Add("TfStranka", "REPORT.txt", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfStranka"), args, 1, 1);
    LinesSource report = LinesSource::FromFile(args[0]);
    PozriPrintWithStamp(report);
  });
  // The report list as Ctrl+F2 of every window shows it.
  registry.Add("TfSpool", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfSpool"), args, 0, 0);
    ShowReportListModal();
  });
  // The list of ";"-separated files as the main window's button shows it; scripted
  // runs hand the workbooks to no desktop.
  XlsExportSettings().openDocument = false;
  registry.Add("TfSpoolExc", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfSpoolExc"), args, 0, 0);
    ShowSpoolExcModal();
  });
}

}  // namespace reports
