#include <algorithm>
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
  if (!DataFileUsable()) {
    if (DataFile().IsOpen()) SaysReadOnly();  // a list opened for reading is not sorted in place
    return false;
  }
  ClearSortOrder();  // positions are physical from here on
  IndexFilesClose();
  // From the first read to the cut no other workstation writes: a record appended
  // meanwhile would be cut off.
  WriteTurn turn(*this);
  if (!turn.ok()) return false;
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

  // Bytes past the last whole record (a cut record) are kept behind the sorted records.
  std::uint64_t size = 0;
  const std::uint64_t whole = static_cast<std::uint64_t>(count) * len;
  int code = DataFile().Size(size);
  std::string tail(code == 0 && size > whole ? static_cast<std::size_t>(size - whole) : 0, '\0');
  if (code == 0 && !tail.empty()) code = DataFile().ReadAt(whole, tail.data(), tail.size());
  if (code != 0) {
    FileMessage(" cte soubor: ", DataFileName, code);
    return false;
  }

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
    LaterMessage(common::Cz("Soubor ") + DataFileName + common::Cz(" nebyl setříděn, err ") +
                      common::FormatFloatMask("######", status != 0 ? status : kSortTooManyKeys));
    return false;
  }
  if (fed == 0 && plan.keepWhenEmpty) return false;
  if (plan.dropOnOutput) std::erase_if(sorted, [&](const std::string& r) { return plan.dropOnOutput(r); });

  // A failure half way puts the old bytes back from the rollback copy.
  const bool done = RewriteInPlace(0, std::max<std::uint64_t>(size, whole), [&] {
    for (std::size_t k = 0; k < sorted.size(); ++k) {
      RecordBuffer = sorted[k];
      if (!write(static_cast<std::int32_t>(k + 1))) return false;  // it has shown its message
    }
    const std::uint64_t end = sorted.size() * len;
    int cut = DataFile().Truncate(end);
    if (cut == 0 && !tail.empty()) cut = DataFile().WriteAt(end, tail.data(), tail.size());
    if (cut != 0) FileMessage(" pise soubor: ", DataFileName, cut);
    return cut == 0;
  });
  DataFileReopen();
  if (Current > Count) Current = Count;
  RepaintPage();
  return done;
}

}  // namespace browser
