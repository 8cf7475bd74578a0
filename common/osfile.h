// Files by their Windows names (Windows-1250 text), with the open modes and sharing
// of a shared Windows folder, and errors as DOS I/O codes (iocodes.h).
//
// Open modes: the low two bits are the access (0 read, 1 write, 2 read and write),
// 0x10 denies others everything (exclusive). Exclusive opens hold flock(LOCK_EX),
// every other open holds flock(LOCK_SH), both for as long as the file is open; a
// conflict gives code 32 (sharing violation), between processes and between two
// opens in one process alike. Erasing, renaming or replacing a file that any open
// holds also gives 32, as on Windows.
//
// Every operation goes through CurrentFileSystem() (filesystem.h). Routines return 0
// or an I/O code; ThrowIfError turns a code into IoError for callers that raise.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/filesystem.h"
#include "common/iocodes.h"

namespace common {

// ---- Open modes ---------------------------------------------------------------
inline constexpr int kModeReadOnly = 0;
inline constexpr int kModeWriteOnly = 1;
inline constexpr int kModeReadWrite = 2;
inline constexpr int kModeExclusive = 18;  // read and write, deny both to others
inline constexpr int kModeDenyNone = 66;   // read and write, deny none
// Added to a mode: the file is opened to carry its records elsewhere (a selection, a
// work file, a print, a transfer), so File::Open asks the unfinished-rewrite guard first
// (below) and opens nothing when it refuses. A window's own opening does not add it.
inline constexpr int kModeToCarry = 0x100;

// The process-wide default open mode (initially 2) used when a caller gives none.
int DefaultOpenMode();
void SetDefaultOpenMode(int mode);

// Sets the default open mode for one scope and puts the old one back.
class ScopedOpenMode {
 public:
  explicit ScopedOpenMode(int mode) : previous_(DefaultOpenMode()) { SetDefaultOpenMode(mode); }
  ~ScopedOpenMode() { SetDefaultOpenMode(previous_); }
  ScopedOpenMode(const ScopedOpenMode&) = delete;
  ScopedOpenMode& operator=(const ScopedOpenMode&) = delete;

 private:
  int previous_;
};

// ---- Codes --------------------------------------------------------------------
enum class IoOp { Other, Read, Write };

// The one errno -> I/O code mapping. ENOENT gives 3 when the folder of realPath is
// missing, else 2; EIO gives 100 on reads and 101 on writes.
int IoCodeFromErrno(int err, const std::string& realPath = {}, IoOp op = IoOp::Other);

// Raises IoError{code, name} when code is not 0.
void ThrowIfError(int code, std::string_view name);

// ---- One open file ------------------------------------------------------------
class File {
 public:
  File() = default;
  ~File();  // closes; errors are dropped
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file with the given (or the default) open mode.
  // 2 missing, 3 folder missing, 5 denied or a folder, 32 held by another open; with
  // kModeToCarry the guard's refusal (said) first.
  [[nodiscard]] int Open(std::string_view name, int mode);
  [[nodiscard]] int Open(std::string_view name) { return Open(name, DefaultOpenMode()); }
  // Opens an existing file by its real path (bytes as on disk), with the sharing of `mode`.
  [[nodiscard]] int OpenReal(const std::string& realPath, int mode);
  // Creates the file, or empties an existing one, open for reading and writing with
  // the sharing of `mode`. A file another open holds is neither emptied nor opened (32).
  [[nodiscard]] int Create(std::string_view name, int mode);
  [[nodiscard]] int Create(std::string_view name) { return Create(name, DefaultOpenMode()); }

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Name() const { return name_; }      // as given (Windows-1250)
  const std::string& RealPath() const { return path_; }  // on disk (UTF-8)
  bool CanWrite() const { return canWrite_; }

  // Reads exactly n bytes at offset; fewer available gives 100 (got says how many came).
  [[nodiscard]] int ReadAt(std::uint64_t offset, void* buf, std::size_t n);
  [[nodiscard]] int ReadAt(std::uint64_t offset, void* buf, std::size_t n, std::size_t& got);
  // Reads up to n bytes; a short count at the end of the file is no error.
  [[nodiscard]] int ReadSome(std::uint64_t offset, void* buf, std::size_t n, std::size_t& got);
  // Writes all n bytes at offset or fails with 101 (full disk, write fault) or 5
  // (opened read only). A failed write that grew the file cuts it back to its old end;
  // a write ending within the size known since the open or the last FileTurn needs no
  // look at the file's end first.
  [[nodiscard]] int WriteAt(std::uint64_t offset, const void* buf, std::size_t n);
  // The whole file; WriteWhole also cuts the file to the written length.
  [[nodiscard]] int ReadWhole(std::string& out);
  [[nodiscard]] int WriteWhole(std::string_view data);

  [[nodiscard]] int Size(std::uint64_t& size);
  [[nodiscard]] int Truncate(std::uint64_t size);
  [[nodiscard]] int Sync();
  // Writes every changed file of the file system holding this one to disk at once.
  [[nodiscard]] int SyncFileSystem();
  // Starts writing n bytes from offset to disk and returns at once; a hint that lets
  // a long write overlap the disk, so a closing Sync waits less. Errors are for Sync.
  void StartWriteback(std::uint64_t offset, std::uint64_t n);
  // Last-write time in nanoseconds since the Unix epoch (see clock.h for local time).
  [[nodiscard]] int GetTime(std::int64_t& mtimeNs);
  [[nodiscard]] int SetTime(std::int64_t mtimeNs);
  // Closes and releases the sharing lock. Closing a closed file is no error.
  int Close();

 private:
  friend class FileReplacement;
  friend class FileTurn;
  friend int ReplaceFileFrom(std::string_view, std::string_view);
  friend int CreateWorkFile(std::string_view, std::string_view, File&, std::string&);
  int OpenWith(std::string_view name, int flags, int mode, bool truncate);
  int OpenPath(const std::string& path, int flags, int mode, bool truncate);
  int fd_ = -1;
  bool canWrite_ = false;
  mutable std::uint64_t knownSize_ = 0;  // the file has at least this size; 0: not known
  std::string name_, path_;
};

// ---- Taking turns at a shared file --------------------------------------------
// A read-check-write of a file that other workstations change (read the record or
// table again, compare or change it, write it back) holds the write turn across all
// three steps, so no other writer's turn falls between them. The turn is an
// open-file-description lock on one byte far past any content, taken through a
// separate open of the file: the sharing of the file's own opens is not touched, and
// readers that hold no turn are never kept out. Where the file system has no such
// locks the work goes on without.
class FileTurn {
 public:
  FileTurn() = default;
  ~FileTurn() { Release(); }
  FileTurn(const FileTurn&) = delete;
  FileTurn& operator=(const FileTurn&) = delete;

  // Takes the write (or read) turn at the open file f, waiting while another holder has
  // it (it needs microseconds) up to waitMs. 0, 33 when the wait ran out, or the I/O
  // code of the open.
  [[nodiscard]] int Take(const File& f, bool write = true, int waitMs = 10000);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Copies `in` from its start to `out` from offset `to`, `block` bytes at a time.
// 0 or the first I/O code.
[[nodiscard]] int CopyFileData(File& in, File& out, std::uint64_t to, std::size_t block);

// ---- Replacing a file safely ----------------------------------------------------
// The new version goes to a temporary file in the target's own folder; Commit syncs it
// and renames it over the target. The target is never erased first; any failure
// (or destruction without Commit) removes the temporary file and leaves the target as
// it was. A target that any open holds, this process's included, is not replaced (32):
// close it before Commit. Nor is a target the user may not write, though its folder lets
// a rename put a new file there: Begin gives 5 when an open of it for writing is refused,
// and nothing is written. Temporaries of the target whose writer is gone (a killed run's)
// go first, at the target's first replacement in a run.
class FileReplacement {
 public:
  FileReplacement() = default;
  ~FileReplacement();  // aborts unless committed
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  [[nodiscard]] int Begin(std::string_view targetName);
  // The same for a target given by its real path (bytes as on disk).
  [[nodiscard]] int BeginReal(const std::string& targetPath);
  File& file() { return file_; }  // write the new contents here
  [[nodiscard]] int Commit();
  // Moves the new file in only while the target name is still free: 80 (and the
  // temporary file removed) when the target has appeared meanwhile.
  [[nodiscard]] int CommitNew();
  // Commit of a file already on disk: the file system was flushed as a whole
  // (File::SyncFileSystem) after it was written, as for a batch of new files.
  [[nodiscard]] int CommitFlushed();
  void Abort();
  const std::string& TempPath() const { return tempPath_; }

 private:
  int Start();
  int CreateTemp();
  int Finish(bool replace, bool flush = true);
  File file_;
  std::string target_, targetPath_, tempPath_;
  bool active_ = false;
};

// Temporaries of replacements: ".~" + the target's name + ".~tmp" + "<pid>-<n>-<salt>"
// + "-" + eight hex digits of a check of the rest, so a name a user gives a file is never
// taken for one. A living writer holds its temporary deny-all, so one that opens
// deny-all has no writer left on any workstation and is erased. (Names of the older
// shape ".~NAME.<pid>-<n>-<salt>" are left alone: a user's file can have it.)
std::string ReplacementTempName(std::string_view targetDiskName, std::uint64_t pid, std::uint64_t n,
                                std::uint64_t salt);
bool IsReplacementTemp(std::string_view diskName);
// Work files of a step (a sort's spilled runs): ".~" + the owner's name + ".~wrk" +
// the same serial and check. The name belongs to no user's file and to no data file.
std::string WorkFileName(std::string_view owner, std::uint64_t pid, std::uint64_t n, std::uint64_t salt);
bool IsWorkFile(std::string_view diskName);
// Creates a new work file of `owner` in `folder` (a Windows name ending in "\", or
// empty), open read-write and held deny-all until closed; `name` gets its Windows name.
// Work files of the same owner there whose writer is gone are erased first; a living
// writer's and any other file stay. 0 or the I/O code.
[[nodiscard]] int CreateWorkFile(std::string_view folder, std::string_view owner, File& file, std::string& name);
// A name the program gives a file of its own: a replacement's temporary, a work file,
// a rollback copy (".~NAME.rollback") or an archive join's mark (".~NAME.join").
bool IsProgramOwnName(std::string_view diskName);
// NAME of a mark ".~NAME" + `end` (a rollback copy's ".rollback", a join's ".join"), or empty.
std::string_view MarkOwner(std::string_view name, std::string_view end);
// Erases the temporary (or work file) at realPath when no writer holds it; true when it went.
bool RemoveDeadTemp(const std::string& realPath);
// The same for every such temporary in the folder `folder` (a Windows name), or only
// those of the files named in `targets` (names compared without case). How many went.
int RemoveDeadTemps(std::string_view folder, const std::vector<std::string>& targets = {});

// A rename or an erase needs only the folder's write right; a file the user may not write
// itself (read rights on a shared folder, a file made read-only) is not replaced all the
// same. 5 when an open of the existing file `name` for writing is refused, else 0 (a
// missing file, or any other answer, is left to the step itself).
[[nodiscard]] int WriteRefused(std::string_view name);

// The whole new content of a file, through a FileReplacement.
[[nodiscard]] int ReplaceFileContents(std::string_view targetName, std::string_view data);
// Bytes of a cut record behind the last whole one of `f` (`size` its size) go behind
// what "<name>.cut" holds, and `f` is cut to its whole records: `size` then tells the
// new size. The caller holds the file's write turn.
struct CutTailMove {
  std::uint64_t moved = 0;     // bytes moved aside
  std::string failed;          // the file a failure came from (nothing cut then)
  bool failedReading = false;  // the failure was a read of "<name>.cut"
};
[[nodiscard]] int MoveCutTailAside(File& f, std::string_view name, std::uint64_t recordLength, std::uint64_t& size,
                                   CutTailMove& result);
// What the user is told after that: the file, the bytes and where they went.
std::string CutTailMovedText(std::string_view name, std::uint64_t moved);

// Moves a finished file over the target (a rename; across file systems a copy into a
// temporary file in the target's folder, then a rename). The source is gone on success;
// on failure source and target are as they were. A target the user may not write gives 5
// before anything moves. Dead temporaries of the target go first, as for a FileReplacement.
[[nodiscard]] int ReplaceFileFrom(std::string_view sourceName, std::string_view targetName);

// A 64-bit check of bytes (FNV-1a): tells contents or names apart, not a protection.
std::uint64_t ContentHash(std::string_view bytes);

// ---- Files with an unfinished rewrite -------------------------------------------
// A file whose rollback copy waits beside it (inplace.h) holds a step half done. The
// routines here that replace a file whole (FileReplacement, File::Create, ReplaceFileFrom
// at both ends), erase it, rename it, or read it to carry it elsewhere (File::ReadWhole,
// CopyFileData at both ends, File::Open with kModeToCarry) ask the guard first, and
// change nothing when it refuses. The guard (set by inplace.cpp) puts the copy back and says so, or says
// why it cannot, naming the file and the copy, and gives io::kUnfinishedRewrite.
using UnfinishedRewriteGuard = int (*)(std::string_view name);
void SetUnfinishedRewriteGuard(UnfinishedRewriteGuard guard);
// The guard's answer for the file `name` (a Windows name): 0 when none is set, inside the
// guard itself (its put-back writes the file in place), and within a CarryAsTheyAre.
[[nodiscard]] int GuardUnfinishedRewrite(std::string_view name);
// For one scope on this thread the guard is not asked: a step that carries a folder's
// files together with their rollback copies as they are, and deals with each pair itself
// before any of them reaches a data file (a restore staging a copy), uses it.
class CarryAsTheyAre {
 public:
  CarryAsTheyAre();
  ~CarryAsTheyAre();
  CarryAsTheyAre(const CarryAsTheyAre&) = delete;
  CarryAsTheyAre& operator=(const CarryAsTheyAre&) = delete;

 private:
  bool previous_;
};

// ---- Names on disk ------------------------------------------------------------
// 0 and the facts of the file or folder, or 2/3/... when it is not there.
[[nodiscard]] int GetFileInfo(std::string_view name, FileStat& st);
bool FileExists(std::string_view name);       // a regular file
bool DirectoryExists(std::string_view name);  // a folder
[[nodiscard]] int FileSize(std::string_view name, std::uint64_t& size);
// Reads a whole file (opened read only, so an exclusive holder gives 32).
[[nodiscard]] int ReadFileText(std::string_view name, std::string& out);

// A text saved by a Windows editor ends at its end-of-file byte (^Z): what follows it
// is no part of the text. Every reader that shows or parses text stops there; steps
// that move files keep every byte.
inline constexpr char kTextEndByte = '\x1A';
// The length of the text in `bytes`: up to its first end-of-file byte, or all of them.
std::size_t TextEnd(std::string_view bytes);
// ReadFileText up to the end-of-file byte; `tail`, when given, gets the byte and what
// follows it (empty when the file has none), for a reader that writes the text back.
[[nodiscard]] int ReadTextFile(std::string_view name, std::string& text, std::string* tail = nullptr);

// Creates a file that must not exist yet, holding `content` (an exclusive create): 0, 80 when the
// name is taken (the existing file is not touched), or another I/O code. The file appears whole
// or not at all: it is written beside and moved in only while the name is free.
[[nodiscard]] int CreateNewFile(std::string_view name, std::string_view content = {});
// Erases one file; a folder gives 5, a file another open holds gives 32.
[[nodiscard]] int EraseFile(std::string_view name);
// Renames a file or folder; an existing new name gives 80, a held file 32.
[[nodiscard]] int RenameFile(std::string_view oldName, std::string_view newName);
[[nodiscard]] int MakeDir(std::string_view name);
[[nodiscard]] int RemoveDir(std::string_view name);
// Creates the folder and every missing folder above it; existing ones are fine.
[[nodiscard]] int MakeDirs(std::string_view name);
// Creates a new, private folder prefix + random letters inside the folder `parent`
// (ending in "\"); `made` gets its name ending in "\". 0 or an I/O code.
[[nodiscard]] int MakeUniqueDir(std::string_view parent, std::string_view prefix, std::string& made);
// Erases a folder with everything in it. 0 or the first I/O code (the rest is still tried).
int RemoveTree(std::string_view name);

// Free bytes of the file system that holds name (a file or folder; a missing one is
// looked for through the nearest folder above it that exists). 0 or an I/O code.
[[nodiscard]] int DiskFreeSpace(std::string_view name, std::uint64_t& bytes);

[[nodiscard]] int GetFileTime(std::string_view name, std::int64_t& mtimeNs);
[[nodiscard]] int SetFileTime(std::string_view name, std::int64_t mtimeNs);

// The real current folder as Windows-1250 text ending in "/", and changing it.
std::string CurrentFolder();
[[nodiscard]] int SetCurrentFolder(std::string_view name);

// ---- Listing ------------------------------------------------------------------
struct DirItem {
  std::string name;      // Windows-1250 ("?" for what the code page or UTF-8 cannot carry)
  std::string diskName;  // the entry's own bytes on disk, to reach it whatever they are
  bool isDir = false;   // a folder, or a link to one
  bool isLink = false;  // a symbolic link (the other facts are of what it points to)
  bool readOnly = false;
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;
};

// How a chooser shows a listed entry: its Windows-1250 name, or its own bytes when they
// are no UTF-8 (a name copied from a Windows share is Windows-1250 already).
std::string ShownName(const DirItem& e);
// The name that leads back to a listed entry: its Windows-1250 name when that names
// the entry's own bytes, else those bytes, which name resolution matches as they stand.
std::string ListedName(const DirItem& e);

inline constexpr unsigned kListFiles = 1;
inline constexpr unsigned kListDirs = 2;

// "*" and "?" against a Windows-1250 name, letters compared without case;
// "*.*" matches every name, with or without a dot.
bool MatchMask(std::string_view mask, std::string_view name);

// Lists the folder part of `mask` ("DATA\*.DTA", "par\*", "*.txt"), entries whose
// names match its last part, sorted by name. Returns 0 when something matched, 18 when
// nothing did, 3 when the folder is missing. "." and ".." are never listed.
[[nodiscard]] int ListDirectory(std::string_view mask, std::vector<DirItem>& out,
                                unsigned what = kListFiles | kListDirs);

}  // namespace common
