#include "common/inplace.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

#include "common/encoding.h"
#include "common/locking.h"
#include "common/notifier.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"

namespace common {
namespace {

// The older copy: this mark, the offset, the length and the file's size before the step
// (little-endian 64-bit numbers), then the old bytes. Still read.
constexpr std::string_view kMarkV1 = "RBCOPY01";
constexpr std::size_t kHeaderV1 = 32;
// The copy: this mark, the state (0 under way, 1 finished), the number of files, then per
// file: its name (length, bytes; empty for the first file), whether it was there, the
// offset, its size before the step, the old bytes (length, bytes), the record length of
// its planned appends, the appends and their blanked form (length, bytes each).
constexpr std::string_view kMark = "RBCOPY02";
constexpr std::uint64_t kStateAt = 8;
constexpr int kFirstWaitMs = 200;
constexpr int kWaitStepMs = 1000;

struct Section {
  std::string name;  // empty: the file the copy belongs to
  bool existed = true;
  std::uint64_t offset = 0, oldSize = 0;
  std::string bytes;
  PlannedAppends appends;
};

struct CopyImage {
  bool finished = false;
  std::vector<Section> sections;
};

void PutU64(std::string& out, std::uint64_t v) {
  const std::size_t at = out.size();
  out.resize(at + 8);
  PutLE<std::uint64_t>(out, at, v);
}
void PutBytes(std::string& out, std::string_view bytes) {
  PutU64(out, bytes.size());
  out += bytes;
}

// Reads the copy's fields in turn; false once one runs past its end.
struct Reader {
  const std::string& all;
  std::size_t at = 0;
  bool U64(std::uint64_t& v) {
    if (all.size() - at < 8) return false;
    v = GetLE<std::uint64_t>(all, at);
    at += 8;
    return true;
  }
  bool Bytes(std::string& out) {
    std::uint64_t n = 0;
    if (!U64(n) || n > all.size() - at) return false;
    out = all.substr(at, static_cast<std::size_t>(n));
    at += static_cast<std::size_t>(n);
    return true;
  }
};

// The copy read whole; false for one that is not a whole copy.
bool ReadCopy(const std::string& name, CopyImage& image, int& code) {
  std::string all;
  if ((code = ReadFileText(name, all)) != 0) return false;
  code = io::kInvalidData;
  const std::string_view head = std::string_view(all).substr(0, std::min<std::size_t>(all.size(), 8));
  if (head == kMarkV1) {
    if (all.size() < kHeaderV1) return false;
    Section s;
    s.offset = GetLE<std::uint64_t>(all, 8);
    const auto length = GetLE<std::uint64_t>(all, 16);
    s.oldSize = GetLE<std::uint64_t>(all, 24);
    if (length != all.size() - kHeaderV1) return false;
    s.bytes = all.substr(kHeaderV1);
    image.sections.push_back(std::move(s));
    code = 0;
    return true;
  }
  if (head != kMark) return false;
  Reader r{all, 8};
  std::uint64_t state = 0, count = 0;
  if (!r.U64(state) || !r.U64(count) || count == 0 || count > 16) return false;
  image.finished = state == 1;
  for (std::uint64_t i = 0; i < count; ++i) {
    Section s;
    std::uint64_t existed = 0;
    if (!r.Bytes(s.name) || !r.U64(existed) || !r.U64(s.offset) || !r.U64(s.oldSize) || !r.Bytes(s.bytes) ||
        !r.U64(s.appends.recordLength) || !r.Bytes(s.appends.records) || !r.Bytes(s.appends.blanks))
      return false;
    // Another file is one name beside the first; the first has none.
    if ((i == 0) != s.name.empty()) return false;
    if (i > 0 && (s.name.find_first_of("\\/") != std::string::npos || s.name == "." || s.name == "..")) return false;
    s.existed = existed != 0;
    image.sections.push_back(std::move(s));
  }
  if (r.at != all.size()) return false;
  code = 0;
  return true;
}

std::string CopyBytes(const CopyImage& image) {
  std::string out(kMark);
  PutU64(out, image.finished ? 1 : 0);
  PutU64(out, image.sections.size());
  for (const Section& s : image.sections) {
    PutBytes(out, s.name);
    PutU64(out, s.existed ? 1 : 0);
    PutU64(out, s.offset);
    PutU64(out, s.oldSize);
    PutBytes(out, s.bytes);
    PutU64(out, s.appends.recordLength);
    PutBytes(out, s.appends.records);
    PutBytes(out, s.appends.blanks);
  }
  return out;
}

// The planned appends still standing after the old end: the records that hold what the
// step wrote (a last one cut short at the file's end counts). Their end.
std::uint64_t PlannedEnd(File& f, const Section& s, std::uint64_t size) {
  const std::uint64_t len = s.appends.recordLength;
  std::uint64_t end = s.oldSize;
  std::string now;
  for (std::uint64_t k = 0; end < size && (k + 1) * len <= s.appends.records.size(); ++k) {
    const auto n = static_cast<std::size_t>(std::min(len, size - end));
    now.assign(n, '\0');
    std::size_t got = 0;
    if (f.ReadSome(end, now.data(), n, got) != 0 || got != n) break;
    if (std::string_view(s.appends.records).substr(static_cast<std::size_t>(k * len), n) != now) break;
    end += n;
  }
  return end;
}

// What putting one file back writes, found by reading it only: nothing for a file the
// step did not change.
struct Undo {
  bool cut = false;                        // cut back to the old size
  std::uint64_t blankAt = 0, blankN = 0;   // the step's records blanked in place
  bool bytes = false;                      // the old bytes go back at their offset
  bool Any() const { return cut || blankN > 0 || bytes; }
};

// The step's planned appends are cut off, or blanked in place where other records follow
// them; without a plan what lies past the old end is cut off only when `cut` (the step's
// own failure: nobody else wrote meanwhile). The old bytes go back only where they differ.
int FindUndo(File& f, const Section& s, bool cut, Undo& u) {
  u = Undo{};
  std::uint64_t size = 0;
  if (int code = f.Size(size)) return code;
  if (size > s.oldSize) {
    const std::uint64_t len = s.appends.recordLength;
    const std::uint64_t end = len > 0 ? PlannedEnd(f, s, size) : (cut ? size : s.oldSize);
    if (end >= size) {
      u.cut = true;
    } else if (end > s.oldSize) {
      // Others' records follow: the step's ones keep their places, blanked.
      u.blankAt = s.oldSize;
      u.blankN = (end - s.oldSize + len - 1) / len * len;
      if (s.appends.blanks.size() < u.blankN) return io::kInvalidData;
    }
  }
  if (!s.bytes.empty()) {
    std::string now(s.bytes.size(), '\0');
    std::size_t got = 0;
    u.bytes = f.ReadSome(s.offset, now.data(), now.size(), got) != 0 || got != now.size() || now != s.bytes;
  }
  return 0;
}

// Writes what FindUndo found into f, opened for writing.
int ApplyUndo(File& f, const Section& s, const Undo& u, TakenBack* what) {
  if (!u.Any()) return 0;  // nothing written, nothing to flush
  if (u.cut) {
    if (int code = f.Truncate(s.oldSize)) return code;
  } else if (u.blankN > 0) {
    if (int code = f.WriteAt(u.blankAt, s.appends.blanks.data(), static_cast<std::size_t>(u.blankN))) return code;
    if (what) {
      const std::uint64_t len = s.appends.recordLength;
      what->blankedFirst = u.blankAt / len + 1;
      what->blanked = u.blankN / len;
    }
  }
  if (u.bytes)
    if (int code = f.WriteAt(s.offset, s.bytes.data(), s.bytes.size())) return code;
  if (what) what->changed = true;
  return f.Sync();
}

// The other file of a section beside `first`.
std::string BesideName(std::string_view first, const std::string& name) {
  return std::string(FolderPart(first)) + name;
}

// A file of the step that holds the copy back: its name (empty: the first), the code, and
// whether it could not be read. Returns the code.
int Stuck(TakenBack* what, const std::string& name, int code, bool reading) {
  if (what) {
    what->stuckName = name;
    what->stuckCode = code;
    what->stuckReading = reading;
  }
  return code;
}

// Puts back the other files of the step, then the first one (f). A file the step did not
// change is only read, never opened for writing, so that one nobody may write holds
// nothing back; every file that changed is open for writing before the first byte goes
// back, so that one that cannot be written leaves them all as they are.
int TakeBack(File& f, const CopyImage& image, bool cut, TakenBack* what) {
  struct Other {
    const Section* s;
    std::string name;
    File file;
    Undo undo;
  };
  std::vector<Other> others;
  for (std::size_t i = 1; i < image.sections.size(); ++i) {
    const Section& s = image.sections[i];
    Other o{&s, BesideName(f.Name(), s.name), {}, {}};
    if (!FileExists(o.name)) continue;  // the step never made it
    if (int code = o.file.Open(o.name, kModeReadOnly)) return Stuck(what, s.name, code, true);
    if (int code = FindUndo(o.file, s, true, o.undo)) return Stuck(what, s.name, code, true);
    o.file.Close();
    if (o.undo.Any()) {
      // Found again under the open for writing.
      if (int code = o.file.Open(o.name, kModeReadWrite)) return Stuck(what, s.name, code, false);
      if (int code = FindUndo(o.file, s, true, o.undo)) return Stuck(what, s.name, code, true);
    }
    others.push_back(std::move(o));
  }
  Undo first;
  if (int code = FindUndo(f, image.sections[0], cut, first)) return Stuck(what, {}, code, true);
  for (Other& o : others) {
    TakenBack other;
    if (int code = ApplyUndo(o.file, *o.s, o.undo, &other)) return Stuck(what, o.s->name, code, false);
    o.file.Close();
    std::uint64_t size = 0;
    if (!o.s->existed && FileSize(o.name, size) == 0 && size == 0) {
      // Made empty by the step: it goes again.
      if (int code = EraseFile(o.name)) return Stuck(what, o.s->name, code, false);
      other.changed = true;
    }
    if (what && other.changed) {
      what->changed = true;
      what->also.push_back(o.s->name);
    }
  }
  if (int code = ApplyUndo(f, image.sections[0], first, what)) return Stuck(what, {}, code, false);
  return 0;
}

// A temporary of the copy whose writer died goes.
void RemoveDeadCopyTemp(std::string_view name) {
  (void)RemoveDeadTemps(FolderPart(name), {std::string(NamePart(RollbackCopyName(name)))});
}

// The copies of this process's steps under way (by real path): their files are being
// rewritten by their own step, which may read and write them as it likes.
std::mutex g_ownMutex;
std::set<std::string>& OwnCopies() {
  static std::set<std::string> copies;
  return copies;
}
std::string CopyKey(std::string_view copy) {
  std::string real;
  (void)ResolveName(copy, real);
  return real;
}
void NoteOwnCopy(const std::string& copy, bool underWay) {
  const std::string key = CopyKey(copy);
  const std::lock_guard<std::mutex> hold(g_ownMutex);
  if (underWay) OwnCopies().insert(key);
  else OwnCopies().erase(key);
}
bool OwnCopy(std::string_view copy) {
  const std::string key = CopyKey(copy);
  const std::lock_guard<std::mutex> hold(g_ownMutex);
  return OwnCopies().contains(key);
}

// What PutBackLeftCopy did with the copy beside `name` said as an opening says it (true),
// or the step refused, saying why with `tail` after it (false).
bool SayLeftCopy(std::string_view name, const std::string& copy, std::string_view tail, std::string_view shownAs,
                 LeftCopy left, const TakenBack& what) {
  const std::string shown = shownAs.empty() ? ShownPath(name) : std::string(shownAs);
  const std::string text = LeftCopyStepText(shown, ShownPath(copy), left, what, name, tail);
  if (left == LeftCopy::PutBack) NewsMessage(text);
  else if (!text.empty()) MessageOk(text);
  return left == LeftCopy::PutBack || text.empty();
}

// The copy beside `name` put back and said as an opening says it (true), or the step
// refused, saying why with `tail` after it (false).
bool PutBackSaying(std::string_view name, const std::string& copy, std::string_view tail, bool lockHeld,
                   std::string_view shownAs) {
  TakenBack what;
  const LeftCopy left = PutBackLeftCopy(name, &what, lockHeld);
  return SayLeftCopy(name, copy, tail, shownAs, left, what);
}

thread_local std::string t_refusalTail;

// The file layer's guard: every primitive that replaces, erases, moves or carries a file
// whole asks it.
int GuardWholeFile(std::string_view name) {
  const std::string tail = t_refusalTail.empty() ? Cz(", soubor zůstává, jak byl") : t_refusalTail;
  return PutBackBeforeReplacing(name, tail) ? 0 : io::kUnfinishedRewrite;
}
[[maybe_unused]] const bool g_guardSet = (SetUnfinishedRewriteGuard(&GuardWholeFile), true);

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
  return Begin(f, offset, length, StepPlan{});
}

int InPlaceRewrite::Begin(File& f, std::uint64_t offset, std::uint64_t length, const StepPlan& plan) {
  if (Active()) return io::kInvalidData;
  const std::string copy = RollbackCopyName(f.Name());
  RemoveDeadCopyTemp(f.Name());
  // Another run's copy where this one goes: put back first under the caller's turn, or the
  // step refused (a finished step's copy is only erased). Either is said; what the caller
  // read of the file may be stale then, so nothing of the step is written.
  {
    TakenBack what;
    const LeftCopy left = PutBackBeforeRewrite(f.Name(), &what);
    const std::string text =
        LeftCopyStepText(ShownPath(f.Name()), ShownPath(copy), left, what, f.Name(), Cz(", soubor se nepřepíše"));
    if (left == LeftCopy::PutBack) NewsMessage(text);
    else if (!text.empty()) MessageOk(text);
    if (left == LeftCopy::PutBack || !text.empty()) return io::kUnfinishedRewrite;
  }
  CopyImage image;
  Section first;
  std::uint64_t size = 0;
  if (int code = f.Size(size)) return code;
  const std::uint64_t from = std::min(offset, size);
  const std::uint64_t n = std::min(length, size - from);
  first.offset = offset;
  first.oldSize = size;
  first.bytes.assign(static_cast<std::size_t>(n), '\0');
  if (n > 0)
    if (int code = f.ReadAt(from, first.bytes.data(), static_cast<std::size_t>(n))) return code;
  first.appends = plan.appends;
  image.sections.push_back(std::move(first));
  for (const AlsoWritten& a : plan.also) {
    Section s;
    s.name = std::string(NamePart(a.name));
    if (BesideName(f.Name(), s.name) != a.name) return io::kInvalidData;  // only a file beside the first
    std::uint64_t other = 0;
    const int code = FileSize(a.name, other);
    if (code != 0 && code != io::kFileNotFound) return code;
    s.existed = code == 0;
    s.offset = s.oldSize = s.existed ? other : 0;
    s.appends = a.appends;
    image.sections.push_back(std::move(s));
  }
  const std::string bytes = CopyBytes(image);
  FileReplacement out;
  if (int code = out.Begin(copy)) return code;
  if (int code = out.file().WriteAt(0, bytes.data(), bytes.size())) return code;
  if (int code = out.CommitNew()) return code;  // synced, then moved in; 80 when one is there
  file_ = &f;
  copy_ = copy;
  NoteOwnCopy(copy_, true);
  return 0;
}

int InPlaceRewrite::Finish(bool* flushing) {
  if (!Active()) return 0;
  // The step's bytes on the disk before its copy says finished: a power cut after the
  // mark must not leave the old bytes with nothing to take them back.
  if (flushing) *flushing = true;
  if (int code = file_->Sync()) return code;
  if (flushing) *flushing = false;
  {
    // Marked finished first: a copy that stays from here on takes nothing back.
    File c;
    const char state = 1;
    int code = c.Open(copy_, kModeReadWrite);
    if (code == 0) code = c.WriteAt(kStateAt, &state, 1);
    if (code == 0) code = c.Sync();
    if (code != 0) return code;
  }
  file_ = nullptr;
  NoteOwnCopy(copy_, false);
  (void)EraseFile(copy_);
  return 0;
}

int InPlaceRewrite::PutBack(TakenBack* what) {
  if (!Active()) return 0;
  File& f = *file_;
  file_ = nullptr;
  NoteOwnCopy(copy_, false);
  CopyImage image;
  int code = 0;
  if (!ReadCopy(copy_, image, code)) return code;
  if ((code = TakeBack(f, image, true, what)) != 0) return code;
  return EraseFile(copy_);
}

namespace {

// PutBackLeftCopy; `turnHeld`: the caller holds the file's write turn already (taken
// through another open, which a second take in this process would meet as a writer).
LeftCopy PutBackLeft(Session& s, std::string_view name, TakenBack* what, bool lockHeld, bool turnHeld) {
  const std::string copy = RollbackCopyName(name);
  // Dead temporaries of the copy go at the first opening of the file in a run (and
  // before every step); a later opening only looks for the copy.
  const std::string key = UpperCz(copy);
  const bool sweep = !s.CopyTempsSwept.contains(key);
  if (!sweep && !FileExists(copy)) return LeftCopy::None;
  File f;
  if (const int code = f.Open(name, kModeDenyNone)) {
    if (!FileExists(copy)) return LeftCopy::None;
    // A missing file is never made again from its copy: the copy holds only the bytes
    // the step overwrote.
    if (what) {
      what->held = FileExists(name) || code != io::kFileNotFound ? TakenBack::Held::FileNotWritable
                                                                   : TakenBack::Held::FileMissing;
      what->stuckCode = code;
    }
    return LeftCopy::Stuck;
  }
  FileTurn turn;
  const int taken = turnHeld ? 0 : turn.Take(f, true, 0);
  // Under the turn no writer is between creating its copy's temporary and locking it.
  if (taken == 0 && sweep) {
    RemoveDeadCopyTemp(name);
    s.CopyTempsSwept.insert(key);
  }
  if (!FileExists(copy)) return LeftCopy::None;
  if (taken == io::kLockViolation) return LeftCopy::InUse;
  if (taken != 0) return LeftCopy::Stuck;
  std::string holder;
  const LockResult lock = lockHeld ? LockResult::Skipped : TryLockFile(s, name, "W", holder);
  if (GivenUpOrStopped(lock) || lock == LockResult::Busy) {
    if (what && GivenUpOrStopped(lock)) {
      what->holder = LockTableNotMadeText(s, name);
      if (what->holder.empty()) what->holder = LockTableReadOnlyText(s, name);
      if (!what->holder.empty()) what->held = TakenBack::Held::LockTableNotMade;
    }
    if (what && lock == LockResult::Busy) {
      what->held = TakenBack::Held::LockEntry;
      what->holder = holder;
      what->ownEntry = holder.size() >= 4 && holder.compare(2, 2, s.CurrentUser) == 0;
      // A finished step's copy: the file is whole, the entry keeps only the copy's erase.
      CopyImage left;
      int code = 0;
      what->finished = ReadCopy(copy, left, code) && left.finished;
    }
    return LeftCopy::Stuck;
  }
  LeftCopy result = LeftCopy::Stuck;
  CopyImage image;
  int code = 0;
  // The copy erased, or why it stays.
  const auto erased = [&](bool finished) {
    const int erase = EraseFile(copy);
    if (erase != 0 && what) {
      what->held = TakenBack::Held::CopyNotErased;
      what->stuckCode = erase;
      what->finished = finished;
    }
    return erase == 0;
  };
  if (!FileExists(copy)) {
    result = LeftCopy::None;  // put back by another workstation meanwhile
  } else if (ReadCopy(copy, image, code)) {
    if (image.finished)
      result = erased(true) ? LeftCopy::Finished : LeftCopy::Stuck;
    else if (TakeBack(f, image, false, what) == 0 && erased(false))
      result = LeftCopy::PutBack;
  }
  if (lock == LockResult::Held) UnlockFile(s, name);
  return result;
}

}  // namespace

LeftCopy PutBackLeftCopy(Session& s, std::string_view name, TakenBack* what, bool lockHeld) {
  return PutBackLeft(s, name, what, lockHeld, false);
}

LeftCopy PutBackLeftCopy(std::string_view name, TakenBack* what, bool lockHeld) {
  return PutBackLeftCopy(CurrentSession(), name, what, lockHeld);
}

std::string PutBackText(std::string_view shown, const TakenBack& what) {
  std::string text = Cz("Soubor ") + std::string(shown) + Cz(" byl vrácen do stavu před nedokončeným přepisem");
  for (const std::string& other : what.also) text += Cz(", s ním i soubor ") + other;
  if (what.blanked > 0) {
    const std::uint64_t last = what.blankedFirst + what.blanked - 1;
    text += Cz("; ") + (what.blanked == 1 ? Cz("věta ") + std::to_string(what.blankedFirst) +
                                                Cz(" přidaná přepisem je vymazána (číslo zůstalo), za ní")
                                          : Cz("věty ") + std::to_string(what.blankedFirst) + Cz(" až ") +
                                                std::to_string(last) +
                                                Cz(" přidané přepisem jsou vymazány (čísla zůstala), za nimi")) +
            Cz(" následují věty jiného uživatele");
  }
  return text;
}

std::string StuckText(const TakenBack& what) {
  return Cz("soubor ") + what.stuckName +
         (what.stuckReading ? Cz(" nelze přečíst, err ") : Cz(" nelze zapsat, err ")) + std::to_string(what.stuckCode);
}

std::string StuckReasonText(std::string_view name, const TakenBack& what) {
  using H = TakenBack::Held;
  if (!what.stuckName.empty()) return StuckText(what);
  const std::string code = std::to_string(what.stuckCode);
  switch (what.held) {
    case H::Nothing:
    case H::FileMissing: return {};
    case H::LockTableNotMade: return what.holder;
    case H::FileNotWritable: return Cz("soubor ") + std::string(NamePart(name)) + Cz(" nelze zapsat, err ") + code;
    case H::LockEntry: {
      const bool server = ServerMode(CurrentSession());
      if (HolderWithoutUser(what.holder))
        return Cz("soubor drží ") + EntryWithoutUserText(CurrentSession(), what.holder.front(), name);
      if (!what.ownEntry)
        return Cz("soubor užívá ") + what.holder +
               (what.finished ? Cz(", kopie se smaže, až ho uvolní") : Cz(", kopie se vrátí, až ho uvolní"));
      return Cz("soubor drží zámek ") + what.holder + Cz(" tohoto uživatele, který zůstal po programu, jenž neskončil řádně") +
             (server ? "" : Cz(" (tabulka ") + kLockTableName + ")") + "; " + OwnEntryAdvice(CurrentSession(), name);
    }
    case H::CopyNotErased:
      if (what.stuckCode == io::kAccessDenied) {
        // A name without a folder lies in the current one (the start folder): named in full.
        const std::string_view folder = FolderPart(name);
        return Cz("do složky ") + (folder.empty() ? CurrentFolder() : ShownPath(folder)) + Cz(" nelze zapisovat, err ") +
               code;
      }
      return Cz("kopii nelze smazat, err ") + code;
  }
  return {};
}

std::string StuckCopyText(std::string_view shown, std::string_view copy, const TakenBack& what, std::string_view name) {
  using H = TakenBack::Held;
  const std::string file = Cz("Soubor ") + std::string(shown);
  if (what.held == H::FileMissing)
    return file + Cz(" chybí a vedle něj zůstala kopie ") + std::string(copy) +
           Cz(" z nedokončeného přepisu; kopie drží jediné původní bajty souboru a do chybějícího souboru se nevrací, "
              "soubor se znovu založí, až kopii odstraníte");
  const std::string why = StuckReasonText(name.empty() ? shown : name, what);
  if ((what.held == H::CopyNotErased || what.held == H::LockEntry) && what.finished)
    return file + Cz(" je celý, ale kopii ") + std::string(copy) + Cz(" z dokončeného přepisu nelze smazat (") + why + ")";
  if (what.held == H::CopyNotErased)  // the bytes went back; only the erase failed
    return PutBackText(shown, what) + Cz(", ale kopii ") + std::string(copy) + Cz(" nelze smazat (") + why + ")";
  return file + Cz(" má nedokončený přepis, který nelze vrátit (kopie ") + std::string(copy) +
         (why.empty() ? "" : ", " + why) + ")";
}

std::string LeftCopyStepText(std::string_view shown, std::string_view copyShown, LeftCopy left, const TakenBack& what,
                             std::string_view name, std::string_view tail) {
  switch (left) {
    case LeftCopy::PutBack: return PutBackText(shown, what);
    case LeftCopy::None:
    case LeftCopy::Finished: return {};
    case LeftCopy::InUse:
      return Cz("Soubor ") + std::string(shown) + Cz(" právě přepisuje jiný uživatel (kopie ") + std::string(copyShown) +
             ")" + std::string(tail);
    case LeftCopy::Stuck: break;
  }
  return StuckCopyText(shown, copyShown, what, name) + std::string(tail);
}

LeftCopy PutBackBeforeRewrite(std::string_view name, TakenBack* what) {
  const std::string copy = RollbackCopyName(name);
  if (!FileExists(copy) || OwnCopy(copy)) return LeftCopy::None;
  return PutBackLeft(CurrentSession(), name, what, HoldsLock(CurrentSession(), name), true);
}

bool PutBackBeforeReplacing(std::string_view name, std::string_view tail, bool lockHeld, std::string_view shown) {
  // One look for the copy: steps over a whole folder ask this of every file.
  const std::string copy = RollbackCopyName(name);
  if (!FileExists(copy) || OwnCopy(copy)) return true;
  return PutBackSaying(name, copy, tail, lockHeld || HoldsLock(CurrentSession(), name), shown);
}

bool CopyLeftBeside(std::string_view name) {
  const std::string copy = RollbackCopyName(name);
  return FileExists(copy) && !OwnCopy(copy);
}

LeftCopy PutBackAfterWriter(Session& s, std::string_view name, TakenBack* what, bool lockHeld, std::string_view shown) {
  TakenBack own;
  if (!what) what = &own;
  LeftCopy left = PutBackLeftCopy(s, name, what, lockHeld);
  if (left != LeftCopy::InUse) return left;
  // Its writer's step under way: its turn waited for; under it the writer is gone, and
  // what it left is a left copy.
  File f;
  FileTurn turn;
  if (f.Open(name, kModeDenyNone) != 0) return PutBackLeftCopy(s, name, what, lockHeld);  // says why
  if (TakeTurnWaiting(turn, f, shown.empty() ? ShownPath(name) : std::string(shown)) != 0) return left;
  *what = {};
  return PutBackLeft(s, name, what, lockHeld, true);
}

LeftCopy PutBackAfterWriter(std::string_view name, TakenBack* what, bool lockHeld, std::string_view shown) {
  return PutBackAfterWriter(CurrentSession(), name, what, lockHeld, shown);
}

bool PutBackBeforeOpening(std::string_view name, std::string_view tail, bool lockHeld, bool wait, bool* inUse) {
  if (inUse) *inUse = false;
  const std::string copy = RollbackCopyName(name);
  if (!FileExists(copy) || OwnCopy(copy)) return true;
  Session& s = CurrentSession();
  lockHeld = lockHeld || HoldsLock(s, name);
  TakenBack what;
  const LeftCopy left = wait ? PutBackAfterWriter(s, name, &what, lockHeld) : PutBackLeftCopy(s, name, &what, lockHeld);
  if (left == LeftCopy::InUse && !wait) {
    if (inUse) *inUse = true;
    return true;
  }
  return SayLeftCopy(name, copy, tail, {}, left, what);
}

RefusalTail::RefusalTail(std::string tail) : previous_(std::exchange(t_refusalTail, std::move(tail))) {}
RefusalTail::~RefusalTail() { t_refusalTail = std::move(previous_); }
std::string RefusalTail::Current(std::string_view fallback) {
  return t_refusalTail.empty() ? std::string(fallback) : t_refusalTail;
}

bool PutBackAllBeforeReplacing(const std::vector<std::string>& names, std::string_view tail, bool lockHeld) {
  return std::all_of(names.begin(), names.end(),
                     [&](const std::string& name) { return PutBackBeforeReplacing(name, tail, lockHeld); });
}

bool MayWriteAll(const std::vector<std::string>& names, std::string_view tail) {
  for (const std::string& name : names)
    if (const int code = WriteRefused(name)) {
      MessageOk(Cz("Soubor ") + ShownPath(name) + Cz(" nelze zapsat (err ") + std::to_string(code) + ")" +
                std::string(tail));
      return false;
    }
  return true;
}

std::string RollbackCopyOwner(std::string_view copyName) { return std::string(MarkOwner(copyName, ".rollback")); }

namespace {

// A rollback copy is told by its mark, not by its name: a user's own file of such a name
// is none. One whose start cannot be read counts as one (it may hold the only old bytes).
bool MarkedAsCopy(const std::string& path) {
  File f;
  if (f.Open(path, kModeReadOnly) != 0) return true;
  char head[8] = {};
  std::size_t got = 0;
  const int code = f.ReadAt(0, head, sizeof head, got);
  f.Close();
  if (code != 0 && code != io::kReadPastEnd) return true;
  const std::string_view mark(head, got);
  return mark == kMark || mark == kMarkV1;
}

}  // namespace

std::vector<std::string> MissingBesideCopies(std::string_view mask) {
  const std::string folder(FolderPart(mask));
  std::vector<DirItem> copies;
  (void)ListDirectory(folder + ".~*.rollback", copies, kListFiles);
  std::vector<std::string> missing;
  for (const DirItem& copy : copies) {
    const std::string owner = RollbackCopyOwner(ListedName(copy));
    if (IsOneComponent(owner) && MatchMask(NamePart(mask), owner) && !FileExists(folder + owner) &&
        MarkedAsCopy(folder + ListedName(copy)))
      missing.push_back(owner);
  }
  return missing;
}

LeftCopy TakeBackCarried(std::string_view name, TakenBack* what) {
  const std::string copy = RollbackCopyName(name);
  if (!FileExists(copy)) return LeftCopy::None;
  CopyImage image;
  int code = 0;
  if (!ReadCopy(copy, image, code)) {
    Stuck(what, std::string(NamePart(copy)), code, true);
    return LeftCopy::Stuck;
  }
  if (image.finished) {
    if ((code = EraseFile(copy)) != 0) {
      Stuck(what, std::string(NamePart(copy)), code, false);
      return LeftCopy::Stuck;
    }
    return LeftCopy::Finished;
  }
  File f;
  if ((code = f.Open(name, kModeReadWrite)) != 0) {
    Stuck(what, std::string(NamePart(name)), code, code != io::kAccessDenied);
    return LeftCopy::Stuck;
  }
  if (TakeBack(f, image, false, what) != 0) return LeftCopy::Stuck;
  f.Close();
  if ((code = EraseFile(copy)) != 0) {
    Stuck(what, std::string(NamePart(copy)), code, false);
    return LeftCopy::Stuck;
  }
  return LeftCopy::PutBack;
}

int TakeTurnWaiting(FileTurn& turn, const File& f, std::string_view shownName, bool write) {
  int code = turn.Take(f, write, kFirstWaitMs);
  while (code == io::kLockViolation) {
    const std::string text = Cz("Soubor ") + std::string(shownName) + Cz(" zapisuje jiný uživatel, čekám na uvolnění");
    if (LockWaitMessage(CurrentSession(), text, kWaitStepMs)) return code;
    code = turn.Take(f, write, kWaitStepMs);
  }
  return code;
}

}  // namespace common
