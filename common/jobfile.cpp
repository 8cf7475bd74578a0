#include "common/jobfile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/text.h"
#include "common/winpath.h"

namespace common {

namespace {

constexpr std::size_t kFieldMax = 8;
constexpr int kValueOffset = 9;

std::string Field(const JobImage& t, int off) {
  const std::size_t n = std::min<std::size_t>(t[off], kFieldMax);
  return std::string(reinterpret_cast<const char*>(&t[off + 1]), n);
}

// Length byte and characters; the bytes after the text stay as they were.
void PutField(JobImage& t, int off, std::string_view text) {
  const std::size_t n = std::min(text.size(), kFieldMax);
  t[off] = static_cast<std::uint8_t>(n);
  if (n > 0) std::memcpy(&t[off + 1], text.data(), n);
}

int FindEntry(const JobImage& t, std::string_view name) {
  for (int off = 0; off < kJobFileSize; off += kJobEntrySize)
    if (t[off] != 0 && Field(t, off) == name) return off;
  return -1;
}

bool AllBlanks(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

// Zeros after the 1818 bytes of an old job file; its own bytes are not rewritten.
int Widen(File& f) {
  const std::string zeros(kJobFileSize - kOldJobFileSize, '\0');
  return f.WriteAt(kOldJobFileSize, zeros.data(), zeros.size());
}

bool GoodJobSize(std::uint64_t size) { return size == kJobFileSize || size == kOldJobFileSize; }

// The message about a job file of a wrong size, once per file and size in a run.
void ReportJobSize(const std::string& realPath, std::uint64_t size) {
  static std::set<std::string> told;
  if (!told.insert(realPath + '|' + std::to_string(size)).second) return;
  std::string shown = Utf8ToWin1250(realPath);
  while (shown.rfind("./", 0) == 0) shown.erase(0, 2);
  if (shown.empty() || shown[0] != '/') shown = CurrentFolder() + shown;  // the full path
  MessageOk(Cz("Soubor ") + shown + Cz(" má ") + std::to_string(size) +
            Cz(" bajtů, není to tabulka nastavení (3600 nebo 1818 bajtů): nečte se ani nepřepisuje"));
}

void WidenIfOld(std::string_view file) {
  if (CheckFile(file) != kOldJobFileSize) return;
  File f;
  std::uint64_t size = 0;
  if (f.Open(file, kModeDenyNone) != 0) return;
  FileTurn turn;
  if (turn.Take(f) == 0 && f.Size(size) == 0 && size == kOldJobFileSize) (void)Widen(f);
}

// The table of a job file; all zeros when it cannot be read or has a wrong size.
void LoadTable(std::string_view file, JobImage& t) {
  t.fill(0);
  File f;
  if (f.Open(file, kModeReadOnly) != 0) return;
  std::uint64_t size = 0;
  if (f.Size(size) != 0) return;
  if (!GoodJobSize(size)) {
    ReportJobSize(f.RealPath(), size);
    return;
  }
  FileTurn turn;  // no writer's table half written
  (void)turn.Take(f, false);
  std::size_t got = 0;
  if (f.ReadSome(0, t.data(), t.size(), got) != 0) t.fill(0);
}

// Read, change and write back one entry of a job file through table t, holding the
// file's write turn across all three (see FileTurn). A missing file is created with
// an empty table; a file of a wrong size is reported and left alone.
void StoreEntry(std::string_view file, std::string_view name, std::string_view value, JobImage& t,
                const std::string& user) {
  File f;
  int code = f.Open(file, kModeDenyNone);
  if (code == io::kFileNotFound) {
    // Created whole or not at all; a file another workstation created meanwhile stays.
    code = CreateNewFile(file, std::string(kJobFileSize, '\0'));
    if (code != io::kFileExists) ThrowIfError(code, file);
    code = f.Open(file, kModeDenyNone);
  }
  if (code == io::kSharingViolation) {
    MessageOk("Uz: " + user + " Soub: Master.job err " + FormatNumberMask("######", code));
    throw IoError(code, std::string(file));
  }
  ThrowIfError(code, file);
  FileTurn turn;
  ThrowIfError(turn.Take(f), file);
  std::uint64_t size = 0;
  ThrowIfError(f.Size(size), file);
  if (!GoodJobSize(size)) {
    ReportJobSize(f.RealPath(), size);
    throw IoError(io::kInvalidData, std::string(file));
  }
  if (size == kOldJobFileSize) ThrowIfError(Widen(f), file);
  t.fill(0);
  ThrowIfError(f.ReadAt(0, t.data(), t.size()), file);
  if (SetJobValue(t, name, value)) ThrowIfError(f.WriteAt(0, t.data(), t.size()), file);
  turn.Release();
  ThrowIfError(f.Close(), file);
}

std::string Firm(std::string_view zak1, std::string_view zak2, std::string_view zak3) {
  std::string name = std::string(zak1) + std::string(zak2) + std::string(zak3) + std::string(24, ' ');
  name.resize(24);
  return name;
}

}  // namespace

std::string JobValue(const JobImage& table, std::string_view name) {
  const int off = FindEntry(table, name);
  return off < 0 ? std::string() : StripRightSp(Field(table, off + kValueOffset));
}

bool SetJobValue(JobImage& table, std::string_view name, std::string_view value) {
  name = name.substr(0, kFieldMax);
  value = value.substr(0, kFieldMax);
  if (AllBlanks(value)) value = {};
  int off = FindEntry(table, name);
  if (off >= 0) {
    PutField(table, off + kValueOffset, value);
    if (value.empty()) table[off] = 0;
    return true;
  }
  if (value.empty() || name.empty()) return false;
  for (off = 0; off < kJobFileSize && table[off] != 0; off += kJobEntrySize) {
  }
  if (off >= kJobFileSize) return false;  // the table is full
  PutField(table, off, name);
  PutField(table, off + kValueOffset, StripRightSp(value));
  return true;
}

bool JobFileSizeOk(std::string_view file) {
  std::string real;
  FileStat st;
  if (ResolveName(file, real) != 0 || CurrentFileSystem().StatPath(real, st) != 0 || !st.isRegular) return true;
  if (GoodJobSize(st.size)) return true;
  ReportJobSize(real, st.size);
  return false;
}

std::string JobFileName(Session& s) {
  if (CheckFile(kJobFileName) >= 2) return kJobFileName;
  return DataDir(s, kJobFileName);
}

std::string GetJob(Session& s, std::string_view name) {
  if (s.JobLoadState != 1) {
    if (s.JobLoadState == -1) s.JobLoadState = 1;
    const std::string file = JobFileName(s);
    WidenIfOld(file);
    LoadTable(file, s.JobTable);
  }
  return JobValue(s.JobTable, name);
}

std::string GetJob(std::string_view name) { return GetJob(CurrentSession(), name); }

void WriteJob(Session& s, std::string_view name, std::string_view value) {
  StoreEntry(JobFileName(s), name, value, s.JobTable, s.CurrentUser);
}

void WriteJob(std::string_view name, std::string_view value) { WriteJob(CurrentSession(), name, value); }

std::string ReadJobIn(std::string_view folder, std::string_view name) {
  const std::string file = std::string(folder) + kJobFileName;
  if (CheckFile(file) < 2) return {};
  WidenIfOld(file);
  JobImage t;
  LoadTable(file, t);
  return JobValue(t, name.substr(0, kFieldMax));
}

void WriteJobIn(std::string_view folder, std::string_view name, std::string_view value) {
  JobImage t;
  StoreEntry(std::string(folder) + kJobFileName, name, value, t, CurrentSession().CurrentUser);
}

namespace {

bool Saying(const std::function<void()>& write) {
  try {
    write();
    return true;
  } catch (const IoError& e) {
    if (e.code != io::kSharingViolation && e.code != io::kInvalidData) FileErrorMessage(" pise soubor: ", e.file, e.code);
    return false;
  }
}

}  // namespace

bool WriteJobSaying(std::string_view name, std::string_view value) {
  return Saying([&] { WriteJob(name, value); });
}

bool WriteJobInSaying(std::string_view folder, std::string_view name, std::string_view value) {
  return Saying([&] { WriteJobIn(folder, name, value); });
}

std::string FirmName() { return Firm(GetJob("ZAK1"), GetJob("ZAK2"), GetJob("ZAK3")); }

std::string FirmNameInData() {
  const std::string folder = DataDir("");
  return Firm(ReadJobIn(folder, "ZAK1"), ReadJobIn(folder, "ZAK2"), ReadJobIn(folder, "ZAK3"));
}

}  // namespace common
