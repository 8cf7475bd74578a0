#include "app/windows.h"

#include "app/form1.h"
#include "app/program.h"
#include "app/windowtable.h"
#include "backup/windows.h"
#include "browser/windows.h"
#include "codelists/windows.h"
#include "combined/windows.h"
#include "partners/windows.h"
#include "payroll/windows.h"
#include "reports/windows.h"
#include "ui/ui.h"

namespace app {

void RegisterAppWindows(ui::WindowRegistry& registry) {
  registry.Add("TForm1", "[CI6160]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TForm1"), args, 0, 1);
    WindowTable windows;
    windows.CreateAll(args);
    ui::CurrentBackend().Run(windows.Main());
    windows.Main().FormClose();
  });
}

void RegisterProgramWindows(ui::WindowRegistry& registry) {
  browser::RegisterBrowserWindows(registry);
  backup::RegisterBackupWindows(registry);
  codelists::RegisterCodeListWindows(registry);
  combined::RegisterCombinedWindows(registry);
  payroll::RegisterPayrollWindows(registry);
  partners::RegisterPartnerWindows(registry);
  reports::RegisterReportWindows(registry);
  RegisterAppWindows(registry);
  combined::InstallCodeListServices();
  InstallPartnerPickers();
}

}  // namespace app
