// The combined code-list file "CI01.DTA": 57-byte records of counted texts
//   0 TS [2]  3 Klíč [6]  10 P [1]  12 ČV [2]  15/22/29/36/43 U1..U5 [6]  50 date [6] (RRMMDD)
// An entry is the run of records with one TS and one Klíč; ČV numbers its lines,
// "00" being the name line. A record is deleted when its TS begins with "." or the
// sixth character of its Klíč is ".".
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/osfile.h"

namespace codelists {

inline constexpr int kCi01Length = 57;
inline constexpr char kCi01Name[] = "CI01.DTA";

struct Ci01Record {
  std::string ts, klic, p, cv;
  std::array<std::string, 5> u;  // U1..U5
  std::string date;

  // The fields of 57 record bytes; length bytes above a field's capacity are clamped.
  static Ci01Record FromBytes(std::string_view rec);
  // No length byte of the 57 bytes is above its field's capacity.
  static bool Decodes(std::string_view rec);
  // The record bytes; each text cut to its capacity and stored with its own length.
  std::string Bytes() const;
  // The new record: TS "00", Klíč "000000", P "0", ČV "00", blank cells and date.
  static Ci01Record Blank();

  bool Deleted() const;
  // The sort key: TS + Klíč + P + ČV, at most 11 characters.
  std::string SortKey() const { return (ts + klic + p + cv).substr(0, 11); }
};

// Reads the combined file record by record, shared with other readers and writers.
class Ci01Reader {
 public:
  // 0, or the I/O code of the open (2: no such file).
  int Open(std::string_view name);
  // Whole records in the file when it was opened (a trailing part is no record).
  std::int32_t Count() const { return count_; }
  // Record n (1 .. Count): 0 or the I/O code of the read.
  int Read(std::int32_t n, Ci01Record& r);
  const std::string& Name() const { return name_; }

 private:
  common::File file_;
  std::string name_;
  std::int32_t count_ = 0;
};

// Reads every whole record of the file (a trailing part shorter than a record is not
// a record). 0 or the I/O code; a missing file is 2.
int ReadCi01(std::string_view name, std::vector<std::string>& records);

}  // namespace codelists
