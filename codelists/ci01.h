// The combined code-list file "CI01.DTA": 57-byte records of counted texts
//   0 TS [2]  3 Klíč [6]  10 P [1]  12 ČV [2]  15/22/29/36/43 U1..U5 [6]  50 date [6] (RRMMDD)
// An entry is the run of records with one TS and one Klíč; ČV numbers its lines,
// "00" being the name line. A record is deleted when its TS begins with "." or the
// sixth character of its Klíč is ".".
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace codelists {

inline constexpr int kCi01Length = 57;
inline constexpr char kCi01Name[] = "CI01.DTA";

struct Ci01Record {
  std::string ts, klic, p, cv;
  std::array<std::string, 5> u;  // U1..U5
  std::string date;

  // The fields of 57 record bytes; length bytes above a field's capacity are clamped.
  static Ci01Record FromBytes(std::string_view rec);
  // The record bytes; each text cut to its capacity and stored with its own length.
  std::string Bytes() const;
  // The new record: TS "00", Klíč "000000", P "0", ČV "00", blank cells and date.
  static Ci01Record Blank();

  bool Deleted() const;
  // The sort key: TS + Klíč + P + ČV, at most 11 characters.
  std::string SortKey() const { return (ts + klic + p + cv).substr(0, 11); }
};

// Reads every whole record of the file (a trailing part shorter than a record is not
// a record). 0 or the I/O code; a missing file is 2.
int ReadCi01(std::string_view name, std::vector<std::string>& records);

}  // namespace codelists
