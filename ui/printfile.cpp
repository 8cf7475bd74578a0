#include "ui/printfile.h"

#include <fcntl.h>

#include <cerrno>
#include <filesystem>

#include "common/encoding.h"
#include "common/filesystem.h"
#include "common/osfile.h"
#include "common/text.h"
#include "common/winpath.h"

namespace ui {

namespace {

using common::Cz;

std::string Shown(const std::string& path) { return common::Utf8ToWin1250(path); }

std::string FolderOf(const std::string& path) {
  const std::string parent = std::filesystem::path(path).parent_path().string();
  return parent.empty() ? "/" : parent;
}

// The nearest folder above `path` that is there as something other than a folder.
std::string FileInTheWay(const std::string& path) {
  common::FileSystem& fs = common::CurrentFileSystem();
  for (std::filesystem::path p = std::filesystem::path(path).parent_path(); !p.empty() && p != p.root_path();
       p = p.parent_path()) {
    common::FileStat st;
    if (fs.StatPath(p.string(), st) == 0 && st.exists) return st.isDir ? std::string() : p.string();
  }
  return {};
}

std::string Why(const std::string& path, int err, bool existed) {
  const std::string folder = FolderOf(path);
  switch (err) {
    case ENOTDIR:
      if (const std::string file = FileInTheWay(path); !file.empty()) return Shown(file) + Cz(" je soubor, ne složka");
      [[fallthrough]];
    case ENOENT: return Cz("složka ") + Shown(folder) + Cz(" neexistuje");
    case EACCES:
    case EPERM:
      return existed ? Cz("k souboru nemáte právo zápisu") : Cz("do složky ") + Shown(folder) + Cz(" nemáte právo zapisovat");
    case EROFS: return Cz("disk je jen pro čtení");
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return Cz("na disku není místo");
    case EISDIR: return Cz("je to složka, ne soubor");
    case ENAMETOOLONG: return Cz("jméno je příliš dlouhé");
    default:
      return Cz("soubor nelze otevřít (err ") + std::to_string(common::IoCodeFromErrno(err, path, common::IoOp::Write)) +
             ")";
  }
}

}  // namespace

std::string DefaultPrintFile(std::string_view folder, std::string_view job) {
  std::string base(job);
  if (const auto cut = base.find_last_of("\\/"); cut != std::string::npos) base.erase(0, cut + 1);
  base = common::StripLeftSp(common::StripRightSp(base));
  if (const auto dot = base.rfind('.'); dot != std::string::npos && dot > 0) base.erase(dot);
  base = common::StripRightSp(base);  // "TEXTY .TXT"
  if (base.empty()) base = "tisk";
  return std::string(folder) + "\\" + base + ".pdf";
}

std::string PrintFileOf(std::string_view winName) {
  std::string real;
  (void)common::ResolveName(winName, real);  // a part not there yet keeps its spelling
  return PrintFilePath(real);
}

std::string PrintFilePath(std::string_view typed) {
  std::filesystem::path p{std::string(typed)};
  if (p.is_relative()) p = std::filesystem::current_path() / p;
  return p.lexically_normal().string();
}

std::string PrintFileProblem(const std::string& path) {
  common::FileSystem& fs = common::CurrentFileSystem();
  common::FileStat st;
  const bool existed = fs.StatPath(path, st) == 0 && st.exists;
  if (existed && st.isDir) return Why(path, EISDIR, true);
  if (existed && !st.isRegular) return Cz("není to obyčejný soubor");
  int fd = -1;
  // Opened as the print will open it, without cutting what is there.
  if (const int err = fs.Open(path, O_WRONLY | O_CREAT | O_NONBLOCK, 0666, fd)) return Why(path, err, existed);
  (void)fs.Close(fd);
  if (!existed) (void)fs.Unlink(path);
  return {};
}

bool PrintFileComplete(const std::string& path) {
  common::FileSystem& fs = common::CurrentFileSystem();
  int fd = -1;
  if (fs.Open(path, O_RDONLY, 0, fd)) return false;
  std::string tail(64, '\0');
  common::FileStat st;
  std::size_t got = 0;
  bool read = fs.Stat(fd, st) == 0 && st.size > 16;
  if (read) {
    const std::uint64_t n = std::min<std::uint64_t>(st.size, tail.size());
    read = fs.ReadAt(fd, tail.data(), n, st.size - n, got) == 0;
    tail.resize(got);
  }
  (void)fs.Close(fd);
  // A PDF writer's last line is its end-of-file mark, whatever line end follows.
  return read && tail.find("%%EOF") != std::string::npos;
}

std::string PrintFileFailureText(const std::string& path, const std::string& why) {
  return Cz("Tisk nelze uložit do souboru ") + Shown(path) + ": " + why;
}

std::string DiscardCutPrintFile(const std::string& path) {
  common::FileSystem& fs = common::CurrentFileSystem();
  std::uint64_t free = 0;
  const bool full = fs.FreeSpace(FolderOf(path), free) == 0 && free < (1u << 20);
  const std::string why = full ? Cz("na disku došlo místo") : Cz("soubor se nepodařilo dopsat");
  const int err = fs.Unlink(path);
  return PrintFileFailureText(path, why + (err == 0 || err == ENOENT ? Cz(", neúplný soubor je smazán")
                                                                     : Cz(", neúplný soubor nelze smazat")));
}

}  // namespace ui
