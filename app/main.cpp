// The program: the Qt application and back end, then the program's run. With the
// single parameter "CI6160" the rebuild runs on the headless back end instead: no
// display is needed, messages go to standard error and the exit status tells the result.
// Otherwise, without a display that answers, it says so in one line and ends with status 2,
// as it does when the display goes away before or while Qt connects to it.
// Ended by a signal, it closes as Esc does and then ends by that signal; when its display
// goes away, it closes the same way and ends with status 1.
#include <QApplication>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

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

// What Qt says while it connects to the display is kept, and passed on once it has
// connected. Its connection breaking there, or its fatal end with the display gone
// since the check, is said in the program's own one line instead, and the run ends with
// status 2, leaving nothing.
struct KeptMessage {
  QtMsgType type;
  std::string file, function, category;
  int line;
  QString text;
};
std::vector<KeptMessage> g_kept;
QtMessageHandler g_passOn = nullptr;

void KeepWhileConnecting(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const auto str = [](const char* s) { return std::string(s ? s : ""); };
  if (ui::qt::SaysDisplayLost(text)) app::EndDisplayLostAtStart();
  if (type != QtFatalMsg) {
    g_kept.push_back({type, str(context.file), str(context.function), str(context.category), context.line, text});
    return;
  }
  bool lost = false;
  std::string reason;
  for (const KeptMessage& m : g_kept) {
    if (m.text.contains(QLatin1String("could not connect to display"), Qt::CaseInsensitive))
      lost = true;
    else if (reason.empty() && m.type != QtDebugMsg && m.type != QtInfoMsg)
      reason = m.text.section(QLatin1Char('\n'), 0, 0).toStdString();
  }
  app::EndDisplayLostAtStart(lost || app::ToolkitConnectionLost() ? std::string() : reason);
}

// Qt has connected, unless its connection broke meanwhile: then nothing it said is
// passed on, only the one line.
void PassOnKept() {
  if (ui::qt::DisplayConnectionLost()) app::EndDisplayLostAtStart();
  app::EndToolkitConnect();
  qInstallMessageHandler(g_passOn);
  for (const KeptMessage& m : g_kept)
    if (g_passOn) g_passOn(m.type, QMessageLogContext(m.file.c_str(), m.line, m.function.c_str(), m.category.c_str()), m.text);
  g_kept.clear();
}

}  // namespace

int main(int argc, char** argv) {
  // A display or a reader that goes away fails a write (EPIPE), it never ends the
  // program; the programs it starts get the default back.
  signal(SIGPIPE, SIG_IGN);
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
    app::BeginToolkitConnect();
    g_passOn = qInstallMessageHandler(KeepWhileConnecting);
    QApplication application(argc, argv);
    PassOnKept();
    app::CloseDisplayCheck();  // Qt has its own connection now
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
