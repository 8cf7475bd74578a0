#include "combined/ci01sort.h"

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

// A record's sort key as the counted text the sort compares.
std::string KeyOf(const codelists::Ci01Record& r) {
  std::string key(kKeyLength, '\0');
  common::PutCounted(key, 0, r.SortKey(), kKeyLength - 1);
  return key;
}

bool KeyLess(const char* a, const char* b) { return browser::CountedTextLess(a, b); }

// The whole records of `bytes` (a cut record at the end is none) in order, purged.
std::string Sorted(std::string_view bytes, std::string_view path) {
  std::size_t kept = 0;
  std::string sorted;
  browser::RecordSort sort;
  sort.onInput = [&](browser::RecordSort& s) {
    for (std::size_t at = 0; at + codelists::kCi01Length <= bytes.size(); at += codelists::kCi01Length) {
      const std::string_view rec = bytes.substr(at, codelists::kCi01Length);
      const auto r = codelists::Ci01Record::FromBytes(rec);
      if (r.Deleted()) continue;
      s.SortPut(KeyOf(r).append(rec));
      ++kept;
    }
  };
  sort.less = KeyLess;
  sort.onOutput = [&](browser::RecordSort& s) {
    std::string item;
    while (s.SortGet(item)) sorted += item.substr(kKeyLength);
  };
  const int status = sort.SortRun(kItemLength);
  // Said as the program says a file it cannot write: the work file's code, 9 for more
  // records than the sort takes.
  if (status != 0 || sorted.size() != kept * codelists::kCi01Length)
    throw common::IoError(status != 0 ? status : browser::kSortTooManyKeys, std::string(path));
  return sorted;
}

}  // namespace

bool SortCombinedFile(std::string_view path) {
  common::ScopedFileLock lock(path, "W");
  if (lock.Stopped()) return false;
  NoticeGuard notice;
  std::string bytes;
  {
    common::File f;
    common::ThrowIfError(f.Open(path, common::kModeReadOnly), path);
    common::ThrowIfError(f.ReadWhole(bytes), path);
  }
  common::ThrowIfError(common::ReplaceFileContents(path, Sorted(bytes, path)), path);
  return true;
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
  // By the keys alone: a sort may swap records of equal keys, and a file in order stays.
  std::string previous;
  for (std::size_t at = 0; at + codelists::kCi01Length <= bytes.size(); at += codelists::kCi01Length) {
    const auto r = codelists::Ci01Record::FromBytes(std::string_view(bytes).substr(at, codelists::kCi01Length));
    if (r.Deleted()) return false;
    std::string key = KeyOf(r);
    if (!previous.empty() && KeyLess(key.data(), previous.data())) return false;
    previous = std::move(key);
  }
  return true;
}

}  // namespace combined
