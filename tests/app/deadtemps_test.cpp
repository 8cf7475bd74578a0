// A step killed while it replaced a file whole leaves its temporary beside the file; the
// next run of the step clears it. A living writer's temporary, and a user's file named
// like one, stay.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/cicopy.h"
#include "backup/globkop.h"
#include "codelists/cis60.h"
#include "codelists/csvregs.h"
#include "combined/fci92.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/session.h"
#include "common/winpath.h"
#include "tests/app/appkit.h"
#include "tests/codelists/ci01kit.h"
#include "tests/codelists/codelistkit.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class DeadTemps : public apptest::AppTest {
 protected:
  ~DeadTemps() override { common::Drives() = common::DriveMap(); }
  fs::path D(const std::string& name) const { return fs::path(dir / "data") / name; }
  fs::path P(const std::string& name) const { return fs::path(dir / "prog") / name; }

  // The backup works on a data folder of a drive: C is <tmp>/c, the data C:\APP\DATA\F1\.
  void UseDriveC() {
    common::Drives().Set("C", dir / "c");
    common::CurrentSession().DataDirPath = "C:\\APP\\DATA\\F1\\";
    fs::create_directories(dir / "c/APP/DATA/F1");
    fs::create_directories(dir / "c/PROG/2");
    ostest::WriteRaw(dir / "c/APP/DATA/F1/a.dta", "AAAA");
    ostest::WriteRaw(dir / "c/APP/DATA/F1/master.job", std::string(common::kJobFileSize, '\0'));
    common::CurrentSession().ProgDirPath = "C:\\PROG\\";
  }
  void Backup() {
    backend.OnModal("fBlik", [this](ui::Form&) { backend.Advance(5000); });
    backend.AnswerNextModal([this](ui::Form& f) {
      auto& w = static_cast<backup::TfGlobKop&>(f);
      backend.Focus(w.ComboDisk);
      w.ComboDisk.UserSetText("C");
      backend.ChooseItem(w.ComboKomprese, 1);
      backend.Click(w.bKopiruj);
    });
    backup::OpenGlobKop();
  }
};

struct Row {
  std::string name;
  std::function<fs::path()> arrange;  // the step's files; the target's real path
  std::function<void()> run;          // the step's next run
};

TEST_F(DeadTemps, TheNextRunOfAStepClearsWhatItsKilledRunLeft) {
  MakeMain();
  const std::vector<Row> rows = {
      {"Sestavení CI01",
       [&] {
         ostest::WriteRaw(D("CI01.DTA"), cltest::Joined({cltest::Ci01("30", "x12345", "5", "00", {"Vyroba"}),
                                                         cltest::Ci01Other()}));
         EXPECT_TRUE(combined::fCI92().SplitCodeLists());
         return D("CI01.DTA");
       },
       [] { EXPECT_TRUE(combined::fCI92().AssembleCodeLists()); }},
      {"Nacti z CSV",
       [&] {
         ostest::WriteRaw(P("2/ZEME.dta"), "");
         ostest::WriteRaw(dir / "zeme.csv", "1\n2\n3\nx;CZ;x;x;Česko\nx;SK;x;x;Slovensko\n");
         return P("2/ZEME.dta");
       },
       [&] {
         codelists::TfZeme& z = codelists::fZeme();
         codelists::SetupZeme(z);
         EXPECT_EQ(z.ImportCsv(dir / "zeme.csv"), 2);
         z.CloseBrowse();
       }},
      {"Obnova číselníku",
       [&] {
         ostest::WriteRaw(D("CI10.DTA"), "old");
         ostest::WriteRaw(dir / "out/CI10.DTA", "new");
         return D("CI10.DTA");
       },
       [&] { EXPECT_EQ(app::RestoreCodeListFiles({"CI10.DTA"}, dir / "out/", main->ProgressBar1), 0); }},
      {"CI6160",
       [&] {
         ostest::WriteRaw(P("ci/ci60.dta"), cltest::MakeRecord(codelists::Cis60Spec(), {{1, "150"}}));
         ostest::WriteRaw(D("CI61.DTA"), cltest::MakeRecord(codelists::Cis61Spec(), {{1, "150"}}));
         ostest::WriteRaw(D("CI60.dta"), cltest::MakeRecord(codelists::Cis60Spec(), {{1, "999"}}));
         common::WriteParam("par\\okna2.par", "fCis60 Gridy", "");
         common::FlushParams();
         return fs::path(dir / "par/okna2.par");
       },
       [&] {
         main.reset();
         MakeMain({"CI6160"}).Show();
         EXPECT_EQ(main->ExitStatus, 0);
         common::FlushParams();  // the end of the run
       }},
      {"Záloha",
       [&] {
         UseDriveC();
         Backup();  // copy 001 (the killed run's side file is said below)
         fs::remove(dir / "c/tv3/DATA/F1/TAVONA/kopie.001.adr");
         return fs::path(dir / "c/tv3/DATA/F1/TAVONA/kopie.001.adr");
       },
       [&] {
         Backup();
         EXPECT_TRUE(fs::exists(dir / "c/tv3/DATA/F1/TAVONA/kopie.002.adr"));
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::create_directories(dir / "out");
    fs::create_directories(P("2"));
    const fs::path target = row.arrange();
    const fs::path folder = target.parent_path();
    const std::string base = target.filename().string();
    const fs::path dead = folder / common::ReplacementTempName(base, 4711, 0, 99);
    const fs::path user = folder / (".~" + base + ".~tmp4711-0-99-00000000");  // no check of ours
    const fs::path living = folder / common::ReplacementTempName(base, 4712, 1, 7);
    ostest::WriteRaw(dead, "half");
    ostest::WriteRaw(user, "the user's");
    ostest::WriteRaw(living, "at work");
    common::File writer;
    ASSERT_EQ(writer.OpenReal(living, common::kModeExclusive), 0);
    common::CurrentSession().ReplacementTemps.clear();  // the step's next run
    notes.calls.clear();
    row.run();
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_EQ(ostest::ReadRaw(user), "the user's");
    EXPECT_EQ(ostest::ReadRaw(living), "at work");
    writer.Close();
  }
}

}  // namespace
