#include "common/numbers.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/pascal.h"

namespace common {
namespace {

constexpr std::size_t kMaxText = 80;
constexpr std::size_t kMaxCollect = 40;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A magnitude as decimal digits with the point after `point` of them.
struct Decimal {
  std::string digits;
  int point = 1;
};

// 18 significant digits of |v|, as the program's reals were printed.
Decimal FromDouble(double v) {
  Decimal d;
  if (!std::isfinite(v)) return {"0", 1};
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 17);
  const std::string_view t(buf, static_cast<std::size_t>(r.ptr - buf));
  const auto e = t.find('e');
  for (char c : t.substr(0, e))
    if (c != '.') d.digits += c;
  std::string_view ex = t.substr(e + 1);
  bool negExp = false;
  if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) {
    negExp = ex[0] == '-';
    ex.remove_prefix(1);
  }
  int exp = 0;
  std::from_chars(ex.data(), ex.data() + ex.size(), exp);
  d.point = (negExp ? -exp : exp) + 1;
  return d;
}

Decimal FromCurrency(Currency v) {
  const std::uint64_t mag = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  Decimal d;
  d.digits = std::to_string(mag);
  d.point = static_cast<int>(d.digits.size()) - 4;
  return d;
}

// Fixed notation with `decimals` places, halves rounded away from zero.
std::string FixedText(Decimal d, int decimals, bool negative) {
  decimals = std::max(decimals, 0);
  std::string& g = d.digits;
  if (d.point < 1) {
    g.insert(0, static_cast<std::size_t>(1 - d.point), '0');
    d.point = 1;
  }
  const auto keep = static_cast<std::size_t>(d.point + decimals);
  if (g.size() <= keep) g.append(keep + 1 - g.size(), '0');
  const bool up = g[keep] >= '5';
  g.resize(keep);
  if (up) {
    std::size_t i = keep;
    while (i > 0 && g[i - 1] == '9') g[--i] = '0';
    if (i == 0) {
      g.insert(0, 1, '1');
      ++d.point;
    } else {
      ++g[i - 1];
    }
  }
  std::size_t lead = 0;
  while (lead + 1 < static_cast<std::size_t>(d.point) && g[lead] == '0') ++lead;
  std::string out = negative ? "-" : "";
  out.append(g, lead, static_cast<std::size_t>(d.point) - lead);
  if (decimals > 0) {
    out += '.';
    out.append(g, static_cast<std::size_t>(d.point));
  }
  return out;
}

bool IsPlace(char c) { return c == '#' || c == '@'; }

std::string FormatMask(std::string_view maskIn, const Decimal& value, bool negative, bool zeroLike) {
  const std::string_view mask = maskIn.substr(0, kMaxText);
  if (mask.empty()) return {};
  if (zeroLike && mask.back() != '@') return std::string(mask.size(), ' ');

  int decimals = 0;
  bool afterPoint = false;
  for (char c : mask) {
    if (c == '.' || c == ',') afterPoint = true;
    else if (afterPoint && IsPlace(c)) ++decimals;
  }
  const auto signPlace = mask.rfind('-');

  const std::string number = FixedText(value, decimals, negative);
  std::string out(mask);
  std::size_t p = out.size();  // places left of p are still free
  for (auto it = number.rbegin(); it != number.rend(); ++it) {
    if (!IsDigit(*it)) continue;
    while (p > 0 && !IsPlace(out[p - 1])) --p;
    if (p == 0) break;
    out[--p] = *it;
  }
  for (std::size_t i = 0; i < p; ++i) {
    if (out[i] == '#') out[i] = ' ';
    else if (out[i] == '@') out[i] = '0';
  }

  if (signPlace != std::string_view::npos) {
    out[signPlace] = negative ? '-' : ' ';
  } else if (negative) {
    const auto first = out.find_first_not_of(' ');
    if (first != std::string::npos && first > 0) out[first - 1] = '-';
  }
  const auto zero = out.find(" 0.00-");
  if (zero != std::string::npos) out.replace(zero, 6, 6, ' ');
  return out;
}

}  // namespace

std::string FormatFloatMask(std::string_view mask, double value) {
  // Non-finite values cannot come from a stored real; they print as zero does.
  const bool zeroLike = !std::isfinite(value) || std::fabs(value) < 1e-6;
  return FormatMask(mask, FromDouble(value), std::isfinite(value) && value < 0, zeroLike);
}

std::string FormatCurrencyMask(std::string_view mask, Currency value) {
  const bool zeroLike = value > -10 && value < 10;  // below 0.001
  return FormatMask(mask, FromCurrency(value), value < 0, zeroLike);
}

std::int32_t TextToInt(std::string_view s) {
  int sign = 1;
  std::string collected;
  for (char c : s) {
    if (c == '-') {
      sign = -1;
      c = ' ';
    } else if (c == '+') {
      sign = 1;
      c = ' ';
    } else if (c == ',') {
      c = '.';
    }
    if (c != ' ' && c != '.' && !IsDigit(c)) return 0;
    if (collected.size() < kMaxCollect) collected += c;
  }
  std::size_t i = collected.find_first_not_of(' ');
  // Digits are read while the signed value fits: down to -2147483648.
  const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + (sign < 0 ? 1 : 0);
  std::int64_t n = 0;
  for (; i < collected.size() && IsDigit(collected[i]); ++i) {
    const std::int64_t next = n * 10 + (collected[i] - '0');
    if (next > limit) break;
    n = next;
  }
  return static_cast<std::int32_t>(n * sign);
}

double TextToFloat(std::string_view s) {
  bool negative = false;
  std::string collected;
  for (char c : s) {
    if (c == '-') negative = true;
    if (c == ',') c = '.';
    if ((IsDigit(c) || c == '.') && collected.size() < kMaxCollect) collected += c;
  }
  double v = 0;
  if (!collected.empty()) {
    const auto r = std::from_chars(collected.data(), collected.data() + collected.size(), v,
                                   std::chars_format::fixed);
    if (r.ec != std::errc()) v = 0;
  }
  return negative ? -v : v;
}

Currency TextToCurrency(std::string_view s) {
  // The magnitude stays at 2^63 at most: the largest amount, or exactly the smallest
  // one when a "-" comes (anywhere, so only at the end is the sign known).
  constexpr std::uint64_t kCap = std::uint64_t{1} << 63;
  bool negative = false;
  bool fraction = false;
  int decimal = 0;
  std::uint64_t acc = 0;
  for (char c : s) {
    if (c == '-') negative = true;
    if (c == ',') c = '.';
    if (c == '.') {
      fraction = true;
      continue;
    }
    if (!IsDigit(c)) continue;
    const auto d = static_cast<std::uint64_t>(c - '0');
    if (!fraction) {
      const std::uint64_t add = d * kCurrencyScale;
      acc = acc > (kCap - add) / 10 ? kCap : acc * 10 + add;
    } else {
      ++decimal;
      std::uint64_t add = 0;
      if (decimal <= 4) {
        add = d;
        for (int k = decimal; k < 4; ++k) add *= 10;
      } else if (decimal == 5) {
        add = d >= 5 ? 1 : 0;
      }
      acc = acc > kCap - add ? kCap : acc + add;
    }
  }
  if (negative) return acc >= kCap ? std::numeric_limits<Currency>::min() : -static_cast<Currency>(acc);
  return acc >= kCap ? std::numeric_limits<Currency>::max() : static_cast<Currency>(acc);
}

std::string RealToText(int width, int decimals, double value) {
  std::string t = FixedText(FromDouble(value), decimals, std::isfinite(value) && value < 0);
  if (width > 0 && t.size() < static_cast<std::size_t>(width))
    t.insert(0, static_cast<std::size_t>(width) - t.size(), ' ');
  if (t.size() > 40) t.resize(40);
  return t;
}

std::string IntToText(std::int32_t n, int width) {
  std::string t = std::to_string(n);
  if (width > 0 && t.size() < static_cast<std::size_t>(width))
    t.insert(0, static_cast<std::size_t>(width) - t.size(), ' ');
  return t;
}

namespace {
std::string_view CzForm(std::int64_t n, const CzForms& forms) {
  return n == 1 ? forms.one : (n >= 2 && n <= 4 ? forms.few : forms.many);
}
}  // namespace

std::string CzCount(std::int64_t n, std::string_view one, std::string_view few, std::string_view many) {
  return std::to_string(n) + " " + Cz(CzForm(n, {one, few, many}));
}

std::string CzCount(std::int64_t n, CzForms word, CzForms participle, CzPlace place) {
  const std::string counted = std::to_string(n) + " " + Cz(CzForm(n, word));
  const std::string agreeing = Cz(CzForm(n, participle));
  return place == CzPlace::Before ? agreeing + " " + counted : counted + " " + agreeing;
}

Currency RoundAmount(Currency value) {
  return TextToCurrency(FormatCurrencyMask("############.##-", value));
}

double DecodeReal48(const unsigned char* p) {
  if (p[0] == 0) return 0.0;
  std::uint64_t mant = 0;
  for (int i = 5; i >= 1; --i) mant = (mant << 8) | p[i];
  const bool negative = (mant >> 39) & 1;
  mant &= (std::uint64_t{1} << 39) - 1;
  const double v = std::ldexp(1.0 + std::ldexp(static_cast<double>(mant), -39), p[0] - 129);
  return negative ? -v : v;
}

Real48Bytes EncodeReal48(double value) {
  Real48Bytes b{};
  if (!std::isfinite(value)) throw RangeError("value cannot be stored as a 6-byte real");
  if (value == 0) return b;
  std::uint64_t mant = 0;
  int exp = 0;
  const auto bits = std::bit_cast<std::uint64_t>(value);
  if (const int biased = static_cast<int>((bits >> 52) & 0x7ff); biased != 0) {
    // A normal double: its 52 fraction bits rounded to 39, halves up.
    mant = ((bits & ((std::uint64_t{1} << 52) - 1)) + (std::uint64_t{1} << 12)) >> 13;
    exp = biased - 1023 + 129;
  } else {
    int e = 0;
    const double m = std::frexp(std::fabs(value), &e);  // |value| = m * 2^e, m in [0.5, 1)
    mant = static_cast<std::uint64_t>(std::llround(std::ldexp(2 * m - 1, 39)));
    exp = e - 1 + 129;
  }
  if (mant == (std::uint64_t{1} << 39)) {
    mant = 0;
    ++exp;
  }
  if (exp <= 0) return b;  // too small: zero
  if (exp > 255) throw RangeError("value too large for a 6-byte real");
  b[0] = static_cast<unsigned char>(exp);
  for (int i = 1; i <= 5; ++i) b[i] = static_cast<unsigned char>(mant >> (8 * (i - 1)));
  if (value < 0) b[5] |= 0x80;
  return b;
}

double GetReal48(std::string_view rec, std::size_t offset) {
  CheckFieldRange(rec.size(), offset, kReal48Size);
  return DecodeReal48(reinterpret_cast<const unsigned char*>(rec.data()) + offset);
}

void PutReal48(std::string& rec, std::size_t offset, double value) {
  CheckFieldRange(rec.size(), offset, kReal48Size);
  const auto b = EncodeReal48(value);
  std::copy(b.begin(), b.end(), rec.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace common
