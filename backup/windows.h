// The backup windows for the window registry.
#pragma once
#include "ui/registry.h"

namespace backup {

void RegisterBackupWindows(ui::WindowRegistry& registry);

}  // namespace backup
