#include "common/recfile.h"

#include <algorithm>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/protocol.h"
#include "common/session.h"

namespace common {
namespace {

std::string Name25(const std::string& name) {
  std::string s = name;
  s.resize(25, ' ');
  return s;
}

Session& SessionOf(tRecFile& h) { return h.session ? *h.session : CurrentSession(); }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A log that cannot be written was said by LogProtocol; the file's work goes on.
void LogOpenClose(Session& s, const std::string& line) {
  try {
    LogProtocol(s, line);
  } catch (const IoError&) {
  }
}

}  // namespace

bool OpenRecFile(Session& s, tRecFile& h, std::string_view name, std::string_view mode, std::int32_t size) {
  if (h.opened) CloseRecFile(h);
  h.session = &s;
  h.name = std::string(name.substr(0, 30));
  h.path = DataDir(s, name);
  h.recordSize = size;
  h.mode = mode.empty() ? ' ' : Upper(mode[0]);
  h.current = 1;
  h.count = 0;
  h.opened = false;

  // Read in sequence, the records go elsewhere (a selection, a print): a copy a killed
  // step left beside the file goes back first, said, or nothing is read (said, naming the
  // copy). Asked before this reader's own lock, which the put-back would count as its own.
  if (h.mode == 'I' && GuardUnfinishedRewrite(h.path) != 0) return false;
  h.lock = LockFile(s, h.path, h.mode == 'I' ? "" : "W");
  if (StoppedAtWait(h.lock, h.path)) {
    h.lock = LockResult::Skipped;
    return false;
  }

  int code = 0;
  bool create = h.mode == 'O';
  if (!create) {
    // "I" only reads: a file the user may read but not write is read all the same.
    code = h.file.Open(h.path, h.mode == 'I' ? (DefaultOpenMode() & ~3) | kModeReadOnly : DefaultOpenMode());
    if (code == 0) {
      std::uint64_t bytes = 0;
      code = h.file.Size(bytes);
      if (code == 0 && size > 0) h.count = static_cast<std::int32_t>(bytes / static_cast<std::uint64_t>(size));
      if (h.mode == 'A') h.current = h.count + 1;
    } else if (code == io::kFileNotFound && (h.mode == 'A' || h.mode == 'I')) {
      if (h.mode == 'A') h.mode = 'O';
      create = true;
    }
  }
  if (create) code = h.file.Create(h.path, DefaultOpenMode());
  if (code != 0) {
    h.file.Close();
    if (h.lock == LockResult::Held) UnlockFile(s, h.path);
    h.lock = LockResult::Skipped;
    // A refusal over a waiting copy is said already.
    if (code != io::kUnfinishedRewrite) BeepMessage("Chyba " + IntToText(code, 3) + Cz(" při otevírání ") + h.path);
    return false;
  }
  h.opened = true;
  LogOpenClose(s, "Open" + std::string(1, h.mode) + " " + Name25(h.name) + IntToText(h.count, 6));
  return true;
}

bool OpenRecFile(tRecFile& h, std::string_view name, std::string_view mode, std::int32_t size) {
  return OpenRecFile(CurrentSession(), h, name, mode, size);
}

void SeekRec(tRecFile& h, std::int32_t n) { h.current = n; }

void ReadRec(tRecFile& h, void* buffer) {
  if (h.current < 1) throw IoError(io::kReadPastEnd, h.path);
  const std::uint64_t at = static_cast<std::uint64_t>(h.current - 1) * h.recordSize;
  ThrowIfError(h.file.ReadAt(at, buffer, h.recordSize), h.path);
  ++h.current;
}

void WriteRec(tRecFile& h, const void* buffer) {
  if (h.current < 1) throw IoError(io::kDiskWriteError, h.path);
  const std::uint64_t at = static_cast<std::uint64_t>(h.current - 1) * h.recordSize;
  ThrowIfError(h.file.WriteAt(at, buffer, h.recordSize), h.path);
  ++h.current;
}

void CloseRecFile(tRecFile& h) {
  if (!h.opened) return;
  Session& s = SessionOf(h);
  h.count = h.current - 1;
  if (h.mode == 'I') {
    std::uint64_t bytes = 0;
    if (h.file.Size(bytes) == 0 && h.recordSize > 0)
      h.count = static_cast<std::int32_t>(bytes / static_cast<std::uint64_t>(h.recordSize));
  }
  h.file.Close();
  h.opened = false;
  if (h.lock == LockResult::Held) UnlockFile(s, h.path);
  h.lock = LockResult::Skipped;
  LogOpenClose(s, "Close " + Name25(h.name) + IntToText(h.count, 6));
}

bool RecEof(const tRecFile& h) { return h.current > h.count; }

}  // namespace common
