// The layout converter beside a plain copy: a file of old-layout records (125 bytes
// each) converted in place into the new layout (212 bytes each), against `cp` of
// the same file followed by `sync` of the copy. The two alternate; the median of
// each is reported (target: the converter within 2x of the copy). The converted file is
// checked against the item-by-item conversion of every record.
//
//   convert_bench [records] [rounds]
//
// Run by hand; it is no test.
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/convert.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/process.h"
#include "common/session.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// User and system processor seconds of this process or of its ended children.
double CpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Run(const std::string& program, const std::vector<std::string>& args) {
  common::RunResult result;
  if (common::RunProgram(program, args, {}, result) != 0 || result.exitCode != 0)
    std::fprintf(stderr, "%s failed\n", program.c_str());
}

void Counted(std::string& rec, std::size_t at, const std::string& text) {
  rec[at] = static_cast<char>(text.size());
  rec.replace(at + 1, text.size(), text);
}

// Texts, numbers and a date of 125 bytes; the new layout widens and retypes them.
const char* kOldPol =
    "KOD : string[10]; { \"Kód\" \"X\" }\r\n"
    "NAZEV : string[50]; { \"Název\" \"X\" }\r\n"
    "ULICE : string[30]; { \"Ulice\" \"X\" }\r\n"
    "PSC : string[5]; { \"PSČ\" \"P\" }\r\n"
    "CENA : real; { \"Cena\" \"###.##\" }\r\n"
    "POCET : longint; { \"Počet\" \"#####\" }\r\n"
    "DATUM : string[6]; { \"Datum\" \"D\" }\r\n"
    "MNOZ : word; { \"Množství\" \"###\" }\r\n"
    "B : byte; { \"B\" \"#\" }\r\n"
    "POZN : string[5]; { \"Pozn\" \"X\" }\r\n";
const char* kNewPol =
    "KOD : string[15]; { \"Kód\" \"X\" }\r\n"
    "NAZEV : string[80]; { \"Název\" \"X\" }\r\n"
    "ULICE : string[40]; { \"Ulice\" \"X\" }\r\n"
    "PSC : string[6]; { \"PSČ\" \"P\" }\r\n"
    "CENA : double; { \"Cena\" \"###.##\" }\r\n"
    "POCET : real; { \"Počet\" \"#####\" }\r\n"
    "DATUM : string[8]; { \"Datum\" \"q\" }\r\n"
    "MNOZ : longint; { \"Množství\" \"###\" }\r\n"
    "B : word; { \"B\" \"#\" }\r\n"
    "POZN : string[5]; { \"Pozn\" \"X\" }\r\n"
    "NOVA : string[31]; { \"Nová\" \"X\" }\r\n";

}  // namespace

int main(int argc, char** argv) {
  const long records = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  char pattern[] = "/tmp/convert_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  common::CurrentSession().CurrentUser = "01";
  common::CurrentSession().ProgDirPath = folder + "/";
  const std::string oldPol = folder + "/old.pol", newPol = folder + "/new.pol";
  std::ofstream(oldPol, std::ios::binary) << common::Cz(kOldPol);
  std::ofstream(newPol, std::ios::binary) << common::Cz(kNewPol);

  const std::string source = folder + "/source.dta", data = folder + "/data.dta", copy = folder + "/copy.dta";
  {
    common::toPol pol;
    std::string reason;
    if (!common::LoadLayout(oldPol, "x", pol, reason) || pol.recordLength != 125) {
      std::fprintf(stderr, "layout: %s %d\n", reason.c_str(), pol.recordLength);
      return 1;
    }
    std::ofstream f(source, std::ios::binary);
    std::string rec(125, ' ');
    for (long i = 0; i < records; ++i) {
      char kod[24], date[24];
      std::snprintf(kod, sizeof kod, "%010ld", i);
      std::snprintf(date, sizeof date, "%02ld%02ld%02ld", 1 + i % 28, 1 + i % 12, i % 100);
      std::fill(rec.begin(), rec.end(), ' ');
      Counted(rec, 0, kod);
      Counted(rec, 11, std::string(50, 'N'));
      Counted(rec, 62, "Dlouha " + std::to_string(i % 977));
      Counted(rec, 93, std::to_string(10000 + i % 90000));
      common::PutReal48(rec, 99, i * 0.25);
      common::PutLE<std::int32_t>(rec, 105, static_cast<std::int32_t>(i));
      Counted(rec, 109, date);
      common::PutLE<std::uint16_t>(rec, 116, static_cast<std::uint16_t>(i));
      rec[118] = static_cast<char>(i);
      Counted(rec, 119, "p");
      f << rec;
    }
  }

  // The converted file against every record converted item by item.
  auto sameAsItemByItem = [&] {
    common::toPol in, out;
    std::string reason;
    if (!common::LoadLayout(oldPol, "x", in, reason) || !common::LoadLayout(newPol, "x", out, reason)) return false;
    for (common::PolItem& o : out.items)
      for (std::size_t k = 0; k < in.items.size(); ++k)
        if (in.items[k].name == o.name) o.match = static_cast<int>(k) + 1;
    std::ifstream f(source, std::ios::binary), g(data, std::ios::binary);
    std::string rec(125, '\0'), got(212, '\0'), outRec = common::EmptyRecord(out);
    long n = 0;
    for (; f.read(rec.data(), 125); ++n) {
      common::ConvertRecord(in, rec, out, outRec);
      if (!g.read(got.data(), 212) || got != outRec) return false;
    }
    return n == records && !g.read(got.data(), 1);
  };
  bool same = true;

  std::vector<double> convert, cp, convertCpu, cpCpu;
  for (int r = 0; r < rounds; ++r) {
    std::filesystem::copy_file(source, data, std::filesystem::copy_options::overwrite_existing);
    auto t0 = Clock::now();
    double c0 = CpuSeconds(RUSAGE_SELF);
    const int converted = common::ConvertFile(data, "", oldPol, newPol);
    convert.push_back(Seconds(t0));
    convertCpu.push_back(CpuSeconds(RUSAGE_SELF) - c0);
    if (converted != 1 || std::filesystem::file_size(data) != static_cast<std::uintmax_t>(records) * 212)
      std::fprintf(stderr, "conversion failed\n");
    if (r == 0) same = sameAsItemByItem();
    std::filesystem::remove(copy);
    t0 = Clock::now();
    c0 = CpuSeconds(RUSAGE_CHILDREN);
    Run("cp", {source, copy});
    Run("sync", {copy});
    cp.push_back(Seconds(t0));
    cpCpu.push_back(CpuSeconds(RUSAGE_CHILDREN) - c0);
  }
  const double c = Median(convert), k = Median(cp);
  std::printf("layout conversion, %ld records 125 -> 212 bytes: %.3f s (processor %.3f s) vs cp + sync %.3f s "
              "(processor %.3f s) (median of %d): ratio %.2f, output as item by item: %s\n",
              records, c, Median(convertCpu), k, Median(cpCpu), rounds, c / k, same ? "yes" : "NO");
  std::filesystem::remove_all(folder);
  return 0;
}
