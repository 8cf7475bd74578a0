#include "common/inplace.h"

#include <algorithm>

#include "common/encoding.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/pascal.h"
#include "common/session.h"

namespace common {
namespace {

// The copy: this mark, the offset, the length and the file's size before the step
// (little-endian 64-bit numbers), then the old bytes.
constexpr std::string_view kMark = "RBCOPY01";
constexpr std::size_t kHeader = 32;
constexpr int kFirstWaitMs = 200;
constexpr int kWaitStepMs = 1000;

struct CopyImage {
  std::uint64_t offset = 0, oldSize = 0;
  std::string bytes;
};

// The copy read whole; false for one that is not a whole copy.
bool ReadCopy(const std::string& name, CopyImage& image, int& code) {
  std::string all;
  if ((code = ReadFileText(name, all)) != 0) return false;
  if (all.size() < kHeader || std::string_view(all).substr(0, kMark.size()) != kMark) {
    code = io::kInvalidData;
    return false;
  }
  image.offset = GetLE<std::uint64_t>(all, 8);
  const auto length = GetLE<std::uint64_t>(all, 16);
  image.oldSize = GetLE<std::uint64_t>(all, 24);
  if (length != all.size() - kHeader) {
    code = io::kInvalidData;
    return false;
  }
  image.bytes = all.substr(kHeader);
  return true;
}

// Puts the old bytes back into f (written only where they differ, so that a step that
// failed before touching them needs no write); `cut` first cuts a file the step made longer.
int WriteBack(File& f, const CopyImage& image, bool cut) {
  if (cut) {
    std::uint64_t size = 0;
    if (int code = f.Size(size)) return code;
    if (size > image.oldSize)
      if (int code = f.Truncate(image.oldSize)) return code;
  }
  std::string now(image.bytes.size(), '\0');
  std::size_t got = 0;
  if (f.ReadSome(image.offset, now.data(), now.size(), got) == 0 && got == now.size() && now == image.bytes) return 0;
  if (int code = f.WriteAt(image.offset, image.bytes.data(), image.bytes.size())) return code;
  return f.Sync();
}

}  // namespace

std::string RollbackCopyName(std::string_view name) {
  const std::size_t sep = name.find_last_of("\\/");
  const std::size_t base = sep == std::string_view::npos ? 0 : sep + 1;
  return std::string(name.substr(0, base)) + ".~" + std::string(name.substr(base)) + ".rollback";
}

InPlaceRewrite::~InPlaceRewrite() {
  if (Active()) (void)PutBack();
}

int InPlaceRewrite::Begin(File& f, std::uint64_t offset, std::uint64_t length) {
  if (Active()) return io::kInvalidData;
  std::uint64_t size = 0;
  if (int code = f.Size(size)) return code;
  const std::uint64_t from = std::min(offset, size);
  const std::uint64_t n = std::min(length, size - from);
  std::string image(kHeader + n, '\0');
  image.replace(0, kMark.size(), kMark);
  PutLE<std::uint64_t>(image, 8, offset);
  PutLE<std::uint64_t>(image, 16, n);
  PutLE<std::uint64_t>(image, 24, size);
  if (n > 0)
    if (int code = f.ReadAt(from, image.data() + kHeader, n)) return code;
  const std::string copy = RollbackCopyName(f.Name());
  FileReplacement out;
  if (int code = out.Begin(copy)) return code;
  if (int code = out.file().WriteAt(0, image.data(), image.size())) return code;
  if (int code = out.CommitNew()) return code;  // synced, then moved in; 80 when one is there
  file_ = &f;
  copy_ = copy;
  return 0;
}

int InPlaceRewrite::Finish() {
  if (!Active()) return 0;
  if (int code = EraseFile(copy_)) return code;
  file_ = nullptr;
  return 0;
}

int InPlaceRewrite::PutBack() {
  if (!Active()) return 0;
  File& f = *file_;
  file_ = nullptr;
  CopyImage image;
  int code = 0;
  if (!ReadCopy(copy_, image, code)) return code;
  if ((code = WriteBack(f, image, true)) != 0) return code;
  return EraseFile(copy_);
}

LeftCopy PutBackLeftCopy(Session& s, std::string_view name) {
  const std::string copy = RollbackCopyName(name);
  if (!FileExists(copy)) return LeftCopy::None;
  File f;
  if (f.Open(name, kModeDenyNone) != 0) return LeftCopy::Stuck;
  FileTurn turn;
  const int taken = turn.Take(f, true, 0);
  if (taken == io::kLockViolation) return LeftCopy::InUse;
  if (taken != 0) return LeftCopy::Stuck;
  std::string holder;
  const LockResult lock = TryLockFile(s, name, "W", holder);
  if (lock == LockResult::GivenUp || lock == LockResult::Busy) return LeftCopy::Stuck;
  LeftCopy result = LeftCopy::Stuck;
  CopyImage image;
  int code = 0;
  if (!FileExists(copy)) {
    result = LeftCopy::None;  // put back by another workstation meanwhile
  } else if (ReadCopy(copy, image, code) && WriteBack(f, image, false) == 0 && EraseFile(copy) == 0) {
    result = LeftCopy::PutBack;
  }
  if (lock == LockResult::Held) UnlockFile(s, name);
  return result;
}

LeftCopy PutBackLeftCopy(std::string_view name) { return PutBackLeftCopy(CurrentSession(), name); }

int TakeTurnWaiting(FileTurn& turn, const File& f, std::string_view shownName) {
  int code = turn.Take(f, true, kFirstWaitMs);
  while (code == io::kLockViolation) {
    const std::string text = Cz("Soubor ") + std::string(shownName) + Cz(" zapisuje jiný uživatel, čekám na uvolnění");
    if (LockWaitMessage(CurrentSession(), text, kWaitStepMs)) return code;
    code = turn.Take(f, true, kWaitStepMs);
  }
  return code;
}

}  // namespace common
