#include "combined/windows.h"

#include <stdexcept>

#include "codelists/windows.h"
#include "combined/ci2005.h"
#include "combined/ciwindows.h"
#include "combined/fci92.h"
#include "combined/form2.h"

namespace combined {

void InstallCodeListServices() { OldPanelHooks().openOwnList = codelists::OpenOldPanelList; }

void RegisterCombinedWindows(ui::WindowRegistry& registry) {
  registry.Add("TFCI92", "split|assemble", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TFCI92"), args, 1, 1);
    if (args[0] == "split") fCI92().SplitCodeLists();
    else if (args[0] == "assemble") fCI92().AssembleCodeLists();
    else throw std::invalid_argument("open TFCI92 split|assemble");
  });
  registry.Add("TfCi2005", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TfCi2005"), args, 0, 0);
    TfCi2005& w = fCi2005();
    w.SetupCi2005();
    w.ShowModal();
    w.CloseBrowse();
  });
  registry.Add("TForm2", "", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TForm2"), args, 0, 0);
    fForm2().ShowModal();
  });
  for (const PieceWindowSpec& spec : PieceWindowSpecs()) {
    const std::string name = spec.className;
    const int list = spec.list;
    registry.Add(name, "", [&registry, name, list](const std::vector<std::string>& args) {
      ui::RequireArgs(*registry.Find(name), args, 0, 0);
      TfCiPiece& w = fCiPiece(list);
      SetupCiPiece(w);
      w.ShowModal();
      w.CloseBrowse();
    });
  }
}

}  // namespace combined
