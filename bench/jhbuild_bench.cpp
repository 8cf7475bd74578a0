// The monthly report and the registration built for growing staffs: each employee has
// six report rows (name, surname, primary mark, an amount, a child and a summary
// amount), the employer two; the templates are small, as the payroll module's are.
//
//   jhbuild_bench [employees...]      (default 500 2000)
//
// Run by hand; it is no test.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/benchfolder.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/pascal.h"
#include "payroll/jhbuild.h"
#include "payroll/jhcis.h"
#include "payroll/jhvyk.h"
#include "payroll/prrol.h"
#include "ui/headless/headless.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
}

std::string TermRecord(const std::string& key, const std::string& summary) {
  std::string r(payroll::kTermLength, '\0');
  common::PutCounted(r, 0, key, 5);
  common::PutCounted(r, 6, summary, 1);
  common::PutCounted(r, 8, " ", 1);
  common::PutCounted(r, 10, "      ", 6);
  common::PutCounted(r, 17, "1", 1);  // registration
  common::PutCounted(r, 19, "1", 1);  // monthly report
  common::PutCounted(r, 21, "Pojem " + key, 200);
  return r;
}

std::string Row(const std::string& person, const std::string& term, const std::string& value,
                const std::string& child = " ") {
  std::string r(payroll::kRowLength, '\0');
  common::PutCounted(r, 0, person, 5);
  common::PutCounted(r, 6, child, 1);
  common::PutCounted(r, 8, term, 5);
  common::PutCounted(r, 14, value, 64);
  return r;
}

void WriteTemplate(const std::string& folder, const std::string& name, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  Write(folder + "/MZ8/JMHZ/" + name, text);
}

void Prepare(const std::string& folder, int employees) {
  std::filesystem::create_directories(folder + "/MZ8/JMHZ");
  std::string terms;
  for (const char* key : {"10053", "10054", "10100", "10200", "10300", "10495"}) terms += TermRecord(key, " ");
  terms += TermRecord("10900", "x");
  Write(folder + "/MZ8/JMHZ/JHcis.dta", terms);
  WriteTemplate(folder, "mPVhlav.txt", {R"(<?xml version="1.0" encoding="WINDOWS-1250"?>)", "<vykaz>", "<firma>",
                                        "<nazev> ######## </nazev>", "<!--10100-->", "</firma>"});
  WriteTemplate(folder, "mPVzamA.txt", {"<pomer>", "<!--ZAMESTNANEC 1-->", "<jmeno> ######## </jmeno>", "<!--10054-->",
                                        "<prijmeni> ######## </prijmeni>", "<!--10053-->"});
  WriteTemplate(folder, "mPVzamZecA.txt", {"<zec>", "<castka> ######## </castka>", "<!--10200-->"});
  WriteTemplate(folder, "mPVdetiHlav.txt", {"<deti>"});
  WriteTemplate(folder, "mPVdetiStred.txt", {"<dite> ######## </dite>", "<!--10300-->"});
  WriteTemplate(folder, "mPVdetiPata.txt", {"</deti>"});
  WriteTemplate(folder, "mPVzamZecB.txt", {"</zec>"});
  WriteTemplate(folder, "mPVzamC.txt", {"</pomer>"});
  WriteTemplate(folder, "mPVzamDSum.txt", {"<soucet> ######## </soucet>", "<!--10900-->"});
  WriteTemplate(folder, "mPVpata.txt", {"</vykaz>"});
  WriteTemplate(folder, "PrihlA.mat", {R"(<?xml version="1.0" encoding="windows-1250"?>)", R"(<prihlaska firma="#10100#">)"});
  WriteTemplate(folder, "PrihlB.mat", {R"(<zam jmeno="#10054#" prijmeni="#10053#" castka="#10200#"/>)"});
  WriteTemplate(folder, "PrihlC.mat", {"</prihlaska>"});

  std::string staff, rows = Row("     ", "10100", "Firma");
  char number[16], oic[16];
  for (int e = 1; e <= employees; ++e) {
    std::snprintf(number, sizeof number, "%05d", e);
    std::snprintf(oic, sizeof oic, "%010d", 1000000 + e);
    std::string record(payroll::kEmployeeLength, '\0');
    common::PutCounted(record, 0, number, 5);
    common::PutCounted(record, 223, "1    ", 5);
    common::PutCounted(record, 1638, oic, 10);
    staff += record;
    rows += Row(number, "10054", "Jan") + Row(number, "10053", "Novak " + std::to_string(e)) +
            Row(number, "10495", "true") + Row(number, "10200", std::to_string(100 + e)) +
            Row(number, "10300", "Petr", "1") + Row(number, "10900", std::to_string(e));
  }
  rows += Row("     ", "10200", "0");
  Write(folder + "/data/pr2000.dta", staff);
  Write(folder + "/data/JHvyk.dta", rows);
  Write(folder + "/data/JHprihl.dta", rows);
}

double Seconds(const std::function<bool()>& f) {
  const auto start = std::chrono::steady_clock::now();
  if (!f()) std::printf("  (the build failed)\n");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {500, 2000};

  common::RecordingNotifier notes;
  common::ScopedNotifier scopedNotes(notes);
  ui::headless::HeadlessBackend backend;
  double base[2] = {0, 0};
  for (int n : counts) {
    const bench::BenchFolder scratch("jhbuild_bench");
    Prepare(scratch.path, n);
    const double report = Seconds([] {
      return payroll::BuildReportXml(common::DataDir("JHvyk.dta"), common::DataDir("\\JH\\VYKAZ.xml"), {});
    });
    const double registration = Seconds([] {
      return payroll::BuildRegistrationXml(common::DataDir("JHprihl.dta"), common::DataDir("\\JH\\PRIHLASKA.XML"), {});
    });
    if (base[0] == 0) {
      base[0] = report;
      base[1] = registration;
    }
    std::printf("%6d employees: report %8.2f s (x%.2f), registration %8.2f s (x%.2f), report %ju bytes\n", n, report,
                report / base[0], registration, registration / base[1],
                static_cast<std::uintmax_t>(std::filesystem::file_size(scratch.path + "/data/JH/VYKAZ.xml")));
    std::fflush(stdout);
  }
  if (!notes.calls.empty()) std::printf("messages: %s\n", notes.Dump().c_str());
  return 0;
}
