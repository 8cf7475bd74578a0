#include "browser/recsort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/faultfs.h"
#include "common/osfile.h"
#include "tests/common/os_tempdir.h"

using browser::RecordSort;
using browser::SortLimits;

namespace {

using Less = std::function<bool(const char*, const char*)>;

// The sort as the engine's description gives it, pass by pass: each load sorted by the
// pair pass and merge passes with B copied back into A, loads spilled one after the
// other, then merge passes of width w, 2w, ... between the two halves of a work area.
std::vector<std::string> ReferenceSort(const std::vector<std::string>& keys, std::size_t perLoad, const Less& less) {
  auto lt = [&](const std::string& a, const std::string& b) { return less(a.data(), b.data()); };
  auto memoryBlock = [&](const std::vector<std::string>& load) {
    const std::size_t n = load.size();
    std::vector<std::size_t> a(n), b(n);
    for (std::size_t j = 0; j < n; ++j) a[j] = j;
    for (std::size_t j = 0; j + 1 < n; j += 2)
      if (!lt(load[a[j]], load[a[j + 1]])) std::swap(a[j], a[j + 1]);
    if (n > 2)
      for (std::size_t w = 2; w < n; w *= 2) {
        for (std::size_t s = 0; s < n; s += 2 * w) {
          std::size_t i = s, m = std::min(s + w, n), k = m, e = std::min(s + 2 * w, n), o = s;
          while (i < m && k < e) b[o++] = lt(load[a[i]], load[a[k]]) ? a[i++] : a[k++];
          while (i < m) b[o++] = a[i++];
          while (k < e) b[o++] = a[k++];
        }
        a = b;
      }
    std::vector<std::string> out;
    for (std::size_t j : a) out.push_back(load[j]);
    return out;
  };
  std::vector<std::string> file, load;
  int runs = 0;
  for (const auto& k : keys) {
    if (load.size() == perLoad) {
      auto sorted = memoryBlock(load);
      file.insert(file.end(), sorted.begin(), sorted.end());
      ++runs;
      load.clear();
    }
    load.push_back(k);
  }
  auto last = memoryBlock(load);
  if (runs == 0) return last;
  file.insert(file.end(), last.begin(), last.end());
  const std::size_t total = file.size();
  std::vector<std::string> area(2 * total);
  std::copy(file.begin(), file.end(), area.begin());
  std::size_t src = 0, tgt = total;
  for (std::size_t w = perLoad; w < total; w *= 2) {
    for (std::size_t s = 0; s < total; s += 2 * w) {
      std::size_t i = s, m = std::min(s + w, total), k = m, e = std::min(s + 2 * w, total), o = s;
      while (i < m && k < e) area[tgt + o++] = lt(area[src + i], area[src + k]) ? area[src + i++] : area[src + k++];
      while (i < m) area[tgt + o++] = area[src + i++];
      while (k < e) area[tgt + o++] = area[src + k++];
    }
    std::swap(src, tgt);
  }
  return {area.begin() + static_cast<long>(src), area.begin() + static_cast<long>(src + total)};
}

// Keys of `len` bytes: a class byte from a small alphabet (many equal keys under a
// first-byte order), random filler, and the serial number at the end.
std::vector<std::string> MakeKeys(std::size_t count, std::size_t len, unsigned seed, int classes) {
  std::mt19937 rng(seed);
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < count; ++i) {
    std::string k(len, ' ');
    k[0] = static_cast<char>('A' + rng() % classes);
    for (std::size_t j = 1; j < len; ++j) k[j] = static_cast<char>(32 + rng() % 95);
    const std::string serial = std::to_string(i);
    if (len >= serial.size() + 1) k.replace(len - serial.size(), serial.size(), serial);
    keys.push_back(k);
  }
  return keys;
}

// Runs the engine over keys, collecting the output.
struct SortResult {
  int status = -1;
  std::vector<std::string> out;
  bool inputRan = false, outputRan = false;
};

SortResult Sort(const std::vector<std::string>& keys, int len, SortLimits limits, Less less = {},
         std::function<void(RecordSort&)> duringOutput = {}) {
  SortResult r;
  RecordSort sort(std::move(limits));
  sort.less = std::move(less);
  sort.onInput = [&](RecordSort& s) {
    r.inputRan = true;
    for (const auto& k : keys) s.SortPut(k);
  };
  sort.onOutput = [&](RecordSort& s) {
    r.outputRan = true;
    if (duringOutput) duringOutput(s);
    std::string k;
    while (!s.SortEnd() && s.SortGet(k)) r.out.push_back(k);
  };
  r.status = sort.SortRun(len);
  return r;
}

// The sort's work files in the folder.
std::vector<std::string> WorkFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (common::IsWorkFile(e.path().filename().string())) names.push_back(e.path().filename().string());
  return names;
}

bool FirstByteLess(const char* a, const char* b) { return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]); }

struct SortEngine : ::testing::Test {
  ostest::TempDir tmp;
  SortLimits Small(std::int32_t perLoad) {
    SortLimits l;
    l.maxKeysPerBuffer = perLoad;
    l.workFolder = tmp.path() + "/";
    return l;
  }
};

}  // namespace

TEST_F(SortEngine, KeyLengthBelowTwoIsRefusedWithoutAnyHook) {
  for (int len : {1, 0, -5}) {
    SortResult r = Sort({"ab"}, len, Small(10));
    EXPECT_EQ(r.status, 8);
    EXPECT_FALSE(r.inputRan);
    EXPECT_FALSE(r.outputRan);
  }
  SortLimits tiny = Small(10);
  tiny.bufferBytes = 10;  // not one key of 59 bytes fits
  EXPECT_EQ(Sort({}, 59, tiny).status, 8);
}

TEST_F(SortEngine, NoKeysStillRunsTheOutputHookWhichEndsAtOnce) {
  SortResult r = Sort({}, 4, Small(10));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.outputRan);
  EXPECT_TRUE(r.out.empty());
}

TEST_F(SortEngine, EqualKeysFollowTheEnginesOwnOrderInMemoryAndThroughRuns) {
  // A first-byte order leaves hundreds of equal keys; their order must be the one of the
  // pass-by-pass algorithm, for one load, for two runs and for odd numbers of runs.
  for (std::size_t count : {1u, 2u, 3u, 7u, 64u, 100u, 1000u, 1237u}) {
    for (std::int32_t perLoad : {1, 2, 5, 64, 100, 250}) {
      auto keys = MakeKeys(count, 12, static_cast<unsigned>(count * 31 + perLoad), 4);
      SortResult r = Sort(keys, 12, Small(perLoad), FirstByteLess);
      ASSERT_EQ(r.status, 0);
      EXPECT_EQ(r.out, ReferenceSort(keys, static_cast<std::size_t>(perLoad), FirstByteLess))
          << count << " keys, " << perLoad << " per load";
    }
  }
}

TEST_F(SortEngine, EqualKeysComeOutInReverseInputOrder) {
  std::vector<std::string> keys = {"b1", "a1", "b2", "a2", "b3", "a3", "a4"};
  SortResult r = Sort(keys, 2, Small(3), FirstByteLess);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, (std::vector<std::string>{"a4", "a3", "a2", "a1", "b3", "b2", "b1"}));
}

TEST_F(SortEngine, CountedTextsCompareByTheirTextOnly) {
  auto counted = [](const std::string& text, char tail) {
    std::string k(8, tail);
    k[0] = static_cast<char>(text.size());
    k.replace(1, text.size(), text);
    return k;
  };
  EXPECT_TRUE(browser::CountedTextLess(counted("AB", 'z').data(), counted("ABC", 'a').data()));
  EXPECT_FALSE(browser::CountedTextLess(counted("ABC", 'a').data(), counted("AB", 'z').data()));
  EXPECT_FALSE(browser::CountedTextLess(counted("AB", 'a').data(), counted("AB", 'z').data()));  // tail ignored
  EXPECT_TRUE(browser::CountedTextLess(counted("A\x9a", 'a').data(), counted("A\xe1", 'a').data()));  // bytes unsigned
}

TEST_F(SortEngine, SixtyThousandKeysInManyRunsMatchTheReference) {
  auto keys = MakeKeys(60000, 20, 7, 26);
  SortResult r = Sort(keys, 20, Small(4096), FirstByteLess);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ReferenceSort(keys, 4096, FirstByteLess));
  EXPECT_TRUE(WorkFiles(tmp.path()).empty());
}

TEST_F(SortEngine, TwoHundredFiftyThousandAndOneKeysSpillTwoRunsThroughOneWorkFile) {
  // Real limits: 59-byte keys would fit 542,372 times into the buffer, but a load holds
  // 250,000, so one more key writes two runs.
  std::mt19937_64 rng(2024);
  std::vector<std::string> keys(250001, std::string(59, ' '));
  for (auto& k : keys)
    for (auto& c : k) c = static_cast<char>(rng() & 0xFF);
  ostest::ScopedCwd cwd(tmp.path());
  std::vector<std::string> seen;
  int runs = 0;
  std::string workName;
  SortResult r = Sort(keys, 59, SortLimits{}, {}, [&](RecordSort& s) {
    seen = WorkFiles(tmp.path());
    runs = s.runsWritten();
    workName = s.workFileName();
    EXPECT_EQ(s.keysPerBuffer(), 250000);
  });
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(runs, 2);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], workName);  // in the current folder
  EXPECT_TRUE(WorkFiles(tmp.path()).empty());
  auto expect = keys;
  std::sort(expect.begin(), expect.end(), [](const std::string& a, const std::string& b) {
    return std::memcmp(a.data(), b.data(), 59) < 0;
  });
  ASSERT_EQ(r.out.size(), expect.size());
  EXPECT_TRUE(r.out == expect);
}

TEST_F(SortEngine, KeysWithoutAnOrderHookComeOutInByteOrderAtEveryLengthAndRepeat) {
  // Short and long keys, equal leading bytes and many equal keys, keys that differ only
  // in their last byte, bytes above 127, in one load and through runs; a derived
  // class's own order is kept.
  struct Descending : RecordSort {
    using RecordSort::RecordSort;
    bool SortLess(const char* a, const char* b) override { return std::memcmp(b, a, 9) < 0; }
  };
  for (std::size_t len : {2u, 7u, 8u, 9u, 17u, 59u, 300u})
    for (int symbols : {1, 2, 256})
      for (std::size_t count : {1u, 63u, 64u, 3001u})
        for (std::int32_t perLoad : {100000, 97}) {
          std::mt19937 rng(static_cast<unsigned>(len * 7 + count + static_cast<std::size_t>(symbols)));
          std::vector<std::string> keys(count, std::string(len, '\0'));
          for (auto& k : keys)
            for (auto& c : k) c = static_cast<char>(symbols == 2 ? (rng() % 2 ? 0xE1 : 'a') : rng() % 256);
          if (symbols == 1)
            for (auto& k : keys) k = std::string(len - 1, 'x') + static_cast<char>('a' + rng() % 3);
          auto expect = keys;
          std::sort(expect.begin(), expect.end(), [&](const std::string& a, const std::string& b) {
            return std::memcmp(a.data(), b.data(), len) < 0;
          });
          EXPECT_EQ(Sort(keys, static_cast<int>(len), Small(perLoad)).out, expect)
              << len << " bytes, " << symbols << " symbols, " << count << " keys, " << perLoad << " per load";
        }
  Descending sort(Small(5));
  std::vector<std::string> got;
  sort.onInput = [](RecordSort& s) {
    for (const char* k : {"ab", "cd", "aa", "zz", "mm", "bb", "ca"}) s.SortPut(std::string(k) + "1234567");
  };
  sort.onOutput = [&](RecordSort& s) {
    std::string k;
    while (s.SortGet(k)) got.push_back(k.substr(0, 2));
  };
  ASSERT_EQ(sort.SortRun(9), 0);
  EXPECT_EQ(got, (std::vector<std::string>{"zz", "mm", "cd", "ca", "bb", "ab", "aa"}));
}

TEST_F(SortEngine, ExactlyOneLoadNeedsNoWorkFile) {
  auto keys = MakeKeys(100, 8, 3, 26);
  ostest::ScopedCwd cwd(tmp.path());
  std::vector<std::string> seen{"none looked"};
  SortLimits l;
  l.maxKeysPerBuffer = 100;
  SortResult r = Sort(keys, 8, l, {}, [&](RecordSort& s) {
    seen = WorkFiles(tmp.path());
    EXPECT_EQ(s.runsWritten(), 0);
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(r.out.size(), 100u);
}

TEST_F(SortEngine, TooManyKeysGiveNineAndNothingToTheOutput) {
  auto keys = MakeKeys(30, 6, 5, 26);
  for (std::int32_t perLoad : {100, 7}) {  // without and with runs
    SortLimits l = Small(perLoad);
    l.maxKeys = 20;
    SortResult r = Sort(keys, 6, l);
    EXPECT_EQ(r.status, 9);
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(WorkFiles(tmp.path()).empty());
  }
  SortLimits l = Small(100);
  l.maxKeys = 30;  // exactly the limit is fine
  EXPECT_EQ(Sort(keys, 6, l).out.size(), 30u);
}

TEST_F(SortEngine, TakenWorkFileNamesAreNeverReusedOrTouched) {
  // Files named as the work files once were ("SORT" + four digits + ".WRK") are a
  // user's: the engine's own work file has a name of its own and leaves them alone.
  for (const char* name : {"SORT0000.WRK", "SORT0001.WRK", "SORT4321.WRK", "SORT9998.WRK"})
    ostest::WriteRaw(tmp / name, "theirs");
  auto keys = MakeKeys(50, 6, 9, 26);
  std::string used;
  SortResult r = Sort(keys, 6, Small(10), {}, [&](RecordSort& s) { used = s.workFileName(); });
  ASSERT_EQ(r.status, 0);
  ASSERT_TRUE(used.starts_with(tmp.path() + "/")) << used;
  EXPECT_TRUE(common::IsWorkFile(used.substr(tmp.path().size() + 1))) << used;
  EXPECT_EQ(r.out, ReferenceSort(keys, 10, [](const char* a, const char* b) { return std::memcmp(a, b, 6) < 0; }));
  EXPECT_FALSE(std::filesystem::exists(used));
  for (const char* name : {"SORT0000.WRK", "SORT0001.WRK", "SORT4321.WRK", "SORT9998.WRK"})
    EXPECT_EQ(ostest::ReadRaw(tmp / name), "theirs") << name;
  EXPECT_TRUE(WorkFiles(tmp.path()).empty());
}

TEST_F(SortEngine, AFullDiskWhileSpillingEndsTheSortAndErasesTheWorkFile) {
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.Fail(common::FsOp::Write, ENOSPC, "SORT", -1, 1);  // the second spill fails
  SortResult r = Sort(MakeKeys(40, 6, 1, 26), 6, Small(10));
  EXPECT_EQ(r.status, 101);
  EXPECT_FALSE(r.outputRan);
  EXPECT_TRUE(WorkFiles(tmp.path()).empty());
}

TEST_F(SortEngine, AReadFailureWhileMergingEndsTheOutput) {
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.Fail(common::FsOp::Read, EIO, "SORT", -1, 6);  // after the runs' first slices
  SortLimits l = Small(10);
  l.bufferBytes = 60;  // two keys per slice, so the merge reads again
  SortResult r = Sort(MakeKeys(40, 6, 1, 26), 6, l);
  EXPECT_EQ(r.status, 100);
  EXPECT_TRUE(r.outputRan);
  EXPECT_LT(r.out.size(), 40u);
  EXPECT_TRUE(WorkFiles(tmp.path()).empty());
}

TEST_F(SortEngine, AnInputHookThatFailsLeavesNoWorkFile) {
  RecordSort sort(Small(4));
  sort.onInput = [](RecordSort& s) {
    for (int i = 0; i < 10; ++i) s.SortPut(std::string(6, static_cast<char>('a' + i)));
    s.SortPut("short");  // one byte too few
  };
  EXPECT_THROW(sort.SortRun(6), common::RangeError);
  EXPECT_FALSE(sort.workFileName().empty());
  EXPECT_TRUE(WorkFiles(tmp.path()).empty());
}

TEST_F(SortEngine, AnEngineCanRunAgainAndAnotherRunsBesideIt) {
  RecordSort outer(Small(3)), inner(Small(3));
  std::vector<std::string> got;
  outer.onInput = [](RecordSort& s) {
    for (const char* k : {"dd", "bb", "aa", "cc", "ee"}) s.SortPut(std::string_view(k));
  };
  outer.onOutput = [&](RecordSort& s) {
    // A second engine sorting while the first holds its work file gets its own file.
    inner.onInput = [](RecordSort& i) {
      for (const char* k : {"zz", "yy", "xx", "ww"}) i.SortPut(std::string_view(k));
    };
    inner.onOutput = [&](RecordSort& i) {
      EXPECT_NE(i.workFileName(), s.workFileName());
      EXPECT_EQ(WorkFiles(tmp.path()).size(), 2u);
    };
    EXPECT_EQ(inner.SortRun(2), 0);
    std::string k;
    while (s.SortGet(k)) got.push_back(k);
  };
  EXPECT_EQ(outer.SortRun(2), 0);
  EXPECT_EQ(got, (std::vector<std::string>{"aa", "bb", "cc", "dd", "ee"}));
  got.clear();
  EXPECT_EQ(outer.SortRun(2), 0);  // the same object again
  EXPECT_EQ(got.size(), 5u);
}
