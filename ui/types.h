// Basic value types of the window layer: geometry, colours, fonts, shift state.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

struct Point {
  int x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool Contains(Point p) const { return p.x >= left && p.x < right() && p.y >= top && p.y < bottom(); }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A colour as the program stores it: 0x00BBGGRR. Negative values (top bit set) name
// system colours by index in the low byte; ToRgb resolves them.
using Color = std::int32_t;

constexpr Color Rgb(int r, int g, int b) {
  return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return c & 0xFF; }
constexpr int GreenOf(Color c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(Color c) { return (c >> 16) & 0xFF; }
constexpr bool IsSystemColor(Color c) { return c < 0; }

namespace colors {
constexpr Color Black = Rgb(0, 0, 0), Maroon = Rgb(128, 0, 0), Green = Rgb(0, 128, 0),
                Olive = Rgb(128, 128, 0), Navy = Rgb(0, 0, 128), Purple = Rgb(128, 0, 128),
                Teal = Rgb(0, 128, 128), Gray = Rgb(128, 128, 128), Silver = Rgb(192, 192, 192),
                Red = Rgb(255, 0, 0), Lime = Rgb(0, 255, 0), Yellow = Rgb(255, 255, 0),
                Blue = Rgb(0, 0, 255), Fuchsia = Rgb(255, 0, 255), Aqua = Rgb(0, 255, 255),
                White = Rgb(255, 255, 255);
// System colours.
constexpr Color Window = static_cast<Color>(0x80000005u);
constexpr Color WindowText = static_cast<Color>(0x80000008u);
constexpr Color BtnFace = static_cast<Color>(0x8000000Fu);
constexpr Color Highlight = static_cast<Color>(0x8000000Du);
constexpr Color HighlightText = static_cast<Color>(0x8000000Eu);
constexpr Color GrayText = static_cast<Color>(0x80000011u);
}  // namespace colors

// A plain RGB colour for any colour, system colours resolved to this layer's palette.
Color ToRgb(Color c);
// "#RRGGBB" of the resolved colour.
std::string ColorHex(Color c);

struct Font {
  std::string name = "MS Sans Serif";  // Windows-1250, as stored in settings
  int size = 8;                        // points
  bool bold = false, italic = false, underline = false;
  Color color = colors::WindowText;
  // Printer fonts from a logical-font description; 0 leaves each to size and the face.
  int pixelHeight = 0;   // device pixels: negative the character height, positive the cell height
  int averageWidth = 0;  // device pixels per average character
  int weight = 0;        // 100..900 (400 normal, 700 bold)
  bool strikeOut = false;
  int escapement = 0;    // tenths of a degree, counter-clockwise
  friend bool operator==(const Font&, const Font&) = default;
};

// Whether a font name stands for a fixed-pitch face ("Fixedsys", "Courier", "Courier New", ...).
bool IsMonospace(std::string_view fontName);

// Keyboard modifiers and mouse buttons held during an event.
enum class Shift : unsigned {
  None = 0,
  Shift = 1,
  Alt = 2,
  Ctrl = 4,
  Left = 8,
  Right = 16,
  Middle = 32,
  Double = 64,  // the second press of a double click
};
constexpr Shift operator|(Shift a, Shift b) { return Shift(unsigned(a) | unsigned(b)); }
constexpr Shift operator&(Shift a, Shift b) { return Shift(unsigned(a) & unsigned(b)); }
constexpr Shift& operator|=(Shift& a, Shift b) { return a = a | b; }
constexpr bool Has(Shift set, Shift flag) { return (unsigned(set) & unsigned(flag)) != 0; }

enum class MouseButton { Left, Right, Middle };

// Results of a modal show and of message boxes.
namespace mr {
constexpr int None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7;
}

enum class CursorShape { Default, Arrow, SizeAll, SizeNWSE, SizeWE, SizeNS, Hand, Wait, IBeam };

}  // namespace ui
