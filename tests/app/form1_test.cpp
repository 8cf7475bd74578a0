// The main window driven headless: the first activation, the companion watch, the
// lock-server mode, the command line, the keys and the mouse gesture, the button
// mask, the "Tisky" loop and the way out with windows still open.
#include <gtest/gtest.h>
#include <signal.h>

#include "app/ending.h"
#include "app/form1.h"
#include "app/program.h"
#include "common/osfile.h"
#include "common/pascal.h"
#include "partners/org.h"
#include "partners/orgservices.h"
#include "browser/dialogs.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/fottab.h"
#include "common/locking.h"
#include "common/params.h"
#include "common/session.h"
#include "common/lockclient.h"
#include "common/startup.h"
#include "common/usertab.h"
#include "browser/rol.h"
#include "codelists/registers.h"
#include "combined/form2.h"
#include "tests/app/appkit.h"

#include "reports/spool.h"
#include "reports/spoolexc.h"
#include "ui/handlers.h"
#include "ui/keys.h"

namespace {

using namespace common::literals;
using apptest::AppTest;
using apptest::CountingBrowse;

const std::string kLeft = "Program \"Číselníky\" byl opuštěn programem TAVONA"_cz;

TEST_F(AppTest, FirstActivationSetsCaptionAndLanguage) {
  app::TForm1& f = Open();
  EXPECT_EQ(f.caption(), "TAVONA 01");
  EXPECT_EQ(f.lJazyk.text(), "Platí: CZ"_cz);
  EXPECT_TRUE(f.lJazyk.visible());
  EXPECT_FALSE(f.FirstActivation);
  EXPECT_TRUE(f.Timer1.enabled());
  EXPECT_EQ(f.activeControl(), &f.bAktCi);

  // A later activation (back from a modal window) changes neither.
  common::WriteParam(common::DataDir("jazyk.dta"), "Rec", "AN");
  common::CurrentSession().CurrentUser = "07";
  browser::TfRol other("fOther");
  backend.OnModal("fOther", [](ui::Form& w) { w.SetModalResult(ui::mr::Cancel); });
  other.ShowModal();
  EXPECT_EQ(f.caption(), "TAVONA 01");
  EXPECT_EQ(f.lJazyk.text(), "Platí: CZ"_cz);
}

TEST_F(AppTest, LanguageLabelFromJazykDta) {
  struct Case {
    const char* stored;  // nullptr: no file
    std::string shown;
  };
  const Case cases[] = {{nullptr, "Platí: CZ"_cz}, {"A", "Platí: A "_cz}, {"AN", "Platí: AN"_cz},
                        {"  ", "Platí: CZ"_cz}, {"NEMECKY", "Platí: NE"_cz}};
  for (const Case& c : cases) {
    common::ResetSession();
    std::filesystem::remove(dir / "data/jazyk.dta");
    if (c.stored) ostest::WriteRaw(dir / "data/jazyk.dta", std::string("Rec : ") + c.stored + "\r\n");
    EXPECT_EQ(Open().lJazyk.text(), c.shown) << (c.stored ? c.stored : "(none)");
  }
}

TEST_F(AppTest, LabelHiddenWithTheLanguageButtonForbidden) {
  // Mask position 14 is bJazyk.
  ostest::WriteRaw(dir / "par/VYBER.PAR", "Opis obchodních partnerů"_cz + " : " + std::string(13, ' ') + "-\r\n");
  app::TForm1& f = Open();
  EXPECT_FALSE(f.bJazyk.enabled());
  EXPECT_FALSE(f.lJazyk.visible());
}

TEST_F(AppTest, WithoutStartFolderJobThereIsNoUser) {
  std::filesystem::remove(dir / "master.job");
  app::TForm1& f = Open();
  EXPECT_EQ(f.caption(), "TAVONA ");
  Ticks(5);
  EXPECT_TRUE(f.visible());
}

TEST_F(AppTest, WatchNeedsThreeTakenReadingsInARow) {
  answers = {true, true, false, true, true};
  app::TForm1& f = Open();
  Ticks(5);
  EXPECT_EQ(asked, 5);
  EXPECT_TRUE(f.visible());
  EXPECT_EQ(common::CurrentSession().UserWatchCount, 2);
  EXPECT_TRUE(Boxes().empty());

  answers.push_back(true);  // the third in a row
  Ticks(1);
  EXPECT_FALSE(f.visible());
  EXPECT_EQ(Boxes(), std::vector<std::string>{kLeft});
  EXPECT_EQ(notes.Count(common::RecordingNotifier::Kind::BeepMessage), 1);
  EXPECT_EQ(closes, 1);
  Ticks(3);
  EXPECT_EQ(asked, 6);  // no tick after the close
}

TEST_F(AppTest, WatchClosesAfterThreeTicks) {
  answers = {true, true, true};
  app::TForm1& f = Open();
  Ticks(2);
  EXPECT_TRUE(f.visible());
  Ticks(1);
  EXPECT_FALSE(f.visible());
  EXPECT_TRUE(f.closed());
}

TEST_F(AppTest, MissingUserTableIsRecreatedAndTheWatchStaysQuiet) {
  common::LoadStartupConfig();
  app::TForm1 f;  // the real watch
  f.Show();
  ASSERT_TRUE(std::filesystem::exists(dir / "data/UZIVATEL.tab"));
  Ticks(1);
  std::filesystem::remove(dir / "data/UZIVATEL.tab");
  Ticks(5);
  const std::string table = ostest::ReadRaw(dir / "data/UZIVATEL.tab");
  ASSERT_EQ(table.size(), 200u);
  EXPECT_EQ(table[2], 99);
  EXPECT_TRUE(f.visible());
  EXPECT_EQ(common::CurrentSession().UserWatchCount, 0);
}

TEST_F(AppTest, SlotFreedByTheMainProgramEndsTheRun) {
  common::LoadStartupConfig();
  app::TForm1 f;
  f.Show();
  Ticks(1);
  ASSERT_EQ(common::WriteUserTabEntry(common::CurrentSession(), 1, 0), 0);
  Ticks(2);
  EXPECT_TRUE(f.visible());
  Ticks(1);
  EXPECT_FALSE(f.visible());
  EXPECT_EQ(Boxes(), std::vector<std::string>{kLeft});
}

TEST_F(AppTest, LockServerModeConnectsAndNeverWatches) {
  WriteStartJob();
  ostest::WriteRaw(dir / "data/master.job", "");
  common::LoadStartupConfig();
  common::CurrentSession().LockServerName = "127.0.0.1";
  int connects = 0, keepAlives = 0;
  answers = {true, true, true, true};
  main = std::make_unique<app::TForm1>();
  main->services.userSlotTaken = [&] { return ++asked, true; };
  main->services.connectLockServer = [&](common::Session&) { return ++connects, 0; };
  main->services.keepAlive = [&] { ++keepAlives; };
  main->Show();
  EXPECT_EQ(connects, 1);
  EXPECT_EQ(main->lJazyk.text(), "Platí: CZ"_cz);
  Ticks(6);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(keepAlives, 1);
  EXPECT_TRUE(main->visible());
}

TEST_F(AppTest, FailedConnectionEndsTheProgramBeforeTheLanguage) {
  common::LoadStartupConfig();
  common::CurrentSession().LockServerName = "127.0.0.1";
  main = std::make_unique<app::TForm1>(std::vector<std::string>{"CI6160"});
  int merges = 0;
  app::MergeCi60Hook() = [&] { return ++merges, true; };
  main->services.connectLockServer = [](common::Session&) { return 99; };
  main->Show();
  EXPECT_FALSE(main->visible());
  EXPECT_EQ(main->LockServerResult, 99);
  EXPECT_EQ(main->lJazyk.text(), "CZ");
  EXPECT_EQ(merges, 0);
  EXPECT_EQ(closes, 1);
}

TEST_F(AppTest, ConnectionFailureShowsTheServerMessages) {
  // The real connect on a port nobody listens on: 5050 of a reserved test address.
  common::LoadStartupConfig();
  common::CurrentSession().LockServerName = "192.0.2.1";
  common::LockServerClient client;
  common::LockServerClient::Timing t;
  t.connectTimeoutMs = 50;
  client.SetTiming(t);
  common::ScopedLockClient scoped(client);
  main = std::make_unique<app::TForm1>();
  main->Show();
  EXPECT_FALSE(main->visible());
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].rfind("Err", 0), 0u);
  EXPECT_EQ(boxes[1], "Server TAVONA není spuštěn, obraťte se na správce sítě."_cz);
}

TEST_F(AppTest, CommandLineRebuildRunsOnlyForExactlyCI6160) {
  struct Case {
    std::vector<std::string> args;
    bool runs;
  };
  const Case cases[] = {{{"CI6160"}, true}, {{"ci6160"}, false}, {{"CI6160", "x"}, false}, {{}, false}};
  for (const Case& c : cases) {
    common::ResetSession();
    int merges = 0;
    app::MergeCi60Hook() = [&] { return ++merges, true; };
    app::TForm1& f = Open(c.args);
    EXPECT_EQ(merges, c.runs ? 1 : 0) << c.args.size();
    EXPECT_EQ(f.visible(), !c.runs);
    main.reset();
  }
}

TEST_F(AppTest, EscClosesOnceAndFlushesTheParameterCache) {
  app::CloseCodeListFormsHook() = nullptr;  // the real close: the cache reaches the disk
  app::TForm1& f = Open();
  common::WriteParam("sys.par", "KLIC", "HODNOTA");
  ASSERT_FALSE(std::filesystem::exists(dir / "sys.par"));
  backend.Press(ui::vk::Esc);
  EXPECT_FALSE(f.visible());
  EXPECT_TRUE(f.closed());
  EXPECT_NE(ostest::ReadRaw(dir / "sys.par").find("KLIC : HODNOTA"), std::string::npos);
  common::WriteParam("sys.par", "KLIC", "JINA");
  f.FormClose();  // a second close does nothing
  f.Close();
  common::ResetSession();
  EXPECT_EQ(common::ReadParam("sys.par", "KLIC"), "HODNOTA");
}

TEST_F(AppTest, FullDiskAtTheCloseIsReportedAndTheChangeKept) {
  app::CloseCodeListFormsHook() = nullptr;
  app::TForm1& f = Open();
  common::WriteParam("sys.par", "KLIC", "HODNOTA");
  common::FaultFileSystem faults;
  common::ScopedFileSystem scoped(faults);
  faults.SetDiskSpace(0);
  backend.Press(ui::vk::Esc);
  EXPECT_FALSE(f.visible());
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("Uz: 01 pise soubor: ", 0), 0u) << boxes[0];
  EXPECT_NE(boxes[0].find("sys.par err"), std::string::npos) << boxes[0];
  EXPECT_EQ(common::ReadParam("sys.par", "KLIC"), "HODNOTA");  // still in the cache
}

// What a window's opener left locked (it returned early, or threw, after taking the
// lock) stays until the end-of-run close releases it; Esc's close releases all of it.
TEST_F(AppTest, TheCloseReleasesTheLocksOpenersLeft) {
  app::TForm1& f = Open();
  const auto entries = [&] {
    int n = 0;
    const common::FotTable t = common::FotTable::Decode(ostest::ReadRaw(dir / "data/FOT.tab"));
    for (int i = 1; i <= common::FotTable::kEntries; ++i) n += t.at(i).Free() ? 0 : 1;
    return n;
  };
  f.RunAction([] { (void)common::LockFile(common::DataDir("CI36.DTA"), "W"); });
  f.RunAction([] {
    EXPECT_FALSE(ui::RunHandler([] {
      (void)common::LockFile(common::DataDir("CI15.DTA"), "");
      throw std::runtime_error("opener failed");
    }));
  });
  ASSERT_EQ(entries(), 2);
  ASSERT_EQ(common::CurrentSession().HeldLocks.size(), 2u);
  backend.Press(ui::vk::Esc);
  EXPECT_FALSE(f.visible());
  EXPECT_EQ(entries(), 0);
  EXPECT_TRUE(common::CurrentSession().HeldLocks.empty());
  EXPECT_EQ(Boxes(), std::vector<std::string>{"opener failed"});
}

// A signal noted while start-up ran no loop (no poll saw it): the close that follows
// shows nothing; what it cannot release is written to standard error.
TEST_F(AppTest, ACloseAfterASignalNotedAtStartUpShowsNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        common::CurrentSession().HeldLocks.push_back(dir / "gone/CI36.DTA");
        app::InstallEndSignals();
        raise(SIGTERM);  // the first one is only noted
        app::EndOfRunClose();
        std::exit(Boxes().empty() && backend.messages().empty() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "CI36\\.DTA se nepoda");
}

TEST_F(AppTest, F1OpensTheHelp) {
  app::TForm1& f = Open();
  int helps = 0;
  f.services.showHelp = [&] { ++helps; };
  backend.Press(ui::vk::F(1));
  EXPECT_EQ(helps, 1);
  EXPECT_TRUE(f.visible());
}

TEST_F(AppTest, CtrlRightClickEditsTheButtonMask) {
  app::TForm1& f = Open();
  backend.RightClick(f, ui::Shift::Ctrl | ui::Shift::Shift);
  backend.RightClick(f, ui::Shift::Ctrl | ui::Shift::Double);  // the second press of a double click
  backend.RightClick(f, ui::Shift::None);
  EXPECT_TRUE(Modals().empty());
  backend.OnModal("fVolby", [](ui::Form& w) { w.SetModalResult(ui::mr::Cancel); });
  backend.RightClick(f, ui::Shift::Ctrl);
  EXPECT_EQ(Modals(), std::vector<std::string>{"fVolby"});
}

TEST_F(AppTest, ButtonMaskAppliedAtCreation) {
  // "-" first disables bOpisOrg; "x" second shows bSortOrg; past the mask the design holds.
  ostest::WriteRaw(dir / "par/VYBER.PAR", "Opis obchodních partnerů"_cz + " : -x\r\n");
  app::TForm1& f = MakeMain();
  EXPECT_FALSE(f.bOpisOrg.enabled());
  EXPECT_TRUE(f.bSortOrg.visible());
  EXPECT_TRUE(f.bSortOrg.enabled());
  EXPECT_FALSE(f.bStitky.enabled());
  EXPECT_FALSE(f.Button4.visible());
}

TEST_F(AppTest, DesignStatesAndGeometry) {
  app::TForm1& f = MakeMain();
  int usable = 0, disabled = 0, hidden = 0;
  const auto& controls = f.controls();
  std::vector<std::string> order;
  for (const auto& c : controls) {
    if (c->kind() != ui::ControlKind::Button) continue;
    order.push_back(c->name());
    if (!c->visible()) ++hidden;
    else if (!c->enabled()) ++disabled;
    else ++usable;
  }
  EXPECT_EQ(usable, 16);
  EXPECT_EQ(disabled, 2);
  EXPECT_EQ(hidden, 14);
  ASSERT_EQ(order.size(), 32u);
  EXPECT_EQ(order.front(), "bOpisOrg");
  EXPECT_EQ(order.back(), "bMZ_RZD");
  EXPECT_EQ(f.width(), 810);
  EXPECT_EQ(f.height(), 592);
  EXPECT_EQ(f.bAktCi.bounds(), (ui::Rect{4, 8, 227, 23}));
  EXPECT_EQ(f.bAktCi.font().size, 11);
  EXPECT_TRUE(f.bAktCi.font().bold);
  EXPECT_EQ(f.bOrvekOrg.font().name, "Fixedsys");
  EXPECT_EQ(f.bAktCi.tabOrder(), 0);
  EXPECT_EQ(f.bMZ_RZD.tabOrder(), 31);
  EXPECT_FALSE(f.Label1.visible());
  EXPECT_FALSE(f.ProgressBar1.visible());
}

TEST_F(AppTest, OldPanelOpensOnceTheMaskAllowsIt) {
  ostest::WriteRaw(dir / "par/VYBER.PAR", "Opis obchodních partnerů"_cz + " : " + std::string(9, 'x') + "\r\n");
  app::TForm1& f = Open();
  ASSERT_TRUE(f.bStaraAktCi.enabled());
  backend.OnModal("Form2", [](ui::Form& w) { w.SetModalResult(ui::mr::Cancel); });
  backend.Click(f.bStaraAktCi);
  EXPECT_EQ(Modals(), std::vector<std::string>{"Form2"});
  // The panel takes the account-added mark, which the first activation cleared.
  EXPECT_FALSE(combined::OldPanelHooks().takeAccountAddedMark());
  f.AccountAdded = true;
  EXPECT_TRUE(combined::OldPanelHooks().takeAccountAddedMark());
  EXPECT_FALSE(f.AccountAdded);
}

TEST_F(AppTest, ExciseTaxButtonOpensTheRatesAndClosesThem) {
  app::TForm1& f = Open();
  backend.OnModal("fSpotrDan", [](ui::Form& w) { w.SetModalResult(ui::mr::Cancel); });
  backend.Click(f.bSpotrDane);
  EXPECT_EQ(Modals(), std::vector<std::string>{"fSpotrDan"});
  EXPECT_TRUE(backend.messages().empty());
  EXPECT_TRUE(common::FileExists(common::DataDir("SpotrDan.dta")));
  EXPECT_FALSE(codelists::fSpotrDan().DataFileUsable());
}

TEST_F(AppTest, ThePartnerRegisterPicksCountriesAndBanksFromTheRegisters) {
  Open();
  std::string country(232, '\0');
  common::PutCounted(country, 0, "CZ   ", 5);
  common::PutCounted(country, 6, "Česko"_cz + std::string(25, ' '), 30);
  ASSERT_EQ(common::ReplaceFileContents(common::DataDir("Staty.dta"), country), 0);
  std::string bank(92, '\0');
  common::PutCounted(bank, 0, "Fio banka" + std::string(41, ' '), 50);
  common::PutCounted(bank, 51, "2010", 4);
  common::PutCounted(bank, 56, std::string(35, ' '), 35);
  common::ForceDirs(common::ProgDir("\\2\\KodyBank.dta"));
  ASSERT_EQ(common::ReplaceFileContents(common::ProgDir("\\2\\KodyBank.dta"), bank), 0);
  app::InstallPartnerPickers();
  backend.OnModal("fStaty", [&](ui::Form&) { backend.PressKeys("Enter"); });
  backend.OnModal("fKodyBank", [&](ui::Form&) { backend.PressKeys("Enter"); });
  EXPECT_EQ(partners::OrgHooks().pickCountry(), std::optional<std::string>("Česko"_cz + std::string(25, ' ')));
  const auto chosen = partners::OrgHooks().pickBank("2010", true);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->code, "2010");
  partners::ResetOrgServices();
}

TEST_F(AppTest, ThePartnerRegisterPicksTheFirmsOwnAccounts) {
  Open();
  std::string accounts;
  for (const char* bank : {"Fio banka", "ČSOB"}) {
    std::string r(164, '\0');
    common::PutCounted(r, 0, "A", 1);
    common::PutCounted(r, 2, common::Cz(bank), 20);
    accounts += r;
  }
  ASSERT_EQ(common::ReplaceFileContents(common::DataDir("bako.dta"), accounts), 0);
  app::InstallPartnerPickers();
  backend.OnModal("fBankKody", [&](ui::Form&) { backend.PressKeys("Down Enter"); });
  EXPECT_EQ(partners::OrgHooks().pickOwnAccount(), std::optional<std::int32_t>(2));
  backend.OnModal("fBankKody", [&](ui::Form&) { backend.PressKeys("Down Esc"); });
  EXPECT_EQ(partners::OrgHooks().pickOwnAccount(), std::nullopt);  // only Enter chooses
  EXPECT_EQ(partners::OrgHooks().ownAccountBankName(2), std::optional<std::string>("ČSOB"_cz));
  EXPECT_EQ(partners::OrgHooks().ownAccountBankName(3), std::nullopt);
  partners::ResetOrgServices();
}

TEST_F(AppTest, TheFirmButtonOpensTheFormOfRecordOne) {
  app::TForm1& f = Open();
  common::ForceDirs(common::ProgDir("\\dlib\\fma.pol"));
  for (const char* name : {"fma.pol", "fma2004.pol", "fma2014.pol"}) {
    std::string text;
    ASSERT_EQ(common::ReadFileText(std::string(APP_DLIB) + "/" + name, text), 0);
    ASSERT_EQ(common::ReplaceFileContents(common::ProgDir(std::string("\\dlib\\") + name), text), 0);
  }
  std::string caption;
  backend.AnswerNextModal([&](ui::Form& w) {
    caption = w.caption();
    backend.Press(ui::vk::Esc);
  });
  backend.Click(f.nFma);
  EXPECT_EQ(caption, " Údaje o vlastní firmě "_cz);
  std::uint64_t size = 0;
  ASSERT_EQ(common::FileSize(common::DataDir("fmw01.dta"), size), 0);
  EXPECT_EQ(size, 582u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(AppTest, LabelWindowOpensOnceTheMaskAllowsIt) {
  ostest::WriteRaw(dir / "par/VYBER.PAR", "Opis obchodních partnerů"_cz + " : " + std::string(9, 'x') + "\r\n");
  app::TForm1& f = Open();
  ASSERT_TRUE(f.bStitky.enabled());
  backend.OnModal("fStitky", [](ui::Form& w) { w.SetModalResult(ui::mr::Cancel); });
  backend.Click(f.bStitky);
  EXPECT_EQ(Modals(), std::vector<std::string>{"fStitky"});
}

TEST_F(AppTest, AWindowNotBuiltShowsTheNotice) {
  app::TForm1& f = Open();
  // Every main-window button now has its window; the notice stays for the report list.
  app::NotImplemented("TfSpool");
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_NE(backend.messages()[0].text.find("TfSpool"), std::string::npos);
  EXPECT_TRUE(f.visible());
}

TEST_F(AppTest, RegisterButtonsShowTheirListsModally) {
  app::TForm1& f = Open();
  for (ui::Button* b : {&f.Button2, &f.bpsc, &f.bISCO, &f.bZeme}) {
    std::string caption;
    backend.AnswerNextModal([&](ui::Form& w) {
      caption = w.caption();
      backend.Press(ui::vk::Esc);
    });
    backend.Click(*b);
    EXPECT_FALSE(caption.empty()) << b->name();
  }
  EXPECT_TRUE(backend.messages().empty());
}

// The report list as the loop sees it: each showing leaves it on the next entry.
struct FakeSpool : app::SpoolWindow {
  std::vector<int> choices;
  std::function<void()> whileShown;
  int setups = 0, shown = 0, closes = 0, current = 0;
  void SetupSpool() override { ++setups; }
  void ShowSpool() override {
    current = shown < static_cast<int>(choices.size()) ? choices[static_cast<std::size_t>(shown)] : -1;
    ++shown;
    if (whileShown) whileShown();
  }
  int CurrentEntry() const override { return current; }
  std::string EntryLine(int n) const override { return "SESTAVA" + std::to_string(n) + "   "; }
  void CloseBrowse() override { ++closes; }
};

TEST_F(AppTest, TiskyPrintsEachChosenReportUntilEsc) {
  app::TForm1& f = Open();
  FakeSpool spool;
  spool.choices = {2, 5, 0};
  f.spool = &spool;
  std::vector<std::string> printed;
  f.services.printReport = [&](const std::string& r) { printed.push_back(r); };
  backend.Click(f.bTisky);
  EXPECT_EQ(spool.setups, 1);
  EXPECT_EQ(spool.shown, 3);
  EXPECT_EQ(spool.closes, 1);
  EXPECT_EQ(printed, (std::vector<std::string>{"SESTAVA2", "SESTAVA5"}));
}

TEST_F(AppTest, TiskyAndSouboryProExcelShowTheReportLayersLists) {
  ostest::WriteRaw(dir / "SESTAVA.txt", "report\r\n");
  std::filesystem::create_directory(std::string(dir / "XLS"));
  ostest::WriteRaw(dir / "XLS/KODYBANKA.CSV", "A;\r\nx;\r\n");
  app::TForm1& f = Open();
  int rows = 0;
  std::string entry;
  backend.OnModal("fSpool", [&](ui::Form& w) {
    rows = reports::fSpool().Count;
    entry = f.spool->EntryLine(1);
    backend.Press(ui::vk::Esc);
    (void)w;
  });
  backend.Click(f.bTisky);
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(entry.substr(entry.size() - 8), "\\SESTAVA");
  backend.OnModal("fSpoolExc", [&](ui::Form&) {
    rows = reports::fSpoolExc().Count;
    entry = reports::fSpoolExc().Entries.at(0).name;
    backend.Press(ui::vk::Esc);
  });
  backend.Click(f.bCisExc);
  EXPECT_EQ(entry, "KODYBANKA");
  EXPECT_TRUE(reports::fSpoolExc().Entries.empty());  // closed afterwards
  reports::DestroySpoolWindows();
}

// The way out while windows are open: each opener finishes (its CloseBrowse runs
// once), the loop that shows its list again stops, then FormClose runs once.
TEST_F(AppTest, WatchExitUnwindsTheOpenBrowseFirst) {
  answers = {true, true, true};
  app::TForm1& f = Open();
  CountingBrowse browse(*this);
  int setups = 0;
  backend.OnModal("fZuj", [&](ui::Form&) { Ticks(3); });
  f.RunAction([&] { app::Browse(browse, [&] { ++setups; }); });
  EXPECT_EQ(setups, 1);
  EXPECT_EQ(browse.closes, 1);
  EXPECT_EQ(browse.formClosesSeen, 0);  // the browse closed before FormClose
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(f.visible());
  EXPECT_EQ(Boxes(), std::vector<std::string>{kLeft});
}

TEST_F(AppTest, WatchExitStopsTheTiskyLoop) {
  answers = {true, true, true};
  app::TForm1& f = Open();
  FakeSpool spool;
  spool.choices = {1, 1, 1, 1};
  spool.whileShown = [&] {
    if (spool.shown == 2) Ticks(3);
  };
  f.spool = &spool;
  int prints = 0;
  f.services.printReport = [&](const std::string&) { ++prints; };
  backend.Click(f.bTisky);
  EXPECT_EQ(spool.shown, 2);
  EXPECT_EQ(prints, 1);
  EXPECT_EQ(spool.closes, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(f.visible());
}

TEST_F(AppTest, ExitWithNestedModalWindowsRejectsThemAll) {
  app::TForm1& f = Open();
  browser::TfRol outer("fOuter"), inner("fInner");
  std::vector<std::string> order;
  backend.OnModal("fOuter", [&](ui::Form&) {
    inner.ShowModal();
    order.push_back("inner closed");
  });
  backend.OnModal("fInner", [&](ui::Form&) { f.RequestExit(); });
  f.RunAction([&] {
    EXPECT_EQ(outer.ShowModal(), ui::mr::Cancel);
    order.push_back("outer closed");
  });
  EXPECT_EQ(order, (std::vector<std::string>{"inner closed", "outer closed"}));
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(f.visible());
  bool ran = false;
  f.RunAction([&] { ran = true; });  // nothing runs once the program is ending
  EXPECT_FALSE(ran);
}

}  // namespace

TEST_F(AppTest, TheReportListsScrambleStepStoresEveryPartnerScrambledOnce) {
  Open();
  std::string plain;
  for (const char* name : {"Dub a syn", "Čáp"}) {
    std::string r(partners::kOrgRecordLength, '\0');
    for (int f : partners::kScrambledFields) partners::PutOrgText(r, f, "");
    partners::PutOrgText(r, partners::of::Name, common::Cz(name));
    plain += r;
  }
  ASSERT_EQ(common::ReplaceFileContents(common::DataDir("org.dta"), plain), 0);
  app::InstallPartnerPickers();
  common::CurrentSession().ScrambleOn = 0;
  reports::SpoolHooks().scrambleMarkedPartners();
  std::string stored;
  ASSERT_EQ(common::ReadFileText(common::DataDir("org.dta"), stored), 0);
  ASSERT_EQ(stored.size(), plain.size());
  for (std::size_t k = 0; k < 2; ++k) {
    std::string r = stored.substr(k * partners::kOrgRecordLength, partners::kOrgRecordLength);
    EXPECT_NE(r, plain.substr(k * partners::kOrgRecordLength, partners::kOrgRecordLength));
    partners::ScrambleOrgFields(r, false);
    EXPECT_EQ(r, plain.substr(k * partners::kOrgRecordLength, partners::kOrgRecordLength)) << k;
  }
  // Already protected: nothing is scrambled twice.
  common::CurrentSession().ScrambleOn = 1;
  reports::SpoolHooks().scrambleMarkedPartners();
  std::string again;
  ASSERT_EQ(common::ReadFileText(common::DataDir("org.dta"), again), 0);
  EXPECT_EQ(again, stored);
  common::CurrentSession().ScrambleOn = 0;
  partners::ResetOrgServices();
}
