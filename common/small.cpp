#include "common/small.h"

#include <algorithm>

#include "common/clock.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/text.h"

namespace common {
namespace {

constexpr std::size_t kAddressWidth = 24;
constexpr std::size_t kItemReach = 255;
constexpr std::int64_t kDayMs = 24LL * 60 * 60 * 1000;

bool IsDigit1to9(char c) { return c >= '1' && c <= '9'; }

std::string Pad(std::int64_t n, int width) {
  return FormatNumberMask(std::string(width, '@'), static_cast<double>(n));
}

std::string TimeFields(std::int64_t h, std::int64_t m, std::int64_t s, std::int64_t ms) {
  return Pad(h, 2) + ":" + Pad(m, 2) + ":" + Pad(s, 2) + "." + Pad(ms, 3);
}

std::int64_t TimeMs(std::string_view t) {
  return TextToInt(Copy(t, 1, 2)) * 3600000LL + TextToInt(Copy(t, 4, 2)) * 60000LL +
         TextToInt(Copy(t, 7, 2)) * 1000LL + TextToInt(Copy(t, 10, 3));
}

std::string ParseItems(std::string_view key, std::string_view text, std::string_view separator, bool upper,
                       ItemListPosition* position) {
  if (position) *position = {};
  if (separator.empty()) separator = ";";
  const std::string k = upper ? UpperCz(key) : std::string(key);
  std::string search = upper ? UpperCz(text) : std::string(text);
  std::string rest(text);
  int found = 0;
  std::size_t taken = 0;  // characters of the rest before the value
  for (;;) {
    found = Pos(k, search);
    if (found == 0) return {};
    const std::size_t cut = static_cast<std::size_t>(found - 1) + k.size();
    search = search.substr(cut, kItemReach);
    rest = rest.substr(cut, kItemReach);
    if (rest.starts_with(" :")) taken = 2;
    else if (rest.starts_with(":") || rest.starts_with(" ")) taken = 1;
    else if (rest.empty()) return {};
    else continue;  // the key was part of a longer word
    break;
  }
  const auto end = rest.find(separator, taken);
  const std::string raw = rest.substr(taken, end == std::string::npos ? std::string::npos : end - taken);
  if (position) {
    position->found = found;
    position->length = static_cast<std::int32_t>(k.size() + taken + raw.size() +
                                                 (end == std::string::npos ? 0 : separator.size()));
  }
  return StripLeftSp(raw);
}

}  // namespace

void BirthNumberToDate(std::string& birthNumber, std::string& suffix, std::string& date) {
  birthNumber = StripLeftSp(StripRightSp(birthNumber));
  if (birthNumber.empty()) {
    suffix.clear();
    date.clear();
    return;
  }
  Delete(birthNumber, Pos("/", birthNumber), 1);
  date = Copy(birthNumber, 5, 2) + "." + Copy(birthNumber, 3, 2) + ".20" + Copy(birthNumber, 1, 2);
  if (date.size() == 10) {
    if (date[3] == '5') date[3] = '0';  // women's months are raised by 50
    else if (date[3] == '6') date[3] = '1';
    if (TextToInt(Copy(birthNumber, 1, 2)) > 30) date.replace(6, 2, "19");
  }
  suffix = Copy(birthNumber, 7, 4);
}

bool HasNonDigit(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return c != ' ' && (c < '0' || c > '9'); });
}

void SplitAddressNumber(std::string_view address, std::string& street, std::string& number) {
  street.clear();
  number.clear();
  std::string padded(address.substr(0, kAddressWidth));
  const std::size_t length = padded.size();
  padded.resize(kAddressWidth, ' ');
  const auto numberPart = [](char c) { return IsDigit1to9(c) || c == ' ' || c == '0' || c == '/'; };
  for (std::size_t i = 0; i < length; ++i) {
    const char c = padded[i];
    if (IsDigit1to9(c) && std::all_of(padded.begin() + static_cast<std::ptrdiff_t>(i) + 1, padded.end(), numberPart)) {
      for (std::size_t j = i; j < kAddressWidth; ++j) {
        const char d = padded[j];
        if (!IsDigit1to9(d) && d != 'I' && d != 'V' && d != 'X' && d != '/' && d != '0') break;
        number += d;
      }
      return;
    }
    street += c;
  }
}

std::string TimeText() {
  const DateTime t = Now();
  return TimeFields(t.hour, t.minute, t.second, t.millisecond);
}

std::string TimestampText() {
  const DateTime t = Now();  // one reading, so date and time belong together
  return Pad(t.year % 100, 2) + Pad(t.month, 2) + Pad(t.day, 2) + "-" + Pad(t.hour, 2) + Pad(t.minute, 2) +
         Pad(t.second, 2);
}

std::string ElapsedTimeText(std::string_view start, std::string_view end) {
  std::int64_t ms = TimeMs(end) - TimeMs(start);
  if (ms < 0) ms += kDayMs;
  return TimeFields(ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
}

std::string ParseItemList(std::string_view key, std::string_view text, std::string_view separator,
                          ItemListPosition* position) {
  return ParseItems(key, text, separator, true, position);
}

std::string ParseItemListExact(std::string_view key, std::string_view text, std::string_view separator,
                               ItemListPosition* position) {
  return ParseItems(key, text, separator, false, position);
}

std::array<std::uint16_t, 5> SplitNumberDigits(double n) {
  const std::string t = FormatNumberMask("@@@@@@@@@@-", n);
  const auto part = [&](int from, int count) { return static_cast<std::uint16_t>(TextToInt(Copy(t, from, count))); };
  return {part(10, 1), part(9, 1), part(8, 1), part(6, 2), part(4, 2)};
}

}  // namespace common
