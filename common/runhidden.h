// Starting another program without a window and without waiting for it.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace common {

// Splits a command line at blanks; double quotes group (and are dropped).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Starts the command line (Windows-1250 text) hidden, then waits settleMs (500 by
// default: callers rely on the program having started). 0 when it was started,
// 2 when the program is not found, else an I/O code.
int RunHidden(std::string_view commandLine, int settleMs = 500);

}  // namespace common
