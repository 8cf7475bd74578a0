// The lock table "FOT.tab": 99 entries of 20 bytes, no header.
//   [12][key: 12 bytes][4][user: 4 bytes][1][kind: 'W', 'R' or ' ']
// An entry whose first key byte is a blank is free. Entries this program does
// not change are written back byte for byte as they were read.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace common {

// A write request conflicts with any lock of the same key; a read request
// only with a write lock. The lock server keeps the same rule.
inline bool LockKindsConflict(char heldKind, bool wantWrite) { return wantWrite || heldKind == 'W'; }

class FotTable {
 public:
  static constexpr int kEntries = 99;
  static constexpr std::size_t kEntrySize = 20;
  static constexpr std::size_t kSize = kEntries * kEntrySize;  // 1980
  static constexpr std::size_t kOldSize = 23 * kEntrySize;     // 460, an older table

  class Entry {
   public:
    Entry() { SetFree(); }
    bool Free() const { return raw_[1] == ' '; }
    std::string Key() const;   // counted text, at most 12 bytes
    std::string User() const;  // counted text, at most 4 bytes
    char Kind() const;         // ' ' when the kind field is empty
    // A taken entry whose user field is blank: written by a run without a user number.
    bool WithoutUser() const { return !Free() && User().find_first_not_of(' ') == std::string::npos; }
    void Set(std::string_view key12, std::string_view user4, char kind);
    void SetFree();
    const std::array<char, kEntrySize>& Raw() const { return raw_; }
    std::array<char, kEntrySize>& Raw() { return raw_; }

   private:
    std::array<char, kEntrySize> raw_;
  };

  FotTable() = default;  // 99 free entries

  // Reads a table image; a shorter image (an older table) fills as far as it
  // goes and leaves the rest free.
  static FotTable Decode(std::string_view bytes);
  std::string Encode() const;  // always kSize bytes

  // Entries are numbered 1..99; 0 means none.
  Entry& at(int n);
  const Entry& at(int n) const;
  int FindConflict(std::string_view key12, bool wantWrite) const;
  int FindFree() const;
  int FindOwn(std::string_view key12, std::string_view user4) const;
  // The first entry of the key without a user number.
  int FindWithoutUser(std::string_view key12) const;
  // The first entry whose length bytes exceed their fields (12, 4, 1), which no
  // writer of the table leaves: the file is no lock table. 0 when none.
  int FirstDamaged() const;
  // First entry of the key held by a user whose 2-character code differs.
  int FindOtherHolder(std::string_view key12, std::string_view userCode) const;

 private:
  std::array<Entry, kEntries> entries_{};
};

}  // namespace common
