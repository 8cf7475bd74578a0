// Plays a plain-text script against the headless back end. The script is UTF-8;
// texts become Windows-1250. Each command acts on the active form; a command that
// opens a modal form hands the following commands to it until it closes. See
// ScriptHelp() for the commands.
#pragma once
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/headless/headless.h"

namespace ui::headless {

// A script line that failed, with its number.
struct ScriptError : HeadlessError {
  int line;
  ScriptError(int line, const std::string& what)
      : HeadlessError("line " + std::to_string(line) + ": " + what), line(line) {}
};

// The command reference, as the driver's --help prints it.
const char* ScriptHelp();

class ScriptRunner {
 public:
  // Writes the transcript (echoed commands, journal lines, snapshots) to `out`.
  ScriptRunner(HeadlessBackend& backend, std::ostream& out);
  ~ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // "open <name> [args]" runs this: typically a set-up routine and a modal show. The
  // arguments come as Windows-1250.
  using Opener = std::function<void(const std::vector<std::string>& args)>;
  void AddOpener(const std::string& name, Opener open);
  void AddOpener(const std::string& name, std::function<void()> open);
  std::vector<std::string> OpenerNames() const;

  // Runs the whole script; throws ScriptError on the first failing line. Forms
  // still open when the script ends are closed with mr::Cancel, and that is an
  // error too (a ScriptError after the last line).
  void Run(std::string_view script);

 private:
  struct Line {
    int number;
    std::string text;
  };
  bool Step();
  std::optional<Answer> TakeAnswer();
  void Execute(const Line& line);
  Control& FindControl(const std::string& name) const;
  bool AtEnd();

  HeadlessBackend& backend_;
  std::ostream& out_;
  std::map<std::string, Opener> openers_;
  std::vector<Line> lines_;
  std::size_t next_ = 0;
  std::function<void(const std::string&)> previousJournal_;
};

// Splits a command line into words; "double quoted" words may hold blanks and \" .
std::vector<std::string> SplitWords(std::string_view line);

// "500", "500ms", "30s", "2min" to milliseconds; throws HeadlessError.
std::int64_t ParseDuration(std::string_view text);

}  // namespace ui::headless
