// Buttons an administrator forbids on a form: the mask in "par\VYBER.PAR" ("-" per
// forbidden button, in the form's order of push buttons, at most 40).
#pragma once
#include <string>
#include <vector>

#include "ui/ui.h"

namespace browser {

inline constexpr int kMaxMaskedButtons = 40;

// The form's push buttons in creation order, at most 40.
std::vector<ui::Button*> CollectedButtons(const ui::Form& form);
// The mask's key: the caption of the form's first push button (empty without one).
std::string ButtonMaskKey(const ui::Form& form);

// Applies the stored mask: "-" disables a button, any other character enables and
// shows it; buttons past the mask's end keep their state.
void CollectButtons(ui::Form& form);
// Lets the user tick the forbidden buttons, then applies and stores the mask.
void EditDisabledButtons(ui::Form& form);

}  // namespace browser
