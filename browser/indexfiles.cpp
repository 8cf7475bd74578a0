#include "browser/indexfiles.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "common/fileops.h"
#include "common/iocodes.h"
#include "common/pascal.h"

namespace browser {

std::string IndexFileName(std::string_view dataName, int k) {
  std::string name(dataName);
  if (name.empty()) return name;
  // A name ending in a digit (the pieces "CI.10", "ci.99" ...) would so name a sister
  // piece or itself: it keeps its whole name and gets an extension no list uses.
  if (std::isdigit(static_cast<unsigned char>(name.back()))) return name + ".IX" + static_cast<char>('0' + k);
  name.back() = static_cast<char>('0' + k);
  return name;
}

SortIndexFiles::Slot* SortIndexFiles::At(int k) {
  return k >= 1 && k <= kIndexFiles ? &slots_[static_cast<std::size_t>(k - 1)] : nullptr;
}

const SortIndexFiles::Slot* SortIndexFiles::At(int k) const {
  return k >= 1 && k <= kIndexFiles ? &slots_[static_cast<std::size_t>(k - 1)] : nullptr;
}

int SortIndexFiles::Open(std::string_view dataName) {
  Close();
  int first = 0;
  for (int k = 1; k <= kIndexFiles; ++k) {
    Slot& s = *At(k);
    s.name = IndexFileName(dataName, k);
    if (s.name.empty() || common::CheckFile(s.name) <= 2) continue;
    int code = s.file.Open(s.name);
    std::uint64_t size = 0;
    if (code == 0) code = s.file.Size(size);
    if (code != 0) {
      s.file.Close();
      if (first == 0) first = code;
      continue;
    }
    s.count = static_cast<std::int32_t>(size / kIndexEntrySize);
  }
  return first;
}

void SortIndexFiles::Close() {
  for (Slot& s : slots_) {
    s.file.Close();
    s.count = 0;
  }
}

bool SortIndexFiles::IsOpen(int k) const {
  const Slot* s = At(k);
  return s && s->file.IsOpen();
}

std::int32_t SortIndexFiles::Count(int k) const {
  const Slot* s = At(k);
  return s && s->file.IsOpen() ? s->count : 0;
}

const std::string& SortIndexFiles::Name(int k) const {
  static const std::string none;
  const Slot* s = At(k);
  return s ? s->name : none;
}

bool SortIndexFiles::Read(int k, std::int32_t p, std::int32_t& record, std::int32_t* second) {
  Slot* s = At(k);
  if (!s || !s->file.IsOpen() || p < 1 || p > s->count) return false;
  unsigned char entry[kIndexEntrySize];
  if (s->file.ReadAt(static_cast<std::uint64_t>(p - 1) * kIndexEntrySize, entry, sizeof entry) != 0) return false;
  record = common::LoadLE<std::int32_t>(entry);
  if (second) *second = common::LoadLE<std::int32_t>(entry + 4);
  return true;
}

int SortIndexFiles::Append(int k, std::int32_t record) {
  Slot* s = At(k);
  if (!s || !s->file.IsOpen()) return common::io::kFileNotOpen;
  unsigned char entry[kIndexEntrySize];
  common::StoreLE<std::int32_t>(entry, record);
  common::StoreLE<std::int32_t>(entry + 4, record);
  // At the true end, holding the file's write turn: entries other workstations
  // appended since the opening stay.
  common::FileTurn turn;
  if (const int code = turn.Take(s->file)) return code;
  std::uint64_t size = 0;
  if (const int code = s->file.Size(size)) return code;
  const std::uint64_t end = size / kIndexEntrySize;
  if (end >= 0x7FFFFFFF) return common::io::kDiskWriteError;
  const int code = s->file.WriteAt(end * kIndexEntrySize, entry, sizeof entry);
  if (code == 0) s->count = static_cast<std::int32_t>(end + 1);
  return code;
}

std::int32_t SortIndexFiles::Find(int k, std::int32_t record) {
  Slot* s = At(k);
  if (!s || !s->file.IsOpen()) return 0;
  constexpr std::int32_t kChunk = 8192;
  std::vector<unsigned char> buf(static_cast<std::size_t>(kChunk) * kIndexEntrySize);
  for (std::int32_t first = 0; first < s->count; first += kChunk) {
    const std::int32_t n = std::min(kChunk, s->count - first);
    if (s->file.ReadAt(static_cast<std::uint64_t>(first) * kIndexEntrySize, buf.data(),
                       static_cast<std::size_t>(n) * kIndexEntrySize) != 0)
      return 0;
    for (std::int32_t i = 0; i < n; ++i)
      if (common::LoadLE<std::int32_t>(buf.data() + static_cast<std::size_t>(i) * kIndexEntrySize) == record)
        return first + i + 1;
  }
  return 0;
}

}  // namespace browser
