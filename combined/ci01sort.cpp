#include "combined/ci01sort.h"

#include <stdexcept>
#include <vector>

#include "browser/entries.h"
#include "browser/recsort.h"
#include "codelists/ci01.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/locking.h"
#include "common/osfile.h"
#include "common/pascal.h"

namespace combined {

namespace {
constexpr int kKeyLength = 12;  // counted text of 11
constexpr int kItemLength = kKeyLength + codelists::kCi01Length;

struct NoticeGuard {
  NoticeGuard() { browser::ShowBlik(common::Cz("Třídím číselnik")); }
  ~NoticeGuard() { browser::CloseBlik(); }
};

// The whole records of `bytes` (a cut record at the end is none) in order, purged.
std::string Sorted(std::string_view bytes, std::string_view path) {
  std::size_t kept = 0;
  std::string sorted;
  browser::RecordSort sort;
  sort.onInput = [&](browser::RecordSort& s) {
    std::string item(kItemLength, '\0');
    for (std::size_t at = 0; at + codelists::kCi01Length <= bytes.size(); at += codelists::kCi01Length) {
      const std::string_view rec = bytes.substr(at, codelists::kCi01Length);
      const auto r = codelists::Ci01Record::FromBytes(rec);
      if (r.Deleted()) continue;
      common::PutCounted(item, 0, r.SortKey(), kKeyLength - 1);
      item.replace(kKeyLength, codelists::kCi01Length, rec);
      s.SortPut(item);
      ++kept;
    }
  };
  sort.less = [](const char* a, const char* b) { return browser::CountedTextLess(a, b); };
  sort.onOutput = [&](browser::RecordSort& s) {
    std::string item;
    while (s.SortGet(item)) sorted += item.substr(kKeyLength);
  };
  const int status = sort.SortRun(kItemLength);
  if (status != 0 || sorted.size() != kept * codelists::kCi01Length)
    throw std::runtime_error(common::Win1250ToUtf8(std::string(path)) + ": sort failed (" + std::to_string(status) + ")");
  return sorted;
}

}  // namespace

void SortCombinedFile(std::string_view path) {
  common::ScopedFileLock lock(path, "W");
  NoticeGuard notice;
  std::string bytes;
  {
    common::File f;
    common::ThrowIfError(f.Open(path, common::kModeReadOnly), path);
    common::ThrowIfError(f.ReadWhole(bytes), path);
  }
  common::ThrowIfError(common::ReplaceFileContents(path, Sorted(bytes, path)), path);
}

void SortCombinedIn(common::File& file, std::string_view path) {
  NoticeGuard notice;
  std::string bytes;
  common::ThrowIfError(file.ReadWhole(bytes), path);
  common::ThrowIfError(file.WriteWhole(Sorted(bytes, path)), path);
}

bool CombinedFileSorted(std::string_view path) {
  std::string bytes;
  common::File f;
  common::ThrowIfError(f.Open(path, common::kModeReadOnly), path);
  common::ThrowIfError(f.ReadWhole(bytes), path);
  bytes.resize(bytes.size() - bytes.size() % codelists::kCi01Length);
  return Sorted(bytes, path) == bytes;
}

}  // namespace combined
