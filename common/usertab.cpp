#include "common/usertab.h"

#include <chrono>
#include <thread>

#include "common/dirs.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"

namespace common {

namespace {

constexpr auto kRetryPause = std::chrono::milliseconds(10);

bool HasSlot(const Session& s) { return s.UserNo >= 1 && s.UserNo < kUserTabEntries; }

// Opens the table exclusively; a table another workstation has open is waited for.
int OpenTable(File& f, const std::string& path) {
  for (;;) {
    const int code = f.Open(path, kModeExclusive);
    if (code != io::kSharingViolation) return code;
    std::this_thread::sleep_for(kRetryPause);
  }
}

void LoadTable(Session& s, File& f) {
  unsigned char buf[kUserTabSize] = {};
  std::size_t got = 0;
  if (f.ReadSome(0, buf, sizeof buf, got) != 0) got = 0;
  for (int i = 0; i < kUserTabEntries; ++i)
    s.UserTab[i] = 2 * i + 2 <= static_cast<int>(got) ? LoadLE<std::uint16_t>(buf + 2 * i) : 0;
}

// Creates the table with only the own slot taken, unless another workstation has
// created it meanwhile: 0 when created, 80 when it appeared, another code on failure.
int CreateTable(Session& s, const std::string& path) {
  s.UserTab.fill(0);
  s.UserTab[s.UserNo] = 99;
  std::string bytes(kUserTabSize, '\0');
  for (int i = 0; i < kUserTabEntries; ++i) PutLE<std::uint16_t>(bytes, 2 * i, s.UserTab[i]);
  return CreateNewFile(path, bytes);
}

}  // namespace

bool ReadUserTab(Session& s, int i) {
  File f;
  if (OpenTable(f, DataDir(s, kUserTabName)) == 0) {
    LoadTable(s, f);
  } else {
    s.UserTab.fill(0);
  }
  return i >= 0 && i < kUserTabEntries && s.UserTab[i] != 0;
}

bool ReadUserTab(int i) { return ReadUserTab(CurrentSession(), i); }

std::string UserTabText(Session& s) {
  if (!HasSlot(s)) return "0000";
  const std::string path = DataDir(s, kUserTabName);
  for (;;) {
    File f;
    const int code = OpenTable(f, path);
    if (code == 0) {
      LoadTable(s, f);
      return FormatNumberMask("@@@@", s.UserTab[s.UserNo]);
    }
    if (code != io::kFileNotFound) return "0000";
    const int created = CreateTable(s, path);
    if (created == 0) return "0099";
    if (created != io::kFileExists) return "0000";
  }
}

std::string UserTabText() { return UserTabText(CurrentSession()); }

bool UserSlotTaken(Session& s) {
  if (!HasSlot(s) || ReadUserTab(s, 0)) return false;
  s.UserSlotNow = UserTabText(s);
  if (s.UserSlotFirst.empty()) s.UserSlotFirst = s.UserSlotNow;
  return s.UserSlotNow != s.UserSlotFirst;
}

bool UserSlotTaken() { return UserSlotTaken(CurrentSession()); }

int WriteUserTabEntry(Session& s, int i, std::uint16_t value) {
  if (i < 0 || i >= kUserTabEntries) return io::kInvalidParameter;
  const std::string path = DataDir(s, kUserTabName);
  for (;;) {
    File f;
    int code = OpenTable(f, path);
    if (code == io::kFileNotFound) {
      code = CreateNewFile(path, std::string(kUserTabSize, '\0'));
      if (code != 0 && code != io::kFileExists) return code;
      continue;
    }
    if (code != 0) return code;
    std::string bytes;
    if ((code = f.ReadWhole(bytes)) != 0) return code;
    if (bytes.size() < kUserTabSize) bytes.resize(kUserTabSize, '\0');
    PutLE<std::uint16_t>(bytes, 2 * static_cast<std::size_t>(i), value);
    if ((code = f.WriteAt(0, bytes.data(), bytes.size())) != 0) return code;
    return f.Close();
  }
}

}  // namespace common
