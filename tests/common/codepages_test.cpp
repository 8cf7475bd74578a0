#include "common/codepages.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <set>
#include <vector>

#include "common/encoding.h"

using namespace common;
using namespace common::literals;

namespace {

unsigned char U(char c) { return static_cast<unsigned char>(c); }
std::string B(int b) { return std::string(1, static_cast<char>(b)); }

// One byte through glibc iconv; -1 when the target lacks the character.
int IconvByte(const char* from, const char* to, int b) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return -2;
  char in = static_cast<char>(b), out[8];
  char *ip = &in, *op = out;
  size_t il = 1, ol = sizeof out;
  const size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  return r == static_cast<size_t>(-1) || ol != sizeof out - 1 ? -1 : U(out[0]);
}

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = U(s[i]);
    size_t len = b < 0x80 ? 1 : b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b < 0xF5 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((U(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

}  // namespace

TEST(CodepageStrip, CzechSentence) {
  EXPECT_EQ(StripDiacritics("Příliš žluťoučký kůň"_cz), "Prilis zlutoucky kun");
  EXPECT_EQ(StripDiacritics("ŠŤŽĎŇŘŮÚÝÁČÉĚÍÓÖÜĹ"_cz), "STZDNRUUYACEEIOOUL");
  EXPECT_EQ(StripDiacritics("ľĺ"_cz), "ll");
  EXPECT_EQ(StripDiacritics("ĽäôÄ"_cz), "ĽäôÄ"_cz);  // outside the table
  EXPECT_EQ(StripDiacritics(""), "");
  int changed = 0;
  for (int b = 0; b < 256; ++b) changed += StripDiacritics(B(b)) != B(b);
  EXPECT_EQ(changed, 37);
}

TEST(CodepageKamenicky, BoxDrawingBecomesLines) {
  const int vertical[] = {179, 182, 185, 186, 195, 197, 199, 206};
  const int horizontal[] = {187, 188, 192, 193, 194, 196, 200, 201, 202, 205, 207, 209, 216};
  std::string box;
  for (int b : vertical) box += B(b);
  for (int b : horizontal) box += B(b);
  box += B(191) + B(218);
  EXPECT_EQ(KamenickyToCp1250(box), "||||||||-------------  ");
}

TEST(CodepageKamenicky, LettersBothWays) {
  const std::string word = "Příliš žluťoučký kůň ĎÁBEL Ůdolí ódy"_cz;
  const std::string kam = Cp1250ToKamenicky(word);
  ASSERT_EQ(kam.size(), word.size());
  EXPECT_EQ(U(kam[1]), 169);  // ř
  EXPECT_EQ(kam[2], 'i');     // í becomes a plain i
  EXPECT_EQ(U(kam[33]), 147); // ó becomes 147
  // Back again: only í and ó do not return.
  EXPECT_EQ(KamenickyToCp1250(kam), "Přiliš žluťoučký kůň ĎÁBEL Ůdoli "_cz + B(147) + "dy");
  EXPECT_EQ(U(KamenickyToCp1250(B(147))[0]), 147);  // 147 is not read back as ó
  EXPECT_EQ(U(Cp1250ToKamenicky("ó"_cz)[0]), 147);
  EXPECT_EQ(Cp1250ToKamenicky("í"_cz), "i");
  // ASCII passes both ways.
  std::string ascii;
  for (int b = 0; b < 128; ++b) ascii += B(b);
  EXPECT_EQ(KamenickyToCp1250(ascii), ascii);
  EXPECT_EQ(Cp1250ToKamenicky(ascii), ascii);
}

TEST(Codepage852, TableToCp852EqualsTheStandardWithTheProgramsChoices) {
  for (int b = 128; b < 256; ++b) {
    int want = IconvByte("CP1250", "CP852", b);
    ASSERT_NE(want, -2) << "iconv lacks CP852";
    if (want < 0) want = 32;
    if (b == 160) want = 170;
    if (b == 164 || b == 172 || b == 255) want = 32;
    if (b == 183) want = 250;
    EXPECT_EQ(U(Cp1250ToCp852(B(b))[0]), want) << "byte " << b;
  }
  for (int b = 0; b < 128; ++b) EXPECT_EQ(Cp1250ToCp852(B(b)), B(b));
}

TEST(Codepage852, ToCp1250IsTheStandardTable) {
  for (int b = 128; b < 256; ++b) {
    int want = IconvByte("CP852", "CP1250", b);
    if (want < 0) want = 32;
    EXPECT_EQ(U(Cp852ToCp1250(B(b))[0]), want) << "byte " << b;
  }
  // The pairs the program always had still hold.
  const std::pair<int, int> pairs[] = {
      {216, 236}, {231, 154}, {159, 232}, {253, 248}, {167, 158}, {236, 253}, {160, 225}, {161, 237},
      {130, 233}, {163, 250}, {133, 249}, {162, 243}, {229, 242}, {212, 239}, {156, 157}, {183, 204},
      {230, 138}, {172, 200}, {252, 216}, {166, 142}, {237, 221}, {214, 205}, {144, 201}, {233, 218},
      {213, 210}, {210, 207}, {155, 141}, {224, 211}, {181, 193}};
  for (auto [from, to] : pairs) EXPECT_EQ(U(Cp852ToCp1250(B(from))[0]), to) << from;
}

TEST(Codepage852, CapitalURingAndRoundTrip) {
  // "DŮM" typed in capitals on a DOS machine.
  EXPECT_EQ(Cp852ToCp1250(std::string("D\xDEM")), "DŮM"_cz);
  EXPECT_EQ(Cp1250ToCp852("DŮM"_cz), std::string("D\xDEM"));
  // Every Windows-1250 character code page 852 has comes back unchanged.
  int back = 0;
  for (int b = 128; b < 256; ++b) {
    const std::string to852 = Cp1250ToCp852(B(b));
    if (to852 == " " || b == 160 || b == 183) continue;
    EXPECT_EQ(Cp852ToCp1250(to852), B(b)) << "byte " << b;
    ++back;
  }
  EXPECT_GE(back, 90);
  const std::string czech = "Příliš žluťoučký kůň úpěl ďábelské ódy ŽLUŤOUČKÝ KŮŇ ĎÁBELSKÉ ÓDY"_cz;
  EXPECT_EQ(Cp852ToCp1250(Cp1250ToCp852(czech)), czech);
}

TEST(CodepageUtf8, LettersThatWereLost) {
  EXPECT_EQ(U(Utf8ToCp1250("Ľ")[0]), 188);
  EXPECT_EQ(U(Utf8ToCp1250("ľ")[0]), 190);
  EXPECT_EQ(U(Utf8ToCp1250("Ď")[0]), 207);
  EXPECT_EQ(U(Utf8ToCp1250("Ň")[0]), 210);
  EXPECT_EQ(U(Utf8ToCp1250("Ť")[0]), 141);
  EXPECT_EQ(Utf8ToCp1250("ŤATRA ĎURIŠ ŇUFKO ĽUBICA"), "ŤATRA ĎURIŠ ŇUFKO ĽUBICA"_cz);
  EXPECT_EQ(Utf8ToCp1250("Příliš žluťoučký kůň"), "Příliš žluťoučký kůň"_cz);
  EXPECT_EQ(Utf8ToCp1250("a „b“ – c…"), "a „b“ – c…"_cz);
}

TEST(CodepageUtf8, BadAndForeignInput) {
  EXPECT_EQ(Utf8ToCp1250("ab\xC3"), "ab ");         // a lone lead byte at the end
  EXPECT_EQ(Utf8ToCp1250("\xC3" "A"), " A");        // a lead byte without its second byte
  EXPECT_EQ(Utf8ToCp1250("x\xE4\xB8\xADy"), "x y"); // a letter the code page lacks
  EXPECT_EQ(Utf8ToCp1250(""), "");
  EXPECT_EQ(Utf8ToCp1250("plain ASCII 123"), "plain ASCII 123");
}

TEST(CodepageUtf8, EveryByteGivesValidUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += B(b);
  const std::string utf8 = Cp1250ToUtf8(all);
  EXPECT_TRUE(ValidUtf8(utf8));
  EXPECT_EQ(Cp1250ToUtf8("ľ§–\u00A0„…"_cz), "ľ§–\u00A0„…");
  EXPECT_EQ(Cp1250ToUtf8(B(0x81)), "?");
  // Every defined byte comes back.
  for (int b = 1; b < 256; ++b) {
    if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98) continue;
    EXPECT_EQ(Utf8ToCp1250(Cp1250ToUtf8(B(b))), B(b)) << "byte " << b;
  }
}

TEST(CodepageSortKey, CzechOrder) {
  EXPECT_LT(CzSortKey("Hrad"), CzSortKey("Chata"));
  EXPECT_LT(CzSortKey("Chata"), CzSortKey("Ilona"));
  EXPECT_LT(CzSortKey("Hrad"), CzSortKey("hrad"));
  EXPECT_LT(CzSortKey("chata"), CzSortKey("ilona"));
  EXPECT_LT(CzSortKey("hrad"), CzSortKey("chata"));

  std::vector<std::string> words = {"žena"_cz, "čas"_cz, "cena", "Čech"_cz, "dům"_cz, "Zlín"_cz, "řeka"_cz,
                                    "rak", "šála"_cz, "sova", "abc", "Ábel"_cz, "[x]", "chléb"_cz, "hůl"_cz};
  std::sort(words.begin(), words.end(), [](const std::string& a, const std::string& b) { return CzSortKey(a) < CzSortKey(b); });
  const std::vector<std::string> want = {"abc", "Ábel"_cz, "cena", "Čech"_cz, "čas"_cz, "dům"_cz, "hůl"_cz, "chléb"_cz,
                                         "rak", "řeka"_cz, "sova", "šála"_cz, "Zlín"_cz, "žena"_cz, "[x]"};
  EXPECT_EQ(words, want);
}

TEST(CodepageSortKey, OnlyTheFirstChIsMarked) {
  const std::string k = CzSortKey("chch");
  ASSERT_EQ(k.size(), 4u);
  EXPECT_NE(k[0], k[2]);                  // the second "ch" is a plain c
  EXPECT_EQ(k[0], CzSortKey(B(162))[0]);  // marked as byte 162
  EXPECT_EQ(k[2], CzSortKey("c")[0]);
  EXPECT_EQ(k[1], k[3]);                  // the "h" stays
  const std::string mixed = CzSortKey("CHaChach");
  EXPECT_EQ(mixed[0], CzSortKey(B(160))[0]);
  EXPECT_EQ(mixed[3], CzSortKey(B(161))[0]);
  EXPECT_EQ(mixed[6], CzSortKey(B(162))[0]);
  EXPECT_EQ(CzSortKey(""), "");
}

TEST(CodepageSortKey, WeightTableIsAPermutation) {
  std::set<unsigned char> weights;
  for (int b = 0; b < 256; ++b) {
    const unsigned char w = U(CzSortKey(B(b))[0]);
    weights.insert(w);
    if (b <= 64) {
      EXPECT_EQ(w, b);
    }
  }
  EXPECT_EQ(weights.size(), 256u);
  // The bytes that are not letters get 169..255 in increasing byte order.
  const std::vector<std::pair<int, int>> rest = {
      {91, 96}, {123, 137}, {139, 140}, {143, 153}, {155, 156}, {159, 159}, {163, 189}, {191, 192},
      {198, 199}, {202, 203}, {206, 206}, {208, 209}, {215, 215}, {222, 224}, {226, 227}, {229, 231},
      {240, 241}, {247, 247}, {254, 255}};
  int next = 169;
  for (auto [lo, hi] : rest)
    for (int b = lo; b <= hi; ++b) EXPECT_EQ(U(CzSortKey(B(b))[0]), next++) << "byte " << b;
  EXPECT_EQ(next, 256);
  EXPECT_EQ(U(CzSortKey("A")[0]), 65);
  EXPECT_EQ(U(CzSortKey("ž"_cz)[0]), 168);
}
