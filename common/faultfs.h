// A file system that passes every call to the real one but can be told to fail
// chosen calls: a full disk, a failed write, rename or open, a busy file. Reliability
// tests put it in place with ScopedFileSystem and need neither root nor a broken disk.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/filesystem.h"

namespace common {

enum class FsOp {
  Open, Close, Lock, Read, Write, Stat, Truncate, Sync, SetTime, SetMode,
  StatPath, ListDir, MakeDir, RemoveDir, Unlink, Rename, SetTimePath, FreeSpace, LinkStatPath,
  OpenWrite,  // an open for writing (or creating), as of a file nobody may write; also an Open
};

class FaultFileSystem : public FileSystem {
 public:
  FaultFileSystem();                       // over the real file system
  explicit FaultFileSystem(FileSystem& base);

  // Calls of `op` whose path contains `pathPart` (empty: any path; for a rename either
  // name) fail with errno `err`: the first `skip` matching calls pass, then `count`
  // calls fail (-1: all later ones).
  void Fail(FsOp op, int err, std::string pathPart = {}, int count = -1, int skip = 0);
  // Free space for writes from now on, over all files; a write that does not fit writes
  // what fits and fails with ENOSPC; FreeSpace answers from it. -1: no limit.
  void SetDiskSpace(std::int64_t bytes) { space_ = bytes; }
  // A process killed at a call: the call of `op` after `skip` such calls fails, and so
  // does from then on every call that would change the disk (writes, cuts, flushes,
  // creates, erases, renames), all on paths holding one of `pathParts`; reads, closes and
  // locks pass, as the end of a killed process lets its opens and locks go.
  void DieAt(FsOp op, std::vector<std::string> pathParts, int skip);
  bool Dead() const { return dead_; }
  // How many calls of DieAt's op came on its paths (the one that died included).
  int DeathOpCalls() const { return deathOpCalls_; }
  // Forgets every fault and the space limit.
  void Clear();
  // How many calls of op came (failed ones included).
  int Calls(FsOp op) const;

  int Open(const std::string& path, int flags, unsigned perm, int& fd) override;
  int Close(int fd) override;
  int Lock(int fd, int op) override;
  int RangeLock(int fd, int type, std::uint64_t start, std::uint64_t len) override;
  int ReadAt(int fd, void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) override;
  int WriteAt(int fd, const void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) override;
  int Stat(int fd, FileStat& st) override;
  int Truncate(int fd, std::uint64_t size) override;
  int Sync(int fd) override;
  int StartWriteback(int fd, std::uint64_t offset, std::uint64_t n) override { return base_.StartWriteback(fd, offset, n); }
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
  bool RealDisk() const override { return base_.RealDisk(); }

 private:
  struct Rule {
    FsOp op;
    int err;
    std::string pathPart;
    int count, skip;
  };
  // errno of an injected failure for this call, or 0.
  int Injected(FsOp op, const std::string& path, const std::string& path2 = {});
  std::string PathOf(int fd) const;

  PosixFileSystem own_;
  FileSystem& base_;
  std::vector<Rule> rules_;
  std::map<int, std::string> paths_;
  std::map<FsOp, int> calls_;
  std::int64_t space_ = -1;
  std::vector<std::string> dieParts_;
  FsOp dieOp_ = FsOp::Write;
  int dieSkip_ = -1;  // -1: no death planned
  bool dead_ = false;
  int deathOpCalls_ = 0;
};

}  // namespace common
