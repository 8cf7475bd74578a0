// Diskette series over the medium layer's folder double.
#include <sys/stat.h>

#include "backup/medium.h"
#include "common/encoding.h"
#include "common/jobfile.h"
#include "tests/backup/backupkit.h"
#include "tests/common/leftcopy.h"

namespace {

using namespace backuptest;
using Strings = std::vector<std::string>;

constexpr std::uint64_t kCapacity = 1457664;

class DisketteSeries : public BackupFixture {
 protected:
  DisketteSeries() {
    Write(C("PROG/2/UZAV.bck"), "big.dta\r\n");
    MakeBig(2000000);
    for (int i = 1; i <= 4; ++i) fs::create_directories(Disk(i));
  }
  void MakeBig(std::size_t size) {
    big.resize(size);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919u) % 251u);
    Write(Data("big.dta"), big, 1600000000);
  }
  std::string Disk(int i) const { return dir / ("media/d" + std::to_string(i)); }
  void UseMedia(std::vector<std::string> folders) {
    backup::SetMediumMaker([folders](char, const std::string&) {
      return std::make_unique<backup::FolderMedium>(folders, kCapacity);
    });
  }
  void Backup() {
    UseMedia({Disk(1), Disk(2), Disk(3), Disk(4)});
    Open([&](backup::TfGlobKop& w) {
      w.ComboCo.UserSetText("UZAV");
      w.ComboDisk.UserSetText("A");
      backend.Click(w.bKopiruj);
    });
  }
  void Restore(std::vector<std::string> folders) {
    UseMedia(std::move(folders));
    Open([&](backup::TfGlobKop& w) {
      w.ComboCo.UserSetText("UZAV");
      w.ComboDisk.UserSetText("A");
      backend.Click(w.bObnov);
    });
  }
  std::string big;
};

TEST_F(DisketteSeries, ALargeFileIsSplitOverTwoMediaAndTheLastLabelCarriesP) {
  Backup();
  ASSERT_EQ(Names(Disk(1)), (Strings{"__TAVONA.001", "big.dta"})) << ::testing::PrintToString(Messages());
  ASSERT_EQ(Names(Disk(2)), (Strings{"__TAVONA.002", "big.dta"}));
  EXPECT_EQ(Names(Disk(3)), Strings{});
  EXPECT_EQ(Read(Disk(1) + "/big.dta").size() + Read(Disk(2) + "/big.dta").size(), big.size());
  EXPECT_LE(Read(Disk(1) + "/big.dta").size() + 15, kCapacity - 5000);
  const std::string first = Read(Disk(1) + "/__TAVONA.001"), last = Read(Disk(2) + "/__TAVONA.002");
  EXPECT_EQ(first.substr(4), "   UZAV  \r\n");
  EXPECT_EQ(last.substr(0, 4), first.substr(0, 4));
  EXPECT_EQ(last[5], 'P');
  EXPECT_TRUE(SaidSomething("Vložte do mechaniky A: disketu 002"));
  EXPECT_TRUE(SaidSomething("Vyjměte z mechaniky A: disketu serie " + first.substr(0, 4) + " 001"));
  EXPECT_EQ(Job("COPYOK"), "");
}

// A file another workstation holds is left out: the series is said incomplete, naming
// it, and its last label gets no "P", as a copy folder missing files gets no marker.
TEST_F(DisketteSeries, ASeriesMissingAFileIsSaidIncompleteAndNotMarkedWhole) {
  Write(C("PROG/2/UZAV.bck"), "big.dta\r\nheld.dta\r\n");
  Write(Data("held.dta"), "held");
  common::File holder;
  ASSERT_EQ(holder.Open("C:\\APP\\DATA\\F1\\held.dta", common::kModeExclusive), 0);
  Backup();
  ASSERT_EQ(Names(Disk(2)), (Strings{"__TAVONA.002", "big.dta"})) << ::testing::PrintToString(Messages());
  EXPECT_NE(Read(Disk(2) + "/__TAVONA.002")[5], 'P');
  EXPECT_TRUE(SaidSomething("Kopie číslo 002 není úplná: nezkopírován 1 soubor: held.dta"))
      << ::testing::PrintToString(Messages());
  EXPECT_FALSE(SaidSomething("Kopie číslo 002 je OK"));
}

// A list deleted by hand beside the rollback copy its killed sort left is left out of a
// series as a held file is: named, the last label without "P", COPYOK as it was. With
// nothing else to copy no medium is asked for, and the backup says it did not run.
TEST_F(DisketteSeries, AListMissingBesideItsCopyLeavesTheSeriesUnmarked) {
  struct Row {
    std::string name, masks;
    Strings disk1;        // the first medium afterwards
    std::string summary;  // the last message
  } rows[] = {
      {"with another file", "big.dta\r\nCI30.DTA\r\n", {"__TAVONA.001", "big.dta"},
       "Kopie číslo 001 není úplná: nezkopírován 1 soubor: CI30.DTA"},
      {"alone", "CI*.DTA\r\n", {}, "Kopie dat neproběhla: nezkopírován 1 soubor: CI30.DTA"},
  };
  MakeBig(1000);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    for (int i = 1; i <= 4; ++i) {
      fs::remove_all(Disk(i));
      fs::create_directories(Disk(i));
    }
    Write(C("PROG/2/UZAV.bck"), r.masks);
    fs::remove(Data(".~CI30.DTA.rollback"));
    Write(Data("CI30.DTA"), "records of list 30");
    leftcopy::LeaveUnfinishedCopy(Data("CI30.DTA"));
    fs::remove(Data("CI30.DTA"));
    common::WriteJob("COPYOK", "X");
    notes.calls.clear();
    Backup();
    ASSERT_EQ(Names(Disk(1)), r.disk1) << ::testing::PrintToString(Messages());
    if (!r.disk1.empty()) {
      EXPECT_NE(Read(Disk(1) + "/__TAVONA.001")[5], 'P');
    }
    EXPECT_TRUE(SaidSomething("CI30.DTA chybí a vedle něj zůstala kopie"));
    const Strings said = Messages();
    EXPECT_EQ(said.empty() ? "" : said.back(), r.summary);
    EXPECT_EQ(Job("COPYOK"), "X");
  }
}

TEST_F(DisketteSeries, RestoreJoinsThePiecesInOrderAfterTheLastMedium) {
  Backup();
  Write(Data("big.dta"), "changed");
  Write(Data("old.idx"), "x");
  Restore({Disk(1), Disk(2)});
  EXPECT_EQ(Read(Data("big.dta")), big) << ::testing::PrintToString(Messages());
  EXPECT_EQ(MTime(Data("big.dta")), 1600000000);
  EXPECT_TRUE(SaidSomething("Obnova číslo 002 je OK"));
  EXPECT_EQ(Job("COPYOK"), "");
  EXPECT_EQ(Job("KOPW"), "A");
  for (const auto& n : Names(Data())) EXPECT_NE(n.rfind("wrk.", 0), 0u) << n;
}

TEST_F(DisketteSeries, APieceWhoseNameClimbsOutIsRefusedBeforeAnythingIsWritten) {
  Backup();
  Write(Disk(1) + "/..\\..\\escaped.dta", "climbed");
  Write(Data("big.dta"), "changed");
  Restore({Disk(1), Disk(2)});
  EXPECT_TRUE(SaidSomething("neplatným jménem ..\\..\\escaped.dta, data jsou beze změny"))
      << ::testing::PrintToString(Messages());
  EXPECT_FALSE(Exists(C("APP/DATA/escaped.dta")));
  EXPECT_EQ(Read(Data("big.dta")), "changed");
}

TEST_F(DisketteSeries, AFileOverThreeMediaIsJoinedInDisketteOrder) {
  MakeBig(3000000);
  Backup();
  ASSERT_EQ(Names(Disk(3)), (Strings{"__TAVONA.003", "big.dta"})) << ::testing::PrintToString(Messages());
  EXPECT_EQ(Read(Disk(2) + "/__TAVONA.002")[5], ' ');
  EXPECT_EQ(Read(Disk(3) + "/__TAVONA.003")[5], 'P');
  EXPECT_EQ(Names(Disk(4)), Strings{});
  Write(Data("big.dta"), "changed");
  Restore({Disk(1), Disk(2), Disk(3)});
  EXPECT_EQ(Read(Data("big.dta")), big) << ::testing::PrintToString(Messages());
}

TEST_F(DisketteSeries, AMediumOfAnotherSeriesIsRefusedAndNothingIsErased) {
  Backup();
  std::string label = Read(Disk(2) + "/__TAVONA.002");
  label[0] = label[0] == '9' ? '8' : '9';
  Write(Disk(2) + "/__TAVONA.002", label);
  Write(Data("big.dta"), "changed");
  answers = {false};
  Restore({Disk(1), Disk(2)});
  EXPECT_TRUE(SaidSomething("Toto je disketa serie " + label.substr(0, 4))) << ::testing::PrintToString(Messages());
  EXPECT_TRUE(SaidSomething("V disketové mechanice došlo k chybě #77"));
  EXPECT_EQ(Read(Data("big.dta")), "changed");
}

TEST_F(DisketteSeries, AWriteProtectedMediumGivesNineteenAfterBoundedRetries) {
  ::chmod(Disk(1).c_str(), 0555);
  answers.assign(50, true);
  UseMedia({Disk(1), Disk(1), Disk(1), Disk(1), Disk(1), Disk(1), Disk(1), Disk(1)});
  Open([&](backup::TfGlobKop& w) {
    w.ComboCo.UserSetText("UZAV");
    w.ComboDisk.UserSetText("A");
    backend.Click(w.bKopiruj);
  });
  EXPECT_TRUE(SaidSomething("Disketa má zablokován zápis")) << ::testing::PrintToString(Messages());
  EXPECT_TRUE(SaidSomething("V disketové mechanice došlo k chybě #19"));
  EXPECT_LE(questions.size(), static_cast<std::size_t>(backup::TfGlobKop::kMediumAttempts));
  EXPECT_EQ(Names(Disk(1)), Strings{});
}

TEST_F(DisketteSeries, AMissingMediumGivesTwentyOne) {
  UseMedia({dir / "media/none"});
  Open([&](backup::TfGlobKop& w) {
    w.ComboCo.UserSetText("UZAV");
    w.ComboDisk.UserSetText("B");
    backend.Click(w.bKopiruj);
  });
  EXPECT_TRUE(SaidSomething("V mechanice není disketa"));
  EXPECT_TRUE(SaidSomething("V disketové mechanice došlo k chybě #21"));
}

TEST_F(DisketteSeries, DrivesOfTheDriveMapAreMedia) {
  fs::create_directories(dir / "floppy");
  common::Drives().Set("A", dir / "floppy");
  backup::DriveMedium a('A', "");
  EXPECT_EQ(a.Root(), "A:\\");
  EXPECT_EQ(a.State(), 0);
  std::uint64_t free = 0;
  EXPECT_EQ(a.FreeSpace(free), 0);
  EXPECT_GT(free, 0u);
  EXPECT_EQ(backup::DriveMedium('B', "KOPIE").State(), backup::kMediumNotReady);
  EXPECT_EQ(backup::DriveMedium('A', "KOPIE").Root(), "A:\\KOPIE\\");
  ::chmod((dir / "floppy").c_str(), 0555);
  EXPECT_EQ(a.State(), backup::kMediumWriteProtected);
}

}  // namespace
