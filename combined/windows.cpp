#include "combined/windows.h"

#include "combined/fci92.h"

namespace combined {

void RegisterCombinedWindows(ui::WindowRegistry& registry) {
  registry.Add("TFCI92", "split|assemble", [&registry](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find("TFCI92"), args, 1, 1);
    if (args[0] == "split") fCI92().SplitCodeLists();
    else if (args[0] == "assemble") fCI92().AssembleCodeLists();
    else throw std::invalid_argument("open TFCI92 split|assemble");
  });
}

}  // namespace combined
