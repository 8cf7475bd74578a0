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

}  // namespace common
