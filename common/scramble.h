// Reversible scrambling of personal data in output files: each byte is XORed with
// the next key byte and rotated right by 1..7 bits; both cycles start again with
// every call, so a text keeps its length and scrambles the same way wherever it
// starts a call (a report line, a record field, a block of a file).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace common {

inline constexpr std::size_t kScrambleKeyLength = 17;
// Files are converted in independent blocks of this size (the last one shorter).
inline constexpr std::size_t kScrambleBlockSize = 250;

// Same length as s; s comes back unchanged when s or key is empty.
std::string ScrambleText(std::string_view s, std::string_view key);
std::string UnscrambleText(std::string_view s, std::string_view key);

// The key every copy of this program uses (17 bytes). Files scrambled by another
// program with another key cannot be read.
std::string ProgramScrambleKey();

}  // namespace common
