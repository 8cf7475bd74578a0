// Restores of copy folders: the list of copies, the staged restore, its refusals,
// deleting a copy and the copies of another year.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <iostream>
#include <utility>

#include "backup/dirdialogx.h"
#include "backup/pending.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/jobfile.h"
#include "common/osfile.h"
#include "tests/backup/backupkit.h"
#include "tests/common/processes.h"

namespace {

using namespace backuptest;
using namespace common::literals;
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
  // Private folders of restores and backups left in the data folder.
  Strings LeftFolders() const {
    Strings out;
    for (const auto& n : Names(Data()))
      if (n.rfind("obnova.", 0) == 0 || n.rfind("wrk.", 0) == 0) out.push_back(n);
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

// Too little space, or a data file the user may not write in a folder the user may write:
// the restore refuses, saying why, and neither erases nor moves over anything.
TEST_F(RestoreFolder, TooLittleSpaceOrAFileTheUserMayNotWriteRefusesAndErasesNothing) {
  RunBackup();
  Write(Data("a.dta"), "changed");
  Write(Data("sel.idx"), "index");
  const auto before = DataFiles();
  const struct {
    const char* what;
    std::function<void(common::FaultFileSystem&)> fault;
    const char* said;
  } cases[] = {
      // Room for the job entry the drive box writes, not for the copy.
      {"too little space", [](common::FaultFileSystem& f) { f.SetDiskSpace(5000); }, "Na vašem disku chybí"},
      {"a file not writable", [](common::FaultFileSystem& f) { f.Fail(common::FsOp::OpenWrite, EACCES, "/b.DT1"); },
       "b.DT1 nelze zapsat (err 5), obnova dat neproběhla"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    common::FaultFileSystem faults;
    common::ScopedFileSystem scoped(faults);
    c.fault(faults);
    answers = {true};
    RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
    EXPECT_TRUE(SaidSomething(c.said)) << ::testing::PrintToString(Messages());
    EXPECT_EQ(DataFiles(), before);
  }
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

namespace {

// ---- Names that would climb out of their folder ------------------------------------

// The archiver's own file with one stored name replaced (its header's check sum made
// anew), as a hostile or broken archive would hold it; host 0 reads "\" as a name's own.
std::string Reheader(const std::string& arj, const std::string& from, const std::string& to, int host = -1) {
  auto crc32 = [](const std::string& s) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : s) {
      c ^= b;
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
  };
  auto u16 = [&](std::size_t at) { return static_cast<std::size_t>(static_cast<unsigned char>(arj[at]) |
                                                                    static_cast<unsigned char>(arj[at + 1]) << 8); };
  auto put = [](std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  std::string out;
  std::size_t pos = 0;
  for (bool first = true; pos + 4 <= arj.size(); first = false) {
    const std::size_t size = u16(pos + 2);
    if (size == 0) return out + arj.substr(pos, 4);
    std::string header = arj.substr(pos + 4, size);
    const std::size_t nameAt = static_cast<unsigned char>(header[0]), nameEnd = header.find('\0', nameAt);
    std::uint64_t packed = 0;
    for (int i = 0; i < 4 && !first; ++i) packed |= static_cast<std::uint64_t>(static_cast<unsigned char>(header[12 + i])) << (8 * i);
    if (header.substr(nameAt, nameEnd - nameAt) == from) {
      header = header.substr(0, nameAt) + to + header.substr(nameEnd);
      header[24] = header[25] = '\0';  // no folder part to leave out
      if (host >= 0) header[3] = static_cast<char>(host);
    }
    out += arj.substr(pos, 2);
    put(out, header.size(), 2);
    out += header;
    put(out, crc32(header), 4);
    out += std::string(2, '\0');  // no extended header
    const std::size_t data = pos + 4 + size + 4 + 2;
    out += arj.substr(data, packed);
    pos = data + packed;
  }
  return out;
}

TEST_F(RestoreFolder, ANameThatClimbsOutOfTheCopyStopsTheRestoreBeforeAnythingIsTouched) {
  const std::string escaped = "..\\..\\escaped.dta";
  // A plain copy holding such a file, and compressed copies whose archive holds it,
  // "../" or an absolute path.
  struct Case {
    std::string stored;
    int host;
  } cases[] = {{"", -1}, {"../escaped.dta", -1}, {dir.path() + "/abs.dta", -1}, {escaped, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.empty() ? "plain" : c.stored);
    fs::remove_all(SetDir());
    notes.calls.clear();
    if (c.stored.empty()) {
      MakeCopy(1, "");
      Write(SetDir("kopie.001/") + escaped, "climbed");
    } else {
      Write(Data("zzescaped.dta"), "climbed");
      RunBackup("C", true);
      fs::remove(Data("zzescaped.dta"));
      const std::string arch = SetDir("kopie.001/arch.arj");
      Write(arch, Reheader(Read(arch), "zzescaped.dta", c.stored, c.host));
    }
    Write(Data("a.dta"), "changed");
    const auto before = DataFiles();
    answers = {true};
    RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
    EXPECT_TRUE(SaidSomething("data jsou beze změny")) << ::testing::PrintToString(Messages());
    EXPECT_FALSE(SaidSomething("je OK"));
    EXPECT_EQ(DataFiles(), before);
    EXPECT_FALSE(Exists(C("APP/escaped.dta")));
    EXPECT_FALSE(Exists(C("APP/DATA/escaped.dta")));
    EXPECT_FALSE(Exists(dir.path() + "/abs.dta"));
    EXPECT_EQ(LeftFolders(), Strings{});
  }
}

TEST_F(RestoreFolder, ABackupLeavesOutANameThatWouldClimbOutOfTheCopyFolder) {
  Write(Data("..\\..\\escaped.dta"), "inside");
  Write(C("APP/escaped.dta"), "outside");
  RunBackup();
  EXPECT_FALSE(Exists(C("tv3/DATA/F1/escaped.dta")));
  EXPECT_EQ(Read(SetDir("kopie.001/a.dta")), "AAAA record");
  EXPECT_TRUE(SaidSomething("Kopie číslo 001 není úplná")) << ::testing::PrintToString(Messages());
}

// ---- All or nothing ----------------------------------------------------------------

// The real file system, but a mutation of the data folder number `killAt` first tells
// the test through `report` and then waits to be killed.
class KillPoint : public common::PosixFileSystem {
 public:
  KillPoint(std::string data, int killAt, int report) : data_(std::move(data)), killAt_(killAt), report_(report) {}
  int Unlink(const std::string& path) override {
    Step(path);
    return PosixFileSystem::Unlink(path);
  }
  int Rename(const std::string& from, const std::string& to, bool replace) override {
    Step(to);
    return PosixFileSystem::Rename(from, to, replace);
  }
  int count = 0;

 private:
  void Step(const std::string& path) {
    if (path.rfind(data_, 0) != 0 || ++count != killAt_) return;
    const char c = 'k';
    (void)!::write(report_, &c, 1);
    for (;;) ::pause();
  }
  std::string data_;
  int killAt_, report_;
};

class RestoreKilled : public RestoreFolder {
 protected:
  static constexpr int kFiles = 30;
  RestoreKilled() {
    for (int i = 0; i < kFiles; ++i) Write(Data("f" + std::to_string(i) + ".dta"), "new " + std::to_string(i));
    Write(Data("a.dta"), "new a");
    RunBackup();
    notes.calls.clear();
  }
  void MakeOld() {
    for (int i = 0; i < kFiles; ++i) Write(Data("f" + std::to_string(i) + ".dta"), "old " + std::to_string(i));
    Write(Data("a.dta"), "old a");
    Write(Data("later.dta"), "old only");
  }
  // "old", "new" or "half": what the data folder holds.
  std::string Outcome() const {
    int oldCount = 0, newCount = 0;
    auto look = [&](const std::string& name, const std::string& oldText, const std::string& newText) {
      const std::string now = Exists(Data(name)) ? Read(Data(name)) : std::string("(none)");
      if (now == oldText) ++oldCount;
      else if (now == newText) ++newCount;
    };
    for (int i = 0; i < kFiles; ++i) look("f" + std::to_string(i) + ".dta", "old " + std::to_string(i), "new " + std::to_string(i));
    look("a.dta", "old a", "new a");
    look("later.dta", "old only", "(none)");
    if (oldCount == kFiles + 2) return "old";
    if (newCount == kFiles + 2) return "new";
    return "half";
  }
  // Restores copy 1 in a child that is killed at mutation `killAt` of the data folder;
  // the count of mutations when it ran to its end.
  int RestoreInChild(int killAt) {
    int pipeFd[2];
    EXPECT_EQ(::pipe(pipeFd), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(pipeFd[0]);
      KillPoint killer(Data(), killAt, pipeFd[1]);
      common::ScopedFileSystem use(killer);
      answers = {true};
      RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
      const int n = killer.count;
      (void)!::write(pipeFd[1], &n, sizeof n);
      ::_exit(0);
    }
    ::close(pipeFd[1]);
    int n = 0;
    const ssize_t got = ::read(pipeFd[0], &n, sizeof n);
    if (got == 1) ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(pipeFd[0]);
    return got == static_cast<ssize_t>(sizeof n) ? n : -1;
  }
};

TEST_F(RestoreKilled, AKilledRestoreIsFinishedAtTheNextStartAndNeverLeftHalfWay) {
  MakeOld();
  const int steps = RestoreInChild(INT_MAX);
  ASSERT_EQ(Outcome(), "new") << ::testing::PrintToString(Messages());
  ASSERT_GT(steps, kFiles);
  std::map<std::string, int> atKill, afterStart;
  for (int k = 0; k < 12; ++k) {
    const int killAt = 1 + k * (steps - 3) / 11;
    SCOPED_TRACE(killAt);
    MakeOld();
    ASSERT_EQ(RestoreInChild(killAt), -1);
    ++atKill[Outcome()];
    notes.calls.clear();
    EXPECT_EQ(backup::FinishPendingRestores(), 0) << ::testing::PrintToString(Messages());
    const std::string outcome = Outcome();
    ++afterStart[outcome];
    EXPECT_NE(outcome, "half");
    if (outcome == "new") {
      EXPECT_EQ(Job("KOPW"), "");
    } else {
      EXPECT_EQ(Messages(), Strings{});  // killed before the first data file was touched
    }
    EXPECT_EQ(LeftFolders(), Strings{});
  }
  std::cout << "kills: at the kill " << ::testing::PrintToString(atKill) << ", after the next start "
            << ::testing::PrintToString(afterStart) << "\n";
  EXPECT_GT(atKill["half"], 0);  // kills landed in the middle of the move
  EXPECT_GE(afterStart["new"], 5);
}

// A restore of copy 001 over a damaged journal of the same copy is killed half way: the
// next start finishes it and removes the damaged staging folder, saying so; backups are
// allowed again. A damaged journal of another copy, or one written after the finished
// restore, stays and is said.
TEST_F(RestoreKilled, ARestoreFinishedAtTheStartRemovesTheOlderDamagedOneOfItsCopy) {
  const int steps = RestoreInChild(INT_MAX);
  const auto damage = [&](const std::string& name, const std::string& copy, std::int64_t when) {
    Write(Data(name + "/journal"), "OBNOVA 1\r\nS data\r\nK A\r\nT Obnova dat z čísla kopie "_cz + copy + " je OK\r\nM a.dta\r\n"_cz, when);
    Write(Data(name + "/data/a.dta"), "half");
  };
  MakeOld();
  damage("obnova.dmgd0001", "001", 1600000000);
  damage("obnova.dmgd0002", "002", 1600000000);
  // Killed in the middle of the move, which ends the run's mutations of the data folder.
  ASSERT_EQ(RestoreInChild(steps - kFiles / 2), -1);
  ASSERT_EQ(Outcome(), "half") << steps;
  damage("obnova.dmgd0003", "001", 4000000000);  // after the killed restore
  notes.calls.clear();
  std::vector<std::string> damaged;
  EXPECT_EQ(backup::FinishPendingRestores(&damaged), 2);
  EXPECT_EQ(Outcome(), "new");
  const auto shown = [&](const std::string& name) { return common::Win1250ToUtf8(common::ShownPath(Data(name) + "\\")); };
  EXPECT_TRUE(SaidSomething("Přerušená obnova dokončena: Obnova dat z čísla kopie 001 je OK")) << ::testing::PrintToString(Messages());
  EXPECT_TRUE(SaidSomething("Složka poškozené obnovy dat " + shown("obnova.dmgd0001") +
                            " je odstraněna, obnova dat je dokončena (Obnova dat z čísla kopie 001)"))
      << ::testing::PrintToString(Messages());
  EXPECT_TRUE(SaidSomething("obnova.dmgd0002/journal je poškozen, obnova dat není dokončena (Obnova dat z čísla kopie 002)"));
  EXPECT_TRUE(SaidSomething("obnova.dmgd0003/journal je poškozen, obnova dat není dokončena (Obnova dat z čísla kopie 001)"));
  EXPECT_EQ(LeftFolders(), (Strings{"obnova.dmgd0002", "obnova.dmgd0003"}));
  EXPECT_EQ(damaged.size(), 2u);
  // With those two gone too, later starts say nothing and a backup runs.
  fs::remove_all(Data("obnova.dmgd0002"));
  fs::remove_all(Data("obnova.dmgd0003"));
  notes.calls.clear();
  EXPECT_EQ(backup::FinishPendingRestores(), 0);
  EXPECT_EQ(Messages(), Strings{});
  RunBackup();
  EXPECT_FALSE(SaidSomething("kopie dat neproběhla")) << ::testing::PrintToString(Messages());
  EXPECT_TRUE(Exists(SetDir("kopie.002")));
}

TEST_F(RestoreFolder, AFileOpenedElsewhereDuringTheMoveLeavesTheRestoreToTheNextStart) {
  RunBackup();
  Write(Data("a.dta"), "changed");
  Write(Data("b.DT1"), "changed b");
  Write(Data("sel.idx"), "index");
  // Another workstation opens b.DT1 once the first data file is erased.
  common::File other;
  struct OpensLater : common::PosixFileSystem {
    std::function<void()> then;
    int Unlink(const std::string& path) override {
      const int rc = PosixFileSystem::Unlink(path);
      if (then && path.size() > 7 && path.substr(path.size() - 7) == "sel.idx") std::exchange(then, nullptr)();
      return rc;
    }
  } opens;
  opens.then = [&] { ASSERT_EQ(other.Open("C:\\APP\\DATA\\F1\\b.DT1", common::kModeExclusive), 0); };
  {
    common::ScopedFileSystem use(opens);
    answers = {true};
    RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  }
  EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::LockWait, "Soubor C:\\APP\\DATA\\F1\\b.DT1 není volný"_cz), 10);
  EXPECT_TRUE(SaidSomething("b.DT1 je otevřen na jiné stanici, obnova dat bude dokončena při příštím spuštění programu"))
      << ::testing::PrintToString(Messages());
  EXPECT_FALSE(SaidSomething("je OK"));
  EXPECT_EQ(Job("KOPW"), "A");
  ASSERT_EQ(LeftFolders().size(), 1u);
  const std::string staging = Data(LeftFolders()[0]);
  EXPECT_TRUE(Exists(staging + "/journal"));
  EXPECT_EQ(Read(staging + "/data/b.DT1"), "BBBB");
  // The next start finds the file still open and keeps the journal; once it is closed
  // the restore is finished.
  notes.calls.clear();
  EXPECT_EQ(backup::FinishPendingRestores(), 1);
  EXPECT_TRUE(SaidSomething("b.DT1 je otevřen na jiné stanici, obnova dat bude dokončena"));
  EXPECT_TRUE(Exists(staging + "/journal"));
  other.Close();
  EXPECT_EQ(backup::FinishPendingRestores(), 0);
  EXPECT_TRUE(SaidSomething("Přerušená obnova dokončena: Obnova dat z čísla kopie 001 je OK"));
  EXPECT_EQ(Read(Data("a.dta")), "AAAA record");
  EXPECT_EQ(Read(Data("b.DT1")), "BBBB");
  EXPECT_FALSE(Exists(Data("sel.idx")));
  EXPECT_EQ(Job("KOPW"), "");
  EXPECT_EQ(LeftFolders(), Strings{});
}

// A restore whose journal was damaged left the data half restored: backups stay
// refused, the message names the copy, and restoring it again goes over the damaged
// restore and removes its staging folder.
TEST_F(RestoreFolder, ADamagedJournalIsMendedByRestoringTheCopyAgain) {
  RunBackup();
  const std::string journal = "OBNOVA 1\r\nS data\r\nK A\r\nT Obnova dat z čísla kopie 001 je OK\r\nE sel.idx\r\nM a.dta\r\n"_cz;
  Write(Data("obnova.dmgd1234/journal"), journal);  // its end line is gone
  Write(Data("obnova.dmgd1234/lock"), "");
  Write(Data("obnova.dmgd1234/data/b.DT1"), "half");
  Write(Data("a.dta"), "half restored");
  notes.calls.clear();
  RunBackup();
  EXPECT_TRUE(SaidSomething("Obnova dat není dokončena, kopie dat neproběhla")) << ::testing::PrintToString(Messages());
  const std::string said = "Záznam nedokončené obnovy dat " + common::Win1250ToUtf8(common::ShownPath(Data("obnova.dmgd1234/journal"))) +
                           " je poškozen, obnova dat není dokončena (Obnova dat z čísla kopie 001). Obnovte tuto kopii "
                           "znovu, tím se složka dat opraví";
  EXPECT_TRUE(SaidSomething(said)) << ::testing::PrintToString(Messages());
  EXPECT_FALSE(Exists(SetDir("kopie.002")));

  notes.calls.clear();
  answers = {true};
  RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  EXPECT_TRUE(SaidSomething(said)) << ::testing::PrintToString(Messages());
  EXPECT_TRUE(SaidSomething("Obnova dat z čísla kopie 001 je OK")) << ::testing::PrintToString(Messages());
  EXPECT_EQ(Read(Data("a.dta")), "AAAA record");
  EXPECT_EQ(Read(Data("b.DT1")), "BBBB");
  EXPECT_EQ(LeftFolders(), Strings{});
  EXPECT_EQ(backup::FinishPendingRestores(), 0);

  // A journal that no longer shows its copy says to restore the copy it came from.
  Write(Data("obnova.dmgd5678/journal"), "OBNOVA 1\r\nS da");
  notes.calls.clear();
  EXPECT_EQ(backup::FinishPendingRestores(), 1);
  EXPECT_TRUE(SaidSomething("je poškozen, obnova dat není dokončena. Obnovte znovu kopii, ze které se obnovovalo"))
      << ::testing::PrintToString(Messages());
  // A restore declined at its question keeps it.
  answers = {false};
  RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
  EXPECT_EQ(LeftFolders(), Strings{"obnova.dmgd5678"});
}

TEST_F(RestoreFolder, AFolderALivingRunHoldsIsLeftAndADeadOneRemoved) {
  backup::ScopedFolder living;
  ASSERT_EQ(living.Make("C:\\APP\\DATA\\F1\\", backup::kWorkPrefix, "data"), 0);
  Write(Data("obnova.dead1234/data/a.dta"), "stale");
  Write(Data("obnova.dead1234/lock"), "");
  EXPECT_EQ(backup::FinishPendingRestores(), 0);
  std::string name = living.name();
  name.pop_back();
  EXPECT_EQ(LeftFolders(), Strings{name.substr(name.rfind('\\') + 1)});
}

}  // namespace
