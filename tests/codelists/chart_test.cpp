// The chart of accounts: bisection lookups, the kept-open set-up, sort modes with the
// busy refusal, the close that puts the chart back in account order, the analytic
// rotation, "22 ->24", the guards, the delete, the listing; the account picker and
// check; the end-of-run close of the kept-open lists.
#include <iostream>
#include <map>

#include "codelists/chart.h"
#include "codelists/stock.h"
#include "common/faultfs.h"
#include "common/filesystem.h"
#include "common/locking.h"
#include "common/session.h"
#include "tests/codelists/codelistkit.h"
#include "tests/common/leftcopy.h"

namespace {

using namespace codelists;
using cltest::kOld;
using cltest::kToday;
using cltest::Strings;
using cltest::Trimmed;
using common::Cz;

class CodeListCis10 : public cltest::CodeListTest {
 protected:
  // Accounts with their names (UTF-8), in file order.
  using Named = std::vector<std::pair<std::string, std::string>>;
  void WriteChart(const Named& accounts) const {
    std::string bytes;
    for (const auto& [account, name] : accounts) bytes += cltest::MakeRecord(Cis10Spec(), {{1, account}, {2, name}});
    WriteData("CI10.DTA", bytes);
  }
  void WriteChart(const Strings& accounts) const {
    Named named;
    for (const std::string& a : accounts) named.push_back({a, "Účet " + a});
    WriteChart(named);
  }
  Strings Accounts() const { return Trimmed(FileKeys(Cis10Spec())); }
  Strings Field(int f) const { return cltest::Column(Cis10Spec(), ReadData("CI10.DTA"), f); }
  // Holds the chart as another user.
  void HoldChart(const TfCis10& w) { ASSERT_EQ(common::LockFile(other, w.DataFilePath, ""), common::LockResult::Held); }
  void FreeChart(const TfCis10& w) { common::UnlockFile(other, w.DataFilePath); }
  int& Flag(int list) { return common::CurrentSession().FormOpenFlags.at(static_cast<std::size_t>(list)); }
};

TEST_F(CodeListCis10, SetupValuesTemplateAndPopup) {
  WriteChart(Strings{"211000"});
  TfCis10& w = fCis10();
  SetupCis10(w);
  EXPECT_EQ(w.RecordLength, 79);
  EXPECT_EQ(w.FieldCount, 13);
  EXPECT_EQ(w.caption(), Cz("Účtová osnova"));
  EXPECT_EQ(w.EditTitle, " CI10 ");
  EXPECT_EQ(w.EditKeyLine, Cz(" F2=zápis Esc=nic "));
  EXPECT_EQ(w.KeyHelpLine, Cz(" F1-Help F10=Opis F4-Nová "));
  EXPECT_EQ(w.Field(10).caption, std::string(12, ' '));
  EXPECT_EQ(w.Field(13).line, 13);
  EXPECT_EQ(Flag(10), 1);
  EXPECT_EQ(w.SortMode(), 1);
  EXPECT_EQ(w.FieldOf(w.RecordTemplate, 1), "000000");
  EXPECT_EQ(w.FieldOf(w.RecordTemplate, 13), kToday);
  EXPECT_EQ(cltest::ShownMenu(w), (Strings{"c1 Opis", "h1 Posun analytiku", Cz("i1 Načti ze starého číseníku"), "k1 22 ->24"}));
}

TEST_F(CodeListCis10, LookupSignConvention) {
  const struct {
    Strings chart;
    const char* account;
    std::int32_t found;
  } cases[] = {
      {{}, "311000", -1},
      {{"211000", "311000", "343100"}, "311000", 2},
      {{"211000", "311000", "343100"}, "211000", 1},
      {{"211000", "311000", "343100"}, "343100", 3},
      {{"211000", "311000", "343100"}, "100000", -1},  // before the first
      {{"211000", "311000", "343100"}, "999999", -1},  // after the last
      {{"211000", "311000", "343100"}, "320000", -2},  // in the gap
      {{"211000", "311000", "343100", "395000", "501000"}, "400000", -4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.account);
    WriteChart(c.chart);
    TfCis10 w;
    SetupCis10(w);
    EXPECT_EQ(Cis10FindAccount(w, c.account), c.found);
    EXPECT_EQ(w.LastLookup, c.found);
    EXPECT_EQ(Cis10AccountName(w, c.account), c.found > 0 ? Cz("Účet ") + c.account : std::string(30, ' '));
    w.EndOfRunClose();
  }
}

TEST_F(CodeListCis10, LookupBisectsOverTheFile) {
  std::string bytes;
  for (int i = 1; i <= 1000; ++i) bytes += cltest::MakeRecord(Cis10Spec(), {{1, std::to_string(100000 + 7 * i)}});
  WriteData("CI10.DTA", bytes);
  TfCis10 w;
  SetupCis10(w);
  common::FaultFileSystem counting;  // no faults: it counts the reads
  common::ScopedFileSystem scoped(counting);
  for (const char* account : {"100700", "100701", "107000"}) {
    const int before = counting.Calls(common::FsOp::Read);
    Cis10FindAccount(w, account);
    EXPECT_LE(counting.Calls(common::FsOp::Read) - before, 12) << account;  // two ends and log2(1000)
  }
  EXPECT_EQ(Cis10FindAccount(w, "100700"), 100);
  w.EndOfRunClose();
}

TEST_F(CodeListCis10, ASecondSetupKeepsTheOpenFileCurrentRecordAndMarks) {
  WriteChart(Strings{"211000", "311000", "343100"});
  TfCis10& w = fCis10();
  SetupCis10(w);
  w.GoToRecord(2, 0);
  w.ToggleMark(3);
  w.CloseBrowse();  // during the run: the file stays open
  EXPECT_TRUE(w.DataFileUsable());
  SetupCis10(w);
  EXPECT_EQ(w.Current, 2);
  EXPECT_TRUE(w.IsMarked(3));
  EXPECT_EQ(w.MarkedCount, 1);
  CloseCodeListForms();
  EXPECT_FALSE(w.DataFileUsable());
  EXPECT_EQ(Flag(10), 0);
}

TEST_F(CodeListCis10, NameSortIsRefusedWhileAnotherUserHoldsTheChart) {
  WriteChart(Named{{"211000", "Odběratelé"}, {"311000", "Banka"}, {"343100", "Daň"}});
  const std::string before = ReadData("CI10.DTA");
  TfCis10& w = fCis10();
  SetupCis10(w);
  HoldChart(w);
  for (int column : {2, 1}) {
    w.SortByColumn(column);
    EXPECT_EQ(ReadData("CI10.DTA"), before);
    EXPECT_EQ(w.SortMode(), 1);
  }
  EXPECT_EQ(Messages(), (Strings{Cz("Se souborem se pracuje"), Cz("Se souborem se pracuje")}));
  FreeChart(w);
  w.SortByColumn(3);  // no sort on other columns
  EXPECT_EQ(ReadData("CI10.DTA"), before);
}

TEST_F(CodeListCis10, NameOrderStaysUntilACloseFindsTheChartFree) {
  WriteChart(Named{{"211000", "Odběratelé"}, {"311000", "Banka"}, {"343100", "Daň"}});
  TfCis10& w = fCis10();
  SetupCis10(w);
  w.SortByColumn(2);
  EXPECT_EQ(w.SortMode(), 2);
  EXPECT_EQ(Accounts(), (Strings{"311000", "343100", "211000"}));
  EXPECT_EQ(Cis10FindAccount(w, "211000"), -1);  // bisection fails in name order
  HoldChart(w);
  w.CloseBrowse();
  EXPECT_EQ(Accounts(), (Strings{"311000", "343100", "211000"}));
  EXPECT_TRUE(w.OrderDirty());
  FreeChart(w);
  SetupCis10(w);
  w.CloseBrowse();  // free: back in account order
  EXPECT_EQ(Accounts(), (Strings{"211000", "311000", "343100"}));
  EXPECT_EQ(w.SortMode(), 1);
  EXPECT_FALSE(w.OrderDirty());
  EXPECT_EQ(Cis10FindAccount(w, "211000"), 1);
  EXPECT_EQ(Field(13), Strings(3, kOld));  // the sort writes raw: no stamps
}

TEST_F(CodeListCis10, AccountSortByTheFirstColumnPutsTheChartInOrder) {
  WriteChart(Strings{"343100", "211000", "311000"});
  TfCis10& w = fCis10();
  SetupCis10(w);
  w.SortByColumn(1);
  EXPECT_EQ(Accounts(), (Strings{"211000", "311000", "343100"}));
}

TEST_F(CodeListCis10, RotationTurnsMarkedAnalyticsOnceAndTheCloseSorts) {
  WriteChart(Strings{"211000", "311002", "311010", "343100"});
  TfCis10& w = fCis10();
  SetupCis10(w);
  w.ToggleMark(2);
  w.ToggleMark(4);
  ui::MenuItem* item = w.PopupMenu1.Find("h1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  EXPECT_EQ(Accounts(), (Strings{"211000", "311200", "311010", "343010"}));
  EXPECT_FALSE(w.IsMarked(2));
  EXPECT_FALSE(w.IsMarked(4));
  EXPECT_EQ(w.MarkedCount, 0);
  EXPECT_TRUE(w.OrderDirty());
  item->onClick(*item);  // nothing marked any more: twice is once
  EXPECT_EQ(Accounts(), (Strings{"211000", "311200", "311010", "343010"}));
  w.CloseBrowse();
  EXPECT_EQ(Accounts(), (Strings{"211000", "311010", "311200", "343010"}));
  EXPECT_FALSE(w.OrderDirty());
}

TEST_F(CodeListCis10, Copy22To24InEveryRecord) {
  std::string bytes;
  for (const char* v : {"A1 ", "B2 "}) bytes += cltest::MakeRecord(Cis10Spec(), {{1, std::string("2") + v[0] + "0000"}, {6, v}, {7, "ZZZ"}});
  WriteData("CI10.DTA", bytes);
  TfCis10& w = fCis10();
  SetupCis10(w);
  ui::MenuItem* item = w.PopupMenu1.Find("k1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  EXPECT_EQ(Field(7), (Strings{"A1 ", "B2 "}));
  EXPECT_EQ(Field(6), (Strings{"A1 ", "B2 "}));
}

TEST_F(CodeListCis10, NewAndDeleteAreRefusedWhileAnotherUserHoldsTheChart) {
  WriteChart(Strings{"211000", "311000"});
  const std::string before = ReadData("CI10.DTA");
  TfCis10& w = fCis10();
  SetupCis10(w);
  HoldChart(w);
  w.NewRecord();
  w.DeleteRecord(w.Current);
  EXPECT_EQ(edit.shown, 0);
  EXPECT_EQ(ReadData("CI10.DTA"), before);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
            (Strings{Cz("Pozor, záznam se nepřidal, někdo právě pracuje s číselníkem"),
                     Cz("Pozor, záznam se nezrušil, někdo právě pracuje s číselníkem")}));
  FreeChart(w);
  // Free again: a new account goes into place.
  edit.Type("300000").Keys("F2");
  w.NewRecord();
  EXPECT_EQ(Accounts(), (Strings{"211000", "300000", "311000"}));
  EXPECT_EQ(w.Current, 2);
}

// A key change (and a new account) under a full disk: the k-th and every later write
// fail (ENOSPC), for each write a whole step makes. The next opening shows the old chart
// or the new one, byte for byte and in order, and bisection finds every account. Where
// the copy cannot be put back the chart is read only: the name edit that follows is
// refused; once the copy goes back the next one is written and stays.
TEST_F(CodeListCis10, AKeyChangeUnderAFullDiskLeavesTheOldChartOrTheNewOne) {
  const Strings old = {"211000", "311000", "343100", "395000", "501000"};
  const struct {
    const char* what;
    const char* key;  // pressed with "221000" typed into the edit window
    Strings after;
  } cases[] = {{"501000 becomes 221000", "Space", {"211000", "221000", "311000", "343100", "395000"}},
               {"new account 221000", "F4", {"211000", "221000", "311000", "343100", "395000", "501000"}}};
  WriteChart(old);
  const std::string oldBytes = ReadData("CI10.DTA");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto step = [&](TfCis10& w) {
      Show(w);
      ASSERT_EQ(w.Current, 5);
      edit.Type("221000").Keys("F2");
      Keys(c.key);
    };
    WriteData("CI10.DTA", oldBytes);
    int writes = 0;
    {
      TfCis10 w;
      SetupCis10(w);
      common::FaultFileSystem counting;
      {
        common::ScopedFileSystem use(counting);
        step(w);
      }
      writes = counting.Calls(common::FsOp::Write);
      w.EndOfRunClose();
    }
    ASSERT_EQ(Accounts(), c.after);
    const std::string newBytes = ReadData("CI10.DTA");
    ASSERT_GE(writes, 6);  // the copy, the record and the four records of the move
    std::map<std::string, int> outcomes;
    for (int k = 1; k <= writes; ++k) {
      SCOPED_TRACE(k);
      WriteData("CI10.DTA", oldBytes);
      notes.calls.clear();
      bool named = false;  // the edit after a stuck copy named 211000 "Pokladna"
      {
        TfCis10 w;
        SetupCis10(w);
        common::FaultFileSystem fs;
        fs.Fail(common::FsOp::Write, ENOSPC, "", -1, k - 1);
        {
          common::ScopedFileSystem use(fs);
          step(w);
          if (w.ReadOnlyOpen()) {
            EXPECT_NE(Messages().back().find(Cz("do té doby je jen pro čtení")), std::string::npos) << Messages().back();
            const std::string before = ReadData("CI10.DTA");
            const int shown = edit.shown;
            notes.calls.clear();
            w.GoToRecord(1, 0);
            edit.Keys("Down").Type("Pokladna").Keys("F2");
            Keys("Space");
            EXPECT_EQ(edit.shown, shown);
            edit.steps.clear();
            EXPECT_EQ(ReadData("CI10.DTA"), before);
            EXPECT_EQ(Messages(), Strings{Cz("Soubor CI10.DTA je jen pro čtení, dokud nelze vrátit nedokončený přepis z kopie ") +
                                          common::RollbackCopyName(w.DataFilePath)});
          }
        }
        if (w.ReadOnlyOpen()) {
          // Room again: the copy goes back first, then the edit is written.
          notes.calls.clear();
          edit.Keys("Down").Type("Pokladna").Keys("F2");
          Keys("Space");
          EXPECT_EQ(Messages(), Strings{Cz("Soubor CI10.DTA byl vrácen do stavu před nedokončeným přepisem")});
          EXPECT_FALSE(w.ReadOnlyOpen());
          named = true;
        }
        w.EndOfRunClose();
      }
      notes.calls.clear();
      TfCis10 w;
      SetupCis10(w);
      EXPECT_EQ(Messages(), Strings{});  // nothing left to put back at the next opening
      EXPECT_FALSE(std::filesystem::exists(DataPath(".~CI10.DTA.rollback")));
      const std::string now = ReadData("CI10.DTA");
      if (!named) {
        EXPECT_TRUE(now == oldBytes || now == newBytes);
      } else {
        EXPECT_EQ(Accounts(), old);
        EXPECT_EQ(common::StripRightSp(Field(2)[0]), "Pokladna");
      }
      ++outcomes[Accounts() == old ? (named ? "old, then the name kept" : "old") : "new"];
      for (const std::string& account : Accounts()) EXPECT_GT(Cis10FindAccount(w, account), 0) << account;
      w.EndOfRunClose();
    }
    std::cout << c.what << ", " << writes << " failure points: " << ::testing::PrintToString(outcomes) << "\n";
    EXPECT_GT(outcomes["old, then the name kept"], 0);
  }
  // A copy that cannot be erased was marked finished first: the change stands, nothing is
  // said, and the next opening only erases the copy.
  WriteData("CI10.DTA", oldBytes);
  notes.calls.clear();
  TfCis10 w;
  SetupCis10(w);
  common::FaultFileSystem fs;
  fs.Fail(common::FsOp::Unlink, EIO, ".~CI10.DTA.rollback");
  {
    common::ScopedFileSystem use(fs);
    Show(w);
    edit.Type("221000").Keys("F2");
    Keys("Space");
  }
  const std::string changed = ReadData("CI10.DTA");
  EXPECT_NE(changed, oldBytes);
  EXPECT_NE(changed.find("221000"), std::string::npos);
  EXPECT_EQ(Messages(), Strings{});
  EXPECT_FALSE(w.ReadOnlyOpen());
  EXPECT_TRUE(std::filesystem::exists(DataPath(".~CI10.DTA.rollback")));
  w.EndOfRunClose();
  notes.calls.clear();
  TfCis10 again;
  SetupCis10(again);
  EXPECT_EQ(ReadData("CI10.DTA"), changed);
  EXPECT_EQ(Messages(), Strings{});
  EXPECT_FALSE(std::filesystem::exists(DataPath(".~CI10.DTA.rollback")));
  again.EndOfRunClose();
}

TEST_F(CodeListCis10, DeleteGoesToTheFollowingRecordAndTheCloseDropsIt) {
  WriteChart(Strings{"211000", "311000", "343100", "395000"});
  TfCis10& w = fCis10();
  SetupCis10(w);
  w.GoToRecord(2, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(Field(1), (Strings{"      ", "211000", "343100", "395000"}));
  EXPECT_EQ(w.Current, 3);  // the record after the deleted one
  w.CloseBrowse();
  EXPECT_EQ(Accounts(), (Strings{"211000", "343100", "395000"}));
  EXPECT_TRUE(w.DataFileUsable());
}

TEST_F(CodeListCis10, DeletingTheOnlyAccountLeavesAnEmptyChart) {
  WriteChart(Strings{"211000"});
  TfCis10& w = fCis10();
  SetupCis10(w);
  w.DeleteRecord(w.Current);
  w.CloseBrowse();
  EXPECT_EQ(ReadData("CI10.DTA").size(), 0u);
}

TEST_F(CodeListCis10, ListingCis10) {
  WriteChart(Strings{"211000", "311000"});
  common::CurrentSession().FirmTitle = "Firma";
  TfCis10& w = fCis10();
  SetupCis10(w);
  ui::MenuItem* item = w.PopupMenu1.Find("c1");
  ASSERT_NE(item, nullptr);
  item->onClick(*item);
  EXPECT_EQ(writer.job, "CIS10");
  EXPECT_EQ(writer.width, 100);
  ASSERT_EQ(writer.lines.size(), 9u);
  EXPECT_EQ(writer.lines[2], "Firma" + std::string(13, ' ') + Cz("Účetová osnova (10)") + std::string(10, ' ') + "List:  1 Datum: 06.12.26");
  EXPECT_TRUE(writer.lines[4].starts_with(Cz("Účet   Název ")));
  EXPECT_TRUE(writer.lines[7].starts_with("211000 " + Cz("Účet 211000")));
}

// ---------------------------------------------------------------- picker and check

class CodeListCis10Picker : public CodeListCis10 {
 protected:
  void SetUp() override {
    CodeListCis10::SetUp();
    WriteChart(Named{{"211000", "Pokladna"}, {"300000", " Zúčtovací vztahy"}, {"311000", "Odběratelé"}, {"343100", "DPH"}});
  }
  // The next showing of the chart: records where it stood, then the keys.
  void Answer(const std::string& keys) {
    backend.AnswerNextModal([this, keys](ui::Form&) {
      shownAt.push_back(fCis10().Current);
      backend.PressKeys(keys);
    });
  }
  std::vector<std::int32_t> shownAt;
};

TEST_F(CodeListCis10Picker, NoAccountIsValidWithoutTheChart) {
  std::string account = "000000";
  EXPECT_EQ(CheckAccount(account), 0);
  EXPECT_EQ(ExistingCis10(), nullptr);
  EXPECT_EQ(Flag(10), 0);
}

TEST_F(CodeListCis10Picker, AKnownAccountPassesWithoutShowingTheChart) {
  std::string account = "311000";
  EXPECT_EQ(CheckAccount(account), 0);
  EXPECT_TRUE(shownAt.empty());
  EXPECT_EQ(Flag(10), 1);  // the chart stays open for the run
}

TEST_F(CodeListCis10Picker, AnUnknownAccountShowsTheChartAtItsNeighbour) {
  const struct {
    const char* keys;
    int result;
    const char* account;
    const char* given;
    std::int32_t at;
  } cases[] = {{"Enter", 0, "311000", "320000", 3},
               {"Esc", 1, "320000", "320000", 3},
               {"Down Enter", 0, "343100", "320000", 3},
               {"Down Enter", 0, "300000", "999999", 1}};  // after the last: shown from the first
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " " + c.given);
    shownAt.clear();
    std::string account = c.given;
    Answer(c.keys);
    EXPECT_EQ(CheckAccount(account), c.result);
    EXPECT_EQ(account, c.account);
    EXPECT_EQ(shownAt, std::vector<std::int32_t>{c.at});
  }
}

TEST_F(CodeListCis10Picker, PickShowsTheChartAgainOnAHeading) {
  std::string account = "311000";
  Answer("Up Enter");  // the heading " Zúčtovací vztahy"
  Answer("Down Down Enter");
  EXPECT_EQ(PickAccount(account), 0);
  EXPECT_EQ(account, "343100");
  EXPECT_EQ(shownAt, (std::vector<std::int32_t>{3, 2}));
}

TEST_F(CodeListCis10Picker, PickKeepsTheAccountOnEsc) {
  std::string account = "320000";
  Answer("Down Esc");
  EXPECT_EQ(PickAccount(account), 0);
  EXPECT_EQ(account, "320000");
  EXPECT_EQ(shownAt, std::vector<std::int32_t>{3});
  EXPECT_TRUE(fCis10().DataFileUsable());
}

// ---------------------------------------------------------------- end-of-run close

TEST_F(CodeListCis10, CloseCodeListFormsClosesTheKeptListsAndSortsAFreeChart) {
  WriteChart(Strings{"211000", "311000"});
  TfCis10& w = fCis10();
  SetupCis10(w);
  SetupCis30(fCis30());
  SetupCis36(fCis36());
  SetupCis15(fCis15());
  w.GoToRecord(1, 0);
  w.DeleteRecord(w.Current);
  EXPECT_EQ(Field(1).front(), "      ");
  const std::string par = dir / "flush.par";
  common::WriteParam(par, "KEY", "1");
  CloseCodeListForms();
  EXPECT_EQ(Accounts(), Strings{"311000"});
  for (int list : {10, 30, 36, 15}) EXPECT_EQ(Flag(list), 0) << list;
  for (CodeListWindow* l : {static_cast<CodeListWindow*>(&w), static_cast<CodeListWindow*>(&fCis30()),
                            static_cast<CodeListWindow*>(&fCis36()), static_cast<CodeListWindow*>(&fCis15())})
    EXPECT_FALSE(l->DataFileUsable());
  EXPECT_NE(ostest::ReadRaw(par).find("KEY"), std::string::npos);  // the parameter cache was written
}

}  // namespace

namespace {

// What an opening says of a copy a killed step left that it cannot put back: the reason,
// true to what it finds, and no file made in place of a missing one.
TEST_F(CodeListCis10, AnOpeningSaysWhyACopyStaysAndMakesNoFile) {
  WriteChart(Strings{"211000", "311000"});
  const std::string old = ReadData("CI10.DTA"), path = DataPath("CI10.DTA"), copy = leftcopy::CopyOf(path);
  const std::string folder = common::ShownPath(common::FolderPart(path)), half = "HALF" + old.substr(4);
  const auto finish = [&] {  // marks the copy as a step that went through leaves it
    std::string c = ostest::ReadRaw(copy);
    c[8] = 1;
    ostest::WriteRaw(copy, c);
  };
  const struct {
    const char* what;
    std::function<void()> arrange;
    common::FsOp op;           // refused while the window opens (Close: nothing refused)
    const char* part;
    std::string said;          // after "Soubor CI10.DTA " and before ": otevírá se jen pro čtení"
    std::string after;         // the file after the opening ("(none)": missing)
  } cases[] = {
      {"the list erased by hand", [&] { std::filesystem::remove(path); }, common::FsOp::Close, "",
       Cz("chybí a vedle něj zůstala kopie ") + copy +
           Cz(" z nedokončeného přepisu; kopie drží jediné původní bajty souboru a do chybějícího souboru se nevrací, "
              "soubor se znovu založí, až kopii odstraníte"),
       "(none)"},
      {"the own lock entry of a killed run", [&] { ASSERT_EQ(common::LockFile(path, ""), common::LockResult::Held); },
       common::FsOp::Close, "",
       Cz("má nedokončený přepis, který nelze vrátit (kopie ") + copy +
           Cz(", soubor drží zámek R 01 tohoto uživatele, který zůstal po programu, jenž neskončil řádně (tabulka "
              "FOT.tab); uvolněte ho v počáteční složce příkazem tavcli unlock \"") +
           path + "\")",
       half},
      {"another user's lock", [&] { ASSERT_EQ(common::LockFile(other, path, ""), common::LockResult::Held); },
       common::FsOp::Close, "",
       Cz("má nedokončený přepis, který nelze vrátit (kopie ") + copy + Cz(", soubor užívá R 02, kopie se vrátí, až ho uvolní)"),
       half},
      {"a list nobody may write", [] {}, common::FsOp::OpenWrite, "/CI10.DTA",
       Cz("má nedokončený přepis, který nelze vrátit (kopie ") + copy + Cz(", soubor CI10.DTA nelze zapsat, err 5)"), half},
      {"a finished step's copy in a folder nobody may write", finish, common::FsOp::Unlink, ".rollback",
       Cz("je celý, ale kopii ") + copy + Cz(" z dokončeného přepisu nelze smazat (do složky ") + folder +
           Cz(" nelze zapisovat, err 5)"),
       half},
      {"an unfinished step's copy in a folder nobody may write", [] {}, common::FsOp::Unlink, ".rollback",
       Cz("byl vrácen do stavu před nedokončeným přepisem, ale kopii ") + copy + Cz(" nelze smazat (do složky ") + folder +
           Cz(" nelze zapisovat, err 5)"),
       old},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteData("CI10.DTA", old);
    leftcopy::LeaveUnfinishedCopy(path);
    c.arrange();
    const std::string copyBytes = ostest::ReadRaw(copy);
    for (int opening = 1; opening <= 2; ++opening) {
      SCOPED_TRACE(opening);
      notes.calls.clear();
      TfCis10 w;
      {
        common::FaultFileSystem fs;
        if (c.op != common::FsOp::Close) fs.Fail(c.op, EACCES, c.part);
        common::ScopedFileSystem use(fs);
        SetupCis10(w);
        EXPECT_EQ(Messages(), Strings{Cz("Soubor CI10.DTA ") + c.said + Cz(": otevírá se jen pro čtení")}) << notes.Dump();
        EXPECT_TRUE(w.ReadOnlyOpen());
        w.EndOfRunClose();
      }
      EXPECT_EQ(std::filesystem::exists(path) ? ReadData("CI10.DTA") : "(none)", c.after);
      EXPECT_EQ(ostest::ReadRaw(copy), copyBytes);
    }
    // The way out taken, the next opening finishes what the copy holds.
    common::UnlockFile(path);
    common::UnlockFile(other, path);
    if (!std::filesystem::exists(path)) std::filesystem::remove(copy);
    notes.calls.clear();
    TfCis10 w;
    SetupCis10(w);
    EXPECT_FALSE(w.ReadOnlyOpen()) << notes.Dump();
    EXPECT_FALSE(std::filesystem::exists(copy));
    w.EndOfRunClose();
    std::filesystem::remove(copy);
  }
}

}  // namespace
