// The partner windows for the window registry, opened as the main window opens them.
#pragma once
#include <string>

#include "ui/registry.h"

namespace partners {

void RegisterPartnerWindows(ui::WindowRegistry& registry);

// The main window's "Změny obchodních partnerů": the register over `fileName` on the
// first instance, shown modally, then closed.
void ShowPartnerRegister(const std::string& fileName = "org.dta");

}  // namespace partners
