// The main window for the window registry: the program's run as main() does it,
// over the session's start folder.
#pragma once
#include "ui/registry.h"

namespace app {

void RegisterAppWindows(ui::WindowRegistry& registry);

}  // namespace app
