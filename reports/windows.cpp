#include "reports/windows.h"

#include "browser/entries.h"
#include "common/text.h"
#include "reports/pozri.h"

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
}

}  // namespace reports
