// The report layer's windows for the window registry: the report viewer as the
// print entry opens it. Registering also puts the report writer and the viewers
// behind the print entry.
#pragma once
#include "ui/registry.h"

namespace reports {

void RegisterReportWindows(ui::WindowRegistry& registry);

}  // namespace reports
