#include "reports/printfiles.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cmath>

#include "common/codepages.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/iocodes.h"
#include "common/notifier.h"
#include "common/jobfile.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"

namespace reports {

const std::string& PrinterControlCodes::ForMode(int mode) const {
  static const std::string none;
  switch (mode) {
    case kNormal: return norm;
    case kElite: return elit;
    case kCondensed: return cond;
    default: return none;
  }
}

std::string ParseCodeText(std::string_view text) {
  std::string out;
  long pending = -1;
  bool hex = false;
  const auto flush = [&] {
    if (pending >= 0) out += static_cast<char>(pending & 0xFF);
    pending = -1;
    hex = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '{') {
      flush();
      const std::size_t end = text.find('}', i);
      if (end == std::string_view::npos) break;
      i = end;
    } else if (c == '"') {
      flush();
      const std::size_t end = text.find('"', i + 1);
      const std::size_t stop = end == std::string_view::npos ? text.size() : end;
      out += text.substr(i + 1, stop - i - 1);
      i = stop;
    } else if (c == '$') {
      flush();
      hex = true;
      pending = 0;
    } else if (hex && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
      pending = pending * 16 + (c <= '9' ? c - '0' : c - 'A' + 10);
      if (pending > 0xFFFF) pending &= 0xFFFF;
    } else if (!hex && c >= '0' && c <= '9') {
      pending = (pending < 0 ? 0 : pending) * 10 + (c - '0');
      if (pending > 0xFFFF) pending %= 0x10000;
    } else {
      flush();  // blank, "#", "," and anything else separate
    }
  }
  flush();
  return out;
}

PrinterControlCodes ParsePrinterControl(std::string_view fileText) {
  PrinterControlCodes codes;
  codes.fromFile = true;
  for (const std::string& whole : common::SplitTextLines(fileText)) {
    const std::string_view line = whole;
    const std::string_view key = line.substr(0, 4);
    const std::string_view text = line.size() > 5 ? line.substr(5, 250) : std::string_view{};
    if (key == "INIT") codes.init = ParseCodeText(text);
    else if (key == "NORM") codes.norm = ParseCodeText(text);
    else if (key == "ELIT") codes.elit = ParseCodeText(text);
    else if (key == "COND") codes.cond = ParseCodeText(text);
  }
  return codes;
}

PrinterControlCodes ReadPrinterControl(const std::string& fileName) {
  std::uint64_t size = 0;
  const int probe = common::FileSize(fileName, size);
  if (probe == common::io::kFileNotFound || probe == common::io::kPathNotFound || (probe == 0 && size <= 2)) {
    PrinterControlCodes codes;
    codes.norm = std::string(1, kNormal);
    codes.elit = "\x1bM";
    codes.cond = std::string(1, kCondensed);
    return codes;
  }
  common::ThrowIfError(probe, fileName);
  std::string text;
  common::ThrowIfError(common::ReadTextFile(fileName, text), fileName);
  return ParsePrinterControl(text);
}

// ---------------------------------------------------------------- fonts

namespace {
std::uint8_t ByteKey(const std::string& file, const char* key) {
  const std::int32_t v = common::TextToInt(common::ReadParam(file, key));
  if (v < 0 || v > 255) throw common::RangeError(std::string(key) + " " + std::to_string(v) + " of " + file + " is outside 0..255");
  return static_cast<std::uint8_t>(v);
}
std::int32_t IntKey(const std::string& file, const char* key) { return common::TextToInt(common::ReadParam(file, key)); }
int Scale(std::int32_t v, int dpi) { return static_cast<int>(std::lround(v * static_cast<double>(dpi) / 300.0)); }
}  // namespace

PrintFontSpec ReadPrintFont(const std::string& fileName) {
  PrintFontSpec f;
  f.height = IntKey(fileName, "Height");
  f.width = IntKey(fileName, "Width");
  f.escapement = IntKey(fileName, "Escapement");
  f.orientation = IntKey(fileName, "Orientation");
  f.weight = IntKey(fileName, "Weight");
  f.italic = ByteKey(fileName, "Italic");
  f.underline = ByteKey(fileName, "Underline");
  f.strikeOut = ByteKey(fileName, "StrikeOut");
  f.charset = ByteKey(fileName, "Charset");
  f.outPrecision = ByteKey(fileName, "OutPrecision");
  f.clipPrecision = ByteKey(fileName, "ClipPrecision");
  f.quality = ByteKey(fileName, "Quality");
  f.pitchAndFamily = ByteKey(fileName, "PitchAndFamily");
  f.faceName = common::ReadParam(fileName, "FaceName");
  if (f.faceName.size() > 31) throw common::RangeError("FaceName of " + fileName + " is longer than 31 characters");
  return f;
}

ui::Font ToPrinterFont(const PrintFontSpec& spec, int dpiX, int dpiY) {
  ui::Font font;
  font.name = spec.faceName.empty() ? "Courier New" : spec.faceName;
  font.color = ui::colors::Black;
  font.pixelHeight = Scale(spec.height, dpiY);
  font.averageWidth = Scale(spec.width, dpiX);
  font.size = font.pixelHeight != 0 ? std::max(1, static_cast<int>(std::lround(std::abs(font.pixelHeight) * 72.0 / dpiY))) : 10;
  font.weight = spec.weight;
  font.bold = spec.weight >= 600;
  font.italic = spec.italic != 0;
  font.underline = spec.underline != 0;
  font.strikeOut = spec.strikeOut != 0;
  font.escapement = spec.escapement;
  return font;
}

namespace {
// Why a print font file cannot be used, in words that follow its name; empty when it
// reads as a parameter file with its face name, whatever its size.
std::string FontFileDamage(const std::string& name) {
  using common::Cz;
  std::string text;
  if (std::string why = common::DamagedTextReason(name, text); !why.empty()) return why;
  if (common::CheckFile(name) < 0) return Cz(" chybí");
  if (text.empty()) return Cz(" je prázdný");
  for (const std::string& line : common::SplitTextLines(text)) {
    std::string key, value;
    if (common::ParseParamLine(line, key, value) && common::UpperCz(key) == "FACENAME" &&
        !common::StripRightSp(value).empty())
      return {};
  }
  return Cz(" nemá název písma (FaceName)");
}

bool IsThere(const std::string& name) { return common::FileExists(name) || common::DirectoryExists(name); }
}  // namespace

void SeedPrintFonts() {
  using common::Cz;
  static constexpr const char* kNames[] = {"norm.fnt", "12zn.fnt", "cond.fnt"};
  // The first use on a workstation (none of the three there) seeds them without a word.
  bool anyThere = false;
  for (const char* name : kNames) anyThere = anyThere || IsThere(name);
  for (const char* name : kNames) {
    const std::string why = FontFileDamage(name);
    if (why.empty()) continue;
    const std::string seed = common::ProgDir(std::string("\\2\\") + name);
    if (common::CheckFile(seed) < 0) continue;  // nothing to seed from
    const std::string shown = Cz("Soubor písma ") + name + why;
    const std::string from = std::string("\\2\\") + name;
    const bool missing = !IsThere(name);
    if (!missing && !FontFileDamage(seed).empty()) {  // the default is no better: the file stays
      common::MessageOnce(common::CurrentSession(), "font " + std::string(name),
                          shown + Cz("; výchozí ") + from + Cz(" je také poškozen, soubor zůstává"));
      continue;
    }
    if (common::DirectoryExists(name)) (void)common::RemoveDir(name);  // only an empty one goes
    if (const std::int32_t code = common::CopyFileKeepDate(seed, name)) {
      common::MessageOk(shown + Cz("; výchozí z ") + from + Cz(" do něj nelze zapsat (err ") + std::to_string(code) + ")");
      continue;
    }
    common::ForgetParamFile(name);  // what the cache holds came from the damaged file
    if (anyThere) common::MessageOk(shown + Cz(", nahrazen výchozím z ") + from);
  }
}

const char* FontNameOfMode(int mode) {
  return mode == kElite ? "12zn" : mode == kCondensed ? "cond" : "norm";
}

int LineCharactersOfMode(int mode) { return mode == kElite ? 100 : mode == kCondensed ? 130 : 80; }

int PrintFontPixels(const ui::Font& font, int dpiY) {
  return font.pixelHeight != 0 ? std::abs(font.pixelHeight)
                               : std::max(1, static_cast<int>(std::lround(font.size * dpiY / 72.0)));
}

ui::Font ResizePrintFont(const ui::Font& font, int pixels, int dpiY) {
  const int from = PrintFontPixels(font, dpiY);
  ui::Font f = font;
  f.pixelHeight = font.pixelHeight > 0 ? pixels : -pixels;
  if (font.averageWidth > 0) f.averageWidth = std::max(1, font.averageWidth * pixels / from);
  f.size = std::max(1, static_cast<int>(std::lround(pixels * 72.0 / dpiY)));
  return f;
}

ui::Font FitPrintFont(ui::PrinterCanvas& canvas, ui::Font font, int characters, bool described) {
  const ui::Font saved = canvas.font;
  const std::string line(static_cast<std::size_t>(characters), 'X');
  const auto width = [&](const ui::Font& f) {
    canvas.font = f;
    return canvas.TextWidth(line);
  };
  const int room = canvas.PageWidth();
  const int wide = width(font);
  if (wide > 0 && room > 0 && (wide > room || !described)) {
    // In device pixels of the character height, so that sizes between points are had.
    const int from = PrintFontPixels(font, canvas.DpiY());
    const auto sized = [&](int p) { return ResizePrintFont(font, p, canvas.DpiY()); };
    int p = std::max(1, static_cast<int>(from * static_cast<double>(room) / wide));
    // Metrics need not scale exactly: step down until the line fits.
    while (p > 1 && width(sized(p)) > room) --p;
    font = sized(p);
  }
  canvas.font = saved;
  return font;
}

// ---------------------------------------------------------------- settings

PrintSettings PrintSettings::Load() {
  PrintSettings s;
  s.density = common::TextToInt(common::ReadParam(kRegistryFile, "Hustota"));
  s.copies = std::max(0, common::TextToInt(common::ReadParam(kRegistryFile, "OpakovatTisk")));
  s.topLines = std::max(0, common::TextToInt(common::GetJob("TOPLIST")));
  s.tab = std::max(0, common::TextToInt(common::GetJob("TAB")));
  s.diakTisk = common::GetJob("DIAKTISK");
  s.printer = common::StripRightSp(common::StripLeftSp(common::GetJob("TISKARNA")));
  const std::string lpt = common::FormatNumberMask("@", common::TextToInt(common::GetJob("LPT")));
  s.port = lpt == "0" ? 1 : common::TextToInt(lpt);
  s.formFeedAtEnd = common::StripRightSp(common::GetJob("F10FF")) != "";
  return s;
}

// ---------------------------------------------------------------- lines

namespace {
std::string Semicolons(std::string s) {
  if (common::CurrentSession().SemicolonOut)
    for (char& c : s)
      if (c == ';') c = ' ';
  return s;
}
}  // namespace

std::string PrepareWindowsLine(std::string_view line, const PrintSettings& settings) {
  std::string s = common::StripRightSp(line);
  common::Session& session = common::CurrentSession();
  if (common::RemoveSpaces(settings.diakTisk) == "N") session.PrintMode = 5;
  if (session.PrintMode == 5) s = common::StripDiacritics(s);
  return Semicolons(std::move(s));
}

std::string PrepareLptLine(std::string_view line, const PrintSettings& settings) {
  std::string s = common::StripRightSp(line);
  const char kind = settings.diakTisk.empty() ? ' ' : common::UpperCz(settings.diakTisk.substr(0, 1))[0];
  if (kind == 'K') s = common::Cp1250ToKamenicky(s);
  else if (kind == 'L') s = common::Cp1250ToCp852(s);
  else s = common::StripDiacritics(s);
  return Semicolons(std::move(s));
}

std::vector<LinePiece> SplitLine(std::string_view line) {
  std::vector<LinePiece> pieces;
  std::string text;
  const auto flush = [&] {
    if (!text.empty()) pieces.push_back({LinePiece::Text, std::move(text), 0});
    text.clear();
  };
  for (const char c : line) {
    if (c == kElite || c == kCondensed || c == kNormal) {
      flush();
      pieces.push_back({LinePiece::Switch, {}, static_cast<int>(c)});
    } else if (c == kSuple || c == kSmik) {
      flush();
      pieces.push_back({c == kSuple ? LinePiece::Suple : LinePiece::Smik, {}, 0});
    } else {
      text += c;
    }
  }
  flush();
  return pieces;
}

}  // namespace reports
