#include "codelists/windows.h"

#include "codelists/lists.h"

namespace codelists {

namespace {

template <class Window>
void Add(ui::WindowRegistry& registry, Window& (*instance)(), void (*setup)(Window&)) {
  const std::string name(instance().spec().className);
  const bool keptOpen = instance().spec().keepOpen.slot > 0;
  registry.Add(name, keptOpen ? "[end-of-run]" : "", [&registry, name, keptOpen, instance, setup](const std::vector<std::string>& args) {
    ui::RequireArgs(*registry.Find(name), args, 0, keptOpen ? 1 : 0);
    Window& w = instance();
    setup(w);
    w.ShowModal();
    w.CloseBrowse();
    // "end-of-run": the program's end follows, with its close of the kept-open lists.
    if (!args.empty()) {
      if (args[0] != "end-of-run") throw std::invalid_argument("usage: " + name + " [end-of-run]");
      CloseCodeListForms();
    }
  });
}

}  // namespace

void RegisterCodeListWindows(ui::WindowRegistry& registry) {
  Add(registry, &fCis11, &SetupCis11);
  Add(registry, &fCis20, &SetupCis20);
  Add(registry, &fCis23, &SetupCis23);
  Add(registry, &fCis36, &SetupCis36);
}

}  // namespace codelists
