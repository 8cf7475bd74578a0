#include "common/dates.h"

#include <algorithm>

#include "common/clock.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/text.h"

namespace common {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Two digits at position pos (0-based) and their value.
bool TwoDigits(std::string_view s, std::size_t pos, int& value) {
  if (pos + 2 > s.size() || !IsDigit(s[pos]) || !IsDigit(s[pos + 1])) return false;
  value = (s[pos] - '0') * 10 + (s[pos + 1] - '0');
  return true;
}

std::string Two(int n) { return FormatNumberMask("@@", n); }

bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// Typed date: blanks removed, separators made ".", letter slips mended when asked.
std::string CleanTyped(std::string_view s, bool repairLetters) {
  std::string t;
  for (char c : s) {
    if (c == ' ') continue;
    if (c == ',' || c == '-' || c == '/') c = '.';
    if (repairLetters && (c == 'O' || c == 'o')) c = '0';
    if (repairLetters && c == 'l') c = '1';
    t += c;
  }
  return t;
}

struct TypedDate {
  std::string day, month, year;
};

// Day and month of one or two characters ("7." counts as "07"), then up to four
// year characters, each after an optional ".".
TypedDate SplitTyped(std::string_view t) {
  TypedDate d;
  std::size_t i = 0;
  const auto dot = [&] {
    if (i < t.size() && t[i] == '.') ++i;
  };
  const auto field = [&](std::string& out) {
    if (i >= t.size()) return;
    if (i + 1 >= t.size() || t[i + 1] == '.') {
      out = std::string("0") + t[i];
      i += 1;
    } else {
      out = std::string(t.substr(i, 2));
      i += 2;
    }
  };
  dot();
  field(d.day);
  dot();
  field(d.month);
  dot();
  d.year = std::string(t.substr(std::min(i, t.size()), 4));
  if (d.year.size() == 1) d.year.insert(0, 1, '0');
  return d;
}

}  // namespace

std::string TodayText() {
  const DateTime t = Now();
  return Two(t.day) + "." + Two(t.month) + "." + Two(t.year % 100);
}

std::string TimeText12() {
  const DateTime t = Now();
  return Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second);
}

std::string SwapDate(std::string_view s) { return Copy(s, 5, 2) + Copy(s, 3, 2) + Copy(s, 1, 2); }

std::string RepairDateDigits(std::string_view s) {
  std::string t(s);
  if (t.size() != 6) return t;
  for (std::size_t i : {0u, 4u}) {
    if (t[i] == 'l') t[i] = '1';
    else if (t[i] == 'O') t[i] = '0';
  }
  if (t == "000000") t = "      ";
  return t;
}

std::string DateWithDots(std::string_view s) {
  const std::string t = RepairDateDigits(s.empty() ? std::string_view("      ") : s);
  if (t == "      ") return "        ";
  return Copy(t, 1, 2) + "." + Copy(t, 3, 2) + "." + Copy(t, 5, 2);
}

std::string DateNoDots(std::string_view s) {
  std::string t;
  for (char c : s.substr(0, 8))
    if (c != '.') t += c;
  return t.substr(0, 6);
}

std::string TimeWithColons(std::string_view s) { return Copy(s, 1, 2) + ":" + Copy(s, 3, 2) + ":" + Copy(s, 5, 2); }

std::string PackTime(std::string_view s) { return Copy(s, 1, 2) + Copy(s, 4, 2) + Copy(s, 7, 2); }

std::string AddCentury(std::string_view s) {
  if (s.size() != 6) return std::string(s);
  const std::string_view yy = s.substr(0, 2);
  const int century = yy < "40" ? 2000 : 1900;
  return FormatNumberMask("####", century + TextToInt(yy)) + std::string(s.substr(2));
}

std::string Date6To8(std::string_view s) {
  const std::string t = Copy(s, 1, 4) + FormatNumberMask("####", 2000 + TextToInt(Copy(s, 5, 2)));
  return t == "    2000" ? std::string(8, ' ') : t;
}

std::string Date8To6(std::string_view s) {
  if (s.size() != 8) return std::string(s);
  return Copy(s, 1, 4) + Copy(s, 7, 2);
}

std::string Date8ToIso(std::string_view s) { return Copy(s, 5, 4) + Copy(s, 3, 2) + Copy(s, 1, 2); }

std::string IsoToDate8(std::string_view s) { return Copy(s, 7, 2) + Copy(s, 5, 2) + Copy(s, 1, 4); }

std::string DateIsoToDots(std::string_view s) { return Copy(s, 7, 2) + "." + Copy(s, 5, 2) + "." + Copy(s, 1, 4); }

std::string DateLongText(std::string_view s) {
  if (s.empty() || s == "000000" || ((s.size() == 6 || s.size() == 8) && IsBlank(s))) return std::string(10, ' ');
  return DateIsoToDots(AddCentury(SwapDate(s)));
}

bool DateHasError(std::string_view s) {
  const std::string t = RemoveSpaces(s);
  if (t.empty() || t == "000000" || t == "00000000") return false;
  if (t.size() != 6 && t.size() != 8) return true;
  int day = 0, month = 0, year = 0;
  if (!TwoDigits(t, 2, month) || month < 1 || month > 12) return true;
  const std::size_t yearAt = t.size() == 6 ? 4 : 6;
  if (!TwoDigits(t, yearAt, year)) return true;
  if (t.size() == 8 && t.compare(4, 2, "19") != 0 && t.compare(4, 2, "20") != 0) return true;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int length = month == 2 && year % 4 == 0 ? 29 : kDays[month - 1];
  return !TwoDigits(t, 0, day) || day < 1 || day > length;
}

bool TimeHasError(std::string_view s) {
  const std::string t = s.size() == 8 ? PackTime(s) : std::string(s);
  if (IsBlank(t) || t == "000000") return false;
  if (t.size() != 6) return true;
  int h = 0, m = 0, sec = 0;
  return !TwoDigits(t, 0, h) || h > 24 || !TwoDigits(t, 2, m) || m > 60 || !TwoDigits(t, 4, sec) || sec > 60;
}

std::string NormalizeNumberText(std::string_view s) {
  const std::string t = CleanTyped(s, false);
  if (t.empty()) return {};
  const TypedDate d = SplitTyped(t);
  return d.day + d.month + d.year;
}

std::string NormalizeDate(std::string_view s) {
  TypedDate d = SplitTyped(CleanTyped(s, true));
  if (d.year.size() > 2) d.year = Copy(d.year, 3, 2);
  const std::string t = FormatNumberMask("@@@@@@", TextToInt(d.day + d.month + d.year));
  if (t == "000000" || DateHasError(t)) return std::string(6, ' ');
  return t;
}

std::string NormalizeDateLong(std::string_view s) {
  const TypedDate d = SplitTyped(CleanTyped(s, true));
  const std::int32_t n = TextToInt(d.day + d.month + d.year);
  const std::string t = FormatNumberMask(d.year.size() <= 2 ? "@@@@@@" : "@@@@@@@@", n);
  if (t == "000000" || t == "00000000") return std::string(t.size(), ' ');
  return t;
}

std::string NormalizeTime(std::string_view s) {
  std::string t;
  int colons = 0;
  for (char c : s) {
    if (c == ' ') c = '0';
    if (c == ',' || c == '-' || c == '.' || c == '/') c = ':';
    if (c == ':' && ++colons > 2) c = '0';
    t += c;
  }
  std::string result = "000000";
  const auto first = t.find(':');
  if (first == std::string::npos) {
    result.replace(0, std::min<std::size_t>(t.size(), 6), t.substr(0, 6));
  } else {
    // One character fills the second place of its pair, two fill both.
    const auto put = [&](std::string_view field, std::size_t at) {
      if (field.size() == 1) result[at + 1] = field[0];
      else if (field.size() >= 2) result.replace(at, 2, field.substr(0, 2));
    };
    const auto second = t.find(':', first + 1);
    put(std::string_view(t).substr(0, first), 0);
    put(std::string_view(t).substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1), 2);
    if (second != std::string::npos) put(std::string_view(t).substr(second + 1), 4);
  }
  return TimeHasError(result) ? std::string(6, ' ') : result;
}

}  // namespace common
