// Restores of copy folders: the list of copies, the staged restore, its refusals,
// deleting a copy and the copies of another year.
#include <sys/wait.h>
#include <unistd.h>

#include "backup/dirdialogx.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/jobfile.h"
#include "common/osfile.h"
#include "tests/backup/backupkit.h"

namespace {

using namespace backuptest;
using Strings = std::vector<std::string>;

class RestoreFolder : public BackupFixture {
 protected:
  RestoreFolder() {
    Write(Data("a.dta"), "AAAA record", 1600000000);
    Write(Data("b.DT1"), "BBBB", 1600000100);
  }
  // Every file of the data folder but the log, with its bytes.
  std::map<std::string, std::string> DataFiles() const {
    std::map<std::string, std::string> out;
    for (const auto& n : Names(Data()))
      if (n != "PROTOKOL.PRT" && n != "master.job" && n != "FOT.tab" && fs::is_regular_file(Data(n))) out[n] = Read(Data(n));
    return out;
  }
  void MakeCopy(int number, const std::string& note) {
    const std::string folder = SetDir(backup::CopyFolderName(number));
    Write(folder + "/a.dta", "copy " + std::to_string(number));
    Write(folder + "/__TAVONA.001", "1234 P TAVONA" + (note.empty() ? "" : " | " + note) + "\r\n");
  }
};

TEST_F(RestoreFolder, RoundTripBringsBytesAndDatesBackAndClearsTheJobEntries) {
  RunBackup();
  Write(Data("a.dta"), "changed");
  Write(Data("sel.idx"), "index");
  Write(Data("work.w01"), "work");
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) {
    EXPECT_EQ(w.ListBox1.itemIndex(), 0);
    EXPECT_EQ(common::Win1250ToUtf8(w.Label3.text()),
              " Poslední platná kopie byla 001   Enter - Obnova dat  F8 - výmaz kopie");
    RestoreCopy(w, 1);
  });
  EXPECT_EQ(questions, Strings{"Opravdu obnovit"});
  EXPECT_EQ(Read(Data("a.dta")), "AAAA record");
  EXPECT_EQ(MTime(Data("a.dta")), 1600000000);
  EXPECT_FALSE(Exists(Data("sel.idx")));
  EXPECT_FALSE(Exists(Data("work.w01")));
  EXPECT_TRUE(Exists(Data("__TAVONA.001")));
  EXPECT_EQ(Job("COPYOK"), "");
  EXPECT_EQ(Job("KOPW"), "");
  EXPECT_TRUE(SaidSomething("Obnova dat z čísla kopie 001 je OK"));
  for (const auto& n : Names(Data())) EXPECT_NE(n.rfind("obnova.", 0), 0u) << n;
}

TEST_F(RestoreFolder, CompressedCopyIsTestedExtractedAndTheArchiveLeftOut) {
  RunBackup("C", true);
  Write(Data("a.dta"), "changed");
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  EXPECT_EQ(Read(Data("a.dta")), "AAAA record") << ::testing::PrintToString(Messages());
  EXPECT_EQ(MTime(Data("a.dta")), 1600000000);
  EXPECT_FALSE(Exists(Data("arch.arj")));
}

TEST_F(RestoreFolder, TooLittleSpaceRefusesAndErasesNothing) {
  RunBackup();
  Write(Data("a.dta"), "changed");
  Write(Data("sel.idx"), "index");
  const auto before = DataFiles();
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  // Room for the job entry the drive box writes, not for the copy.
  faults.SetDiskSpace(5000);
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  EXPECT_TRUE(SaidSomething("Na vašem disku chybí")) << ::testing::PrintToString(Messages());
  EXPECT_EQ(DataFiles(), before);
}

TEST_F(RestoreFolder, ATruncatedArchiveIsRefusedAndTheDataStayByteForByte) {
  RunBackup("C", true);
  const std::string arch = SetDir("kopie.001/arch.arj");
  const std::string bytes = Read(arch);
  Write(arch, bytes.substr(0, bytes.size() / 2));
  Write(Data("a.dta"), "changed");
  const auto before = DataFiles();
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  EXPECT_TRUE(SaidSomething("je vadný, data jsou beze změny")) << ::testing::PrintToString(Messages());
  EXPECT_EQ(DataFiles(), before);
}

TEST_F(RestoreFolder, AFileHeldByAnotherProcessStopsTheRestoreBeforeAnyErase) {
  RunBackup();
  Write(Data("a.dta"), "changed");
  Write(Data("sel.idx"), "index");
  const auto before = DataFiles();
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    common::File f;
    char c = f.Open("C:\\APP\\DATA\\F1\\b.DT1", common::kModeExclusive) == 0 ? 'y' : 'n';
    (void)!::write(ready[1], &c, 1);
    (void)!::read(release[0], &c, 1);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  (void)!::write(release[1], &c, 1);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(SaidSomething("b.DT1 je otevřen na jiné stanici, obnova dat neproběhla"))
      << ::testing::PrintToString(Messages());
  EXPECT_EQ(DataFiles(), before);
}

TEST_F(RestoreFolder, OnlyThisComputersCopiesAreListedAndTheLastOneIsSelected) {
  common::CurrentSession().ComputerNo = 3;
  MakeCopy(1, "Firma :003");
  MakeCopy(2, "Firma :007");
  MakeCopy(3, "");
  MakeCopy(4, "Firma :003");
  fs::create_directories(SetDir("archiv"));
  Write(SetDir("CISLO.TXT"), "004\r\n");
  RunRestore([&](backup::TfGlobKop& w) {
    ASSERT_EQ(w.ListBox1.count(), 2);
    EXPECT_EQ(w.ListBox1.items()[0], "   2 kopie.001 Firma :003");
    EXPECT_EQ(backup::CopyNumberOfLine(w.ListBox1.items()[1]), 4);
    EXPECT_EQ(w.ListBox1.itemIndex(), 1);
    EXPECT_EQ(common::Win1250ToUtf8(w.ListBox1.hint), "Označ vybranou kopi a pak DblClick nebo Enter");
    backend.CloseWindow(w);
  });
  Write(SetDir("CISLO.TXT"), "002\r\n");
  RunRestore([&](backup::TfGlobKop& w) {
    EXPECT_EQ(w.ListBox1.itemIndex(), -1);
    backend.CloseWindow(w);
  });
}

TEST_F(RestoreFolder, F8RemovesACopyWithItsMarkerAndLeavesTheCounter) {
  MakeCopy(1, "");
  MakeCopy(2, "");
  Write(SetDir("kopie.002.adr"), "C:\\APP\\DATA\\F1\\\r\n");
  Write(SetDir("CISLO.TXT"), "002\r\n");
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) {
    backend.Press(ui::vk::F(8));
    EXPECT_EQ(w.ListBox1.count(), 1);
    EXPECT_TRUE(w.visible());
    backend.CloseWindow(w);
  });
  EXPECT_FALSE(Exists(SetDir("kopie.002")));
  EXPECT_FALSE(Exists(SetDir("kopie.002.adr")));
  EXPECT_TRUE(Exists(SetDir("kopie.001")));
  EXPECT_EQ(Read(SetDir("CISLO.TXT")), "002\r\n");
  EXPECT_EQ(Job("COPYOK"), "V");
  EXPECT_TRUE(SaidSomething("Kopie číslo 002 byla zrušena"));
}

TEST_F(RestoreFolder, F8WithoutAMarkerKeepsTheFiles) {
  MakeCopy(1, "");
  fs::remove(SetDir("kopie.001/__TAVONA.001"));
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) {
    EXPECT_EQ(w.ListBox1.count(), 1);
    w.ListBox1.SetItemIndex(0);
    backend.Press(ui::vk::F(8));
    backend.CloseWindow(w);
  });
  EXPECT_TRUE(Exists(SetDir("kopie.001/a.dta")));
  EXPECT_TRUE(SaidSomething("Rušení kopie číslo 001 skončilo neúspěšně"));
}

TEST_F(RestoreFolder, ACopyOfAnotherDataPathIsRestoredOnlyAfterAQuestion) {
  MakeCopy(1, "");
  Write(SetDir("kopie.001.adr"), "C:\\OTHER\\DATA\\F1\\\r\n");
  Write(SetDir("CISLO.TXT"), "001\r\n");
  answers = {false};
  RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], "Kopie je z adresáře C:\\OTHER\\DATA\\F1\\, obnovit do C:\\APP\\DATA\\F1\\");
  EXPECT_EQ(Read(Data("a.dta")), "AAAA record");
  EXPECT_EQ(Job("COPYOK"), "S");
}

TEST_F(RestoreFolder, NamesOfTheCopyReplaceDataFilesWithoutRegardToCase) {
  MakeCopy(1, "");
  fs::rename(SetDir("kopie.001/a.dta"), SetDir("kopie.001/A.DTA"));
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  int count = 0;
  for (const auto& n : Names(Data()))
    if (n == "a.dta" || n == "A.DTA") ++count;
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Read(Data("a.dta")), "copy 1");
}

TEST_F(RestoreFolder, EscOffersAnotherYearWhoseBlanksInsideStay) {
  MakeCopy(1, "");
  // Another year: C:\tv3\UCTO 2023\TAVONA\kopie.005.
  Write(C("tv3/UCTO 2023/TAVONA/kopie.005/a.dta"), "year 2023");
  Write(C("tv3/UCTO 2023/TAVONA/kopie.005/__TAVONA.001"), "1111 P TAVONA\r\n");
  std::string caption;
  backend.OnModal("fDirDialogX", [&](ui::Form& f) {
    auto& d = static_cast<backup::TfDirDialogX&>(f);
    caption = common::Win1250ToUtf8(d.caption());
    EXPECT_EQ(d.ListBox1.items(), (Strings{"DATA", "UCTO 2023"}));
    backend.ClickItem(d.ListBox1, 1);
    backend.Click(d.Button1);
  });
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) {
    backend.Press(ui::vk::Esc);
    EXPECT_EQ(Job("COPYOK"), "S");
    ASSERT_TRUE(w.OfferingCopies());
    RestoreCopy(w, 5);
  });
  EXPECT_EQ(caption, "Klikněte na jednu složku dejte OK");
  EXPECT_EQ(Read(Data("a.dta")), "year 2023");
  EXPECT_EQ(questions, Strings{"Opravdu obnovit"});
}

TEST_F(RestoreFolder, NoCopiesAskForAnotherYearAndNoEndsWithoutChange) {
  const auto before = DataFiles();
  answers = {false};
  Open([&](backup::TfGlobKop& w) { backend.Click(w.bObnov); });
  EXPECT_EQ(questions, Strings{"V tomto roce nejsou žádné kopie, chcete obnovit z jiného roku"});
  EXPECT_EQ(DataFiles(), before);
}

}  // namespace
