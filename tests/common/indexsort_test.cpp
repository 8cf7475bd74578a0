#include "common/indexsort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "os_tempdir.h"

using namespace common;
using ostest::TempDir;
using ostest::WriteRaw;

namespace {

// Sorts v (items 1..n) through the callbacks only, checking every index they get.
void SortThroughCallbacks(std::vector<int>& v, long& calls) {
  const auto n = static_cast<std::int32_t>(v.size());
  auto at = [&](std::int32_t i) -> int& {
    EXPECT_GE(i, 1);
    EXPECT_LE(i, n);
    return v.at(static_cast<std::size_t>(i - 1));
  };
  QuickSortIdx(
      n, [&](std::int32_t i, std::int32_t j) { ++calls; return at(i) < at(j); },
      [&](std::int32_t i, std::int32_t j) { ++calls; std::swap(at(i), at(j)); });
}

// Sorts and returns the number of callback calls.
long ExpectSorts(std::vector<int> v) {
  std::vector<int> want = v;
  std::sort(want.begin(), want.end());
  long calls = 0;
  SortThroughCallbacks(v, calls);
  EXPECT_EQ(v, want);
  return calls;
}

std::string Lines(std::initializer_list<std::size_t> lengths) {
  std::string s;
  char c = 'a';
  for (std::size_t n : lengths) s += std::string(n, c++) + "\r\n";
  return s;
}

}  // namespace

TEST(IndexSort, NothingToSortCallsNothing) {
  for (int n : {0, 1, -5}) {
    int calls = 0;
    QuickSortIdx(n, [&](std::int32_t, std::int32_t) { ++calls; return false; },
                 [&](std::int32_t, std::int32_t) { ++calls; });
    EXPECT_EQ(calls, 0) << n;
  }
}

TEST(IndexSort, RandomSortedReversedAndEqualItems) {
  std::mt19937 rnd(5);
  for (int n : {2, 3, 7, 1000}) {
    std::vector<int> v(static_cast<std::size_t>(n));
    for (int& x : v) x = static_cast<int>(rnd() % 1000000);
    ExpectSorts(v);
    for (int& x : v) x = static_cast<int>(rnd() % 3);  // many equal items
    ExpectSorts(v);
    std::sort(v.begin(), v.end());
    ExpectSorts(v);
    std::reverse(v.begin(), v.end());
    ExpectSorts(v);
    ExpectSorts(std::vector<int>(static_cast<std::size_t>(n), 42));
  }
}

TEST(IndexSort, LargeListsBeyondThe32768Items) {
  constexpr long n = 100000;
  const long bound = 8 * n * 17;  // a few n log2 n calls, whatever the order
  std::mt19937 rnd(9);
  std::vector<int> v(n);
  for (int& x : v) x = static_cast<int>(rnd());
  EXPECT_LT(ExpectSorts(v), bound);
  // Organ pipe and sawtooth orders make a middle pivot pick badly again and again.
  std::vector<int> pipe;
  for (int i = 0; i < n / 2; ++i) pipe.push_back(i);
  for (int i = n / 2; i > 0; --i) pipe.push_back(i);
  EXPECT_LT(ExpectSorts(pipe), bound);
  std::vector<int> saw;
  for (int i = 0; i < n; ++i) saw.push_back(i % 1000);
  EXPECT_LT(ExpectSorts(saw), bound);
}

TEST(IndexSort, MeasureEqualLines) {
  std::int32_t count = -1;
  const std::string three = Lines({80, 80, 80});
  EXPECT_EQ(MeasureLines(three, three.size(), true, count), 80);
  EXPECT_EQ(count, 3);
  const std::string firstTwoAgree = Lines({10, 10, 30});
  EXPECT_EQ(MeasureLines(firstTwoAgree, firstTwoAgree.size(), true, count), 10);
  EXPECT_EQ(count, firstTwoAgree.size() / 12);
  const std::string unequal = Lines({10, 20, 30});
  EXPECT_EQ(MeasureLines(unequal, unequal.size(), true, count), 491);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(MeasureLines(unequal, unequal.size(), false, count), 10);  // the first line alone
  EXPECT_EQ(count, static_cast<std::int32_t>(unequal.size() / 12));
  // Lines longer than 490 characters are not found.
  const std::string wide = Lines({500, 500});
  EXPECT_EQ(MeasureLines(wide.substr(0, 999), wide.size(), true, count), 491);
  EXPECT_EQ(count, 2);
  const std::string widest = Lines({490, 490});
  EXPECT_EQ(MeasureLines(widest.substr(0, 999), widest.size(), true, count), 490);
  EXPECT_EQ(count, 2);
  // Only the head is looked at; the size gives the count.
  EXPECT_EQ(MeasureLines(three, 82ULL * 1000000, true, count), 80);
  EXPECT_EQ(count, 1000000);
  EXPECT_EQ(MeasureLines("", 0, true, count), 491);
  EXPECT_EQ(count, 0);
}

TEST(IndexSort, TextLineInfoOnFiles) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  WriteRaw(dir / "three.txt", Lines({80, 80, 80}));
  WriteRaw(dir / "unequal.txt", Lines({10, 20, 30}));
  std::int32_t count = -1;
  EXPECT_EQ(TextLineInfo(dir / "three.txt", count), 80);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(TextLineInfo(dir / "unequal.txt", count), 491);
  EXPECT_EQ(TextLineInfo1(dir / "unequal.txt", count), 10);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(TextLineInfo(dir / "missing.txt", count), 0);
  EXPECT_EQ(count, 0);
  count = -1;
  EXPECT_EQ(TextLineInfo1(dir / "nofolder/missing.txt", count), 0);
  EXPECT_EQ(count, 0);
}

// ---------------------------------------------------------------- report measure

namespace {

std::string Records(int width, int lines, char fill = 'x') {
  std::string s;
  for (int i = 0; i < lines; ++i) s += std::string(static_cast<std::size_t>(width), fill) + "\r\n";
  return s;
}

TEST(ReportFileMeasure, FindsTheWidthWhereEveryRecordEndsInCrLf) {
  struct Case {
    std::string bytes;
    std::int32_t width, lines;
  } cases[] = {
      {Records(10, 3), 10, 3},
      {Records(0, 4), 0, 4},
      {Records(300, 2), 300, 2},
      {Records(491, 1), 491, 1},  // one line is its own length
      {Records(600, 1), 600, 1},
      {"ab\r\ncd", 2, 1},            // no fitting width: the first CR LF
  };
  for (const Case& c : cases) {
    std::int32_t lines = -1;
    EXPECT_EQ(common::MeasureReportLines(c.bytes, c.bytes.size(), lines), c.width) << c.bytes.size();
    EXPECT_EQ(lines, c.lines) << c.bytes.size();
  }
}

TEST(ReportFileMeasure, ScrambledCrLfInsideTheFirstLineDoesNotFakeAWidth) {
  // Width 20: the first line holds CR LF at 4, as a scrambled line may.
  std::string s = Records(20, 5);
  s[4] = '\r';
  s[5] = '\n';
  std::int32_t lines = 0;
  EXPECT_EQ(common::MeasureReportLines(s, s.size(), lines), 20);
  EXPECT_EQ(lines, 5);
  std::int32_t naive = 0;
  EXPECT_EQ(common::MeasureLines(s, s.size(), false, naive), 4);  // the first CR LF alone
}

}  // namespace
