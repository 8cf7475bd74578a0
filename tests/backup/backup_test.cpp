// Backups into copy folders through the window's controls.
#include <cstdlib>
#include <fcntl.h>

#include "backup/archiver.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/jobfile.h"
#include "common/osfile.h"
#include "tests/backup/backupkit.h"
#include "tests/common/leftcopy.h"

namespace {

using namespace backuptest;
using Strings = std::vector<std::string>;

class BackupFolder : public BackupFixture {
 protected:
  BackupFolder() {
    Write(Data("a.dta"), "AAAA record", 1600000000);
    Write(Data("b.DT1"), "BBBB", 1600000100);
    Write(Data("x.txt"), "not copied");
    Write(Data("nul.dta"), "");
    Write(Data("PROTOKOL.PRT"), std::string(160, 'p'));
  }
};

TEST_F(BackupFolder, FirstRunCopiesTheSetWithDatesMarkerAndSideFile) {
  RunBackup();
  EXPECT_EQ(Names(SetDir("kopie.001")), (Strings{"__TAVONA.001", "a.dta", "b.DT1", "master.dta", "protokol.dta"}))
      << ::testing::PrintToString(Messages());
  const std::string marker = Read(SetDir("kopie.001/__TAVONA.001"));
  ASSERT_EQ(marker.size(), 15u);
  EXPECT_EQ(marker.substr(4), " P TAVONA\r\n");
  EXPECT_EQ(Read(SetDir("CISLO.TXT")).substr(0, 3), "001");
  EXPECT_EQ(Read(SetDir("kopie.001.adr")), "C:\\APP\\DATA\\F1\\\r\n");
  EXPECT_EQ(Read(SetDir("kopie.001/a.dta")), "AAAA record");
  EXPECT_EQ(MTime(SetDir("kopie.001/a.dta")), 1600000000);
  EXPECT_EQ(MTime(SetDir("kopie.001/b.DT1")), 1600000100);
  EXPECT_EQ(Job("COPYOK"), "");
  const std::string log = common::Win1250ToUtf8(Read(Data("PROTOKOL.PRT")));
  EXPECT_NE(log.find("Celkem zkopírováno      4 souborů"), std::string::npos);
  EXPECT_NE(log.find("Kopie číslo 001 je OK"), std::string::npos);
  EXPECT_NE(log.find("KOPIE STOP"), std::string::npos);
}

TEST_F(BackupFolder, TheCopyAfterTwentyEmptiesAndReusesOne) {
  fs::create_directories(SetDir("kopie.001"));
  Write(SetDir("kopie.001/stale.dta"), "old");
  Write(SetDir("CISLO.TXT"), "019\r\n");
  RunBackup();
  EXPECT_EQ(Read(SetDir("CISLO.TXT")).substr(0, 3), "020");
  RunBackup();
  EXPECT_EQ(Read(SetDir("CISLO.TXT")).substr(0, 3), "001");
  EXPECT_FALSE(Exists(SetDir("kopie.001/stale.dta")));
  EXPECT_TRUE(Exists(SetDir("kopie.001/a.dta")));
}

TEST_F(BackupFolder, OtherSetsTakeTheirMasksOnceEach) {
  Write(C("PROG/2/UZAV.bck"), "*.dta\r\na.*\r\n\r\n");
  Open([&](backup::TfGlobKop& w) {
    w.ComboCo.UserSetText("UZAV");
    backend.Click(w.bKopiruj);
  });
  EXPECT_EQ(Names(C("tv3/DATA/F1/UZAV/kopie.001")), (Strings{"__TAVONA.001", "a.dta"}));
  EXPECT_EQ(Read(C("tv3/DATA/F1/UZAV/kopie.001/__TAVONA.001")).substr(4), " P UZAV  \r\n");
}

TEST_F(BackupFolder, MissingSetFileIsSaidAndNothingIsCopied) {
  Open([&](backup::TfGlobKop& w) {
    w.ComboCo.UserSetText("NIC");
    backend.Click(w.bKopiruj);
  });
  EXPECT_TRUE(SaidSomething("Chybí soubor NIC.bck"));
  EXPECT_FALSE(Exists(C("tv3")));
}

TEST_F(BackupFolder, ShortFreeSpaceRefusesBeforeAnythingIsCopied) {
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.SetDiskSpace(1000);
  RunBackup();
  EXPECT_TRUE(SaidSomething("Na disku C chybí")) << ::testing::PrintToString(Messages());
  EXPECT_FALSE(Exists(SetDir()));
}

TEST_F(BackupFolder, AHeldFileIsCountedAndTheCopyIsNotMarkedOk) {
  common::WriteJob("COPYOK", "X");
  common::File holder;
  ASSERT_EQ(holder.Open("C:\\APP\\DATA\\F1\\b.DT1", common::kModeExclusive), 0);
  RunBackup();
  EXPECT_TRUE(SaidSomething("Kopie číslo 001 není úplná: nezkopírován 1 soubor: b.DT1"))
      << ::testing::PrintToString(Messages());
  EXPECT_FALSE(Exists(SetDir("CISLO.TXT")));
  EXPECT_FALSE(Exists(SetDir("kopie.001/__TAVONA.001")));
  EXPECT_EQ(Job("COPYOK"), "X");
  const std::string log = common::Win1250ToUtf8(Read(Data("PROTOKOL.PRT")));
  EXPECT_NE(log.find("b.DT1 Ignorován"), std::string::npos);
  EXPECT_EQ(log.find("Kopie OK"), std::string::npos);
}

// The message of an incomplete copy names the files left out, the first three and how
// many more, in words that agree with their count.
TEST_F(BackupFolder, AnIncompleteCopyNamesTheFilesLeftOut) {
  struct Case {
    int held;             // files h01.dta, h02.dta, ... held by another open
    const char* failing;  // a copy into the copy folder that cannot be put in place (its name), or none
    std::string message;  // after "Kopie číslo 001 není úplná: "
  };
  const std::vector<Case> cases{
      {1, nullptr, "nezkopírován 1 soubor: h01.dta"},
      {2, nullptr, "nezkopírovány 2 soubory: h01.dta, h02.dta"},
      {3, nullptr, "nezkopírovány 3 soubory: h01.dta, h02.dta, h03.dta"},
      {4, nullptr, "nezkopírovány 4 soubory: h01.dta, h02.dta, h03.dta a 1 další"},
      {6, nullptr, "nezkopírováno 6 souborů: h01.dta, h02.dta, h03.dta a 3 další"},
      {30, nullptr, "nezkopírováno 30 souborů: h01.dta, h02.dta, h03.dta a 27 dalších"},
      {0, "kopie.001/a.dta", "nezkopírován 1 soubor: a.dta"},
      {2, "kopie.001/b.DT1", "nezkopírovány 3 soubory: h01.dta, h02.dta, b.DT1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    fs::remove_all(SetDir());
    for (const auto& e : fs::directory_iterator(Data("")))
      if (e.path().filename().string().starts_with("h")) fs::remove(e.path());
    std::vector<common::File> holders(static_cast<std::size_t>(c.held));
    for (int i = 0; i < c.held; ++i) {
      const std::string name = (i < 9 ? "h0" : "h") + std::to_string(i + 1) + ".dta";
      Write(Data(name), "held");
      ASSERT_EQ(holders[static_cast<std::size_t>(i)].Open("C:\\APP\\DATA\\F1\\" + name, common::kModeExclusive), 0);
    }
    common::FaultFileSystem faults;
    if (c.failing) faults.Fail(common::FsOp::Rename, EIO, c.failing);
    notes.calls.clear();
    {
      common::ScopedFileSystem scoped(faults);
      RunBackup();
    }
    EXPECT_EQ(Messages(), Strings{"Kopie číslo 001 není úplná: " + c.message});
    EXPECT_FALSE(Exists(SetDir("CISLO.TXT")));
  }
}

// A list deleted by hand beside the rollback copy its killed sort left: the backup says so
// as an opening does and counts the list among the files not copied, so the copy gets no
// number, no marker and no COPYOK; the rollback copy itself is never carried. A copy beside
// a missing file that no mask of the set takes changes nothing.
TEST_F(BackupFolder, AListMissingBesideItsCopyIsNamedAmongTheFilesNotCopied) {
  Write(C("PROG/2/UZAV.bck"), "CI*.DTA\r\n");
  struct Row {
    std::string name, set;
    Strings lists;            // written; the last then killed in a sort and deleted by hand
    Strings copied;           // the copy folder afterwards
    std::string notCopied;    // after "Kopie číslo 001 není úplná: " ("": the copy is whole)
  } rows[] = {
      {"with other lists", "TAVONA", {"CI10.DTA", "CI30.DTA"},
       {"CI10.DTA", "a.dta", "b.DT1", "master.dta", "protokol.dta"}, "nezkopírován 1 soubor: CI30.DTA"},
      {"the only list of the set", "UZAV", {"CI30.DTA"}, {}, "nezkopírován 1 soubor: CI30.DTA"},
      {"a file the set does not take", "TAVONA", {"CI10.DTA", "x30.txt"},
       {"CI10.DTA", "__TAVONA.001", "a.dta", "b.DT1", "master.dta", "protokol.dta"}, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string set = C("tv3/DATA/F1/" + r.set + "/");
    fs::remove_all(C("tv3"));
    const Strings kept{"a.dta", "b.DT1", "master.job", "nul.dta", "x.txt"};
    for (const std::string& n : Names(Data()))
      if (std::find(kept.begin(), kept.end(), n) == kept.end()) fs::remove(Data(n));
    Write(Data("PROTOKOL.PRT"), std::string(160, 'p'));
    for (const std::string& list : r.lists) Write(Data(list), "records of " + list);
    const std::string gone = r.lists.back();
    leftcopy::LeaveUnfinishedCopy(Data(gone));
    fs::remove(Data(gone));
    common::WriteJob("COPYOK", "X");
    notes.calls.clear();
    Open([&](backup::TfGlobKop& w) {
      w.ComboCo.UserSetText(r.set);
      backend.Click(w.bKopiruj);
    });
    EXPECT_EQ(Names(set + "kopie.001"), r.copied) << ::testing::PrintToString(Messages());
    EXPECT_TRUE(Exists(Data(".~" + gone + ".rollback")));
    const std::string log = common::Win1250ToUtf8(Read(Data("PROTOKOL.PRT")));
    if (r.notCopied.empty()) {
      EXPECT_EQ(Messages(), Strings{}) << r.name;
      EXPECT_EQ(Job("COPYOK"), "");
      continue;
    }
    EXPECT_EQ(Messages(),
              (Strings{"Soubor " + Data(gone) + " chybí a vedle něj zůstala kopie " + Data(".~" + gone + ".rollback") +
                           " z nedokončeného přepisu; kopie drží jediné původní bajty souboru a do chybějícího souboru "
                           "se nevrací, soubor se znovu založí, až kopii odstraníte, kopie dat ho nebude obsahovat",
                       "Kopie číslo 001 není úplná: " + r.notCopied}));
    EXPECT_FALSE(Exists(set + "CISLO.TXT"));
    EXPECT_EQ(Job("COPYOK"), "X");
    EXPECT_NE(log.find(gone + " Ignorován"), std::string::npos);
  }
}

TEST_F(BackupFolder, AFailedCopyIsReportedAndTheCounterStays) {
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.Fail(common::FsOp::Write, EIO, "kopie.001/", 1);
  RunBackup();
  EXPECT_TRUE(SaidSomething("není úplná")) << ::testing::PrintToString(Messages());
  EXPECT_FALSE(Exists(SetDir("CISLO.TXT")));
}

TEST_F(BackupFolder, CompressionLeavesOnlyATestedArchiveAndTheMarker) {
  RunBackup("C", true);
  EXPECT_EQ(Names(SetDir("kopie.001")), (Strings{"__TAVONA.001", "arch.arj"})) << ::testing::PrintToString(Messages());
  EXPECT_EQ(Names(SetDir()), (Strings{"CISLO.TXT", "kopie.001", "kopie.001.adr"}));
  backup::ArchiverError error;
  EXPECT_EQ(backup::TestArchive("C:\\tv3\\DATA\\F1\\TAVONA\\kopie.001\\arch.arj", error), 0) << error.text;
  EXPECT_FALSE(Exists(Data("arch.arj")));
}

TEST_F(BackupFolder, AFailingArchiverLeavesCounterAndJobEntryAlone) {
  common::WriteJob("COPYOK", "X");
  Write(dir / "bin/arj", "#!/bin/sh\nexit 2\n");
  ::chmod((dir / "bin/arj").c_str(), 0755);
  const std::string oldPath = std::getenv("PATH");
  ::setenv("PATH", (dir / "bin:" + oldPath).c_str(), 1);
  RunBackup("C", true);
  ::setenv("PATH", oldPath.c_str(), 1);
  EXPECT_TRUE(SaidSomething("Archivační program arj skončil chybou 2")) << ::testing::PrintToString(Messages());
  EXPECT_FALSE(Exists(SetDir("CISLO.TXT")));
  EXPECT_FALSE(Exists(SetDir("kopie.001")));
  EXPECT_EQ(Job("COPYOK"), "X");
  EXPECT_EQ(Names(SetDir()), Strings{});
}

TEST_F(BackupFolder, EscWritesCopyOkSAndTheDriveBoxTakesOneLetter) {
  Open([&](backup::TfGlobKop& w) {
    w.ComboDisk.UserSetText("e:");
    EXPECT_EQ(w.ComboDisk.text(), "E");
    w.ComboDisk.UserSetText("7");
    EXPECT_EQ(w.ComboDisk.text(), "C");
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(Job("COPYOK"), "S");
  EXPECT_EQ(Job("DISK2GO"), "E");
}

}  // namespace
