#include "common/locking.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/fottab.h"
#include "common/notifier.h"
#include "common/osfile.h"
#include "common/session.h"
#include "common/winpath.h"
#include "tests/common/os_tempdir.h"
#include "tests/common/waitbound.h"

using namespace common;
using Kind = RecordingNotifier::Kind;

namespace {

// Two or three "workstations" on one data folder X:\DATA\, each a session of its own.
struct LockTableTest : ::testing::Test {
  ostest::TempDir tmp;
  waitbound::BoundedNotifier notes;
  ScopedNotifier scopedNotes{notes};
  Session u1, u2, u3;
  const std::string org = "X:\\DATA\\ORG.DTA";

  void SetUp() override {
    ASSERT_TRUE(tmp.ok());
    std::filesystem::create_directories(tmp / "data");
    std::filesystem::create_directories(tmp / "prog");
    Drives().Set("X", tmp.path());
    int n = 1;
    for (Session* s : {&u1, &u2, &u3}) {
      s->CurrentUser = "0" + std::to_string(n++);
      s->StartDir = "X:\\START\\";
      s->ProgDirPath = tmp.path() + "/prog/";
      s->DataDirPath = tmp.path() + "/data/";
    }
  }
  void TearDown() override { Drives().Remove("X"); }
  std::string Table() const { return ostest::ReadRaw(tmp / "data/FOT.tab"); }
  FotTable Decoded() const { return FotTable::Decode(Table()); }
  void Names(std::initializer_list<std::pair<int, std::string>> names) {
    std::string t;
    for (int i = 0; i < 100; ++i) t += '\x18' + std::string(24, ' ');
    for (auto& [n, name] : names) t.replace(n * 25 + 1, name.size(), name);
    ostest::WriteRaw(tmp / "prog/JMENA.tab", t);
  }
};

}  // namespace

TEST_F(LockTableTest, TwoReadersShareAndAWriterWaitsForBoth) {
  Names({{1, Cz("Novák")}});
  EXPECT_EQ(LockFile(u1, org, ""), LockResult::Held);
  EXPECT_EQ(LockFile(u2, org, ""), LockResult::Held);
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
  int waits = 0;
  notes.onWait = [&](const std::string&, int ms) {
    EXPECT_EQ(ms, 1000);
    if (++waits == 2) UnlockFile(u1, org);
    if (waits == 3) UnlockFile(u2, org);
  };
  EXPECT_EQ(LockFile(u3, org, "W"), LockResult::Held);
  auto texts = notes.Texts(Kind::LockWait);
  ASSERT_EQ(texts.size(), 3u) << notes.Dump();
  // The holder without the padding of the user and name fields.
  EXPECT_EQ(texts[0], Cz("Soubor ORG.DTA      R užívá 01 Novák"));
  EXPECT_EQ(texts[2], Cz("Soubor ORG.DTA      R užívá 02"));
  FotTable t = Decoded();
  EXPECT_EQ(t.at(1).Kind(), 'W');  // the first free entry
  EXPECT_EQ(t.at(1).User(), "03  ");
  EXPECT_TRUE(t.at(2).Free());
  EXPECT_EQ(Table().size(), 1980u);
}

TEST_F(LockTableTest, EntryBytesOfAReadLock) {
  EXPECT_EQ(LockFile(u1, "X:\\DATA\\org.dta", ""), LockResult::Held);
  std::string t = Table();
  ASSERT_EQ(t.size(), 1980u);
  const unsigned char want[20] = {0x0c, 0x4f, 0x52, 0x47, 0x2e, 0x44, 0x54, 0x41, 0x20, 0x20,
                                  0x20, 0x20, 0x20, 0x04, 0x30, 0x31, 0x20, 0x20, 0x01, 0x52};
  EXPECT_EQ(t.substr(0, 20), std::string(reinterpret_cast<const char*>(want), 20));
  EXPECT_EQ(t.substr(20), FotTable().Encode().substr(20));
  EXPECT_TRUE(UnlockFile(u1, org));
  EXPECT_EQ(Table(), FotTable().Encode());
}

TEST_F(LockTableTest, OldShortTableIsReadAndWidened) {
  FotTable old;
  old.at(23).Set("STARY.DTA   ", "05  ", 'W');
  std::string bytes = old.Encode().substr(0, 460);
  ostest::WriteRaw(tmp / "data/FOT.tab", bytes);
  EXPECT_EQ(IfVolny(u1, "X:\\DATA\\STARY.DTA"), "W 05");
  EXPECT_EQ(Table().size(), 460u);  // reading changes nothing
  EXPECT_EQ(LockFile(u1, org, ""), LockResult::Held);
  std::string now = Table();
  ASSERT_EQ(now.size(), 1980u);
  EXPECT_EQ(now.substr(20, 440), bytes.substr(20));
  EXPECT_EQ(Decoded().at(1).Key(), "ORG.DTA     ");
}

TEST_F(LockTableTest, IfVolnyNamesOtherHoldersOnly) {
  Names({{7, Cz("Jana Dvořáková")}});
  u1.CurrentUser = "07";
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Held);
  EXPECT_EQ(IfVolny(u1, org), "");  // own lock
  EXPECT_EQ(IfVolny(u2, org), Cz("W 07 JANA DVOŘÁKOVÁ"));
  EXPECT_EQ(IfVolny(u2, "X:\\DATA\\JINY.DTA"), "");
  // A workstation without a user code holds its locks as blanks; they are its own too.
  u3.CurrentUser.clear();
  EXPECT_EQ(LockFile(u3, "X:\\DATA\\CI10.DTA", "W"), LockResult::Held);
  EXPECT_EQ(IfVolny(u3, "X:\\DATA\\CI10.DTA"), "");
  EXPECT_EQ(IfVolny(u1, "X:\\DATA\\CI10.DTA"), "W");
}

TEST_F(LockTableTest, PathsThatAreNeverLocked) {
  u1.LocksOff = 1;
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Skipped);
  EXPECT_EQ(IfVolny(u1, org), "");
  EXPECT_TRUE(UnlockFile(u1, org));
  EXPECT_FALSE(std::filesystem::exists(tmp / "data/FOT.tab"));
  EXPECT_EQ(LockFile(u2, "ORG.DTA", "W"), LockResult::Skipped);       // no folder
  EXPECT_EQ(LockFile(u2, "x:/start/ORG.DTA", "W"), LockResult::Skipped);  // the start folder
  EXPECT_EQ(LockFile(u2, "X:\\DATA\\", "W"), LockResult::Skipped);    // no file name
  EXPECT_EQ(LockFile(u2, "X:\\DATA\\   ", "W"), LockResult::Skipped);
  EXPECT_FALSE(std::filesystem::exists(tmp / "data/FOT.tab"));
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(LockTableTest, KeyIsTheFirstTwelveCharacters) {
  EXPECT_EQ(LockName("X:\\DATA\\dlouhejmeno1.dta"), "DLOUHEJMENO1");
  EXPECT_EQ(LockName("X:\\DATA\\ci10.dta"), "CI10.DTA    ");
  EXPECT_EQ(LockDir("x:\\data\\ci10.dta"), "X:\\DATA\\");
  EXPECT_EQ(LockDir("/srv/data/ci10.dta"), "/SRV/DATA/");
  EXPECT_EQ(LockDir("\\" + std::string(100, 'a') + "\\x.dta"), "\\");  // cut to 80 first
  EXPECT_EQ(LockUser(u1), "01  ");
  EXPECT_EQ(LockFile(u1, "X:\\DATA\\dlouhejmeno1.dta", "W"), LockResult::Held);
  notes.ignoreAnswer = true;
  EXPECT_EQ(LockFile(u2, "X:\\DATA\\DLOUHEJMENO123.DTA", ""), LockResult::GivenUp);
  EXPECT_EQ(notes.Count(Kind::LockWait, "Soubor DLOUHEJMENO1 W"), 1);
}

TEST_F(LockTableTest, OwnConflictAsksAndCanBeLeft) {
  EXPECT_EQ(LockFile(u1, org, ""), LockResult::Held);
  int waits = 0;
  notes.onWait = [&](const std::string&, int) { notes.ignoreAnswer = ++waits == 2; };
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::GivenUp);
  // Said once for the whole wait of two rounds; the notice then waits alone.
  EXPECT_EQ(notes.Count(Kind::LockWait, Cz("Přístup k souboru ORG.DTA      R je blokován 01")), 2);
  EXPECT_EQ(notes.Count(Kind::BeepMessage, Cz("Přístup k souboru ORG.DTA      R je blokován 01")), 1);
  // Only the way that clears it: a restart leaves a lock-table entry where it is.
  EXPECT_EQ(notes.Texts(Kind::BeepMessage).back(),
            Cz("Zámek zůstal po programu, jenž neskončil řádně; uvolněte ho v počáteční složce příkazem tavcli unlock \"") +
                tmp.path() + "/data/ORG.DTA\"")
      << notes.Dump();
  EXPECT_EQ(notes.Count(Kind::BeepMessage, Cz("Dejte")), 0);
  Session server;  // the lock server drops a run's entries when it ends: there a restart does
  server.LockServerName = "127.0.0.1";
  EXPECT_EQ(OwnEntryAdvice(server, org), Cz("ukončete TAVONU a znovu ji nastartujte"));
  EXPECT_EQ(u1.IgnoreLocks, 1);
  FotTable t = Decoded();
  EXPECT_EQ(t.FindOwn("ORG.DTA     ", "01  "), 1);
  EXPECT_TRUE(t.at(2).Free());
}

TEST_F(LockTableTest, UnlockReleasesOneOwnEntry) {
  EXPECT_EQ(LockFile(u1, org, ""), LockResult::Held);
  EXPECT_EQ(LockFile(u1, org, ""), LockResult::Held);  // two windows
  EXPECT_EQ(LockFile(u2, org, ""), LockResult::Held);
  EXPECT_TRUE(UnlockFile(u1, org));
  FotTable t = Decoded();
  EXPECT_TRUE(t.at(1).Free());
  EXPECT_EQ(t.at(2).User(), "01  ");
  EXPECT_EQ(t.at(3).User(), "02  ");
  EXPECT_TRUE(UnlockFile(u3, org));  // holds nothing: nothing changes
  EXPECT_EQ(Decoded().Encode(), t.Encode());
}

TEST_F(LockTableTest, BusyTableWaitsAndTheWaitCanBeLeft) {
  File holder;
  ASSERT_EQ(holder.Create("X:\\DATA\\FOT.tab", kModeExclusive), 0);
  int waits = 0;
  notes.onWait = [&](const std::string&, int) {
    if (++waits == 3) holder.Close();
  };
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Held);
  EXPECT_EQ(notes.Count(Kind::LockWait, Cz("Je blokován přístup k tabulce sdílení souborů, čekám na uvolnění")), 3);
  ASSERT_EQ(holder.Open("X:\\DATA\\FOT.tab", kModeExclusive), 0);
  notes.onWait = nullptr;
  notes.ignoreAnswer = true;
  EXPECT_EQ(LockFile(u2, "X:\\DATA\\JINY.DTA", "W"), LockResult::GivenUp);
  EXPECT_FALSE(UnlockFile(u1, org));
  EXPECT_EQ(IfVolny(u2, org), "");
}

// The end of the run releases what is still held; while the table is held elsewhere
// the ending's waits retry silently until their one deadline and then give up.
TEST_F(LockTableTest, TheEndOfTheRunReleasesWhatIsHeldWithinItsDeadline) {
  const std::string ci10 = "X:\\DATA\\CI10.DTA";
  EXPECT_EQ(LockFile(u1, org, ""), LockResult::Held);
  EXPECT_EQ(LockFile(u1, ci10, ""), LockResult::Held);
  EXPECT_EQ(LockFile(u1, ci10, ""), LockResult::Held);
  EXPECT_TRUE(UnlockFile(u1, ci10));
  EXPECT_EQ(u1.HeldLocks, (std::vector<std::string>{org, ci10}));
  File holder;
  ASSERT_EQ(holder.Open("X:\\DATA\\FOT.tab", kModeExclusive), 0);
  const long long start = SystemMonotonicMs();
  EndingNotifier ending(300);
  SetNotifier(&ending);
  EXPECT_EQ(ReleaseHeldLocks(u1), (std::vector<std::string>{ci10, org}));
  const long long took = SystemMonotonicMs() - start;
  EXPECT_GE(took, 300);
  EXPECT_LT(took, 5000);
  EXPECT_EQ(Decoded().at(1).User(), "01  ");
  holder.Close();
  EXPECT_EQ(ReleaseHeldLocks(u1), std::vector<std::string>{});  // the deadline has passed: one try each
  EXPECT_TRUE(u1.HeldLocks.empty());
  EXPECT_EQ(Decoded().Encode(), FotTable().Encode());
  SetNotifier(&notes);
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(LockTableTest, FullTableWaits) {
  FotTable full;
  for (int i = 1; i <= 99; ++i) full.at(i).Set("F" + std::to_string(i), "09  ", 'R');
  ostest::WriteRaw(tmp / "data/FOT.tab", full.Encode());
  notes.onWait = [&](const std::string&, int) { UnlockFile(u3, "X:\\DATA\\F5"); };
  u3.CurrentUser = "09";
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Held);
  EXPECT_EQ(notes.Count(Kind::LockWait, Cz("Tabulka sdílení souborů je plná, čekám na uvolnění")), 1);
  EXPECT_EQ(Decoded().at(5).Key(), "ORG.DTA     ");
}

TEST_F(LockTableTest, MissingFolder) {
  EXPECT_EQ(LockFile(u1, "X:\\NENI\\ORG.DTA", "W"), LockResult::GivenUp);
  // The folder as it is on disk, not as the lock table keys it.
  EXPECT_EQ(notes.Texts(Kind::BeepMessage), std::vector<std::string>{Cz("ERR 3 - neexistuje složka ") + tmp.path() + "/NENI/"});
}

// A failed read of the table is never followed by a write of it: the other
// workstations' entries survive.
TEST_F(LockTableTest, FailedTableReadIsRetriedNotWritten) {
  FotTable t;
  t.at(1).Set("JINY.DTA    ", "02  ", 'W');
  t.at(2).Set("TRETI.DTA   ", "03  ", 'R');
  ostest::WriteRaw(tmp / "data/FOT.tab", t.Encode());
  FaultFileSystem faults;
  ScopedFileSystem scoped(faults);
  faults.Fail(FsOp::Read, EIO, "FOT.tab", 2);
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Held);
  EXPECT_EQ(notes.Count(Kind::LockWait, "err cti FOT "), 2) << notes.Dump();
  FotTable now = Decoded();
  EXPECT_EQ(now.at(1).Raw(), t.at(1).Raw());
  EXPECT_EQ(now.at(2).Raw(), t.at(2).Raw());
  EXPECT_EQ(now.at(3).Key(), "ORG.DTA     ");
  faults.Fail(FsOp::Read, EIO, "FOT.tab", 1);
  EXPECT_TRUE(UnlockFile(u1, org));
  EXPECT_EQ(Decoded().Encode(), t.Encode());
}

TEST_F(LockTableTest, FailedTableWriteIsNoLock) {
  FaultFileSystem faults;
  ScopedFileSystem scoped(faults);
  EXPECT_EQ(LockFile(u2, "X:\\DATA\\JINY.DTA", ""), LockResult::Held);
  faults.Fail(FsOp::Write, ENOSPC, "FOT.tab", 1);
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Held);  // retried from opening the table
  EXPECT_EQ(notes.Count(Kind::LockWait, "chyba "), 1) << notes.Dump();
  FotTable t = Decoded();
  EXPECT_EQ(t.at(2).Key(), "ORG.DTA     ");
  EXPECT_TRUE(t.at(3).Free());
  // Given up: no entry, and the caller knows it.
  faults.Fail(FsOp::Write, ENOSPC, "FOT.tab");
  notes.ignoreAnswer = true;
  EXPECT_EQ(LockFile(u3, "X:\\DATA\\TRETI.DTA", ""), LockResult::GivenUp);
  EXPECT_EQ(notes.Count(Kind::LockWait, "err pis(1) FOT "), 1);
  faults.Clear();
  EXPECT_EQ(Decoded().FindOwn("TRETI.DTA   ", "03  "), 0);
}

// A table that stays unwritable (a full disk) is given up after a few rounds with one
// report; nobody has to answer. The waits for another user's lock are not bounded.
TEST_F(LockTableTest, AnUnwritableTableIsGivenUpAfterAFewRounds) {
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Held);
  FaultFileSystem faults;
  ScopedFileSystem scoped(faults);
  faults.Fail(FsOp::Write, ENOSPC, "FOT.tab");
  int waits = 0;
  notes.onWait = [&](const std::string&, int) { notes.ignoreAnswer = ++waits > 100; };  // no endless test
  const struct {
    const char* what;
    std::function<bool()> step;
    std::string told;
  } cases[] = {
      {"lock", [&] { return LockFile(u2, "X:\\DATA\\JINY.DTA", "") == LockResult::GivenUp; }, Cz(" není zamčen")},
      {"unlock", [&] { return !UnlockFile(u1, org); }, Cz(" zůstává v ní zamčen")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    notes.calls.clear();
    waits = 0;
    EXPECT_TRUE(c.step());
    EXPECT_LE(waits, 5);
    const std::vector<std::string> told = notes.Texts(Kind::BeepMessage);
    ASSERT_EQ(told.size(), 1u) << notes.Dump();
    EXPECT_NE(told[0].find(Cz("FOT.tab nelze zapsat - err   101")), std::string::npos) << notes.Dump();
    EXPECT_NE(told[0].find(c.told), std::string::npos) << notes.Dump();
  }
  EXPECT_EQ(Decoded().FindOwn("ORG.DTA     ", "01  "), 1);  // the entry stays
}

TEST_F(LockTableTest, TheTryOnceFormNamesTheHolderInsteadOfWaiting) {
  Names({{2, Cz("Novák")}});
  std::string holder;
  EXPECT_EQ(LockFile(u2, org, ""), LockResult::Held);
  EXPECT_EQ(TryLockFile(u1, org, "W", holder), LockResult::Busy);
  EXPECT_EQ(holder, Cz("R 02 NOVÁK"));
  EXPECT_EQ(notes.Count(Kind::LockWait), 0);
  EXPECT_TRUE(UnlockFile(u2, org));
  EXPECT_EQ(TryLockFile(u1, org, "W", holder), LockResult::Held);
  EXPECT_EQ(holder, "");
  EXPECT_EQ(Decoded().FindOwn("ORG.DTA     ", "01  "), 1);
}

// Another workstation creates the table between our "missing" and our creation:
// its fresh entry must survive.
TEST_F(LockTableTest, CreatingTheTableNeverWipesAnother) {
  FotTable theirs;
  theirs.at(1).Set("JINY.DTA    ", "02  ", 'W');
  ostest::WriteRaw(tmp / "data/FOT.tab", theirs.Encode());
  FaultFileSystem faults;
  ScopedFileSystem scoped(faults);
  faults.Fail(FsOp::Open, ENOENT, "FOT.tab", 1);  // our first open still saw no table
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Held);
  FotTable t = Decoded();
  EXPECT_EQ(t.at(1).Raw(), theirs.at(1).Raw());
  EXPECT_EQ(t.at(2).Key(), "ORG.DTA     ");
}

TEST_F(LockTableTest, NewTableHasNinetyNineFreeEntries) {
  EXPECT_EQ(IfVolny(u1, org), "");
  EXPECT_EQ(Table(), FotTable().Encode());
}

TEST_F(LockTableTest, UserNameTable) {
  EXPECT_EQ(UserName(u1, "05"), std::string(24, ' '));
  std::string created = ostest::ReadRaw(tmp / "prog/JMENA.tab");
  ASSERT_EQ(created.size(), 2500u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(created.substr(i * 25, 25), '\x18' + std::string(24, ' ')) << i;
  Names({{5, "Petr"}});
  EXPECT_EQ(UserName(u1, "05"), "Petr" + std::string(20, ' '));
  EXPECT_EQ(UserName(u1, "99"), std::string(24, ' '));
  EXPECT_EQ(UserName(u1, "xx"), std::string(24, ' '));
}

// ---------------------------------------------------------------------------
// Real processes on one data folder.

namespace {

// Runs body in a child process; its exit code is body's result.
pid_t Spawn(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    int rc = 1;
    try {
      rc = body();
    } catch (...) {
    }
    _exit(rc);
  }
  return pid;
}

// Waits of about 1 ms; after `limit` of them the wait is left (a test never hangs).
void GiveUpAfter(RecordingNotifier& n, int limit) {
  n.onWait = [&n, limit, waits = 0](const std::string&, int) mutable {
    usleep(1000);
    n.ignoreAnswer = ++waits >= limit;
  };
}

int ExitCode(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST_F(LockTableTest, ProcessesReadersShareWriterWaitsForBoth) {
  int toReader[2], fromWriter[2], fromReader[2];
  ASSERT_EQ(pipe(toReader), 0);
  ASSERT_EQ(pipe(fromWriter), 0);
  ASSERT_EQ(pipe(fromReader), 0);
  ASSERT_EQ(LockFile(u1, org, ""), LockResult::Held);
  pid_t reader = Spawn([&] {
    RecordingNotifier n;
    ScopedNotifier sn(n);
    GiveUpAfter(n, 5000);
    // It may wait for the table itself, never for the other reader.
    if (LockFile(u2, org, "") != LockResult::Held || n.Count(Kind::LockWait, "Soubor ") != 0) return 2;
    [[maybe_unused]] ssize_t w = write(fromReader[1], "r", 1);  // "I hold it"
    char c;
    if (read(toReader[0], &c, 1) != 1) return 3;  // hold it until told
    return UnlockFile(u2, org) ? 0 : 4;
  });
  char c;
  ASSERT_EQ(read(fromReader[0], &c, 1), 1);  // the reader holds its lock (a loaded machine may be slow to get there)
  pid_t writer = Spawn([&] {
    RecordingNotifier n;
    ScopedNotifier sn(n);
    bool told = false;
    int waits = 0;
    n.onWait = [&](const std::string& text, int) {
      if (!told && text.find("ORG.DTA") != std::string::npos) {
        told = true;
        [[maybe_unused]] ssize_t w = write(fromWriter[1], "w", 1);  // "I am waiting"
      }
      usleep(2000);
      n.ignoreAnswer = ++waits >= 5000;  // never hang the test run
    };
    if (LockFile(u3, org, "W") != LockResult::Held) return 2;
    return told ? 0 : 5;
  });
  ASSERT_EQ(read(fromWriter[0], &c, 1), 1);  // the writer waits now
  EXPECT_TRUE(UnlockFile(u1, org));
  usleep(20000);
  EXPECT_EQ(Decoded().FindOwn("ORG.DTA     ", "03  "), 0);  // still waiting for the reader
  ASSERT_EQ(write(toReader[1], "g", 1), 1);
  EXPECT_EQ(ExitCode(reader), 0);
  EXPECT_EQ(ExitCode(writer), 0);
  FotTable t = Decoded();
  EXPECT_NE(t.FindOwn("ORG.DTA     ", "03  "), 0);
  EXPECT_EQ(t.FindOwn("ORG.DTA     ", "01  "), 0);
  EXPECT_EQ(t.FindOwn("ORG.DTA     ", "02  "), 0);
  for (int fd : {toReader[0], toReader[1], fromWriter[0], fromWriter[1]}) close(fd);
}

// Two processes lock and unlock in a loop: nothing in the table is lost, and
// the write lock keeps them out of each other's way.
TEST_F(LockTableTest, ProcessesChangingTheTableAtOnceLoseNothing) {
  const int rounds = 150;
  ostest::WriteRaw(tmp / "data/counter", "0");
  auto worker = [&](Session& s, const std::string& own) {
    return [&s, own, this, rounds] {
      RecordingNotifier n;
      ScopedNotifier sn(n);
      GiveUpAfter(n, 50000);
      for (int i = 0; i < rounds; ++i) {
        if (LockFile(s, own, "") != LockResult::Held) return 2;     // a file of its own
        if (LockFile(s, org, "W") != LockResult::Held) return 3;    // the shared one
        int v = std::stoi(ostest::ReadRaw(tmp / "data/counter"));
        ostest::WriteRaw(tmp / "data/counter", std::to_string(v + 1));
        if (!UnlockFile(s, org)) return 4;
        if (!UnlockFile(s, own)) return 5;
      }
      return LockFile(s, own, "W") == LockResult::Held ? 0 : 6;  // left in place
    };
  };
  pid_t a = Spawn(worker(u1, "X:\\DATA\\A.DTA"));
  pid_t b = Spawn(worker(u2, "X:\\DATA\\B.DTA"));
  EXPECT_EQ(ExitCode(a), 0);
  EXPECT_EQ(ExitCode(b), 0);
  EXPECT_EQ(ostest::ReadRaw(tmp / "data/counter"), std::to_string(2 * rounds));
  FotTable t = Decoded();
  int used = 0;
  for (int i = 1; i <= 99; ++i) used += !t.at(i).Free();
  EXPECT_EQ(used, 2);
  EXPECT_NE(t.FindOwn("A.DTA       ", "01  "), 0);
  EXPECT_NE(t.FindOwn("B.DTA       ", "02  "), 0);
  EXPECT_EQ(Table().size(), 1980u);
}

// A table that cannot be used is no table held by another workstation: the notice
// names it, its path and why; Esc stops the step and the file stays as it was.
TEST_F(LockTableTest, AnUnusableTableIsSaidWithItsPathAndCanBeStopped) {
  const std::string table = tmp.path() + "/data/FOT.tab";
  std::string random(FotTable::kSize, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 73 + 41) % 251);
  FaultFileSystem faults;
  ScopedFileSystem scoped(faults);
  const struct {
    const char* what;
    std::function<void()> damage;
    std::string says;
  } cases[] = {
      {"not opened", [&] { faults.Fail(FsOp::Open, EIO, "FOT.tab"); }, Cz(" nelze otevřít (err 31)")},
      {"random bytes", [&] { ostest::WriteRaw(table, random); }, Cz(" je poškozená (položka 1)")},
      {"wrong size", [&] { ostest::WriteRaw(table, random.substr(0, 1985 - 1980) + std::string(1980, ' ')); },
       Cz(" je poškozená: má 1985 B, ne 1980")},
  };
  notes.stopAnswer = true;
  for (const auto& c : cases) {
    notes.calls.clear();
    c.damage();
    const std::string before = std::filesystem::is_regular_file(table) ? Table() : "";
    EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Stopped) << c.what;
    EXPECT_EQ(u1.WaitStopped, 1) << c.what;
    ASSERT_EQ(notes.Texts(Kind::LockWait).size(), 1u) << c.what << notes.Dump();
    EXPECT_EQ(notes.Texts(Kind::LockWait)[0], Cz("Tabulku sdílení souborů ") + table + c.says + Cz(", Esc = přerušit"))
        << c.what;
    if (!before.empty()) EXPECT_EQ(Table(), before) << c.what;
    EXPECT_FALSE(UnlockFile(u1, org)) << c.what;  // the same notice, stopped again
    faults.Clear();
    std::filesystem::remove_all(table);
  }
  // Put right while the notice is up, the wait ends with the lock.
  notes.stopAnswer = false;
  ostest::WriteRaw(table, random);
  notes.onWait = [&](const std::string&, int) { std::filesystem::remove(table); };
  EXPECT_EQ(LockFile(u1, org, "W"), LockResult::Held);
  EXPECT_EQ(Decoded().FindOwn("ORG.DTA     ", "01  "), 1);
}

// A table this workstation may read but not write (read rights only, a folder in its
// place): no wait ends that. Said once a run; reads go on without an entry, a write is
// given up, who holds what is read from it where it can be read; the table is left alone.
TEST_F(LockTableTest, ATableThatCannotBeWrittenIsSaidOnceAndReadsGoOn) {
  const std::string table = tmp.path() + "/data/FOT.tab";
  const std::string inFolder = "X:\\DATA\\JINY.DTA";
  FaultFileSystem faults;
  ScopedFileSystem scoped(faults);
  const struct {
    const char* what;
    std::function<void()> damage;
    std::string why;     // after the table's path
    std::string holder;  // IfVolny of another user's write lock taken before
  } cases[] = {
      {"read rights only", [&] { faults.Fail(FsOp::OpenWrite, EACCES, "FOT.tab"); }, Cz(" nelze zapsat (err 5)"), "W 02"},
      {"a folder", [&] { std::filesystem::remove(table); std::filesystem::create_directory(table); },
       Cz(" nelze zapsat (err 5, je to složka)"), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(LockFile(u2, org, "W"), LockResult::Held);
    c.damage();
    const std::string before = std::filesystem::is_regular_file(table) ? Table() : "";
    notes.calls.clear();
    EXPECT_EQ(LockFile(u1, org, ""), LockResult::ReadOnlyTable);
    EXPECT_EQ(LockFile(u1, inFolder, ""), LockResult::ReadOnlyTable);  // the same table: not said again
    EXPECT_EQ(LockFile(u1, org, "W"), LockResult::GivenUp);
    std::string holder;
    EXPECT_EQ(TryLockFile(u1, org, "", holder), LockResult::ReadOnlyTable);
    EXPECT_EQ(IfVolny(u1, org), c.holder);
    EXPECT_TRUE(UnlockFile(u1, org));  // nothing of this user's to free
    const std::string why =
        Cz("tabulku sdílení souborů ") + table + c.why + Cz(", soubory z její složky se otevírají jen pro čtení");
    EXPECT_EQ(notes.Texts(Kind::BeepMessage),
              std::vector<std::string>{Cz("Soubor ") + tmp.path() + "/data/ORG.DTA" + Cz(" nelze zamknout: ") + why})
        << notes.Dump();
    EXPECT_EQ(notes.Count(Kind::LockWait), 0) << notes.Dump();
    EXPECT_EQ(LockTableReadOnlyText(u1, org), why);
    EXPECT_TRUE(u1.HeldLocks.empty());
    if (!before.empty()) EXPECT_EQ(Table(), before);
    // Writable again: the lock is taken, and a later loss of the right is said again.
    faults.Clear();
    if (std::filesystem::is_directory(table)) std::filesystem::remove(table);
    EXPECT_TRUE(UnlockFile(u2, org));
    EXPECT_EQ(LockFile(u1, org, ""), LockResult::Held);
    EXPECT_TRUE(LockTableReadOnlyText(u1, org).empty());
    EXPECT_TRUE(UnlockFile(u1, org));
  }
}

// A console without anybody at it (a batch) bounds its waits: a wait for another user's
// lock, and notices of one text in a row (the lock server's), end after the bound as with
// Esc, the text said once and then as the message that ends it. The clock is the test's.
TEST_F(LockTableTest, ABoundedConsoleEndsAWaitAsWithEsc) {
  FakeClock clock;
  ScopedClock scopedClock(clock);
  struct Unattended : ConsoleNotifier {
    explicit Unattended(FakeClock& c) : ConsoleNotifier(5000), clock(c) {}
    void Say(const std::string& text) override { said.push_back(text); }
    void Pause(int ms) override { clock.Advance(ms); }
    FakeClock& clock;
    std::vector<std::string> said;
  } console(clock);
  ScopedNotifier scoped(console);
  ASSERT_EQ(LockFile(u2, org, "W"), LockResult::Held);
  EXPECT_EQ(LockFile(u1, org, ""), LockResult::Stopped);
  EXPECT_EQ(u1.WaitStopped, 1);
  EXPECT_EQ(clock.MonotonicMs(), 5000);
  const std::string wait = Cz("Soubor ORG.DTA      W užívá 02");
  ASSERT_EQ(console.said.size(), 2u);
  EXPECT_EQ(console.said[0], wait);
  EXPECT_EQ(console.said[1], wait + Cz(" (čekání přerušeno po 5 s)"));
  // Notices one after another: the fourth of two seconds passes the bound.
  console.said.clear();
  int rounds = 0;
  const std::string busy = Cz("Soubor je stále obsazený ERR 50");
  while (!LockWaitMessage(u1, busy, 2000) && rounds < 100) ++rounds;
  EXPECT_EQ(rounds, 2);
  EXPECT_EQ(u1.WaitStopped, 1);
  EXPECT_EQ(u1.IgnoreLocks, 0);  // left as with Esc, not the protection ignored
  EXPECT_EQ(console.said, (std::vector<std::string>{busy, busy + Cz(" (čekání přerušeno po 5 s)")}));
  UnlockFile(u2, org);
}
