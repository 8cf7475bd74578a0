// The payroll windows for the window registry.
#pragma once
#include "ui/registry.h"

namespace payroll {

void RegisterPayrollWindows(ui::WindowRegistry& registry);

}  // namespace payroll
