#include "common/text.h"

#include <gtest/gtest.h>

#include <random>

#include "common/encoding.h"

using namespace common;
using namespace common::literals;

TEST(TextBlanks, FillAndSpacesStopAt255) {
  EXPECT_EQ(Spaces(0), "");
  EXPECT_EQ(Spaces(300), std::string(255, ' '));
  EXPECT_EQ(Spaces(3), "   ");
  EXPECT_EQ(FillChars(0, 'x'), "");
  EXPECT_EQ(FillChars(-5, 'x'), "");
  EXPECT_EQ(FillChars(4, '*'), "****");
  EXPECT_EQ(FillChars(100000, '-').size(), 255u);
}

TEST(TextBlanks, StripRemoveCollapse) {
  struct Case { const char* in; const char* right; const char* left; const char* removed; const char* collapsed; };
  const Case cases[] = {
      {"", "", "", "", ""},
      {"   ", "", "", "", ""},
      {"  a  b  ", "  a  b", "a  b  ", "ab", "a b "},
      {"a\tb", "a\tb", "a\tb", "a\tb", "a\tb"},  // only byte 32 is a blank
      {"x", "x", "x", "x", "x"},
      {" a   b c", " a   b c", "a   b c", "abc", "a b c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StripRightSp(c.in), c.right) << '"' << c.in << '"';
    EXPECT_EQ(StripLeftSp(c.in), c.left) << '"' << c.in << '"';
    EXPECT_EQ(RemoveSpaces(c.in), c.removed) << '"' << c.in << '"';
    EXPECT_EQ(CollapseSpaces(c.in), c.collapsed) << '"' << c.in << '"';
  }
}

TEST(TextLines, SplitAtLineEndsKeepingALastLineWithoutOne) {
  using V = std::vector<std::string>;
  EXPECT_EQ(common::SplitTextLines(""), V{});
  EXPECT_EQ(common::SplitTextLines("a\r\n\r\nb\nc"), (V{"a", "", "b", "c"}));
  EXPECT_EQ(common::SplitTextLines("a\r\n"), V{"a"});
  EXPECT_EQ(common::SplitTextLines("x\ry\r\n"), V{"x\ry"});
}

TEST(TextAlign, Modes) {
  struct Case { const char* s; const char* mode; const char* fill; int width; const char* want; };
  const Case cases[] = {
      {"42", "P", "0", 6, "000042"},
      {"  ab", "L", ".", 4, "ab.."},
      {"  ab", "l", ".", 4, "ab.."},
      {"42  ", "p", "0", 6, "000042"},
      {"abcdef", "L", " ", 3, "abc"},      // the first width characters
      {"abcdef", "P", " ", 3, "def"},      // the last width characters
      {"ab", "L", "xy", 5, "abxyx"},       // a long fill is cut
      {"ab", "P", "xy", 5, "yxyab"},
      {"ab", "X", "0", 5, ""},             // unknown mode
      {"ab", "", "0", 5, ""},
      {"ab", "Links", "0", 4, "ab00"},     // only the first character counts
      {"ab", "L", "0", 0, ""},
      {"ab", "L", "0", -3, ""},
      {"ab", "L", "", 5, "ab   "},         // an empty fill counts as a blank
      {"ab", "P", "", 5, "   ab"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AlignText(c.s, c.mode, c.fill, c.width), c.want) << c.s << "|" << c.mode << "|" << c.fill << "|" << c.width;
}

TEST(TextUpperCz, TableAndKeptLetters) {
  EXPECT_EQ(UpperCz("abc xyz 09"), "ABC XYZ 09");
  EXPECT_EQ(UpperCz("áéíúýóěřščž"_cz), "ÁÉÍÚÝÓĚŘŠČŽ"_cz);
  EXPECT_EQ(UpperCz("ř"_cz), "Ř"_cz);
  // These stay as they are: lock keys of other workstations are made the same way.
  EXPECT_EQ(UpperCz("ůďťň"_cz), "ůďťň"_cz);
  EXPECT_EQ(UpperCz("Příliš žluťoučký kůň"_cz), "PŘÍLIŠ ŽLUťOUČKÝ Kůň"_cz);
  // Every other byte is unchanged.
  int changed = 0;
  for (int b = 0; b < 256; ++b)
    if (UpperCz(std::string(1, static_cast<char>(b)))[0] != static_cast<char>(b)) ++changed;
  EXPECT_EQ(changed, 37);
}

TEST(TextBirthNumber, ModuloElevenRule) {
  struct Case { const char* number; bool valid; };
  const Case cases[] = {
      {"1000000100", true},     // divisible by 11, last digit 0
      {"100000/0100", true},
      {"9955120010", true},
      {"7452201230", true},
      {"8501010090", true},     // first nine leave 10, last digit 0
      {"7855120075", true},
      {"7103192745", true},
      {"710319 2745", true},
      {"7103192746", false},
      {"4215087920", false},    // the alternating-sum rule let this one through
      {"8501010091", false},
      {"855612123", true},      // nine digits: month pair 56
      {"851312123", false},     // month 13
      {"855012123", false},     // month 50
      {"856212123", true},      // month 62
      {"856312123", false},     // month 63
      {"855512/123", true},
      {"85551212", false},      // other lengths
      {"85561212345", false},
      {"", false},
      {"85a612123", false},     // a letter is no digit
      {"8556121a34", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsBirthNumber(c.number), c.valid) << c.number;
}

TEST(TextBirthNumber, AgreesWithTheStandardRuleOnRandomNumbers) {
  std::mt19937_64 rnd(11);
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t n = rnd() % 10000000000ULL;
    std::string s = std::to_string(n);
    s.insert(0, 10 - s.size(), '0');
    const bool standard = n % 11 == 0 || ((n / 10) % 11 == 10 && n % 10 == 0);
    ASSERT_EQ(IsBirthNumber(s), standard) << s;
  }
}

TEST(TextBirthNumber, AltDigitSum) {
  EXPECT_EQ(AltDigitSum11(""), 0);
  EXPECT_EQ(AltDigitSum11("12"), 1);     // -1 + 2
  EXPECT_EQ(AltDigitSum11("91"), -8);    // -9 + 1
  EXPECT_EQ(AltDigitSum11("0909090909"), 45 % 11);
  EXPECT_EQ(AltDigitSum11("9090909090"), -(45 % 11));
  EXPECT_EQ(AltDigitSum11("a5"), 5);     // a letter counts 0
}

TEST(TextBankAccount, PartCheck) {
  EXPECT_EQ(AccountPartCheck(""), 0);
  EXPECT_EQ(AccountPartCheck("0"), 1);
  EXPECT_EQ(AccountPartCheck("000"), 1);
  EXPECT_EQ(AccountPartCheck("19"), 0);
  EXPECT_EQ(AccountPartCheck("2000145399"), 0);
  EXPECT_EQ(AccountPartCheck("20-00145 399"), 0);  // "-" and blanks skipped
  EXPECT_EQ(AccountPartCheck("2000145398"), 10);
  EXPECT_EQ(AccountPartCheck("10"), 2);
  EXPECT_EQ(AccountPartCheck("2000145A99"), 1);
}

TEST(TextBankAccount, NormalFormAndCheck) {
  struct Case { const char* in; bool valid; const char* out; };
  const Case cases[] = {
      {"19-2000145399", true, "19-2000145399"},
      {"192000145399", true, "19-2000145399"},          // 12 digits: 2-digit prefix + 10
      {"  19 - 2000145399  ", true, "      19-2000145399"},  // padded back to the old length
      {"2000145399", true, "2000145399"},               // no prefix
      {"18-2000145399", false, "18-2000145399"},        // rewritten even when refused
      {"2000145398", false, "2000145398"},
      {"19-2000-145399", true, " 19-2000145399"},       // a further "-" in the number goes
      {"2000145-399", true, " 2000145399"},             // "-" before three characters is joined
      {"000000-2000145399", true, "000000-2000145399"}, // a zero prefix is no prefix
      {"000019-2000145399", true, "000019-2000145399"},
      {"19-2000145399000", false, "  200-0145399000"},  // the last 10 digits are the number
  };
  for (const auto& c : cases) {
    std::string account = c.in;
    EXPECT_EQ(IsBankAccount(account), c.valid) << c.in;
    EXPECT_EQ(account, c.out) << c.in;
  }
}

TEST(TextBankAccount, ZeroIsRefusedAndLeftAlone) {
  for (const char* in : {"0", " 0 ", "", "000-000", "abc"}) {
    std::string account = in;
    EXPECT_FALSE(IsBankAccount(account)) << in;
    EXPECT_EQ(account, in);
  }
}
