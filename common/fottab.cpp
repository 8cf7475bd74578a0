#include "common/fottab.h"

#include <algorithm>
#include <cstring>

#include "common/errors.h"
#include "common/pascal.h"

namespace common {

std::string FotTable::Entry::Key() const { return GetCounted({raw_.data(), kEntrySize}, 0, 12); }
std::string FotTable::Entry::User() const { return GetCounted({raw_.data(), kEntrySize}, 13, 4); }
char FotTable::Entry::Kind() const { return raw_[18] == 0 ? ' ' : raw_[19]; }

void FotTable::Entry::Set(std::string_view key12, std::string_view user4, char kind) {
  // Both fields are written full length, blank-padded.
  std::string key(key12), user(user4);
  key.resize(12, ' ');
  user.resize(4, ' ');
  std::string e(kEntrySize, ' ');
  PutCounted(e, 0, key, 12);
  PutCounted(e, 13, user, 4);
  e[18] = 1;
  e[19] = kind;
  std::memcpy(raw_.data(), e.data(), kEntrySize);
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

int FotTable::FindWithoutUser(std::string_view key12) const {
  for (int i = 0; i < kEntries; ++i)
    if (entries_[i].WithoutUser() && entries_[i].Key() == key12) return i + 1;
  return 0;
}

int FotTable::FirstDamaged() const {
  for (int i = 0; i < kEntries; ++i) {
    const auto& raw = entries_[i].Raw();
    const auto len = [&](std::size_t at) { return static_cast<unsigned char>(raw[at]); };
    if (len(0) > 12 || len(13) > 4 || len(18) > 1) return i + 1;
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
