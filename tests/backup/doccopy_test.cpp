// The document copies between the data folder and its copy tree: stamps, names
// without case, the backup store left alone, the copy root's owner, files other
// users hold, and the marked series.
#include <algorithm>

#include "backup/doccopy.h"
#include "browser/recsort.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/locking.h"
#include "common/osfile.h"
#include "tests/backup/backupkit.h"
#include "tests/common/leftcopy.h"

namespace {

using backuptest::BackupFixture;
using namespace common::literals;
namespace fs = std::filesystem;

class DocCopy : public BackupFixture {
 protected:
  DocCopy() {
    ostest::WriteRaw(dir / "data.adr", "C:\\APP\\DATA\\F1\\\r\n");
    other.DataDirPath = common::CurrentSession().DataDirPath;
    other.CurrentUser = "02";
  }
  std::string Copy(const std::string& rel = {}) const { return C("TV3/F1/" + rel); }
  backup::CopyRun Sync() { return backup::SyncDocumentFolders({Data(), Copy()}); }
  static bool Has(const backup::CopyRun& run, const std::string& end) {
    return std::any_of(run.lines.begin(), run.lines.end(), [&](const std::string& l) { return l.ends_with(end); });
  }
  common::Session other;
};

TEST_F(DocCopy, BothSidesEndWithTheNewerOfEachFile) {
  Write(Data("only-data.txt"), "d", 1'700'000'000);
  Write(Data("same.txt"), "same", 1'700'000'000);
  Write(Copy("same.txt"), "same", 1'700'000'000);
  Write(Data("newer-copy.txt"), "old", 1'700'000'000);
  Write(Copy("newer-copy.txt"), "new", 1'700'001'000);
  Write(Data("newer-data.txt"), "new", 1'700'001'000);
  Write(Copy("newer-data.txt"), "old", 1'700'000'000);
  Write(Copy("SUB/DEEP/only-copy.txt"), "c", 1'700'000'000);
  Write(Data("a.txt"), "older", 1'700'000'000);
  Write(Copy("A.TXT"), "newer", 1'700'002'000);

  const backup::CopyRun run = Sync();
  EXPECT_EQ(run.failed + run.skipped, 0);
  EXPECT_EQ(Read(Copy("only-data.txt")), "d");
  EXPECT_EQ(Read(Data("newer-copy.txt")), "new");
  EXPECT_EQ(Read(Copy("newer-data.txt")), "new");
  EXPECT_EQ(Read(Data("SUB/DEEP/only-copy.txt")), "c");
  EXPECT_TRUE(Has(run, "newer-copy.txt <-"));
  EXPECT_TRUE(Has(run, "newer-data.txt   ->"));
  EXPECT_FALSE(Has(run, "same.txt   ->") || Has(run, "same.txt <-"));
  // One file in two spellings: the newer content on both sides, one name each.
  EXPECT_EQ(Read(Data("a.txt")), "newer");
  EXPECT_EQ(Read(Copy("A.TXT")), "newer");
  EXPECT_FALSE(Exists(Data("A.TXT")));
  EXPECT_EQ(MTime(Data("a.txt")), 1'700'002'000);
  // A second run has nothing to do.
  EXPECT_TRUE(Sync().lines.empty());
}

TEST_F(DocCopy, FoldersAreWalkedDepthFirstTheLastListedFirst) {
  Write(Data("A/x.txt"), "a", 1'700'000'000);
  Write(Data("B/x.txt"), "b", 1'700'000'000);
  Write(Data("B/C/x.txt"), "c", 1'700'000'000);
  std::vector<std::string> lines = Sync().lines;
  std::erase_if(lines, [](const std::string& l) { return l.find("x.txt") == std::string::npos; });
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("B\\x.txt"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("B\\C\\x.txt"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("A\\x.txt"), std::string::npos) << lines[2];
}

TEST_F(DocCopy, ACopyTreeInsideTheDataFolderIsNotCopiedIntoItself) {
  Write(Data("x.txt"), "x");
  const backup::CopyRun run = backup::SyncDocumentFolders({Data(), Data("K/TV3/F1/")});
  EXPECT_EQ(run.lines.size(), 2u);  // x.txt and the job file
  EXPECT_EQ(Read(Data("K/TV3/F1/x.txt")), "x");
  EXPECT_FALSE(Exists(Data("K/TV3/F1/K")));
}

TEST_F(DocCopy, TheBackupStoreInTheCopyTreeStaysThere) {
  Write(Copy("kopie.001/__TAVONA.001"), "marker");
  Write(Copy("kopie.001/org.dta"), "copy of the data");
  Write(Copy("TAVONA/CISLO.TXT"), "2");
  Write(Copy("TAVONA/kopie.002/__TAVONA.001"), "marker");
  Write(Copy("TAVONA/kopie.002/org.dta"), "copy");
  Write(Copy("DOKLADY/x.rad"), "r");
  Sync();
  EXPECT_TRUE(Exists(Data("DOKLADY/x.rad")));
  EXPECT_FALSE(Exists(Data("kopie.001")));
  EXPECT_FALSE(Exists(Data("TAVONA")));
}

// A restore's staging folder and a run's work folder belong to that run alone.
TEST_F(DocCopy, PrivateFoldersOfARunStayWhereTheyAre) {
  Write(Data("obnova.abcdefgh/journal"), "erase x");
  Write(Data("WRK.ABCDEFGH/data/ci10.dta"), "work");
  Write(Data("DOKLADY/x.rad"), "r");
  Sync();
  EXPECT_TRUE(Exists(Copy("DOKLADY/x.rad")));
  EXPECT_FALSE(Exists(Copy("obnova.abcdefgh")));
  EXPECT_FALSE(Exists(Copy("WRK.ABCDEFGH")));
}

TEST_F(DocCopy, FilesOtherUsersHoldAreLeftAndCounted) {
  Write(Data("org.dta"), "live data", 1'700'000'000);
  Write(Copy("org.dta"), "older copy but newer stamp", 1'700'005'000);
  Write(Data("held.dta"), "held", 1'700'000'000);
  Write(Copy("held.dta"), "would replace it", 1'700'005'000);
  // Another workstation's lock on one, another open of the program on the other.
  ASSERT_EQ(common::LockFile(other, "C:\\APP\\DATA\\F1\\org.dta", "W"), common::LockResult::Held);
  common::File open;
  ASSERT_EQ(open.Open(Data("held.dta"), common::kModeExclusive), 0);
  const backup::CopyRun run = Sync();
  EXPECT_EQ(run.skipped, 2);
  EXPECT_EQ(Read(Data("org.dta")), "live data");
  EXPECT_EQ(Read(Data("held.dta")), "held");
  common::UnlockFile(other, "C:\\APP\\DATA\\F1\\org.dta");
  (void)open.Close();
  EXPECT_EQ(Sync().skipped, 0);
  EXPECT_EQ(Read(Data("org.dta")), "older copy but newer stamp");
  EXPECT_FALSE(Exists(Copy("FOT.tab")));
}

// A file deleted by hand beside the rollback copy its killed rewrite left: the first copy
// (the file on neither side) names it as an opening does and counts it as not copied, as
// a later one (the file already on the copy side) does on the way back; neither side gets
// the file or the rollback copy. A user's own file named like a copy (without its mark)
// is no copy: nothing named or counted.
TEST_F(DocCopy, AFileMissingBesideItsCopyIsNamedAndCountedAsNotCopied) {
  struct Row {
    std::string name, file;  // the file, below the data folder and the copy root
    bool onCopySide;
    std::string line;        // how its line ends
    bool usersOwn = false;   // the ".~<file>.rollback" is a user's file, not a copy
  } rows[] = {
      {"the first copy", "CI30.DTA", false, "F1/CI30.DTA   ->"},
      {"the first copy, in a sub-folder", "SUB/CI30.DTA", false, "F1/SUB\\CI30.DTA   ->"},
      {"a later copy", "CI30.DTA", true, "F1/CI30.DTA <-"},
      {"a user's file named like a copy", "poznamka", false, "", true},
  };
  Write(Data("a.txt"), "a");
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string copy = leftcopy::CopyOf(Data(r.file));
    if (r.usersOwn) {
      Write(copy, "moje poznamky, RBCOPY02 až uprostřed");
      notes.calls.clear();
      const backup::CopyRun run = Sync();
      EXPECT_EQ(run.failed, 0);
      EXPECT_EQ(std::count_if(run.lines.begin(), run.lines.end(),
                              [&](const std::string& l) { return l.find(r.file) != std::string::npos; }),
                0)
          << ::testing::PrintToString(run.lines);
      EXPECT_TRUE(Messages().empty()) << notes.Dump();
      EXPECT_TRUE(Exists(copy));
      fs::remove(copy);
      continue;
    }
    Write(Data(r.file), "records");
    leftcopy::LeaveUnfinishedCopy(Data(r.file));
    fs::remove(Data(r.file));
    if (r.onCopySide) Write(Copy(r.file), "an older copy", 1'700'000'000);
    notes.calls.clear();
    const backup::CopyRun run = Sync();
    EXPECT_EQ(run.failed, 1);
    EXPECT_EQ(std::count_if(run.lines.begin(), run.lines.end(),
                            [](const std::string& l) { return l.find("CI30.DTA") != std::string::npos; }),
              1);
    EXPECT_TRUE(Has(run, r.line)) << ::testing::PrintToString(run.lines);
    EXPECT_EQ(Messages(), std::vector<std::string>{
                              "Soubor " + Data(r.file) + " chybí a vedle něj zůstala kopie " + copy +
                              " z nedokončeného přepisu; kopie drží jediné původní bajty souboru a do chybějícího "
                              "souboru se nevrací, soubor se znovu založí, až kopii odstraníte, soubor se nekopíruje"});
    EXPECT_FALSE(Exists(Data(r.file)));
    EXPECT_TRUE(Exists(copy));
    EXPECT_EQ(Exists(Copy(r.file)), r.onCopySide);
    EXPECT_FALSE(Exists(leftcopy::CopyOf(Copy(r.file))));
    EXPECT_EQ(Read(Copy("a.txt")), "a");
    fs::remove(copy);
    fs::remove(Copy(r.file));
  }
}

// A run killed half way left its temporaries on both sides; the next run erases them,
// but not the one a living run holds, and copies none of them.
TEST_F(DocCopy, TemporariesOfAKilledRunGoWithTheNextRun) {
  Write(Data("a.txt"), "a", 1'700'000'000);
  const auto dead = [](const std::string& target, int n) { return common::ReplacementTempName(target, 4711, n, 99); };
  Write(Data("SUB/" + dead("b.txt", 3)), "half");
  Write(Data(dead("FOT.tab", 0)), "");
  Write(Copy(dead("a.txt", 1)), "half");
  Write(Copy("SUB/DEEP/" + dead("c.txt", 7)), "half");
  Write(Copy(".~a.txt.rollback"), "kept");
  Write(Data(".~zaloha.2024-01-15"), "the user's");  // named like a temporary of old
  common::FileReplacement living;
  ASSERT_EQ(living.Begin(Copy("live.txt")), 0);
  const backup::CopyRun run = Sync();
  // a.txt is not copied over its copy's rollback copy (no step's file is made anew beside it).
  EXPECT_EQ(run.failed + run.skipped, 1);
  EXPECT_FALSE(Exists(Data("SUB/" + dead("b.txt", 3))));
  EXPECT_FALSE(Exists(Data(dead("FOT.tab", 0))));
  EXPECT_FALSE(Exists(Copy(dead("a.txt", 1))));
  EXPECT_FALSE(Exists(Copy("SUB/DEEP/" + dead("c.txt", 7))));
  EXPECT_TRUE(Exists(Copy(".~a.txt.rollback")));
  EXPECT_EQ(Read(Data(".~zaloha.2024-01-15")), "the user's");
  EXPECT_TRUE(Exists(living.TempPath()));
  EXPECT_FALSE(Exists(Data(fs::path(living.TempPath()).filename().string())));
  EXPECT_FALSE(Exists(Copy("a.txt")));
}

// What killed runs leave in the data folder goes with the next run of the same step,
// a living writer's stays, and a user's file that looks like one is kept and copied:
// a sort's work file by the next sort in the folder, a lock table's temporary by the
// next opening of the table, and the document copy carries every file but the
// program's own.
TEST_F(DocCopy, LeftoversOfKilledRunsGoWithTheNextRunAndUsersFilesStay) {
  const std::string dataWin = "C:\\APP\\DATA\\F1\\";
  const std::string deadWork = common::WorkFileName("SORT", 4711, 0, 5);
  const std::string livingWork = common::WorkFileName("SORT", 4712, 1, 6);
  const std::string otherWork = common::WorkFileName("XSORT", 4711, 2, 7);  // another step's
  Write(Data(deadWork), std::string(3000, 'k'));
  Write(Data(livingWork), "running");
  Write(Data(otherWork), "another step's");
  Write(Data("SORT0001.WRK"), "the user's");
  const std::string lookAlike = ".~SORT.~wrk4711-0-5-00000000";  // the check does not fit: a user's
  Write(Data(lookAlike), "the user's too");
  common::File living;
  ASSERT_EQ(living.Open(dataWin + livingWork, common::kModeExclusive), 0);

  browser::SortLimits limits;
  limits.maxKeysPerBuffer = 4;  // a spill: the sort needs its work file
  limits.workFolder = dataWin;
  browser::RecordSort sort(limits);
  std::string own;
  bool deadGoneBeforeOutput = false;
  sort.onInput = [](browser::RecordSort& s) {
    for (const char* k : {"dd", "bb", "aa", "cc", "ee", "ff", "gg", "hh", "ii", "jj"}) s.SortPut(std::string_view(k));
  };
  sort.onOutput = [&](browser::RecordSort& s) {
    own = s.workFileName();
    deadGoneBeforeOutput = !Exists(Data(deadWork));
    std::string k;
    while (s.SortGet(k)) {
    }
  };
  ASSERT_EQ(sort.SortRun(2), 0);
  EXPECT_TRUE(deadGoneBeforeOutput);
  ASSERT_TRUE(own.starts_with(dataWin)) << own;
  EXPECT_TRUE(common::IsWorkFile(own.substr(dataWin.size()))) << own;
  EXPECT_FALSE(Exists(Data(own.substr(dataWin.size()))));
  EXPECT_EQ(Read(Data(livingWork)), "running");
  EXPECT_EQ(Read(Data(otherWork)), "another step's");
  EXPECT_EQ(Read(Data("SORT0001.WRK")), "the user's");
  EXPECT_EQ(Read(Data(lookAlike)), "the user's too");

  // The lock table: its creation and a later run's first opening clear dead temporaries.
  const std::string deadTable = common::ReplacementTempName("FOT.tab", 4711, 0, 1);
  const std::string deadLater = common::ReplacementTempName("FOT.tab", 4711, 1, 2);
  common::FileReplacement livingTable;
  ASSERT_EQ(livingTable.Begin(dataWin + "FOT.tab"), 0);
  Write(Data(deadTable), "half");
  ASSERT_EQ(common::LockFile(other, dataWin + "org.dta", "W"), common::LockResult::Held);
  EXPECT_FALSE(Exists(Data(deadTable)));
  EXPECT_TRUE(Exists(livingTable.TempPath()));
  common::UnlockFile(other, dataWin + "org.dta");
  Write(Data(deadLater), "half");
  common::Session next;
  next.DataDirPath = other.DataDirPath;
  next.CurrentUser = "03";
  ASSERT_EQ(common::LockFile(next, dataWin + "org.dta", "W"), common::LockResult::Held);
  common::UnlockFile(next, dataWin + "org.dta");
  EXPECT_FALSE(Exists(Data(deadLater)));
  EXPECT_TRUE(Exists(livingTable.TempPath()));
  EXPECT_TRUE(Exists(Data("FOT.tab")));

  // The document copy: a user's ".~" file goes across; no file of the program's own does.
  Write(Data(".~zaloha.2024-01-15"), "the user's backup");
  Write(Data(".~org.dta.rollback"), "RBCOPY02 of a step that was under way");
  Write(Data(".~ofar.join"), "a join's mark");
  const backup::CopyRun run = Sync();
  // org.dta is missing beside that copy: named and counted, not copied.
  EXPECT_EQ(run.failed + run.skipped, 1);
  EXPECT_TRUE(SaidSomething("org.dta chybí a vedle něj zůstala kopie"));
  EXPECT_EQ(Read(Copy(".~zaloha.2024-01-15")), "the user's backup");
  EXPECT_EQ(Read(Copy("SORT0001.WRK")), "the user's");
  EXPECT_EQ(Read(Copy(lookAlike)), "the user's too");
  for (const std::string& name : Names(Copy()))
    EXPECT_FALSE(common::IsProgramOwnName(name)) << name;
  EXPECT_FALSE(Exists(Copy(livingWork)));
  EXPECT_FALSE(Exists(Copy(".~org.dta.rollback")));
  EXPECT_FALSE(Exists(Copy(".~ofar.join")));
  (void)living.Close();
}

// The series copy clears its own leftovers in the data folder's series folders.
TEST_F(DocCopy, TheSeriesCopyClearsTemporariesOfAKilledRun) {
  const std::string left = "DOKLADY/DF0001/" + common::ReplacementTempName("a.rad", 4711, 0, 5);
  Write(Data(left), "half");
  Write(Copy("DOKLADY/DF0001/a.rad"), "a");
  backup::CopySeriesFolders({Data("DOKLADY/"), Copy("DOKLADY/")}, {"DF0001"});
  EXPECT_FALSE(Exists(Data(left)));
  EXPECT_EQ(Read(Data("DOKLADY/DF0001/a.rad")), "a");
}

TEST_F(DocCopy, EachRealFolderIsWalkedOnceAndNoDeeperThan64) {
  // A link back to the data root, two links to one folder elsewhere, and a branch
  // 70 folders deep.
  Write(Data("A/x.txt"), "x");
  fs::create_directory_symlink("../", Data("A/up"));
  Write(C("elsewhere/d.txt"), "d");
  fs::create_directory_symlink(C("elsewhere"), Data("L1"));
  fs::create_directory_symlink(C("elsewhere"), Data("L2"));
  std::string deep;
  for (int level = 1; level <= 65; ++level) deep += "d/";
  Write(Data(deep.substr(0, 64 * 2) + "f.txt"), "64");
  Write(Data(deep + "f.txt"), "65");
  const backup::CopyRun run = Sync();
  EXPECT_EQ(Read(Copy("A/x.txt")), "x");
  EXPECT_FALSE(Exists(Copy("A/up")));
  // The first listed of the two links is walked last: the other one was walked already.
  EXPECT_EQ(Read(Copy("L2/d.txt")), "d");
  EXPECT_FALSE(Exists(Copy("L1")));
  EXPECT_EQ(Read(Copy(deep.substr(0, 64 * 2) + "f.txt")), "64");
  EXPECT_FALSE(Exists(Copy(deep.substr(0, 65 * 2))));
  EXPECT_EQ(run.foldersSkipped, 3);
  EXPECT_TRUE(Has(run, "A\\up\\ vynecháno"_cz));
  EXPECT_TRUE(Has(run, "L1\\ vynecháno"_cz));
  EXPECT_EQ(run.failed, 0);
  EXPECT_EQ(Sync().lines.size(), 3u);  // the skipped folders alone
}

TEST_F(DocCopy, NamesAreCopiedAsTheirBytesOnDisk) {
  const std::string cp1250 = "\xE8\xEDslo.txt";  // "číslo.txt" in Windows-1250, not UTF-8
  Write(Data(cp1250), "from the data");
  Write(Copy("DOC/" + cp1250), "from the copy");
  const backup::CopyRun run = Sync();
  EXPECT_EQ(run.failed, 0);
  EXPECT_EQ(Read(Copy(cp1250)), "from the data");
  EXPECT_EQ(Read(Data("DOC/" + cp1250)), "from the copy");
  EXPECT_TRUE(Sync().lines.empty());
}

TEST_F(DocCopy, ANameThatClimbsOutIsPassedOverAndCounted) {
  Write(Copy("..\\..\\escaped.dta"), "out");
  Write(Copy("ok.dta"), "in");
  const backup::CopyRun run = Sync();
  EXPECT_EQ(run.failed, 1);
  EXPECT_EQ(Read(Data("ok.dta")), "in");
  EXPECT_FALSE(Exists(C("APP/escaped.dta")));
  EXPECT_EQ(Names(C("APP")), std::vector<std::string>{"DATA"});
}

TEST_F(DocCopy, ASourceGoneBeforeItsCopyIsCounted) {
  Write(Data("gone.txt"), "g");
  Write(Data("kept.txt"), "k");
  const backup::CopyRun run = backup::SyncDocumentFolders({Data(), Copy()}, [this](const std::string& line) {
    if (line.ends_with("gone.txt   ->")) fs::remove(Data("gone.txt"));
  });
  EXPECT_EQ(run.failed, 1);
  EXPECT_EQ(Read(Copy("kept.txt")), "k");
  EXPECT_FALSE(Exists(Copy("gone.txt")));
}

TEST_F(DocCopy, ACopyThatCannotBeFlushedNeverAppears) {
  Write(Data("a.txt"), "a");
  Write(Data("b.txt"), "b");
  common::FaultFileSystem faults;
  faults.Fail(common::FsOp::Sync, EIO, "TV3");
  common::ScopedFileSystem use(faults);
  EXPECT_EQ(Sync().failed, 3);  // and the job file
  EXPECT_TRUE(Names(Copy()).empty());
}

TEST_F(DocCopy, TheWindowRefusesACopyRootOfAnotherDataFolder) {
  Write(Data("x.txt"), "x");
  Write(Copy("__ZDROJ.TXT"), "C:\\FIRMA2\\F1\\\r\n");
  backup::TfKopieDokladu& w = backup::fKopieDokladu();
  w.Show();
  ASSERT_FALSE(w.Drive1.items().empty());
  w.bStartClick();
  EXPECT_FALSE(Exists(Copy("x.txt")));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("C:\\FIRMA2\\F1\\"), std::string::npos) << Messages()[0];
  EXPECT_NE(Messages()[0].find("C:\\APP\\DATA\\F1\\"), std::string::npos) << Messages()[0];
  // Its own copy root: marked on the first run, then copied.
  std::filesystem::remove(Copy("__ZDROJ.TXT"));
  w.bStartClick();
  EXPECT_EQ(Read(Copy("x.txt")), "x");
  EXPECT_NE(Read(Copy("__ZDROJ.TXT")).find("C:\\APP\\DATA\\F1\\"), std::string::npos);
  EXPECT_EQ(w.ListBox2.items().at(0), "Hotovo");
  EXPECT_FALSE(Exists(Data("__ZDROJ.TXT")));
  w.Hide();
}

TEST_F(DocCopy, TheMarkedSeriesComeBackWhateverTheirStamps) {
  Write(Data("DFPOZN.DTA"), "0001 P text\r\n0002 N text\r\n");
  Write(Data("OF12P1.DTA"), "x");
  Write(Data("OF12N1.DTA"), "x");
  Write(Data("DOKLADY/DF0001/a.rad"), "local, newer", 1'700'009'000);
  Write(Copy("DOKLADY/DF0001/a.rad"), "copy, older", 1'700'000'000);
  Write(Copy("DOKLADY/OF12P1/b.rad"), "b");
  Write(Copy("DOKLADY/DF0002/c.rad"), "not marked");
  const auto series = backup::MarkedSeries(Data());
  EXPECT_EQ(series, (std::vector<std::string>{"DF0001", "OF12P1"}));
  const backup::CopyRun run = backup::CopySeriesFolders({Data("DOKLADY/"), Copy("DOKLADY/")}, {"DF0001", "OF12P1", "DF0001"});
  EXPECT_EQ(Read(Data("DOKLADY/DF0001/a.rad")), "copy, older");
  EXPECT_EQ(Read(Data("DOKLADY/OF12P1/b.rad")), "b");
  EXPECT_FALSE(Exists(Data("DOKLADY/DF0002")));
  EXPECT_EQ(std::count_if(run.lines.begin(), run.lines.end(), [](const std::string& l) { return l.find("a.rad") != std::string::npos; }), 2);
}

}  // namespace
