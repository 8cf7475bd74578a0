#include "ui/keys.h"

#include <array>
#include <cctype>
#include <charconv>
#include <string>

namespace ui {

int KeyCode(int vk, Shift shift) {
  int code = vk;
  if (Has(shift, Shift::Ctrl) && vk != vk::Ctrl) code = vk + 1000;
  if (Has(shift, Shift::Shift) && vk != vk::Shift) code = vk + 2000;
  if (Has(shift, Shift::Alt) && vk != vk::Alt) code = vk + 3000;
  return code;
}

namespace {

struct Punct {
  int vk;
  char plain, shifted;
};
constexpr std::array<Punct, 11> kPunct{{{vk::Semicolon, ';', ':'},
                                        {vk::Equals, '=', '+'},
                                        {vk::Comma, ',', '<'},
                                        {vk::Minus, '-', '_'},
                                        {vk::Period, '.', '>'},
                                        {vk::Slash, '/', '?'},
                                        {vk::Backquote, '`', '~'},
                                        {vk::LBracket, '[', '{'},
                                        {vk::Backslash, '\\', '|'},
                                        {vk::RBracket, ']', '}'},
                                        {vk::Quote, '\'', '"'}}};
constexpr const char* kShiftedDigits = ")!@#$%^&*(";

struct Named {
  const char* name;
  int vk;
};
// The first name of a code is the one KeyName writes.
constexpr std::array<Named, 42> kNames{{
    {"Esc", vk::Esc},         {"Escape", vk::Esc},       {"Enter", vk::Enter},
    {"Return", vk::Enter},    {"Tab", vk::Tab},          {"Space", vk::Space},
    {"Backspace", vk::Back},  {"BkSp", vk::Back},        {"Ins", vk::Insert},
    {"Insert", vk::Insert},   {"Del", vk::Delete},       {"Delete", vk::Delete},
    {"Home", vk::Home},       {"End", vk::End},          {"PgUp", vk::PgUp},
    {"PageUp", vk::PgUp},     {"PgDn", vk::PgDn},        {"PageDown", vk::PgDn},
    {"Up", vk::Up},           {"Down", vk::Down},        {"Left", vk::Left},
    {"Right", vk::Right},     {"Ctrl", vk::Ctrl},        {"Control", vk::Ctrl},
    {"Shift", vk::Shift},     {"Alt", vk::Alt},          {"CapsLock", vk::CapsLock},
    {"Pause", vk::Pause},     {"NumLock", vk::NumLock},  {"ScrollLock", vk::ScrollLock},
    {"Num+", vk::NumPlus},    {"NumPlus", vk::NumPlus},  {"Num-", vk::NumMinus},
    {"NumMinus", vk::NumMinus}, {"Num*", vk::NumStar},   {"NumStar", vk::NumStar},
    {"Num/", vk::NumSlash},   {"NumSlash", vk::NumSlash}, {"Num.", vk::NumDecimal},
    {"NumDecimal", vk::NumDecimal}, {"Clear", vk::Clear}, {"Num,", vk::NumSeparator},
}};

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool StartsNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualNoCase(s.substr(0, prefix.size()), prefix);
}

}  // namespace

char CharForKey(int vk, Shift shift) {
  if (Has(shift, Shift::Alt)) return 0;
  bool shifted = Has(shift, Shift::Shift);
  if (Has(shift, Shift::Ctrl)) {
    if (vk >= vk::A && vk <= vk::A + 25) return static_cast<char>(vk - vk::A + 1);
    return 0;
  }
  if (vk >= vk::A && vk <= vk::A + 25) return static_cast<char>((shifted ? 'A' : 'a') + vk - vk::A);
  if (vk >= vk::Digit0 && vk <= vk::Digit0 + 9)
    return shifted ? kShiftedDigits[vk - vk::Digit0] : static_cast<char>('0' + vk - vk::Digit0);
  if (vk >= vk::Num0 && vk <= vk::Num0 + 9) return static_cast<char>('0' + vk - vk::Num0);
  switch (vk) {
    case vk::Space: return ' ';
    case vk::Enter: return 13;
    case vk::Esc: return 27;
    case vk::Back: return 8;
    case vk::Tab: return 9;
    case vk::NumStar: return '*';
    case vk::NumPlus: return '+';
    case vk::NumMinus: return '-';
    case vk::NumDecimal: return '.';
    case vk::NumSlash: return '/';
    default: break;
  }
  for (const auto& p : kPunct)
    if (p.vk == vk) return shifted ? p.shifted : p.plain;
  return 0;
}

std::optional<KeyStroke> ParseKey(std::string_view name) {
  KeyStroke key;
  for (bool more = true; more;) {
    more = false;
    for (auto [prefix, flag] : {std::pair{"ctrl+", Shift::Ctrl}, std::pair{"shift+", Shift::Shift},
                                std::pair{"alt+", Shift::Alt}}) {
      std::string_view p(prefix);
      if (name.size() > p.size() && StartsNoCase(name, p)) {
        key.shift |= flag;
        name.remove_prefix(p.size());
        more = true;
      }
    }
  }
  if (name.empty()) return std::nullopt;
  if (name[0] == '#' && name.size() > 1) {
    int v = 0;
    auto [ptr, ec] = std::from_chars(name.data() + 1, name.data() + name.size(), v);
    if (ec != std::errc{} || ptr != name.data() + name.size() || v <= 0 || v > 255) return std::nullopt;
    key.vk = v;
    return key;
  }
  if (name.size() == 1) {
    char c = name[0];
    if (std::isalpha(static_cast<unsigned char>(c))) key.vk = vk::Letter(c);
    else if (c >= '0' && c <= '9') key.vk = vk::Digit(c - '0');
    else {
      for (const auto& p : kPunct)
        if (p.plain == c) key.vk = p.vk;
      if (key.vk == 0) return std::nullopt;
    }
    return key;
  }
  if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
    int n = 0;
    auto [ptr, ec] = std::from_chars(name.data() + 1, name.data() + name.size(), n);
    if (ec == std::errc{} && ptr == name.data() + name.size() && n >= 1 && n <= 24) {
      key.vk = vk::F(n);
      return key;
    }
  }
  if (name.size() == 4 && StartsNoCase(name, "num") && name[3] >= '0' && name[3] <= '9') {
    key.vk = vk::Num(name[3] - '0');
    return key;
  }
  for (const auto& n : kNames)
    if (EqualNoCase(name, n.name)) {
      key.vk = n.vk;
      return key;
    }
  return std::nullopt;
}

std::string KeyName(KeyStroke key) {
  std::string out;
  if (Has(key.shift, Shift::Ctrl)) out += "Ctrl+";
  if (Has(key.shift, Shift::Shift)) out += "Shift+";
  if (Has(key.shift, Shift::Alt)) out += "Alt+";
  int v = key.vk;
  if (v >= vk::A && v <= vk::A + 25) return out + static_cast<char>('A' + v - vk::A);
  if (v >= vk::Digit0 && v <= vk::Digit0 + 9) return out + static_cast<char>('0' + v - vk::Digit0);
  if (v >= vk::Num0 && v <= vk::Num0 + 9) return out + "Num" + static_cast<char>('0' + v - vk::Num0);
  if (v >= vk::F1 && v < vk::F1 + 24) return out + "F" + std::to_string(v - vk::F1 + 1);
  for (const auto& n : kNames)
    if (n.vk == v) return out + n.name;
  for (const auto& p : kPunct)
    if (p.vk == v) return out + p.plain;
  return out + "#" + std::to_string(v);
}

}  // namespace ui
