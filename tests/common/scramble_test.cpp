#include "common/scramble.h"

#include <gtest/gtest.h>

#include <random>

#include "hex_text.h"

using namespace common;
using testhex::Hex;

namespace {

std::string RandomBytes(std::mt19937& rnd, std::size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rnd() & 0xFF);
  return s;
}

}  // namespace

TEST(ScrambleText, KnownVector) {
  const std::string out = ScrambleText("Novak Jan", "ABCDEFGHIJKLMNOPQ");
  EXPECT_EQ(Hex(out), "87 4b a6 52 71 99 1a 94 c9");
  EXPECT_EQ(UnscrambleText(out, "ABCDEFGHIJKLMNOPQ"), "Novak Jan");
}

TEST(ScrambleText, EveryByteValueRoundTrips) {
  std::mt19937 rnd(3);
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (int round = 0; round < 50; ++round) {
    const std::string key = RandomBytes(rnd, kScrambleKeyLength);
    const std::string s = ScrambleText(all, key);
    ASSERT_EQ(s.size(), all.size());
    EXPECT_EQ(UnscrambleText(s, key), all);
  }
  for (int round = 0; round < 1000; ++round) {
    const std::string key = RandomBytes(rnd, 1 + rnd() % 30);
    const std::string text = RandomBytes(rnd, rnd() % 300);
    ASSERT_EQ(UnscrambleText(ScrambleText(text, key), key), text);
  }
}

TEST(ScrambleText, KeyAndRotationCycles) {
  const std::string key = "ABCDEFGHIJKLMNOPQ";
  // The same byte at positions 1 and 8 uses rotation 1 both times; only the key differs.
  const std::string s = ScrambleText(std::string(8, 'x'), std::string(8, 'k'));
  EXPECT_EQ(s[0], s[7]);
  EXPECT_NE(s[0], s[1]);
  // Position 18 uses key byte 1 again, position 119 + 1 repeats position 1 exactly.
  const std::string text(240, 'a');
  const std::string out = ScrambleText(text, key);
  for (std::size_t i = 0; i + 119 < out.size(); ++i) EXPECT_EQ(out[i], out[i + 119]) << i;
  EXPECT_EQ(ScrambleText(text.substr(0, 1), key)[0], out[0]);
  // Each call starts its cycles again: the same bytes later in a text scramble differently.
  EXPECT_NE(ScrambleText("abab", key).substr(2), ScrambleText("ab", key));
}

TEST(ScrambleText, EmptyTextOrKeyIsUnchanged) {
  EXPECT_EQ(ScrambleText("", "key"), "");
  EXPECT_EQ(ScrambleText("plain", ""), "plain");
  EXPECT_EQ(UnscrambleText("plain", ""), "plain");
}

TEST(ScrambleText, ProgramKey) {
  const std::string key = ProgramScrambleKey();
  EXPECT_EQ(key.size(), kScrambleKeyLength);
  EXPECT_EQ(key, ProgramScrambleKey());
  const std::string line = "Novák Jan, Dlouhá 12, 110 00 Praha 1\r\n";
  const std::string scrambled = ScrambleText(line, key);
  EXPECT_NE(scrambled, line);
  EXPECT_EQ(UnscrambleText(scrambled, key), line);
}
