#include "partners/windows.h"

#include "partners/org.h"
#include "partners/orgvk.h"
#include "partners/orvekorg.h"

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
  // As the partner print opens it: its close runs the selection.
  registry.Add("TfORGVK", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfORGVK"), args, 0, 0);
    TfORGVK& w = fORGVK();
    SetupORGVK(w, "");
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TfOrvekOrg", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfOrvekOrg"), args, 0, 0);
    fOrvekOrg().ShowModal();
  });
}

}  // namespace partners
