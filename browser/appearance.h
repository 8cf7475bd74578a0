// The F11 appearance menu of the list windows ("Úprava vizáže"): system
// parameters, background colour, per-window and common fonts, back to per-window
// settings, the window at work-area size, and the standard settings.
#pragma once
#include <functional>

namespace browser {

class TfRol;

// The menu for one list window.
void AppearanceMenu(TfRol& window);

// The system parameters window (item 1), put in place by the program.
std::function<void()>& SystemParametersHook();

// Row height and character width from the height/width question: 10..30 and 5..20.
int ClampLetterHeight(int height);
int ClampLetterWidth(int width);

// The question "Výška písmen" / "Šířka písmen" at column, line, prefilled with the
// two numbers ("####"); true and the typed numbers (not clamped) when confirmed.
bool AskLetterSize(int column, int line, int& height, int& width);

// Puts the dialog windows in place for the whole program: the notifier of the
// shared services and the browser's F11 menu.
void InstallBrowserDialogs();

}  // namespace browser
