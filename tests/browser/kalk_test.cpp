// The calculator: its tape, operations, confirmation and the result picture.
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/kalk.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/params.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using browser::fKalk;
using browser::ShowCalculator;
using browser::TfKalk;

class DialogsKalk : public dlgtest::DialogTest {
 protected:
  // Shows the calculator seeded with start, runs the keys, returns its result.
  double Run(double start, const std::function<void(TfKalk&)>& keys) {
    backend.AnswerNextModal([&](ui::Form& f) { keys(static_cast<TfKalk&>(f)); });
    return ShowCalculator(start);
  }
};

TEST_F(DialogsKalk, AnAdditionWritesThreeTapeLinesOfSeventeenCharacters) {
  std::vector<std::string> tape;
  const double r = Run(100, [&](TfKalk& k) {
    backend.Type("5+");
    tape = k.Tape();
    backend.Press(ui::vk::F(2));
  });
  ASSERT_EQ(tape.size(), 3u);
  EXPECT_EQ(tape[0], "         100.00 =");
  EXPECT_EQ(tape[1], "              5 +");
  EXPECT_EQ(tape[2], "         105.00 =");
  for (const auto& line : tape) EXPECT_EQ(line.size(), 17u);
  EXPECT_DOUBLE_EQ(r, 105);
  EXPECT_TRUE(fKalk().Confirmed);
  EXPECT_EQ(browser::DialogResults().CalcResult, "105.00");
}

TEST_F(DialogsKalk, DivisionByZeroIsRefusedAndKeepsTheResult) {
  std::string display;
  std::vector<std::string> tape;
  Run(144, [&](TfKalk& k) {
    backend.Type("12/0/");
    display = k.EdtVy.text();
    tape = k.Tape();
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Dělení nulou"_cz});
  EXPECT_EQ(common::TextToFloat(display), 12);
  // 144 =, 12 /, 12 =, 0 /, and the kept result again.
  ASSERT_EQ(tape.size(), 5u);
  EXPECT_EQ(tape[3], "              0 /");
  EXPECT_EQ(tape[4], "          12.00 =");
}

TEST_F(DialogsKalk, ADigitAfterAnOperationStartsANewOperand) {
  std::string operand;
  const double r = Run(0, [&](TfKalk& k) {
    backend.Type("5+3");
    operand = k.EdtOp.text();
    backend.Type("*");
    backend.Press(ui::vk::Enter);
  });
  EXPECT_EQ(operand, "3");
  EXPECT_DOUBLE_EQ(r, 15);
}

TEST_F(DialogsKalk, EscapeLeavesItUnconfirmedAndReturnsZero) {
  const double r = Run(100, [&](TfKalk&) {
    backend.Type("5+");
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(r, 0);
  EXPECT_FALSE(fKalk().Confirmed);
  EXPECT_EQ(browser::DialogResults().CalcResult, "");
}

TEST_F(DialogsKalk, TheOkButtonTakesTheResultOver) {
  const double r = Run(7, [&](TfKalk& k) { backend.Click(k.Button1); });
  EXPECT_DOUBLE_EQ(r, 7);
  EXPECT_TRUE(fKalk().Confirmed);
}

TEST_F(DialogsKalk, CClearsResultOperandAndTape) {
  std::vector<std::string> tape;
  const double r = Run(50, [&](TfKalk& k) {
    backend.Type("5+");
    backend.Type("C");
    tape = k.Tape();
    EXPECT_EQ(k.EdtVy.text(), "");
    EXPECT_EQ(k.EdtOp.text(), "");
    backend.Type("4+");
    backend.Press(ui::vk::F(2));
  });
  EXPECT_TRUE(tape.empty());
  EXPECT_DOUBLE_EQ(r, 4);
}

// Results up to twelve whole digits come back whole (the picture once had nine).
TEST_F(DialogsKalk, ResultsOfAThousandMillionAndMoreKeepAllDigits) {
  std::vector<std::string> tape;
  const double r = Run(999999999, [&](TfKalk& k) {
    backend.Type("1+");
    tape = k.Tape();
    backend.Press(ui::vk::F(2));
  });
  EXPECT_DOUBLE_EQ(r, 1000000000);
  EXPECT_EQ(browser::DialogResults().CalcResult, "1000000000.00");
  // A number wider than the tape's 15 places loses its group blanks, not digits.
  EXPECT_EQ(tape.back(), "  1000000000.00 =");

  const double big = Run(123456789, [&](TfKalk&) {
    backend.Type("1000*");
    backend.Press(ui::vk::F(2));
  });
  EXPECT_DOUBLE_EQ(big, 123456789000.0);
}

TEST_F(DialogsKalk, AResultBeyondTwelveDigitsIsRefused) {
  std::string display;
  Run(999999999999.0, [&](TfKalk& k) {
    backend.Type("1+");
    display = k.EdtVy.text();
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Výsledek je příliš velký"_cz});
  EXPECT_DOUBLE_EQ(common::TextToFloat(display), 999999999999.0);
}

TEST_F(DialogsKalk, F10PrintsTheTapeThroughReportParagon) {
  dlgtest::FakeWriter writer;
  dlgtest::FakeViewer viewer;
  browser::SetReportServices(&viewer, nullptr, &writer);
  Run(10, [&](TfKalk&) {
    backend.Press(ui::vk::F(10));  // an empty tape prints nothing
    EXPECT_EQ(writer.job, "");
    backend.Type("2*");
    backend.Press(ui::vk::F(10));
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(writer.job, "Paragon");
  EXPECT_EQ(writer.width, 20);
  EXPECT_EQ(writer.lines.size(), 3u);
  EXPECT_EQ(viewer.setups, std::vector<std::string>{"Paragon.txt"});
}

TEST_F(DialogsKalk, ThePositionIsStoredUnderTheCaption) {
  Run(0, [&](TfKalk& k) {
    k.SetBounds(123, 45, k.width(), k.height());
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "Kalkulačka KalkLeft"_cz), "000123");
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "Kalkulačka KalkTop"_cz), "000045");
  // The next opening stands there.
  int left = 0;
  Run(0, [&](TfKalk& k) {
    left = k.left();
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(left, 123);
}

TEST(DialogsTape, NumbersAreRightAlignedAndNeverCut) {
  EXPECT_EQ(browser::TapeNumber("   12.50 "), "          12.50");
  EXPECT_EQ(browser::TapeNumber("123 456 789 012.00-"), "123456789012.00-");
}

}  // namespace
