// Opening a record file in the record-file browser and paging to its end (End, then
// PgUp ten times) on 1,000,000 records beside the same on 1,000 records: the cost
// must not grow with the file.
//
//   browse_bench [big records] [rounds]
//
// Run by hand; it is no test.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "browser/soub.h"
#include "common/notifier.h"
#include "common/session.h"
#include "ui/headless/headless.h"

namespace {

constexpr int kLength = 31;

class Bench : public browser::TfSoub {
 public:
  Bench() : TfSoub("fBench") {
    FieldCount = 2;
    browser::SetFieldDescriptor(Field(1), browser::FieldSetup().Caption("Kod").At(1, 1).Picture("X").Initial("     "));
    browser::SetFieldDescriptor(Field(2), browser::FieldSetup().Caption("Nazev").At(1, 2).Picture("X").Initial(std::string(24, ' ')));
  }
};

void WriteFile(const std::string& path, long records) {
  std::ofstream f(path, std::ios::binary);
  std::string r(kLength, ' ');
  r[0] = 5;
  r[6] = 24;
  for (long i = 1; i <= records; ++i) {
    const std::string n = std::to_string(i % 100000);
    r.replace(1, 5, std::string(5 - n.size(), '0') + n);
    f << r;
  }
}

// Open, End, PgUp x 10, close: the best of the rounds, in milliseconds.
double Browse(ui::headless::HeadlessBackend& backend, const std::string& name, int rounds, std::string& where) {
  double best = 1e9;
  for (int r = 0; r < rounds; ++r) {
    const auto start = std::chrono::steady_clock::now();
    Bench w;
    browser::BrowseSetup s;
    s.fileName = name;
    s.fieldCount = 2;
    s.recordLength = kLength;
    s.startRecord = 1;
    s.grid = {1, 1, 80, 25};
    w.OpenBrowse(s);
    w.Show();
    backend.PressKeys("End PgUp PgUp PgUp PgUp PgUp PgUp PgUp PgUp PgUp PgUp");
    where = std::to_string(w.Count) + " records, top row " + std::to_string(w.Top + 1) + ": " + w.sgRol.Cell(1, 1);
    w.Hide();
    w.CloseBrowse();
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const long big = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  char pattern[] = "/tmp/browse_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  std::filesystem::create_directories(folder + "/data");
  common::CurrentSession().DataDirPath = folder + "/data/";
  common::CurrentSession().ProgDirPath = folder + "/";
  common::CurrentSession().CurrentUser = "01";
  std::filesystem::current_path(folder);
  WriteFile(folder + "/data/SMALL.DTA", 1000);
  WriteFile(folder + "/data/BIG.DTA", big);

  common::RecordingNotifier notes;
  common::ScopedNotifier scoped(notes);
  ui::headless::HeadlessBackend backend;
  std::string smallWhere, largeWhere;
  const double small = Browse(backend, "SMALL.DTA", rounds, smallWhere);
  const double large = Browse(backend, "BIG.DTA", rounds, largeWhere);
  std::printf("open + End + PgUp x10, best of %d rounds\n", rounds);
  std::printf("1,000 records      : %.2f ms (%s)\n", small, smallWhere.c_str());
  std::printf("%ld records : %.2f ms (%s)\n", big, large, largeWhere.c_str());
  std::printf("ratio              : %.2f\n", large / small);
  if (!notes.calls.empty()) std::printf("messages: %s\n", notes.Dump().c_str());
  std::filesystem::current_path("/");
  std::filesystem::remove_all(folder);
  return 0;
}
