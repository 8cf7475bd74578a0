#include "app/ending.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "app/form1.h"
#include "common/notifier.h"
#include "ui/ui.h"

namespace app {

namespace {

std::atomic<int> g_signal{0};
constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};

void OnEndSignal(int signal) {
  int none = 0;
  if (g_signal.compare_exchange_strong(none, signal)) return;
  // The second: at once, by the default action.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigaction(signal, &dfl, nullptr);
  raise(signal);
}

}  // namespace

void InstallEndSignals() {
  static_assert(std::atomic<int>::is_always_lock_free);
  struct sigaction sa {};
  sa.sa_handler = OnEndSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int s : kEndSignals) sigaction(s, &sa, nullptr);
}

int NotedSignal() { return g_signal.load(); }

void EndByNotedSignal() {
  const int signal = g_signal.load();
  if (signal == 0) return;
  std::fflush(nullptr);
  EndByDefaultAction(signal);
}

void EndByDefaultAction(int signal) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigaction(signal, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
}

void WatchForEndSignal() {
  if (!g_signal.load() || ui::EndingQuietly()) return;
  // The main window shown ends the run as its poll does; before that, start-up stops
  // at its next step.
  if (TForm1* main = RunningMainWindow(); main && main->visible()) return main->EndBySignal();
  BeginQuietEnd();
  LeaveModalForms();
}

void BeginQuietEnd() {
  static common::EndingNotifier notifier;
  common::SetNotifier(&notifier);
  ui::EndQuietly();
}

void EndWithoutDisplay() {
  BeginQuietEnd();
  if (TForm1* main = RunningMainWindow())
    main->CloseInPlace();
  else
    EndOfRunClose();
  std::fflush(nullptr);
  _exit(1);
}

}  // namespace app
