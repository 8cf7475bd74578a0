#include "common/locking.h"

#include <fcntl.h>

#include <algorithm>

#include "common/dirs.h"
#include "common/encoding.h"
#include "common/fottab.h"
#include "common/lockclient.h"
#include "common/lockwire.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "common/winpath.h"

namespace common {
namespace {

constexpr int kTableWaitMs = 1000;
constexpr std::size_t kUserNameLength = 24;
constexpr std::size_t kUserNameRecord = kUserNameLength + 1;
constexpr int kUserNameRecords = 100;

std::string Code5(int code) { return FormatNumberMask("#####", code); }

std::size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

std::string SlashesAsBackslashes(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

// What one call works on.
struct Target {
  std::string dir;    // lock folder text (upper case, cut to 80)
  std::string key;    // 12 characters
  std::string user;   // 4 characters
  std::string table;  // the table's file name, in the file's own folder
};

bool SameFolder(const std::string& a, const std::string& b) {
  return SlashesAsBackslashes(UpperCz(a)) == SlashesAsBackslashes(UpperCz(b));
}

// False when the path is not locked at all.
bool MakeTarget(const Session& s, std::string_view path, Target& t) {
  if (s.LocksOff) return false;
  const std::size_t sep = LastSeparator(path);
  if (sep == std::string_view::npos) return false;
  t.dir = LockDir(path);
  if (t.dir.empty() || SameFolder(t.dir, s.StartDir)) return false;
  // A name of blanks would match every free entry of the table.
  std::string_view name = path.substr(sep + 1);
  if (name.find_first_not_of(' ') == std::string_view::npos) return false;
  t.key = LockName(path);
  t.user = LockUser(s);
  t.table = std::string(path.substr(0, sep + 1)) + kLockTableName;
  return true;
}

bool ServerMode(const Session& s) { return s.LockServerName.find_first_not_of(' ') != std::string::npos; }

LockServerClient& ServerFor(Session& s) {
  LockServerClient& c = CurrentLockClient();
  if (!c.Connected() && c.Host().empty()) ConnectLockServer(s);
  return c;
}

// The lock table of one folder, open exclusively for one read-change-write.
class TableAccess {
 public:
  enum class Result { Open, GivenUp };

  TableAccess(Session& s, const Target& t) : s_(s), t_(t) {}

  // Opens the table (creating a missing one) and reads it. Waits while another
  // workstation has it open or it cannot be read; never hands out a table that
  // was not read whole.
  Result OpenAndRead(const char* createFailure) {
    for (;;) {
      int code = file_.Open(t_.table, kModeExclusive);
      if (code == io::kFileNotFound) {
        code = CreateNewFile(t_.table, {});
        if (code == 0 || code == io::kFileExists) continue;  // open what is there now
        if (createFailure) BeepMessage(createFailure + Code5(code));
        return Result::GivenUp;
      }
      if (code == io::kPathNotFound) {
        BeepMessage(Cz("ERR 3 - neexistuje složka ") + t_.dir);
        return Result::GivenUp;
      }
      if (code != 0) {
        const std::string text = Cz("Je blokován přístup k tabulce sdílení souborů, čekám na uvolnění");
        if (LockWaitMessage(s_, text, kTableWaitMs)) return Result::GivenUp;
        continue;
      }
      std::string image(FotTable::kSize, '\0');
      std::size_t got = 0;
      code = file_.ReadAt(0, image.data(), image.size(), got);
      // Short is fine only when the file really ends there (an older table);
      // a read error is never taken for a short table.
      std::uint64_t size = 0;
      const bool whole = code == 0 || (code == io::kReadPastEnd && file_.Size(size) == 0 && size == got);
      if (whole) {
        // A shorter (older or new, empty) table: the rest is free.
        table_ = FotTable::Decode(std::string_view(image).substr(0, got));
        if (got == 0) (void)Write();  // a new table gets its 99 free entries at once
        return Result::Open;
      }
      file_.Close();
      if (LockWaitMessage(s_, "err cti FOT " + Code5(code), kTableWaitMs)) return Result::GivenUp;
    }
  }

  FotTable& table() { return table_; }
  int Write() {
    const std::string image = table_.Encode();
    return file_.WriteAt(0, image.data(), image.size());
  }
  int Close() { return file_.Close(); }

 private:
  Session& s_;
  const Target& t_;
  File file_;
  FotTable table_;
};

LockResult LockInTable(Session& s, const Target& t, bool write, bool once = false) {
  const char kind = write ? 'W' : 'R';
  for (;;) {
    TableAccess access(s, t);
    if (access.OpenAndRead("err cti v zamkni FOT ") == TableAccess::Result::GivenUp) return LockResult::GivenUp;
    FotTable& table = access.table();
    if (int n = table.FindConflict(t.key, write)) {
      const FotTable::Entry e = table.at(n);
      if (int code = access.Close()) BeepMessage((write ? "zamkni W poprve " : "Zamkni R ") + Code5(code));
      if (once) return LockResult::GivenUp;
      const std::string who = e.User() + " " + UserName(s, e.User().substr(0, 2));
      if (e.User() == t.user) {
        // A lock of this user, perhaps left by a program that ended abnormally.
        const std::string text = Cz("Přístup k souboru ") + e.Key() + " " + e.Kind() + Cz(" je blokován ") + who;
        BeepMessage(text);
        BeepMessage(Cz("Dejte \"Ctrl Alt Del\", ukončete TAVONU a znovu ji nastartujte"));
        if (LockWaitMessage(s, text, kTableWaitMs)) return LockResult::GivenUp;
      } else if (LockWaitMessage(s, "Soubor " + e.Key() + " " + e.Kind() + Cz(" užívá ") + who, kTableWaitMs)) {
        return LockResult::GivenUp;
      }
      continue;
    }
    const int free = table.FindFree();
    if (free == 0) {
      if (int code = access.Close()) BeepMessage((write ? "Zamkni W " : "zamkni R ") + Code5(code));
      if (LockWaitMessage(s, Cz("Tabulka sdílení souborů je plná, čekám na uvolnění"), kTableWaitMs))
        return LockResult::GivenUp;
      continue;
    }
    table.at(free).Set(t.key, t.user, kind);
    if (int code = access.Write()) {
      // Not written: the lock is not held. Start again from opening the table.
      access.Close();
      if (LockWaitMessage(s, (write ? "chyba " : "err pis(1) FOT ") + Code5(code), kTableWaitMs))
        return LockResult::GivenUp;
      continue;
    }
    if (int code = access.Close()) BeepMessage("zamkni end " + Code5(code));
    return LockResult::Held;
  }
}

bool UnlockInTable(Session& s, const Target& t) {
  for (;;) {
    TableAccess access(s, t);
    if (access.OpenAndRead("err cti FOT ") == TableAccess::Result::GivenUp) return false;
    if (int n = access.table().FindOwn(t.key, t.user)) {
      access.table().at(n).SetFree();
      if (int code = access.Write()) {
        access.Close();
        if (LockWaitMessage(s, "chyba " + Code5(code), kTableWaitMs)) return false;
        continue;
      }
    }
    if (int code = access.Close()) BeepMessage("odemkni " + Code5(code));
    return true;
  }
}

std::string IfVolnyInTable(Session& s, const Target& t) {
  TableAccess access(s, t);
  if (access.OpenAndRead(nullptr) == TableAccess::Result::GivenUp) return {};
  std::string holder;
  const std::string own = t.user.substr(0, 2);  // padded as the entry was written
  if (int n = access.table().FindOtherHolder(t.key, own)) {
    const FotTable::Entry& e = access.table().at(n);
    const std::string code = e.User().substr(0, 2);
    holder = UpperCz(std::string(1, e.Kind()) + " " + code + " " + UserName(s, code));
  }
  if (int code = access.Close()) BeepMessage("If volny " + Code5(code));
  return holder;
}

}  // namespace

std::string LockDir(std::string_view path) {
  std::string up = UpperCz(path.substr(0, kLockDirLength));
  const std::size_t sep = LastSeparator(up);
  return sep == std::string::npos ? std::string() : up.substr(0, sep + 1);
}

std::string LockName(std::string_view path) {
  const std::size_t sep = LastSeparator(path);
  std::string_view name = sep == std::string_view::npos ? path : path.substr(sep + 1);
  std::string key = UpperCz(name.substr(0, kLockKeyLength));
  key.resize(kLockKeyLength, ' ');
  return key;
}

std::string LockUser(const Session& s) {
  std::string u = s.CurrentUser;
  u.resize(kLockUserLength, ' ');
  return u;
}

LockResult LockFile(Session& s, std::string_view path, std::string_view kind) {
  Target t;
  if (!MakeTarget(s, path, t)) return LockResult::Skipped;
  const bool write = !kind.empty();
  if (ServerMode(s))
    return ServerFor(s).ServerLock(s, t.dir, t.key, NormalLockKind(kind), t.user) ? LockResult::Held
                                                                                   : LockResult::GivenUp;
  return LockInTable(s, t, write);
}

LockResult TryLockFile(Session& s, std::string_view path, std::string_view kind) {
  Target t;
  if (!MakeTarget(s, path, t)) return LockResult::Skipped;
  if (ServerMode(s)) {
    if (!ServerFor(s).ServerIfVolny(t.dir, t.key, t.user).empty()) return LockResult::GivenUp;
    return LockFile(s, path, kind);
  }
  return LockInTable(s, t, !kind.empty(), true);
}

bool UnlockFile(Session& s, std::string_view path) {
  Target t;
  if (!MakeTarget(s, path, t)) return true;
  if (ServerMode(s)) return ServerFor(s).ServerUnlock(s, t.dir, t.key, t.user);
  return UnlockInTable(s, t);
}

std::string IfVolny(Session& s, std::string_view path) {
  Target t;
  if (!MakeTarget(s, path, t)) return {};
  if (ServerMode(s)) return ServerFor(s).ServerIfVolny(t.dir, t.key, t.user);
  return IfVolnyInTable(s, t);
}

LockResult LockFile(std::string_view path, std::string_view kind) { return LockFile(CurrentSession(), path, kind); }
bool UnlockFile(std::string_view path) { return UnlockFile(CurrentSession(), path); }
std::string IfVolny(std::string_view path) { return IfVolny(CurrentSession(), path); }

std::string UserName(Session& s, std::string_view userCode) {
  const std::string blanks(kUserNameLength, ' ');
  const std::string name = ProgDir(s, kUserNamesName);
  File f;
  int code = f.Open(name, kModeReadOnly);
  if (code == io::kFileNotFound) {
    std::string empty;
    for (int i = 0; i < kUserNameRecords; ++i) empty += static_cast<char>(kUserNameLength) + blanks;
    (void)CreateNewFile(name, empty);
    return blanks;
  }
  if (code) return blanks;
  const std::int32_t n = TextToInt(userCode);
  if (n < 0) return blanks;
  std::string rec(kUserNameRecord, '\0');
  if (f.ReadAt(static_cast<std::uint64_t>(n) * kUserNameRecord, rec.data(), rec.size()) != 0) return blanks;
  return GetCounted(rec, 0, kUserNameLength);
}

std::string UserName(std::string_view userCode) { return UserName(CurrentSession(), userCode); }

void ScopedFileLock::Release() {
  if (result_ == LockResult::Held) UnlockFile(path_);
  result_ = LockResult::Skipped;
}

}  // namespace common
