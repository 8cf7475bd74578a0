// The four sort-order index files of a list: beside the data file, named like it
// with the last character replaced by 1..4 ("CI10.DTA" -> "CI10.DT1"); a name that
// ends in a digit keeps it and gets ".IX1".."IX4" ("CI.10" -> "CI.10.IX1"). Each entry
// is 8 bytes: the record number shown at that position (int32 LE), then the same
// number again. Entry count = file size div 8.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/osfile.h"

namespace browser {

inline constexpr int kIndexFiles = 4;
inline constexpr int kIndexEntrySize = 8;

// The name of index file k (1..4) of a data file: the one routine that names them.
std::string IndexFileName(std::string_view dataName, int k);

class SortIndexFiles {
 public:
  // Opens every index file of the data file that is longer than 2 bytes. Returns 0,
  // or the first I/O code (that file then counts as absent).
  int Open(std::string_view dataName);
  void Close();
  bool IsOpen(int k) const;
  // Entries of file k; 0 when it is not there (or k is outside 1..4).
  std::int32_t Count(int k) const;
  const std::string& Name(int k) const;

  // The first number of entry p (1-based) of file k; false when p is outside
  // 1..Count(k) or the entry cannot be read.
  bool Read(int k, std::int32_t p, std::int32_t& record, std::int32_t* second = nullptr);
  // Appends the entry (record, record) to file k. 0 or the I/O code.
  int Append(int k, std::int32_t record);
  // Position (1-based) of the first entry of file k holding record, 0 when none.
  std::int32_t Find(int k, std::int32_t record);

 private:
  struct Slot {
    common::File file;
    std::string name;
    std::int32_t count = 0;
  };
  Slot* At(int k);
  const Slot* At(int k) const;
  std::array<Slot, kIndexFiles> slots_;
};

}  // namespace browser
