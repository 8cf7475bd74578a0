// Window settings of the list windows: the shared window font state, its loading
// from "par\okna2.par" / "par\oknag.par", the stored column widths (" Gridy"), the
// stored geometry, and the desktop metrics the layouts use.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "ui/types.h"

namespace ui {
class Form;
}

namespace browser {

inline constexpr const char* kOknagPar = "par\\oknag.par";
inline constexpr const char* kStandardOknag = "2\\Oknag.par";  // in the program folder

// The font state every generated window uses.
struct WindowFontState {
  int LetterHeight = 18;  // row height in pixels
  int LetterWidth = 8;    // character width in pixels
  std::string FontName = "Ms Sans Serif";
  std::string FontStyle = "Normal";  // "Bold", "Italic", "BoldItalic" or "Normal"
  std::string FontSize = "8";
  bool CommonMode = false;  // "par\oknag.par" is in force
};

WindowFontState& WindowFont();
// Back to the start-up values (tests).
void ResetWindowFont();
// The size factor of generated windows (1.25 on a 120 ppi screen).
double ScreenScale();

// Fills the font state from the settings and returns the two colours; values that
// are not stored are kept. With "par\oknag.par" of 7 bytes or more only its keys
// count (common mode); otherwise each key is taken from the common keys of
// "par\okna2.par", then from settingsKey + " " + name.
void LoadWindowFont(const std::string& settingsKey, ui::Color& fontColor, ui::Color& paperColor);

// Letter size, font and background of the generated edit windows: the "A" keys
// ("VyskaFontuA", "SirkaFontuA", "FontNameA", "FontStyleA", "FontSizeA",
// "FontColorA", "FontPaperA") of "par\oknag.par" when it has more than 6 bytes, else
// settingsKey + " " + the same names in "par\okna2.par". What is not stored (empty,
// a size of 0 or less, a style other than the four) keeps the value given.
struct EditAppearance {
  int letterHeight = 18, letterWidth = 8;
  ui::Font font;
  ui::Color paper = 0;
};
void ReadEditAppearance(const std::string& settingsKey, EditAppearance& a);

// The font described by the state (name, size, style) in the given colour.
ui::Font StateFont(ui::Color color);
// "Bold" / "Italic" / "BoldItalic" / "Normal" of a font, and back.
std::string FontStyleText(const ui::Font& font);
void ApplyFontStyle(ui::Font& font, std::string_view style);

// " Gridy": three digits per column from column 0. A group below 1 gives 200;
// widths of columns past the value's end are 200 as well.
std::vector<int> ParseGridy(std::string_view value, int columnCount);
// Widths of columns 0..n as three digits each; widths above 999 are stored as 999
// and negative ones as 0, so that a group never runs into the next one.
std::string FormatGridy(const std::vector<int>& widths);
// Width of a column laid out from its text length: (length + 1 + d) x cell x scale,
// d = 1 for date and time fields (types 9, 10, 13).
int DefaultColumnWidth(int length, int fieldType, int cell, double scale);
// The character cell of a grid font: 9 for "Courier" and "Fixedsys", else the
// character width.
int GridCell(std::string_view fontName, int letterWidth);

// Window geometry under settingsKey + " Left" / " Top" / " Width" / " Height" ("@@@@").
void StoreWindowGeometry(const std::string& settingsKey, const ui::Form& form);

// Desktop metrics from the window layer.
void GetWorkArea(int& width, int& height);
// ScreenPpi := 1.25 on a screen of 120 pixels per inch, else 1.0.
void DetectLargeFonts();

}  // namespace browser
