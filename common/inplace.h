// Rewriting a shared file in place, so that a write that fails or a process that is
// killed half way leaves the old file or the new one, never a mix.
//
// Before the first write the old bytes of the range a step writes go to a rollback
// copy beside the file (".~<name>.rollback", a name no file mask of the program
// takes): written under a temporary name, flushed, then moved in. A failed step puts
// the old bytes back from the copy; the copy stays only when that fails too. A copy
// whose writer is gone (no longer holds the file's write turn) is put back by the next
// open of the file (PutBackLeftCopy).
//
// A step that appends records hands over, with its copy, the records it will append
// (as they will stand on disk) and their blanked form: taking it back cuts them off,
// or, where records of another workstation follow them, blanks them in place. A step
// may write other files beside the first one (a share file with its partners): their
// old ends go into the same copy and are put back with it. A take-back writes only the
// files the step changed, and only once each of them is open for writing. A step that
// went through marks its copy finished before erasing it; a finished copy left behind is
// only erased, an unfinished one is a step taken back, whoever put its bytes back.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/osfile.h"

namespace common {

struct Session;

// The rollback copy of a file (Windows name in, Windows name out).
std::string RollbackCopyName(std::string_view name);

// What a step will append to a file past its end, known before its first write.
struct PlannedAppends {
  std::uint64_t recordLength = 0;  // 0: no plan
  std::string records;             // as they will stand on disk, in order
  std::string blanks;              // the same records blanked (empty: they can only be cut off)
};
// Another file a step writes (only at its end), beside the first one.
struct AlsoWritten {
  std::string name;  // Windows name; it must lie in the first file's folder
  PlannedAppends appends;
};
struct StepPlan {
  PlannedAppends appends;          // of the first file
  std::vector<AlsoWritten> also;
};

// What taking a step back did.
struct TakenBack {
  bool changed = false;            // a byte was put back or cut off (by this take-back)
  std::vector<std::string> also;   // the other files put back (names as in the plan)
  std::uint64_t blankedFirst = 0;  // the first record blanked instead of cut off (1-based)
  std::uint64_t blanked = 0;       // how many
  // With the copy kept: the file that could not be put back (name as in the plan; empty:
  // the first file, or nothing known), its code, and whether it could not be read.
  std::string stuckName;
  int stuckCode = 0;
  bool stuckReading = false;
  // Why a copy left beside a file stays (PutBackLeftCopy), when not for another file of the
  // step: the file is missing (a copy never goes back into a missing file), it cannot be
  // opened for writing (stuckCode), a lock entry holds it (holder as the lock table tells
  // it, ownEntry when it is this user's, left by a run that did not end), or the copy
  // cannot be erased (stuckCode). `finished` (copy not erased or held by a lock entry): the
  // step had gone through, the file is whole.
  // LockTableNotMade: the file's lock table could not be made (`holder`: why, in words).
  enum class Held { Nothing, FileMissing, FileNotWritable, LockEntry, CopyNotErased, LockTableNotMade };
  Held held = Held::Nothing;
  std::string holder;
  bool ownEntry = false;
  bool finished = false;
};

class InPlaceRewrite {
 public:
  InPlaceRewrite() = default;
  ~InPlaceRewrite();  // a step neither finished nor put back is put back
  InPlaceRewrite(const InPlaceRewrite&) = delete;
  InPlaceRewrite& operator=(const InPlaceRewrite&) = delete;

  // Keeps bytes [offset, offset + length) of the open file f (cut at its end) in the
  // rollback copy. 0, or the I/O code with nothing touched. Called under the file's write
  // turn: another run's copy found there is put back first (PutBackBeforeRewrite) and said;
  // then, or when it cannot go back (said, naming the copy and why), io::kUnfinishedRewrite
  // with nothing of the step written: what the caller read of the file may be stale.
  [[nodiscard]] int Begin(File& f, std::uint64_t offset, std::uint64_t length);
  // The same for a step whose appends and other files `plan` gives.
  [[nodiscard]] int Begin(File& f, std::uint64_t offset, std::uint64_t length, const StepPlan& plan);
  // The step went through: the file is flushed, the copy marked finished, then erased. 0
  // (a finished copy that could not be erased is erased by the next open or step), or the
  // code of the flush (`flushing` set) or of the mark, with the step still open (put it back).
  int Finish(bool* flushing = nullptr);
  // The step failed: the old bytes back from the copy, the file cut to its old size when
  // the step made it longer (its planned appends blanked where others' records follow),
  // the other files of the step put back, and the copy erased. 0, or the code with the
  // copy kept.
  int PutBack(TakenBack* what = nullptr);
  bool Active() const { return file_ != nullptr; }
  const std::string& CopyName() const { return copy_; }

 private:
  File* file_ = nullptr;
  std::string copy_;
};

enum class LeftCopy {
  None,      // no copy there
  PutBack,   // the copy of a step that never finished was there and the old bytes are back
             // (put back now, or by an opening that ended before erasing the copy)
  InUse,     // its writer is still at work
  Stuck,     // it is there and could not be put back (another user holds the file, or an I/O error)
  Finished,  // a finished step's copy, erased: nothing was put back
};

// Puts back the copy a writer left when it no longer holds the file's write turn,
// holding the "W" lock of the file (taken once, never waited for) meanwhile.
// A temporary of a copy whose writer died is erased first, at the first call for the file in
// a run (later calls find no copy with one look). `what` tells what was done.
// `lockHeld`: the caller has taken a lock of the file itself, or its user chose to go on
// without one; no lock is taken then.
LeftCopy PutBackLeftCopy(Session& s, std::string_view name, TakenBack* what = nullptr, bool lockHeld = false);
LeftCopy PutBackLeftCopy(std::string_view name, TakenBack* what = nullptr, bool lockHeld = false);
// A rollback copy beside `name` that no step of this run is writing.
bool CopyLeftBeside(std::string_view name);
// The same, except that a copy whose writer is still at work is no left copy: its turn is
// waited for as a window's step waits (the wait notice; InUse when the user leaves it), and
// what the writer left is then put back. `shown`: the file as the notice names it (empty: its path).
LeftCopy PutBackAfterWriter(Session& s, std::string_view name, TakenBack* what = nullptr, bool lockHeld = false,
                            std::string_view shown = {});
LeftCopy PutBackAfterWriter(std::string_view name, TakenBack* what = nullptr, bool lockHeld = false,
                            std::string_view shown = {});

// What is said of a copy put back ("Soubor X byl vrácen do stavu před nedokončeným
// přepisem", the other files with it, the records blanked), the file named as `shown`.
std::string PutBackText(std::string_view shown, const TakenBack& what);
// The file that held a copy back ("soubor X nelze zapsat, err N").
std::string StuckText(const TakenBack& what);
// Why a copy left beside the file `name` stays, in words after a comma or in brackets
// ("soubor X nelze zapsat, err 5", the lock entry and the way to clear it, the folder
// that cannot be written); empty when nothing is known.
std::string StuckReasonText(std::string_view name, const TakenBack& what);
// "Soubor X má nedokončený přepis, který nelze vrátit (kopie C[, why])", or what is true
// instead: the file missing beside its copy, or a whole file whose finished copy stays.
// `name` is the file's own name (for the way out a lock entry needs).
std::string StuckCopyText(std::string_view shown, std::string_view copy, const TakenBack& what,
                          std::string_view name = {});

// Before a step that replaces the file `name` whole (or writes it past a rewrite in
// place, or takes its bytes to carry them elsewhere): a copy left beside it by a step
// that did not finish would, put back later, write its old bytes over the new file (and
// the file holds a half-written step meanwhile), so it is put back first and said as an
// opening says it. True: the step may go on. False when the copy cannot be put back
// (another user holds the file, an I/O error) or its writer is still at work: said,
// naming the file and the copy, with `tail` after it; the step then changes nothing.
// `lockHeld` as for PutBackLeftCopy.
// A lock this session holds on the file counts as `lockHeld`. The file layer asks the same
// of every file it replaces, erases, moves or carries whole (osfile.h), with a tail of its
// own; a step asks it first to name itself in the refusal. A copy of this process's own
// step under way is no copy left. `shown`: the file as the step names it (empty: its path).
bool PutBackBeforeReplacing(std::string_view name, std::string_view tail, bool lockHeld = false,
                            std::string_view shown = {});
// The same before an opening reads the file `name` to judge it (a layout check), except
// that a copy whose writer is still at work is no left copy and never refuses: without
// `wait` it is left to its writer (`inUse` set, nothing said); with it, the writer's turn
// is waited for as a window's step waits (the wait notice; the user may leave it, which
// refuses, said), and a copy its writer left behind is then put back or refused as above.
bool PutBackBeforeOpening(std::string_view name, std::string_view tail, bool lockHeld, bool wait,
                          bool* inUse = nullptr);
// What the file layer's refusals say after the copy while a step runs (what the refusal
// leaves undone), for as long as this lives on this thread; without one they say that
// the file stays as it was.
class RefusalTail {
 public:
  explicit RefusalTail(std::string tail);
  ~RefusalTail();
  // The tail in force on this thread, or `fallback` when no step set one.
  static std::string Current(std::string_view fallback);
  RefusalTail(const RefusalTail&) = delete;
  RefusalTail& operator=(const RefusalTail&) = delete;

 private:
  std::string previous_;
};
// The same for every file of a step, before the step changes any of them: false at the
// first that refuses.
bool PutBackAllBeforeReplacing(const std::vector<std::string>& names, std::string_view tail, bool lockHeld = false);
// Before a step replaces or erases the files `names`: true when the user may write each
// of them that exists; else says the first that cannot be written ("Soubor X nelze zapsat
// (err 5)" and `tail`) and gives false, and the step changes nothing.
bool MayWriteAll(const std::vector<std::string>& names, std::string_view tail);

// What a step says of the copy PutBackLeftCopy met beside the file `name` (`left`, `what`):
// the put-back as an opening says it, or the refusal naming the file (`shown`), the copy
// (`copyShown`) and why, with `tail` after it; empty when nothing is to be said.
std::string LeftCopyStepText(std::string_view shown, std::string_view copyShown, LeftCopy left, const TakenBack& what,
                             std::string_view name, std::string_view tail);

// Before a step rewrites the file `name` in place, under the file's write turn, which the
// caller holds and which shows the writer of a copy there gone: another run's copy is put
// back first (never this process's own step's). A lock this session holds on the file
// counts as held, as for PutBackBeforeReplacing. PutBack: the file holds its old bytes
// again, and whatever the caller read of it before is stale; Stuck: the copy stays and
// the step must write nothing (the copy would undo it); None or Finished: go on.
LeftCopy PutBackBeforeRewrite(std::string_view name, TakenBack* what = nullptr);

// The file a rollback copy's name belongs to (".~org.dta.rollback" gives "org.dta"), or
// empty for another name.
std::string RollbackCopyOwner(std::string_view copyName);
// The files matching `mask` (a Windows mask: folder and name part) that are missing while
// a rollback copy stays beside them (a file deleted by hand after its rewrite was killed):
// their names as the copies give them, sorted. A listing passes over such a file, so a step
// that carries a folder's files elsewhere takes these among them, to name them.
std::vector<std::string> MissingBesideCopies(std::string_view mask);

// A file carried elsewhere together with its rollback copy (a restore's staged copy of a
// backup), where nobody else works on it: an unfinished copy takes the file back as it
// was before its step (the other files of the step beside it with it), as an opening
// would; a finished one is dropped. The copy goes either way. None when there is no copy;
// Stuck, with the copy kept, when it cannot be used: `what` names the copy itself when
// it cannot be read or is damaged (13), or the file, missing (2) or not written.
LeftCopy TakeBackCarried(std::string_view name, TakenBack* what = nullptr);

// Takes the write turn at the open file f; when another holder keeps it more than a
// moment, shows the wait notice naming the file and goes on waiting while the holder
// works. 0, or 33 when the user chose not to wait, or the I/O code of the open. A reading
// turn (`write` false) keeps out writers only, and needs no right to write the file.
[[nodiscard]] int TakeTurnWaiting(FileTurn& turn, const File& f, std::string_view shownName, bool write = true);

}  // namespace common
