// Key codes: the virtual-key numbers the program's windows dispatch on, the
// folding of modifiers into one code, and key names for scripts.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "ui/types.h"

namespace ui {

namespace vk {
constexpr int Back = 8, Tab = 9, Clear = 12, Enter = 13, Shift = 16, Ctrl = 17, Alt = 18, Pause = 19,
              CapsLock = 20, Esc = 27, Space = 32, PgUp = 33, PgDn = 34, End = 35, Home = 36, Left = 37,
              Up = 38, Right = 39, Down = 40, Insert = 45, Delete = 46;
constexpr int Digit0 = 48;  // '0'..'9' are 48..57
constexpr int A = 65;       // 'A'..'Z' are 65..90
constexpr int Num0 = 96;    // numeric pad 0..9 are 96..105
constexpr int NumStar = 106, NumPlus = 107, NumSeparator = 108, NumMinus = 109, NumDecimal = 110,
              NumSlash = 111;
constexpr int F1 = 112;  // F1..F24 are 112..135
constexpr int NumLock = 144, ScrollLock = 145;
// Punctuation keys of the main block (as on a US layout).
constexpr int Semicolon = 186, Equals = 187, Comma = 188, Minus = 189, Period = 190, Slash = 191,
              Backquote = 192, LBracket = 219, Backslash = 220, RBracket = 221, Quote = 222;

constexpr int F(int n) { return F1 + n - 1; }          // F(1) .. F(24)
constexpr int Letter(char c) { return c >= 'a' ? c - 'a' + A : c - 'A' + A; }
constexpr int Digit(int d) { return Digit0 + d; }
constexpr int Num(int d) { return Num0 + d; }
}  // namespace vk

// The key code of a key-down: the virtual key plus 1000 with Ctrl, 2000 with Shift,
// 3000 with Alt; with several held the last of Ctrl, Shift, Alt decides
// (Ctrl+Shift+F1 = 2112). A modifier key pressed alone keeps its plain code.
int KeyCode(int vk, Shift shift);

// The character a key-down produces (Windows-1250), or 0 for none: letters, digits,
// blank and punctuation on a US layout; Enter 13, Esc 27, Backspace 8, Tab 9;
// Ctrl+letter the control character 1..26. Alt combinations produce none.
char CharForKey(int vk, Shift shift);

// A key with its modifiers, as written in scripts: "F4", "Ctrl+F2", "Shift+Tab",
// "Esc", "Enter", "Down", "A", "7", "Num+", "Ctrl" (alone), "#113" (a raw code).
struct KeyStroke {
  int vk = 0;
  Shift shift = Shift::None;
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};
std::optional<KeyStroke> ParseKey(std::string_view name);
std::string KeyName(KeyStroke key);
inline std::string KeyName(int vk, Shift shift = Shift::None) { return KeyName(KeyStroke{vk, shift}); }

}  // namespace ui
