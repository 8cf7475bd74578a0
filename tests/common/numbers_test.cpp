#include "common/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "common/encoding.h"
#include "common/errors.h"
#include "hex_text.h"

using namespace common;

namespace {

std::string Hex(const Real48Bytes& b) { return testhex::Hex({reinterpret_cast<const char*>(b.data()), b.size()}); }

}  // namespace

TEST(MaskFormat, FloatMasks) {
  struct Case { const char* mask; double value; const char* want; };
  const Case cases[] = {
      {"###", 12345, "345"},                 // highest digits dropped
      {"######", -12, "   -12"},             // sign left of the number
      {"#####-", -12, "   12-"},             // sign place
      {"#####-", 12, "   12 "},
      {"##", -12, "12"},                     // no room for the sign
      {"@@@@", -12, "0012"},
      {"@@.@@.@@", 311299, "99.00.00"},      // only the first point divides
      {"######", 0.0000009, "      "},       // below 1e-6: blank
      {"######", 0.000001, "     0"},
      {"###.##", 0, "      "},
      {"@@@@@@", 0, "000000"},
      {"###.#@", 0, "  0.00"},               // ends in "@": zero shown
      {"###.##", 1.5, "  1.50"},
      {"###,##", 1.5, "  1,50"},
      {"###.##", 0.125, "  0.13"},           // half away from zero
      {"###.##", -0.125, " -0.13"},
      {"###.##", 999.999, "000.00"},         // 1000.00 loses its highest digit
      {"############.##-", -0.001, "                "},  // " 0.00-" becomes blanks
      {"Kc ####", 42, "Kc   42"},
      {"Kc####", -4242, "Kc4242"},           // no blank before the number: no sign
      {"##/##", 1234, "12/34"},
      {"", 5, ""},
      {"#####", 1e30, "00000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatNumberMask(c.mask, c.value), c.want) << c.mask << " " << c.value;
}

TEST(MaskFormat, MaskAndResultCutTo80) {
  const std::string mask(100, '#');
  EXPECT_EQ(FormatFloatMask(mask, 7), std::string(79, ' ') + "7");
  EXPECT_EQ(FormatCurrencyMask(mask, 70000), std::string(79, ' ') + "7");
}

TEST(MaskFormat, CurrencyMasksAreExact) {
  struct Case { const char* mask; Currency value; const char* want; };
  const Case cases[] = {
      {"###.##", 9, "      "},          // 0.0009: below 0.001
      {"###.#@", 9, "  0.00"},
      {"###.##", 10, "  0.00"},         // 0.001 is shown
      {"###.##", 10050, "  1.01"},      // 1.005 exactly, a double would give 1.00
      {"###.##", 23450, "  2.35"},
      {"###.##-", -23450, "  2.35-"},
      {"###.##", -23450, " -2.35"},
      {"#.####", 12345, "1.2345"},
      {"###############.####", std::numeric_limits<Currency>::max(), "922337203685477.5807"},
      {"####.##", std::numeric_limits<Currency>::min(), "5477.58"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCurrencyMask(c.mask, c.value), c.want) << c.mask << " " << c.value;
}

TEST(MaskRound, RoundAmountHalfAwayFromZero) {
  struct Case { Currency in, want; };
  const Case cases[] = {
      {23450, 23500},     // 2.345 -> 2.35
      {-23450, -23500},   // -2.345 -> -2.35
      {10050, 10100},     // 1.005 -> 1.01
      {10049, 10000},
      {9, 0},             // below 0.001
      {-9, 0},
      {-49, 0},           // -0.0049 rounds to zero: the mask shows blanks
      {1234567890123456, 1234567890123500},
      {12345678901234560, 2345678901234600},  // 13 whole digits lose the highest one
  };
  for (const auto& c : cases) EXPECT_EQ(RoundAmount(c.in), c.want) << c.in;
}

TEST(MaskParse, TextToInt) {
  struct Case { const char* text; std::int32_t want; };
  const Case cases[] = {
      {"-1 234", -1},  {"1 234", 1},   {"12.7", 12},  {"12,7", 12},  {"", 0},      {"   ", 0},
      {"12a", 0},      {"-", 0},       {"  42", 42},  {"4-2", -4},   {"-4+2", 4},  {"007", 7},
      {"2147483647", 2147483647},      {"99999999999", 999999999},  {".5", 0},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483648-", std::numeric_limits<std::int32_t>::min()},
      {"2147483648", 214748364},       {"-2147483649", -214748364},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.want) << '"' << c.text << '"';
}

TEST(MaskParse, TextToFloat) {
  struct Case { const char* text; double want; };
  const Case cases[] = {
      {"1 234,5", 1234.5}, {"-1,25", -1.25}, {"1,25-", -1.25}, {"Kc 12.5", 12.5},
      {"", 0},             {".", 0},         {"+3", 3},        {"abc", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(TextToFloat(c.text), c.want) << '"' << c.text << '"';
}

TEST(MaskParse, TextToCurrency) {
  struct Case { const char* text; Currency want; };
  const Case cases[] = {
      {"1 234,5-", -12345000},  {"1.2345", 12345},   {"1.23455", 12346},   {"1.23454", 12345},
      {"1.234549", 12345},      {"0,0001", 1},       {"", 0},              {"abc", 0},
      {"+12", 120000},          {"1.2.3", 12300},    {"-0.5", -5000},
      {"99999999999999999999999", std::numeric_limits<Currency>::max()},
      {"922337203685477.5807", std::numeric_limits<Currency>::max()},
      {"922337203685477.5808", std::numeric_limits<Currency>::max()},
      {"-922337203685477.5808", std::numeric_limits<Currency>::min()},
      {"922337203685477,5808-", std::numeric_limits<Currency>::min()},
      {"-99999999999999999999999", std::numeric_limits<Currency>::min()},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToCurrency(c.text), c.want) << '"' << c.text << '"';
}

TEST(MaskText, RealAndIntTexts) {
  EXPECT_EQ(RealToText(8, 2, 3.14159), "    3.14");
  EXPECT_EQ(RealToText(2, 2, -3.145), "-3.15");  // longer than the width; 18 digits: 3.14500000000000002
  EXPECT_EQ(RealToText(0, 0, 2.5), "3");
  EXPECT_EQ(RealToText(60, 0, 1).size(), 40u);
  EXPECT_EQ(IntToText(42, 5), "   42");
  EXPECT_EQ(IntToText(-42, 2), "-42");
}

// The word and its participle agree with the count: 1, 2 to 4, and 0 and from 5 on.
TEST(MaskText, CzechCountsAgreeWithTheirWordsAndParticiples) {
  const CzForms item{"položku", "položky", "položek"}, separated{"oddělenou", "oddělené", "oddělených"};
  const CzForms file{"soubor", "soubory", "souborů"}, missed{"nezkopírován", "nezkopírovány", "nezkopírováno"};
  struct Case {
    std::int64_t n;
    const char* counted;  // the word alone
    const char* after;    // with the participle after it
    const char* before;   // with the participle ahead of the number
  };
  const Case cases[] = {
      {0, "0 položek", "0 položek oddělených", "nezkopírováno 0 souborů"},
      {1, "1 položku", "1 položku oddělenou", "nezkopírován 1 soubor"},
      {2, "2 položky", "2 položky oddělené", "nezkopírovány 2 soubory"},
      {4, "4 položky", "4 položky oddělené", "nezkopírovány 4 soubory"},
      {5, "5 položek", "5 položek oddělených", "nezkopírováno 5 souborů"},
      {30, "30 položek", "30 položek oddělených", "nezkopírováno 30 souborů"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(CzCount(c.n, "položku", "položky", "položek"), Cz(c.counted));
    EXPECT_EQ(CzCount(c.n, item, separated), Cz(c.after));
    EXPECT_EQ(CzCount(c.n, file, missed, CzPlace::Before), Cz(c.before));
  }
}

TEST(MaskReal48, KnownBytes) {
  EXPECT_EQ(Hex(EncodeReal48(1.0)), "81 00 00 00 00 00");
  EXPECT_EQ(Hex(EncodeReal48(-2.5)), "82 00 00 00 00 a0");
  EXPECT_EQ(Hex(EncodeReal48(0.0)), "00 00 00 00 00 00");
  EXPECT_EQ(Hex(EncodeReal48(0.5)), "80 00 00 00 00 00");
  EXPECT_EQ(Hex(EncodeReal48(100.0)), "87 00 00 00 00 48");
  const unsigned char zeroWithJunk[6] = {0, 1, 2, 3, 4, 5};
  EXPECT_EQ(DecodeReal48(zeroWithJunk), 0.0);
}

TEST(MaskReal48, RoundTripsWithinItsPrecision) {
  std::mt19937_64 rnd(7);
  // Magnitudes 1.m * 2^e over the whole range the real holds (exponent byte 1 .. 254,
  // room left for a mantissa rounding up), drawn one after the other in a fixed order.
  std::uniform_real_distribution<double> mant(1, 2);
  std::uniform_int_distribution<int> exp(-128, 125);
  std::bernoulli_distribution negative;
  for (int i = 0; i < 20000; ++i) {
    const double m = mant(rnd);
    const int e = exp(rnd);
    const double v = std::ldexp(negative(rnd) ? -m : m, e);
    const auto b = EncodeReal48(v);
    ASSERT_NE(b[0], 0) << v;
    const double back = DecodeReal48(b.data());
    EXPECT_LE(std::fabs(back - v), std::fabs(v) * std::ldexp(1.0, -39)) << v;
    EXPECT_EQ(EncodeReal48(back), b);  // a decoded value encodes to the same bytes
  }
  // The smallest value the real holds, and below it zero.
  EXPECT_EQ(Hex(EncodeReal48(std::ldexp(1.0, -128))), "01 00 00 00 00 00");
  EXPECT_EQ(DecodeReal48(EncodeReal48(-std::ldexp(1.0, -128)).data()), -std::ldexp(1.0, -128));
  for (double v : {std::ldexp(1.5, -129), -std::ldexp(1.0, -129), 1.5699e-39, 1e-45,
                   std::numeric_limits<double>::denorm_min()})
    EXPECT_EQ(Hex(EncodeReal48(v)), "00 00 00 00 00 00") << v;
  for (double v : {1.0, -1.0, 0.1, 123456.78, -0.01, 1e-30, 1e38}) {
    const auto b = EncodeReal48(v);
    EXPECT_NEAR(DecodeReal48(b.data()), v, std::fabs(v) * 1e-11) << v;
  }
  // Amounts with two decimals survive a store and a reformat.
  for (int cents = -100000; cents <= 100000; cents += 7) {
    const double v = cents / 100.0;
    const auto b = EncodeReal48(v);
    EXPECT_EQ(FormatNumberMask("#######.##", DecodeReal48(b.data())), FormatNumberMask("#######.##", v));
  }
}

TEST(MaskReal48, OutOfRangeAndRecordOffsets) {
  EXPECT_THROW(EncodeReal48(1e39), RangeError);
  EXPECT_THROW(EncodeReal48(std::numeric_limits<double>::infinity()), RangeError);
  EXPECT_THROW(EncodeReal48(std::nan("")), RangeError);
  EXPECT_EQ(Hex(EncodeReal48(1e-45)), "00 00 00 00 00 00");  // too small: zero

  std::string rec(10, 'x');
  PutReal48(rec, 2, -2.5);
  EXPECT_EQ(rec, std::string("xx\x82\0\0\0\0\xA0xx", 10));
  EXPECT_EQ(GetReal48(rec, 2), -2.5);
  EXPECT_THROW(GetReal48(rec, 5), RangeError);
  EXPECT_THROW(PutReal48(rec, 5, 1.0), RangeError);
}
