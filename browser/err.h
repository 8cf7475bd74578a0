// The red lock-wait notice, and the notifier that shows the library's messages and
// waits in the program's windows.
#pragma once
#include <functional>
#include <string>

#include "common/notifier.h"
#include "ui/ui.h"

namespace browser {

class TfErr : public ui::Form {
 public:
  TfErr();

  ui::Label& Label1;
  ui::Timer& Timer1;  // closes the notice, 5000 ms unless the caller sets another time

  void FormShow();
  void Timer1Timer();
  // A right click asks whether to ignore the file protection.
  void FormMouseDown(ui::MouseButton button);

  // While set, each tick of Timer1 runs it and the notice stays up until it returns
  // true: one notice for a whole wait.
  std::function<bool()> retry;
  // How the last showing ended: the time or the retry (Done), the ignore answer, or
  // Esc and the close button (Stopped).
  common::WaitEnd end = common::WaitEnd::Done;
};

TfErr& fErr();

// Message boxes, beeps and the lock-wait notice of the shared services, shown
// through the dialog windows.
class DialogNotifier : public common::Notifier {
 public:
  void Message(const std::string& text) override;
  void BeepMessage(const std::string& text) override;
  // fErr with the text for ms milliseconds; true when the user chose to ignore the protection.
  bool LockWait(const std::string& text, int ms) override;
  // fErr shown once for the whole wait; Esc stops it.
  common::WaitEnd Wait(std::string text, int ms, const std::function<bool(std::string& text)>& retry) override;
  void Beep(unsigned type) override;
};

// Puts a DialogNotifier in place for the rest of the run.
void InstallDialogNotifier();

}  // namespace browser
