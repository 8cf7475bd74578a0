// The two-way document copy of one folder of many files into an empty copy tree, and
// again when nothing has changed: every new name on the copy side is looked up first.
//
//   doccopy_bench [files]      (default 5000)
//
// Run by hand; it is no test.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "backup/doccopy.h"
#include "bench/benchfolder.h"
#include "common/notifier.h"
#include "ui/headless/headless.h"

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 5000;
  const bench::BenchFolder scratch("doccopy_bench");
  std::filesystem::create_directories(scratch.path + "/data/DOKL");
  std::filesystem::create_directories(scratch.path + "/copy");
  for (int i = 0; i < files; ++i) std::ofstream(scratch.path + "/data/DOKL/D" + std::to_string(i) + ".rad") << i;
  common::RecordingNotifier notes;
  common::ScopedNotifier scopedNotes(notes);
  ui::headless::HeadlessBackend backend;
  const backup::CopyRoots roots{scratch.path + "/data/", scratch.path + "/copy/"};
  for (const char* what : {"into an empty copy", "nothing changed"}) {
    const auto start = std::chrono::steady_clock::now();
    const backup::CopyRun run = backup::SyncDocumentFolders(roots);
    std::printf("%d files, %s: %.2f s, %zu lines, %d failed\n", files, what,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), run.lines.size(),
                run.failed);
  }
  return 0;
}
