// The windows for the window registry: the main window (the program's run as main()
// does it, over the session's start folder) and every other window of the program.
#pragma once
#include "ui/registry.h"

namespace app {

void RegisterAppWindows(ui::WindowRegistry& registry);

// Every window of every subsystem, with the services the windows call on each other
// (pickers, the old panel's lists) installed as the program's start installs them.
void RegisterProgramWindows(ui::WindowRegistry& registry);

}  // namespace app
