// The code-list windows for the window registry, opened as the code-list menu opens
// them: set-up routine, modal show, close.
#pragma once
#include "ui/registry.h"

namespace codelists {

void RegisterCodeListWindows(ui::WindowRegistry& registry);

// The old code-list panel's rows for lists 26, 27 and 29: the list's window over its
// own file, shown modally, sorted after it closes, closed.
void OpenOldPanelList(int list);

}  // namespace codelists
