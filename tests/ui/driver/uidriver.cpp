// Plays plain-text scripts against the headless window back end and prints what
// happened: the commands, every window, message, beep, dialog and print, and the
// snapshots the script asks for. With --expect the transcript must match a file.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "demo_forms.h"
#include "ui/headless/headless.h"
#include "ui/headless/script.h"

namespace {

const char* kUsage = R"(usage: uidriver [--expect FILE] SCRIPT...
       uidriver --list | --help

Plays each SCRIPT (a plain-text file, "-" for standard input) against the
headless window back end and prints the transcript: the commands ("> ..."), the
windows shown and closed, messages with their answers, beeps, dialogs, popup
menus, print jobs and the snapshots asked for.

  --expect FILE   compare the transcript with FILE; print the first difference
                  and exit 1 when they differ
  --list          list the windows "open" knows
  --help          this text and the script commands

Exit status: 0 done (and matching), 1 transcript differs, 2 script error.

)";

std::string ReadAll(const std::string& path) {
  std::ostringstream s;
  if (path == "-") {
    s << std::cin.rdbuf();
  } else {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    s << in.rdbuf();
  }
  return s.str();
}

// Reports the first line where the two texts part.
void ShowDifference(const std::string& got, const std::string& want) {
  std::istringstream a(got), b(want);
  std::string la, lb;
  for (int line = 1;; ++line) {
    bool ha = static_cast<bool>(std::getline(a, la)), hb = static_cast<bool>(std::getline(b, lb));
    if (!ha && !hb) return;
    if (ha != hb || la != lb) {
      std::cerr << "transcript differs at line " << line << ":\n  expected: " << (hb ? lb : "(end)")
                << "\n  got:      " << (ha ? la : "(end)") << "\n";
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> scripts;
  std::string expect;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage << ui::headless::ScriptHelp();
      return 0;
    } else if (a == "--list") {
      list = true;
    } else if (a == "--expect" && i + 1 < argc) {
      expect = argv[++i];
    } else if (a.starts_with("--")) {
      std::cerr << "unknown option " << a << "\n" << kUsage;
      return 2;
    } else {
      scripts.push_back(a);
    }
  }

  ui::headless::HeadlessBackend backend;
  uidriver::DemoList demo;
  std::ostringstream transcript;
  ui::headless::ScriptRunner runner(backend, transcript);
  runner.AddOpener("demo", [&] { demo.Open(); });
  if (list) {
    for (const auto& name : runner.OpenerNames()) std::cout << name << "\n";
    return 0;
  }
  if (scripts.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  int status = 0;
  for (const auto& path : scripts) {
    try {
      runner.Run(ReadAll(path));
    } catch (const std::exception& e) {
      std::cout << transcript.str();
      std::cerr << path << ": " << e.what() << "\n";
      return 2;
    }
  }
  std::cout << transcript.str();
  if (!expect.empty()) {
    std::string want = ReadAll(expect);
    if (want != transcript.str()) {
      ShowDifference(transcript.str(), want);
      status = 1;
    }
  }
  return status;
}
