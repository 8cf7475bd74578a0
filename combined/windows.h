// The combined code-list file's windows for the window registry.
#pragma once
#include "ui/registry.h"

namespace combined {

void RegisterCombinedWindows(ui::WindowRegistry& registry);

}  // namespace combined
