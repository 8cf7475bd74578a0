// A rollback copy a killed step left beside a data file: the restore, the backup and
// the document copy put it back before they replace or carry the file, or leave the
// file as it is and say why; a copy carried by an older backup is never restored.
#include <algorithm>
#include <filesystem>

#include "backup/doccopy.h"
#include "common/encoding.h"
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

// A copy an older program carried into a backup is no step of the restored data: one
// that cannot be used keeps its file from being restored half, and is named.
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

}  // namespace
