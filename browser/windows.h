// The browser's windows for the window registry: a record file under a layout
// description, and the small dialogs as their entries open them.
#pragma once
#include "ui/registry.h"

namespace browser {

void RegisterBrowserWindows(ui::WindowRegistry& registry);

}  // namespace browser
