// The account lookup the account check and picker run before they show the chart:
// bisection over "CI10.DTA" of 50,000 accounts (or the number given), found and
// missing accounts, with the file reads each lookup took.
//
//   chart_bench [accounts]
//
// Run by hand; it is no test.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/benchfolder.h"
#include "codelists/chart.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/notifier.h"
#include "common/pascal.h"
#include "ui/headless/headless.h"

namespace {

std::string Account(long i) {
  char k[24];
  std::snprintf(k, sizeof k, "%06ld", 100000 + i * 10);
  return k;
}

void WriteChart(const std::string& path, long accounts) {
  std::ofstream f(path, std::ios::binary);
  std::string r(79, ' ');
  for (long i = 1; i <= accounts; ++i) {
    common::PutCounted(r, 0, Account(i), 6);
    common::PutCounted(r, 7, "Account " + std::to_string(i), 30);
    common::PutCounted(r, 72, "240101", 6);
    f << r;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long accounts = argc > 1 ? std::atol(argv[1]) : 50'000;
  const bench::BenchFolder scratch("chart_bench");
  WriteChart(scratch.path + "/data/CI10.DTA", accounts);

  common::RecordingNotifier notes;
  common::ScopedNotifier scopedNotes(notes);
  ui::headless::HeadlessBackend backend;
  codelists::TfCis10 w;
  codelists::SetupCis10(w);

  common::FaultFileSystem counting;  // no faults: it counts the reads
  const long calls = 20'000;
  long found = 0;
  int reads = 0;
  double ms = 0;
  {
    common::ScopedFileSystem scoped(counting);
    const auto start = std::chrono::steady_clock::now();
    for (long c = 0; c < calls; ++c) {
      const long i = (c * 7919) % accounts + 1;
      // Every other lookup asks for an account between two of the chart.
      std::string account = Account(i);
      if (c % 2) account[5] = '5';
      if (codelists::Cis10FindAccount(w, account) > 0) ++found;
    }
    ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    reads = counting.Calls(common::FsOp::Read);
  }
  std::printf("Cis10FindAccount over %ld accounts: %ld calls, %.4f ms a call, %.1f reads a call, %ld found\n",
              accounts, calls, ms / static_cast<double>(calls), static_cast<double>(reads) / static_cast<double>(calls),
              found);
  w.EndOfRunClose();
  if (!notes.calls.empty()) std::printf("messages: %s\n", notes.Dump().c_str());
  return 0;
}
