// Windows file names to real paths. The program keeps names and folders in
// Windows form ("par\okna2.par", "X:\DATA\CI10.DTA", "XLS\") as Windows-1250 text;
// they become real (UTF-8) paths only here, just before the OS call.
//
//  - "\" and "/" both separate folders; the real path uses "/".
//  - "C:\..." goes through the drive map: a letter maps to a folder. By default
//    "C:" is "/" and no other letter is mapped. "\\server\share" prefixes can be
//    mapped the same way. An unmapped drive gives code 3 (path not found).
//  - A name beginning with a separator is taken from the root "/".
//  - Other names are relative to the process's current folder and stay relative.
//  - Each part of the path that does not exist with the exact case is matched
//    case-insensitively (Windows-1250 letters included) against the folder on disk,
//    or byte for byte against an entry's own name (one that is no UTF-8, or holds
//    what Windows-1250 lacks: see ListedName); a part that matches nothing keeps the
//    case it was given (a new file).
//  - The "=" prefix of data names is the caller's business, not handled here.
#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// Drive letters ("C") and UNC prefixes ("\\SERVER\SHARE") to real folders (UTF-8).
class DriveMap {
 public:
  DriveMap();                      // "C:" -> "/"
  void Clear();                    // no drive at all
  void Set(std::string_view drive, std::string folder);  // "X", "X:" or "\\srv\share"
  void Remove(std::string_view drive);
  // The folder of a drive, empty when it is not mapped.
  std::string Folder(std::string_view drive) const;
  // A line of a map file that could not be understood: its number (from 1) and text.
  struct BadLine {
    int number = 0;
    std::string text;  // UTF-8, as in the file
  };
  // Reads a map file: one "X: /real/folder" (or "X:=/real/folder", or a "\\server\share"
  // prefix and its folder) per line, UTF-8, up to an end-of-file byte (^Z) a Windows
  // editor may have put at its end; blank lines and lines starting with "#" or
  // ";" are skipped. Entries add to (and override) the current ones. A line that cannot
  // be understood (a drive letter without its colon, a folder that is not absolute)
  // changes nothing, goes to `bad` and makes the result 87; the good lines apply all
  // the same. Returns 0, 87, or the I/O code of the open/read (nothing applied then).
  int Load(const std::string& realPath, std::vector<BadLine>* bad = nullptr);
  const std::map<std::string, std::string>& Entries() const { return map_; }

 private:
  std::map<std::string, std::string> map_;  // upper-case key without ":" -> folder
};

// The process-wide drive map used by RealPath.
DriveMap& Drives();

// Upper-case of one Windows-1250 character / text (Czech and other letters of the code page).
char UpperCp1250(char c);
std::string UpperCp1250(std::string_view s);
// Case-insensitive equality of two Windows-1250 texts.
bool SameNameCp1250(std::string_view a, std::string_view b);

// Windows name (Windows-1250) to a real path (UTF-8), resolving case against the disk.
// Returns 0 or an I/O code (3 for an unmapped drive); `real` is set in both cases
// (on failure to the best guess, for messages). A part that is not there with the
// exact case takes the byte-smallest name of the folder that matches it without case.
int ResolveName(std::string_view winName, std::string& real);

// How ResolveName keeps the listings of the folders it had to look into (one stat of
// the folder per use in every mode):
//  - Watched: as Stamped, and a large folder that had to be listed again and again
//    (its contents changing) is then, on a local file system, kept exact by the
//    kernel's change notices of the folder, whoever changes it (this process or another).
//  - Stamped: a listing is used only while the folder's time stamps (ns), size and
//    inode are unchanged, and only when it was taken more than two seconds after the
//    folder's last change, so that a change within the time stamp's granularity is
//    never missed (a modification time put back still changes the change time).
//  - Off: the folder is listed at every use (also over a file system that is not the
//    real disk's). The default is Watched.
enum class FolderCacheMode { Off, Stamped, Watched };
void SetFolderCacheMode(FolderCacheMode mode);
FolderCacheMode GetFolderCacheMode();
// The same, raising IoError on failure.
std::string RealPath(std::string_view winName);
// Only the text conversion, without looking at the disk (for messages and tests).
int MapName(std::string_view winName, std::string& real);
// A file or folder name as the user is shown it: the real path in its spelling on disk,
// "/" between folders (Windows-1250, as all program text). A leading "=" (a name used
// unchanged) is dropped; a name with no folder in it stays as it is.
std::string ShownPath(std::string_view name);

// Splits a Windows name into its folder part (with the trailing separator) and the last name.
std::string_view FolderPart(std::string_view winName);
std::string_view NamePart(std::string_view winName);

// True when a name taken from a folder listing, an archive, a list file or a reply is
// one path component: not empty, not "." or "..", and holding no "\", "/" or ":" (no
// Windows name holds one), so that joining it to a folder stays inside that folder.
bool IsOneComponent(std::string_view name);
// True when the Windows name `name` lies below the folder `root` once both are mapped
// to real paths and their "." and ".." parts are worked out.
bool LiesInside(std::string_view root, std::string_view name);

}  // namespace common
