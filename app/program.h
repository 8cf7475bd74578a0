// The program's run on the current back end: the dialogs bound to the shared
// services, the start-up configuration, the screen's font scale, every window in
// table order, then the main window until it closes.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "common/notifier.h"

namespace app {

class WindowTable;

// How long a wait of the command-line rebuild may last before the batch ends.
inline constexpr int kBatchWaitBoundMs = 60000;

// The batch's notifier: the console's, counting the messages that tell of a failure; a
// wait it meets ends after kBatchWaitBoundMs (the step stops, said).
class BatchNotifier : public common::ConsoleNotifier {
 public:
  BatchNotifier() : ConsoleNotifier(kBatchWaitBoundMs) {}
  int messages = 0;
  void Message(const std::string& text) override {
    ++messages;
    ConsoleNotifier::Message(text);
  }
  void BeepMessage(const std::string& text) override {
    ++messages;
    ConsoleNotifier::BeepMessage(text);
  }
  void News(const std::string& text) override { ConsoleNotifier::Message(text); }
};

// args: the command-line parameters after the program's name. beforeRun sees the
// windows after their creation, before the main window is shown (tests). Returns
// the process's exit status.
int RunProgram(const std::vector<std::string>& args,
               const std::function<void(WindowTable&)>& beforeRun = nullptr);

// Fills the partner register's entries into the code-list pickers.
void InstallPartnerPickers();

}  // namespace app
