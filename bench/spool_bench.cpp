// Report-list and workbook speed, run by hand (no test):
//   spool_bench list [reports]   the report list over N reports (10,000): set-up and
//                                each of the five sorts (aim: under 0.5 s each)
//   spool_bench xlsx [rows]      a 10-column CSV of N rows (100,000) to a workbook,
//                                beside libxlsxwriter writing the same cells itself
//                                (aim: within 2x, peak memory under 50 MB)
// Run each mode in its own process: the peak memory is the process's.
#include <sys/resource.h>
#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/benchfolder.h"
#include "common/notifier.h"
#include "reports/spool.h"
#include "reports/xlsexport.h"
#include "ui/headless/headless.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

long PeakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

int List(long count) {
  bench::BenchFolder folder("spool_bench");
  for (long i = 0; i < count; ++i) {
    std::ofstream f("R" + std::to_string(100000 + i) + ".txt", std::ios::binary);
    f << std::string(static_cast<std::size_t>(1 + (i * 7919) % 5000), 'x');
  }
  std::ofstream("listw.tab", std::ios::binary) << "R1******|xx      |Sestava\r\n";
  ui::headless::HeadlessBackend backend;
  reports::TfSpool& list = reports::fSpool();
  auto start = Clock::now();
  list.SetupSpool();
  std::printf("set-up of %d reports: %.1f ms\n", list.Count, Ms(start));
  for (int kind = 1; kind <= 5; ++kind) {
    start = Clock::now();
    list.SortByColumn(kind);
    std::printf("sort %d: %.1f ms\n", kind, Ms(start));
  }
  list.CloseBrowse();
  reports::DestroySpoolWindows();
  return 0;
}

void Library(long rows) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt("LIB.xlsx", &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, "List1");
  lxw_format* text = workbook_add_format(book);
  format_set_num_format(text, "@");
  for (long r = 0; r < rows; ++r)
    for (int c = 0; c < 10; ++c) {
      const auto row = static_cast<lxw_row_t>(r + 6);
      if (c % 2) worksheet_write_number(sheet, row, static_cast<lxw_col_t>(c), static_cast<double>(r * c), text);
      else worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c), ("Text " + std::to_string(r)).c_str(), text);
    }
  workbook_close(book);
}

int Xlsx(long rows) {
  bench::BenchFolder folder("xlsx_bench");
  std::filesystem::create_directory("XLS");
  {
    std::ofstream f("XLS/BIG.CSV", std::ios::binary);
    f << "S1;N1;S2;N2;S3;N3;S4;N4;S5;N5;\r\n00;06;00;06;00;06;00;06;00;06;\r\n";
    for (long r = 0; r < rows; ++r) {
      for (int c = 0; c < 10; ++c) f << (c % 2 ? std::to_string(r * c) : "Text " + std::to_string(r)) << ";";
      f << "\r\n";
    }
  }
  ui::headless::HeadlessBackend backend;
  reports::XlsExportSettings().openDocument = false;
  const long before = PeakKb();
  auto start = Clock::now();
  const std::string written = reports::ExportToExcel("BIG", false);
  const double ours = Ms(start);
  const long peak = PeakKb();
  start = Clock::now();
  Library(rows);
  const double library = Ms(start);
  std::printf("%s: %ld rows x 10 columns in %.0f ms; the library alone %.0f ms (ratio %.2f)\n", written.c_str(), rows,
              ours, library, ours / library);
  std::printf("peak memory %.1f MB (%.1f MB before the export)\n", peak / 1024.0, before / 1024.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "list";
  if (mode == "list") return List(argc > 2 ? std::atol(argv[2]) : 10000);
  if (mode == "xlsx") return Xlsx(argc > 2 ? std::atol(argv[2]) : 100000);
  std::fprintf(stderr, "usage: spool_bench list [reports] | xlsx [rows]\n");
  return 2;
}
