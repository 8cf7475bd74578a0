#include "common/text.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "common/encoding.h"
#include "common/numbers.h"
#include "common/pascal.h"

namespace common {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view s) { return std::all_of(s.begin(), s.end(), IsDigit); }

const std::array<char, 256>& UpperTable() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<char>(i);
    const std::string lower = "abcdefghijklmnopqrstuvwxyz" + Cz("áéíúýóěřščž");
    const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ" + Cz("ÁÉÍÚÝÓĚŘŠČŽ");
    for (std::size_t i = 0; i < lower.size(); ++i) t[static_cast<unsigned char>(lower[i])] = upper[i];
    return t;
  }();
  return table;
}

}  // namespace

std::string FillChars(std::int32_t n, char ch) {
  if (n <= 0) return {};
  return std::string(static_cast<std::size_t>(std::min(n, 255)), ch);
}

std::string Spaces(std::uint16_t n) { return FillChars(n, ' '); }

std::string StripRightSp(std::string_view s) {
  const auto last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(s.substr(0, last + 1));
}

std::string StripLeftSp(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(s.substr(first));
}

std::string RemoveSpaces(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out += c;
  return out;
}

std::string CollapseSpaces(std::string_view s) {
  std::string out;
  bool started = false;
  for (char c : s) {
    if (c == ' ') {
      if (started && out.back() != ' ') out += ' ';
    } else {
      out += c;
      started = true;
    }
  }
  return out;
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    at = end + 1;
  }
  return lines;
}

std::string AlignText(std::string_view s, std::string_view mode, std::string_view fill, std::int32_t width) {
  if (fill.empty()) fill = " ";
  if (mode.empty()) return {};
  const char m = mode[0];
  const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
  if (m == 'L' || m == 'l') {
    std::string t = StripLeftSp(s);
    while (t.size() < w) t += fill;
    t.resize(std::min(t.size(), w));
    return t;
  }
  if (m == 'P' || m == 'p') {
    std::string t = StripRightSp(s);
    while (t.size() < w) t.insert(0, fill);
    return t.substr(t.size() - std::min(t.size(), w));
  }
  return {};
}

std::string UpperCz(std::string_view s) {
  const auto& t = UpperTable();
  std::string out(s);
  for (char& c : out) c = t[static_cast<unsigned char>(c)];
  return out;
}

std::int32_t AltDigitSum11(std::string_view s) {
  std::int32_t diff = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const std::int32_t d = TextToInt(s.substr(i, 1));
    diff += (i % 2 == 1) ? d : -d;  // position i + 1 even: added
  }
  return diff % 11;
}

bool IsBirthNumber(std::string_view s) {
  std::string t = RemoveSpaces(s);
  Delete(t, Pos("/", t), 1);
  if (!AllDigits(t)) return false;
  if (t.size() == 9) {
    const std::int32_t month = TextToInt(Copy(t, 3, 2));
    return !(month >= 13 && month <= 50) && month <= 62;
  }
  if (t.size() == 10) {
    const std::uint64_t n = std::stoull(t);
    if (n % 11 == 0) return true;
    return (n / 10) % 11 == 10 && t.back() == '0';
  }
  return false;
}

std::int32_t AccountPartCheck(std::string_view s) {
  if (s.empty()) return 0;
  if (TextToFloat(s) == 0) return 1;
  int weight = 1;  // 1, 2, 4, 8, ... modulo 11
  int sum = 0;
  for (auto it = s.rbegin(); it != s.rend(); ++it) {
    if (*it == '-' || *it == ' ') continue;
    if (!IsDigit(*it)) return 1;  // letters make no account number
    sum = (sum + (*it - '0') * weight) % 11;
    weight = weight * 2 % 11;
  }
  return sum;
}

bool IbanCheckPasses(std::string_view iban) {
  const std::string t = RemoveSpaces(iban);
  if (t.size() < 5 || t.size() > 34) return false;
  const std::string moved = t.substr(4) + t.substr(0, 4);
  int rest = 0;
  for (char ch : moved) {
    const auto c = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(ch)));
    if (c >= '0' && c <= '9') {
      rest = (rest * 10 + (c - '0')) % 97;
    } else if (c >= 'A' && c <= 'Z') {
      rest = (rest * 100 + (c - 'A' + 10)) % 97;
    } else {
      return false;
    }
  }
  return rest == 1;
}

bool IsBankAccount(std::string& account) {
  const std::size_t oldLength = account.size();
  std::string t = RemoveSpaces(account);
  if (t.size() > 30) t.resize(30);
  if (TextToFloat(t) == 0) return false;

  int dash = Pos("-", t);
  if (dash > 0 && t.size() - static_cast<std::size_t>(dash) == 3) {
    Delete(t, dash, 1);
    dash = Pos("-", t);
  }
  std::string prefix, number = t;
  if (dash > 0) {
    prefix = Copy(t, 1, dash - 1);
    number = CopyFrom(t, dash + 1);
    number.erase(std::remove(number.begin(), number.end(), '-'), number.end());
  }
  if (number.size() > 10) {
    prefix = number.substr(0, number.size() - 10);
    number.erase(0, number.size() - 10);
  }
  // A prefix written as zeros ("000000-") is no prefix.
  const std::int32_t prefixCheck = TextToFloat(prefix) == 0 && AllDigits(prefix)
                                       ? 0
                                       : AccountPartCheck(prefix);
  const bool ok = prefixCheck + AccountPartCheck(number) == 0;

  std::string out = prefix.empty() ? number : prefix + "-" + number;
  if (out.size() < oldLength) out.insert(0, oldLength - out.size(), ' ');
  account = out;
  return ok;
}

}  // namespace common
