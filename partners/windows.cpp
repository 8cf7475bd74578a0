#include "partners/windows.h"

#include "partners/org.h"
#include "partners/orgvk.h"
#include "partners/orvekorg.h"
#include "partners/poukazka.h"
#include "partners/stitky.h"

namespace partners {

void ShowPartnerRegister(const std::string& fileName) {
  TfOrg& w = fOrg();
  SetupOrg(w, fileName);
  w.ShowModal();
  w.CloseBrowse();
}

void RegisterPartnerWindows(ui::WindowRegistry& registry) {
  InstallMoneyOrderTool();
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
  registry.Add("TfStitky", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfStitky"), args, 0, 0);
    ShowLabels();
  });
  // The address list as the label window shows it.
  registry.Add("tfSam", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("tfSam"), args, 0, 0);
    tfSam& w = fSam();
    SetupOrg(w, "=samol.dta");
    w.ShowModal();
    w.CloseBrowse();
  });
  // The money-order template is never shown by the program; here it is, filled with
  // the last order printed.
  registry.Add("TfPoukazkA", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfPoukazkA"), args, 0, 0);
    fPoukazkA().ShowModal();
  });
}

}  // namespace partners
