// Postal money orders: the amount in words and digits, the account parts, the
// print of the form with its shift, and the run of the register's tools menu with
// its marks, a cancelled print dialog and amounts the form cannot hold.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "common/faultfs.h"

#include "common/numbers.h"
#include "common/params.h"
#include "partners/poukazka.h"
#include "tests/partners/partnerkit.h"
#include "ui/printing.h"

namespace {

using common::Cz;
using partners::TfOrg;

struct Words {
  double amount;
  const char* line1;
  const char* line2;
};

TEST(MoneyOrderWords, AmountsInCzechWords) {
  const Words cases[] = {
      {21, "dvacetjednakorun", ""},
      {101, "jednostojednakoruna", ""},
      {2, "dvěkoruny", ""},
      {5, "pětkorun", ""},
      {2000, "dvatisíce", ""},
      {1000, "jedentisíc", ""},
      {22000, "dvacetdvatisíc", ""},
      {13.99, "třináctkorun", ""},
      {0, "", ""},
      {2000000, "dvamiliónů", ""},
      {1234567, "jedenmilióndvěstětřicetčtyřitisíc", "pětsetšedesátsedmkorun"},
  };
  for (const Words& c : cases) {
    std::string line1 = "x", line2 = "x";
    partners::AmountToWords(c.amount, line1, line2);
    EXPECT_EQ(line1, Cz(c.line1)) << c.amount;
    EXPECT_EQ(line2, Cz(c.line2)) << c.amount;
  }
  EXPECT_EQ(partners::GroupToWords("000", 0), "");
  EXPECT_EQ(partners::GroupToWords("410", 4), Cz("čtyřistadeset"));
  EXPECT_EQ(partners::GroupToWords("001", 4), Cz("jeden"));
}

TEST(MoneyOrderWords, AccountPartsAndAmountRange) {
  EXPECT_EQ(partners::AccountPrefix("12-3456789"), "000012");
  EXPECT_EQ(partners::AccountNumber("12-3456789"), "0003456789");
  EXPECT_EQ(partners::AccountPrefix("3456789"), "000000");
  EXPECT_EQ(partners::AccountNumber(" 3456 789 "), "0003456789");
  EXPECT_EQ(partners::AccountPrefix(""), "000000");
  EXPECT_EQ(partners::AccountNumber(""), "0000000000");
  EXPECT_TRUE(partners::MoneyOrderAmountFits(0));
  EXPECT_TRUE(partners::MoneyOrderAmountFits(99999999.99));
  EXPECT_FALSE(partners::MoneyOrderAmountFits(100000000));
  EXPECT_FALSE(partners::MoneyOrderAmountFits(-5));
}

class MoneyOrders : public partnertest::PartnerFiles {
 protected:
  void SetUp() override {
    PartnerFiles::SetUp();
    partners::InstallMoneyOrderTool();
  }
  void TearDown() override {
    partners::DestroyMoneyOrderWindow();
    PartnerFiles::TearDown();
  }
  void OpenRegister(TfOrg& w, std::initializer_list<int> marks) {
    partners::SetupOrg(w, "org.dta");
    w.Show();
    for (int n : marks) w.ToggleMark(n);
  }
  // The tools menu's item run as the menu runs it.
  void RunTool(TfOrg& w) { partners::OrgHooks().tools.at("TiskPoukazek1")(w); }
  // The x of a form place on the recording printer.
  static int AtX(int left, int shift) {
    return static_cast<int>(std::lround(left * ui::PrinterScaleState().x)) + shift;
  }
  static int AtY(int top, int shift) {
    return static_cast<int>(std::lround(top * ui::PrinterScaleState().y)) + shift;
  }
};

TEST_F(MoneyOrders, EachMarkedPartnerGetsAnOrderAndLosesItsMark) {
  WriteData("org.dta", Partners({{{4, "Alfa s.r.o."}, {6, "Dlouhá 1"}, {7, "Brno"}, {8, "60200"}, {26, "OBJ 12"},
                                  {28, "1234.50"}},
                                 {{4, "Beta"}, {28, "7"}},
                                 {{4, "Gama"}, {28, "21"}}}));
  partners::OrgHooks().ownAccount = [] { return partners::OwnAccount{"12-3456789", "0800"}; };
  TfOrg w("fOrg");
  OpenRegister(w, {1, 3});
  AnswerFields({"30", "-12"});
  backend.QueueAnswer(ui::headless::Answer::PrinterAnswer("Headless"));
  RunTool(w);
  ASSERT_EQ(backend.printJobs().size(), 2u);
  EXPECT_TRUE(backend.printJobs()[0].landscape);  // the form is wider than a standing page
  EXPECT_FALSE(w.IsMarked(1));
  EXPECT_FALSE(w.IsMarked(2));
  EXPECT_FALSE(w.IsMarked(3));
  FlushParams();
  EXPECT_EQ(common::ReadParam("sek.par", "POSX"), "30");
  EXPECT_EQ(common::ReadParam("sek.par", "POSY"), "-12");

  partners::TfPoukazkA& form = partners::fPoukazkA();
  EXPECT_TRUE(form.Image1.visible());
  EXPECT_EQ(form.MoneyOrderShiftX, 30);
  const std::vector<std::string> first = Texts(0);
  const auto has = [&](int left, int top, const std::string& text) {
    const std::string op = std::to_string(AtX(left, 30)) + "," + std::to_string(AtY(top, -12)) + " " + text;
    return std::find(first.begin(), first.end(), op) != first.end();
  };
  EXPECT_TRUE(has(84, 128, "1234"));
  EXPECT_TRUE(has(196, 128, "50"));
  // 33 characters in words: thousands on line 1, crowns on line 2.
  EXPECT_TRUE(has(12, 156, "jedentisíc"));
  EXPECT_TRUE(has(12, 172, "dvěstětřicetčtyřikorun"));
  EXPECT_TRUE(has(56, 318, "Alfa s.r.o."));
  EXPECT_TRUE(has(56, 276, "OBJ12"));
  // Spaced fields: one character per cell of 20 screen pixels.
  const int cell = ui::PrinterScaleState().unit20;
  for (int i = 0; i < 8; ++i) {
    const std::string ch(1, "====1234"[i]);
    const std::string op =
        std::to_string(AtX(476, 30) + i * cell) + "," + std::to_string(AtY(18, -12)) + " " + ch;
    EXPECT_NE(std::find(first.begin(), first.end(), op), first.end()) << op;
  }
  EXPECT_NE(std::find(first.begin(), first.end(),
                      std::to_string(AtX(478, 30)) + "," + std::to_string(AtY(52, -12)) + " 0"),
            first.end());
  EXPECT_NE(std::find(first.begin(), first.end(),
                      std::to_string(AtX(475, 30) + cell) + "," + std::to_string(AtY(84, -12)) + " 8"),
            first.end());
  // The picture is never printed.
  for (const std::string& op : backend.printJobs()[0].ops) EXPECT_FALSE(op.starts_with("picture")) << op;
  const std::vector<std::string> second = Texts(1);
  EXPECT_NE(std::find(second.begin(), second.end(),
                      std::to_string(AtX(12, 30)) + "," + std::to_string(AtY(172, -12)) + " " + "dvacetjednakorun"),
            second.end());
  EXPECT_NE(std::find(second.begin(), second.end(),
                      std::to_string(AtX(12, 30)) + "," + std::to_string(AtY(156, -12)) + " " + std::string(40, '*')),
            second.end());
  w.Hide();
  w.CloseBrowse();
}

// A register the user may read but not write: its marked partners get their orders all
// the same (the marks are the window's own), the register as it was.
TEST_F(MoneyOrders, ARegisterTheUserMayOnlyReadPrintsItsOrders) {
  WriteData("org.dta", Partners({{{4, "Alfa"}, {28, "10"}}, {{4, "Beta"}, {28, "7"}}, {{4, "Gama"}, {28, "21"}}}));
  const std::string before = ReadData("org.dta");
  common::FaultFileSystem faults;
  faults.Fail(common::FsOp::OpenWrite, EACCES, "org.dta");
  common::ScopedFileSystem scoped(faults);
  TfOrg w("fOrg");
  OpenRegister(w, {1, 3});
  ASSERT_EQ(w.Count, 3);
  AnswerFields({"0", "0"});
  backend.QueueAnswer(ui::headless::Answer::PrinterAnswer("Headless"));
  RunTool(w);
  ASSERT_EQ(backend.printJobs().size(), 2u);
  const auto has = [&](std::size_t job, const std::string& text) {
    for (const std::string& t : Texts(job))
      if (t.ends_with(" " + text)) return true;
    return false;
  };
  EXPECT_TRUE(has(0, "Alfa"));
  EXPECT_TRUE(has(1, "Gama"));
  EXPECT_FALSE(w.IsMarked(1));
  EXPECT_FALSE(w.IsMarked(3));
  w.Hide();
  w.CloseBrowse();
  EXPECT_EQ(ReadData("org.dta"), before);
}

TEST_F(MoneyOrders, CancelInThePrintDialogPrintsNothingAndKeepsMarks) {
  WriteData("org.dta", Partners({{{4, "Alfa"}, {28, "10"}}, {{4, "Beta"}, {28, "20"}}}));
  TfOrg w("fOrg");
  OpenRegister(w, {1, 2});
  AnswerFields({"0", "0"});
  backend.QueueAnswer(ui::headless::Answer::CancelAnswer());
  RunTool(w);
  EXPECT_TRUE(backend.printJobs().empty());
  EXPECT_TRUE(w.IsMarked(1));
  EXPECT_TRUE(w.IsMarked(2));
  w.Hide();
  w.CloseBrowse();
}

TEST_F(MoneyOrders, AmountsTheFormCannotHoldAreSkippedNamedAndKeptMarked) {
  WriteData("org.dta", Partners({{{4, "Minus"}, {28, "-5"}},
                                 {{4, "Dobry"}, {28, "99"}},
                                 {{4, "Obr"}, {28, "100000000"}}}));
  TfOrg w("fOrg");
  OpenRegister(w, {1, 2, 3});
  AnswerFields({"", ""}, false);
  backend.QueueAnswer(ui::headless::Answer::PrinterAnswer("Headless"));
  RunTool(w);
  EXPECT_EQ(backend.printJobs().size(), 1u);
  EXPECT_TRUE(w.IsMarked(1));
  EXPECT_FALSE(w.IsMarked(2));
  EXPECT_TRUE(w.IsMarked(3));
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Minus"), std::string::npos);
  EXPECT_NE(messages[0].find("Obr"), std::string::npos);
  EXPECT_EQ(messages[0].find("Dobry"), std::string::npos);
  // A cancelled shift dialog keeps the values shown.
  FlushParams();
  EXPECT_EQ(common::ReadParam("sek.par", "POSX"), "");
  w.Hide();
  w.CloseBrowse();
}

}  // namespace
