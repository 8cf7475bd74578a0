// The file chooser answered in tests: the next one picks a file, or is left with Esc.
#pragma once
#include <string>

#include "browser/choosers/inout.h"
#include "ui/headless/headless.h"

namespace browsertest {

// The next file chooser picks path (a real path), or is left with Esc when path is empty.
inline void AnswerChooser(ui::headless::HeadlessBackend& backend, const std::string& path) {
  backend.AnswerNextModal([&backend, path](ui::Form& f) {
    auto& c = dynamic_cast<browser::TfInOut&>(f);
    if (path.empty()) return backend.Press(ui::vk::Esc);
    const std::size_t slash = path.rfind('/');
    c.ChosenDrive.clear();
    c.ChosenPath = path.substr(0, slash + 1);
    c.ChosenName = path.substr(slash + 1);
    c.FillList();
    backend.Click(c.Button1);
  });
}

}  // namespace browsertest
