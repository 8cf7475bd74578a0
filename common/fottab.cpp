#include "common/fottab.h"

#include <algorithm>
#include <cstring>

#include "common/errors.h"

namespace common {
namespace {

std::string Counted(const char* at, std::size_t capacity) {
  std::size_t len = std::min<std::size_t>(static_cast<unsigned char>(at[0]), capacity);
  return std::string(at + 1, len);
}

void PutCounted(char* at, std::string_view text, std::size_t capacity) {
  at[0] = static_cast<char>(capacity);
  std::memset(at + 1, ' ', capacity);
  std::memcpy(at + 1, text.data(), std::min(text.size(), capacity));
}

}  // namespace

std::string FotTable::Entry::Key() const { return Counted(&raw_[0], 12); }
std::string FotTable::Entry::User() const { return Counted(&raw_[13], 4); }
char FotTable::Entry::Kind() const { return raw_[18] == 0 ? ' ' : raw_[19]; }

void FotTable::Entry::Set(std::string_view key12, std::string_view user4, char kind) {
  PutCounted(&raw_[0], key12, 12);
  PutCounted(&raw_[13], user4, 4);
  raw_[18] = 1;
  raw_[19] = kind;
}

void FotTable::Entry::SetFree() { Set("", "", ' '); }

FotTable FotTable::Decode(std::string_view bytes) {
  FotTable t;
  for (int i = 0; i < kEntries; ++i) {
    std::size_t off = i * kEntrySize;
    if (off + kEntrySize > bytes.size()) break;
    std::memcpy(t.entries_[i].Raw().data(), bytes.data() + off, kEntrySize);
  }
  return t;
}

std::string FotTable::Encode() const {
  std::string out;
  out.reserve(kSize);
  for (const Entry& e : entries_) out.append(e.Raw().data(), kEntrySize);
  return out;
}

FotTable::Entry& FotTable::at(int n) {
  if (n < 1 || n > kEntries) throw RangeError("lock table entry " + std::to_string(n));
  return entries_[n - 1];
}

const FotTable::Entry& FotTable::at(int n) const { return const_cast<FotTable*>(this)->at(n); }

int FotTable::FindConflict(std::string_view key12, bool wantWrite) const {
  for (int i = 0; i < kEntries; ++i) {
    const Entry& e = entries_[i];
    if (!e.Free() && e.Key() == key12 && LockKindsConflict(e.Kind(), wantWrite)) return i + 1;
  }
  return 0;
}

int FotTable::FindFree() const {
  for (int i = 0; i < kEntries; ++i)
    if (entries_[i].Free()) return i + 1;
  return 0;
}

int FotTable::FindOwn(std::string_view key12, std::string_view user4) const {
  for (int i = 0; i < kEntries; ++i) {
    const Entry& e = entries_[i];
    if (!e.Free() && e.Key() == key12 && e.User() == user4) return i + 1;
  }
  return 0;
}

int FotTable::FindOtherHolder(std::string_view key12, std::string_view userCode) const {
  for (int i = 0; i < kEntries; ++i) {
    const Entry& e = entries_[i];
    if (!e.Free() && e.Key() == key12 && e.User().substr(0, 2) != userCode) return i + 1;
  }
  return 0;
}

}  // namespace common
