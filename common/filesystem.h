// The one interface every file operation of the program goes through. It works on
// real (UTF-8) paths and reports errno values; osfile.h turns names and errno into
// the program's terms. Tests replace the current file system (see faultfs.h) to
// inject a full disk, a failed write or rename, or a busy file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace common {

struct FileStat {
  bool exists = false;
  bool isDir = false;
  bool isRegular = false;
  bool readOnly = false;  // no write permission bit for the owner
  bool isLink = false;    // a symbolic link itself (LinkStatPath only)
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;  // since the Unix epoch
  std::int64_t ctimeNs = 0;  // last change of the entry itself
  std::uint32_t mode = 0;    // permission bits
  std::uint64_t dev = 0, ino = 0;
};

struct DirEntryRaw {
  std::string name;  // UTF-8, without "." and ".."
  bool isDir = false;   // a folder, or a link to one
  bool isLink = false;  // a symbolic link (isDir tells what it points to)
};

// Every call returns 0 on success or a positive errno value.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // flags as for open(2); O_CLOEXEC is added by the implementation.
  virtual int Open(const std::string& path, int flags, unsigned perm, int& fd) = 0;
  virtual int Close(int fd) = 0;
  // op as for flock(2).
  virtual int Lock(int fd, int op) = 0;
  // An open-file-description lock on bytes [start, start + len) of fd, never waiting:
  // type F_RDLCK, F_WRLCK or F_UNLCK as for fcntl(2); EAGAIN while another open holds it.
  virtual int RangeLock(int fd, int type, std::uint64_t start, std::uint64_t len) = 0;
  // Reads/writes as much as one call does; `done` is set also on failure.
  virtual int ReadAt(int fd, void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) = 0;
  virtual int WriteAt(int fd, const void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) = 0;
  virtual int Stat(int fd, FileStat& st) = 0;
  virtual int Truncate(int fd, std::uint64_t size) = 0;
  virtual int Sync(int fd) = 0;
  // Starts writing a written range to disk without waiting for it (a hint; Sync still
  // decides). Those without one do nothing.
  virtual int StartWriteback(int /*fd*/, std::uint64_t /*offset*/, std::uint64_t /*n*/) { return 0; }
  // Writes every changed file of the file system holding fd to disk at once, so many
  // new files cost one flush. Those without such a call flush fd alone.
  virtual int SyncFileSystem(int fd) { return Sync(fd); }
  virtual int SetTime(int fd, std::int64_t mtimeNs) = 0;
  virtual int SetMode(int fd, std::uint32_t mode) = 0;

  // Path operations. StatPath of a missing path returns ENOENT.
  virtual int StatPath(const std::string& path, FileStat& st) = 0;
  // The same without following a final symbolic link (lstat).
  virtual int LinkStatPath(const std::string& path, FileStat& st) = 0;
  virtual int ListDir(const std::string& path, std::vector<DirEntryRaw>& out) = 0;
  virtual int MakeDir(const std::string& path) = 0;
  virtual int RemoveDir(const std::string& path) = 0;
  virtual int Unlink(const std::string& path) = 0;
  // replace = false fails with EEXIST when `to` exists.
  virtual int Rename(const std::string& from, const std::string& to, bool replace) = 0;
  virtual int SetTimePath(const std::string& path, std::int64_t mtimeNs) = 0;
  // Bytes an unprivileged writer may still use on the file system holding path.
  virtual int FreeSpace(const std::string& path, std::uint64_t& bytes) = 0;
  // True when the paths name the real disk's files (so the kernel's change notices of
  // a folder tell its changes).
  virtual bool RealDisk() const { return false; }
};

// The real one.
class PosixFileSystem : public FileSystem {
 public:
  int Open(const std::string& path, int flags, unsigned perm, int& fd) override;
  int Close(int fd) override;
  int Lock(int fd, int op) override;
  int RangeLock(int fd, int type, std::uint64_t start, std::uint64_t len) override;
  int ReadAt(int fd, void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) override;
  int WriteAt(int fd, const void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) override;
  int Stat(int fd, FileStat& st) override;
  int Truncate(int fd, std::uint64_t size) override;
  int Sync(int fd) override;
  int StartWriteback(int fd, std::uint64_t offset, std::uint64_t n) override;
  int SyncFileSystem(int fd) override;
  int SetTime(int fd, std::int64_t mtimeNs) override;
  int SetMode(int fd, std::uint32_t mode) override;
  int StatPath(const std::string& path, FileStat& st) override;
  int LinkStatPath(const std::string& path, FileStat& st) override;
  int ListDir(const std::string& path, std::vector<DirEntryRaw>& out) override;
  int MakeDir(const std::string& path) override;
  int RemoveDir(const std::string& path) override;
  int Unlink(const std::string& path) override;
  int Rename(const std::string& from, const std::string& to, bool replace) override;
  int SetTimePath(const std::string& path, std::int64_t mtimeNs) override;
  int FreeSpace(const std::string& path, std::uint64_t& bytes) override;
  bool RealDisk() const override { return true; }
};

// The process-wide current file system (a PosixFileSystem until replaced).
FileSystem& CurrentFileSystem();
// Replaces it; nullptr puts the real one back. The caller keeps ownership.
void SetFileSystem(FileSystem* fs);

class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& fs) : previous_(&CurrentFileSystem()) { SetFileSystem(&fs); }
  ~ScopedFileSystem() { SetFileSystem(previous_); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

}  // namespace common
