#include "common/winpath.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cctype>

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
        std::vector<DirEntryRaw> entries;
        std::string match;
        if (fs.ListDir(real.empty() ? "." : real, entries) == 0) {
          std::sort(entries.begin(), entries.end(),
                    [](const DirEntryRaw& a, const DirEntryRaw& b) { return a.name < b.name; });
          for (const DirEntryRaw& e : entries) {
            // A name no Windows-1250 text reaches is reached by its own bytes.
            if (SameNameCp1250(Utf8ToWin1250(e.name, '\0'), part) || e.name == part) {
              match = e.name;
              break;
            }
          }
        }
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

std::string RealPath(std::string_view winName) {
  std::string real;
  if (int code = ResolveName(winName, real)) throw IoError(code, std::string(winName));
  return real;
}

bool IsOneComponent(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace common
