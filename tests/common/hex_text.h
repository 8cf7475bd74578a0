// Bytes as lower-case hex pairs separated by blanks, for readable byte checks.
#pragma once
#include <string>
#include <string_view>

namespace testhex {

inline std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

}  // namespace testhex
