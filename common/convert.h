// The layout converter: rewrites a file of fixed-length records from one record
// layout (".pol" description) into another, matching items by name. A file that
// is already in the new layout is recognised and left alone.
//
// Description lines ("name : kind ..."; lines without ":" are comments):
//   KOD : string[3]; { "Kód" "X" }      a counted text of 3, picture "X"
//   CENA : real; { "Cena" "###.##" }     a 6-byte real
// The kind is the first letter after ": " (S, B, W, I, L, R, D, C); a text's
// size is the number before ";"; the second quoted text is the picture, whose
// first character picks a text item's type.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// The converter's own type codes (not the browser's field types).
enum PolType : std::uint8_t {
  kPolText = 0,        // "X": blanks appended
  kPolTextRight = 1,   // "Y": blanks in front
  kPolZeroLeft = 2,    // "L": "0" appended
  kPolZeroRight = 3,   // "P": "0" in front
  kPolTextOther = 4,   // any other picture
  kPolByte = 5,
  kPolWord = 6,
  kPolInt32 = 7,
  kPolReal48 = 8,
  kPolDate6 = 9,       // "D": DDMMYY
  kPolDate6Iso = 10,   // "d": YYMMDD
  kPolDouble = 12,
  kPolTime6 = 13,      // "T", "t"
  kPolCurrency = 14,   // "C": 64-bit amount in ten-thousandths
  kPolDate8 = 15,      // "Q": DDMMYYYY
  kPolDate8Iso = 16,   // "q": YYYYMMDD
  kPolText2 = 20,      // "x", "y", "l", "p", "m": as 0-4
  kPolText2Right = 21,
  kPolZeroLeft2 = 22,
  kPolZeroRight2 = 23,
  kPolTextOther2 = 24,
};

inline constexpr int kPolMaxItems = 264;
inline constexpr std::int32_t kPolMaxRecord = 10001;

struct PolItem {
  std::string name;     // upper case, no blanks
  std::string picture;  // at most 30 characters
  std::uint8_t type = 0;
  std::int32_t offset = 0;
  std::int32_t size = 0;    // declared size (a text's number of characters)
  std::int32_t stored = 0;  // bytes in the record
  int match = 0;            // 1-based item of the same name in the other layout, 0 none
  char kind = ' ';          // the description's kind letter
  bool IsText() const;      // stored as a counted text
};

struct toPol {
  std::string title;
  std::vector<PolItem> items;
  std::int32_t recordLength = 0;
  int firstText = 0, secondText = 0;  // 1-based items of kind "S", 0 when absent
};

// Reads a description, up to its end-of-file byte. False with a reason when it cannot serve: no items, more
// than 264 items, a text longer than 255, a record longer than 10,001 bytes, or
// a text item without its size.
bool LoadLayout(std::string_view descName, std::string_view title, toPol& pol, std::string& reason);

// The empty record of a layout (blank texts, zero numbers).
std::string EmptyRecord(const toPol& pol);
// Converts one record of `in` into `outRecord` (which keeps what it holds for
// items without a match).
void ConvertRecord(const toPol& in, std::string_view inRecord, const toPol& out, std::string& outRecord);

// What the converter found in a file and did with it.
struct LayoutCheck {
  enum Outcome {
    Unchanged,    // absent, empty, already in the new layout, or a description missing
    Converted,
    FitsNeither,  // its size fits neither layout: nothing written
    GivenUp,      // a conversion was due and the user gave up waiting for the file: nothing written
    CopyLeft,     // a rollback copy a step left beside a file could not be put back first
                  // (said): nothing written
  } outcome = Unchanged;
  std::int64_t size = 0;                      // of the input file
  std::int32_t oldLength = 0, newLength = 0;  // the record lengths of the two layouts
};

class File;

// What a caller adds to a conversion: it gets the converted file (the replacement's
// temporary, open for reading and writing) and may rewrite it; what it writes goes in with
// the conversion, in one step. 0, or the I/O code that gives the conversion up.
using ConversionFinish = std::function<int(File& converted)>;

// Converts file `in` (layout inDesc) into `out` (layout outDesc; empty: in place).
// A "," in the input file's name (not in its folders) stands for "." and means the
// file may be absent.
// The file is judged by its size first, without a lock, so a file with nothing to
// convert never waits for the workstations that have it open; only a conversion takes
// the output's write lock (and the input's read lock), judges the file again under it
// and converts. A rollback copy left beside either file is put back before each judging
// (PutBackBeforeOpening); one whose writer is at work is left to it while the file has
// nothing to convert, and its turn is waited for before a conversion. The file is replaced in one step after the whole conversion
// (and `finish`, when given), so a failure leaves it as it was; I/O failures raise IoError.
LayoutCheck ConvertLayout(std::string_view in, std::string_view out, std::string_view inDesc,
                          std::string_view outDesc, const ConversionFinish& finish = {});
// The same: 1 when the file was converted, 0 otherwise.
std::int32_t ConvertFile(std::string_view in, std::string_view out, std::string_view inDesc,
                         std::string_view outDesc, const ConversionFinish& finish = {});

}  // namespace common
