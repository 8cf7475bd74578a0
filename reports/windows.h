// The report layer's windows for the window registry: the report viewer as the
// print entry opens it.
#pragma once
#include "ui/registry.h"

namespace reports {

void RegisterReportWindows(ui::WindowRegistry& registry);

}  // namespace reports
