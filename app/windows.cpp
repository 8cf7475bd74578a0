#include "app/windows.h"

#include "app/form1.h"
#include "app/windowtable.h"
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

}  // namespace app
