// Rewriting a shared file in place, so that a write that fails or a process that is
// killed half way leaves the old file or the new one, never a mix.
//
// Before the first write the old bytes of the range a step writes go to a rollback
// copy beside the file (".~<name>.rollback", a name no file mask of the program
// takes): written under a temporary name, flushed, then moved in. A failed step puts
// the old bytes back from the copy; the copy stays only when that fails too. A copy
// whose writer is gone (no longer holds the file's write turn) is put back by the next
// open of the file (PutBackLeftCopy).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/osfile.h"

namespace common {

struct Session;

// The rollback copy of a file (Windows name in, Windows name out).
std::string RollbackCopyName(std::string_view name);

class InPlaceRewrite {
 public:
  InPlaceRewrite() = default;
  ~InPlaceRewrite();  // a step neither finished nor put back is put back
  InPlaceRewrite(const InPlaceRewrite&) = delete;
  InPlaceRewrite& operator=(const InPlaceRewrite&) = delete;

  // Keeps bytes [offset, offset + length) of the open file f (cut at its end) in the
  // rollback copy. 0, or the I/O code with nothing touched: 80 when a copy is already
  // there (an earlier step that could not be put back).
  [[nodiscard]] int Begin(File& f, std::uint64_t offset, std::uint64_t length);
  // The step went through: the copy goes. 0, or the code of the erase with the step
  // still open (a copy left behind would undo it at the next open: put it back).
  int Finish();
  // The step failed: the old bytes back from the copy, the file cut to its old size when
  // the step made it longer, and the copy erased. 0, or the code with the copy kept.
  int PutBack();
  bool Active() const { return file_ != nullptr; }
  const std::string& CopyName() const { return copy_; }

 private:
  File* file_ = nullptr;
  std::string copy_;
};

enum class LeftCopy {
  None,      // no copy there
  PutBack,   // a copy was there and the old bytes are back
  InUse,     // its writer is still at work
  Stuck,     // it is there and could not be put back (another user holds the file, or an I/O error)
};

// Puts back the copy a writer left when it no longer holds the file's write turn,
// holding the "W" lock of the file (taken once, never waited for) meanwhile.
LeftCopy PutBackLeftCopy(Session& s, std::string_view name);
LeftCopy PutBackLeftCopy(std::string_view name);

// Takes the write turn at the open file f; when another holder keeps it more than a
// moment, shows the wait notice naming the file and goes on waiting while the holder
// works. 0, or 33 when the user chose not to wait, or the I/O code of the open.
[[nodiscard]] int TakeTurnWaiting(FileTurn& turn, const File& f, std::string_view shownName);

}  // namespace common
