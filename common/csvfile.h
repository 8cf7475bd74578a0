// Reader of ";"-separated text files (imports of registers and code lists).
// Quotes toggle the quoted state and are dropped wherever they stand; CR is
// ignored; LF ends a line, even inside quotes. The file ends at its end-of-file
// byte (^Z), so a lone ^Z after the last line is no line.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/osfile.h"

namespace common {

inline constexpr int kCsvFields = 399;
inline constexpr char kCsvMissing[] = "***";  // a field the line did not have

struct tFormSoub {
  File file;
  std::string name;
  std::array<std::string, kCsvFields> fields;  // fields 1..399 are fields[0..398]
  std::int64_t size = 0;                       // bytes at opening, up to ^Z once it is read
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

// Opens the file; a failure raises IoError.
void CsvOpen(tFormSoub& r, std::string_view name);
void CsvClose(tFormSoub& r);
// Reads the next field of the current line into fields[fieldCount].
void CsvReadField(tFormSoub& r);
// Reads one line: every field starts as "***"; recordRead is false for an empty
// line and at the end of the file (callers loop while it is true).
void CsvReadRecord(tFormSoub& r);

}  // namespace common
