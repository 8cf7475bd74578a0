// What the platform's own controls do with keys and clicks nobody swallowed:
// editing, Tab to the next control, list and grid moves, toggling, clicking.
#pragma once
#include "ui/form.h"

namespace ui::headless {

// Returns true when the key was used as a dialog key (it then makes no character).
bool DefaultKeyDown(Form& form, Control& target, int key, Shift shift);
void DefaultKeyPress(Form& form, Control& target, char ch);
// Selection under the pointer on a press (list items, grid cells).
void NativeMouseDown(Form& form, Control& c, int x, int y, MouseButton b);
// The click that follows a left press and release.
void NativeClick(Form& form, Control& c, int x, int y);

}  // namespace ui::headless
