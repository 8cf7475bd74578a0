#include "common/osfile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/faultfs.h"
#include "common/winpath.h"
#include "os_tempdir.h"

using namespace common;
using namespace common::literals;
using ostest::ReadRaw;
using ostest::TempDir;
using ostest::WriteRaw;

namespace {

class OsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    Drives() = DriveMap();
    SetDefaultOpenMode(kModeReadWrite);
  }
  void TearDown() override { SetDefaultOpenMode(kModeReadWrite); }
  // The name the program would use: Windows separators.
  std::string Win(const std::string& rel) const {
    std::string s = dir / rel;
    for (char& c : s)
      if (c == '/') c = '\\';
    return s;
  }
  TempDir dir;
};

// ---- Sharing -------------------------------------------------------------------

TEST_F(OsFileTest, ExclusiveAndSharedOpensInOneProcess) {
  WriteRaw(dir / "CI10.DTA", "0123456789");
  File excl;
  ASSERT_EQ(excl.Open(Win("CI10.DTA"), kModeExclusive), 0);
  File other;
  EXPECT_EQ(other.Open(Win("CI10.DTA"), kModeDenyNone), io::kSharingViolation);
  EXPECT_EQ(other.Open(Win("ci10.dta"), kModeReadOnly), io::kSharingViolation);
  EXPECT_EQ(other.Open(Win("CI10.DTA"), kModeExclusive), io::kSharingViolation);
  EXPECT_FALSE(other.IsOpen());
  EXPECT_EQ(excl.Close(), 0);

  File a, b, c;
  ASSERT_EQ(a.Open(Win("CI10.DTA"), kModeDenyNone), 0);
  ASSERT_EQ(b.Open(Win("CI10.DTA"), kModeReadOnly), 0);  // shared opens live side by side
  EXPECT_EQ(c.Open(Win("CI10.DTA"), kModeExclusive), io::kSharingViolation);
  a.Close();
  EXPECT_EQ(c.Open(Win("CI10.DTA"), kModeExclusive), io::kSharingViolation);  // b still holds it
  b.Close();
  EXPECT_EQ(c.Open(Win("CI10.DTA"), kModeExclusive), 0);
}

TEST_F(OsFileTest, DefaultOpenModeDecidesTheSharing) {
  WriteRaw(dir / "FOT.tab", "x");
  File a, b;
  {
    ScopedOpenMode mode(kModeExclusive);
    ASSERT_EQ(a.Open(Win("FOT.tab")), 0);
    EXPECT_EQ(DefaultOpenMode(), kModeExclusive);
  }
  EXPECT_EQ(DefaultOpenMode(), kModeReadWrite);
  EXPECT_EQ(b.Open(Win("FOT.tab")), io::kSharingViolation);
}

TEST_F(OsFileTest, CreatingAHeldFileNeitherEmptiesNorOpensIt) {
  WriteRaw(dir / "UZIVATEL.tab", "keep me");
  File holder;
  ASSERT_EQ(holder.Open(Win("UZIVATEL.tab"), kModeExclusive), 0);
  File again;
  EXPECT_EQ(again.Create(Win("UZIVATEL.tab"), kModeDenyNone), io::kSharingViolation);
  holder.Close();
  EXPECT_EQ(ReadRaw(dir / "UZIVATEL.tab"), "keep me");

  ASSERT_EQ(again.Create(Win("UZIVATEL.tab"), kModeDenyNone), 0);
  std::uint64_t size = 1;
  EXPECT_EQ(again.Size(size), 0);
  EXPECT_EQ(size, 0u);
}

// Runs `child` in a forked process; its return value is the exit code.
template <class F>
pid_t Fork(F child) {
  const pid_t pid = fork();
  if (pid == 0) _exit(child());
  return pid;
}

int ExitCodeOf(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(OsFileTest, ExclusiveAndSharedOpensAcrossProcesses) {
  WriteRaw(dir / "master.job", std::string(3600, '\0'));
  const std::string name = Win("MASTER.JOB");
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);

  // The other workstation holds the file exclusively until told to let go.
  const pid_t pid = Fork([&] {
    File f;
    const int code = f.Open(name, kModeExclusive);
    char c = code == 0 ? 'y' : 'n';
    if (write(ready[1], &c, 1) != 1) return 3;
    if (read(done[0], &c, 1) != 1) return 4;
    return code == 0 ? 0 : 2;
  });
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  File mine;
  EXPECT_EQ(mine.Open(name, kModeReadOnly), io::kSharingViolation);
  EXPECT_EQ(mine.Open(name, kModeDenyNone), io::kSharingViolation);
  ASSERT_EQ(write(done[1], "x", 1), 1);
  EXPECT_EQ(ExitCodeOf(pid), 0);
  EXPECT_EQ(mine.Open(name, kModeDenyNone), 0);

  // Now this process holds it shared: the other one cannot take it exclusively, but can share it.
  const pid_t second = Fork([&] {
    File f;
    if (f.Open(name, kModeExclusive) != io::kSharingViolation) return 1;
    if (f.Open(name, kModeReadOnly) != 0) return 2;
    return 0;
  });
  EXPECT_EQ(ExitCodeOf(second), 0);
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}

TEST_F(OsFileTest, BusyFileFromTheFileSystem) {
  WriteRaw(dir / "a.dta", "x");
  FaultFileSystem fs;
  ScopedFileSystem use(fs);
  fs.Fail(FsOp::Lock, EWOULDBLOCK, "a.dta", 1);
  File f;
  EXPECT_EQ(f.Open(Win("a.dta"), kModeDenyNone), io::kSharingViolation);
  EXPECT_EQ(f.Open(Win("a.dta"), kModeDenyNone), 0);  // released
  EXPECT_EQ(fs.Calls(FsOp::Lock), 2);
}

// ---- Codes ---------------------------------------------------------------------

TEST_F(OsFileTest, MissingFileAndMissingFolder) {
  File f;
  EXPECT_EQ(f.Open(Win("nothere.dta")), io::kFileNotFound);
  EXPECT_EQ(f.Open(Win("nofolder\\x.dta")), io::kPathNotFound);
  EXPECT_EQ(f.Create(Win("nofolder\\x.dta")), io::kPathNotFound);
  WriteRaw(dir / "plain", "x");
  EXPECT_EQ(f.Open(Win("plain\\x.dta")), io::kPathNotFound);  // a file where a folder should be
  FileStat st;
  EXPECT_EQ(GetFileInfo(Win("nothere.dta"), st), io::kFileNotFound);
  EXPECT_EQ(GetFileInfo(Win("nofolder\\x.dta"), st), io::kPathNotFound);
  EXPECT_FALSE(FileExists(Win("nothere.dta")));
  std::uint64_t size = 0;
  EXPECT_EQ(FileSize(Win("nofolder\\x.dta"), size), io::kPathNotFound);
  EXPECT_EQ(f.Open("Q:\\x.dta"), io::kPathNotFound);  // no such drive
}

TEST_F(OsFileTest, FolderOpenedAsFileFails) {
  std::filesystem::create_directories(dir / "XLS");
  File f;
  EXPECT_EQ(f.Open(Win("XLS"), kModeReadOnly), io::kAccessDenied);
  EXPECT_EQ(f.Open(Win("xls"), kModeDenyNone), io::kAccessDenied);
  EXPECT_EQ(f.Create(Win("XLS"), kModeDenyNone), io::kAccessDenied);
  EXPECT_FALSE(f.IsOpen());
  std::uint64_t size = 0;
  EXPECT_EQ(FileSize(Win("XLS"), size), io::kAccessDenied);
  EXPECT_TRUE(DirectoryExists(Win("xls")));
  EXPECT_FALSE(FileExists(Win("xls")));
}

TEST_F(OsFileTest, ErrnoToIoCodes) {
  EXPECT_EQ(IoCodeFromErrno(0), 0);
  EXPECT_EQ(IoCodeFromErrno(ENOENT), io::kFileNotFound);
  EXPECT_EQ(IoCodeFromErrno(ENOENT, dir / "x"), io::kFileNotFound);
  EXPECT_EQ(IoCodeFromErrno(ENOENT, dir / "gone/x"), io::kPathNotFound);
  EXPECT_EQ(IoCodeFromErrno(ENOTDIR), io::kPathNotFound);
  EXPECT_EQ(IoCodeFromErrno(EACCES), io::kAccessDenied);
  EXPECT_EQ(IoCodeFromErrno(EPERM), io::kAccessDenied);
  EXPECT_EQ(IoCodeFromErrno(EROFS), io::kAccessDenied);
  EXPECT_EQ(IoCodeFromErrno(EWOULDBLOCK), io::kSharingViolation);
  EXPECT_EQ(IoCodeFromErrno(ENOLCK), io::kLockViolation);
  EXPECT_EQ(IoCodeFromErrno(ENOSPC), io::kDiskWriteError);
  EXPECT_EQ(IoCodeFromErrno(EDQUOT), io::kDiskWriteError);
  EXPECT_EQ(IoCodeFromErrno(EIO, "", IoOp::Read), io::kReadPastEnd);
  EXPECT_EQ(IoCodeFromErrno(EIO, "", IoOp::Write), io::kDiskWriteError);
  EXPECT_EQ(IoCodeFromErrno(EMFILE), io::kTooManyOpenFiles);
  EXPECT_EQ(IoCodeFromErrno(EXDEV), io::kNotSameDevice);
  EXPECT_EQ(IoCodeFromErrno(ENOTEMPTY), io::kDirNotEmpty);

  try {
    ThrowIfError(io::kSharingViolation, "CI10.DTA");
    ADD_FAILURE() << "no exception";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code, 32);
    EXPECT_EQ(e.file, "CI10.DTA");
  }
  EXPECT_NO_THROW(ThrowIfError(0, "x"));
}

// ---- Reading and writing -------------------------------------------------------

TEST_F(OsFileTest, ReadAndWriteAtOffsets) {
  File f;
  ASSERT_EQ(f.Create(Win("rec.dta")), 0);
  ASSERT_EQ(f.WriteAt(0, "AAAA", 4), 0);
  ASSERT_EQ(f.WriteAt(8, "CCCC", 4), 0);  // leaves a gap of zeros
  ASSERT_EQ(f.WriteAt(4, "BB", 2), 0);
  std::string all;
  ASSERT_EQ(f.ReadWhole(all), 0);
  EXPECT_EQ(all, std::string("AAAABB\0\0CCCC", 12));

  char buf[8] = {};
  std::size_t got = 0;
  EXPECT_EQ(f.ReadAt(8, buf, 8, got), io::kReadPastEnd);  // only 4 are there
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(std::string(buf, 4), "CCCC");
  EXPECT_EQ(f.ReadSome(10, buf, 8, got), 0);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(f.ReadAt(100, buf, 1), io::kReadPastEnd);

  ASSERT_EQ(f.WriteWhole("xyz"), 0);
  f.Close();
  EXPECT_EQ(ReadRaw(dir / "rec.dta"), "xyz");
  EXPECT_EQ(f.ReadAt(0, buf, 1), io::kFileNotOpen);

  std::string text;
  EXPECT_EQ(ReadFileText(Win("REC.DTA"), text), 0);
  EXPECT_EQ(text, "xyz");
}

TEST_F(OsFileTest, ReadOnlyOpenRefusesWrites) {
  WriteRaw(dir / "r.dta", "abc");
  File f;
  ASSERT_EQ(f.Open(Win("r.dta"), kModeReadOnly), 0);
  EXPECT_FALSE(f.CanWrite());
  EXPECT_EQ(f.WriteAt(0, "x", 1), io::kAccessDenied);
  EXPECT_EQ(f.Truncate(0), io::kAccessDenied);
  f.Close();
  EXPECT_EQ(ReadRaw(dir / "r.dta"), "abc");
}

TEST_F(OsFileTest, FullDiskLosesNothing) {
  WriteRaw(dir / "ci11.dta", "record-1record-2");
  FaultFileSystem fs;
  ScopedFileSystem use(fs);
  File f;
  ASSERT_EQ(f.Open(Win("CI11.DTA"), kModeDenyNone), 0);
  fs.SetDiskSpace(3);
  // An appended record that does not fit: 101, and no part of it stays behind.
  EXPECT_EQ(f.WriteAt(16, "record-3", 8), io::kDiskWriteError);
  std::uint64_t size = 0;
  ASSERT_EQ(f.Size(size), 0);
  EXPECT_EQ(size, 16u);
  f.Close();
  EXPECT_EQ(ReadRaw(dir / "ci11.dta"), "record-1record-2");

  // A new version that does not fit leaves the old one whole and no temporary file.
  fs.SetDiskSpace(10);
  EXPECT_EQ(ReplaceFileContents(Win("ci11.dta"), "new contents, longer than ten"), io::kDiskWriteError);
  EXPECT_EQ(ReadRaw(dir / "ci11.dta"), "record-1record-2");
  EXPECT_EQ(ostest::Listing(dir.path()), "ci11.dta");
}

TEST_F(OsFileTest, FailedWriteGives101) {
  WriteRaw(dir / "a.dta", "old");
  FaultFileSystem fs;
  ScopedFileSystem use(fs);
  fs.Fail(FsOp::Write, EIO, "a.dta", 1);
  File f;
  ASSERT_EQ(f.Open(Win("a.dta")), 0);
  EXPECT_EQ(f.WriteAt(0, "new", 3), io::kDiskWriteError);
  EXPECT_EQ(f.WriteAt(0, "new", 3), 0);
  fs.Fail(FsOp::Read, EIO, "a.dta", 1);
  char buf[3];
  EXPECT_EQ(f.ReadAt(0, buf, 3), io::kReadPastEnd);
}

TEST_F(OsFileTest, FileTimes) {
  WriteRaw(dir / "t.dta", "x");
  const std::int64_t when = 1'700'000'000'123'000'000;
  ASSERT_EQ(SetFileTime(Win("T.DTA"), when), 0);
  std::int64_t got = 0;
  ASSERT_EQ(GetFileTime(Win("t.dta"), got), 0);
  EXPECT_EQ(got, when);
  File f;
  ASSERT_EQ(f.Open(Win("t.dta")), 0);
  ASSERT_EQ(f.SetTime(when + 2'000'000'000), 0);
  ASSERT_EQ(f.GetTime(got), 0);
  EXPECT_EQ(got, when + 2'000'000'000);
  EXPECT_EQ(GetFileTime(Win("none.dta"), got), io::kFileNotFound);
}

// ---- Replacing -------------------------------------------------------------------

TEST_F(OsFileTest, ReplaceWritesBesideAndRenamesOver) {
  WriteRaw(dir / "Data/Ci10.dta", "old");
  chmod((dir / "Data/Ci10.dta").c_str(), 0640);
  FileReplacement r;
  ASSERT_EQ(r.Begin(Win("DATA\\CI10.DTA")), 0);
  // The temporary file lies in the target's own folder.
  EXPECT_EQ(std::filesystem::path(r.TempPath()).parent_path(), std::filesystem::path(dir / "Data"));
  ASSERT_EQ(r.file().WriteAt(0, "new version", 11), 0);
  EXPECT_EQ(ReadRaw(dir / "Data/Ci10.dta"), "old");  // untouched until the commit
  ASSERT_EQ(r.Commit(), 0);
  EXPECT_EQ(ReadRaw(dir / "Data/Ci10.dta"), "new version");
  EXPECT_EQ(ostest::Listing(dir / "Data"), "Ci10.dta");
  struct stat st {};
  ASSERT_EQ(stat((dir / "Data/Ci10.dta").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A new file keeps the given name; an abandoned replacement leaves nothing.
  ASSERT_EQ(ReplaceFileContents(Win("Data\\New.DTA"), "n"), 0);
  EXPECT_EQ(ReadRaw(dir / "Data/New.DTA"), "n");
  {
    FileReplacement dropped;
    ASSERT_EQ(dropped.Begin(Win("Data\\New.DTA")), 0);
    ASSERT_EQ(dropped.file().WriteAt(0, "zzz", 3), 0);
  }
  EXPECT_EQ(ReadRaw(dir / "Data/New.DTA"), "n");
  EXPECT_EQ(ostest::Listing(dir / "Data"), "Ci10.dta New.DTA");
}

// A writer killed half way leaves its temporary; the next sweep of the folder erases it,
// but never one a living writer holds, a rollback copy or a user's file named like one.
TEST_F(OsFileTest, TemporariesOfKilledWritersGoAndLivingOnesAndUsersFilesStay) {
  WriteRaw(dir / "Data/CI60.dta", "old");
  WriteRaw(dir / "Data/FOT.tab", "table");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    FileReplacement a, b;
    const bool begun = a.Begin(Win("Data\\CI60.dta")) == 0 && a.file().WriteAt(0, "half", 4) == 0 &&
                       b.Begin(Win("Data\\FOT.tab")) == 0;
    const char c = begun ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    for (;;) pause();
  }
  close(ready[1]);
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_EQ(c, 'y');
  auto temps = [&] {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir / "Data"))
      n += IsReplacementTemp(e.path().filename().string());
    return n;
  };
  ASSERT_EQ(temps(), 2);
  WriteRaw(dir / "Data/.~other.dta.rollback", "rollback");
  WriteRaw(dir / "Data/.~x.1-2", "not ours");
  // Users' files of a temporary's looks: the older shape, and the new one with a wrong check.
  WriteRaw(dir / "Data/.~zaloha.2024-01-15", "the user's");
  WriteRaw(dir / "Data/.~CI60.dta.4711-0-123", "the user's");
  std::string forged = ReplacementTempName("CI60.dta", 4711, 0, 123);
  forged.back() = forged.back() == '0' ? '1' : '0';
  WriteRaw(dir / ("Data/" + forged), "the user's");
  FileReplacement living;
  ASSERT_EQ(living.Begin(Win("Data\\ci60.dta")), 0);
  ASSERT_EQ(temps(), 2);  // its start erased the dead temporary of its own target

  // Only the named target's temporaries, names without case.
  EXPECT_EQ(RemoveDeadTemps(Win("Data\\"), {"ci60.DTA"}), 0);
  EXPECT_EQ(temps(), 2);
  EXPECT_EQ(RemoveDeadTemps(Win("Data\\")), 1);
  EXPECT_EQ(temps(), 1);  // the living one
  EXPECT_TRUE(std::filesystem::exists(living.TempPath()));
  ASSERT_EQ(living.file().WriteAt(0, "new", 3), 0);
  ASSERT_EQ(living.Commit(), 0);
  EXPECT_EQ(ostest::Listing(dir / "Data"), ".~CI60.dta.4711-0-123 " + forged +
                                               " .~other.dta.rollback .~x.1-2 .~zaloha.2024-01-15 CI60.dta FOT.tab");
  EXPECT_EQ(ReadRaw(dir / "Data/CI60.dta"), "new");
  EXPECT_EQ(ReadRaw(dir / "Data/.~zaloha.2024-01-15"), "the user's");
  for (const std::string name : {".~CI60.dta.rollback", ".~.1-2-3", ".~zaloha.2024-01-15", ".~a.b.12-0-345",
                                 ".~a.~tmp12-0-345-00000000", forged.c_str()})
    EXPECT_FALSE(IsReplacementTemp(name)) << name;
  EXPECT_TRUE(IsReplacementTemp(ReplacementTempName("a.b", 12, 0, 345)));
  EXPECT_TRUE(IsReplacementTemp(ReplacementTempName(".~x.1-2-3", 1, 2, 3)));
  EXPECT_EQ(ReplacementTempName("a.b", 12, 0, 345).substr(0, 12), ".~a.b.~tmp12");
}

TEST_F(OsFileTest, FailedRenameKeepsTheOldFile) {
  WriteRaw(dir / "list.dta", "old contents");
  FaultFileSystem fs;
  ScopedFileSystem use(fs);
  fs.Fail(FsOp::Rename, EACCES, "list.dta", 1);
  EXPECT_EQ(ReplaceFileContents(Win("list.dta"), "new"), io::kAccessDenied);
  EXPECT_EQ(ReadRaw(dir / "list.dta"), "old contents");
  EXPECT_EQ(ostest::Listing(dir.path()), "list.dta");
  fs.Fail(FsOp::Sync, EIO, "", 1);
  EXPECT_EQ(ReplaceFileContents(Win("list.dta"), "new"), io::kDiskWriteError);
  EXPECT_EQ(ReadRaw(dir / "list.dta"), "old contents");
  EXPECT_EQ(ostest::Listing(dir.path()), "list.dta");
  EXPECT_EQ(ReplaceFileContents(Win("list.dta"), "new"), 0);
  EXPECT_EQ(ReadRaw(dir / "list.dta"), "new");
}

TEST_F(OsFileTest, ReadOnlyFolderKeepsTheOldFile) {
  WriteRaw(dir / "ro/list.dta", "old contents");
  chmod((dir / "ro").c_str(), 0555);
  if (access((dir / "ro").c_str(), W_OK) == 0)
    GTEST_SKIP() << "permissions do not bind this user; FailedRenameKeepsTheOldFile covers it";
  EXPECT_EQ(ReplaceFileContents(Win("ro\\list.dta"), "new"), io::kAccessDenied);
  EXPECT_EQ(ReadRaw(dir / "ro/list.dta"), "old contents");
  EXPECT_EQ(ostest::Listing(dir / "ro"), "list.dta");
}

// A rename needs only the folder's write right; a file the user may not write (an open of
// it for writing refused) is replaced by no step all the same: 5 before anything is written
// or moved, the file byte for byte, no temporary left. A missing target is made as ever.
TEST_F(OsFileTest, AFileTheUserMayNotWriteIsNotReplaced) {
  enum class Step { Contents, Replacement, MoveOver };
  struct Row {
    const char* what;
    Step step;
    int err;
    bool exists;
  };
  const Row rows[] = {
      {"new contents", Step::Contents, EACCES, true},
      {"a replacement begun", Step::Replacement, EPERM, true},
      {"a finished file moved over", Step::MoveOver, EACCES, true},
      {"new contents, no file yet", Step::Contents, EACCES, false},
      {"moved in, no file yet", Step::MoveOver, EPERM, false},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = "r" + std::to_string(n++);
    std::filesystem::create_directories(dir / folder);
    if (row.exists) WriteRaw(dir / (folder + "/ci10.dta"), "old bytes");
    WriteRaw(dir / (folder + "/new.wrk"), "new bytes");
    const std::string target = Win(folder + "\\CI10.DTA");
    FaultFileSystem fs;
    ScopedFileSystem use(fs);
    // The file itself, not its temporary (".~ci10.dta...").
    fs.Fail(FsOp::OpenWrite, row.err, "/ci10.dta");
    fs.Fail(FsOp::OpenWrite, row.err, "/CI10.DTA");
    int code = -1;
    switch (row.step) {
      case Step::Contents: code = ReplaceFileContents(target, "new bytes"); break;
      case Step::Replacement: {
        FileReplacement r;
        code = r.Begin(target);
        if (code == 0) code = r.file().WriteWhole("new bytes");
        if (code == 0) code = r.Commit();
        break;
      }
      case Step::MoveOver: code = ReplaceFileFrom(Win(folder + "\\new.wrk"), target); break;
    }
    const bool moved = row.step == Step::MoveOver && code == 0;
    if (row.exists) {
      EXPECT_EQ(code, io::kAccessDenied);
      EXPECT_EQ(ReadRaw(dir / (folder + "/ci10.dta")), "old bytes");
      EXPECT_EQ(ostest::Listing(dir / folder), "ci10.dta new.wrk");
      EXPECT_EQ(fs.Calls(FsOp::Write) + fs.Calls(FsOp::Rename), 0);
    } else {
      EXPECT_EQ(code, 0);
      EXPECT_EQ(ReadRaw(dir / (folder + "/CI10.DTA")), "new bytes");
      EXPECT_EQ(ostest::Listing(dir / folder), moved ? "CI10.DTA" : "CI10.DTA new.wrk");
    }
  }
}

TEST_F(OsFileTest, HeldTargetIsNotReplaced) {
  WriteRaw(dir / "held.dta", "old");
  File holder;
  ASSERT_EQ(holder.Open(Win("held.dta"), kModeReadOnly), 0);
  EXPECT_EQ(ReplaceFileContents(Win("held.dta"), "new"), io::kSharingViolation);
  holder.Close();
  EXPECT_EQ(ReadRaw(dir / "held.dta"), "old");
  EXPECT_EQ(ostest::Listing(dir.path()), "held.dta");
}

TEST_F(OsFileTest, NewFileAppearsWholeOrNotAtAll) {
  ASSERT_EQ(CreateNewFile(Win("JMENA.tab"), "abc"), 0);
  EXPECT_EQ(ReadRaw(dir / "JMENA.tab"), "abc");
  ASSERT_EQ(CreateNewFile(Win("empty.tab")), 0);
  EXPECT_EQ(ReadRaw(dir / "empty.tab"), "");
  EXPECT_EQ(CreateNewFile(Win("jmena.TAB"), "xyz"), io::kFileExists);  // a taken name keeps its file
  EXPECT_EQ(ReadRaw(dir / "JMENA.tab"), "abc");
  EXPECT_EQ(CreateNewFile(Win("nofolder\\a.tab"), "x"), io::kPathNotFound);

  FaultFileSystem fs;
  ScopedFileSystem use(fs);
  fs.SetDiskSpace(2);
  EXPECT_EQ(CreateNewFile(Win("new.tab"), "abcdef"), io::kDiskWriteError);
  fs.SetDiskSpace(-1);
  // The name is taken by another workstation while ours is being written.
  fs.Fail(FsOp::Rename, EEXIST, "new.tab", 1);
  EXPECT_EQ(CreateNewFile(Win("new.tab"), "ours"), io::kFileExists);
  EXPECT_EQ(ostest::Listing(dir.path()), "JMENA.tab empty.tab");  // no part-written file, no temporary one
}

TEST_F(OsFileTest, MoveOverAcrossFileSystemsInjected) {
  WriteRaw(dir / "work/pracovni.wrk", "sorted");
  WriteRaw(dir / "data/ci10.dta", "unsorted");
  FaultFileSystem fs;
  ScopedFileSystem use(fs);
  fs.Fail(FsOp::Rename, EXDEV, "pracovni.wrk", 1);
  ASSERT_EQ(ReplaceFileFrom(Win("work\\pracovni.wrk"), Win("DATA\\CI10.DTA")), 0);
  EXPECT_EQ(ReadRaw(dir / "data/ci10.dta"), "sorted");
  EXPECT_EQ(ostest::Listing(dir / "data"), "ci10.dta");
  EXPECT_EQ(ostest::Listing(dir / "work"), "");
  EXPECT_EQ(fs.Calls(FsOp::Rename), 2);  // the failed move, then the temporary file over the target

  // The copy does not fit: source and target stay as they were.
  WriteRaw(dir / "work/pracovni.wrk", "sorted again, longer");
  fs.Fail(FsOp::Rename, EXDEV, "pracovni.wrk", 1);
  fs.SetDiskSpace(5);
  EXPECT_EQ(ReplaceFileFrom(Win("work\\pracovni.wrk"), Win("data\\ci10.dta")), io::kDiskWriteError);
  EXPECT_EQ(ReadRaw(dir / "data/ci10.dta"), "sorted");
  EXPECT_EQ(ReadRaw(dir / "work/pracovni.wrk"), "sorted again, longer");
  EXPECT_EQ(ostest::Listing(dir / "data"), "ci10.dta");
}

TEST_F(OsFileTest, MoveOverAcrossRealFileSystems) {
  TempDir other("/dev/shm");
  struct stat a {}, b {};
  if (!other.ok() || stat(dir.path().c_str(), &a) != 0 || stat(other.path().c_str(), &b) != 0 ||
      a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system here; MoveOverAcrossFileSystemsInjected covers it";
  WriteRaw(other / "src.wrk", "from elsewhere");
  WriteRaw(dir / "target.dta", "old");
  ASSERT_EQ(ReplaceFileFrom(other / "src.wrk", Win("target.dta")), 0);
  EXPECT_EQ(ReadRaw(dir / "target.dta"), "from elsewhere");
  EXPECT_FALSE(std::filesystem::exists(other / "src.wrk"));
  EXPECT_EQ(ostest::Listing(dir.path()), "target.dta");
}

// ---- Names on disk -------------------------------------------------------------

TEST_F(OsFileTest, EraseAndRename) {
  WriteRaw(dir / "a.dta", "a");
  WriteRaw(dir / "b.dta", "b");
  std::filesystem::create_directories(dir / "sub");
  EXPECT_EQ(EraseFile(Win("SUB")), io::kAccessDenied);
  EXPECT_EQ(EraseFile(Win("none.dta")), io::kFileNotFound);
  EXPECT_EQ(EraseFile(Win("gone\\none.dta")), io::kPathNotFound);

  File holder;
  ASSERT_EQ(holder.Open(Win("a.dta"), kModeDenyNone), 0);
  EXPECT_EQ(EraseFile(Win("A.DTA")), io::kSharingViolation);
  EXPECT_EQ(RenameFile(Win("a.dta"), Win("c.dta")), io::kSharingViolation);
  holder.Close();

  EXPECT_EQ(RenameFile(Win("a.dta"), Win("B.DTA")), io::kFileExists);  // no silent overwrite
  EXPECT_EQ(ReadRaw(dir / "b.dta"), "b");
  EXPECT_EQ(RenameFile(Win("a.dta"), Win("C.dta")), 0);
  EXPECT_EQ(RenameFile(Win("c.dta"), Win("C.DTA")), 0);  // only the case changes
  EXPECT_EQ(ostest::Listing(dir.path()), "C.DTA b.dta sub");
  EXPECT_EQ(RenameFile(Win("none"), Win("x")), io::kFileNotFound);
  EXPECT_EQ(EraseFile(Win("b.DTA")), 0);
  EXPECT_EQ(ostest::Listing(dir.path()), "C.DTA sub");
}

TEST_F(OsFileTest, MakeAndRemoveFolders) {
  std::filesystem::create_directories(dir / "Jh");
  EXPECT_EQ(MakeDirs(Win("JH\\2024\\Leden\\")), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Jh/2024/Leden"));
  EXPECT_EQ(MakeDirs(Win("jh\\2024")), 0);  // already there
  WriteRaw(dir / "file", "x");
  EXPECT_EQ(MakeDirs(Win("file\\sub")), io::kFileExists);
  EXPECT_EQ(MakeDir(Win("jh")), io::kFileExists);
  EXPECT_EQ(MakeDir(Win("new")), 0);
  EXPECT_EQ(RemoveDir(Win("JH\\2024")), io::kDirNotEmpty);
  EXPECT_EQ(RemoveDir(Win("NEW")), 0);
  EXPECT_FALSE(DirectoryExists(Win("new")));
  EXPECT_EQ(MakeDir(Win("no\\such\\parent")), io::kPathNotFound);
}

TEST_F(OsFileTest, CurrentFolder) {
  WriteRaw(dir / "Sub/x.dta", "x");
  ostest::ScopedCwd keep(dir.path());
  ASSERT_EQ(SetCurrentFolder(Win("sub")), 0);
  const std::string here = CurrentFolder();
  EXPECT_EQ(here.back(), '/');
  EXPECT_EQ(NamePart(here.substr(0, here.size() - 1)), "Sub");
  EXPECT_TRUE(FileExists("X.DTA"));
  EXPECT_EQ(SetCurrentFolder(Win("none")), io::kPathNotFound);
}

// ---- Listing -------------------------------------------------------------------

TEST_F(OsFileTest, MasksMatchLikeWindows) {
  EXPECT_TRUE(MatchMask("*.DTA", "ci10.dta"));
  EXPECT_TRUE(MatchMask("CI??.DTA", "ci10.dta"));
  EXPECT_FALSE(MatchMask("CI??.DTA", "ci100.dta"));
  EXPECT_TRUE(MatchMask("*.*", "noext"));
  EXPECT_TRUE(MatchMask("*.*", "a.b.c"));
  EXPECT_TRUE(MatchMask("SORT*.WRK", "SORT0001.WRK"));
  EXPECT_FALSE(MatchMask("SORT*.WRK", "SORT0001.WRK.bak"));
  EXPECT_TRUE(MatchMask("ČÍS*"_cz, "číselník.dta"_cz));
  EXPECT_TRUE(MatchMask("*", ""));
  EXPECT_FALSE(MatchMask("?", ""));
  EXPECT_TRUE(MatchMask("a*b*c", "axxbyyc"));
  EXPECT_FALSE(MatchMask("a*b*c", "axxbyy"));
}

TEST_F(OsFileTest, ListingWithAMask) {
  WriteRaw(dir / "A.DTA", "12345");
  WriteRaw(dir / "b.dta", "");
  WriteRaw(dir / "c.txt", "x");
  WriteRaw(dir / "noext", "x");
  WriteRaw(dir / "Účty.dta", "x");
  std::filesystem::create_directories(dir / "SUB.DTA");
  std::vector<DirItem> items;
  ASSERT_EQ(ListDirectory(Win("*.dta"), items, kListFiles), 0);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].name, "A.DTA");
  EXPECT_EQ(items[0].size, 5u);
  EXPECT_EQ(items[1].name, "b.dta");
  EXPECT_EQ(items[2].name, "Účty.dta"_cz);

  ASSERT_EQ(ListDirectory(Win("*.DTA"), items, kListDirs), 0);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_TRUE(items[0].isDir);

  ASSERT_EQ(ListDirectory(Win("*.*"), items), 0);
  EXPECT_EQ(items.size(), 6u);
  ASSERT_EQ(ListDirectory(dir.path() + "\\", items), 0);  // a bare folder lists everything
  EXPECT_EQ(items.size(), 6u);

  EXPECT_EQ(ListDirectory(Win("*.xyz"), items), io::kNoMoreFiles);
  EXPECT_TRUE(items.empty());
  EXPECT_EQ(ListDirectory(Win("nofolder\\*.*"), items), io::kPathNotFound);

  ostest::ScopedCwd cwd(dir.path());
  ASSERT_EQ(ListDirectory("?.txt", items), 0);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, "c.txt");
}

}  // namespace

namespace {

TEST_F(OsFileTest, AFailedWriteCutsOnlyWhatItAddedAndWritesWithinTheKnownEndLookNoFurther) {
  WriteRaw(dir / "r.dta", "rec1rec2");
  FaultFileSystem fs;
  ScopedFileSystem use(fs);
  File a, b;  // two workstations
  ASSERT_EQ(a.Open(Win("r.dta"), kModeDenyNone), 0);
  ASSERT_EQ(b.Open(Win("r.dta"), kModeDenyNone), 0);
  ASSERT_EQ(a.WriteAt(0, "REC1", 4), 0);  // a learns the end here
  const int stats = fs.Calls(FsOp::Stat);
  ASSERT_EQ(a.WriteAt(4, "REC2", 4), 0);
  EXPECT_EQ(fs.Calls(FsOp::Stat), stats);
  // b appends; a failed write of a within the end it knew cuts nothing.
  ASSERT_EQ(b.WriteAt(8, "rec3", 4), 0);
  fs.Fail(FsOp::Write, EIO, "r.dta", 1);
  EXPECT_EQ(a.WriteAt(0, "XXXX", 4), io::kDiskWriteError);
  EXPECT_EQ(ReadRaw(dir / "r.dta"), "REC1REC2rec3");
  // A write past the end that fails half way goes back to the end it found.
  fs.SetDiskSpace(2);
  EXPECT_EQ(a.WriteAt(12, "rec4", 4), io::kDiskWriteError);
  EXPECT_EQ(ReadRaw(dir / "r.dta"), "REC1REC2rec3");
  fs.SetDiskSpace(-1);
  // b shortens the file in its turn: a's next turn forgets the end a knew.
  ASSERT_EQ(a.WriteAt(12, "rec4", 4), 0);
  {
    FileTurn turn;
    ASSERT_EQ(turn.Take(b), 0);
    ASSERT_EQ(b.Truncate(4), 0);
  }
  FileTurn turn;
  ASSERT_EQ(turn.Take(a), 0);
  fs.SetDiskSpace(2);
  EXPECT_EQ(a.WriteAt(8, "rec3", 4), io::kDiskWriteError);
  EXPECT_EQ(ReadRaw(dir / "r.dta"), "REC1");
}

TEST_F(OsFileTest, WriteTurnsTakeTurnsAndReadersWithoutATurnAreNeverKeptOut) {
  WriteRaw(dir / "t.dta", "abc");
  File a, b, reader;
  ASSERT_EQ(a.Open(Win("t.dta"), kModeDenyNone), 0);
  ASSERT_EQ(b.Open(Win("t.dta"), kModeDenyNone), 0);
  FileTurn first, second;
  ASSERT_EQ(first.Take(a), 0);
  EXPECT_TRUE(first.Held());
  EXPECT_EQ(second.Take(b, true, 30), io::kLockViolation);  // the wait runs out
  ASSERT_EQ(reader.Open(Win("t.dta"), kModeReadOnly), 0);   // the file's own sharing is untouched
  char buf[3];
  EXPECT_EQ(reader.ReadAt(0, buf, 3), 0);
  FileTurn readTurn;
  EXPECT_EQ(readTurn.Take(reader, false, 30), io::kLockViolation);  // no half-written table
  first.Release();
  EXPECT_EQ(second.Take(b), 0);
  second.Release();
  FileTurn otherRead;
  EXPECT_EQ(readTurn.Take(reader, false), 0);
  EXPECT_EQ(otherRead.Take(a, false), 0);  // readers share their turn
  EXPECT_EQ(second.Take(b, true, 30), io::kLockViolation);
  readTurn.Release();
  otherRead.Release();
  // Where the file system has no such locks, the work goes on without.
  FaultFileSystem faults;
  faults.Fail(FsOp::Lock, ENOLCK, "t.dta");
  ScopedFileSystem scoped(faults);
  EXPECT_EQ(first.Take(a), 0);
  EXPECT_FALSE(first.Held());
}

}  // namespace

TEST_F(OsFileTest, FreeSpaceComesFromTheFileSystemOrTheFaultBudget) {
  std::uint64_t real = 0;
  ASSERT_EQ(DiskFreeSpace(Win("missing\\deeper\\"), real), 0);  // the nearest folder that exists
  EXPECT_GT(real, 0u);
  FaultFileSystem fs;
  ScopedFileSystem use(fs);
  fs.SetDiskSpace(1234);
  std::uint64_t budget = 0;
  ASSERT_EQ(DiskFreeSpace(Win(""), budget), 0);
  EXPECT_EQ(budget, 1234u);
  fs.Fail(FsOp::FreeSpace, EIO);
  EXPECT_EQ(DiskFreeSpace(Win(""), budget), IoCodeFromErrno(EIO));
}

TEST_F(OsFileTest, PrivateFoldersAreNewEachTimeAndGoWithTheirContents) {
  std::string a, b;
  ASSERT_EQ(MakeUniqueDir(Win(""), "wrk.", a), 0);
  ASSERT_EQ(MakeUniqueDir(Win(""), "wrk.", b), 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.back(), '\\');
  ASSERT_EQ(MakeDirs(a + "inner\\"), 0);
  WriteRaw(RealPath(a + "inner\\x.dta"), "x");
  WriteRaw(RealPath(a + "y.dta"), "y");
  EXPECT_EQ(RemoveTree(a), 0);
  EXPECT_FALSE(DirectoryExists(a));
  EXPECT_TRUE(DirectoryExists(b));
}

// A link inside the tree goes, never what it points to; a tree that is itself a link
// loses only the link.
TEST_F(OsFileTest, RemovingATreeUnlinksLinksAndKeepsWhatTheyPointTo) {
  ASSERT_EQ(MakeDirs(Win("precious\\deep\\")), 0);
  WriteRaw(dir / "precious/p.dta", "keep");
  WriteRaw(dir / "precious/deep/q.dta", "keep");
  WriteRaw(dir / "alone.dta", "keep");
  ASSERT_EQ(MakeDirs(Win("kopie.001\\sub\\")), 0);
  WriteRaw(dir / "kopie.001/sub/x.dta", "x");
  ASSERT_EQ(::symlink((dir / "precious").c_str(), (dir / "kopie.001/link").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "precious").c_str(), (dir / "kopie.001/sub/link2").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "alone.dta").c_str(), (dir / "kopie.001/file.lnk").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "precious").c_str(), (dir / "kopie.002").c_str()), 0);
  std::vector<DirEntryRaw> entries;
  ASSERT_EQ(CurrentFileSystem().ListDir(dir / "kopie.001", entries), 0);
  for (const auto& e : entries) {
    EXPECT_EQ(e.isLink, e.name != "sub") << e.name;
    EXPECT_EQ(e.isDir, e.name != "file.lnk") << e.name;  // isDir still tells what a link points to
  }
  FaultFileSystem faults;  // the flag comes through the fault-injection layer as well
  ScopedFileSystem use(faults);
  EXPECT_EQ(RemoveTree(Win("kopie.001")), 0);
  EXPECT_EQ(RemoveTree(Win("kopie.002\\")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "kopie.001"));
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "kopie.002"));
  EXPECT_EQ(ReadRaw(dir / "precious/p.dta"), "keep");
  EXPECT_EQ(ReadRaw(dir / "precious/deep/q.dta"), "keep");
  EXPECT_EQ(ReadRaw(dir / "alone.dta"), "keep");
}
