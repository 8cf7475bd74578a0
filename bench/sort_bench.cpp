// The record sort engine beside GNU sort on the same keys: 1,000,000 keys of 59 bytes
// (four loads of 250,000), read from one file and written to another by both.
//
//   sort_bench [keys] [rounds]
//
// Prints the best time of each over the rounds, their ratio, and whether both outputs
// are the same bytes. Run by hand; it is no test.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "browser/recsort.h"
#include "common/process.h"

namespace {

constexpr int kKeyLength = 59;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The engine with a file in and a file out, as GNU sort works.
double EngineRun(const std::string& in, const std::string& out, const std::string& folder) {
  const auto start = std::chrono::steady_clock::now();
  browser::SortLimits limits;
  limits.workFolder = folder + "/";
  browser::RecordSort sort(limits);
  sort.onInput = [&](browser::RecordSort& s) {
    std::FILE* f = std::fopen(in.c_str(), "rb");
    std::vector<char> block((1 << 20) / (kKeyLength + 1) * (kKeyLength + 1));
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), f)) > 0)
      for (std::size_t off = 0; off + kKeyLength < got + 1; off += kKeyLength + 1)
        s.SortPut(block.data() + off, kKeyLength);
    std::fclose(f);
  };
  sort.onOutput = [&](browser::RecordSort& s) {
    std::FILE* f = std::fopen(out.c_str(), "wb");
    std::vector<char> block;
    block.reserve(1 << 20);
    char key[kKeyLength + 1];
    key[kKeyLength] = '\n';
    while (!s.SortEnd() && s.SortGet(key)) {
      block.insert(block.end(), key, key + kKeyLength + 1);
      if (block.size() + kKeyLength + 1 > block.capacity()) {
        std::fwrite(block.data(), 1, block.size(), f);
        block.clear();
      }
    }
    std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
  };
  const int status = sort.SortRun(kKeyLength);
  if (status != 0) std::fprintf(stderr, "engine status %d\n", status);
  return Seconds(start);
}

double GnuRun(const std::string& in, const std::string& out, const std::string& folder) {
  const auto start = std::chrono::steady_clock::now();
  common::RunOptions options;
  common::RunResult result;
  const int code = common::RunProgram("sort", {"-S", "32M", "--parallel=1", "-T", folder, "-o", out, in}, options, result);
  if (code != 0 || result.exitCode != 0) std::fprintf(stderr, "sort failed (%d, exit %d)\n", code, result.exitCode);
  return Seconds(start);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const long keys = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  setenv("LC_ALL", "C", 1);

  char pattern[] = "/tmp/sort_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  const std::string in = folder + "/keys.txt", ours = folder + "/engine.txt", gnu = folder + "/gnu.txt";
  {
    std::mt19937_64 rng(59);
    std::ofstream f(in, std::ios::binary);
    std::string line(kKeyLength + 1, '\n');
    for (long i = 0; i < keys; ++i) {
      for (int j = 0; j < kKeyLength; ++j) line[static_cast<std::size_t>(j)] = static_cast<char>(33 + rng() % 94);
      f << line;
    }
  }

  double bestOurs = 1e9, bestGnu = 1e9;
  for (int r = 0; r < rounds; ++r) {
    bestGnu = std::min(bestGnu, GnuRun(in, gnu, folder));
    bestOurs = std::min(bestOurs, EngineRun(in, ours, folder));
  }
  std::printf("%ld keys of %d bytes, best of %d rounds\n", keys, kKeyLength, rounds);
  std::printf("record sort engine : %.3f s\n", bestOurs);
  std::printf("GNU sort -S 32M --parallel=1 (LC_ALL=C): %.3f s\n", bestGnu);
  std::printf("ratio engine / GNU sort: %.2f\n", bestOurs / bestGnu);
  std::printf("outputs identical: %s\n", SameFile(ours, gnu) ? "yes" : "NO");
  std::filesystem::remove_all(folder);
  return 0;
}
