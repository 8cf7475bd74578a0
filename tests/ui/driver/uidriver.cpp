// Plays plain-text scripts against the headless window back end and prints what
// happened: the commands, every window, message, beep, dialog and print, and the
// snapshots the script asks for. With --expect the transcript must match a file.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/windows.h"
#include "browser/appearance.h"
#include "partners/lookups.h"
#include "partners/orgservices.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/session.h"
#include "common/startup.h"
#include "common/winpath.h"
#include "demo_forms.h"
#include "ui/headless/headless.h"
#include "ui/headless/script.h"
#include "ui/registry.h"

namespace {

const char* kUsage = R"(usage: uidriver [--data DIR | --copy-data DIR] [--expect FILE] SCRIPT...
       uidriver --list | --help

Plays each SCRIPT (a plain-text file, "-" for standard input) against the
headless window back end and prints the transcript: the commands ("> ..."), the
windows shown and closed, messages with their answers, beeps, dialogs, popup
menus, print jobs and the snapshots asked for.

  --data DIR      run start-up in DIR as the start folder: its "data.adr",
                  "prog.adr", "drives.map" and "master.job" are read as the
                  program reads them; without "data.adr" DIR is the data folder.
                  Windows then open over that data folder and change its files.
                  DIR is also drive D: unless "drives.map" maps D, so that
                  scenarios can name its folders by drive.
  --copy-data DIR the same on a fresh temporary copy of DIR, removed at the end;
                  the copy's path reads "<data>" in the transcript
  --expect FILE   compare the transcript with FILE; print the first difference
                  and exit 1 when they differ
  --list          list the windows "open" knows, with their arguments
  --help          this text and the script commands

Exit status: 0 done (and matching), 1 transcript differs, 2 script error (also a
script that ends with a window open or keys no window took).

At its end, also after a script error, the driver releases every lock entry its
run still holds, as the program's end does; what that says ends the transcript.
The close of the lists kept open for the run (their sorts) runs only where a
script says "open NAME end-of-run".

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

std::string ReplacedAll(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
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

// A fresh copy of a folder under a temporary one, keeping its own name (so that
// transcripts naming the data folder do not change from run to run); removed with
// this object.
class FolderCopy {
 public:
  explicit FolderCopy(const std::filesystem::path& from) {
    std::string pattern = (std::filesystem::temp_directory_path() / "uidriver-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    root_ = pattern;
    path_ = root_ / std::filesystem::absolute(from).lexically_normal().filename();
    std::filesystem::copy(from, path_, std::filesystem::copy_options::recursive);
    // One fixed time on every file, so that lists showing file dates read alike on every run.
    const std::chrono::sys_seconds when = std::chrono::sys_days{std::chrono::year{2024} / 6 / 12} + std::chrono::hours{10};
    const auto stamp = std::chrono::file_clock::from_sys(when);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_))
      if (entry.is_regular_file()) std::filesystem::last_write_time(entry.path(), stamp);
  }
  ~FolderCopy() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path root_, path_;
};

// Waits retry silently until one deadline, as when the program ends; what the
// release says goes where the run's messages go.
class EndOfRunNotifier : public common::EndingNotifier {
 public:
  explicit EndOfRunNotifier(common::Notifier& shown) : shown_(shown) {}
  void Message(const std::string& text) override { shown_.Message(text); }
  void BeepMessage(const std::string& text) override { shown_.BeepMessage(text); }
  void Beep(unsigned type) override { shown_.Beep(type); }

 private:
  common::Notifier& shown_;
};

// The end of the run: every lock entry still held is released. No script line
// answers what it says.
void EndRun(ui::headless::HeadlessBackend& backend) {
  backend.scriptEnded = true;
  common::Notifier& shown = common::CurrentNotifier();
  EndOfRunNotifier ending(shown);
  common::SetNotifier(&ending);
  struct Back {
    common::Notifier& shown;
    ~Back() { common::SetNotifier(&shown); }
  } back{shown};
  common::ReleaseLocksAndDisconnect(common::CurrentSession());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> scripts;
  std::string expect, data, copyData;
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage << ui::headless::ScriptHelp();
      return 0;
    } else if (a == "--list") {
      list = true;
    } else if ((a == "--expect" || a == "--data" || a == "--copy-data") && i + 1 < argc) {
      (a == "--expect" ? expect : a == "--data" ? data : copyData) = argv[++i];
    } else if (a.starts_with("--")) {
      std::cerr << "unknown option " << a << " (or its value is missing)\n" << kUsage;
      return 2;
    } else {
      scripts.push_back(a);
    }
  }

  ui::WindowRegistry registry;
  app::RegisterProgramWindows(registry);
  // Scenarios never reach the network: the register lookups' client cannot be started
  // (each lookup ends at once with "Chyba spojení"), and web pages are not opened.
  partners::LookupConfig().client = "/nonexistent/lookup-client";
  partners::OrgHooks().openPage = [](const std::string&) {};
  if (list) {
    std::cout << "demo\n";
    for (const auto* e : registry.All()) std::cout << e->className << (e->usage.empty() ? "" : " " + e->usage) << "\n";
    return 0;
  }
  if (scripts.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  if (!data.empty() && !copyData.empty()) {
    std::cerr << "give --data or --copy-data, not both\n";
    return 2;
  }
  // Script and expectation paths are taken before start-up changes the folder.
  for (auto& path : scripts)
    if (path != "-") path = std::filesystem::absolute(path).string();
  if (!expect.empty()) expect = std::filesystem::absolute(expect).string();

  ui::headless::HeadlessBackend backend;
  std::unique_ptr<FolderCopy> copy;
  try {
    if (!copyData.empty()) {
      copy = std::make_unique<FolderCopy>(copyData);
      data = copy->path().string();
    }
    if (!data.empty()) {
      if (!std::filesystem::is_directory(data)) throw std::runtime_error("no folder " + data);
      std::filesystem::current_path(data);
      browser::InstallBrowserDialogs();
      common::LoadStartupConfig();
      if (common::Drives().Folder("D").empty()) common::Drives().Set("D", std::filesystem::current_path().string());
    }
  } catch (const std::exception& e) {
    std::cerr << "uidriver: " << e.what() << "\n";
    return 2;
  }

  uidriver::DemoList demo;
  std::ostringstream transcript;
  ui::headless::ScriptRunner runner(backend, transcript);
  runner.AddOpener("demo", [&] { demo.Open(); });
  for (const auto* e : registry.All()) runner.AddOpener(e->className, e->open);
  int status = 0;
  for (const auto& path : scripts) {
    try {
      runner.Run(ReadAll(path));
    } catch (const std::exception& e) {
      EndRun(backend);
      std::cout << transcript.str();
      std::cerr << path << ": " << e.what() << "\n";
      return 2;
    }
  }
  EndRun(backend);
  std::string got = transcript.str();
  // A fresh copy lies in a folder of its own on every run: its path reads "<data>".
  if (copy) got = ReplacedAll(got, copy->path().string(), "<data>");
  std::cout << got;
  if (!expect.empty()) {
    std::string want = ReadAll(expect);
    if (want != got) {
      ShowDifference(got, want);
      status = 1;
    }
  }
  return status;
}
