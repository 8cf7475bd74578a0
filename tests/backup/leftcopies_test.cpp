// A rollback copy a killed step left beside a data file: the restore, the backup and
// the document copy put it back before they replace or carry the file, or leave the
// file as it is and say why. A copy an older backup carried is never moved in: the
// restore takes its file back by it, drops a finished one, or refuses one it cannot use.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>

#include "backup/doccopy.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/inplace.h"
#include "tests/backup/backupkit.h"
#include "tests/common/leftcopy.h"

namespace {

using backuptest::BackupFixture;
using namespace common::literals;
namespace fs = std::filesystem;

class LeftCopies : public BackupFixture {
 protected:
  std::string Copy(const std::string& rel = {}) const { return C("TV3/F1/" + rel); }
  void Fresh() {
    for (const auto& e : fs::directory_iterator(Data()))
      if (e.path().filename() != "master.job") fs::remove_all(e.path());
    fs::remove_all(C("tv3"));
    fs::remove_all(C("TV3"));
  }
  void CopyFolder(const std::string& name, const std::string& bytes) {
    Write(SetDir("kopie.001/" + name), bytes);
    Write(SetDir("kopie.001/__TAVONA.001"), "1234 P TAVONA\r\n");
  }
  bool Restore() {
    answers = {true};
    RunRestore([&](backup::TfGlobKop& w) { RestoreCopy(w, 1); });
    return SaidSomething("Obnova dat z čísla kopie 001 je OK");
  }
};

TEST_F(LeftCopies, RestoreBackupAndDocumentCopyPutTheCopyBackFirstOrLeaveTheFile) {
  const auto sync = [this] { return backup::SyncDocumentFolders({Data(), Copy()}).failed == 0; };
  const std::vector<leftcopy::Step> steps = {
      {"Obnova dat", Data("a.dta"), "AAAA record", [&] { CopyFolder("a.dta", "from the copy"); }, [&] { return Restore(); },
       {Data("a.dta")}, ", obnova dat neproběhla"_cz, "HALF", "",
       "Soubor "_cz + "C:\\APP\\DATA\\F1\\a.dta" + " je otevřen na jiné stanici, obnova dat neproběhla"_cz},
      // A copy that cannot go back keeps the file out of the backup, and the copy itself too.
      {"Kopie dat", Data("a.dta"), "AAAA record", [] {},
       [&] {
         RunBackup();
         return !SaidSomething("není úplná");
       },
       {SetDir("kopie.001/a.dta"), SetDir("kopie.001/.~a.dta.rollback")}, ", kopie dat ho nebude obsahovat"_cz, "HALF", "",
       "", true},
      {"Kopie dokladů ven", Data("a.dta"), "AAAA record", [&] { fs::create_directories(Copy()); }, sync, {Copy("a.dta")},
       ", soubor se nekopíruje"_cz, "HALF", "", "", true},
      {"Kopie dokladů zpět", Data("a.dta"), "AAAA record", [&] { Write(Copy("a.dta"), "newer in the tree", 4'000'000'000); },
       sync, {Data("a.dta")}, ", soubor se nekopíruje"_cz},
  };
  for (const leftcopy::Step& s : steps) leftcopy::Check(s, notes, [this] { Fresh(); });
}

// A copy an older program carried into a backup is never moved into the data folder;
// one that cannot be used keeps its file from being restored half, and is named.
TEST_F(LeftCopies, ARollbackCopyInABackupIsNotRestored) {
  Write(Data("a.dta"), "AAAA record");
  CopyFolder("a.dta", "from the copy");
  Write(SetDir("kopie.001/.~a.dta.rollback"), "RBCOPY02 of a step that was under way");
  EXPECT_FALSE(Restore()) << ::testing::PrintToString(Messages());
  EXPECT_EQ(Read(Data("a.dta")), "AAAA record");
  EXPECT_FALSE(Exists(Data(".~a.dta.rollback")));
  const std::vector<std::string> said = Messages();
  EXPECT_TRUE(std::any_of(said.begin(), said.end(), [](const std::string& m) {
    return m.find(".~a.dta.rollback") != std::string::npos && m.ends_with(", obnova dat neproběhla");
  })) << ::testing::PrintToString(said);
}

// An older program's backup taken while an import into org.dta was unfinished: org.dta
// half imported, its rollback copy, and podily.dta the import wrote too.
class CarriedCopies : public LeftCopies {
 protected:
  static constexpr std::uint64_t kRecord = 20;
  const std::string orgBefore = Records("P", 3), podilyBefore = Records("S", 2);
  const std::string imported = Records("N", 4), share = Records("T", 1);
  static std::string Records(const std::string& tag, int n) {
    std::string out;
    for (int i = 1; i <= n; ++i) {
      std::string r = tag + std::to_string(i) + " record";
      out += r.append(kRecord - r.size(), ' ');
    }
    return out;
  }
  std::string CopyWin(const std::string& name) const { return "C:\\tv3\\DATA\\F1\\TAVONA\\kopie.001\\" + name; }
  // The import in the copy folder: record 1 rewritten, the records appended to org.dta and
  // a share appended to podily.dta; killed before its end, or finished with its copy left.
  void Import(bool finished) {
    CopyFolder("org.dta", orgBefore);
    Write(SetDir("kopie.001/podily.dta"), podilyBefore);
    common::FaultFileSystem faults;
    common::ScopedFileSystem scoped(faults);
    common::File f;
    ASSERT_EQ(f.Open(CopyWin("org.dta"), common::kModeReadWrite), 0);
    common::StepPlan plan;
    plan.appends = {kRecord, imported, std::string(imported.size(), ' ')};
    plan.also.push_back({CopyWin("podily.dta"), {kRecord, share, std::string(share.size(), ' ')}});
    common::InPlaceRewrite step;
    ASSERT_EQ(step.Begin(f, 0, kRecord, plan), 0);
    ASSERT_EQ(f.WriteAt(0, "CHANGED", 7), 0);
    ASSERT_EQ(f.WriteAt(orgBefore.size(), imported.data(), imported.size()), 0);
    common::File p;
    ASSERT_EQ(p.Open(CopyWin("podily.dta"), common::kModeReadWrite), 0);
    ASSERT_EQ(p.WriteAt(podilyBefore.size(), share.data(), share.size()), 0);
    if (finished) {
      // Marked finished, but the copy could not be erased.
      faults.Fail(common::FsOp::Unlink, EIO, ".rollback");
      ASSERT_EQ(step.Finish(), 0);
    } else {
      // Killed: not even the take-back reaches the disk.
      faults.DieAt(common::FsOp::Read, {".rollback", "org.dta", "podily.dta"}, 0);
    }
  }
};

TEST_F(CarriedCopies, AnUnfinishedCopyTakesItsFilesBackAFinishedOneIsDroppedAnUnusableOneRefused) {
  const std::string orgNew = "CHANGED" + orgBefore.substr(7) + imported, podilyNew = podilyBefore + share;
  const std::string ok = "Obnova dat z čísla kopie 001 je OK";
  const std::string takenBack = ok + ". Soubor org.dta byl vrácen do stavu před nedokončeným přepisem, s ním i soubor podily.dta";
  const std::string refused = "Soubor org.dta z kopie 001 má nedokončený přepis, který nelze vrátit (kopie .~org.dta.rollback";
  struct Row {
    std::string name;
    bool finished;
    std::function<void()> spoil;  // after the import
    std::string org, podily;      // the data folder after the restore ("": as before it)
    std::string said;             // the whole message of a restore that went through, or part of a refusal
  } rows[] = {
      {"unfinished", false, [] {}, orgBefore, podilyBefore, takenBack},
      {"unfinished, the file named in capitals", false,
       [&] { fs::rename(SetDir("kopie.001/org.dta"), SetDir("kopie.001/ORG.DTA")); }, orgBefore, podilyBefore, takenBack},
      {"finished", true, [] {}, orgNew, podilyNew, ok},
      {"damaged", false,
       [&] {
         const std::string copy = Read(SetDir("kopie.001/.~org.dta.rollback"));
         Write(SetDir("kopie.001/.~org.dta.rollback"), copy.substr(0, copy.size() - 5));
       },
       "", "", refused + " je poškozena), obnova dat neproběhla"},
      {"its file missing", false, [&] { fs::remove(SetDir("kopie.001/org.dta")); }, "", "",
       refused + ", soubor v kopii chybí), obnova dat neproběhla"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Fresh();
    Import(r.finished);
    r.spoil();
    ASSERT_TRUE(Exists(SetDir("kopie.001/.~org.dta.rollback")));
    Write(Data("org.dta"), "current org");
    Write(Data("podily.dta"), "current shares");
    notes.calls.clear();
    const bool done = Restore();
    EXPECT_EQ(done, !r.org.empty());
    EXPECT_EQ(Read(Data("org.dta")), r.org.empty() ? "current org" : r.org);
    EXPECT_EQ(Read(Data("podily.dta")), r.podily.empty() ? "current shares" : r.podily);
    EXPECT_FALSE(Exists(Data(".~org.dta.rollback")));
    if (done) {
      EXPECT_EQ(Messages(), std::vector<std::string>{r.said});
    } else {
      EXPECT_TRUE(SaidSomething(r.said)) << ::testing::PrintToString(Messages());
      for (const auto& n : Names(Data())) EXPECT_NE(n.rfind("obnova.", 0), 0u) << n;
    }
  }
}

}  // namespace
