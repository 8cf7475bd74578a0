// Advisory file locks between workstations: the lock table "FOT.tab" in the
// folder of the locked file, or the lock server when the session names one.
//
// Every call takes the session it works for, so that two "workstations" (two
// sessions with their own users) can share one process; the overloads without
// a session use the current one. Waits go through the current notifier, and
// every wait can be left through its "ignore protection" answer.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace common {

struct Session;

inline constexpr char kLockTableName[] = "FOT.tab";
inline constexpr char kUserNamesName[] = "JMENA.tab";

// The lock identity of a full path (Windows form; "\" or "/" separate folders).
// Folder: upper-cased, cut to 80, up to and including the last separator.
std::string LockDir(std::string_view path);
// The first 12 characters of the file name, upper-cased, blank-padded.
std::string LockName(std::string_view path);
// The session's user code followed by blanks, 4 characters.
std::string LockUser(const Session& s);

enum class LockResult {
  Held,     // the lock was taken: pair it with UnlockFile
  Skipped,  // nothing to lock (locks off, no folder, the start folder, no file name)
  GivenUp,  // the user chose to ignore the protection, the folder is missing, or the
            // lock table could not be written (reported): the caller goes on without it
  Busy,     // TryLockFile only: someone holds the file
  Stopped,  // the user left the wait with Esc: the step the lock was for is not done
  // A read request beside a lock table this workstation may read but not write (said
  // once a run): no entry was written; the file may be read, nothing may be written to
  // it (a write request there gives GivenUp).
  ReadOnlyTable,
};
// Not held after a wait or a failure (GivenUp or Stopped): what GivenUp alone meant
// before Esc had a result of its own.
inline bool GivenUpOrStopped(LockResult r) { return r == LockResult::GivenUp || r == LockResult::Stopped; }
// Esc at the wait for the lock of `path`, naming the file as the wait notice does:
// "Čekání na uvolnění CI01.DTA bylo přerušeno, nic se neprovedlo".
std::string WaitStoppedText(std::string_view path);
// True, after saying WaitStoppedText, when the wait for the lock of `path` was left with
// Esc (Stopped): the step the lock was for is not done. Any other result goes on.
bool StoppedAtWait(LockResult r, std::string_view path);

// Takes a lock; an empty kind is a read lock, any other kind a write lock.
LockResult LockFile(Session& s, std::string_view path, std::string_view kind);
LockResult LockFile(std::string_view path, std::string_view kind);
// The try-once form: Busy, with the holder as IfVolny describes it, instead of
// waiting while a lock on the file stands (this user's own included).
LockResult TryLockFile(Session& s, std::string_view path, std::string_view kind, std::string& holder);
LockResult TryLockFile(std::string_view path, std::string_view kind, std::string& holder);
// Whether this session holds a lock (of any kind) on the file `path` now.
bool HoldsLock(const Session& s, std::string_view path);
// The locks go to the lock server (one is named), not to the lock table.
bool ServerMode(const Session& s);
// A lock held for one scope: taken by the constructor, released by the destructor
// when it was taken (Held).
class ScopedFileLock {
 public:
  ScopedFileLock(std::string_view path, std::string_view kind) : path_(path), result_(LockFile(path_, kind)) {}
  ~ScopedFileLock() { Release(); }
  ScopedFileLock(const ScopedFileLock&) = delete;
  ScopedFileLock& operator=(const ScopedFileLock&) = delete;
  LockResult result() const { return result_; }
  // StoppedAtWait for this lock: true (said) when its wait was left with Esc.
  bool Stopped() const { return StoppedAtWait(result_, path_); }
  void Release();

 private:
  std::string path_;
  LockResult result_;
};

// Releases this user's first lock on the file. False when it could not be
// released (the user gave up waiting for the table, or it could not be written:
// reported, the entry stays).
bool UnlockFile(Session& s, std::string_view path);
bool UnlockFile(std::string_view path);
// Empty when no other user holds the file, else who holds it ("W 02 Novák").
std::string IfVolny(Session& s, std::string_view path);
std::string IfVolny(std::string_view path);

// A holder as IfVolny and TryLockFile give it that is an entry without a user number
// (its kind alone): a run without one, or a batch, wrote it.
bool HolderWithoutUser(std::string_view holder);
// A holder that is the lock server's silence (no reply came in time), not anybody at
// work; and that in words ("server zámků neodpovídá (ERR 50)").
bool NoServerReply(std::string_view holder);
std::string NoServerReplyText();
// Why the lock table beside `path` could not be made when it was last tried ("tabulku
// sdílení souborů FOT.tab nelze založit, do složky X nelze zapisovat, err 5"); empty when
// it was not (or has opened since).
std::string LockTableNotMadeText(const Session& s, std::string_view path);
// Why the lock table beside `path` cannot be written when it was last opened ("tabulku
// sdílení souborů X nelze zapsat (err 5), soubory z její složky se otevírají jen pro
// čtení"); empty when it could (or has not been tried).
std::string LockTableReadOnlyText(const Session& s, std::string_view path);
// Such an entry on the file `path` in words: what it is, who may have left it, and how
// to clear it ("záznam zámku W bez čísla uživatele, …, příkazem tavcli unlock …").
std::string EntryWithoutUserText(const Session& s, char kind, std::string_view path);
// How this user's own entry on `path`, left by a run that did not end properly, goes:
// the lock server drops a run's entries when its connection ends ("ukončete TAVONU a znovu
// ji nastartujte"); an entry of the lock table stays until `tavcli unlock` clears it (a
// start clears nothing: the same user number may be at work elsewhere).
std::string OwnEntryAdvice(const Session& s, std::string_view path);
// Who holds `path`, after its name: `verb` and the holder ("používá W 02 NOVÁK"), or
// for an entry without a user number "drží " and EntryWithoutUserText.
std::string HeldByText(std::string_view verb, std::string_view holder, std::string_view path);

// The way out of an entry a run that did not end properly left in the lock table: this
// user's first entry on the file goes, or, when it has none, the first entry without a
// user number (it may belong to a run still at work, so it goes only on demand). Another
// user's entry is never touched.
struct ClearedEntry {
  enum class Result { Released, NoneMatched, NotLocked, Failed } result = Result::Failed;
  std::string entry;  // Released: the entry as IfVolny names its holder ("W 01 NOVÁK", "W")
  std::string other;  // NoneMatched: another user's entry on the file still standing, if any
};
ClearedEntry ClearLeftEntry(Session& s, std::string_view path);

// The end of the run: releases every lock this process still holds (taken and not
// released). Returns the files whose entry could not be released.
std::vector<std::string> ReleaseHeldLocks(Session& s);
// The same, saying each file whose entry stays ("Zámek souboru ... se nepodařilo uvolnit").
void ReleaseLeftLocks(Session& s);
// The locking's part of the end of a run: ReleaseLeftLocks, then the lock server is
// disconnected.
void ReleaseLocksAndDisconnect(Session& s);

// The 24-character name of a user code ("07") from "JMENA.tab" in the program
// folder; 24 blanks when unknown. A missing table is created with 100 blank names.
std::string UserName(Session& s, std::string_view userCode);
std::string UserName(std::string_view userCode);

}  // namespace common
