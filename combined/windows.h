// The combined code-list file's windows for the window registry.
#pragma once
#include "ui/registry.h"

namespace combined {

void RegisterCombinedWindows(ui::WindowRegistry& registry);

// Start-up: the old panel's services that the code-list windows give (its rows 9,
// 10 and 12 open lists 26, 27 and 29 in their own windows).
void InstallCodeListServices();

}  // namespace combined
