// An in-place sort that sees its items only through callbacks, and the measure of
// text files whose lines all have the same length.
#pragma once
#include <cstdint>
#include <functional>
#include <string_view>

namespace common {

// Sorts items 1..count ascending: less(i, j) is true when item i sorts before item
// j, swap(i, j) exchanges two items. Equal items may change order. Any count works
// (the work stack grows as needed).
void QuickSortIdx(std::int32_t count, const std::function<bool(std::int32_t, std::int32_t)>& less,
                  const std::function<void(std::int32_t, std::int32_t)>& swap);

// Line length (without CR LF) of a file of equal lines, from its first 999 bytes:
// the first k in 1..490 where CR LF stands at offset k and again at 2k + 2; 491 when
// there is none. lineCount = file size div (k + 2). A file that cannot be opened
// gives 0 and lineCount 0.
std::int32_t TextLineInfo(std::string_view fileName, std::int32_t& lineCount);
// The same, but the first CR LF alone decides.
std::int32_t TextLineInfo1(std::string_view fileName, std::int32_t& lineCount);

// The measure itself, on the first bytes of a file and its size.
std::int32_t MeasureLines(std::string_view head, std::uint64_t fileSize, bool needSecondLine,
                          std::int32_t& lineCount);

// Width of a report of fixed records (w bytes + CR LF) whose lines may hold any byte
// (scrambled lines can carry CR LF): the smallest w such that the file size is a
// multiple of w + 2 and CR LF ends every record within head (at most the first
// kReportProbeRecords). A file that is one record is its own width. Without such a
// w the first CR LF decides, as in TextLineInfo1. lineCount = size div (w + 2).
inline constexpr std::int32_t kReportProbeRecords = 400;
inline constexpr std::size_t kReportHeadBytes = 65536;
std::int32_t MeasureReportLines(std::string_view head, std::uint64_t fileSize, std::int32_t& lineCount);
// The same on a file (its first kReportHeadBytes); 0 and lineCount 0 when it cannot be read.
std::int32_t ReportLineInfo(std::string_view fileName, std::int32_t& lineCount);

}  // namespace common
