#include "common/encoding.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <mutex>
#include <stdexcept>

namespace common {
namespace {

// Unicode code points of Windows-1250 bytes 0x80..0xFF, read once from iconv; 0 = undefined.
const std::array<char32_t, 128>& HighTable() {
  static std::array<char32_t, 128> table = [] {
    std::array<char32_t, 128> t{};
    iconv_t cd = iconv_open("UTF-32LE", "CP1250");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: CP1250 not available");
    for (int i = 0; i < 128; ++i) {
      char in = static_cast<char>(0x80 + i);
      unsigned char out[4] = {};
      char* ip = &in;
      char* op = reinterpret_cast<char*>(out);
      size_t il = 1, ol = 4;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && ol == 0)
        t[i] = out[0] | (out[1] << 8) | (out[2] << 16) | (char32_t(out[3]) << 24);
    }
    iconv_close(cd);
    return t;
  }();
  return table;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when malformed.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& c) {
  auto b = static_cast<unsigned char>(s[i]);
  size_t len;
  if (b < 0x80) { c = b; return 1; }
  if (b >= 0xC2 && b < 0xE0) { len = 2; c = b & 0x1F; }
  else if (b >= 0xE0 && b < 0xF0) { len = 3; c = b & 0x0F; }
  else if (b >= 0xF0 && b < 0xF5) { len = 4; c = b & 0x07; }
  else return 0;
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    auto n = static_cast<unsigned char>(s[i + k]);
    if ((n & 0xC0) != 0x80) return 0;
    c = (c << 6) | (n & 0x3F);
  }
  if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF))) return 0;
  return len;
}

}  // namespace

std::string Win1250ToUtf8(std::string_view cp1250, char missing) {
  const auto& t = HighTable();
  std::string out;
  out.reserve(cp1250.size() * 2);
  for (char ch : cp1250) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) out += ch;
    else if (t[b - 0x80]) AppendUtf8(out, t[b - 0x80]);
    else out += missing;
  }
  return out;
}

std::string Utf8ToWin1250(std::string_view utf8, char missing) {
  const auto& t = HighTable();
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t c;
    size_t len = DecodeUtf8(utf8, i, c);
    if (len == 0) { out += missing; ++i; continue; }
    i += len;
    if (c < 0x80) { out += static_cast<char>(c); continue; }
    char mapped = missing;
    for (int k = 0; k < 128; ++k)
      if (t[k] == c) { mapped = static_cast<char>(0x80 + k); break; }
    out += mapped;
  }
  return out;
}

bool IsUtf8WithNonAscii(std::string_view text) {
  bool nonAscii = false;
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) { ++i; continue; }
    char32_t c;
    const size_t len = DecodeUtf8(text, i, c);
    if (len == 0) return false;
    nonAscii = true;
    i += len;
  }
  return nonAscii;
}

std::string PrintableUtf8(std::string_view text, std::size_t maxBytes) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    const size_t len = DecodeUtf8(text, i, c);
    if (len == 0) { ++i; continue; }
    const bool printable = c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && !(c >= 0xD800 && c < 0xE000);
    if (printable) {
      if (out.size() + len > maxBytes) break;
      out.append(text.substr(i, len));
    }
    i += len;
  }
  return out;
}

std::string PrintableWin1250(std::string_view text, std::size_t maxBytes) {
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unassigned = c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98;
    if (c < 0x20 || c == 0x7F || unassigned) continue;
    if (out.size() >= maxBytes) break;
    out += ch;
  }
  return out;
}

bool ConvertIfUtf8(std::string& text) {
  if (!IsUtf8WithNonAscii(text)) return false;
  text = Utf8ToWin1250(text);
  return true;
}

}  // namespace common
