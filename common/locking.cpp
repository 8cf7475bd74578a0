#include "common/locking.h"

#include <fcntl.h>

#include <algorithm>
#include <functional>
#include <optional>

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
// Rounds of kTableWaitMs after a failed write of the table (a full disk does not
// clear while one waits for long) before the step is given up and reported.
constexpr int kWriteRounds = 5;
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
  std::string path;   // as the caller gave it
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
  t.path = path;
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

}  // namespace

bool ServerMode(const Session& s) { return s.LockServerName.find_first_not_of(' ') != std::string::npos; }

namespace {

LockServerClient& ServerFor(Session& s) {
  LockServerClient& c = CurrentLockClient();
  if (!c.Connected() && c.Host().empty()) ConnectLockServer(s);
  return c;
}

// The lock table of one folder, open exclusively for one read-change-write.
class TableAccess {
 public:
  // ReadOnly: the table may be read, not written (read as far as it could be: table()).
  enum class Result { Open, Wait, GivenUp, ReadOnly };

  TableAccess(Session& s, const Target& t) : s_(s), t_(t) {}

  // One try at opening the table (creating a missing one) and reading it whole. Wait,
  // with the text of the notice, while another workstation has it open or it cannot
  // be read or used; never hands out a table that was not read whole. `sayNotMade`: a
  // table that cannot be made or written is said (once a run).
  Result TryOpenAndRead(bool sayNotMade, std::string& wait) {
    for (;;) {
      int code = file_.Open(t_.table, kModeExclusive);
      if (code == io::kFileNotFound) {
        code = CreateNewFile(t_.table, {});
        if (code == 0 || code == io::kFileExists) continue;  // open what is there now
        // Said once, with the folder and why (a step that tries once says it as its own reason).
        const bool told = s_.LockTablesNotMade.contains(UpperCz(t_.table));
        s_.LockTablesNotMade[UpperCz(t_.table)] = code;
        if (sayNotMade && !told)
          BeepMessage(Cz("Soubor ") + ShownPath(t_.path) + Cz(" nelze zamknout: ") + LockTableNotMadeText(s_, t_.path));
        return Result::GivenUp;
      }
      if (code == 0) {
        s_.LockTablesNotMade.erase(UpperCz(t_.table));
        if (s_.LockTablesReadOnly.erase(UpperCz(t_.table))) s_.FailuresTold.erase(ReadOnlyTold());
      }
      if (code == io::kPathNotFound) {
        BeepMessage(Cz("ERR 3 - neexistuje složka ") + ShownPath(t_.dir));
        return Result::GivenUp;
      }
      if (code == io::kSharingViolation || code == io::kLockViolation) {
        wait = Cz("Je blokován přístup k tabulce sdílení souborů, čekám na uvolnění");
        return Result::Wait;
      }
      if (code == io::kAccessDenied) {
        // Not held elsewhere but not writable (read rights only, a folder): no wait ends
        // that. Said once, and read as far as it can be for who holds what.
        s_.LockTablesReadOnly[UpperCz(t_.table)] = code;
        if (sayNotMade && s_.FailuresTold.insert(ReadOnlyTold()).second)
          BeepMessage(Cz("Soubor ") + ShownPath(t_.path) + Cz(" nelze zamknout: ") + LockTableReadOnlyText(s_, t_.path));
        ReadForLooking();
        return Result::ReadOnly;
      }
      if (code != 0) {
        // Not held elsewhere, yet not opened: said with its path.
        wait = Unusable(Cz(" nelze otevřít (err ") + std::to_string(code) + ")");
        return Result::Wait;
      }
      // What a killed write of the table left beside it goes at the first open in a run,
      // while the table is held: no writer is between creating and locking its temporary.
      if (s_.LockTablesSwept.insert(UpperCz(t_.table)).second)
        (void)RemoveDeadTemps(FolderPart(t_.table), {kLockTableName});
      std::string image(FotTable::kSize, '\0');
      std::size_t got = 0;
      code = file_.ReadAt(0, image.data(), image.size(), got);
      // Short is fine only when the file really ends there (an older table);
      // a read error is never taken for a short table.
      std::uint64_t size = 0;
      const bool whole = code == 0 || (code == io::kReadPastEnd && file_.Size(size) == 0 && size == got);
      if (whole) {
        if (code == 0 && file_.Size(size) != 0) size = 0;
        // A table is whole entries and at most 99 of them (an older one has fewer).
        if (size > FotTable::kSize || size % FotTable::kEntrySize != 0) {
          file_.Close();
          wait = Unusable(Cz(" je poškozená: má ") + std::to_string(size) + Cz(" B, ne ") +
                          std::to_string(FotTable::kSize));
          return Result::Wait;
        }
        // A shorter (older or new, empty) table: the rest is free.
        table_ = FotTable::Decode(std::string_view(image).substr(0, got));
        if (const int bad = table_.FirstDamaged()) {
          file_.Close();
          wait = Unusable(Cz(" je poškozená (položka ") + std::to_string(bad) + ")");
          return Result::Wait;
        }
        if (got == 0) (void)Write();  // a new table gets its 99 free entries at once
        return Result::Open;
      }
      file_.Close();
      wait = "err cti FOT " + Code5(code);
      return Result::Wait;
    }
  }

  FotTable& table() { return table_; }
  int Write() {
    const std::string image = table_.Encode();
    return file_.WriteAt(0, image.data(), image.size());
  }
  int Close() { return file_.Close(); }

 private:
  std::string ReadOnlyTold() const { return "FOT.tab read only " + UpperCz(t_.table); }

  // The table opened for reading only: what it holds, when it reads whole and sound;
  // else nothing (all free).
  void ReadForLooking() {
    File f;
    if (f.Open(t_.table, kModeReadOnly) != 0) return;
    std::string image(FotTable::kSize, '\0');
    std::size_t got = 0;
    const int code = f.ReadAt(0, image.data(), image.size(), got);
    f.Close();
    if ((code != 0 && code != io::kReadPastEnd) || got % FotTable::kEntrySize != 0) return;
    FotTable read = FotTable::Decode(std::string_view(image).substr(0, got));
    if (read.FirstDamaged() == 0) table_ = read;
  }

  std::string Unusable(const std::string& why) const {
    return Cz("Tabulku sdílení souborů ") + ShownPath(t_.table) + why + Cz(", Esc = přerušit");
  }

  Session& s_;
  const Target& t_;
  File file_;
  FotTable table_;
};

// Tries until a try gives a result; between tries one notice waits, retrying each
// round (a try that must wait sets the notice's text). A wait the user leaves gives `left`,
// or `stopped` when left with Esc.
template <class R>
R Retrying(Session& s, const std::function<std::optional<R>(std::string& wait)>& attempt, R left, R stopped) {
  std::string wait;
  std::optional<R> result = attempt(wait);
  if (result) return *result;
  const WaitEnd end = WaitWithNotice(s, wait, kTableWaitMs, [&](std::string& text) {
    result = attempt(text);
    return result.has_value();
  });
  if (end == WaitEnd::Done && result) return *result;
  return end == WaitEnd::Stopped ? stopped : left;
}

template <class R>
R Retrying(Session& s, const std::function<std::optional<R>(std::string& wait)>& attempt, R left) {
  return Retrying<R>(s, attempt, left, left);
}

std::string TableWriteFailure(const Target& t, int code) {
  return Cz("Tabulku sdílení souborů ") + t.table + Cz(" nelze zapsat - err ") + Code5(code) + Cz(", soubor ") +
         StripRightSp(t.key);
}

// The holder text of an entry (as IfVolny gives it); an entry without a user number is
// its kind alone (no name looked up for it).
std::string HolderOf(Session& s, const FotTable::Entry& e) {
  if (e.WithoutUser()) return std::string(1, e.Kind());
  const std::string code = e.User().substr(0, 2);
  return StripRightSp(UpperCz(std::string(1, e.Kind()) + " " + code + " " + UserName(s, code)));
}

// `holder` set: the try-once form, Busy (and the holder) instead of waiting for a lock.
LockResult LockInTable(Session& s, const Target& t, bool write, std::string* holder = nullptr) {
  const char kind = write ? 'W' : 'R';
  int failedWrites = 0;
  bool toldOwn = false;
  return Retrying<LockResult>(
      s,
      [&](std::string& wait) -> std::optional<LockResult> {
        TableAccess access(s, t);
        switch (access.TryOpenAndRead(holder == nullptr, wait)) {
          case TableAccess::Result::Wait: return std::nullopt;
          case TableAccess::Result::GivenUp: return LockResult::GivenUp;
          // No entry can be written: a read goes on without one, a write may not.
          case TableAccess::Result::ReadOnly: return write ? LockResult::GivenUp : LockResult::ReadOnlyTable;
          case TableAccess::Result::Open: break;
        }
        FotTable& table = access.table();
        if (int n = table.FindConflict(t.key, write)) {
          const FotTable::Entry e = table.at(n);
          if (int code = access.Close()) BeepMessage((write ? "zamkni W poprve " : "Zamkni R ") + Code5(code));
          if (holder) {
            *holder = HolderOf(s, e);
            return LockResult::Busy;
          }
          const std::string who = StripRightSp(StripRightSp(e.User()) + " " + UserName(s, e.User().substr(0, 2)));
          if (e.WithoutUser()) {
            // Nobody's to restart: said as what it is, with the way to clear it.
            wait = Cz("Přístup k souboru ") + StripRightSp(e.Key()) + Cz(" je blokován, drží ho ") +
                   EntryWithoutUserText(s, e.Kind(), t.path);
            if (e.User() == t.user && !toldOwn) {
              BeepMessage(wait);
              toldOwn = true;
            }
          } else if (e.User() == t.user) {
            // A lock of this user, perhaps left by a program that ended abnormally: said
            // once, then the notice waits for the entry to go.
            wait = Cz("Přístup k souboru ") + e.Key() + " " + e.Kind() + Cz(" je blokován ") + who;
            if (!toldOwn) {
              BeepMessage(wait);
              BeepMessage(Cz("Zámek zůstal po programu, jenž neskončil řádně; ") + OwnEntryAdvice(s, t.path));
              toldOwn = true;
            }
          } else {
            wait = "Soubor " + e.Key() + " " + e.Kind() + Cz(" užívá ") + who;
          }
          return std::nullopt;
        }
        const int free = table.FindFree();
        if (free == 0) {
          if (int code = access.Close()) BeepMessage((write ? "Zamkni W " : "zamkni R ") + Code5(code));
          wait = Cz("Tabulka sdílení souborů je plná, čekám na uvolnění");
          return std::nullopt;
        }
        table.at(free).Set(t.key, t.user, kind);
        if (int code = access.Write()) {
          // Not written: the lock is not held. Start again from opening the table, a few times.
          access.Close();
          if (++failedWrites >= kWriteRounds) {
            BeepMessage(TableWriteFailure(t, code) + Cz(" není zamčen"));
            return LockResult::GivenUp;
          }
          wait = (write ? "chyba " : "err pis(1) FOT ") + Code5(code);
          return std::nullopt;
        }
        if (int code = access.Close()) BeepMessage("zamkni end " + Code5(code));
        return LockResult::Held;
      },
      LockResult::GivenUp, LockResult::Stopped);
}

// Frees the entry `pick` finds in the table (0: none; `released` gets it, when given).
bool UnlockInTable(Session& s, const Target& t, const std::function<int(const FotTable&)>& pick,
                   FotTable::Entry* released = nullptr) {
  int failedWrites = 0;
  return Retrying<bool>(
      s,
      [&](std::string& wait) -> std::optional<bool> {
        TableAccess access(s, t);
        switch (access.TryOpenAndRead(false, wait)) {  // a table not made holds nothing to free
          case TableAccess::Result::Wait: return std::nullopt;
          case TableAccess::Result::GivenUp: return false;
          case TableAccess::Result::ReadOnly: return pick(access.table()) == 0;  // nothing to free, or it stays
          case TableAccess::Result::Open: break;
        }
        if (int n = pick(access.table())) {
          if (released) *released = access.table().at(n);
          access.table().at(n).SetFree();
          if (int code = access.Write()) {
            access.Close();
            if (++failedWrites >= kWriteRounds) {
              BeepMessage(TableWriteFailure(t, code) + Cz(" zůstává v ní zamčen"));
              return false;
            }
            wait = "chyba " + Code5(code);
            return std::nullopt;
          }
        }
        if (int code = access.Close()) BeepMessage("odemkni " + Code5(code));
        return true;
      },
      false);
}

std::string IfVolnyInTable(Session& s, const Target& t) {
  return Retrying<std::string>(
      s,
      [&](std::string& wait) -> std::optional<std::string> {
        TableAccess access(s, t);
        const TableAccess::Result opened = access.TryOpenAndRead(false, wait);
        switch (opened) {
          case TableAccess::Result::Wait: return std::nullopt;
          case TableAccess::Result::GivenUp: return std::string();
          case TableAccess::Result::ReadOnly:  // read, not held: who holds what all the same
          case TableAccess::Result::Open: break;
        }
        std::string holder;
        const std::string own = t.user.substr(0, 2);  // padded as the entry was written
        if (int n = access.table().FindOtherHolder(t.key, own)) holder = HolderOf(s, access.table().at(n));
        if (opened == TableAccess::Result::Open)
          if (int code = access.Close()) BeepMessage("If volny " + Code5(code));
        return holder;
      },
      std::string());
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

namespace {

// Keeps a lock taken in the session's list of held locks.
LockResult Noted(Session& s, std::string_view path, LockResult r) {
  if (r == LockResult::Held) s.HeldLocks.emplace_back(path);
  return r;
}

}  // namespace

LockResult LockFile(Session& s, std::string_view path, std::string_view kind) {
  Target t;
  if (!MakeTarget(s, path, t)) return LockResult::Skipped;
  const bool write = !kind.empty();
  if (ServerMode(s)) {
    s.WaitStopped = 0;  // set again by a wait of this request left with Esc
    if (ServerFor(s).ServerLock(s, t.dir, t.key, NormalLockKind(kind), t.user)) return Noted(s, path, LockResult::Held);
    return s.WaitStopped ? LockResult::Stopped : LockResult::GivenUp;
  }
  return Noted(s, path, LockInTable(s, t, write));
}

LockResult TryLockFile(Session& s, std::string_view path, std::string_view kind, std::string& holder) {
  holder.clear();
  Target t;
  if (!MakeTarget(s, path, t)) return LockResult::Skipped;
  if (ServerMode(s)) {
    holder = ServerFor(s).ServerIfVolny(t.dir, t.key, t.user);
    if (!holder.empty()) return LockResult::Busy;
    return LockFile(s, path, kind);
  }
  return Noted(s, path, LockInTable(s, t, !kind.empty(), &holder));
}

LockResult TryLockFile(std::string_view path, std::string_view kind, std::string& holder) {
  return TryLockFile(CurrentSession(), path, kind, holder);
}

bool UnlockFile(Session& s, std::string_view path) {
  Target t;
  if (!MakeTarget(s, path, t)) return true;
  const bool released =
      ServerMode(s) ? ServerFor(s).ServerUnlock(s, t.dir, t.key, t.user)
                    : UnlockInTable(s, t, [&](const FotTable& table) { return table.FindOwn(t.key, t.user); });
  if (released) {
    auto held = std::find(s.HeldLocks.begin(), s.HeldLocks.end(), path);
    if (held != s.HeldLocks.end()) s.HeldLocks.erase(held);
  }
  return released;
}

bool HoldsLock(const Session& s, std::string_view path) {
  Target t;
  if (!MakeTarget(s, path, t)) return false;
  return std::any_of(s.HeldLocks.begin(), s.HeldLocks.end(), [&](const std::string& held) {
    Target h;
    return MakeTarget(s, held, h) && h.key == t.key && SameFolder(h.dir, t.dir);
  });
}

std::vector<std::string> ReleaseHeldLocks(Session& s) {
  std::vector<std::string> kept;
  for (std::vector<std::string> held = s.HeldLocks; !held.empty(); held.pop_back())
    if (!UnlockFile(s, held.back())) kept.push_back(held.back());
  return kept;
}

void ReleaseLeftLocks(Session& s) {
  for (const std::string& file : ReleaseHeldLocks(s))
    MessageOk(Cz("Zámek souboru ") + ShownPath(file) + Cz(" se nepodařilo uvolnit"));
}

void ReleaseLocksAndDisconnect(Session& s) {
  ReleaseLeftLocks(s);
  DisconnectLockServer(s);
}

std::string IfVolny(Session& s, std::string_view path) {
  Target t;
  if (!MakeTarget(s, path, t)) return {};
  // The holder as messages name it: kind, user and name, without the name field's padding.
  return StripRightSp(ServerMode(s) ? ServerFor(s).ServerIfVolny(t.dir, t.key, t.user) : IfVolnyInTable(s, t));
}

bool HolderWithoutUser(std::string_view holder) { return StripRightSp(holder).size() == 1; }

std::string LockTableNotMadeText(const Session& s, std::string_view path) {
  Target t;
  if (!MakeTarget(s, path, t)) return {};
  const auto it = s.LockTablesNotMade.find(UpperCz(t.table));
  if (it == s.LockTablesNotMade.end()) return {};
  const std::string_view folder = FolderPart(path);
  const std::string text = Cz("tabulku sdílení souborů ") + kLockTableName + Cz(" nelze založit, ");
  if (it->second == io::kAccessDenied)
    return text + Cz("do složky ") + (folder.empty() ? CurrentFolder() : ShownPath(folder)) + Cz(" nelze zapisovat, err ") +
           std::to_string(it->second);
  return text + "err " + std::to_string(it->second);
}

std::string LockTableReadOnlyText(const Session& s, std::string_view path) {
  Target t;
  if (!MakeTarget(s, path, t)) return {};
  const auto it = s.LockTablesReadOnly.find(UpperCz(t.table));
  if (it == s.LockTablesReadOnly.end()) return {};
  FileStat st;
  const bool folder = GetFileInfo(t.table, st) == 0 && st.isDir;
  return Cz("tabulku sdílení souborů ") + ShownPath(t.table) + Cz(" nelze zapsat (err ") + std::to_string(it->second) +
         (folder ? Cz(", je to složka") : "") + Cz("), soubory z její složky se otevírají jen pro čtení");
}

std::string EntryWithoutUserText(const Session& s, char kind, std::string_view path) {
  return Cz("záznam zámku ") + kind +
         Cz(" bez čísla uživatele, který zanechala tato nebo jiná stanice spuštěná bez čísla uživatele nebo dávka, "
            "možná běh, jenž neskončil řádně") +
         (ServerMode(s) ? Cz(" (server zámků); server ho uvolní, až běh, který ho drží, skončí")
                        : Cz(" (tabulka ") + kLockTableName +
                              Cz("); ověřte, že žádný takový běh nepracuje, a pak záznam uvolněte v počáteční složce "
                                 "příkazem tavcli unlock \"") +
                              ShownPath(path) + "\"");
}

std::string OwnEntryAdvice(const Session& s, std::string_view path) {
  if (ServerMode(s)) return Cz("ukončete TAVONU a znovu ji nastartujte");
  return Cz("uvolněte ho v počáteční složce příkazem tavcli unlock \"") + ShownPath(path) + "\"";
}

bool NoServerReply(std::string_view holder) { return holder == kNoLockReply; }

std::string NoServerReplyText() { return Cz("server zámků neodpovídá (") + std::string(kNoLockReply) + ")"; }

std::string HeldByText(std::string_view verb, std::string_view holder, std::string_view path) {
  if (NoServerReply(holder)) return Cz("nelze prověřit, ") + NoServerReplyText();
  if (HolderWithoutUser(holder)) return Cz("drží ") + EntryWithoutUserText(CurrentSession(), holder.front(), path);
  return std::string(verb) + " " + std::string(holder);
}

ClearedEntry ClearLeftEntry(Session& s, std::string_view path) {
  ClearedEntry out;
  Target t;
  if (!MakeTarget(s, path, t)) {
    out.result = ClearedEntry::Result::NotLocked;
    return out;
  }
  if (ServerMode(s)) {
    // The server releases a workstation's entries when it ends; it tells nothing more.
    out.result = UnlockFile(s, path) ? ClearedEntry::Result::Released : ClearedEntry::Result::Failed;
    return out;
  }
  FotTable::Entry released;
  const bool done = UnlockInTable(s, t, [&](const FotTable& table) {
    const int own = table.FindOwn(t.key, t.user);
    return own ? own : table.FindWithoutUser(t.key);
  }, &released);
  if (!done) return out;
  if (!released.Free()) {
    out.result = ClearedEntry::Result::Released;
    out.entry = StripRightSp(HolderOf(s, released));
    auto held = std::find(s.HeldLocks.begin(), s.HeldLocks.end(), path);
    if (released.User() == t.user && held != s.HeldLocks.end()) s.HeldLocks.erase(held);
    return out;
  }
  out.result = ClearedEntry::Result::NoneMatched;
  out.other = IfVolnyInTable(s, t);
  return out;
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

std::string WaitStoppedText(std::string_view path) {
  return Cz("Čekání na uvolnění ") + StripRightSp(LockName(path)) + Cz(" bylo přerušeno, nic se neprovedlo");
}

bool StoppedAtWait(LockResult r, std::string_view path) {
  if (r != LockResult::Stopped) return false;
  MessageOk(WaitStoppedText(path));
  return true;
}

void ScopedFileLock::Release() {
  if (result_ == LockResult::Held) UnlockFile(path_);
  result_ = LockResult::Skipped;
}

}  // namespace common
