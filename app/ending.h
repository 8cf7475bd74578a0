// The program ended from outside: a signal (SIGTERM at logout, SIGHUP when its
// terminal closes, SIGINT for Ctrl+C) or its display going away. The same close as Esc
// in the main window runs on the main thread, without showing anything.
#pragma once

namespace app {

// Installs the handlers of SIGTERM, SIGHUP and SIGINT. The first signal is only noted
// (the main window's poll ends the run); a second one ends the process at once, by it.
void InstallEndSignals();
// The signal noted, 0 when none.
int NotedSignal();
// Ends the process by the noted signal with its default action, so that its status
// tells which; returns when none was noted.
void EndByNotedSignal();

// From now on nothing is shown: messages go to standard error and a wait for a lock
// retries silently for at most 10 s in all, then gives up.
void BeginQuietEnd();
// The display has gone: the main window's end-of-run close runs here and now, then
// the process ends with status 1.
[[noreturn]] void EndWithoutDisplay();

}  // namespace app
