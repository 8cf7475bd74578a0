// The one rule for every event the user or a timer causes: an error thrown while
// its handler runs ends that handler only. What the handler held unwinds with it
// (locks, open files), the error's text is shown in a message box, the window stays
// open and the program goes on. Every dispatch of a key, click, mouse event, menu
// item or timer tick runs its handler through RunHandler.
#pragma once
#include <exception>
#include <utility>

namespace ui {

// An error of what drives the program in a test or the scenario driver (its own
// script, an answer that does not fit): never the program's, so no handler or
// catch-all shows it as a message; it ends the run. Catch-alls let it pass:
//   catch (const ui::DriverError&) { throw; }
struct DriverError {
  virtual ~DriverError() = default;
};

// Shows the error through the current back end (Backend::HandlerFailed); with no
// back end it is thrown on.
void HandlerFailed(std::exception_ptr error);

// Runs handler(); false when it threw (the error has been shown).
template <class F>
bool RunHandler(F&& handler) {
  try {
    std::forward<F>(handler)();
    return true;
  } catch (...) {
    HandlerFailed(std::current_exception());
    return false;
  }
}

}  // namespace ui
