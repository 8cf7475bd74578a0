#include <vector>

#include "browser/entries.h"
#include "browser/soub.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/session.h"

namespace browser {

namespace {
struct SortNotice {
  explicit SortNotice(const std::string& text) : shown(!text.empty()) {
    if (shown) ShowBlik(text);
  }
  ~SortNotice() {
    if (shown) CloseBlik();
  }
  bool shown;
};
}  // namespace

bool TfSoub::SortInPlace(const InPlaceSort& plan) {
  if (!DataFileUsable()) return false;
  ClearSortOrder();  // positions are physical from here on
  IndexFilesClose();
  DataFileReopen();
  if (!DataFileUsable()) return false;
  SortNotice notice(plan.notice);
  auto read = [&](std::int32_t n) {
    if (plan.read) return plan.read(n);
    RecordRead(n);
    return lastIoOk();
  };
  auto write = [&](std::int32_t n) {
    if (plan.write) return plan.write(n);
    RecordWrite(n);
    return lastIoOk();
  };
  const auto len = static_cast<std::size_t>(RecordLength);
  const std::int32_t count = Count;
  const std::string user = common::CurrentSession().CurrentUser;

  // The file as it is, to put back when the rewrite fails half way. Bytes past the last whole
  // record (a cut record) are kept behind the sorted records.
  std::uint64_t size = 0;
  int sizeCode = DataFile().Size(size);
  const std::size_t whole = static_cast<std::size_t>(count) * len;
  std::string before(sizeCode == 0 && size > whole ? static_cast<std::size_t>(size) : whole, '\0');
  if (int code = sizeCode != 0 ? sizeCode : DataFile().ReadAt(0, before.data(), before.size())) {
    common::FileErrorMessage(" cte soubor: ", DataFileName, code);
    return false;
  }
  const std::string_view tail = std::string_view(before).substr(whole);

  RecordSort sort(plan.limits);
  sort.less = [&](const char* a, const char* b) { return plan.less(std::string_view(a, len), std::string_view(b, len)); };
  bool readFailed = false;
  std::int32_t fed = 0;
  sort.onInput = [&](RecordSort& s) {
    for (std::int32_t n = 1; n <= count; ++n) {
      if (!read(n)) {
        readFailed = true;
        return;
      }
      RecordBuffer.resize(len, '\0');
      if (plan.keep && !plan.keep(RecordBuffer)) continue;
      s.SortPut(RecordBuffer);
      ++fed;
    }
  };
  std::vector<std::string> sorted;
  sorted.reserve(static_cast<std::size_t>(count));
  sort.onOutput = [&](RecordSort& s) {
    std::string item;
    while (!s.SortEnd() && s.SortGet(item)) sorted.push_back(item);
  };
  const int status = sort.SortRun(static_cast<std::int32_t>(len));
  if (readFailed) return false;  // the read has shown its message
  if (status != 0 || static_cast<std::int32_t>(sorted.size()) != fed) {
    common::MessageOk(common::Cz("Soubor ") + DataFileName + common::Cz(" nebyl setříděn, err ") +
                      common::FormatFloatMask("######", status != 0 ? status : kSortTooManyKeys));
    return false;
  }
  if (fed == 0 && plan.keepWhenEmpty) return false;
  if (plan.dropOnOutput) std::erase_if(sorted, [&](const std::string& r) { return plan.dropOnOutput(r); });

  bool written = true;
  for (std::size_t k = 0; k < sorted.size() && written; ++k) {
    RecordBuffer = sorted[k];
    written = write(static_cast<std::int32_t>(k + 1));
  }
  int code = 0;
  if (written) code = DataFile().Truncate(sorted.size() * len);
  if (written && code == 0 && !tail.empty()) code = DataFile().WriteAt(sorted.size() * len, tail.data(), tail.size());
  if (!written || code != 0) {
    // Put the file back as it was; a failed write has shown its message.
    const int back = DataFile().WriteAt(0, before.data(), before.size());
    if (code != 0 || back != 0)
      common::FileErrorMessage(" pise soubor: ", DataFileName, code != 0 ? code : back);
    DataFileReopen();
    RepaintPage();
    return false;
  }
  DataFileReopen();
  if (Current > Count) Current = Count;
  RepaintPage();
  return true;
}

}  // namespace browser
