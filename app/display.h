// What the windows need before Qt starts: a display that answers, and a runtime folder.
#pragma once
#include <string>

namespace app {

// Empty when the display the environment names answers and takes this program as its
// client (or Qt is given a platform that needs none); otherwise one line saying what
// is missing or why the display refuses it.
std::string DisplayProblem();

// Gives the process a private runtime folder (XDG_RUNTIME_DIR) when none is set:
// "ciselniky-runtime-<uid>" in TMPDIR or /tmp, this user's only, mode 0700; a name
// another user holds, or a link, is passed over for a fresh folder. False when none
// could be made.
bool EnsureRuntimeDir();

}  // namespace app
