#include "ui/types.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace ui {

Color ToRgb(Color c) {
  if (!IsSystemColor(c)) return c & 0xFFFFFF;
  switch (c) {
    case colors::Window: return colors::White;
    case colors::WindowText: return colors::Black;
    case colors::Highlight: return Rgb(0, 120, 215);
    case colors::HighlightText: return colors::White;
    case colors::GrayText: return Rgb(109, 109, 109);
    default: return Rgb(240, 240, 240);  // faces of buttons, menus, dialogs
  }
}

std::string ColorHex(Color c) {
  static const char* digits = "0123456789ABCDEF";
  c = ToRgb(c);
  std::string out = "#";
  for (int part : {RedOf(c), GreenOf(c), BlueOf(c)}) {
    out += digits[part >> 4];
    out += digits[part & 15];
  }
  return out;
}

bool IsMonospace(std::string_view fontName) {
  std::string lower(fontName);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  for (const char* part : {"courier", "fixedsys", "terminal", "mono", "consol", "lucida console"})
    if (lower.find(part) != std::string::npos) return true;
  return false;
}

}  // namespace ui
