// Number masks, tolerant reading of typed numbers, exact amounts and the
// 6-byte real of stored records.
//
// Mask characters: "#" digit place shown blank when unused, "@" digit place shown
// as "0", "." or "," the decimal point (the first one divides whole from decimal
// places), "-" the sign place (the last one); everything else is copied.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// Amounts: a signed 64-bit count of ten-thousandths.
using Currency = std::int64_t;
inline constexpr Currency kCurrencyScale = 10000;

// value formatted by mask; the result has the length of mask (both cut to 80).
// Zero-like values (below 1e-6) give blanks unless the mask ends in "@"; digits
// that do not fit are dropped from the left; halves round away from zero on the
// value's 18 significant digits.
std::string FormatFloatMask(std::string_view mask, double value);
inline std::string FormatNumberMask(std::string_view mask, double value) { return FormatFloatMask(mask, value); }
// The same for an amount, exactly; below 0.001 counts as zero.
std::string FormatCurrencyMask(std::string_view mask, Currency value);

// Whole number typed by a user: "-" anywhere negates, a later "+" makes it
// positive again, "," counts as "."; any character other than digits, blanks,
// points and signs gives 0; a blank or point inside the number ends it.
std::int32_t TextToInt(std::string_view s);
// Real number: "-" anywhere negates, "," counts as "."; only digits and points count.
double TextToFloat(std::string_view s);
// Exact decimal reading into ten-thousandths; a fifth decimal rounds the fourth.
Currency TextToCurrency(std::string_view s);

// Fixed notation with decimals places, right-aligned in width (longer when the
// number needs it), at most 40 characters.
std::string RealToText(int width, int decimals, double value);
// n right-aligned in width with blanks; a longer number is not cut.
std::string IntToText(std::int32_t n, int width);
// n with the Czech word that agrees with it: "1 položku", "2 položky", "5 položek" (one:
// for 1, few: for 2 to 4, many: for 0 and from 5 on; UTF-8 words in, program text out).
std::string CzCount(std::int64_t n, std::string_view one, std::string_view few, std::string_view many);
// The forms of a Czech word for 1, for 2 to 4, and for 0 and from 5 on.
struct CzForms {
  std::string_view one, few, many;
};
// Where a participle agreeing with the count stands: after the word ("4 položky
// oddělené") or ahead of the number ("nezkopírovány 3 soubory").
enum class CzPlace { After, Before };
// n with the word and a participle that both agree with it.
std::string CzCount(std::int64_t n, CzForms word, CzForms participle, CzPlace place = CzPlace::After);

// The amount rounded half away from zero to hundredths through the mask
// "############.##-" (more than 12 whole digits lose the highest ones).
Currency RoundAmount(Currency value);

// --- 6-byte real: byte 0 exponent + 129 (0 = zero), bytes 1-5 mantissa with an
// implicit leading 1, the sign in the top bit of byte 5 ---
inline constexpr std::size_t kReal48Size = 6;
using Real48Bytes = std::array<unsigned char, kReal48Size>;

double DecodeReal48(const unsigned char* p);
// Rounds to the nearest representable value; values too small become 0. Throws
// RangeError for values beyond the format's range (about 1.7e38), infinities and NaN.
Real48Bytes EncodeReal48(double value);
// At a byte offset of a record buffer (RangeError outside it).
double GetReal48(std::string_view rec, std::size_t offset);
void PutReal48(std::string& rec, std::size_t offset, double value);

}  // namespace common
