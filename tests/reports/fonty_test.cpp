// The print fonts window, opened as the system parameters open it.
#include "tests/reports/reportkit.h"

#include "browser/parsys.h"
#include "reports/fonty.h"
#include "ui/keys.h"

namespace reporttest {
namespace {

using reports::FontSizeText;
using reports::TfFontyTisky;

TEST(FontSizeTextTable, KeepsWholeNumbersNineToNinetyNine) {
  const std::pair<const char*, const char*> cases[] = {
      {"1 2", "12"}, {" 9", "9"}, {"99", "99"}, {"150", ""}, {"8", ""}, {"", ""}, {"-12", ""}, {"0", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(FontSizeText(in), out) << in;
}

class FontyTisky : public ReportTest {
 protected:
  FontyTisky() {
    const std::string pad = std::string(200, ' ') + "\r\n";
    Put("norm.fnt", "Height : 40\r\nWidth : 20\r\nFaceName : Courier New\r\n" + pad);
    Put("12zn.fnt", "Height : 33\r\nWidth : 16\r\nFaceName : Courier New\r\n");
    Put("cond.fnt", "Height : 25\r\nWidth : 12\r\nFaceName : Lucida Console\r\n");
  }
  TfFontyTisky& w = reports::fFontyTisky();

  // Opened from field 13 of the system parameters; steps run while it is shown,
  // Esc closes it.
  void Open(std::function<void()> steps) {
    backend.AnswerNextModal([this, steps](ui::Form& f) {
      EXPECT_EQ(&f, &w);
      steps();
      if (f.showingModal()) backend.Press(ui::vk::Esc);
    });
    ASSERT_TRUE(browser::PrintFontsHook());
    browser::PrintFontsHook()();
    common::FlushParams();
  }
  std::string Param(const char* file, const char* key) { return common::ReadParam(file, key); }
};

TEST_F(FontyTisky, ShowsNormAndSavesItBeforeSwitchingToCond) {
  Open([&] {
    EXPECT_EQ(w.ComboBox1.items().size(), 3u);
    EXPECT_EQ(w.ComboBox1.text(), Cz(" 80 zn/řádek"));
    EXPECT_EQ(w.Edit1.text(), "40");
    EXPECT_EQ(w.Edit2.text(), "20");
    EXPECT_EQ(w.Edit3.text(), "Courier New");
    w.Edit1.SetText("44");
    backend.ChooseItem(w.ComboBox1, 2);
    EXPECT_EQ(w.Edit1.text(), "25");
    EXPECT_EQ(w.Edit3.text(), "Lucida Console");
    EXPECT_EQ(w.ShownDensity, Cz("130 zn/řádek"));
    EXPECT_EQ(common::ReadParam("norm.fnt", "Height"), "44");  // written before the switch
    w.Edit2.SetText("11");
  });
  EXPECT_EQ(Param("cond.fnt", "Width"), "11");  // closing saves
  EXPECT_EQ(Param("norm.fnt", "Width"), "20");
}

TEST_F(FontyTisky, LeavingASizeFieldNormalisesIt) {
  Open([&] {
    backend.Focus(w.Edit1);
    w.Edit1.UserSetText("1 2");
    backend.Press(ui::vk::Tab);
    EXPECT_EQ(w.Edit1.text(), "12");
    backend.Focus(w.Edit2);
    w.Edit2.UserSetText("150");
    backend.Press(ui::vk::Tab);
    EXPECT_EQ(w.Edit2.text(), "");
  });
  EXPECT_EQ(Param("norm.fnt", "Height"), "12");
  EXPECT_EQ(Param("norm.fnt", "Width"), "20");  // an emptied field leaves its key
}

TEST_F(FontyTisky, ASizeStillBeingTypedIsCheckedOnClosing) {
  Open([&] {
    backend.Focus(w.Edit1);
    w.Edit1.UserSetText("8");
  });
  EXPECT_EQ(Param("norm.fnt", "Height"), "40");
}

TEST_F(FontyTisky, FontDialogSetsTheFaceAndCancelKeepsIt) {
  Open([&] {
    backend.QueueAnswer(ui::headless::Answer::CancelAnswer());
    backend.Click(w.Edit3);
    EXPECT_EQ(w.Edit3.text(), "Courier New");
    ui::Font f{"Consolas", 11};
    backend.QueueAnswer(ui::headless::Answer::FontAnswer(f));
    backend.Focus(w.Edit3);
    backend.Press(ui::vk::Enter);
    EXPECT_EQ(w.Edit3.text(), "Consolas");
  });
  EXPECT_EQ(Param("norm.fnt", "FaceName"), "Consolas");
  EXPECT_EQ(Param("norm.fnt", "Height"), "40");
}

TEST_F(FontyTisky, FirstUseSeedsTheFilesFromTheProgramFolder) {
  std::filesystem::remove(dir / "norm.fnt");
  Put("2/norm.fnt", "Height : 50\r\n" + std::string(220, ' ') + "\r\n");
  Put("2/12zn.fnt", "Height : 35\r\n");
  Put("2/cond.fnt", "Height : 27\r\n");
  Open([&] {
    EXPECT_EQ(w.Edit1.text(), "50");
    backend.ChooseItem(w.ComboBox1, 1);
    EXPECT_EQ(w.Edit1.text(), "35");
  });
  EXPECT_EQ(Param("cond.fnt", "Height"), "27");
}

TEST_F(FontyTisky, ATypedDensityThatMatchesNoneLoadsNothing) {
  Open([&] {
    w.ComboBox1.UserSetText("90 zn");
    EXPECT_EQ(w.Edit1.text(), "40");
    EXPECT_EQ(w.ShownDensity, Cz(" 80 zn/řádek"));
  });
}

TEST_F(FontyTisky, EnterOnField13OfTheSystemParametersOpensIt) {
  bool shown = false;
  backend.AnswerNextModal([&](ui::Form&) {
    backend.PressKeys("Down Down Down Down Down Down Down Down Down Down Down Down");
    backend.AnswerNextModal([&](ui::Form& f) {
      shown = &f == &w;
      backend.Press(ui::vk::Esc);
    });
    backend.PressKeys("Enter");
    backend.Press(ui::vk::Esc);
  });
  browser::OpenSystemParameters();
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace reporttest
