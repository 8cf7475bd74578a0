#include "browser/winsettings.h"

#include <algorithm>

#include "browser/dialogs.h"
#include "common/fileops.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/winpath.h"
#include "ui/backend.h"
#include "ui/form.h"

namespace browser {

WindowFontState& WindowFont() {
  static WindowFontState state;
  return state;
}

void ResetWindowFont() { WindowFont() = WindowFontState{}; }

double ScreenScale() { return common::CurrentSession().ScreenPpi; }

namespace {

// Takes one stored value into the state; an empty (or, for sizes, non-positive) value keeps it.
void Apply(const std::string& name, const std::string& value, ui::Color& fontColor, ui::Color& paperColor) {
  if (value.empty()) return;
  WindowFontState& f = WindowFont();
  const int n = common::TextToInt(value);
  if (name == "VyskaFontu") {
    if (n > 0) f.LetterHeight = n;
  } else if (name == "SirkaFontu") {
    if (n > 0) f.LetterWidth = n;
  } else if (name == "FontName") {
    f.FontName = value;
  } else if (name == "FontStyle") {
    f.FontStyle = value;
  } else if (name == "FontSize") {
    f.FontSize = value;
  } else if (name == "FontColor") {
    fontColor = n;
  } else if (name == "FontPaper") {
    paperColor = n;
  }
}

constexpr const char* kFontKeys[] = {"VyskaFontu", "SirkaFontu", "FontName", "FontStyle",
                                     "FontSize",   "FontColor",  "FontPaper"};

}  // namespace

void LoadWindowFont(const std::string& settingsKey, ui::Color& fontColor, ui::Color& paperColor) {
  const bool common = common::CheckFile(kOknagPar) >= 7;
  for (const char* name : kFontKeys) {
    std::string value;
    if (common) {
      value = common::ReadParam(kOknagPar, name);
    } else {
      value = common::ReadParam(kOkna2Par, name);
      if (value.empty() && !settingsKey.empty()) value = common::ReadParam(kOkna2Par, settingsKey + " " + name);
    }
    Apply(name, value, fontColor, paperColor);
  }
  WindowFont().CommonMode = common;
}

void ReadEditAppearance(const std::string& settingsKey, EditAppearance& a) {
  const bool common = common::CheckFile(kOknagPar) > 6;
  auto setting = [&](const char* name) {
    return common ? common::ReadParam(kOknagPar, name) : common::ReadParam(kOkna2Par, settingsKey + " " + name);
  };
  if (const int v = common::TextToInt(setting("VyskaFontuA")); v > 0) a.letterHeight = v;
  if (const int v = common::TextToInt(setting("SirkaFontuA")); v > 0) a.letterWidth = v;
  if (const std::string v = setting("FontNameA"); !v.empty()) a.font.name = v;
  if (const std::string v = setting("FontStyleA"); v == "Bold" || v == "Italic" || v == "BoldItalic" || v == "Normal")
    ApplyFontStyle(a.font, v);
  if (const int v = common::TextToInt(setting("FontSizeA")); v > 0) a.font.size = v;
  if (const std::string v = setting("FontColorA"); !v.empty()) a.font.color = common::TextToInt(v);
  if (const std::string v = setting("FontPaperA"); !v.empty()) a.paper = common::TextToInt(v);
}

std::string FontStyleText(const ui::Font& font) {
  if (font.bold && font.italic) return "BoldItalic";
  if (font.bold) return "Bold";
  if (font.italic) return "Italic";
  return "Normal";
}

void ApplyFontStyle(ui::Font& font, std::string_view style) {
  font.bold = style == "Bold" || style == "BoldItalic";
  font.italic = style == "Italic" || style == "BoldItalic";
}

ui::Font StateFont(ui::Color color) {
  const WindowFontState& f = WindowFont();
  ui::Font font;
  font.name = f.FontName;
  const int size = common::TextToInt(f.FontSize);
  if (size > 0) font.size = size;
  ApplyFontStyle(font, f.FontStyle);
  font.color = color;
  return font;
}

std::vector<int> ParseGridy(std::string_view value, int columnCount) {
  std::vector<int> widths;
  for (int i = 0; i <= columnCount; ++i) {
    const int w = common::TextToInt(common::Copy(value, i * 3 + 1, 3));
    widths.push_back(w < 1 ? 200 : w);
  }
  return widths;
}

std::string FormatGridy(const std::vector<int>& widths) {
  std::string out;
  for (int w : widths) out += common::FormatNumberMask("@@@", std::clamp(w, 0, 999));
  return out;
}

int DefaultColumnWidth(int length, int fieldType, int cell, double scale) {
  const int d = (fieldType == 9 || fieldType == 10 || fieldType == 13) ? 1 : 0;
  return Px((length + 1 + d) * cell * scale);
}

int GridCell(std::string_view fontName, int letterWidth) {
  if (common::SameNameCp1250(fontName, "Courier") || common::SameNameCp1250(fontName, "Fixedsys")) return 9;
  return letterWidth;
}

void StoreWindowGeometry(const std::string& settingsKey, const ui::Form& form) {
  StoreInt(settingsKey + " Left", "@@@@", form.left());
  StoreInt(settingsKey + " Top", "@@@@", form.top());
  StoreInt(settingsKey + " Width", "@@@@", form.width());
  StoreInt(settingsKey + " Height", "@@@@", form.height());
}

void GetWorkArea(int& width, int& height) {
  const ui::Rect r = ui::WorkArea();
  width = r.width;
  height = r.height;
}

void DetectLargeFonts() { common::CurrentSession().ScreenPpi = ui::PixelsPerInch() == 120 ? 1.25 : 1.0; }

}  // namespace browser
