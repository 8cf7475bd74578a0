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
// Looked at often on the main thread from the start, in every loop (the main window's,
// a message box's, a modal window's). Once a signal is noted the run ends quietly:
// with the main window as its poll ends it; before it exists, the message or window
// open is left and nothing more is shown, and the start-up goes on to no further step.
void WatchForEndSignal();
// Ends the process by the noted signal with its default action, so that its status
// tells which; returns when none was noted.
void EndByNotedSignal();
// Ends the process by `signal` with its default action, here and now (on this thread,
// also inside that signal's handler). Safe in a signal handler.
void EndByDefaultAction(int signal);

// From now on nothing is shown: messages go to standard error and a wait for a lock
// retries silently for at most 10 s in all, then gives up.
void BeginQuietEnd();
// The display has gone: the end-of-run close runs here and now (the main window's,
// or the bare close before it exists), then the process ends with status 1.
[[noreturn]] void EndWithoutDisplay();

}  // namespace app
