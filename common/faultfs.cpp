#include "common/faultfs.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace common {

FaultFileSystem::FaultFileSystem() : base_(own_) {}
FaultFileSystem::FaultFileSystem(FileSystem& base) : base_(base) {}

void FaultFileSystem::Fail(FsOp op, int err, std::string pathPart, int count, int skip) {
  rules_.push_back({op, err, std::move(pathPart), count, skip});
}

void FaultFileSystem::DieAt(FsOp op, std::vector<std::string> pathParts, int skip) {
  dieOp_ = op;
  dieParts_ = std::move(pathParts);
  dieSkip_ = skip;
  dead_ = false;
  deathOpCalls_ = 0;
}

void FaultFileSystem::Clear() {
  rules_.clear();
  space_ = -1;
  dieParts_.clear();
  dieSkip_ = -1;
  dead_ = false;
}

int FaultFileSystem::Calls(FsOp op) const {
  auto it = calls_.find(op);
  return it == calls_.end() ? 0 : it->second;
}

int FaultFileSystem::Injected(FsOp op, const std::string& path, const std::string& path2) {
  ++calls_[op];
  if (dieSkip_ >= 0 || dead_) {
    const bool ours = std::any_of(dieParts_.begin(), dieParts_.end(), [&](const std::string& part) {
      return path.find(part) != std::string::npos || path2.find(part) != std::string::npos;
    });
    if (ours && !dead_ && op == dieOp_ && (++deathOpCalls_, dieSkip_-- == 0)) dead_ = true;
    static constexpr FsOp kChanges[] = {FsOp::Write,   FsOp::Truncate, FsOp::Sync,      FsOp::SetTime, FsOp::SetMode,
                                        FsOp::MakeDir, FsOp::RemoveDir, FsOp::Unlink, FsOp::Rename, FsOp::SetTimePath};
    if (ours && dead_ && std::find(std::begin(kChanges), std::end(kChanges), op) != std::end(kChanges)) return EIO;
  }
  for (Rule& r : rules_) {
    if (r.op != op || r.count == 0) continue;
    if (!r.pathPart.empty() && path.find(r.pathPart) == std::string::npos &&
        path2.find(r.pathPart) == std::string::npos)
      continue;
    if (r.skip > 0) {
      --r.skip;
      continue;
    }
    if (r.count > 0) --r.count;
    return r.err;
  }
  return 0;
}

std::string FaultFileSystem::PathOf(int fd) const {
  auto it = paths_.find(fd);
  return it == paths_.end() ? std::string() : it->second;
}

int FaultFileSystem::Open(const std::string& path, int flags, unsigned perm, int& fd) {
  fd = -1;
  if (int e = Injected(FsOp::Open, path)) return e;
  if ((flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC)) != 0)
    if (int e = Injected(FsOp::OpenWrite, path)) return e;
  if (dead_ && (flags & (O_CREAT | O_TRUNC)) != 0 &&
      std::any_of(dieParts_.begin(), dieParts_.end(), [&](const std::string& p) { return path.find(p) != std::string::npos; }))
    return EIO;
  const int rc = base_.Open(path, flags, perm, fd);
  if (rc == 0) paths_[fd] = path;
  return rc;
}

int FaultFileSystem::Close(int fd) {
  const std::string path = PathOf(fd);
  paths_.erase(fd);
  // The descriptor is released even when a failure is reported.
  const int rc = base_.Close(fd);
  if (int e = Injected(FsOp::Close, path)) return e;
  return rc;
}

int FaultFileSystem::Lock(int fd, int op) {
  if (int e = Injected(FsOp::Lock, PathOf(fd))) return e;
  return base_.Lock(fd, op);
}

int FaultFileSystem::RangeLock(int fd, int type, std::uint64_t start, std::uint64_t len) {
  if (int e = Injected(FsOp::Lock, PathOf(fd))) return e;
  return base_.RangeLock(fd, type, start, len);
}

int FaultFileSystem::ReadAt(int fd, void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) {
  done = 0;
  if (int e = Injected(FsOp::Read, PathOf(fd))) return e;
  return base_.ReadAt(fd, buf, n, offset, done);
}

int FaultFileSystem::WriteAt(int fd, const void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) {
  done = 0;
  if (int e = Injected(FsOp::Write, PathOf(fd))) return e;
  if (space_ >= 0 && static_cast<std::int64_t>(n) > space_) {
    // What fits is written, as a real full disk does.
    if (space_ > 0) {
      const int rc = base_.WriteAt(fd, buf, static_cast<std::size_t>(space_), offset, done);
      if (rc != 0) return rc;
      space_ -= static_cast<std::int64_t>(done);
      return 0;  // a short write; the next one fails
    }
    return ENOSPC;
  }
  const int rc = base_.WriteAt(fd, buf, n, offset, done);
  if (space_ >= 0) space_ -= static_cast<std::int64_t>(done);
  return rc;
}

int FaultFileSystem::Stat(int fd, FileStat& st) {
  if (int e = Injected(FsOp::Stat, PathOf(fd))) return e;
  return base_.Stat(fd, st);
}

int FaultFileSystem::Truncate(int fd, std::uint64_t size) {
  if (int e = Injected(FsOp::Truncate, PathOf(fd))) return e;
  return base_.Truncate(fd, size);
}

int FaultFileSystem::Sync(int fd) {
  if (int e = Injected(FsOp::Sync, PathOf(fd))) return e;
  return base_.Sync(fd);
}

int FaultFileSystem::SyncFileSystem(int fd) {
  if (int e = Injected(FsOp::Sync, PathOf(fd))) return e;
  return base_.SyncFileSystem(fd);
}

int FaultFileSystem::SetTime(int fd, std::int64_t mtimeNs) {
  if (int e = Injected(FsOp::SetTime, PathOf(fd))) return e;
  return base_.SetTime(fd, mtimeNs);
}

int FaultFileSystem::SetMode(int fd, std::uint32_t mode) {
  if (int e = Injected(FsOp::SetMode, PathOf(fd))) return e;
  return base_.SetMode(fd, mode);
}

int FaultFileSystem::StatPath(const std::string& path, FileStat& st) {
  if (int e = Injected(FsOp::StatPath, path)) return e;
  return base_.StatPath(path, st);
}

int FaultFileSystem::LinkStatPath(const std::string& path, FileStat& st) {
  if (int e = Injected(FsOp::LinkStatPath, path)) return e;
  return base_.LinkStatPath(path, st);
}

int FaultFileSystem::ListDir(const std::string& path, std::vector<DirEntryRaw>& out) {
  if (int e = Injected(FsOp::ListDir, path)) return e;
  return base_.ListDir(path, out);
}

int FaultFileSystem::MakeDir(const std::string& path) {
  if (int e = Injected(FsOp::MakeDir, path)) return e;
  return base_.MakeDir(path);
}

int FaultFileSystem::RemoveDir(const std::string& path) {
  if (int e = Injected(FsOp::RemoveDir, path)) return e;
  return base_.RemoveDir(path);
}

int FaultFileSystem::Unlink(const std::string& path) {
  if (int e = Injected(FsOp::Unlink, path)) return e;
  return base_.Unlink(path);
}

int FaultFileSystem::Rename(const std::string& from, const std::string& to, bool replace) {
  if (int e = Injected(FsOp::Rename, from, to)) return e;
  return base_.Rename(from, to, replace);
}

int FaultFileSystem::SetTimePath(const std::string& path, std::int64_t mtimeNs) {
  if (int e = Injected(FsOp::SetTimePath, path)) return e;
  return base_.SetTimePath(path, mtimeNs);
}

int FaultFileSystem::FreeSpace(const std::string& path, std::uint64_t& bytes) {
  bytes = 0;
  if (int e = Injected(FsOp::FreeSpace, path)) return e;
  if (space_ >= 0) {
    bytes = static_cast<std::uint64_t>(space_);
    return 0;
  }
  return base_.FreeSpace(path, bytes);
}

}  // namespace common
