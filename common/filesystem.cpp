#include "common/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace common {

namespace {

int Err(int rc) { return rc == 0 ? 0 : errno; }

void Fill(const struct stat& s, FileStat& st) {
  st.exists = true;
  st.isDir = S_ISDIR(s.st_mode);
  st.isRegular = S_ISREG(s.st_mode);
  st.isLink = S_ISLNK(s.st_mode);
  st.readOnly = (s.st_mode & S_IWUSR) == 0;
  st.size = static_cast<std::uint64_t>(s.st_size);
  st.mtimeNs = static_cast<std::int64_t>(s.st_mtim.tv_sec) * 1'000'000'000 + s.st_mtim.tv_nsec;
  st.ctimeNs = static_cast<std::int64_t>(s.st_ctim.tv_sec) * 1'000'000'000 + s.st_ctim.tv_nsec;
  st.mode = s.st_mode & 07777;
  st.dev = s.st_dev;
  st.ino = s.st_ino;
}

timespec ToTimespec(std::int64_t ns) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
  ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
  if (ts.tv_nsec < 0) {
    ts.tv_nsec += 1'000'000'000;
    --ts.tv_sec;
  }
  return ts;
}

}  // namespace

int PosixFileSystem::Open(const std::string& path, int flags, unsigned perm, int& fd) {
  do fd = ::open(path.c_str(), flags | O_CLOEXEC, perm);
  while (fd < 0 && errno == EINTR);
  return fd < 0 ? errno : 0;
}

int PosixFileSystem::Close(int fd) {
  // After close(2) fails with EINTR the descriptor is gone on Linux: never retry.
  return Err(::close(fd));
}

int PosixFileSystem::Lock(int fd, int op) {
  int rc;
  do rc = ::flock(fd, op);
  while (rc != 0 && errno == EINTR);
  return Err(rc);
}

int PosixFileSystem::RangeLock(int fd, int type, std::uint64_t start, std::uint64_t len) {
  struct flock fl {};
  fl.l_type = static_cast<short>(type);
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(start);
  fl.l_len = static_cast<off_t>(len);
  int rc;
  do rc = ::fcntl(fd, F_OFD_SETLK, &fl);
  while (rc != 0 && errno == EINTR);
  if (rc != 0 && errno == EACCES) errno = EAGAIN;
  return Err(rc);
}

int PosixFileSystem::ReadAt(int fd, void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) {
  ssize_t r;
  do r = ::pread(fd, buf, n, static_cast<off_t>(offset));
  while (r < 0 && errno == EINTR);
  done = r < 0 ? 0 : static_cast<std::size_t>(r);
  return r < 0 ? errno : 0;
}

int PosixFileSystem::WriteAt(int fd, const void* buf, std::size_t n, std::uint64_t offset, std::size_t& done) {
  ssize_t r;
  do r = ::pwrite(fd, buf, n, static_cast<off_t>(offset));
  while (r < 0 && errno == EINTR);
  done = r < 0 ? 0 : static_cast<std::size_t>(r);
  return r < 0 ? errno : 0;
}

int PosixFileSystem::Stat(int fd, FileStat& st) {
  struct stat s {};
  st = {};
  if (::fstat(fd, &s) != 0) return errno;
  Fill(s, st);
  return 0;
}

int PosixFileSystem::Truncate(int fd, std::uint64_t size) { return Err(::ftruncate(fd, static_cast<off_t>(size))); }
int PosixFileSystem::Sync(int fd) { return Err(::fsync(fd)); }

int PosixFileSystem::SyncFileSystem(int fd) { return Err(::syncfs(fd)); }

int PosixFileSystem::StartWriteback(int fd, std::uint64_t offset, std::uint64_t n) {
  return Err(::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(n), SYNC_FILE_RANGE_WRITE));
}

int PosixFileSystem::SetTime(int fd, std::int64_t mtimeNs) {
  timespec times[2] = {{0, UTIME_OMIT}, ToTimespec(mtimeNs)};
  return Err(::futimens(fd, times));
}

int PosixFileSystem::SetMode(int fd, std::uint32_t mode) { return Err(::fchmod(fd, mode)); }

int PosixFileSystem::StatPath(const std::string& path, FileStat& st) {
  struct stat s {};
  st = {};
  if (::stat(path.c_str(), &s) != 0) return errno;
  Fill(s, st);
  return 0;
}

int PosixFileSystem::LinkStatPath(const std::string& path, FileStat& st) {
  struct stat s {};
  st = {};
  if (::lstat(path.c_str(), &s) != 0) return errno;
  Fill(s, st);
  return 0;
}

int PosixFileSystem::ListDir(const std::string& path, std::vector<DirEntryRaw>& out) {
  out.clear();
  DIR* dir = ::opendir(path.empty() ? "." : path.c_str());
  if (!dir) return errno;
  const std::string prefix = path.empty() ? std::string() : (path.back() == '/' ? path : path + "/");
  errno = 0;
  while (dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    bool isDir = e->d_type == DT_DIR;
    bool isLink = e->d_type == DT_LNK;
    if (e->d_type == DT_UNKNOWN) {
      struct stat s {};
      isLink = ::lstat((prefix + name).c_str(), &s) == 0 && S_ISLNK(s.st_mode);
      isDir = !isLink && S_ISDIR(s.st_mode);
    }
    if (isLink) {
      struct stat s {};
      isDir = ::stat((prefix + name).c_str(), &s) == 0 && S_ISDIR(s.st_mode);
    }
    out.push_back({name, isDir, isLink});
    errno = 0;
  }
  const int err = errno;
  ::closedir(dir);
  return err;
}

int PosixFileSystem::MakeDir(const std::string& path) { return Err(::mkdir(path.c_str(), 0777)); }
int PosixFileSystem::RemoveDir(const std::string& path) { return Err(::rmdir(path.c_str())); }
int PosixFileSystem::Unlink(const std::string& path) { return Err(::unlink(path.c_str())); }

int PosixFileSystem::Rename(const std::string& from, const std::string& to, bool replace) {
  if (replace) return Err(::rename(from.c_str(), to.c_str()));
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // The file system cannot refuse to replace by itself: look first.
  struct stat s {};
  if (::lstat(to.c_str(), &s) == 0) return EEXIST;
  return Err(::rename(from.c_str(), to.c_str()));
}

int PosixFileSystem::SetTimePath(const std::string& path, std::int64_t mtimeNs) {
  timespec times[2] = {{0, UTIME_OMIT}, ToTimespec(mtimeNs)};
  return Err(::utimensat(AT_FDCWD, path.c_str(), times, 0));
}

int PosixFileSystem::FreeSpace(const std::string& path, std::uint64_t& bytes) {
  bytes = 0;
  struct statvfs v {};
  if (::statvfs(path.c_str(), &v) != 0) return errno;
  bytes = static_cast<std::uint64_t>(v.f_bavail) * v.f_frsize;
  return 0;
}

namespace {
PosixFileSystem g_posix;
std::atomic<FileSystem*> g_fs{&g_posix};
}  // namespace

FileSystem& CurrentFileSystem() { return *g_fs.load(); }
void SetFileSystem(FileSystem* fs) { g_fs.store(fs ? fs : &g_posix); }

}  // namespace common
