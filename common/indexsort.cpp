#include "common/indexsort.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <utility>
#include <vector>

#include "common/osfile.h"

namespace common {
namespace {

constexpr std::size_t kHeadBytes = 999;
constexpr std::int32_t kLastOffset = 490;

bool CrLfAt(std::string_view s, std::size_t at) { return at + 1 < s.size() && s[at] == '\r' && s[at + 1] == '\n'; }

std::int32_t MeasureFile(std::string_view fileName, bool needSecondLine, std::int32_t& lineCount) {
  lineCount = 0;
  File f;
  if (f.Open(fileName, kModeReadOnly) != 0) return 0;
  std::string head(kHeadBytes, '\0');
  std::size_t got = 0;
  std::uint64_t size = 0;
  if (f.ReadSome(0, head.data(), head.size(), got) != 0 || f.Size(size) != 0) return 0;
  head.resize(got);
  return MeasureLines(head, size, needSecondLine, lineCount);
}

using Less = std::function<bool(std::int32_t, std::int32_t)>;
using Swap = std::function<void(std::int32_t, std::int32_t)>;

std::int32_t MedianOfThree(std::int32_t a, std::int32_t b, std::int32_t c, const Less& less) {
  if (less(b, a)) std::swap(a, b);
  if (less(c, b)) b = less(c, a) ? a : c;
  return b;
}

// Items lo..hi through the callbacks, in n log n steps whatever their order.
void HeapSort(std::int32_t lo, std::int32_t hi, const Less& less, const Swap& swap) {
  const std::int32_t n = hi - lo + 1;
  const auto siftDown = [&](std::int32_t root, std::int32_t end) {  // 0-based within the range
    for (std::int32_t child; (child = 2 * root + 1) <= end; root = child) {
      if (child < end && less(lo + child, lo + child + 1)) ++child;
      if (!less(lo + root, lo + child)) return;
      swap(lo + root, lo + child);
    }
  };
  for (std::int32_t start = (n - 2) / 2; start >= 0; --start) siftDown(start, n - 1);
  for (std::int32_t end = n - 1; end > 0; --end) {
    swap(lo, lo + end);
    siftDown(0, end - 1);
  }
}

}  // namespace

void QuickSortIdx(std::int32_t count, const std::function<bool(std::int32_t, std::int32_t)>& less,
                  const std::function<void(std::int32_t, std::int32_t)>& swap) {
  struct Range {
    std::int32_t lo, hi, depth;
  };
  std::vector<Range> ranges;
  if (count > 1) ranges.push_back({1, count, static_cast<std::int32_t>(2 * std::bit_width(static_cast<std::uint32_t>(count)))});
  while (!ranges.empty()) {
    auto [lo, hi, depth] = ranges.back();
    ranges.pop_back();
    while (lo < hi) {
      if (depth-- == 0) {  // partitions keep coming out lopsided: finish this range by heap sort
        HeapSort(lo, hi, less, swap);
        break;
      }
      std::int32_t i = lo, j = hi;
      std::int32_t p = MedianOfThree(lo, lo + (hi - lo) / 2, hi, less);  // follows its item through the swaps
      do {
        while (less(i, p)) ++i;
        while (less(p, j)) --j;
        if (i <= j) {
          if (i != j) {
            swap(i, j);
            if (p == i) p = j;
            else if (p == j) p = i;
          }
          ++i;
          --j;
        }
      } while (i <= j);
      // The smaller part is worked on now, the larger one waits on the stack.
      if (j - lo < hi - i) {
        if (i < hi) ranges.push_back({i, hi, depth});
        hi = j;
      } else {
        if (j > lo) ranges.push_back({lo, j, depth});
        lo = i;
      }
    }
  }
}

std::int32_t MeasureLines(std::string_view head, std::uint64_t fileSize, bool needSecondLine,
                          std::int32_t& lineCount) {
  std::int32_t length = kLastOffset + 1;
  for (std::int32_t k = 1; k <= kLastOffset; ++k) {
    const auto at = static_cast<std::size_t>(k);
    if (CrLfAt(head, at) && (!needSecondLine || CrLfAt(head, 2 * at + 2))) {
      length = k;
      break;
    }
  }
  const std::uint64_t lines = fileSize / static_cast<std::uint64_t>(length + 2);
  lineCount = static_cast<std::int32_t>(std::min<std::uint64_t>(lines, std::numeric_limits<std::int32_t>::max()));
  return length;
}

std::int32_t TextLineInfo(std::string_view fileName, std::int32_t& lineCount) {
  return MeasureFile(fileName, true, lineCount);
}

std::int32_t TextLineInfo1(std::string_view fileName, std::int32_t& lineCount) {
  return MeasureFile(fileName, false, lineCount);
}

std::int32_t MeasureReportLines(std::string_view head, std::uint64_t fileSize, std::int32_t& lineCount) {
  lineCount = 0;
  const std::uint64_t limit = std::min<std::uint64_t>(head.size(), fileSize);
  for (std::uint64_t k = 0; k + 2 <= limit; ++k) {
    const std::uint64_t record = k + 2;
    if (fileSize % record != 0) continue;
    bool all = true;
    std::uint64_t checked = 0;
    for (std::uint64_t at = k; at + 1 < limit && checked < kReportProbeRecords; at += record, ++checked)
      if (!CrLfAt(head, static_cast<std::size_t>(at))) {
        all = false;
        break;
      }
    if (all && checked > 0) {
      lineCount = static_cast<std::int32_t>(std::min<std::uint64_t>(fileSize / record, std::numeric_limits<std::int32_t>::max()));
      return static_cast<std::int32_t>(k);
    }
  }
  return MeasureLines(head, fileSize, false, lineCount);
}

std::int32_t ReportLineInfo(std::string_view fileName, std::int32_t& lineCount) {
  lineCount = 0;
  File f;
  if (f.Open(fileName, kModeReadOnly) != 0) return 0;
  std::uint64_t size = 0;
  if (f.Size(size) != 0) return 0;
  std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(size, kReportHeadBytes)), '\0');
  std::size_t got = 0;
  if (f.ReadSome(0, head.data(), head.size(), got) != 0) return 0;
  head.resize(got);
  return MeasureReportLines(head, size, lineCount);
}

}  // namespace common
