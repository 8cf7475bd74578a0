#include "common/encoding.h"

#include <gtest/gtest.h>

using namespace common;
using namespace common::literals;

TEST(Encoding, CzechLettersRoundTrip) {
  const std::string letters = "áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽľĽĺĹôÔäÄ";
  std::string cp = Utf8ToWin1250(letters);
  ASSERT_EQ(cp.size(), 38u);  // one byte per letter
  EXPECT_EQ(static_cast<unsigned char>(cp[1]), 0xE8);   // č
  EXPECT_EQ(static_cast<unsigned char>(cp[16]), 0xC8);  // Č
  EXPECT_EQ(static_cast<unsigned char>(cp[31]), 0xBC);  // Ľ
  EXPECT_EQ(Win1250ToUtf8(cp), letters);
}

TEST(Encoding, EveryDefinedByteRoundTrips) {
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    std::string u = Win1250ToUtf8(one, '\x01');
    if (b >= 0x80 && u == "\x01") { ++undefined; continue; }
    EXPECT_EQ(Utf8ToWin1250(u), one) << "byte " << b;
  }
  EXPECT_EQ(undefined, 5);  // 0x81, 0x83, 0x88, 0x90, 0x98
}

TEST(Encoding, UnmappableAndMalformedInput) {
  EXPECT_EQ(Utf8ToWin1250("a€b"), "a\x80" "b");
  EXPECT_EQ(Utf8ToWin1250("a\xE4\xB8\xADz"), "a?z");   // CJK letter the code page lacks
  EXPECT_EQ(Utf8ToWin1250("a\xC4"), "a?");             // cut sequence
  EXPECT_EQ(Utf8ToWin1250("\xC0\x80", ' '), "  ");     // overlong form
  EXPECT_EQ(Win1250ToUtf8("\x98", ' '), " ");
}

TEST(Encoding, Literal) {
  EXPECT_EQ("Kód"_cz, std::string("K\xF3" "d"));
  EXPECT_EQ(Cz("Dělení nulou").size(), 12u);
}

TEST(Encoding, Utf8TextDetection) {
  const struct { std::string_view text; bool utf8; } cases[] = {
      {"plain ASCII", false},            // nothing to convert
      {"Kód", true},
      {"K\xF3" "d", false},              // Windows-1250 "ó"
      {"\xE8\xED" "slo", false},         // "čí" in Windows-1250 is no UTF-8 sequence
      {"a\xC4", false},                  // cut sequence
      {"\xC0\x80", false},               // overlong form
      {"日本", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsUtf8WithNonAscii(c.text), c.utf8) << c.text;
}

TEST(Encoding, PrintableUtf8DropsControlBytesAndBoundsTheLength) {
  EXPECT_EQ(PrintableUtf8("No protocol\x1b[2J\r\x07 specified", 100), "No protocol[2J specified");
  EXPECT_EQ(PrintableUtf8("a\xC2\x9B" "b\xC4" "c\x7F", 100), "abc");  // C1 control, cut sequence, DEL
  EXPECT_EQ(PrintableUtf8("Kód 日本", 100), "Kód 日本");
  EXPECT_EQ(PrintableUtf8("Kód", 2), "K");  // never half a character
  EXPECT_EQ(PrintableUtf8(std::string(5000, 'x'), 200).size(), 200u);
}
