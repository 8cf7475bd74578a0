#include "app/program.h"

#include "app/form1.h"
#include "app/windowtable.h"
#include "browser/appearance.h"
#include "browser/dialogs.h"
#include "browser/winsettings.h"
#include "codelists/lists.h"
#include "codelists/slov.h"
#include "combined/windows.h"
#include "reports/hooks.h"
#include "reports/pozri.h"
#include "common/startup.h"
#include "ui/ui.h"

namespace app {

int RunProgram(const std::vector<std::string>& args, const std::function<void(WindowTable&)>& beforeRun) {
  // The dialogs come first, so that start-up's own messages show as message boxes.
  browser::InstallBrowserDialogs();
  common::LoadStartupConfig({ui::PixelsPerInch()});
  browser::DetectLargeFonts();
  reports::InstallReportServices();
  // The viewer's translation: the dictionary set up (not shown), then line by line.
  reports::ViewerHooks().openDictionary = [](const std::string& file) { codelists::SetupSlov(codelists::fSlov(), file); };
  reports::ViewerHooks().translate = codelists::SlovTranslateText;
  combined::InstallCodeListServices();
  {
    WindowTable windows;
    windows.CreateAll(args);
    if (beforeRun) beforeRun(windows);
    ui::CurrentBackend().Run(windows.Main());
    windows.Main().FormClose();  // when the loop ended without the window closing
  }
  codelists::DestroyCodeListWindows();
  browser::DestroyDialogWindows();
  return 0;
}

}  // namespace app
