// The record sort engine beside GNU sort, both run as whole processes doing the same
// job: read 1,000,000 keys of 59 bytes from a file, sort them, write them to another
// file. The engine's side is sort_keys (the engine as a command). The two alternate
// (which one goes first alternates too); the median of each is reported, for random
// keys and for keys with many equals (16 distinct keys). One line per case.
//
//   sort_bench [keys] [rounds]
//
// Run by hand; it is no test.
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/process.h"

namespace {

constexpr int kKeyLength = 59;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// User and system processor seconds of the ended children.
double ChildCpu() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Wall seconds; `cpu` gets the processor seconds.
double Timed(const std::string& program, const std::vector<std::string>& args, std::vector<double>& cpu) {
  const double cpu0 = ChildCpu();
  const auto start = std::chrono::steady_clock::now();
  common::RunResult result;
  const int code = common::RunProgram(program, args, {}, result);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (code != 0 || result.exitCode != 0) std::fprintf(stderr, "%s failed (%d, exit %d)\n", program.c_str(), code, result.exitCode);
  cpu.push_back(ChildCpu() - cpu0);
  return s;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

// Writes `keys` lines; `distinct` > 0 draws them from that many different keys.
void MakeKeys(const std::string& path, long keys, long distinct) {
  std::mt19937_64 rng(59);
  auto randomKey = [&] {
    std::string line(kKeyLength + 1, '\n');
    for (int j = 0; j < kKeyLength; ++j) line[static_cast<std::size_t>(j)] = static_cast<char>(33 + rng() % 94);
    return line;
  };
  std::vector<std::string> pool;
  for (long i = 0; i < distinct; ++i) pool.push_back(randomKey());
  std::ofstream f(path, std::ios::binary);
  for (long i = 0; i < keys; ++i) f << (distinct > 0 ? pool[rng() % pool.size()] : randomKey());
}

void Compare(const char* title, const std::string& folder, long keys, long distinct, int rounds) {
  const std::string in = folder + "/keys.txt", ours = folder + "/engine.txt", gnu = folder + "/gnu.txt";
  MakeKeys(in, keys, distinct);
  std::vector<double> engine, sort, engineCpu, sortCpu;
  auto runEngine = [&] { engine.push_back(Timed(SORT_KEYS_EXE, {"-T", folder, "-o", ours, in}, engineCpu)); };
  auto runSort = [&] {
    sort.push_back(Timed("sort", {"-S", "32M", "--parallel=1", "-T", folder, "-o", gnu, in}, sortCpu));
  };
  for (int r = 0; r < rounds; ++r) {
    if (r % 2) {
      runEngine();
      runSort();
    } else {
      runSort();
      runEngine();
    }
  }
  const double e = Median(engine), g = Median(sort);
  const double ec = Median(engineCpu), gc = Median(sortCpu);
  std::printf("sort engine, %ld %s of %d bytes: %.3f s vs sort -S 32M --parallel=1 %.3f s (median of %d): ratio %.2f "
              "(processor %.3f s vs %.3f s: %.2f), outputs identical: %s\n",
              keys, title, kKeyLength, e, g, rounds, e / g, ec, gc, ec / gc, SameFile(ours, gnu) ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
  const long keys = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  setenv("LC_ALL", "C", 1);
  char pattern[] = "/tmp/sort_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  Compare("random keys", folder, keys, 0, rounds);
  Compare("keys of 16 values", folder, keys, 16, rounds);
  std::filesystem::remove_all(folder);
  return 0;
}
