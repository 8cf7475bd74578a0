#include "common/winpath.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <mutex>
#include <set>
#include <unordered_map>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/filesystem.h"
#include "common/iocodes.h"
#include "common/osfile.h"

namespace common {

namespace {

// Every letter of the code page that has a capital in it.
const std::array<char, 256>& UpperTable() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<char>(i);
    const std::string lower = "abcdefghijklmnopqrstuvwxyz" + Cz("šśťžźłąşľżŕáâăäĺćçčéęëěíîďđńňóôőöřůúűüýţ");
    const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ" + Cz("ŠŚŤŽŹŁĄŞĽŻŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖŘŮÚŰÜÝŢ");
    for (std::size_t i = 0; i < lower.size(); ++i) t[static_cast<unsigned char>(lower[i])] = upper[i];
    return t;
  }();
  return table;
}

}  // namespace

char UpperCp1250(char c) { return UpperTable()[static_cast<unsigned char>(c)]; }

std::string UpperCp1250(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = UpperCp1250(c);
  return r;
}

bool SameNameCp1250(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperCp1250(a[i]) != UpperCp1250(b[i])) return false;
  return true;
}

namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }

// "x", "X:", "\\srv\share\" -> "X", "\\SRV\SHARE"; empty when it is neither.
std::string DriveKey(std::string_view drive) {
  if (drive.size() >= 2 && IsSep(drive[0]) && IsSep(drive[1])) {
    std::string k = "\\\\";
    for (char c : drive.substr(2)) k += IsSep(c) ? '\\' : UpperCp1250(c);
    while (k.size() > 2 && k.back() == '\\') k.pop_back();
    return k.size() > 2 ? k : std::string();
  }
  if (drive.size() == 2 && drive[1] == ':') drive = drive.substr(0, 1);
  if (drive.size() == 1 && std::isalpha(static_cast<unsigned char>(drive[0])))
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0]))));
  return {};
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

// One line of a drive map file: key and folder, false when it cannot be read.
bool ParseDriveLine(const std::string& line, std::string& key, std::string& folder) {
  std::size_t i = 0;
  if (line.size() >= 2 && IsSep(line[0]) && IsSep(line[1])) {
    while (i < line.size() && line[i] != '=' && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
  } else {
    if (line.size() < 2 || line[1] != ':') return false;  // a drive letter and its colon
    i = 2;
    if (i < line.size() && line[i] != '=' && !std::isspace(static_cast<unsigned char>(line[i]))) return false;
  }
  key = DriveKey(Utf8ToWin1250(line.substr(0, i)));
  std::string rest = Trim(std::string_view(line).substr(i));
  if (!rest.empty() && rest[0] == '=') rest = Trim(std::string_view(rest).substr(1));
  folder = rest;
  return !key.empty() && !folder.empty() && folder[0] == '/';
}

}  // namespace

DriveMap::DriveMap() { map_["C"] = "/"; }

void DriveMap::Clear() { map_.clear(); }

void DriveMap::Set(std::string_view drive, std::string folder) {
  const std::string key = DriveKey(drive);
  if (!key.empty()) map_[key] = WithSlash(std::move(folder));
}

void DriveMap::Remove(std::string_view drive) { map_.erase(DriveKey(drive)); }

std::string DriveMap::Folder(std::string_view drive) const {
  auto it = map_.find(DriveKey(drive));
  return it == map_.end() ? std::string() : it->second;
}

int DriveMap::Load(const std::string& realPath, std::vector<BadLine>* bad) {
  FileSystem& fs = CurrentFileSystem();
  int fd = -1;
  if (int e = fs.Open(realPath, O_RDONLY, 0, fd)) return IoCodeFromErrno(e, realPath);
  std::string text;
  char buf[4096];
  std::size_t got = 0;
  int err = 0;
  while ((err = fs.ReadAt(fd, buf, sizeof buf, text.size(), got)) == 0 && got > 0) text.append(buf, got);
  fs.Close(fd);
  if (err) return IoCodeFromErrno(err, realPath, IoOp::Read);
  text.resize(TextEnd(text));

  int result = 0;
  std::size_t pos = 0;
  for (int number = 1; pos < text.size(); ++number) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    const std::string line = Trim(std::string_view(text).substr(pos, nl - pos));
    pos = nl + 1;
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    std::string key, folder;
    if (!ParseDriveLine(line, key, folder)) {
      if (bad) bad->push_back({number, line});
      result = io::kInvalidParameter;
      continue;
    }
    map_[key] = WithSlash(folder);
  }
  return result;
}

DriveMap& Drives() {
  static DriveMap map;
  return map;
}

std::string_view FolderPart(std::string_view winName) {
  const std::size_t p = winName.find_last_of("\\/:");
  return p == std::string_view::npos ? std::string_view() : winName.substr(0, p + 1);
}

std::string_view NamePart(std::string_view winName) {
  const std::size_t p = winName.find_last_of("\\/:");
  return p == std::string_view::npos ? winName : winName.substr(p + 1);
}

namespace {

// Splits a name into the real folder it starts from (UTF-8; empty for a relative
// name) and the rest with "/" separators (still Windows-1250). 0 or 3.
int SplitRoot(std::string_view name, std::string& root, std::string& rest) {
  root.clear();
  rest.clear();
  std::string_view tail = name;
  int code = 0;
  if (name.size() >= 2 && IsSep(name[0]) && IsSep(name[1])) {
    // \\server\share\rest
    std::size_t i = 2;
    int seps = 0;
    while (i < name.size() && !(IsSep(name[i]) && ++seps == 2)) ++i;
    const std::string folder = Drives().Folder(name.substr(0, i));
    if (folder.empty()) {
      code = io::kPathNotFound;
      root = "//";
      tail = name.substr(2);
    } else {
      root = folder;
      tail = name.substr(i);
    }
  } else if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    const std::string folder = Drives().Folder(name.substr(0, 1));
    if (folder.empty()) {
      code = io::kPathNotFound;
      root = "/";
    } else {
      root = folder;
    }
    tail = name.substr(2);
  } else if (!name.empty() && IsSep(name[0])) {
    root = "/";
  }
  for (char c : tail) {
    const char s = IsSep(c) ? '/' : c;
    if (s == '/' && (rest.empty() ? !root.empty() : rest.back() == '/')) continue;  // no doubled separators
    rest += s;
  }
  return code;
}

}  // namespace

int MapName(std::string_view winName, std::string& real) {
  std::string root, rest;
  const int code = SplitRoot(winName, root, rest);
  real = root + Win1250ToUtf8(rest);
  return code;
}

namespace {

std::atomic<FolderCacheMode> g_cacheMode{FolderCacheMode::Watched};

// The names of one folder by their case-free key (Windows-1250, upper case).
class Names {
 public:
  void Add(const std::string& disk) { byKey_[Key(disk)].insert(disk); }
  void Remove(const std::string& disk) {
    auto it = byKey_.find(Key(disk));
    if (it == byKey_.end()) return;
    it->second.erase(disk);
    if (it->second.empty()) byKey_.erase(it);
  }
  // The byte-smallest name matching part (Windows-1250) without case, else a name of
  // exactly part's bytes (one no Windows-1250 text reaches); empty when none.
  std::string Find(const std::string& part) const {
    auto it = byKey_.find(UpperCp1250(part));
    if (it != byKey_.end()) return *it->second.begin();
    it = byKey_.find(Key(part));
    return it != byKey_.end() && it->second.count(part) ? part : std::string();
  }

 private:
  // A name the code page cannot carry gets a NUL, which no wanted part holds.
  static std::string Key(const std::string& disk) { return UpperCp1250(Utf8ToWin1250(disk, '\0')); }
  std::unordered_map<std::string, std::set<std::string>> byKey_;
};

// One pass over a listing, without keeping it.
std::string SmallestMatch(const std::vector<DirEntryRaw>& entries, const std::string& part) {
  const std::string* best = nullptr;
  for (const DirEntryRaw& e : entries)
    if ((!best || e.name < *best) && SameNameCp1250(Utf8ToWin1250(e.name, '\0'), part)) best = &e.name;
  if (best) return *best;
  // A name no Windows-1250 text reaches is reached by its own bytes.
  for (const DirEntryRaw& e : entries)
    if (e.name == part) return e.name;
  return std::string();
}

// File systems whose change notices report every change of a folder: those of this
// machine. A network file system reports only the changes made from here.
bool LocalFileSystem(const std::string& path) {
  struct statfs fs {};
  if (::statfs(path.c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:      // ext2/3/4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0x858458F6:  // ramfs
    case 0xF2F52010:  // f2fs
    case 0x794C7630:  // overlay
    case 0x2FC12FC1:  // zfs
    case 0xCA451A4E:  // bcachefs
      return true;
    default:
      return false;
  }
}

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool SameStamp(const FileStat& a, const FileStat& b) {
  return a.mtimeNs == b.mtimeNs && a.ctimeNs == b.ctimeNs && a.size == b.size && a.ino == b.ino && a.dev == b.dev;
}

// The listings of the folders ResolveName looked into, by the folder's device and inode.
class FolderListings {
 public:
  // The byte-smallest name of folder (a real path, "." for the current folder) that
  // matches part without case, empty when none; false when the folder cannot be listed.
  bool Find(FileSystem& fs, const std::string& folder, const std::string& part, std::string& match) {
    match.clear();
    const FolderCacheMode mode = g_cacheMode.load();
    FileStat st;
    if (mode == FolderCacheMode::Off || !fs.RealDisk() || fs.StatPath(folder, st) != 0 || !st.isDir)
      return ListOnce(fs, folder, part, match);
    std::lock_guard<std::mutex> lock(mu_);
    LeaveParentsNotices();
    Drain();
    const Key key{st.dev, st.ino};
    if (auto it = entries_.find(key); it != entries_.end()) {
      if (it->second.watch >= 0 || SameStamp(it->second.stamp, st)) {
        match = it->second.names.Find(part);
        return true;
      }
      Drop(it);
    }
    // Change notices cost the process a wait of some milliseconds when it ends, so only
    // a large folder listed again and again is watched; a small one is listed anew.
    if (listed_.size() > kMaxFolders * 4) listed_.clear();
    Listed& listed = listed_[key];
    Entry e;
    if (mode == FolderCacheMode::Watched && ++listed.times > kListingsBeforeWatch && listed.size >= kWatchedSize &&
        LocalFileSystem(folder))
      e.watch = Watch(folder);
    // The watch comes first: a change during the listing is replayed from its notice.
    std::vector<DirEntryRaw> entries;
    if (fs.ListDir(folder, entries) != 0) {
      if (e.watch >= 0) ::inotify_rm_watch(notify_, e.watch);
      return false;
    }
    match = SmallestMatch(entries, part);
    listed.size = entries.size();
    // A folder changed within the last two seconds could change again within the same
    // time stamp: such a listing is not kept by its stamp.
    const bool settled = NowNs() - st.mtimeNs > 2'000'000'000;
    if (e.watch < 0 && !settled) return true;
    if (entries_.size() >= kMaxFolders) DropAll();
    for (const DirEntryRaw& d : entries) e.names.Add(d.name);
    e.stamp = st;
    if (e.watch >= 0) watched_[e.watch] = key;
    entries_.emplace(key, std::move(e));
    return true;
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(mu_);
    LeaveParentsNotices();
    DropAll();
    listed_.clear();
  }

 private:
  static constexpr std::size_t kMaxFolders = 256;
  static constexpr int kListingsBeforeWatch = 8;
  static constexpr std::size_t kWatchedSize = 256;
  using Key = std::pair<std::uint64_t, std::uint64_t>;
  struct Entry {
    Names names;
    int watch = -1;  // kept by change notices
    FileStat stamp;  // otherwise kept while this is unchanged
  };

  static bool ListOnce(FileSystem& fs, const std::string& folder, const std::string& part, std::string& match) {
    std::vector<DirEntryRaw> entries;
    if (fs.ListDir(folder, entries) != 0) return false;
    match = SmallestMatch(entries, part);
    return true;
  }

  int Watch(const std::string& folder) {
    if (notify_ == -2) {
      notify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
      owner_ = ::getpid();
    }
    if (notify_ < 0) return -1;
    const int w = ::inotify_add_watch(notify_, folder.c_str(),
                                      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR);
    return w >= 0 && watched_.count(w) == 0 ? w : -1;
  }

  // A child forked from this process shares the notices' descriptor: reading it would take
  // the parent's notices, and removing a watch would remove the parent's. The child lets
  // its copy go and starts afresh.
  void LeaveParentsNotices() {
    if (notify_ < 0 || owner_ == ::getpid()) return;
    ::close(notify_);
    notify_ = -2;
    entries_.clear();
    watched_.clear();
    listed_.clear();
  }

  // Applies the change notices that came since the last use.
  void Drain() {
    if (notify_ < 0) return;
    alignas(inotify_event) char buf[16384];
    for (;;) {
      const ssize_t n = ::read(notify_, buf, sizeof buf);
      if (n <= 0) return;
      for (ssize_t at = 0; at < n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        if (ev->mask & IN_Q_OVERFLOW) {
          DropAll();
          continue;
        }
        auto w = watched_.find(ev->wd);
        if (w == watched_.end()) continue;
        auto it = entries_.find(w->second);
        if (ev->mask & (IN_DELETE_SELF | IN_IGNORED | IN_UNMOUNT)) {
          if (it != entries_.end()) Drop(it);
          continue;
        }
        if (it == entries_.end() || ev->len == 0) continue;
        const std::string name(ev->name);
        if (ev->mask & (IN_CREATE | IN_MOVED_TO)) it->second.names.Add(name);
        if (ev->mask & (IN_DELETE | IN_MOVED_FROM)) it->second.names.Remove(name);
      }
    }
  }

  void Drop(std::map<Key, Entry>::iterator it) {
    if (it->second.watch >= 0) {
      ::inotify_rm_watch(notify_, it->second.watch);
      watched_.erase(it->second.watch);
    }
    entries_.erase(it);
  }

  void DropAll() {
    while (!entries_.empty()) Drop(entries_.begin());
  }

  std::mutex mu_;
  int notify_ = -2;  // -2: not opened yet
  pid_t owner_ = 0;  // the process that opened it
  std::map<Key, Entry> entries_;
  std::map<int, Key> watched_;
  struct Listed {
    int times = 0;
    std::size_t size = 0;  // entries at the last listing
  };
  std::map<Key, Listed> listed_;
};

// Never destroyed: files may still be named while the program's statics go away.
FolderListings& Listings() {
  static FolderListings* listings = new FolderListings;
  return *listings;
}

}  // namespace

void SetFolderCacheMode(FolderCacheMode mode) {
  g_cacheMode.store(mode);
  Listings().Clear();
}

FolderCacheMode GetFolderCacheMode() { return g_cacheMode.load(); }

int ResolveName(std::string_view winName, std::string& real) {
  std::string root, rest;
  const int code = SplitRoot(winName, root, rest);
  if (code != 0) {
    real = root + Win1250ToUtf8(rest);
    return code;
  }
  FileSystem& fs = CurrentFileSystem();
  real = root;
  bool onDisk = true;  // the folder so far exists, so its parts can be looked up
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    std::size_t slash = rest.find('/', pos);
    const bool last = slash == std::string::npos;
    if (last) slash = rest.size();
    const std::string part = rest.substr(pos, slash - pos);
    std::string utf = Win1250ToUtf8(part);
    if (onDisk && !part.empty() && part != "." && part != "..") {
      FileStat st;
      if (fs.StatPath(real + utf, st) != 0) {
        std::string match;
        Listings().Find(fs, real.empty() ? "." : real, part, match);
        if (match.empty()) onDisk = false;  // a new name keeps its case, and nothing below it exists
        else utf = match;
      }
    }
    real += utf;
    if (last) break;
    real += '/';
    pos = slash + 1;
  }
  return 0;
}

std::string ShownPath(std::string_view name) {
  if (!name.empty() && name.front() == '=') name.remove_prefix(1);
  if (name.find_first_of("\\/:") == std::string_view::npos) return std::string(name);
  std::string real;
  (void)ResolveName(name, real);
  return Utf8ToWin1250(real);
}

std::string RealPath(std::string_view winName) {
  std::string real;
  if (int code = ResolveName(winName, real)) throw IoError(code, std::string(winName));
  return real;
}

namespace {

// The parts of a real path with "." and ".." worked out ("/" first for an absolute one).
std::vector<std::string> PathParts(const std::string& path) {
  std::vector<std::string> parts;
  if (!path.empty() && path.front() == '/') parts.emplace_back("/");
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    const std::string part = path.substr(pos, slash - pos);
    pos = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == ".." && !parts.empty() && parts.back() != ".." && parts.back() != "/") parts.pop_back();
    else if (!(part == ".." && !parts.empty() && parts.back() == "/")) parts.push_back(part);
  }
  return parts;
}

}  // namespace

bool LiesInside(std::string_view root, std::string_view name) {
  std::string rootPath, namePath;
  if (MapName(root, rootPath) != 0 || MapName(name, namePath) != 0) return false;
  const std::vector<std::string> r = PathParts(rootPath), n = PathParts(namePath);
  return n.size() > r.size() && std::equal(r.begin(), r.end(), n.begin());
}

bool IsOneComponent(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace common
