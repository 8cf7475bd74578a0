// The layout of the copy store: set folders, the counter file, the numbered copy
// folders with their marker, diskette labels, the lines of the list of copies and the
// side file that names the data folder a copy was made from.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/osfile.h"

namespace backup {

inline constexpr char kDefaultSet[] = "TAVONA";
inline constexpr char kMarkerName[] = "__TAVONA.001";
inline constexpr char kLabelPrefix[] = "__TAVONA.";
inline constexpr char kCounterName[] = "CISLO.TXT";
inline constexpr char kNoteName[] = "PRUVODKA.ABC";
inline constexpr char kArchiveName[] = "arch.arj";
inline constexpr int kCopyFolders = 20;

// The data path without its first two components: "F:\APP\DATA\FIRMA1\" gives
// "DATA\FIRMA1\"; a path without "\" stays as it is at that step.
std::string DataPathTail(std::string_view path);
// drive + ":\tv3\" + tail + set + "\".
std::string SetFolder(char drive, std::string_view tail, std::string_view set);
// "kopie." + the number in three digits.
std::string CopyFolderName(int number);
// The number in three digits with leading zeros.
std::string ThreeDigits(int number);
// The copy after `last` (0 when none was made): 1..20, then 1 again.
int NextCopyNumber(int last);
// The set name cut or filled with blanks to 6 characters.
std::string SetName6(std::string_view set);
// Marker and label line: series + " " + ("P" or blank) + " " + set (6), plus
// " | " + note when the note is not empty.
std::string MarkerLine(std::string_view series, bool last, std::string_view set, std::string_view note);
// A line of the list of copies: "#### " position + folder + " " + note.
std::string CopyListLine(int position, std::string_view folder, std::string_view note);
// The copy number standing in characters 12 to 14 of a list line; 0 when none.
int CopyNumberOfLine(std::string_view line);
// "kopie." followed by exactly three digits (letters compared without case).
bool IsCopyFolderName(std::string_view name);
// The computer number a marker note names: the 3 characters after its first ":"
// (its first 3 characters without one); -1 when they are no number.
int NoteComputer(std::string_view note);
// The side file of a copy folder in its set folder: "kopie.nnn.adr".
std::string SideFileName(int number);
// Leading and trailing blanks removed.
std::string TrimBlanks(std::string_view s);
// A random series number, "0000" to "9998".
std::string RandomSeries();
// The non-blank lines of a mask file (CR LF or LF) up to its end-of-file byte, blanks
// around each removed.
std::vector<std::string> MaskLines(const std::string& file);
// A size in the " ### ### ### " picture of the progress lines.
std::string SizeText(std::uint64_t size);

// Bytes kept free beyond a copy.
inline constexpr std::uint64_t kSpaceReserve = 10000;

// The prefixes of the private folders of backups and restores, and the files a run
// keeps in such a folder beside its work: the lock the living run holds open, and the
// journal of a restore that has begun to change the data folder.
inline constexpr char kStagingPrefix[] = "obnova.";
inline constexpr char kWorkPrefix[] = "wrk.";
inline constexpr char kLockName[] = "lock";
inline constexpr char kJournalName[] = "journal";

// A name taken from a listing, an archive or a list file that may be joined to a
// folder: one path component without control characters.
bool SafeName(std::string_view name);

// A private work folder, removed with its contents however the run ends (unless kept).
// While the run lives it holds the folder's lock open, so another run never takes the
// folder for one left by a killed run.
class ScopedFolder {
 public:
  ScopedFolder() = default;
  ScopedFolder(const ScopedFolder&) = delete;
  ScopedFolder& operator=(const ScopedFolder&) = delete;
  ~ScopedFolder();
  // Makes parent + prefix + random letters with its lock, and `sub` inside it when
  // given; 0 or an I/O code.
  [[nodiscard]] int Make(const std::string& parent, const std::string& prefix, const std::string& sub = {});
  // Leaves the folder on disk when the run ends (a restore to be finished later).
  void Keep() { keep_ = true; }
  const std::string& name() const { return name_; }
  const std::string& Sub() const { return sub_; }  // ends in "\"; empty while none was made
  // The sub-folder the work goes to (the folder itself without one), ending in "\".
  std::string Work() const { return name_ + (sub_.empty() ? std::string() : sub_ + "\\"); }

 private:
  std::string name_, sub_;
  common::File lock_;
  bool keep_ = false;
};

// Removes the private folders `prefix`* of `folder` that no living run holds and that
// hold no journal (left by a killed run).
void RemoveDeadFolders(const std::string& folder, const std::string& prefix);

}  // namespace backup
