#include "common/osfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <functional>
#include <random>
#include <thread>
#include <utility>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/session.h"
#include "common/winpath.h"

namespace common {

namespace {
std::atomic<int> g_openMode{kModeReadWrite};
std::atomic<UnfinishedRewriteGuard> g_rewriteGuard{nullptr};
thread_local bool t_inRewriteGuard = false;

FileSystem& Fs() { return CurrentFileSystem(); }

// The folder of a real path ("" for a bare name in the current folder).
std::string RealFolder(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t p = path.rfind('/');
  if (p == std::string::npos) return {};
  return p == 0 ? std::string("/") : path.substr(0, p);
}

// What goes before a name in the folder `folder` (a RealFolder result).
std::string FolderPrefix(const std::string& folder) {
  return folder.empty() ? std::string() : (folder == "/" ? folder : folder + "/");
}

std::string RealBase(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t p = path.rfind('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

// Holds an exclusive lock on a file for one scope, to show that no open holds it.
class HeldCheck {
 public:
  ~HeldCheck() {
    if (fd_ >= 0) Fs().Close(fd_);
  }
  // 0 when nobody holds the file (or it is no file, or it cannot be looked at), 32 when held.
  int Acquire(const std::string& path) {
    FileStat st;
    if (Fs().StatPath(path, st) != 0 || !st.isRegular) return 0;
    if (Fs().Open(path, O_RDONLY | O_NONBLOCK, 0, fd_) != 0) {
      fd_ = -1;
      return 0;
    }
    const int e = Fs().Lock(fd_, LOCK_EX | LOCK_NB);
    return e == 0 ? 0 : IoCodeFromErrno(e, path);
  }

 private:
  int fd_ = -1;
};
}  // namespace

int DefaultOpenMode() { return g_openMode.load(); }
void SetDefaultOpenMode(int mode) { g_openMode.store(mode); }

void SetUnfinishedRewriteGuard(UnfinishedRewriteGuard guard) { g_rewriteGuard.store(guard); }

int GuardUnfinishedRewrite(std::string_view name) {
  const UnfinishedRewriteGuard guard = g_rewriteGuard.load();
  if (!guard || t_inRewriteGuard || name.empty()) return 0;
  t_inRewriteGuard = true;
  struct Leave {
    ~Leave() { t_inRewriteGuard = false; }
  } leave;
  return guard(name);
}

CarryAsTheyAre::CarryAsTheyAre() : previous_(std::exchange(t_inRewriteGuard, true)) {}
CarryAsTheyAre::~CarryAsTheyAre() { t_inRewriteGuard = previous_; }

int IoCodeFromErrno(int err, const std::string& realPath, IoOp op) {
  switch (err) {
    case 0: return io::kOk;
    case ENOENT: {
      if (realPath.empty()) return io::kFileNotFound;
      const std::string folder = RealFolder(realPath);
      FileStat st;
      if (Fs().StatPath(folder.empty() ? "." : folder, st) != 0 || !st.isDir) return io::kPathNotFound;
      return io::kFileNotFound;
    }
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return io::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return io::kAccessDenied;
    case EWOULDBLOCK:
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EBUSY:
    case ETXTBSY: return io::kSharingViolation;
    case ENOLCK:
    case EDEADLK: return io::kLockViolation;
    case EMFILE:
    case ENFILE: return io::kTooManyOpenFiles;
    case EBADF: return io::kInvalidHandle;
    case ENOMEM: return io::kNotEnoughMemory;
    case EXDEV: return io::kNotSameDevice;
    case EEXIST: return io::kFileExists;
    case ENOTEMPTY: return io::kDirNotEmpty;
    case EINVAL: return io::kInvalidParameter;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return io::kDiskWriteError;
    default: break;
  }
  if (op == IoOp::Read) return io::kReadPastEnd;
  if (op == IoOp::Write) return io::kDiskWriteError;
  return io::kGeneralFailure;
}

void ThrowIfError(int code, std::string_view name) {
  if (code != 0) throw IoError(code, std::string(name));
}

// ---- File ---------------------------------------------------------------------

File::~File() { Close(); }

File::File(File&& other) noexcept
    : fd_(other.fd_),
      canWrite_(other.canWrite_),
      knownSize_(other.knownSize_),
      name_(std::move(other.name_)),
      path_(std::move(other.path_)) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    canWrite_ = other.canWrite_;
    knownSize_ = other.knownSize_;
    name_ = std::move(other.name_);
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

int File::Open(std::string_view name, int mode) {
  if (mode & kModeToCarry) {
    if (int code = GuardUnfinishedRewrite(name)) {
      Close();
      name_ = std::string(name);
      return code;
    }
    mode &= ~kModeToCarry;
  }
  const int access = mode & 3;
  const int flags = access == 0 ? O_RDONLY : access == 1 ? O_WRONLY : O_RDWR;
  return OpenWith(name, flags, mode, false);
}

int File::OpenReal(const std::string& realPath, int mode) {
  const int access = mode & 3;
  Close();
  name_.clear();
  return OpenPath(realPath, access == 0 ? O_RDONLY : access == 1 ? O_WRONLY : O_RDWR, mode, false);
}

int File::Create(std::string_view name, int mode) {
  Close();
  if (int code = GuardUnfinishedRewrite(name)) {
    name_ = std::string(name);
    return code;
  }
  return OpenWith(name, O_RDWR | O_CREAT, mode, true);
}

int File::OpenWith(std::string_view name, int flags, int mode, bool truncate) {
  Close();
  std::string path;
  const int code = ResolveName(name, path);
  name_ = std::string(name);
  path_ = path;
  if (code != 0) return code;
  return OpenPath(path, flags, mode, truncate);
}

int File::OpenPath(const std::string& path, int flags, int mode, bool truncate) {
  Close();
  path_ = path;
  if (name_.empty()) name_ = Utf8ToWin1250(path);
  FileSystem& fs = Fs();
  int fd = -1;
  if (int e = fs.Open(path, flags, 0666, fd)) return IoCodeFromErrno(e, path);
  auto fail = [&](int code) {
    fs.Close(fd);
    return code;
  };
  FileStat st;
  if (int e = fs.Stat(fd, st)) return fail(IoCodeFromErrno(e, path));
  if (st.isDir) return fail(io::kAccessDenied);  // a folder is no file
  // Exclusive opens exclude every other open; all others exclude only exclusive ones.
  const bool exclusive = (mode & 0x70) == 0x10;
  if (int e = fs.Lock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB)) return fail(IoCodeFromErrno(e, path));
  // Emptied only once the lock shows that no other open holds it.
  if (truncate && st.size != 0) {
    if (int e = fs.Truncate(fd, 0)) return fail(IoCodeFromErrno(e, path, IoOp::Write));
  }
  fd_ = fd;
  canWrite_ = (flags & O_ACCMODE) != O_RDONLY;
  knownSize_ = 0;
  return 0;
}

int File::ReadAt(std::uint64_t offset, void* buf, std::size_t n) {
  std::size_t got = 0;
  return ReadAt(offset, buf, n, got);
}

int File::ReadAt(std::uint64_t offset, void* buf, std::size_t n, std::size_t& got) {
  if (int code = ReadSome(offset, buf, n, got)) return code;
  return got == n ? 0 : io::kReadPastEnd;
}

int File::ReadSome(std::uint64_t offset, void* buf, std::size_t n, std::size_t& got) {
  got = 0;
  if (fd_ < 0) return io::kFileNotOpen;
  char* p = static_cast<char*>(buf);
  while (got < n) {
    std::size_t done = 0;
    if (int e = Fs().ReadAt(fd_, p + got, n - got, offset + got, done)) return IoCodeFromErrno(e, path_, IoOp::Read);
    if (done == 0) break;  // end of file
    got += done;
  }
  return 0;
}

int File::WriteAt(std::uint64_t offset, const void* buf, std::size_t n) {
  if (fd_ < 0) return io::kFileNotOpen;
  if (!canWrite_) return io::kAccessDenied;
  FileSystem& fs = Fs();
  // A write ending within the size seen since the open or the last turn cannot grow the
  // file (others only append meanwhile); any other write looks at the end first.
  const bool within = offset + n <= knownSize_;
  FileStat before;
  if (!within) {
    if (int e = fs.Stat(fd_, before)) return IoCodeFromErrno(e, path_);
    knownSize_ = before.size;
  }
  const char* p = static_cast<const char*>(buf);
  std::size_t put = 0;
  int err = 0;
  while (put < n) {
    std::size_t done = 0;
    err = fs.WriteAt(fd_, p + put, n - put, offset + put, done);
    put += done;
    if (err != 0) break;
    if (done == 0) {
      err = ENOSPC;
      break;
    }
  }
  if (err == 0) {
    knownSize_ = std::max<std::uint64_t>(knownSize_, offset + n);
    return 0;
  }
  knownSize_ = 0;
  // Leave no part of a failed write behind the old end of the file.
  FileStat after;
  if (!within && fs.Stat(fd_, after) == 0 && after.size > before.size && after.size <= offset + n)
    fs.Truncate(fd_, before.size);
  return IoCodeFromErrno(err, path_, IoOp::Write);
}

int File::ReadWhole(std::string& out) {
  out.clear();
  if (fd_ < 0) return io::kFileNotOpen;
  if (int code = GuardUnfinishedRewrite(name_)) return code;
  std::uint64_t size = 0;
  if (int code = Size(size)) return code;
  out.resize(static_cast<std::size_t>(size));
  std::size_t got = 0;
  const int code = ReadSome(0, out.data(), out.size(), got);
  out.resize(got);
  return code;
}

int File::WriteWhole(std::string_view data) {
  if (int code = WriteAt(0, data.data(), data.size())) return code;
  return Truncate(data.size());
}

int File::Size(std::uint64_t& size) {
  size = 0;
  if (fd_ < 0) return io::kFileNotOpen;
  FileStat st;
  if (int e = Fs().Stat(fd_, st)) return IoCodeFromErrno(e, path_);
  size = st.size;
  knownSize_ = st.size;
  return 0;
}

int File::Truncate(std::uint64_t size) {
  if (fd_ < 0) return io::kFileNotOpen;
  if (!canWrite_) return io::kAccessDenied;
  knownSize_ = 0;
  if (int e = Fs().Truncate(fd_, size)) return IoCodeFromErrno(e, path_, IoOp::Write);
  knownSize_ = size;
  return 0;
}

void File::StartWriteback(std::uint64_t offset, std::uint64_t n) {
  if (fd_ >= 0) Fs().StartWriteback(fd_, offset, n);
}

int File::SyncFileSystem() {
  if (fd_ < 0) return io::kFileNotOpen;
  if (int e = Fs().SyncFileSystem(fd_)) return IoCodeFromErrno(e, path_, IoOp::Write);
  return 0;
}

int File::Sync() {
  if (fd_ < 0) return io::kFileNotOpen;
  if (int e = Fs().Sync(fd_)) return IoCodeFromErrno(e, path_, IoOp::Write);
  return 0;
}

int File::GetTime(std::int64_t& mtimeNs) {
  mtimeNs = 0;
  if (fd_ < 0) return io::kFileNotOpen;
  FileStat st;
  if (int e = Fs().Stat(fd_, st)) return IoCodeFromErrno(e, path_);
  mtimeNs = st.mtimeNs;
  return 0;
}

int File::SetTime(std::int64_t mtimeNs) {
  if (fd_ < 0) return io::kFileNotOpen;
  if (int e = Fs().SetTime(fd_, mtimeNs)) return IoCodeFromErrno(e, path_);
  return 0;
}

int File::Close() {
  if (fd_ < 0) return 0;
  const int e = Fs().Close(fd_);
  fd_ = -1;
  canWrite_ = false;
  knownSize_ = 0;
  return e == 0 ? 0 : IoCodeFromErrno(e, path_, IoOp::Write);
}

int CopyFileData(File& in, File& out, std::uint64_t to, std::size_t block) {
  if (int code = GuardUnfinishedRewrite(in.Name())) return code;
  if (int code = GuardUnfinishedRewrite(out.Name())) return code;
  std::string buf(block, '\0');
  for (std::uint64_t off = 0;;) {
    std::size_t got = 0;
    if (int code = in.ReadSome(off, buf.data(), buf.size(), got)) return code;
    if (got == 0) return 0;
    if (int code = out.WriteAt(to + off, buf.data(), got)) return code;
    off += got;
  }
}

// ---- Replacing ------------------------------------------------------------------

namespace {
// What a temporary's or work file's name carries after the name it belongs to, and a
// check of both parts, so that no name a user gives a file passes for one.
constexpr std::string_view kTempMark = ".~tmp";
constexpr std::string_view kWorkMark = ".~wrk";

std::string TempCheck(std::string_view target, std::string_view serial) {
  const std::uint64_t h = ContentHash(std::string(target) + '|' + std::string(serial));
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(8, '0');
  for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = kHex[(h >> (28 - 4 * i)) & 0xF];
  return out;
}

bool AllOf(std::string_view s, bool (*ok)(char)) {
  return !s.empty() && std::all_of(s.begin(), s.end(), ok);
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLowHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); }

// ".~" + target + mark + "<pid>-<n>-<salt>-<check>": the one shape of the program's own files.
std::string MarkedName(std::string_view mark, std::string_view target, std::uint64_t pid, std::uint64_t n,
                       std::uint64_t salt) {
  const std::string serial = std::to_string(pid) + "-" + std::to_string(n) + "-" + std::to_string(salt);
  return ".~" + std::string(target) + std::string(mark) + serial + "-" + TempCheck(target, serial);
}

// The name a marked name belongs to, or empty when it is none of that kind.
std::string_view MarkedTarget(std::string_view diskName, std::string_view mark) {
  if (!diskName.starts_with(".~")) return {};
  const std::size_t at = diskName.rfind(mark);
  if (at == std::string_view::npos || at <= 2) return {};
  const std::string_view target = diskName.substr(2, at - 2);
  const std::string_view rest = diskName.substr(at + mark.size());
  const std::size_t last = rest.rfind('-');
  if (last == std::string_view::npos || rest.size() - last - 1 != 8 || !AllOf(rest.substr(last + 1), IsLowHex))
    return {};
  const std::string_view serial = rest.substr(0, last);
  int parts = 0;
  for (std::size_t from = 0; from <= serial.size(); ++parts) {
    const std::size_t dash = std::min(serial.find('-', from), serial.size());
    if (!AllOf(serial.substr(from, dash - from), IsDigit)) return {};
    from = dash + 1;
  }
  if (parts != 3 || TempCheck(target, serial) != rest.substr(last + 1)) return {};
  return target;
}

std::string_view TempTarget(std::string_view diskName) { return MarkedTarget(diskName, kTempMark); }

std::uint64_t NameSalt() {
  return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                    (static_cast<long long>(getpid()) << 20)) %
         100000;
}

// Erases every file of one kind in the folder whose writer is gone, of the names in
// `targets` only when it is not empty. How many went.
int RemoveDeadMarked(std::string_view folder, std::string_view mark, const std::vector<std::string>& targets) {
  std::string real;
  if (ResolveName(folder, real) != 0) return 0;
  if (real.empty()) real = ".";
  if (!real.ends_with('/')) real += '/';
  std::vector<DirEntryRaw> entries;
  if (Fs().ListDir(real, entries) != 0) return 0;
  int removed = 0;
  for (const DirEntryRaw& e : entries) {
    const std::string_view target = MarkedTarget(e.name, mark);
    if (target.empty() || e.isDir || e.isLink) continue;
    const std::string shown = Utf8ToWin1250(std::string(target));
    if (!targets.empty() &&
        std::none_of(targets.begin(), targets.end(), [&](const std::string& t) { return SameNameCp1250(t, shown); }))
      continue;
    if (RemoveDeadTemp(real + e.name)) ++removed;
  }
  return removed;
}
}  // namespace

std::uint64_t ContentHash(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string ReplacementTempName(std::string_view target, std::uint64_t pid, std::uint64_t n, std::uint64_t salt) {
  return MarkedName(kTempMark, target, pid, n, salt);
}

std::string WorkFileName(std::string_view owner, std::uint64_t pid, std::uint64_t n, std::uint64_t salt) {
  return MarkedName(kWorkMark, owner, pid, n, salt);
}

bool IsWorkFile(std::string_view diskName) { return !MarkedTarget(diskName, kWorkMark).empty(); }

namespace {
// Creates a new file of the kind `mark` for `target`, named `prefix` + its marked name
// (`made` gets it), by `open` with O_EXCL; a name taken is passed over for the next.
int CreateMarked(std::string_view prefix, std::string_view mark, std::string_view target, std::string& made,
                 const std::function<int(const std::string&, int)>& open) {
  static std::atomic<unsigned> counter{0};
  int code = io::kFileExists;
  for (int attempt = 0; attempt < 100 && code == io::kFileExists; ++attempt) {
    made = std::string(prefix) + MarkedName(mark, target, static_cast<std::uint64_t>(getpid()), counter++, NameSalt());
    code = open(made, O_RDWR | O_CREAT | O_EXCL);
  }
  return code;
}
}  // namespace

int CreateWorkFile(std::string_view folder, std::string_view owner, File& file, std::string& name) {
  (void)RemoveDeadMarked(folder, kWorkMark, {std::string(owner)});
  return CreateMarked(folder, kWorkMark, owner, name, [&file](const std::string& made, int flags) {
    return file.OpenWith(made, flags, kModeExclusive, false);
  });
}

bool IsProgramOwnName(std::string_view diskName) {
  if (IsReplacementTemp(diskName) || IsWorkFile(diskName)) return true;
  // Rollback copies ".~NAME.rollback" and archive join marks ".~NAME.join".
  return !MarkOwner(diskName, ".rollback").empty() || !MarkOwner(diskName, ".join").empty();
}

std::string_view MarkOwner(std::string_view name, std::string_view end) {
  constexpr std::string_view head = ".~";
  if (name.size() <= head.size() + end.size() || !name.starts_with(head) || !name.ends_with(end)) return {};
  return name.substr(head.size(), name.size() - head.size() - end.size());
}

// A fresh temporary file beside the target.
int FileReplacement::CreateTemp() {
  return CreateMarked(FolderPrefix(RealFolder(targetPath_)), kTempMark, RealBase(targetPath_), tempPath_,
                      [this](const std::string& made, int flags) {
    return file_.OpenPath(made, flags, kModeExclusive, false);
  });
}

bool IsReplacementTemp(std::string_view diskName) { return !TempTarget(diskName).empty(); }

bool RemoveDeadTemp(const std::string& realPath) {
  FileSystem& fs = Fs();
  FileStat st;
  if (fs.LinkStatPath(realPath, st) != 0 || !st.isRegular) return false;
  int fd = -1;
  if (fs.Open(realPath, O_RDONLY | O_NONBLOCK | O_NOFOLLOW, 0, fd) != 0) return false;
  // A writer between its create and its lock, or between its close and its rename,
  // loses only that one step: its rename finds no file and the target stays as it was.
  const bool dead = fs.Lock(fd, LOCK_EX | LOCK_NB) == 0 && fs.Unlink(realPath) == 0;
  fs.Close(fd);
  return dead;
}

int RemoveDeadTemps(std::string_view folder, const std::vector<std::string>& targets) {
  return RemoveDeadMarked(folder, kTempMark, targets);
}

namespace {
// 5 when an open of the file at the real path `path` for writing is refused, else 0.
int RefusedForWriting(const std::string& path) {
  FileStat st;
  if (Fs().StatPath(path, st) != 0 || !st.isRegular) return 0;
  int fd = -1;
  const int e = Fs().Open(path, O_WRONLY | O_NONBLOCK, 0, fd);
  if (e == 0) Fs().Close(fd);
  return e == EACCES || e == EPERM || e == EROFS ? io::kAccessDenied : 0;
}

// Before a file is replaced: the temporaries a killed replacement of it left go. The
// folder is listed once a run; what it held is kept by target until that is replaced.
void SweepDeadTemps(const std::string& targetPath) {
  const std::string folder = RealFolder(targetPath);
  const std::string prefix = FolderPrefix(folder);
  auto& byFolder = CurrentSession().ReplacementTemps;
  const std::string listed = folder.empty() ? "." : folder;
  auto at = byFolder.find(listed);
  if (at == byFolder.end()) {
    at = byFolder.emplace(listed, std::map<std::string, std::vector<std::string>>()).first;
    std::vector<DirEntryRaw> entries;
    if (Fs().ListDir(listed, entries) == 0)
      for (const DirEntryRaw& e : entries) {
        const std::string_view target = TempTarget(e.name);
        if (!target.empty() && !e.isDir && !e.isLink)
          at->second[UpperCp1250(Utf8ToWin1250(std::string(target)))].push_back(e.name);
      }
  }
  const auto found = at->second.find(UpperCp1250(Utf8ToWin1250(RealBase(targetPath))));
  if (found == at->second.end()) return;
  for (const std::string& name : found->second) (void)RemoveDeadTemp(prefix + name);
  at->second.erase(found);
}
}  // namespace

FileReplacement::~FileReplacement() { Abort(); }

int FileReplacement::Begin(std::string_view targetName) {
  Abort();
  target_ = std::string(targetName);
  if (int code = ResolveName(targetName, targetPath_)) return code;
  return Start();
}

int FileReplacement::BeginReal(const std::string& targetPath) {
  Abort();
  targetPath_ = targetPath;
  target_ = Utf8ToWin1250(targetPath);
  return Start();
}

int FileReplacement::Start() {
  if (int code = GuardUnfinishedRewrite(target_)) return code;
  FileStat old;
  const bool exists = Fs().StatPath(targetPath_, old) == 0;
  if (exists && old.isDir) return io::kAccessDenied;
  if (exists) {
    if (int code = RefusedForWriting(targetPath_)) return code;
  }
  SweepDeadTemps(targetPath_);
  file_.name_ = target_;
  if (int code = CreateTemp()) {
    tempPath_.clear();
    return code;
  }
  active_ = true;
  // The new version keeps the permissions of the old one.
  if (exists) {
    if (int e = Fs().SetMode(file_.fd_, old.mode)) {
      Abort();
      return IoCodeFromErrno(e, targetPath_);
    }
  }
  return 0;
}

int FileReplacement::Commit() { return Finish(true); }

int FileReplacement::CommitNew() { return Finish(false); }

int FileReplacement::CommitFlushed() { return Finish(true, false); }

int FileReplacement::Finish(bool replace, bool flush) {
  if (!active_) return io::kFileNotOpen;
  auto fail = [this](int code) {
    Abort();
    return code;
  };
  // A rewrite begun on the target meanwhile is put back first, or the target stays; asked
  // while the temporary is still held, so that no sweep takes it for a dead one.
  if (int code = GuardUnfinishedRewrite(target_)) return fail(code);
  if (flush) {
    if (int code = file_.Sync()) return fail(code);
  }
  if (int code = file_.Close()) return fail(code);
  if (replace) {
    HeldCheck held;
    if (int code = held.Acquire(targetPath_)) return fail(code);
  }
  if (int e = Fs().Rename(tempPath_, targetPath_, replace))
    return fail(e == EEXIST ? io::kFileExists : IoCodeFromErrno(e, targetPath_, IoOp::Write));
  active_ = false;
  tempPath_.clear();
  return 0;
}

void FileReplacement::Abort() {
  if (!active_) return;
  file_.Close();
  Fs().Unlink(tempPath_);
  tempPath_.clear();
  active_ = false;
}

int CreateNewFile(std::string_view name, std::string_view content) {
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  FileStat st;
  if (Fs().StatPath(path, st) == 0) return io::kFileExists;
  FileReplacement r;
  if (int code = r.Begin(name)) return code;
  if (int code = r.file().WriteAt(0, content.data(), content.size())) return code;
  const int code = r.CommitNew();
  // The one who made the file meanwhile may have swept this temporary between its close
  // and its move: the name is taken all the same.
  if (code == io::kFileNotFound && Fs().StatPath(path, st) == 0) return io::kFileExists;
  return code;
}

int WriteRefused(std::string_view name) {
  std::string path;
  if (ResolveName(name, path) != 0) return 0;
  return RefusedForWriting(path);
}

int ReplaceFileContents(std::string_view targetName, std::string_view data) {
  FileReplacement r;
  if (int code = r.Begin(targetName)) return code;
  if (int code = r.file().WriteAt(0, data.data(), data.size())) return code;
  return r.Commit();
}

int MoveCutTailAside(File& f, std::string_view name, std::uint64_t recordLength, std::uint64_t& size,
                     CutTailMove& result) {
  result = {};
  const std::uint64_t cut = recordLength == 0 ? 0 : size % recordLength;
  if (cut == 0) return 0;
  // Kept behind what an earlier move put there.
  const std::string aside = std::string(name) + ".cut";
  result.failed = aside;
  std::string bytes;
  if (int code = ReadFileText(aside, bytes); code != 0 && code != io::kFileNotFound) {
    result.failedReading = true;
    return code;
  }
  const std::size_t kept = bytes.size();
  bytes.resize(kept + cut);
  int code = f.ReadAt(size - cut, bytes.data() + kept, cut);
  if (code == 0) code = ReplaceFileContents(aside, bytes);
  if (code != 0) return code;
  result.failed = std::string(name);
  if ((code = f.Truncate(size - cut)) != 0) return code;
  result.failed.clear();
  size -= cut;
  result.moved = cut;
  return 0;
}

std::string CutTailMovedText(std::string_view name, std::uint64_t moved) {
  const std::string shown = ShownPath(name);
  return Cz("Useknutá věta souboru ") + shown + " (" + std::to_string(moved) + Cz(" B) je přesunuta do ") + shown +
         ".cut";
}

int ReplaceFileFrom(std::string_view sourceName, std::string_view targetName) {
  std::string source, target;
  if (int code = ResolveName(sourceName, source)) return code;
  if (int code = ResolveName(targetName, target)) return code;
  FileStat st;
  if (int e = Fs().StatPath(source, st)) return IoCodeFromErrno(e, source);
  if (!st.isRegular) return io::kAccessDenied;
  if (int code = GuardUnfinishedRewrite(sourceName)) return code;
  if (int code = GuardUnfinishedRewrite(targetName)) return code;
  if (int code = RefusedForWriting(target)) return code;
  SweepDeadTemps(target);
  {
    HeldCheck heldSource, heldTarget;
    if (int code = heldSource.Acquire(source)) return code;
    if (int code = heldTarget.Acquire(target)) return code;
    const int e = Fs().Rename(source, target, true);
    if (e == 0) return 0;
    if (e != EXDEV) return IoCodeFromErrno(e, target, IoOp::Write);
  }
  // Another file system: copy beside the target, then rename over it.
  File in;
  if (int code = in.OpenPath(source, O_RDONLY, kModeReadOnly, false)) return code;
  FileReplacement r;
  if (int code = r.Begin(targetName)) return code;
  if (int code = CopyFileData(in, r.file(), 0, 1 << 16)) return code;
  if (int code = r.file().SetTime(st.mtimeNs)) return code;
  in.Close();
  if (int code = r.Commit()) return code;
  Fs().Unlink(source);  // the target is in place; a source left over harms nothing
  return 0;
}

// ---- Names on disk ------------------------------------------------------------

int GetFileInfo(std::string_view name, FileStat& st) {
  st = {};
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  if (int e = Fs().StatPath(path, st)) return IoCodeFromErrno(e, path);
  return 0;
}

int DiskFreeSpace(std::string_view name, std::uint64_t& bytes) {
  bytes = 0;
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  if (path.empty()) path = ".";
  for (;;) {
    FileStat st;
    if (Fs().StatPath(path, st) == 0) break;
    const auto slash = path.find_last_of('/', path.size() > 1 && path.back() == '/' ? path.size() - 2 : path.npos);
    if (slash == std::string::npos) {
      path = ".";
      break;
    }
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
  if (int e = Fs().FreeSpace(path, bytes)) return IoCodeFromErrno(e, path);
  return 0;
}

bool FileExists(std::string_view name) {
  FileStat st;
  return GetFileInfo(name, st) == 0 && st.isRegular;
}

bool DirectoryExists(std::string_view name) {
  FileStat st;
  return GetFileInfo(name, st) == 0 && st.isDir;
}

int FileSize(std::string_view name, std::uint64_t& size) {
  size = 0;
  FileStat st;
  if (int code = GetFileInfo(name, st)) return code;
  if (st.isDir) return io::kAccessDenied;
  size = st.size;
  return 0;
}

int ReadFileText(std::string_view name, std::string& out) {
  out.clear();
  File f;
  if (int code = f.Open(name, kModeReadOnly)) return code;
  return f.ReadWhole(out);
}

std::size_t TextEnd(std::string_view bytes) {
  const std::size_t end = bytes.find(kTextEndByte);
  return end == std::string_view::npos ? bytes.size() : end;
}

int ReadTextFile(std::string_view name, std::string& text, std::string* tail) {
  if (tail) tail->clear();
  if (const int code = ReadFileText(name, text)) return code;
  const std::size_t end = TextEnd(text);
  if (tail) tail->assign(text, end);
  text.resize(end);
  return 0;
}

int EraseFile(std::string_view name) {
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  FileStat st;
  if (int e = Fs().StatPath(path, st)) return IoCodeFromErrno(e, path);
  if (st.isDir) return io::kAccessDenied;
  if (int code = GuardUnfinishedRewrite(name)) return code;
  HeldCheck held;
  if (int code = held.Acquire(path)) return code;
  if (int e = Fs().Unlink(path)) return IoCodeFromErrno(e, path);
  return 0;
}

int RenameFile(std::string_view oldName, std::string_view newName) {
  std::string from, to;
  if (int code = ResolveName(oldName, from)) return code;
  FileStat src;
  if (int e = Fs().StatPath(from, src)) return IoCodeFromErrno(e, from);
  if (int code = GuardUnfinishedRewrite(oldName)) return code;
  if (int code = GuardUnfinishedRewrite(newName)) return code;
  if (int code = ResolveName(newName, to)) return code;
  FileStat dst;
  if (Fs().StatPath(to, dst) == 0) {
    if (dst.dev != src.dev || dst.ino != src.ino) return io::kFileExists;
    // Only the case changes: the new name is taken as given.
    std::string folder;
    if (int code = ResolveName(FolderPart(newName), folder)) return code;
    to = folder + Win1250ToUtf8(NamePart(newName));
    if (to == from) return 0;
  }
  HeldCheck held;
  if (int code = held.Acquire(from)) return code;
  if (int e = Fs().Rename(from, to, false)) return IoCodeFromErrno(e, to);
  return 0;
}

int MakeDir(std::string_view name) {
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  if (int e = Fs().MakeDir(path)) return IoCodeFromErrno(e, path);
  return 0;
}

int RemoveDir(std::string_view name) {
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  if (int e = Fs().RemoveDir(path)) return IoCodeFromErrno(e, path);
  return 0;
}

int MakeUniqueDir(std::string_view parent, std::string_view prefix, std::string& made) {
  static std::mt19937 gen{std::random_device{}()};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uniform_int_distribution<int> pick(0, 35);
  made.clear();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = std::string(parent) + std::string(prefix);
    for (int i = 0; i < 8; ++i) name += kLetters[pick(gen)];
    const int code = MakeDir(name);
    if (code == io::kFileExists) continue;
    if (code == 0) made = name + "\\";
    return code;
  }
  return io::kFileExists;
}

int RemoveTree(std::string_view name) {
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  FileSystem& fs = Fs();
  int first = 0;
  auto note = [&first](int e, const std::string& p) {
    if (e != 0 && first == 0) first = IoCodeFromErrno(e, p);
  };
  FileStat top;
  if (int e = fs.LinkStatPath(path, top)) return IoCodeFromErrno(e, path);
  if (top.isLink) {  // the link goes, not what it points to
    note(fs.Unlink(path), path);
    return first;
  }
  // Folders in the order they were found, each below one found earlier; links are
  // unlinked as they are met and never walked into. No recursion: a tree may be deep.
  std::vector<std::string> folders{path};
  for (std::size_t i = 0; i < folders.size(); ++i) {
    const std::string folder = folders[i];
    FileStat st;
    if (int e = fs.LinkStatPath(folder, st)) {
      note(e, folder);
      continue;
    }
    if (st.isLink) {  // turned into a link since it was listed
      note(fs.Unlink(folder), folder);
      continue;
    }
    std::vector<DirEntryRaw> entries;
    if (int e = fs.ListDir(folder, entries)) {
      note(e, folder);
      continue;
    }
    for (const DirEntryRaw& entry : entries) {
      const std::string child = folder + "/" + entry.name;
      if (entry.isDir && !entry.isLink) folders.push_back(child);
      else note(fs.Unlink(child), child);
    }
  }
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    FileStat st;
    if (fs.LinkStatPath(*it, st) == 0 && st.isDir) note(fs.RemoveDir(*it), *it);
  }
  return first;
}

int MakeDirs(std::string_view name) {
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  FileSystem& fs = Fs();
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos < path.size() && path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    FileStat st;
    if (fs.StatPath(part, st) == 0) {
      if (!st.isDir) return io::kFileExists;
      continue;
    }
    const int e = fs.MakeDir(part);
    if (e != 0 && e != EEXIST) return IoCodeFromErrno(e, part);
  }
  return 0;
}

int GetFileTime(std::string_view name, std::int64_t& mtimeNs) {
  mtimeNs = 0;
  FileStat st;
  if (int code = GetFileInfo(name, st)) return code;
  mtimeNs = st.mtimeNs;
  return 0;
}

int SetFileTime(std::string_view name, std::int64_t mtimeNs) {
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  if (int e = Fs().SetTimePath(path, mtimeNs)) return IoCodeFromErrno(e, path);
  return 0;
}

std::string CurrentFolder() {
  std::string buf(4096, '\0');
  if (!getcwd(buf.data(), buf.size())) return "./";
  buf.resize(buf.find('\0'));
  if (buf.empty() || buf.back() != '/') buf += '/';
  return Utf8ToWin1250(buf);
}

int SetCurrentFolder(std::string_view name) {
  std::string path;
  if (int code = ResolveName(name, path)) return code;
  if (chdir(path.c_str()) != 0) {
    const int e = errno;
    return e == ENOENT ? io::kPathNotFound : IoCodeFromErrno(e, path);
  }
  return 0;
}

// ---- Listing ------------------------------------------------------------------

namespace {
bool Glob(std::string_view m, std::string_view n) {
  std::size_t mi = 0, ni = 0, starM = std::string_view::npos, starN = 0;
  while (ni < n.size()) {
    if (mi < m.size() && (m[mi] == '?' || UpperCp1250(m[mi]) == UpperCp1250(n[ni]))) {
      ++mi;
      ++ni;
    } else if (mi < m.size() && m[mi] == '*') {
      starM = mi++;
      starN = ni;
    } else if (starM != std::string_view::npos) {
      mi = starM + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (mi < m.size() && m[mi] == '*') ++mi;
  return mi == m.size();
}
}  // namespace

bool MatchMask(std::string_view mask, std::string_view name) {
  if (Glob(mask, name)) return true;
  // "NAME.*" also takes "NAME" without an extension, so "*.*" takes every name.
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
    return Glob(mask.substr(0, mask.size() - 2), name);
  return false;
}

std::string ShownName(const DirItem& e) {
  const bool utf8 = IsUtf8WithNonAscii(e.diskName) ||
                    std::all_of(e.diskName.begin(), e.diskName.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return utf8 ? e.name : e.diskName;
}

std::string ListedName(const DirItem& e) { return Win1250ToUtf8(e.name) == e.diskName ? e.name : e.diskName; }

int ListDirectory(std::string_view mask, std::vector<DirItem>& out, unsigned what) {
  out.clear();
  std::string_view pattern = NamePart(mask);
  if (pattern.empty()) pattern = "*";
  std::string folder;
  const std::string_view folderName = FolderPart(mask);
  if (int code = ResolveName(folderName, folder)) return code;
  FileSystem& fs = Fs();
  std::vector<DirEntryRaw> entries;
  if (int e = fs.ListDir(folder.empty() ? "." : folder, entries))
    return e == ENOENT || e == ENOTDIR ? io::kPathNotFound : IoCodeFromErrno(e, folder);
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  for (const DirEntryRaw& e : entries) {
    DirItem item;
    item.name = Utf8ToWin1250(e.name);
    if (!MatchMask(pattern, item.name)) continue;
    item.diskName = e.name;
    FileStat st;
    if (fs.StatPath(prefix + e.name, st) != 0) continue;  // gone meanwhile
    item.isDir = st.isDir;
    item.isLink = e.isLink;
    if (!(what & (item.isDir ? kListDirs : kListFiles))) continue;
    item.readOnly = st.readOnly;
    item.size = st.size;
    item.mtimeNs = st.mtimeNs;
    out.push_back(std::move(item));
  }
  std::sort(out.begin(), out.end(), [](const DirItem& a, const DirItem& b) { return a.name < b.name; });
  return out.empty() ? io::kNoMoreFiles : 0;
}

// ---- FileTurn ---------------------------------------------------------------------

namespace {
constexpr std::uint64_t kTurnByte = 0x7FFFFFFF00000000ULL;
}  // namespace

int FileTurn::Take(const File& f, bool write, int waitMs) {
  Release();
  f.knownSize_ = 0;  // the file may have been cut before this turn
  if (!f.IsOpen()) return io::kFileNotOpen;
  FileSystem& fs = Fs();
  int fd = -1;
  if (int e = fs.Open(f.RealPath(), write ? O_RDWR : O_RDONLY, 0, fd)) return IoCodeFromErrno(e, f.RealPath());
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    const int e = fs.RangeLock(fd, write ? F_WRLCK : F_RDLCK, kTurnByte, 1);
    if (e == 0) {
      fd_ = fd;
      return 0;
    }
    if (e != EAGAIN) {  // no such locks here: without
      fs.Close(fd);
      return 0;
    }
    if (std::chrono::steady_clock::now() >= until) {
      fs.Close(fd);
      return io::kLockViolation;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void FileTurn::Release() {
  if (fd_ < 0) return;
  Fs().Close(fd_);  // closing the description gives the lock back
  fd_ = -1;
}

}  // namespace common
