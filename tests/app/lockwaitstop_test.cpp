// Another workstation holds the file a step locks: Esc at the wait notice leaves the
// step undone (said, naming the file, every file byte for byte as before); the
// "ignore protection" answer goes on without the lock.
#include <filesystem>
#include <functional>
#include <map>
#include <gtest/gtest.h>

#include "app/codelistmenu.h"
#include "codelists/cashflow.h"
#include "codelists/ownbanks.h"
#include "combined/ci01sort.h"
#include "combined/ci2005.h"
#include "combined/fci92.h"
#include "combined/form2.h"
#include "combined/pieces.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/recfile.h"
#include "payroll/supplements.h"
#include "tests/codelists/codelistkit.h"
#include "tests/common/processes.h"

namespace {

using common::Cz;

class LockWaitStop : public soubtest::SoubTest {
 protected:
  static std::string Rec(const char* ts, const char* klic, const char* u1) {
    combined::Ci01Record r = combined::Ci01Record::Blank();
    r.ts = ts;
    r.klic = klic;
    r.p = "3";
    r.cv = "00";
    r.u[0] = u1;
    r.date = "200101";
    return r.Bytes();
  }
  // Every file of the data folder but the lock table, by name, with its bytes.
  std::map<std::string, std::string> DataFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir / "data"))
      if (e.is_regular_file() && e.path().filename() != common::kLockTableName)
        files[e.path().filename().string()] = ostest::ReadRaw(e.path().string());
    return files;
  }
};

TEST_F(LockWaitStop, EscAtTheWaitDoesNothingAndSaysSoIgnoringGoesOn) {
  const std::string unsorted = Rec("20", "000002", "druhy") + Rec("20", "000001", "prvni");
  const std::string sorted = Rec("20", "000001", "prvni") + Rec("20", "000002", "druhy");
  const std::string ci29 = cltest::MakeRecord(codelists::Cis29Spec(), {{1, "020"}}) +
                           cltest::MakeRecord(codelists::Cis29Spec(), {{1, "010"}});
  std::string opened;  // what the record file's opening read
  std::string oldBanks(codelists::kOldBankKodyLength, ' ');
  oldBanks[76] = 12;  // the old layout's IBAN heading
  std::string supplements;
  {
    WriteData("PrDod.DTA", "");
    payroll::TfPrDod& w = payroll::fPrDod();
    w.SetupPrDod();
    supplements = w.BlankRecord + w.BlankRecord;
    w.CloseBrowse();
  }
  const struct Row {
    const char* what;
    std::string held;  // the file the other workstation holds
    const char* kind;  // its lock: "W", or "" for a reader
    std::function<void()> run;
    bool ignorable;    // the ignore row runs too: `after` holds the files it changes
    std::map<std::string, std::string> after;
  } rows[] = {
      {"sort of CI01.DTA", "CI01.DTA", "W", [&] { (void)combined::SortCombinedFile(DataPath("CI01.DTA")); }, true,
       {{"CI01.DTA", sorted}}},
      {"split of CI01.DTA", "CI01.DTA", "W", [&] { EXPECT_FALSE(combined::fCI92().SplitCodeLists()); }, false, {}},
      {"assembly into CI01.DTA", "CI01.DTA", "W", [&] { EXPECT_FALSE(combined::fCI92().AssembleCodeLists()); }, false,
       {}},
      {"update of the code lists", combined::kCodeListUpdateLock, "W", [&] { combined::fForm2().Button1Click(); },
       false, {}},
      {"move of the old pieces", combined::kCodeListUpdateLock, "W", [&] { app::MigrateCombinedCodeLists(); }, false,
       {}},
      {"edit of CI01.DTA", combined::kCodeListUpdateLock, "W", [&] { combined::fForm2().Button4Click(); }, false, {}},
      {"sort of CI29.dta", "CI29.dta", "",
       [&] {
         codelists::TfCis29 w;
         codelists::SetupCis29(w);
         EXPECT_FALSE(codelists::SortCis29(w));
         w.CloseBrowse();
       },
       false, {}},
      {"conversion of bako.dta", "bako.dta", "W", [&] { EXPECT_FALSE(codelists::ConvertOldBankKody()); }, false, {}},
      {"sort of PrDod.DTA", "PrDod.DTA", "",
       [&] {
         payroll::TfPrDod& w = payroll::fPrDod();
         w.SetupPrDod();
         EXPECT_FALSE(w.Sort(1));
         w.CloseBrowse();
       },
       false, {}},
      {"record file for writing", "VYBER.DTA", "W",
       [&] {
         common::tRecFile h;
         if (!common::OpenRecFile(h, "VYBER.DTA", "O", 4)) return;
         common::WriteRec(h, "ABCD");
         common::CloseRecFile(h);
       },
       true, {{"CI01.DTA", unsorted}, {"VYBER.DTA", "ABCD"}}},
      {"record file for reading", "VYBER.DTA", "W",
       [&] {
         common::tRecFile h;
         if (!common::OpenRecFile(h, "VYBER.DTA", "I", 4)) return;
         opened.assign(4, '\0');
         common::ReadRec(h, opened.data());
         common::CloseRecFile(h);
       },
       false, {}},
  };
  for (const Row& r : rows) {
    for (const bool esc : {true, false}) {
      if (!esc && !r.ignorable) continue;
      SCOPED_TRACE(std::string(r.what) + (esc ? ": Esc" : ": ignore protection"));
      for (const auto& e : std::filesystem::directory_iterator(dir / "data")) std::filesystem::remove_all(e.path());
      WriteData("CI01.DTA", unsorted);
      WriteData("CI29.dta", ci29);
      WriteData("VYBER.DTA", "WXYZ");
      WriteData("bako.dta", oldBanks);
      WriteData("ci.10", "a piece of the old panel");
      WriteData("PrDod.DTA", supplements);
      const auto before = DataFiles();
      opened.clear();
      notes.calls.clear();
      edit.shown = 0;
      ostest::LockHeldByOther other(DataPath(r.held), r.kind);
      ASSERT_TRUE(other.held());
      (esc ? notes.stopAnswer : notes.ignoreAnswer) = true;
      r.run();
      notes.stopAnswer = notes.ignoreAnswer = false;
      EXPECT_EQ(other.Release(), 0);
      EXPECT_GE(notes.Count(common::RecordingNotifier::Kind::LockWait), 1) << notes.Dump();
      if (esc) {
        const std::string name = common::StripRightSp(common::LockName(DataPath(r.held)));
        EXPECT_EQ(Messages(), std::vector<std::string>{Cz("Čekání na uvolnění ") + name +
                                                       Cz(" bylo přerušeno, nic se neprovedlo")})
            << notes.Dump();
        EXPECT_EQ(DataFiles(), before);
        EXPECT_EQ(edit.shown, 0);
        EXPECT_EQ(opened, "");
      } else {
        EXPECT_EQ(Messages(), std::vector<std::string>{}) << notes.Dump();
        auto after = r.after;
        after.insert({"CI29.dta", ci29});
        after.insert({"VYBER.DTA", "WXYZ"});
        after.insert({"bako.dta", oldBanks});
        after.insert({"ci.10", "a piece of the old panel"});
        after.insert({"PrDod.DTA", supplements});
        auto files = DataFiles();
        files.erase("PROTOKOL.PRT");  // the run's own log of the record file's opening
        EXPECT_EQ(files, after);
      }
    }
  }
}

}  // namespace
