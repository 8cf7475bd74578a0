// Running external programs (the archiver, the HTTP client) without a shell, and
// handing documents and web addresses to the desktop.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace common {

struct RunOptions {
  bool wait = true;         // wait for the program to end
  int timeoutMs = -1;       // with wait: kill it after this long; -1 waits without limit
  bool hidden = false;      // stdin, stdout and stderr to /dev/null
  std::string outputFile;   // real path: stdout and stderr go here (truncated) instead
  std::string workDir;      // real path of the folder to start in; empty = ours
};

struct RunResult {
  int exitCode = -1;     // the program's exit code; -1 when it did not end normally
  int signal = 0;        // the signal that ended it
  bool timedOut = false; // killed after timeoutMs
  int pid = 0;
};

// Starts `program` (looked up in PATH when it has no "/") with the arguments as they
// are (real paths and UTF-8: the caller converts program text). Returns 0 when it was
// started (and, with wait, ended; see result), 2 when the program is not found, or
// another I/O code. A program that outlives its time limit is killed with its process
// group and reported with timedOut.
[[nodiscard]] int RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const RunOptions& options, RunResult& result);

// A program started without waiting, polled by its starter: Ended reaps it once it
// has ended; Kill ends it and its process group. Destroying it kills a program still
// running.
class ChildProgram {
 public:
  ChildProgram() = default;
  ~ChildProgram() { Kill(); }
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // As RunProgram; options.wait and timeoutMs are not used.
  [[nodiscard]] int Start(const std::string& program, const std::vector<std::string>& args, const RunOptions& options);
  bool Running() const { return pid_ > 0; }
  int pid() const { return pid_; }
  // True once the program has ended (its result filled); never blocks.
  bool Ended(RunResult& result);
  void Kill();

 private:
  int pid_ = 0;
};

// Opens a document (real path) or a web address with the desktop's handler
// (xdg-open) without waiting. Returns 0 when the handler was started.
[[nodiscard]] int OpenDocument(std::string_view pathOrUrl);

}  // namespace common
