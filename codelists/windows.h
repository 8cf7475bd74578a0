// The code-list windows for the window registry, opened as the code-list menu opens
// them: set-up routine, modal show, close.
#pragma once
#include "ui/registry.h"

namespace codelists {

void RegisterCodeListWindows(ui::WindowRegistry& registry);

}  // namespace codelists
