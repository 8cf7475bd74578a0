// Reader of ";"-separated text files (imports of registers and code lists).
// Quotes toggle the quoted state and are dropped wherever they stand; CR is
// ignored; LF ends a line, even inside quotes. A file the user hands in ends at
// its end mark: a ^Z followed by nothing but line ends, blanks and further ^Z (so
// a lone ^Z after the last line is no line); a ^Z with text after it makes the
// file no CSV at all. The program's own files are read whole, a ^Z as any byte.
#pragma once
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/osfile.h"

namespace common {

inline constexpr int kCsvFields = 399;
inline constexpr char kCsvMissing[] = "***";  // a field the line did not have

// Whose file is read.
enum class CsvSource { kHandedIn, kOwn };

// A file handed in holds a ^Z with text after it: the import takes nothing of it.
struct CsvEndByteError : std::runtime_error {
  std::string file;
  std::int64_t line;  // 1-based line of the ^Z
  CsvEndByteError(std::string file, std::int64_t line)
      : std::runtime_error("end-of-file byte inside " + file + " on line " + std::to_string(line)),
        file(std::move(file)), line(line) {}
  // What is said of the file (Windows-1250): "obsahuje znak konce souboru (^Z) uprostřed textu".
  static std::string Problem();
  // "Soubor <shown>, řádek <line>: " + Problem() + `outcome`.
  std::string Refusal(std::string_view shown, std::string_view outcome) const;
};

struct tFormSoub {
  File file;
  std::string name;
  std::array<std::string, kCsvFields> fields;  // fields 1..399 are fields[0..398]
  std::int64_t size = 0;                       // bytes at opening, up to the end mark of a file handed in
  std::int32_t fieldCount = 0;                 // fields read in the current line
  std::int64_t position = 0;                   // bytes read so far
  bool endOfFile = false, endOfLine = false, recordRead = false;
  char separator = ';', lineEnd = '\n', ignored = '\r', quote = '"';

  // Field n (1..399); RangeError outside.
  const std::string& Field(int n) const;

  // Read-ahead of the file.
  std::string buffer;
  std::size_t bufferPos = 0;
};

// Opens the file; a failure raises IoError, a file handed in with a ^Z before its
// text ends raises CsvEndByteError (nothing of it is read).
void CsvOpen(tFormSoub& r, std::string_view name, CsvSource source = CsvSource::kHandedIn);
void CsvClose(tFormSoub& r);
// Reads the next field of the current line into fields[fieldCount].
void CsvReadField(tFormSoub& r);
// Reads one line: every field starts as "***"; recordRead is false for an empty
// line and at the end of the file (callers loop while it is true).
void CsvReadRecord(tFormSoub& r);

}  // namespace common
