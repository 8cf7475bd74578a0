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
}  // namespace

void SortCombinedFile(std::string_view path) {
  common::ScopedFileLock lock(path, "W");
  NoticeGuard notice;
  std::vector<std::string> records;
  common::ThrowIfError(codelists::ReadCi01(path, records), path);

  std::size_t kept = 0;
  std::string sorted;
  browser::RecordSort sort;
  sort.onInput = [&](browser::RecordSort& s) {
    std::string item(kItemLength, '\0');
    for (const std::string& rec : records) {
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
  common::ThrowIfError(common::ReplaceFileContents(path, sorted), path);
}

}  // namespace combined
