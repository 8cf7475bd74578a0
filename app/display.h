// What the windows need before Qt starts: a display that answers, and a runtime folder.
#pragma once
#include <string>

namespace app {

// Empty when the display the environment names answers and takes this program as its
// client (or Qt is given a platform that needs none); otherwise one line saying what
// is missing or why the display refuses it. The connection that an X server took stays
// open until CloseDisplayCheck.
std::string DisplayProblem();
// Closes the check's connection, once the toolkit has connected on its own (a server
// whose last client leaves resets, and would meet the toolkit's connection so).
void CloseDisplayCheck();
// The one line for a display that answered the check but failed the toolkit as it
// started: toolkitSaid empty when its connection failed (the server went away),
// otherwise the toolkit's own reason.
std::string DisplayLostAtStart(const std::string& toolkitSaid = {});

// From here until EndToolkitConnect, a display lost while the toolkit connects to it
// ends the run as EndDisplayLostAtStart does: when the X library finds the toolkit's
// connection broken, and when the toolkit crashes on the replies it never got, its own
// connection closed from the other end or the server taking no connection any more.
// Any other crash, or SIGSEGV or SIGBUS sent meanwhile, ends the run by the signal's
// default action. Nothing when no display was checked.
void BeginToolkitConnect();
// The toolkit has connected: its own handlers from now on.
void EndToolkitConnect();
// The toolkit's own connection was closed from the other end while it connected, or the
// display that answered the check takes no connection any more.
bool ToolkitConnectionLost();
// Says DisplayLostAtStart(toolkitSaid) in the program's one line (with toolkitSaid
// empty: that the display closed the toolkit's connection when it still takes
// connections, else that it stopped answering), removes the runtime folder made for
// the run and ends the process with status 2.
[[noreturn]] void EndDisplayLostAtStart(const std::string& toolkitSaid = {});

// Gives the process a private runtime folder (XDG_RUNTIME_DIR) when none is set:
// "ciselniky-runtime-<uid>" in TMPDIR or /tmp, this user's only, mode 0700; a name
// another user holds, or a link, is passed over for a fresh folder. False when none
// could be made.
bool EnsureRuntimeDir();
// Removes the runtime folder EnsureRuntimeDir made in this run, with what is in it;
// one that was there before stays.
void RemoveMadeRuntimeDir();

}  // namespace app
