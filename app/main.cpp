// The program: the Qt application and back end, then the program's run. With the
// single parameter "CI6160" the rebuild runs on the headless back end instead: no
// display is needed, messages go to standard error and the exit status tells the result.
// Otherwise, without a display that answers, it says so in one line and ends with status 2.
// Ended by a signal, it closes as Esc does and then ends by that signal; when its display
// goes away, it closes the same way and ends with status 1.
#include <QApplication>
#include <cstdlib>
#include <exception>
#include <iostream>

#include "app/display.h"
#include "app/ending.h"
#include "app/form1.h"
#include "app/program.h"
#include "common/clock.h"
#include "common/encoding.h"
#include "ui/headless/headless.h"
#include "ui/qt/qt_backend.h"

namespace {

int RunBatch(const std::vector<std::string>& args) {
  ui::headless::HeadlessBackend backend;
  common::SetClock(nullptr);  // the real date for the change dates
  int boxes = 0;
  backend.onMessage = [&boxes](const ui::headless::MessageRecord& m) {
    ++boxes;
    std::cerr << common::Win1250ToUtf8(m.text) << "\n";
    return ui::mr::None;
  };
  const int status = app::RunProgram(args);
  return status == 0 && boxes > 0 ? 1 : status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(common::Utf8ToWin1250(argv[i]));
    if (app::IsRebuildCommandLine(args)) return RunBatch(args);
    // Qt ends the process on a display that does not answer: it is looked at first.
    if (const std::string problem = app::DisplayProblem(); !problem.empty()) {
      std::cerr << "ciselniky: " << problem << "\n";
      return 2;
    }
    (void)app::EnsureRuntimeDir();
    app::InstallEndSignals();
    QApplication application(argc, argv);
    ui::qt::QtBackend backend;
    backend.onDisplayLost = app::EndWithoutDisplay;
    backend.onPoll = app::WatchForEndSignal;  // also while a start-up message is open
    const int status = app::RunProgram(args);
    app::EndByNotedSignal();
    return status;
  } catch (const std::exception& e) {
    std::cerr << "ciselniky: " << e.what() << "\n";
    return 1;
  }
}
