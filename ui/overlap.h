// A check of a window's layout: which of its controls cover one another.
#pragma once
#include <utility>
#include <vector>

#include "ui/form.h"

namespace ui {

// The pairs of visible controls side by side in one parent (the form or a panel)
// whose places overlap, each pair once, in creation order; controls of no size take
// no place. Empty when nothing of the window covers another of its controls.
std::vector<std::pair<const Control*, const Control*>> OverlappingControls(const Form& form);

}  // namespace ui
