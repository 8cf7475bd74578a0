#include "common/fileops.h"

#include <limits>
#include <vector>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/scramble.h"
#include "common/session.h"
#include "common/winpath.h"

namespace common {

namespace {

std::string Code(std::string_view mask, int code) { return FormatNumberMask(mask, code); }

}  // namespace

std::int32_t CheckFile(std::string_view name) {
  for (;;) {
    File f;
    SetDefaultOpenMode(kModeReadOnly);
    const int code = f.Open(name, kModeReadOnly);
    SetDefaultOpenMode(kModeDenyNone);
    if (code == 0) {
      std::uint64_t size = 0;
      if (int c = f.Size(size)) return -c;
      return size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())
                 ? std::numeric_limits<std::int32_t>::max()
                 : static_cast<std::int32_t>(size);
    }
    // A wait the user leaves ends with the sharing violation.
    if (code != io::kSharingViolation ||
        LockWaitMessage(CurrentSession(), "Err" + Code("##### ", code) + std::string(name), 100))
      return -code;
  }
}

std::string UnreadableFileReason(std::string_view name) {
  if (DirectoryExists(name)) return Cz(" je složka, ne soubor");
  const std::int32_t size = CheckFile(name);
  if (size >= 0 || -size == io::kFileNotFound || -size == io::kPathNotFound) return {};
  return Cz(" nelze číst (err ") + std::to_string(-size) + ")";
}

bool HoldsBinaryBytes(std::string_view text) {
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 && b != '\t' && b != '\r' && b != '\n' && b != '\f') return true;
  }
  return false;
}

std::string DamagedTextReason(std::string_view name, std::string& text) {
  text.clear();
  if (std::string why = UnreadableFileReason(name); !why.empty()) return why;
  const std::int32_t size = CheckFile(name);
  if (size < 0) return {};  // missing
  if (size > kTextFileMaxBytes) return Cz(" je příliš velký (") + std::to_string(size) + " B)";
  if (const int code = ReadTextFile(name, text)) return Cz(" nelze číst (err ") + std::to_string(code) + ")";
  if (!HoldsBinaryBytes(text)) return {};
  text.clear();
  return Cz(" není textový soubor");
}

std::string DamagedFileText(std::string_view name, const std::string& why, const std::string& consequence) {
  return Cz("Soubor ") + ShownPath(name) + why + "; " + consequence;
}

std::string ReadFirstLine(std::string_view name) {
  File f;
  const int code = f.Open(name, kModeReadOnly);
  if (code == io::kSharingViolation) {
    MessageOk("Err" + Code("##### ", code) + std::string(name));
    return {};
  }
  if (code != 0) return {};
  std::string line;
  char buf[512];
  for (std::uint64_t off = 0;;) {
    std::size_t got = 0;
    if (f.ReadSome(off, buf, sizeof buf, got) != 0) return {};
    if (got == 0) return line;
    const std::string_view text(buf, TextEnd(std::string_view(buf, got)));
    const std::size_t end = text.find_first_of("\r\n");
    line += text.substr(0, end);
    if (end != std::string_view::npos || text.size() < got) return line;
    off += got;
  }
}

namespace {

// Erases one file, waiting while another open holds it; false (shown) when it cannot go.
bool EraseWaiting(const std::string& path) {
  for (;;) {
    const int code = EraseFile(path);
    if (code == 0 || code == io::kFileNotFound) return true;
    if (code == io::kUnfinishedRewrite) return false;  // said
    const std::string held = "Soubor " + path + Cz(" není volný při errasse - err ") + Code("####", code);
    if (code == io::kSharingViolation && !LockWaitMessage(CurrentSession(), held, 100)) continue;
    MessageOk("Soubor " + path + Cz(" nelze zrušit - err ") + Code("####", code));
    return false;
  }
}

}  // namespace

std::int32_t EraseFiles(std::string_view mask) {
  const std::string_view pattern = NamePart(mask);
  if (!pattern.empty() && pattern.front() != '.' && pattern.find_first_of("*?") == std::string_view::npos) {
    // One name: its case variants go one by one, without listing the folder.
    const std::string name(mask);
    bool any = false;
    for (;;) {
      FileStat st;
      const int info = GetFileInfo(name, st);
      if (info == io::kPathNotFound && !any) return info;
      if (info != 0 || st.isDir) break;
      any = true;
      if (!EraseWaiting(name)) break;
    }
    return any ? io::kNoMoreFiles : io::kFileNotFound;
  }
  std::string folder(FolderPart(mask));
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/' && folder.back() != ':') folder += '\\';
  std::vector<DirItem> items;
  const int listed = ListDirectory(mask, items, kListFiles | kListDirs);
  if (listed == io::kPathNotFound) return listed;
  if (listed == io::kNoMoreFiles) return io::kFileNotFound;  // nothing matched
  for (const DirItem& item : items) {
    if (item.isDir || item.name.empty() || item.name.front() == '.') continue;
    EraseWaiting(folder + item.name);
  }
  return io::kNoMoreFiles;
}

std::int32_t CopyFileBlocks(std::string_view source, std::string_view target) {
  if (CheckFile(source) < 1) return 0;
  // Before the target's open: one that may not be written still hears of its copy.
  if (int code = GuardUnfinishedRewrite(target)) return code;
  File in;
  if (int code = in.Open(source, kModeReadOnly)) return code;
  SetDefaultOpenMode(kModeReadWrite);
  File out;
  std::uint64_t end = 0;
  if (CheckFile(target) < 1) {
    if (int code = out.Create(target, kModeReadWrite)) return code;
  } else {
    if (int code = out.Open(target, kModeReadWrite)) return code;
    if (int code = out.Size(end)) return code;
  }
  int result = CopyFileData(in, out, end, kCopyBlock);
  const int closeIn = in.Close();
  const int closeOut = out.Close();
  if (result == 0) result = closeIn ? closeIn : closeOut;
  return result;
}

std::int32_t CopyFileKeepDate(std::string_view source, std::string_view target) {
  PendingCopy copy;
  if (std::int32_t code = copy.Prepare(source, target)) return code;
  return copy.Commit();
}

std::int32_t PendingCopy::Prepare(std::string_view source, std::string_view target) {
  missing_ = true;
  if (CheckFile(source) < 0) return 0;
  File in;
  if (int code = in.Open(source, kModeReadOnly)) return code;
  SetDefaultOpenMode(kModeReadWrite);
  std::int64_t mtime = 0;
  if (int code = in.GetTime(mtime)) return code;

  FileReplacement& r = replacement_;
  int code = r.Begin(target);
  if (code == io::kPathNotFound) {
    ForceDirs(target);
    code = r.Begin(target);
  }
  if (code) return code;
  missing_ = false;
  if ((code = CopyFileData(in, r.file(), 0, kCopyBlock))) return code;
  if ((code = in.Close())) return code;
  return r.file().SetTime(mtime);
}

std::int32_t PendingCopy::Commit() { return missing_ ? 0 : replacement_.Commit(); }

std::int32_t RenameFileOver(std::string_view oldName, std::string_view newName) {
  const std::string target(newName);
  for (int failures = 1;; ++failures) {
    const int code = ReplaceFileFrom(oldName, newName);
    if (code == 0 || code == io::kUnfinishedRewrite) return code;  // a refusal is said
    if (code != io::kSharingViolation) {
      BeepMessage("Err. " + Code("#####", code) + Cz(" při přejmenování na souboru ") + target);
      return code;
    }
    if (failures > 10) {
      BeepMessage("Soubor " + target + Cz(" nelze zrušit ") + Code("####", code));
      return code;
    }
    LockWaitMessage("Soubor " + target + Cz(" není volný - err ") + Code("####", code), 1000);
  }
}

std::int32_t RenameFileSafe(std::string_view oldName, std::string_view newName) {
  if (oldName.find('?') != std::string_view::npos) return 0;
  return RenameFileOver(oldName, newName);
}

namespace {

std::string FileKey() {
  const Session& s = CurrentSession();
  return s.ScrambleKey.empty() ? ProgramScrambleKey() : s.ScrambleKey;
}

void ConvertFile(std::string_view fileName, std::string (*convert)(std::string_view, std::string_view)) {
  if (CheckFile(fileName) < 2) return;
  const std::string key = FileKey();
  File f;
  ThrowIfError(f.Open(fileName, kModeReadWrite), fileName);
  std::string block(kScrambleBlockSize, '\0');
  for (std::uint64_t off = 0;;) {
    std::size_t got = 0;
    ThrowIfError(f.ReadSome(off, block.data(), block.size(), got), fileName);
    if (got == 0) break;
    const std::string done = convert(std::string_view(block.data(), got), key);
    ThrowIfError(f.WriteAt(off, done.data(), done.size()), fileName);
    off += got;
  }
  ThrowIfError(f.Close(), fileName);
}

}  // namespace

void ScrambleFile(std::string_view fileName) { ConvertFile(fileName, ScrambleText); }

void UnscrambleFile(std::string_view fileName) { ConvertFile(fileName, UnscrambleText); }

std::string UnscrambleBlocks(std::string_view data) {
  if (data.size() < 2) return std::string(data);
  const std::string key = FileKey();
  std::string out;
  out.reserve(data.size());
  for (std::size_t off = 0; off < data.size(); off += kScrambleBlockSize)
    out += UnscrambleText(data.substr(off, kScrambleBlockSize), key);
  return out;
}

}  // namespace common
