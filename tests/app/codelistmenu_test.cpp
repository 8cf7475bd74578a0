// The code-list update menu: the 36 rows and their marks, the loop, the first-run
// migration from the combined file (a second press overwrites and duplicates
// nothing), and the conversion and seeding of list 14.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/codelistmenu.h"
#include "browser/vyber.h"
#include "codelists/assets.h"
#include "codelists/cashflow.h"
#include "codelists/chart.h"
#include "codelists/lists.h"
#include "common/dirs.h"
#include "common/encoding.h"
#include "common/faultfs.h"
#include "common/session.h"
#include "tests/app/appkit.h"
#include "tests/codelists/ci01kit.h"
#include "tests/codelists/codelistkit.h"

namespace {

using namespace common::literals;
using apptest::AppTest;
using cltest::Ci01;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class CodeListMenu : public AppTest {
 protected:
  CodeListMenu() {
    fs::create_directories(dir / "prog/dlib");
    for (const char* pol : {"ci14.pol", "ci14old.pol", "ci65.pol", "ci652015.pol"})
      fs::copy_file(fs::path(APP_DLIB) / pol, fs::path(dir / "prog/dlib") / pol);
  }
  fs::path Data(const std::string& name) const { return fs::path(dir / "data") / name; }
  std::string Read(const std::string& name) const { return ostest::ReadRaw(Data(name)); }
  void Write(const std::string& name, const std::string& bytes) const { ostest::WriteRaw(Data(name), bytes); }

  // The choice list answers with the rows given (0: Esc), then Esc; each showing is
  // recorded as its row texts and enabled states.
  void Choose(std::vector<int> rows) {
    backend.OnModal("fVyber", [this, rows](ui::Form& f) {
      auto& v = static_cast<browser::TfVyber&>(f);
      Showing s;
      s.caption = v.caption();
      for (int i = 1; i <= v.RowCount; ++i) {
        s.texts.push_back(v.RowText(i));
        s.enabled.push_back(v.RowEnabled(i));
      }
      showings.push_back(s);
      const std::size_t k = showings.size() - 1;
      if (k >= rows.size() || rows[k] == 0) return f.Close();
      backend.DoubleClick(*v.Rows[static_cast<std::size_t>(rows[k])]);
    });
  }
  // Every list window shown closes at once; its name and file are recorded.
  void CloseLists() {
    backend.OnModal<browser::TfSoub>([this](browser::TfSoub& w) {
      opened.push_back(w.name() + " " + w.DataFileName);
      w.SetModalResult(ui::mr::Cancel);
    });
  }

  struct Showing {
    std::string caption;
    Strings texts;
    std::vector<bool> enabled;
  };
  std::vector<Showing> showings;
  Strings opened;
};

// An old-layout (166-byte) record of list 14.
std::string OldCi14(const std::string& key, const std::string& name) {
  std::string rec;
  auto counted = [&rec](const std::string& text, std::size_t width) {
    std::string t = common::Cz(text);
    t.resize(width, ' ');
    rec += static_cast<char>(width);
    rec += t;
  };
  counted(key, 3);
  counted(name, 30);
  for (int i = 0; i < 4; ++i) counted("", 30);
  counted("200101", 6);
  return rec;
}

std::string OldCi14File(const Strings& keys) {
  std::string all;
  for (const std::string& k : keys) all += OldCi14(k, "Druh " + k);
  return all;
}

Strings Keys(int from, int to, const char* prefix) {
  Strings k;
  for (int i = from; i <= to; ++i) k.push_back(prefix + std::string(i < 10 ? "0" : "") + std::to_string(i));
  return k;
}

const Strings kTwelve = {"310", "320", "330", "340", "341", "342", "350", "360", "370", "380", "390", "395"};

TEST_F(CodeListMenu, TheTableHoldsThirtySixRowsWithTheSeparatorAtNineteen) {
  const auto& rows = app::CodeListMenu();
  ASSERT_EQ(rows.size(), 36u);
  EXPECT_STREQ(rows[0].text, " 10 Účtová osnova");
  EXPECT_STREQ(rows[3].text, " 14 Investiční majetek");
  EXPECT_STREQ(rows[17].text, " 60 Klíče mzdových listů");
  EXPECT_EQ(std::string(rows[18].text), std::string(35, '-'));
  EXPECT_FALSE(rows[18].open);
  EXPECT_STREQ(rows[35].text, " 270 Rozvaha - státní výkaz ");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i == 18) continue;
    EXPECT_TRUE(rows[i].open) << i;
  }
  EXPECT_EQ(app::MenuMarks(19, '-'), std::string(18, ' ') + "-" + std::string(21, ' '));
}

TEST_F(CodeListMenu, EmptyDataFolderCreatesTheSevenListsAndShowsTheMenuOnce) {
  Open();
  Choose({0});
  backend.Click(main->bAktCi);
  ASSERT_EQ(showings.size(), 1u);
  EXPECT_EQ(showings[0].caption, "Aktualizace číselníků"_cz);
  ASSERT_EQ(showings[0].texts.size(), 36u);
  EXPECT_FALSE(showings[0].enabled[18]);  // the separator, marked "-"
  EXPECT_TRUE(showings[0].enabled[0]);
  for (const char* f : {"ci10.dta", "ci13.dta", "ci30.dta", "ci35.dta", "ci51.dta", "ci18.dta", "ci65.dta"})
    EXPECT_TRUE(common::FileExists(common::DataDir(f))) << f;
  EXPECT_FALSE(common::FileExists(common::DataDir("ci11.dta")));
}

TEST_F(CodeListMenu, TheLoopOpensTheChosenRowsUntilEsc) {
  Write("ci10.dta", std::string(10, ' '));  // no migration
  CloseLists();
  // Row 2, the separator, rows 14 and 15 (one window, two files), row 4, then Esc.
  Choose({2, 19, 14, 15, 0});
  app::RunCodeListMenu();
  ASSERT_EQ(showings.size(), 5u);
  EXPECT_FALSE(showings[0].enabled[18]);
  EXPECT_TRUE(showings[1].enabled[18]);  // after a choice only "*" marks the chosen row
  EXPECT_EQ(opened, (Strings{"fCis11 CI11.DTA", "fCis28 CI28.dta", "fCis28 CI29.dta"}));
}

TEST_F(CodeListMenu, TheStatementSchemeRowsOpenTheirListNumbers) {
  Write("ci10.dta", std::string(10, ' '));
  CloseLists();
  Choose({12, 26, 27, 28, 34, 35, 36, 0});
  app::RunCodeListMenu();
  EXPECT_EQ(opened, (Strings{"fCis26 CI26.dta", "fCis26 CI76.dta", "fCis270 CI77.DTA", "fCis27P CI80.DTA",
                             "fCis27P CI86.DTA", "fCis260 CI260.DTA", "fCis270 CI270.DTA"}));
}

TEST_F(CodeListMenu, TheProgramEndingStopsTheLoop) {
  Write("ci10.dta", std::string(10, ' '));
  backend.OnModal<browser::TfSoub>([](browser::TfSoub& w) {
    common::CurrentSession().Exiting = true;
    w.SetModalResult(ui::mr::Cancel);
  });
  Choose({2, 2, 2});
  app::RunCodeListMenu();
  EXPECT_EQ(showings.size(), 1u);
}

TEST_F(CodeListMenu, PiecesMoveOnlyWhenOverTwoBytesAndOntoAnEmptyList) {
  Write("ci.11", std::string(10, 'a'));
  Write("ci.14", "bb");
  Write("ci.15", std::string(10, 'c'));
  Write("ci15.dta", std::string(30, 'C'));  // a list with entries keeps them
  Write("ci.20", std::string(10, 'd'));
  Write("ci20.dta", "x");  // under 2 bytes: replaced
  app::MigrateCombinedCodeLists();
  EXPECT_EQ(Read("ci11.dta"), std::string(10, 'a'));
  EXPECT_FALSE(fs::exists(Data("ci.11")));
  EXPECT_EQ(Read("ci.14"), "bb");
  EXPECT_FALSE(fs::exists(Data("ci14.dta")));
  EXPECT_EQ(Read("ci15.dta"), std::string(30, 'C'));
  EXPECT_EQ(Read("ci.15"), std::string(10, 'c'));
  EXPECT_EQ(Read("ci20.dta"), std::string(10, 'd'));
}

TEST_F(CodeListMenu, ASecondPressWithoutAccountsChangesNoListAndDuplicatesNothing) {
  // The combined file holds pre-postings and centres, but no account.
  Write("CI01.DTA", cltest::Joined({Ci01("11", "000001", "3", "00", {"Predkontace"}),
                                    Ci01("30", "x12345", "5", "00", {"Vyroba"}),
                                    Ci01("30", "x23456", "5", "00", {"Dilna"})}));
  app::MigrateCombinedCodeLists();
  codelists::CloseCodeListForms();
  const std::string ci11 = Read("ci11.dta");
  ASSERT_GT(ci11.size(), 2u);
  const std::string ci30 = Read("CI30.DTA");  // made by the list's set-up
  ASSERT_EQ(ci30.size(), 2u * static_cast<std::size_t>(codelists::Cis30Spec().recordLength));
  EXPECT_LT(fs::file_size(Data("CI10.DTA")), 2u);

  Write("ci11.dta", ci11 + ci11);  // an edit made since
  app::MigrateCombinedCodeLists();
  codelists::CloseCodeListForms();
  EXPECT_EQ(Read("ci11.dta"), ci11 + ci11);
  EXPECT_EQ(Read("CI30.DTA"), ci30);
}

TEST_F(CodeListMenu, RowFourConvertsAndSeedsTheKindsOnce) {
  Write("ci10.dta", std::string(10, ' '));
  Strings keys = Keys(0, 29, "1");  // 100 .. 129
  for (const std::string& k : Keys(10, 19, "3")) keys.push_back(k);  // the 31st is 310
  Write("ci14.dta", OldCi14File(keys));
  CloseLists();
  Choose({4, 4, 0});
  app::RunCodeListMenu();
  EXPECT_EQ(opened, (Strings{"fCis14 CI14.DTA", "fCis14 CI14.DTA"}));

  const codelists::CodeListSpec& spec = codelists::Cis14Spec();
  const std::string after = Read("ci14.dta");
  ASSERT_EQ(after.size(), 42u * 168u);
  const Strings k = cltest::Column(spec, after, 1);
  EXPECT_EQ(Strings(k.begin(), k.begin() + 30), Keys(0, 29, "1"));
  EXPECT_EQ(Strings(k.begin() + 30, k.end()), kTwelve);
  const Strings names = cltest::Column(spec, after, 2), dates = cltest::Column(spec, after, 7),
                locks = cltest::Column(spec, after, 8);
  EXPECT_EQ(names[0], common::Cz("Druh 100") + std::string(22, ' '));
  EXPECT_EQ(dates[0], "200101");
  EXPECT_EQ(locks[0], " ");
  EXPECT_EQ(names[30], "Zvýšení vstupní ceny"_cz + std::string(10, ' '));
  EXPECT_EQ(names[40], "Oprava způs. odep. a plánu ÚO"_cz + " ");
  for (std::size_t i = 30; i < 42; ++i) {
    EXPECT_EQ(dates[i], "010708") << i;
    EXPECT_EQ(locks[i], "B") << i;
  }
}

TEST_F(CodeListMenu, SeedingKeepsTheKindsAboveThreeInKeyOrder) {
  struct Case {
    Strings keys;
    Strings expected;
  };
  Strings some3 = Keys(0, 4, "1");
  for (const char* k : {"301", "302", "401", "402", "901"}) some3.push_back(k);
  Strings expected3 = Keys(0, 4, "1");
  expected3.insert(expected3.end(), kTwelve.begin(), kTwelve.end());
  for (const char* k : {"401", "402", "901"}) expected3.push_back(k);
  const Strings no3 = {"100", "200", "401", "402"};
  Strings expectedNo3 = {"100", "200"};
  expectedNo3.insert(expectedNo3.end(), kTwelve.begin(), kTwelve.end());
  expectedNo3.push_back("401");
  expectedNo3.push_back("402");
  Strings only1 = {"100", "101"};
  Strings expectedOnly1 = only1;
  expectedOnly1.insert(expectedOnly1.end(), kTwelve.begin(), kTwelve.end());
  const Case cases[] = {{some3, expected3}, {no3, expectedNo3}, {only1, expectedOnly1}};
  for (const Case& c : cases) {
    Write("ci14.dta", OldCi14File(c.keys));
    app::ConvertAndSeedCis14();
    const std::string after = Read("ci14.dta");
    EXPECT_EQ(after.size(), c.expected.size() * 168u);
    EXPECT_EQ(cltest::Column(codelists::Cis14Spec(), after, 1), c.expected);
  }
  // A file already in the newer layout is neither converted nor seeded again.
  const std::string seeded = Read("ci14.dta");
  app::ConvertAndSeedCis14();
  EXPECT_EQ(Read("ci14.dta"), seeded);
}

// Row 4's step killed at any point: the list is the old file byte for byte or the
// converted and seeded one, never converted without the kinds; the next press leaves
// it whole and nothing of the killed run beside it.
TEST_F(CodeListMenu, RowFourKilledAnywhereLeavesTheOldListOrTheWholeOne) {
  const std::string old = OldCi14File({"100", "101", "301", "302", "401"});
  Write("ci14.dta", old);
  app::ConvertAndSeedCis14();
  const std::string whole = Read("ci14.dta");
  ASSERT_EQ(cltest::Column(codelists::Cis14Spec(), whole, 1).size(), 15u);
  const auto leftBeside = [this] {
    Strings names;
    for (const auto& e : fs::directory_iterator(dir / "data"))
      if (e.path().filename().string().starts_with(".~")) names.push_back(e.path().filename().string());
    return names;
  };
  int kills = 0;
  for (const common::FsOp op : {common::FsOp::OpenWrite, common::FsOp::Write, common::FsOp::Truncate,
                                common::FsOp::Sync, common::FsOp::SetMode, common::FsOp::Rename}) {
    for (int skip = 0;; ++skip) {
      SCOPED_TRACE(std::to_string(static_cast<int>(op)) + " after " + std::to_string(skip));
      Write("ci14.dta", old);
      common::CurrentSession().ReplacementTemps.clear();  // each run is a new one
      common::FaultFileSystem faults;
      faults.DieAt(op, {"ci14.dta"}, skip);
      {
        common::ScopedFileSystem use(faults);
        app::ConvertAndSeedCis14();
      }
      if (!faults.Dead()) break;  // the step was through before that call
      ++kills;
      const std::string left = Read("ci14.dta");
      EXPECT_TRUE(left == old || left == whole) << left.size() << " B";
      common::CurrentSession().ReplacementTemps.clear();
      app::ConvertAndSeedCis14();
      EXPECT_EQ(Read("ci14.dta"), whole);
      EXPECT_EQ(leftBeside(), Strings{});
    }
  }
  EXPECT_GE(kills, 6);
}

TEST_F(CodeListMenu, ASeedingThatCannotBeWrittenLeavesTheOldList) {
  const std::string old = OldCi14File({"100", "101"});
  Write("ci14.dta", old);
  common::FaultFileSystem faults;
  // The conversion's one write passes; the seeding's finds the disk full.
  faults.Fail(common::FsOp::Write, ENOSPC, "ci14.dta", -1, 1);
  {
    common::ScopedFileSystem use(faults);
    app::ConvertAndSeedCis14();
  }
  EXPECT_EQ(Read("ci14.dta"), old);  // converted and seeded in one step, or not at all
  EXPECT_FALSE(Boxes().empty());
}

}  // namespace
