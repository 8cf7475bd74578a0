// Report speed, run by hand (no test):
//  - writing a report of N lines (".TXT" and its ";" copy) through the report writer
//    beside writing the same bytes with one buffered stream;
//  - the report viewer on N lines beside 1,000 lines: open, End and PgUp ten times.
//
//   report_bench [lines] [rounds]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/notifier.h"
#include "common/session.h"
#include "reports/pozri.h"
#include "reports/writer.h"
#include "ui/headless/headless.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

std::string LineOf(long i) {
  std::string s = "Radek " + std::to_string(i) + " ;Nazev polozky;" + std::to_string(i * 7) + ";";
  return s;
}

double WriteWithWriter(long lines) {
  const auto start = Clock::now();
  reports::OpenReportOut("BIG", 100);
  for (long i = 1; i <= lines; ++i) {
    const std::string s = LineOf(i);
    reports::WriteReportLine(s);
    reports::WriteReportCsvLine(s);
  }
  reports::CloseReportOut();
  return Ms(start);
}

double WriteWithStream(long lines) {
  const auto start = Clock::now();
  std::ofstream txt("PLAIN.TXT", std::ios::binary), csv("PLAIN.CSV", std::ios::binary);
  for (long i = 1; i <= lines; ++i) {
    std::string s = LineOf(i);
    csv << s << "\r\n";
    s.resize(100, ' ');
    txt << s << "\r\n";
  }
  return Ms(start);
}

double View(ui::headless::HeadlessBackend& backend, const std::string& name, int rounds, std::string& where) {
  double best = 1e9;
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    reports::TfPozri v("fPozri");
    v.SetupPozri(name);
    v.Show();
    backend.PressKeys("End PgUp PgUp PgUp PgUp PgUp PgUp PgUp PgUp PgUp PgUp");
    where = std::to_string(v.Count) + " lines, top row " + std::to_string(v.Top + 1) + ": " + v.sgRol.Cell(1, 1).substr(0, 20);
    v.Hide();
    v.CloseBrowse();
    best = std::min(best, Ms(start));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const long big = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  char pattern[] = "/tmp/report_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  std::filesystem::current_path(folder);
  common::CurrentSession().DataDirPath = folder + "/";
  common::CurrentSession().ProgDirPath = folder + "/";
  common::CurrentSession().CurrentUser = "01";
  common::RecordingNotifier notes;
  common::ScopedNotifier scoped(notes);

  double writer = 1e9, stream = 1e9;
  for (int r = 0; r < rounds; ++r) {
    writer = std::min(writer, WriteWithWriter(big));
    stream = std::min(stream, WriteWithStream(big));
  }
  std::printf("writing %ld lines (.TXT and .CSV), best of %d rounds\n", big, rounds);
  std::printf("report writer      : %.1f ms\n", writer);
  std::printf("one buffered stream: %.1f ms\n", stream);
  std::printf("ratio              : %.2f\n", writer / stream);

  reports::OpenReportOut("SMALL", 100);
  for (long i = 1; i <= 1000; ++i) reports::WriteReportLine(LineOf(i));
  reports::CloseReportOut();
  ui::headless::HeadlessBackend backend;
  std::string smallWhere, largeWhere;
  const double small = View(backend, "SMALL.TXT", rounds, smallWhere);
  const double large = View(backend, "BIG.TXT", rounds, largeWhere);
  std::printf("viewer: open + End + PgUp x10, best of %d rounds\n", rounds);
  std::printf("1,000 lines        : %.2f ms (%s)\n", small, smallWhere.c_str());
  std::printf("%ld lines : %.2f ms (%s)\n", big, large, largeWhere.c_str());
  std::printf("ratio              : %.2f\n", large / small);
  if (!notes.calls.empty()) std::printf("messages: %s\n", notes.Dump().c_str());
  std::filesystem::current_path("/");
  std::filesystem::remove_all(folder);
  return 0;
}
