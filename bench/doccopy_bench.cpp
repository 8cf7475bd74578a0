// The two-way document copy of many small files into an empty copy tree, against
// `cp -a` followed by one `sync`, and against copying each file durably on its own
// (one flush per file). Each run is a whole process of its own; the three kinds take
// turns, and the median of each is reported.
//
//   doccopy_bench [files] [rounds]        (defaults: 10000 files, 5 rounds)
//
// Run by hand; it is no test.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "backup/doccopy.h"
#include "bench/benchfolder.h"
#include "common/encoding.h"
#include "common/fileops.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// The copy itself, inside the child process.
int CopyOnce(const std::string& kind, const std::string& from, const std::string& to) {
  if (kind == "cp") return std::system(("cp -a '" + from + "' '" + to + "' && sync").c_str()) == 0 ? 0 : 1;
  const std::string source = common::Utf8ToWin1250(from) + "\\", copy = common::Utf8ToWin1250(to) + "\\";
  if (kind == "each") {
    fs::create_directories(to);
    for (const auto& e : fs::directory_iterator(from)) {
      const std::string name = common::Utf8ToWin1250(e.path().filename().string());
      if (common::CopyFileKeepDate(source + name, copy + name) != 0) return 1;
    }
    return 0;
  }
  const backup::CopyRun run = backup::SyncDocumentFolders({source, copy});
  return run.failed == 0 ? 0 : 1;
}

double TimedChild(const char* self, const std::string& kind, const std::string& from, const std::string& to) {
  fs::remove_all(to);
  ::sync();
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl(self, self, "--child", kind.c_str(), from.c_str(), to.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double s = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "%s failed\n", kind.c_str());
  return s;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--child") return CopyOnce(argv[2], argv[3], argv[4]);
  const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  bench::BenchFolder folder("doccopy_bench");
  const std::string from = folder.path + "/src", to = folder.path + "/copy";
  fs::create_directories(from);
  for (int i = 0; i < files; ++i) std::ofstream(from + "/doc" + std::to_string(i) + ".rad") << std::string(600, 'x');
  ::sync();
  const char* kinds[] = {"cp", "sync", "each"};
  std::vector<double> times[3];
  for (int r = 0; r < rounds; ++r)
    for (int k = 0; k < 3; ++k) times[k].push_back(TimedChild(argv[0], kinds[k], from, to));
  const double cp = Median(times[0]);
  std::printf("%d files, median of %d runs each\n", files, rounds);
  std::printf("  cp -a + sync          %8.2f s\n", cp);
  std::printf("  document copy         %8.2f s  (%.1f x)\n", Median(times[1]), Median(times[1]) / cp);
  std::printf("  one flush per file    %8.2f s  (%.1f x)\n", Median(times[2]), Median(times[2]) / cp);
  return 0;
}
