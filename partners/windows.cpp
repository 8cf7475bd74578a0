#include "partners/windows.h"

#include "partners/org.h"

namespace partners {

void ShowPartnerRegister(const std::string& fileName) {
  TfOrg& w = fOrg();
  SetupOrg(w, fileName);
  w.ShowModal();
  w.CloseBrowse();
}

void RegisterPartnerWindows(ui::WindowRegistry& registry) {
  registry.Add("TfOrg", "[FILE]", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfOrg"), args, 0, 1);
    ShowPartnerRegister(args.empty() ? "org.dta" : args[0]);
  });
}

}  // namespace partners
