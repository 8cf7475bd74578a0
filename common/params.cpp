#include "common/params.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/errors.h"
#include "common/fileops.h"
#include "common/iocodes.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"

namespace common {

namespace {

void AddEntry(tSetReg& reg, std::string key, std::string value) {
  if (static_cast<int>(reg.keys.size()) < kParamMaxKeys) {
    reg.keys.push_back(std::move(key));
    reg.values.push_back(std::move(value));
  } else {
    reg.keys.back() = std::move(key);
    reg.values.back() = std::move(value);
  }
}

void LoadParamFile(tSetReg& reg) {
  std::string text;
  const int code = ReadTextFile(reg.diskName, text);
  if (code == io::kFileNotFound || code == io::kPathNotFound) return;  // a missing file reads as empty
  if (code != 0) {
    reg.refused = code;  // what is on disk is unknown: it must not be replaced
    return;
  }
  if (HoldsBinaryBytes(text)) reg.refused = io::kInvalidData;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string key, value;
    if (ParseParamLine(text.substr(start, end - start), key, value)) AddEntry(reg, std::move(key), std::move(value));
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
}

tSetReg& CachedFile(std::string_view fileName) {
  Session& s = CurrentSession();
  const std::string upper = UpperCz(fileName);
  for (auto& reg : s.ParamCache)
    if (reg->fileName == upper) return *reg;
  if (static_cast<int>(s.ParamCache.size()) >= kParamCacheFiles) FlushParamsSaying();
  auto reg = std::make_unique<tSetReg>();
  reg->fileName = upper;
  reg->diskName = std::string(fileName);
  LoadParamFile(*reg);
  s.ParamCache.push_back(std::move(reg));
  return *s.ParamCache.back();
}

int FindKey(const tSetReg& reg, std::string_view key) {
  const std::string upper = UpperCz(key);
  for (std::size_t i = 0; i < reg.keys.size(); ++i)
    if (UpperCz(reg.keys[i]) == upper) return static_cast<int>(i);
  return -1;
}

int WriteParamFile(const tSetReg& reg) {
  // A settings file the user made read-only, or a folder in its place, stays as it is.
  FileStat st;
  if (GetFileInfo(reg.diskName, st) == 0 && (st.isDir || st.readOnly)) return io::kAccessDenied;
  std::string text;
  for (std::size_t i = 0; i < reg.keys.size(); ++i)
    if (!reg.values[i].empty()) text += reg.keys[i] + " : " + reg.values[i] + "\r\n";
  int code = ReplaceFileContents(reg.diskName, text);
  if (code == io::kPathNotFound) {
    ForceDirs(FolderPart(reg.diskName));
    code = ReplaceFileContents(reg.diskName, text);
  }
  return code;
}

}  // namespace

bool ParseParamLine(const std::string& line, std::string& key, std::string& value) {
  const int p = Pos(":", line);
  if (p == 0) return false;
  key = Copy(line, 1, p - 2);
  value = Copy(line, p + 2, kParamValueMax);
  return true;
}

std::string ReadParam(const std::string& fileName, const std::string& key) {
  const tSetReg& reg = CachedFile(fileName);
  const int i = FindKey(reg, key);
  return i < 0 ? std::string() : reg.values[i];
}

tSetReg ReadParamFileFresh(const std::string& fileName) {
  tSetReg reg;
  reg.fileName = UpperCz(fileName);
  reg.diskName = fileName;
  LoadParamFile(reg);
  return reg;
}

bool SayDamagedParamFile(const std::string& fileName) {
  tSetReg& reg = CachedFile(fileName);
  std::string text;
  const std::string why = DamagedTextReason(reg.diskName, text);
  if (why.empty()) return false;
  // Values the run has set stay for the run; none is taken from the file.
  if (!reg.dirty) {
    reg.keys.clear();
    reg.values.clear();
  }
  if (!reg.refused) reg.refused = io::kInvalidData;
  reg.refusalRaised = true;  // said here; a flush passes it over
  // One file under two names (the start folder's and the data folder's) is said once.
  std::string real;
  (void)ResolveName(reg.diskName, real);
  MessageOnce(CurrentSession(), "damaged " + std::filesystem::absolute(real).lexically_normal().string(),
              DamagedFileText(reg.diskName, why, Cz("jeho hodnoty nepoužívám a nepřepisuji ho, změny platí jen do konce práce")));
  return true;
}

void ForgetParamFile(const std::string& fileName) {
  auto& cache = CurrentSession().ParamCache;
  const std::string upper = UpperCz(fileName);
  std::erase_if(cache, [&](const std::unique_ptr<tSetReg>& reg) { return reg->fileName == upper && !reg->dirty; });
}

std::string ParamValue(const tSetReg& reg, const std::string& key) {
  const int i = FindKey(reg, key);
  return i < 0 ? std::string() : reg.values[static_cast<std::size_t>(i)];
}

void WriteParam(const std::string& fileName, const std::string& key, const std::string& value) {
  tSetReg& reg = CachedFile(fileName);
  const int i = FindKey(reg, key);
  if (i >= 0) reg.values[i] = value;
  else AddEntry(reg, key, value);
  reg.dirty = true;
}

std::vector<IoError> StoreParams() {
  Session& s = CurrentSession();
  std::vector<std::unique_ptr<tSetReg>> kept;
  std::vector<IoError> failures;
  for (auto& reg : s.ParamCache) {
    if (!reg->dirty) continue;
    if (reg->refused) {
      if (!reg->refusalRaised)
        failures.emplace_back(reg->refused, reg->diskName,
                              reg->refused == io::kInvalidData
                                  ? reg->diskName + ": binary bytes, not a parameter file; nothing written"
                                  : std::string());
      reg->refusalRaised = true;
    } else if (const int code = WriteParamFile(*reg)) {
      failures.emplace_back(code, reg->diskName);
    } else {
      continue;
    }
    kept.push_back(std::move(reg));
  }
  s.ParamCache = std::move(kept);
  return failures;
}

void FlushParams() {
  const std::vector<IoError> failures = StoreParams();
  if (!failures.empty()) throw failures.front();
}

void FlushParamsSaying() { SayParamFailures(StoreParams()); }

void SayParamFailures(const std::vector<IoError>& failures) {
  for (const IoError& e : failures) {
    const std::string why = e.code == io::kInvalidData ? Cz(" (není soubor parametrů)") : std::string();
    MessageOnce(CurrentSession(), "params " + UpperCz(e.file),
                FileErrorText(" pise soubor: ", e.file, e.code) + why + Cz(", nastavení platí jen do konce práce"));
  }
}

}  // namespace common
