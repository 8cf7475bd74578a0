#include "common/fileops.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/faultfs.h"
#include "common/osfile.h"
#include "common/scramble.h"
#include "start_folder.h"

using namespace common;
using namespace common::literals;
using starttest::HeldFile;
using Kind = common::RecordingNotifier::Kind;

namespace {

using FileOpsTest = starttest::StartFolderTest;

// ---- CheckFile --------------------------------------------------------------------

TEST_F(FileOpsTest, CheckFileSizeOrMinusCode) {
  Write("EMPTY.DTA", "");
  Write("CI10.DTA", std::string(1234, 'x'));
  EXPECT_EQ(CheckFile("EMPTY.DTA"), 0);
  EXPECT_EQ(CheckFile("none.dta"), -2);
  EXPECT_EQ(CheckFile("nofolder\\none.dta"), -3);
  EXPECT_EQ(CheckFile("ci10.dta"), 1234);  // found without regard to case
  EXPECT_EQ(DefaultOpenMode(), kModeDenyNone);
  EXPECT_TRUE(notes.calls.empty());
}

TEST_F(FileOpsTest, CheckFileWaitsOutAnExclusiveHolder) {
  Write("CI10.DTA", "12345");
  HeldFile held(At("CI10.DTA"));
  ASSERT_TRUE(held.held());
  notes.onWait = [&](const std::string&, int) {
    if (notes.Count(Kind::LockWait) == 3) held.Release();
  };
  EXPECT_EQ(CheckFile("CI10.DTA"), 5);
  ASSERT_EQ(notes.Count(Kind::LockWait), 3) << notes.Dump();
  EXPECT_EQ(notes.calls[0].text, "Err   32 CI10.DTA");
  EXPECT_EQ(notes.calls[0].ms, 100);
}

TEST_F(FileOpsTest, CheckFileWaitsForAHolderInAnotherThread) {
  Write("CI10.DTA", "12345");
  HeldFile held(At("CI10.DTA"));
  ASSERT_TRUE(held.held());
  notes.onWait = [](const std::string&, int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  std::thread holder([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    held.Release();
  });
  const std::int32_t size = CheckFile("CI10.DTA");
  holder.join();
  EXPECT_EQ(size, 5);
  const int rounds = notes.Count(Kind::LockWait, "Err   32 CI10.DTA");
  EXPECT_EQ(rounds, static_cast<int>(notes.calls.size()));
  EXPECT_GE(rounds, 10);
  EXPECT_LE(rounds, 16);
}

// ---- ReadFirstLine ----------------------------------------------------------------

TEST_F(FileOpsTest, ReadFirstLine) {
  Write("a.adr", "X:\\DATA\\\r\nsecond\r\n");
  Write("b.adr", "unix line\nnext");
  Write("c.adr", "no line end");
  Write("d.adr", "");
  EXPECT_EQ(ReadFirstLine("a.adr"), "X:\\DATA\\");
  EXPECT_EQ(ReadFirstLine("b.adr"), "unix line");
  EXPECT_EQ(ReadFirstLine("c.adr"), "no line end");
  EXPECT_EQ(ReadFirstLine("d.adr"), "");
  EXPECT_EQ(ReadFirstLine("missing.adr"), "");
  EXPECT_TRUE(notes.calls.empty());

  HeldFile held(At("a.adr"));
  EXPECT_EQ(ReadFirstLine("a.adr"), "");
  ASSERT_EQ(notes.Texts(Kind::Message), std::vector<std::string>{"Err   32 a.adr"});
}

// ---- EraseFiles -------------------------------------------------------------------

TEST_F(FileOpsTest, EraseFilesByMask) {
  Write("w/A.WRK", "a");
  Write("w/b.wrk", "b");
  Write("w/keep.dta", "k");
  Write("w/.hidden.wrk", "h");
  ASSERT_EQ(mkdir(At("w/dir.wrk").c_str(), 0777), 0);
  EXPECT_EQ(EraseFiles("w\\*.wrk"), 18);
  EXPECT_EQ(ostest::Listing(At("w")), ".hidden.wrk dir.wrk keep.dta");
  EXPECT_EQ(EraseFiles("w\\*.wrk"), 18);  // only what it must skip is left
  EXPECT_EQ(EraseFiles("w\\*.xyz"), 2);
  EXPECT_EQ(EraseFiles("nofolder\\*.*"), 3);
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(FileOpsTest, EraseFilesWaitsForAHeldFile) {
  Write("w/A.WRK", "a");
  HeldFile held(At("w/A.WRK"));
  notes.onWait = [&](const std::string&, int) {
    if (notes.Count(Kind::LockWait) == 2) held.Release();
  };
  EraseFiles("w\\*.WRK");
  EXPECT_FALSE(Exists("w/A.WRK"));
  ASSERT_EQ(notes.Count(Kind::LockWait), 2);
  EXPECT_EQ(notes.calls[0].text, Cz("Soubor w\\A.WRK není volný při errasse - err   32"));
  EXPECT_EQ(notes.calls[0].ms, 100);
}

TEST_F(FileOpsTest, EraseFilesSkipsAFileItCannotErase) {
  Write("w/a.wrk", "a");
  Write("w/b.wrk", "b");
  Write("w/c.wrk", "c");
  FaultFileSystem faults;
  faults.Fail(FsOp::Unlink, EACCES, "b.wrk");
  ScopedFileSystem scoped(faults);
  EXPECT_EQ(EraseFiles("w\\*.wrk"), 18);  // returns instead of retrying forever
  EXPECT_EQ(ostest::Listing(At("w")), "b.wrk");
  EXPECT_EQ(notes.Count(Kind::LockWait), 0);
  EXPECT_EQ(notes.Texts(Kind::Message), std::vector<std::string>{Cz("Soubor w\\b.wrk nelze zrušit - err    5")});
}

// One name without "*" or "?": every spelling of it goes, and a folder that stays
// unchanged is not listed for each call.
TEST_F(FileOpsTest, EraseFilesOfOneNameTakesEverySpellingWithoutListingEachTime) {
  Write("w/X.WRK", "a");
  Write("w/x.Wrk", "b");
  Write("w/keep.dta", "k");
  struct stat st {};
  ASSERT_EQ(stat(At("w").c_str(), &st), 0);
  const timespec times[2] = {{0, UTIME_OMIT}, {st.st_mtim.tv_sec - 10, 0}};  // settled
  ASSERT_EQ(utimensat(AT_FDCWD, At("w").c_str(), times, 0), 0);
  FaultFileSystem counting;
  ScopedFileSystem scoped(counting);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(EraseFiles("w\\gone" + std::to_string(i) + ".wrk"), 2);
  EXPECT_EQ(counting.Calls(FsOp::ListDir), 1);
  EXPECT_EQ(EraseFiles("w\\x.wrk"), 18);
  EXPECT_EQ(EraseFiles("nofolder\\x.wrk"), 3);
  EXPECT_EQ(ostest::Listing(At("w")), "keep.dta");
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

// ---- Copying ----------------------------------------------------------------------

TEST_F(FileOpsTest, CopyFileBlocksAppendsOrCreates) {
  std::string big;
  for (int i = 0; i < 25000; ++i) big += static_cast<char>('a' + i % 26);
  Write("src.txt", big);
  Write("old.txt", "OLD");
  EXPECT_EQ(CopyFileBlocks("src.txt", "old.txt"), 0);
  EXPECT_EQ(Read("old.txt"), "OLD" + big);

  EXPECT_EQ(CopyFileBlocks("SRC.TXT", "new.txt"), 0);
  EXPECT_EQ(Read("new.txt"), big);

  Write("empty.txt", "");
  EXPECT_EQ(CopyFileBlocks("src.txt", "empty.txt"), 0);
  EXPECT_EQ(Read("empty.txt"), big);

  // A missing or empty source leaves the target alone.
  Write("zero.txt", "");
  EXPECT_EQ(CopyFileBlocks("zero.txt", "old.txt"), 0);
  EXPECT_EQ(CopyFileBlocks("missing.txt", "old.txt"), 0);
  EXPECT_EQ(Read("old.txt"), "OLD" + big);
  EXPECT_EQ(CopyFileBlocks("src.txt", "nofolder\\x.txt"), 3);
}

TEST_F(FileOpsTest, CopyFileKeepDateReplacesAndKeepsTheDate) {
  Write("src.dta", "short");
  SetMtime("src.dta", 1000000000);
  Write("dst.dta", "a much longer old target");
  EXPECT_EQ(CopyFileKeepDate("src.dta", "dst.dta"), 0);
  EXPECT_EQ(Read("dst.dta"), "short");
  EXPECT_EQ(MtimeNs("dst.dta"), MtimeNs("src.dta"));

  Write("empty.dta", "");
  EXPECT_EQ(CopyFileKeepDate("empty.dta", "dst.dta"), 0);
  EXPECT_EQ(Read("dst.dta"), "");

  EXPECT_EQ(CopyFileKeepDate("missing.dta", "dst2.dta"), 0);
  EXPECT_FALSE(Exists("dst2.dta"));
}

TEST_F(FileOpsTest, CopyFileKeepDateCreatesTheFolders) {
  Write("src.dta", "data");
  SetMtime("src.dta", 1200000000);
  EXPECT_EQ(CopyFileKeepDate("src.dta", "a\\b\\c\\copy.dta"), 0);
  EXPECT_EQ(Read("a/b/c/copy.dta"), "data");
  EXPECT_EQ(MtimeNs("a/b/c/copy.dta"), MtimeNs("src.dta"));
}

TEST_F(FileOpsTest, FailedCopyKeepsTheOldTarget) {
  Write("src.dta", std::string(30000, 's'));
  Write("dst.dta", "precious");
  FaultFileSystem faults;
  faults.SetDiskSpace(12000);
  ScopedFileSystem scoped(faults);
  EXPECT_EQ(CopyFileKeepDate("src.dta", "dst.dta"), 101);
  EXPECT_EQ(Read("dst.dta"), "precious");
  EXPECT_EQ(ostest::Listing(dir.path()), "dst.dta src.dta");  // no temporary file left
}

// ---- Renaming ---------------------------------------------------------------------

TEST_F(FileOpsTest, RenameFileOverReplacesTheTarget) {
  Write("prac.wrk", "new");
  Write("CI10.DTA", "old");
  EXPECT_EQ(RenameFileOver("prac.wrk", "ci10.dta"), 0);
  EXPECT_EQ(Read("CI10.DTA"), "new");
  EXPECT_FALSE(Exists("prac.wrk"));
  EXPECT_EQ(RenameFileOver("a.wrk", "b.dta"), 2);  // a missing source is reported
  EXPECT_EQ(notes.Texts(Kind::BeepMessage),
            std::vector<std::string>{Cz("Err.     2 při přejmenování na souboru b.dta")});
}

TEST_F(FileOpsTest, RenameFileOverKeepsTheTargetWhenTheRenameFails) {
  Write("prac.wrk", "converted");
  Write("CI10.DTA", "the data");
  FaultFileSystem faults;
  faults.Fail(FsOp::Rename, EIO);
  ScopedFileSystem scoped(faults);
  EXPECT_NE(RenameFileOver("prac.wrk", "CI10.DTA"), 0);
  EXPECT_EQ(Read("CI10.DTA"), "the data");
  EXPECT_EQ(Read("prac.wrk"), "converted");
  EXPECT_EQ(notes.Count(Kind::BeepMessage, "Err. "), 1);
}

TEST_F(FileOpsTest, RenameFileOverAcrossFileSystems) {
  struct stat shm {}, tmp {};
  if (stat("/dev/shm", &shm) != 0 || stat(dir.path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
    GTEST_SKIP() << "no second file system at /dev/shm";
  ostest::TempDir target("/dev/shm");
  ASSERT_TRUE(target.ok());
  Write("prac.wrk", "moved across");
  ostest::WriteRaw(target / "CI10.DTA", "old");
  EXPECT_EQ(RenameFileOver("prac.wrk", target.path() + "/CI10.DTA"), 0);
  EXPECT_EQ(ostest::ReadRaw(target / "CI10.DTA"), "moved across");
  EXPECT_FALSE(Exists("prac.wrk"));
}

TEST_F(FileOpsTest, RenameFileOverGivesUpOnAHeldTarget) {
  Write("prac.wrk", "new");
  Write("CI10.DTA", "old");
  HeldFile held(At("CI10.DTA"));
  EXPECT_EQ(RenameFileOver("prac.wrk", "CI10.DTA"), 32);
  EXPECT_EQ(notes.Count(Kind::LockWait, Cz("Soubor CI10.DTA není volný - err   32")), 10);
  EXPECT_EQ(notes.calls[0].ms, 1000);
  EXPECT_EQ(notes.Texts(Kind::BeepMessage), std::vector<std::string>{Cz("Soubor CI10.DTA nelze zrušit   32")});
  held.Release();
  EXPECT_EQ(Read("CI10.DTA"), "old");
  EXPECT_EQ(Read("prac.wrk"), "new");
}

TEST_F(FileOpsTest, RenameFileSafeIgnoresMasks) {
  Write("a.wrk", "a");
  EXPECT_EQ(RenameFileSafe("?.wrk", "b.wrk"), 0);
  EXPECT_TRUE(Exists("a.wrk"));
  EXPECT_EQ(RenameFileSafe("a.wrk", "b.wrk"), 0);
  EXPECT_EQ(Read("b.wrk"), "a");
}

// ---- Scrambling whole files -------------------------------------------------------

TEST_F(FileOpsTest, ScrambleFileInIndependentBlocks) {
  std::string plain;
  for (int i = 0; i < 251; ++i) plain += static_cast<char>(i);
  Write("OUT.TXT", plain);
  CurrentSession().ScrambleKey = ProgramScrambleKey();
  ScrambleFile("OUT.TXT");
  const std::string key = ProgramScrambleKey();
  EXPECT_EQ(Read("OUT.TXT"), ScrambleText(plain.substr(0, 250), key) + ScrambleText(plain.substr(250), key));
  EXPECT_EQ(UnscrambleBlocks(Read("OUT.TXT")), plain);  // the same blocks in memory
  UnscrambleFile("out.txt");
  EXPECT_EQ(Read("OUT.TXT"), plain);

  Write("ONE.TXT", "x");
  ScrambleFile("ONE.TXT");
  EXPECT_EQ(Read("ONE.TXT"), "x");
  ScrambleFile("missing.txt");  // nothing to do
  EXPECT_FALSE(Exists("missing.txt"));
}

TEST_F(FileOpsTest, ScrambleFileRaisesWriteFailures) {
  Write("OUT.TXT", std::string(600, 'p'));
  FaultFileSystem faults;
  faults.Fail(FsOp::Write, EIO, "OUT.TXT", -1, 1);
  ScopedFileSystem scoped(faults);
  try {
    ScrambleFile("OUT.TXT");
    FAIL() << "no error raised";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code, 101);
  }
  const std::string now = Read("OUT.TXT");
  EXPECT_EQ(now.substr(0, 250), ScrambleText(std::string(250, 'p'), ProgramScrambleKey()));
  EXPECT_EQ(now.substr(250), std::string(350, 'p'));
}

}  // namespace
