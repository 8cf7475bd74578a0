// The window table and the program's run on the headless back end.
#include <gtest/gtest.h>

#include "app/form1.h"
#include "app/program.h"
#include "app/windowtable.h"
#include "backup/pending.h"
#include "browser/choosers/foto.h"
#include "browser/choosers/inout.h"
#include "browser/kalk.h"
#include "browser/okno.h"
#include "browser/parsys.h"
#include "browser/vyber.h"
#include "codelists/lists.h"
#include "combined/ci2005.h"
#include "combined/ciwindows.h"
#include "combined/form2.h"
#include "common/session.h"
#include "common/startup.h"
#include "tests/app/appkit.h"

namespace {

using apptest::AppTest;

TEST_F(AppTest, TableCreatesEveryWindowInOrderMainFirst) {
  common::LoadStartupConfig();
  app::WindowTable table;
  std::vector<int> rows;
  bool activatedEarly = false;
  table.onCreated = [&](int row, ui::Form&) {
    rows.push_back(row);
    activatedEarly |= !table.Main().FirstActivation;
  };
  table.CreateAll();
  ASSERT_EQ(table.created().size(), 110u);
  EXPECT_EQ(table.created().front(), "TForm1");
  EXPECT_EQ(table.created()[74], "TfClient");
  EXPECT_EQ(table.created().back(), "TfRZproJH");
  EXPECT_EQ(rows.size(), 109u);  // every row but the client has a window
  EXPECT_EQ(rows.front(), 1);
  EXPECT_FALSE(activatedEarly);
  EXPECT_EQ(table.At(1), &table.Main());
  EXPECT_EQ(table.At(75), nullptr);
  // The built dialogs are their single instances; two report viewers, two partner windows.
  EXPECT_EQ(table.Find("TfKalk"), &browser::fKalk());
  EXPECT_EQ(table.Find("TfVyber"), &browser::fVyber());
  EXPECT_EQ(table.Find("TfParSys"), &browser::fParSys());
  EXPECT_EQ(table.Find("TfInOut"), &browser::fInOut());
  EXPECT_EQ(table.Find("TfFoto"), &browser::fFoto());
  EXPECT_NE(dynamic_cast<browser::TfOkno*>(table.At(16)), nullptr);
  ASSERT_NE(table.At(7), nullptr);
  EXPECT_NE(table.At(7), table.At(8));
  EXPECT_EQ(table.At(11)->name(), "fOrg");
  EXPECT_EQ(table.At(12)->name(), "fOrg2");
  // The code-list and combined code-list file's windows are theirs.
  EXPECT_EQ(table.Find("TfCis36"), &codelists::fCis36());
  EXPECT_EQ(table.Find("TfCi2005"), &combined::fCi2005());
  EXPECT_EQ(table.Find("TForm2"), &combined::fForm2());
  EXPECT_EQ(table.Find("TfCi30"), &combined::fCiPiece(30));
  EXPECT_EQ(table.At(9), &combined::fCiPiece(30));
  EXPECT_NE(dynamic_cast<app::TfNotBuilt*>(table.Find("TfCi26")), nullptr);
  EXPECT_THROW(table.CreateAll(), std::logic_error);
}

TEST_F(AppTest, StubWindowShowsTheNoticeWithoutShowingItself) {
  app::WindowTable table;
  table.CreateAll();
  auto* stub = dynamic_cast<app::TfNotBuilt*>(table.Find("TfCis77"));
  ASSERT_NE(stub, nullptr);
  EXPECT_EQ(stub->caption(), "TfCis77");
  stub->Open();
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_NE(backend.messages()[0].text.find("TfCis77"), std::string::npos);
  EXPECT_FALSE(stub->visible());
}

TEST_F(AppTest, ProgramRunsStartUpThenTheMainWindow) {
  // A restore a killed run left to finish is finished before the windows see the data.
  const std::string staging = dir / "data/obnova.killed01";
  ostest::WriteRaw(staging + "/data/new.dta", "restored");
  ostest::WriteRaw(staging + "/journal", backup::JournalText({"data", {"old.dta"}, {"new.dta"}, false, "Obnova"}));
  ostest::WriteRaw(dir / "data/old.dta", "old");
  std::string caption;
  int exitStatus = app::RunProgram({}, [&](app::WindowTable& w) {
    EXPECT_EQ(ostest::ReadRaw(dir / "data/new.dta"), "restored");
    EXPECT_FALSE(std::filesystem::exists(dir / "data/old.dta"));
    EXPECT_FALSE(std::filesystem::exists(staging));
    EXPECT_EQ(common::CurrentSession().CurrentUser, "01");
    EXPECT_EQ(w.created().size(), 110u);
    EXPECT_TRUE(w.Main().FirstActivation);
    w.Main().onShow = [&](ui::Form& f) { caption = f.caption(); };
    w.Main().services.userSlotTaken = [] { return false; };
  });
  EXPECT_EQ(exitStatus, 0);
  EXPECT_EQ(caption, "TAVONA");  // shown first, then activated
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(std::filesystem::exists(dir / "data/UZIVATEL.tab"));
}

}  // namespace
