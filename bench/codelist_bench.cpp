// The contracts list (130-byte records) with 100,000 records beside one of 100: opening
// the window, a key change that moves a record 10 and 10,000 places (with the writes it
// took), the close-time sort and the listing "CI_OPIS".
//
//   codelist_bench [records]
//
// Run by hand; it is no test.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench/benchfolder.h"
#include "browser/editform.h"
#include "browser/entries.h"
#include "codelists/lists.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/notifier.h"
#include "common/pascal.h"
#include "common/session.h"
#include "ui/headless/headless.h"
#include "ui/keys.h"

namespace {

using codelists::TfCis36;

std::string Key(long i) {
  char k[21];
  std::snprintf(k, sizeof k, "K%07ld", i * 10);
  return k;
}

void WriteFile(const std::string& path, long records) {
  std::ofstream f(path, std::ios::binary);
  std::string r(130, ' ');
  for (long i = 1; i <= records; ++i) {
    common::PutCounted(r, 0, Key(i) + std::string(12, ' '), 20);
    common::PutCounted(r, 21, "Contract " + std::to_string(i), 50);
    common::PutCounted(r, 72, "", 50);
    common::PutCounted(r, 123, "240101", 6);
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

struct CountingWriter : browser::ReportWriter {
  long lines = 0;
  void OpenReportOut(const std::string&, int) override {}
  void WriteReportLine(const std::string&) override { ++lines; }
  void CloseReportOut() override {}
};

double Ms(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double OpenClose(const std::string& file, int rounds) {
  std::filesystem::copy_file(file, "data/CI36.DTA", std::filesystem::copy_options::overwrite_existing);
  double best = 1e9;
  for (int r = 0; r < rounds; ++r) {
    TfCis36 w;
    best = std::min(best, Ms([&] {
                      codelists::SetupCis36(w);
                      w.EndOfRunClose();
                    }));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const long big = argc > 1 ? std::atol(argv[1]) : 100'000;
  const bench::BenchFolder scratch("codelist_bench");
  const std::string& folder = scratch.path;
  WriteFile(folder + "/small.dta", 100);
  WriteFile(folder + "/big.dta", big);

  common::RecordingNotifier notes;
  common::ScopedNotifier scopedNotes(notes);
  ui::headless::HeadlessBackend backend;
  TypeKey typing;
  browser::SoubHooks().editView = &typing;
  CountingWriter writer;
  browser::SetReportServices(nullptr, nullptr, &writer);

  const double openSmall = OpenClose(folder + "/small.dta", 5);
  const double openBig = OpenClose(folder + "/big.dta", 5);
  std::printf("open + close, best of 5: 100 records %.2f ms, %ld records %.2f ms, ratio %.2f\n", openSmall, big,
              openBig, openBig / openSmall);

  TfCis36 w;
  codelists::SetupCis36(w);
  common::FaultFileSystem counting;  // no faults: it counts the calls
  for (long distance : {10L, 10'000L}) {
    const long from = big / 2;
    w.GoToRecord(static_cast<std::int32_t>(from), 0);
    typing.key = Key(from + distance) + "5";  // just behind the record `distance` places on
    const int before = counting.Calls(common::FsOp::Write);
    double ms = 0;
    {
      common::ScopedFileSystem scoped(counting);
      ms = Ms([&] { w.EditRecord(); });
    }
    std::printf("key change moving %ld places: %.2f ms, %d writes, now record %d\n", distance, ms,
                counting.Calls(common::FsOp::Write) - before, w.Current);
  }

  const double listing = Ms([&] { w.CodeListPrint(); });
  std::printf("listing CI_OPIS: %.2f ms, %ld lines\n", listing, writer.lines);

  w.GoToRecord(7, 0);
  w.DeleteRecord(w.Current);
  const double sort = Ms([&] { w.EndOfRunClose(); });
  std::printf("close-time sort of %ld records: %.2f ms, %lld bytes left\n", big, sort,
              static_cast<long long>(std::filesystem::file_size(folder + "/data/CI36.DTA")));
  if (!notes.calls.empty()) std::printf("messages: %s\n", notes.Dump().c_str());
  browser::SetReportServices(nullptr, nullptr, nullptr);
  return 0;
}
