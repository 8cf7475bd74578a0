// File routines that tolerate files held by other workstations: the size probe,
// first line, erase by mask, the two copy routines, replacing a file, and the
// in-place scrambling of whole files. Names are Windows names (Windows-1250).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/osfile.h"

namespace common {

inline constexpr int kCopyBlock = 10000;

// The size in bytes, or minus the I/O code (-2 missing, -3 folder missing). A file
// held exclusively elsewhere is waited for in 100 ms notices without limit. Leaves
// the default open mode at 66.
std::int32_t CheckFile(std::string_view name);

// Why a file that is there cannot be read as one, in words that follow its name
// (Windows-1250): " je složka, ne soubor", " nelze číst (err 5)"; empty when it opens,
// and when it is missing (callers have their own word for that).
std::string UnreadableFileReason(std::string_view name);

// Control bytes that no text file of lines holds (tab, CR, LF and form feed pass).
bool HoldsBinaryBytes(std::string_view text);

// A text file of lines that the program reads whole (a catalogue, a folder list, a
// parameter file) is bounded to this size.
inline constexpr std::int32_t kTextFileMaxBytes = 1 << 20;
// Reads such a file into `text` (up to an end-of-file mark ^Z) and tells by what it
// holds whether it can be used, in words that follow its name (Windows-1250): those of
// UnreadableFileReason, " je příliš velký (N B)", " není textový soubor" (control
// bytes). A last line without its line end is a whole line. Empty when it can be used
// or is missing (`text` then empty).
std::string DamagedTextReason(std::string_view name, std::string& text);
// "Soubor <shown path><why>; <consequence>": the one way a damaged file is said.
std::string DamagedFileText(std::string_view name, const std::string& why, const std::string& consequence);

// The first line (without its line end); empty when the file is missing or unreadable.
// A file held elsewhere gives one message and the empty text.
std::string ReadFirstLine(std::string_view name);

// Erases every file matching mask ("DATA\*.WRK"). A file held elsewhere is waited for
// in 100 ms notices; a file that cannot be erased for another reason gets one message
// and is skipped. Returns the end code of the listing: 18 after matches, 2 when nothing
// matched, 3 when the folder is missing.
std::int32_t EraseFiles(std::string_view mask);

// Appends source to target (a missing or empty target is created). A missing or empty
// source does nothing. 0 or the first I/O code.
std::int32_t CopyFileBlocks(std::string_view source, std::string_view target);

// Replaces target by a copy of source with the source's file date; missing folders of
// target are created. On failure the old target stays as it was. A missing source
// does nothing. 0 or the I/O code.
std::int32_t CopyFileKeepDate(std::string_view source, std::string_view target);

// CopyFileKeepDate in two steps, so that several copies can be written before any
// target changes: Prepare writes the copy beside the target, Commit puts it in place.
// Without Commit the target stays as it was.
class PendingCopy {
 public:
  // 0 or the I/O code. A missing source prepares nothing.
  std::int32_t Prepare(std::string_view source, std::string_view target);
  // 0 or the I/O code; nothing (0) when the source was missing.
  std::int32_t Commit();
  bool SourceMissing() const { return missing_; }

 private:
  FileReplacement replacement_;
  bool missing_ = true;
};

// Moves oldName over newName. The target is replaced in one step (across file systems
// through a copy beside it) and stays as it was when anything fails. A held target is
// waited for up to 10 times 1000 ms. 0 or the I/O code; failures are shown.
std::int32_t RenameFileOver(std::string_view oldName, std::string_view newName);
// The same, but nothing at all (result 0) when oldName contains "?".
std::int32_t RenameFileSafe(std::string_view oldName, std::string_view newName);

// Scrambles (unscrambles) a file in place in independent 250-byte blocks with the
// session's key. Files under 2 bytes are left alone. I/O failures raise IoError;
// blocks already done stay done.
void ScrambleFile(std::string_view fileName);
void UnscrambleFile(std::string_view fileName);
// The same conversion of a file's whole content held in memory.
std::string UnscrambleBlocks(std::string_view data);

}  // namespace common
