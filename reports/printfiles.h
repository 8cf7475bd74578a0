// The small file formats and text steps of report printing: printer control
// files (".dst"), print fonts (".fnt"), the print settings, line preparation and
// the splitting of a line at its in-line control characters.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/params.h"
#include "ui/canvas.h"
#include "ui/types.h"

namespace reports {

// In-line control characters of report lines.
inline constexpr char kFormFeed = 12;
inline constexpr char kElite = 14;      // 100 characters per line, font "12zn"
inline constexpr char kCondensed = 15;  // 130 characters per line, font "cond"
inline constexpr char kNormal = 18;     // 80 characters per line, font "norm"
inline constexpr char kSuple = 7;       // line print: the bytes of "suple.txt"
inline constexpr char kSmik = 16;       // line print: the bytes of "smik.txt"

// ---- printer control file ("\2\" + printer + ".dst") --------------------------
struct PrinterControlCodes {
  std::string init, norm, elit, cond;  // raw bytes
  bool fromFile = false;
  // The code of a density mode (18, 14 or 15); empty for anything else.
  const std::string& ForMode(int mode) const;
};
// Decimal numbers, "$" + upper-case hex, a character in double quotes, {comments};
// blank, "#" and "," separate.
std::string ParseCodeText(std::string_view text);
// Lines "KEY text": characters 1-4 the key (INIT, NORM, ELIT, COND), from 6 the codes.
PrinterControlCodes ParsePrinterControl(std::string_view fileText);
// Read up to its end-of-file byte.
// A missing file or one of 2 bytes or fewer gives NORM 18, ELIT 27 77, COND 15, no INIT;
// a file that exists and cannot be read raises IoError.
PrinterControlCodes ReadPrinterControl(const std::string& fileName);

// ---- print font (".fnt", a parameter file) ------------------------------------
struct PrintFontSpec {
  std::int32_t height = 0, width = 0, escapement = 0, orientation = 0, weight = 0;
  std::uint8_t italic = 0, underline = 0, strikeOut = 0, charset = 0, outPrecision = 0, clipPrecision = 0,
               quality = 0, pitchAndFamily = 0;
  std::string faceName;  // at most 31 characters
};
// Missing keys are 0; a byte key above 255 (or below 0) or a longer face name is a RangeError.
PrintFontSpec ReadPrintFont(const std::string& fileName);
// Height and width are given at 300 dpi: scaled to the printer and rounded. An empty
// face is the fixed-pitch default.
ui::Font ToPrinterFont(const PrintFontSpec& spec, int dpiX, int dpiY);
// Each of "norm.fnt", "12zn.fnt" and "cond.fnt" that does not read as a parameter file
// with its face name (missing, unreadable, a folder, binary bytes, no "FaceName") is
// copied from "\2\" of the program folder, whatever the size of either; the others keep
// what the user chose. Each one replaced is named, unless none of the three was there
// (the first use); one that cannot be replaced is named too (a folder with files in it
// stays, as does a file whose default is no better).
void SeedPrintFonts();
// Font file of a density mode: "12zn" for 14, "cond" for 15, else "norm".
const char* FontNameOfMode(int mode);
// Characters a line of a density mode holds: 100 for 14, 130 for 15, else 80.
int LineCharactersOfMode(int mode);
// The font as the canvas obtains it, fitted so that a line of `characters` is as wide as
// the printable width at most: a font the file does not describe (no face, no height)
// is sized to fill that width; a described one is only made smaller, and only when the
// face obtained is wider than the page.
ui::Font FitPrintFont(ui::PrinterCanvas& canvas, ui::Font font, int characters, bool described);
// The character height of a print font in device pixels, and the font at another such
// height (its average width in proportion).
int PrintFontPixels(const ui::Font& font, int dpiY);
ui::Font ResizePrintFont(const ui::Font& font, int pixels, int dpiY);

// ---- settings read at each print -----------------------------------------------
struct PrintSettings {
  int density = 1;       // "Hustota" of REGISTRY.DTA
  int copies = 0;        // "OpakovatTisk": extra copies of each page
  int topLines = 0;      // job "TOPLIST"
  int tab = 0;           // job "TAB"
  std::string diakTisk;  // job "DIAKTISK"
  std::string printer;   // job "TISKARNA"
  int port = 1;          // job "LPT" (0 means 1)
  bool formFeedAtEnd = false;  // job "F10FF"
  static PrintSettings Load();
};
using common::kRegistryFile;

// ---- line preparation ------------------------------------------------------------
// Trailing blanks off; diacritics off when "DIAKTISK" is "N" or PrintMode is 5; ";"
// to blanks while SemicolonOut is on.
std::string PrepareWindowsLine(std::string_view line, const PrintSettings& settings);
// Trailing blanks off; "K" Kamenický, "L" code page 852, else no diacritics; ";" as above.
std::string PrepareLptLine(std::string_view line, const PrintSettings& settings);

struct LinePiece {
  enum Kind { Text, Switch, Suple, Smik } kind = Text;
  std::string text;  // Text
  int mode = 0;      // Switch: 14, 15 or 18
};
std::vector<LinePiece> SplitLine(std::string_view line);

}  // namespace reports
