#include "common/scramble.h"

#include <cstdint>

namespace common {
namespace {

// The key is a piece of this constant, cut at start-up; it is never written anywhere.
constexpr std::string_view kKeySource = "Vk3#Qm8!Lr2$Tz7&Wx5*Np9@Hs4%Jd";
constexpr std::size_t kKeyStart = 8;
static_assert(kKeySource.size() == 30 && kKeyStart + kScrambleKeyLength <= kKeySource.size());

unsigned RotateRight(unsigned x, unsigned r) { return ((x >> r) | (x << (8 - r))) & 0xFF; }
unsigned RotateLeft(unsigned x, unsigned r) { return ((x << r) | (x >> (8 - r))) & 0xFF; }

}  // namespace

std::string ScrambleText(std::string_view s, std::string_view key) {
  std::string out(s);
  if (key.empty()) return out;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned k = static_cast<unsigned char>(key[i % key.size()]);
    const unsigned x = static_cast<unsigned char>(out[i]) ^ k;
    out[i] = static_cast<char>(RotateRight(x, static_cast<unsigned>(i % 7) + 1));
  }
  return out;
}

std::string UnscrambleText(std::string_view s, std::string_view key) {
  std::string out(s);
  if (key.empty()) return out;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned k = static_cast<unsigned char>(key[i % key.size()]);
    const unsigned x = RotateLeft(static_cast<unsigned char>(out[i]), static_cast<unsigned>(i % 7) + 1);
    out[i] = static_cast<char>(x ^ k);
  }
  return out;
}

std::string ProgramScrambleKey() { return std::string(kKeySource.substr(kKeyStart, kScrambleKeyLength)); }

}  // namespace common
