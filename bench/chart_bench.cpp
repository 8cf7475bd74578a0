// The chart of accounts "CI10.DTA" at two sizes: the account lookup the account check
// and picker run before they show the chart (bisection, found and missing accounts,
// with the file reads each lookup took), a key change that moves record 1 to the end,
// and the close-time sort after a deletion. The moves and the sort are timed at both
// sizes; their growth is printed beside the growth of the size.
//
//   chart_bench [small accounts] [big accounts]
//
// Run by hand; it is no test.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench/benchfolder.h"
#include "browser/editform.h"
#include "browser/soub.h"
#include "codelists/chart.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/notifier.h"
#include "common/pascal.h"
#include "ui/headless/headless.h"
#include "ui/keys.h"

namespace {

// Six digits up to 112,499 accounts.
std::string Account(long i) {
  char k[24];
  std::snprintf(k, sizeof k, "%06ld", 100000 + i * 8);
  return k;
}

void WriteChart(const std::string& path, long accounts) {
  std::ofstream f(path, std::ios::binary);
  std::string r(79, ' ');
  // Fields 3 to 12 hold blanks of their widths, as a new account does.
  for (const auto& [at, width] : {std::pair{38, 3}, {42, 3}, {46, 3}, {50, 3}, {54, 3}, {58, 3}, {62, 1}, {64, 3},
                                  {68, 1}, {70, 1}})
    common::PutCounted(r, at, std::string(width, ' '), width);
  for (long i = 1; i <= accounts; ++i) {
    common::PutCounted(r, 0, Account(i), 6);
    common::PutCounted(r, 7, "Account " + std::to_string(i), 30);
    common::PutCounted(r, 72, "240101", 6);
    f << r;
  }
}

// The edit window: the key typed into field 1, then F2.
struct TypeKey : browser::EditFormView {
  std::string key;
  void ShowModal(browser::EditForm& form) override {
    form.SetText(1, key);
    form.KeyDown(1, ui::vk::F(2), ui::Shift::None);
  }
};

double Ms(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Lookup {
  double msPerCall = 0, readsPerCall = 0;
  long found = 0;
};

Lookup Lookups(codelists::TfCis10& w, long accounts) {
  common::FaultFileSystem counting;  // no faults: it counts the reads
  const long calls = 20'000;
  Lookup l;
  common::ScopedFileSystem scoped(counting);
  const auto start = std::chrono::steady_clock::now();
  for (long c = 0; c < calls; ++c) {
    const long i = (c * 7919) % accounts + 1;
    // Every other lookup asks for an account between two of the chart.
    std::string account = Account(i);
    if (c % 2) account[5] = '5';
    if (codelists::Cis10FindAccount(w, account) > 0) ++l.found;
  }
  l.msPerCall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / calls;
  l.readsPerCall = static_cast<double>(counting.Calls(common::FsOp::Read)) / calls;
  return l;
}

struct Figures {
  Lookup lookup;
  double move = 0, sort = 0;
  int reads = 0, writes = 0, stats = 0;  // of the move
  bool ok = false;
};

// The accounts of the sorted file in order, all six digits, ascending.
bool SortedChart(const std::string& path, long accounts) {
  std::ifstream f(path, std::ios::binary);
  std::string r(79, ' '), last;
  long n = 0;
  while (f.read(r.data(), 79)) {
    const std::string key = r.substr(1, static_cast<unsigned char>(r[0]));
    if (key.size() != 6 || key < last) return false;
    last = key;
    ++n;
  }
  return n == accounts;
}

Figures Measure(const std::string& folder, long accounts, TypeKey& typing) {
  const std::string path = folder + "/data/CI10.DTA";
  WriteChart(path, accounts);
  Figures fig;
  codelists::TfCis10 w;
  codelists::SetupCis10(w);
  fig.lookup = Lookups(w, accounts);
  // Record 1 gets the highest account: every other record moves one place up.
  w.GoToRecord(1, 0);
  typing.key = "999999";
  {
    common::FaultFileSystem counting;  // no faults: it counts the calls
    common::ScopedFileSystem scoped(counting);
    fig.move = Ms([&] { w.EditRecord(); });
    fig.reads = counting.Calls(common::FsOp::Read);
    fig.writes = counting.Calls(common::FsOp::Write);
    fig.stats = counting.Calls(common::FsOp::Stat);
  }
  const bool moved = w.Current == accounts;
  // A deleted record goes to the front; closing sorts it away.
  w.GoToRecord(static_cast<std::int32_t>(accounts / 2), 0);
  w.DeleteRecord(w.Current);
  fig.sort = Ms([&] { w.EndOfRunClose(); });
  fig.ok = moved && SortedChart(path, accounts - 1);
  return fig;
}

}  // namespace

int main(int argc, char** argv) {
  const long small = argc > 1 ? std::atol(argv[1]) : 10'000;
  const long big = argc > 2 ? std::atol(argv[2]) : 100'000;
  const bench::BenchFolder scratch("chart_bench");

  common::RecordingNotifier notes;
  common::ScopedNotifier scopedNotes(notes);
  ui::headless::HeadlessBackend backend;
  TypeKey typing;
  browser::SoubHooks().editView = &typing;

  const Figures a = Measure(scratch.path, small, typing);
  const Figures b = Measure(scratch.path, big, typing);
  browser::SoubHooks().editView = nullptr;
  for (const auto& [n, f] : {std::pair{small, a}, std::pair{big, b}})
    std::printf("Cis10FindAccount over %ld accounts: %.4f ms a call, %.1f reads a call, %ld of 20000 found\n", n,
                f.lookup.msPerCall, f.lookup.readsPerCall, f.lookup.found);
  const double size = static_cast<double>(big) / static_cast<double>(small);
  std::printf("chart account lookup: %ld accounts %.4f ms a call, %ld accounts %.4f ms a call: ratio %.2f\n", small,
              a.lookup.msPerCall, big, b.lookup.msPerCall, b.lookup.msPerCall / a.lookup.msPerCall);
  std::printf("chart key change, record 1 to the end: %ld accounts %.2f ms, %ld accounts %.2f ms: growth %.1f for size x%.0f\n",
              small, a.move, big, b.move, b.move / a.move, size);
  for (const auto& [n, f] : {std::pair{small, a}, std::pair{big, b}})
    std::printf("chart key change over %ld accounts: %d reads, %d writes, %d looks at the file's size\n", n, f.reads,
                f.writes, f.stats);
  std::printf("chart close sort: %ld accounts %.2f ms, %ld accounts %.2f ms: growth %.1f for size x%.0f\n", small,
              a.sort, big, b.sort, b.sort / a.sort, size);
  std::printf("chart sorted and whole after the moves and the sort: %s\n", a.ok && b.ok ? "yes" : "NO");
  if (!notes.calls.empty()) std::printf("messages: %s\n", notes.Dump().c_str());
  return 0;
}
