// The program's start as a whole process: from the process's start to the main
// window shown (offscreen), on an empty demo start folder: the first start, which
// fills the folder, apart from the later ones.
//
//   start_bench [rounds]
//
// Each round runs this program again with --child, which starts the program just as
// main() does and ends it as soon as the main window has been shown. Run by hand; it
// is no test.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/program.h"
#include "app/windowtable.h"
#include "common/jobfile.h"
#include "ui/qt/qt_backend.h"

extern char** environ;

namespace {

int Child(int argc, char** argv) {
  QApplication application(argc, argv);
  ui::qt::QtBackend backend;
  return app::RunProgram({}, [](app::WindowTable& windows) {
    app::TForm1& f = windows.Main();
    auto activate = f.onActivate;
    f.onActivate = [&f, activate](ui::Form& form) {
      activate(form);
      QTimer::singleShot(0, [&f] { f.RequestExit(); });
    };
  });
}

// One run of the child in the start folder; milliseconds, or -1 when it failed.
double TimeOne(const std::string& self, const std::string& folder) {
  std::filesystem::current_path(folder);
  std::vector<char*> argv{const_cast<char*>(self.c_str()), const_cast<char*>("--child"), nullptr};
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const auto t1 = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--child") return Child(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();

  char pattern[] = "/tmp/start_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  std::filesystem::create_directories(folder + "/data");
  std::filesystem::create_directories(folder + "/prog");
  std::ofstream(folder + "/data.adr") << folder << "/data/\r\n";
  std::ofstream(folder + "/prog.adr") << folder << "/prog/\r\n";
  common::JobImage job{};
  common::SetJobValue(job, "UZIVATEL", "01");
  std::ofstream(folder + "/master.job", std::ios::binary).write(reinterpret_cast<const char*>(job.data()), job.size());

  const double first = TimeOne(self, folder);
  std::vector<double> later;
  for (int i = 0; i < rounds; ++i) later.push_back(TimeOne(self, folder));
  std::filesystem::current_path("/");
  std::filesystem::remove_all(folder);
  if (first < 0 || std::count(later.begin(), later.end(), -1.0) > 0) {
    std::fprintf(stderr, "start_bench: a start failed\n");
    return 1;
  }
  std::sort(later.begin(), later.end());
  std::printf("first start (fills the folder): %.1f ms\n", first);
  std::printf("later starts, %d rounds: median %.1f ms, best %.1f ms, worst %.1f ms\n", rounds,
              later[later.size() / 2], later.front(), later.back());
  return 0;
}
