// The business-register lookup against a loopback server whose reply announces no
// size: the time it takes and the process's peak memory.
//
//   lookup_bench [MB]        (default 50)
//
// Run by hand; it is no test. The server sends the reply piece by piece, so its own
// memory stays small.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/benchfolder.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "partners/lookups.h"
#include "tests/partners/loopback.h"
#include "ui/headless/headless.h"

int main(int argc, char** argv) {
  const std::size_t mb = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 50;
  bench::BenchFolder folder("lookup_bench");
  ui::headless::HeadlessBackend backend;
  common::RecordingNotifier notes;
  common::ScopedNotifier scoped(notes);
  backend.OnModal("fCekej", [&](ui::Form&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    backend.Advance(1000);
  });
  partnerstest::LoopbackServer server;
  const std::string piece = R"({"obchodniJmeno": ")" + std::string(30, 'x') + R"("},)";
  server.ReplyUnsized("[", piece, (mb << 20) / piece.size(), "0]");
  partners::LookupConfig().registerBase = server.Base();
  partners::LookupConfig().workFolder = folder.path + "/ARES/";
  const auto start = std::chrono::steady_clock::now();
  const auto found = partners::AresLookup("27074358");
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  const auto said = notes.Texts(common::RecordingNotifier::Kind::Message);
  // The program's message is Windows-1250; the console gets UTF-8.
  const std::string outcome = found ? "filled" : said.empty() ? "failed" : common::Win1250ToUtf8(said[0]);
  std::printf("%zu MB reply: %s in %.1f s, peak memory %.0f MB\n", mb, outcome.c_str(), s, use.ru_maxrss / 1024.0);
  return 0;
}
