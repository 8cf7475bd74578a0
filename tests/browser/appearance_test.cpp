// Window settings of the list windows: fonts, column widths, the F11 menu.
#include <filesystem>

#include "browser/appearance.h"
#include "browser/dialogs.h"
#include "browser/vyber.h"
#include "browser/winsettings.h"
#include "common/encoding.h"
#include "common/params.h"
#include "common/session.h"
#include "tests/browser/rolkit.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using namespace browser;
using headlessAnswer = ui::headless::Answer;

TEST(AppearanceGridy, GroupsOfThreeDigitsFromTheMarkColumn) {
  EXPECT_EQ(ParseGridy("010120080", 2), (std::vector<int>{10, 120, 80}));
  // A group of 000, and columns past the stored value, get 200.
  EXPECT_EQ(ParseGridy("010000", 3), (std::vector<int>{10, 200, 200, 200}));
  // Groups past the last column are ignored.
  EXPECT_EQ(ParseGridy("010020030040", 1), (std::vector<int>{10, 20}));
}

TEST(AppearanceGridy, WidthsAboveNineHundredNinetyNineAreStoredAs999) {
  EXPECT_EQ(FormatGridy({10, 1200, 80}), "010999080");
  EXPECT_EQ(FormatGridy({-5, 999}), "000999");
  // What is stored reads back as it was meant, column by column.
  EXPECT_EQ(ParseGridy(FormatGridy({10, 1200, 80}), 2), (std::vector<int>{10, 999, 80}));
}

TEST(AppearanceColumns, WidthFromTheTextLengthAndTheCell) {
  EXPECT_EQ(DefaultColumnWidth(8, 0, 8, 1.0), 72);
  EXPECT_EQ(DefaultColumnWidth(8, 9, 8, 1.0), 80);   // date
  EXPECT_EQ(DefaultColumnWidth(6, 13, 8, 1.25), 80);  // time, large fonts
  EXPECT_EQ(GridCell("Courier", 8), 9);
  EXPECT_EQ(GridCell("FIXEDSYS", 7), 9);
  EXPECT_EQ(GridCell("Arial", 7), 7);
}

class AppearanceSettings : public dlgtest::DialogTest {};

TEST_F(AppearanceSettings, PerWindowFontComesFromTheCommonKeyThenTheWindowKey) {
  common::WriteParam(kOkna2Par, "VyskaFontu", "22");
  common::WriteParam(kOkna2Par, "fOrg VyskaFontu", "25");
  common::WriteParam(kOkna2Par, "fOrg SirkaFontu", " 10");
  common::WriteParam(kOkna2Par, "fOrg FontName", "Courier");
  common::WriteParam(kOkna2Par, "fOrg FontPaper", " 00000065535");
  ui::Color font = 1, paper = 2;
  LoadWindowFont("fOrg", font, paper);
  EXPECT_EQ(WindowFont().LetterHeight, 22);
  EXPECT_EQ(WindowFont().LetterWidth, 10);
  EXPECT_EQ(WindowFont().FontName, "Courier");
  EXPECT_EQ(WindowFont().FontStyle, "Normal");  // nothing stored: kept
  EXPECT_EQ(font, 1);
  EXPECT_EQ(paper, 65535);
  EXPECT_FALSE(WindowFont().CommonMode);
}

TEST_F(AppearanceSettings, WithOknagParPresentThePerWindowKeysAreIgnored) {
  WriteFile("par/oknag.par", "FontName : Arial\r\nVyskaFontu : 20\r\n");
  common::WriteParam(kOkna2Par, "VyskaFontu", "22");
  common::WriteParam(kOkna2Par, "fOrg SirkaFontu", "10");
  ui::Color font = 1, paper = 2;
  LoadWindowFont("fOrg", font, paper);
  EXPECT_TRUE(WindowFont().CommonMode);
  EXPECT_EQ(WindowFont().FontName, "Arial");
  EXPECT_EQ(WindowFont().LetterHeight, 20);
  EXPECT_EQ(WindowFont().LetterWidth, 8);
  // A file under 7 bytes does not count.
  WriteFile("par/oknag.par", "A : 1");
  FlushParams();
  ResetWindowFont();
  LoadWindowFont("fOrg", font, paper);
  EXPECT_FALSE(WindowFont().CommonMode);
  EXPECT_EQ(WindowFont().LetterHeight, 22);
}

TEST_F(AppearanceSettings, LargeFontsAndTheWorkArea) {
  backend.pixelsPerInch = 120;
  DetectLargeFonts();
  EXPECT_DOUBLE_EQ(common::CurrentSession().ScreenPpi, 1.25);
  backend.pixelsPerInch = 96;
  DetectLargeFonts();
  EXPECT_DOUBLE_EQ(common::CurrentSession().ScreenPpi, 1.0);
  backend.workArea = {0, 0, 1366, 728};
  int w = 0, h = 0;
  GetWorkArea(w, h);
  EXPECT_EQ(w, 1366);
  EXPECT_EQ(h, 728);
}

// The F11 menu on a list window.
class AppearanceMenuTest : public dlgtest::DialogTest {
 protected:
  AppearanceMenuTest() { list_.Open(); }
  // Chooses menu item n, then lets `then` answer what the item opens.
  void Choose(int n) {
    backend.AnswerNextModal([n, this](ui::Form& f) {
      auto& v = static_cast<TfVyber&>(f);
      EXPECT_EQ(v.caption(), "Úprava vizáže"_cz);
      EXPECT_EQ(v.RowCount, 7);
      backend.DoubleClick(*v.Rows[n]);
    });
  }
  // Answers the height and width question.
  void AnswerSize(const std::string& height, const std::string& width, bool confirm = true) {
    backend.AnswerNextModal([=, this](ui::Form&) {
      backend.Active().activeControl()->SetText(height);
      backend.Press(ui::vk::Down);
      backend.Active().activeControl()->SetText(width);
      backend.Press(confirm ? ui::vk::Enter : ui::vk::Esc);
    });
  }
  std::string Okna2(const std::string& key) { return common::ReadParam(kOkna2Par, key); }

  roltest::MemList list_{roltest::MemList::Numbered(5)};
};

using AppearanceMenuItems = AppearanceMenuTest;

TEST_F(AppearanceMenuItems, F11OpensTheMenuOnceInstalled) {
  InstallBrowserDialogs();
  list_.Show();
  backend.AnswerNextModal([&](ui::Form& f) {
    EXPECT_EQ(f.name(), "fVyber");
    backend.Press(ui::vk::Esc);
  });
  backend.Press(ui::vk::F(11));
  EXPECT_EQ(ModalForms(), std::vector<std::string>{"fVyber"});
  list_.Hide();
  RolHooks().appearanceMenu = nullptr;
}

TEST_F(AppearanceMenuItems, FontOfTheWindowWithHeightAndWidthKeptInRange) {
  WriteFile("par/oknag.par", "FontName : Arial\r\n");
  ui::Font chosen;
  chosen.name = "Courier New";
  chosen.size = 12;
  chosen.bold = true;
  chosen.color = 0x0000FF;
  Choose(3);
  backend.QueueAnswer(headlessAnswer::FontAnswer(chosen));
  AnswerSize("40", "3");
  AppearanceMenu(list_);
  EXPECT_EQ(list_.sgRol.font().name, "Courier New");
  EXPECT_EQ(Okna2("fMemList FontName"), "Courier New");
  EXPECT_EQ(Okna2("fMemList FontSize"), "0012 ");
  EXPECT_EQ(Okna2("fMemList FontStyle"), "Bold");
  EXPECT_EQ(Okna2("fMemList FontColor"), " 00000000255");
  EXPECT_EQ(Okna2("fMemList VyskaFontu"), " 30");
  EXPECT_EQ(Okna2("fMemList SirkaFontu"), "  5");
  EXPECT_EQ(WindowFont().LetterHeight, 30);
  EXPECT_EQ(WindowFont().LetterWidth, 5);
  EXPECT_FALSE(Exists("par/oknag.par"));
  EXPECT_FALSE(WindowFont().CommonMode);
}

TEST_F(AppearanceMenuItems, AnEscapedSizeQuestionKeepsTheSizes) {
  Choose(3);
  backend.QueueAnswer(headlessAnswer::FontAnswer(ui::Font{}));
  AnswerSize("12", "12", false);
  AppearanceMenu(list_);
  EXPECT_EQ(WindowFont().LetterHeight, 18);
  EXPECT_EQ(Okna2("fMemList SirkaFontu"), "");
}

TEST_F(AppearanceMenuItems, BackgroundColourOfTheWindow) {
  WriteFile("par/oknag.par", "FontName : Arial\r\n");
  Choose(2);
  backend.QueueAnswer(headlessAnswer::ColorAnswer(0x00FFEEDD));
  AppearanceMenu(list_);
  EXPECT_EQ(list_.color(), 0x00FFEEDD);
  EXPECT_EQ(list_.sgRol.color(), 0x00FFEEDD);
  EXPECT_EQ(Okna2("fMemList FontPaper"), " 00016772829");
  EXPECT_FALSE(Exists("par/oknag.par"));
  // A cancelled colour dialog changes nothing.
  Choose(2);
  backend.QueueAnswer(headlessAnswer::CancelAnswer());
  AppearanceMenu(list_);
  EXPECT_EQ(list_.color(), 0x00FFEEDD);
}

TEST_F(AppearanceMenuItems, CommonFontForAllWindowsWithItsTwins) {
  ui::Font chosen;
  chosen.name = "Arial";
  chosen.size = 9;
  chosen.italic = true;
  Choose(4);
  backend.QueueAnswer(headlessAnswer::FontAnswer(chosen));
  AnswerSize("20", "9");
  AppearanceMenu(list_);
  for (const std::string a : {"", "A"}) {
    EXPECT_EQ(Okna2("FontName" + a), "Arial");
    EXPECT_EQ(Okna2("FontSize" + a), "0009 ");
    EXPECT_EQ(Okna2("FontStyle" + a), "Italic");
    EXPECT_EQ(Okna2("VyskaFontu" + a), " 20");
    EXPECT_EQ(Okna2("SirkaFontu" + a), "  9");
  }
  EXPECT_EQ(Okna2("fMemList FontColor"), "");  // colours stay per window
}

// The font dialog confirmed as it opened, on the font the window has: the common
// keys get that font back, "Normal" for the regular default.
TEST_F(AppearanceMenuItems, AFontConfirmedUnchangedIsStoredAsTheWindowHadIt) {
  for (const std::string style : {"Normal", "BoldItalic"}) {
    common::WriteParam(kOkna2Par, "fMemList FontStyle", style);
    list_.Open();
    Choose(4);
    backend.QueueAnswer(headlessAnswer::FontAnswer(list_.sgRol.font()));
    AnswerSize("18", "8");
    AppearanceMenu(list_);
    for (const std::string a : {"", "A"}) {
      EXPECT_EQ(Okna2("FontName" + a), "Ms Sans Serif");
      EXPECT_EQ(Okna2("FontSize" + a), "0008 ");
      EXPECT_EQ(Okna2("FontStyle" + a), style);
    }
    common::WriteParam(kOkna2Par, "FontStyle", "");  // the window's own key counts again
  }
}

TEST_F(AppearanceMenuItems, BackToPerWindowErasesBothFilesWhole) {
  common::WriteParam(kOkna2Par, "fJiny Left", "0100");
  common::WriteParam(kOkna2Par, "fMemList VyskaFontu", " 25");
  FlushParams();
  WriteFile("par/oknag.par", "FontName : Arial\r\n");
  WindowFont().LetterHeight = 25;
  Choose(5);
  AppearanceMenu(list_);
  EXPECT_FALSE(Exists("par/oknag.par"));
  EXPECT_EQ(Okna2("fJiny Left"), "");
  EXPECT_EQ(Okna2("fMemList VyskaFontu"), "");
  EXPECT_FALSE(WindowFont().CommonMode);
}

TEST_F(AppearanceMenuItems, TheWindowTakesTheWorkAreaSize) {
  backend.workArea = {0, 0, 1000, 700};
  Choose(6);
  AppearanceMenu(list_);
  EXPECT_EQ(list_.width(), 1000);
  EXPECT_EQ(list_.height(), 700);
}

TEST_F(AppearanceMenuItems, TheStandardSettingsReplaceOknagPar) {
  const std::string standard = "FontName : Arial\r\nVyskaFontu : 20\r\n";
  WriteFile("2/Oknag.par", standard);
  common::WriteParam(kOkna2Par, "fMemList Left", "0100");
  for (int round = 0; round < 2; ++round) {
    Choose(7);
    AppearanceMenu(list_);
  }
  EXPECT_EQ(ostest::ReadRaw(dir / "par/Oknag.par"), standard);
  EXPECT_EQ(Okna2("fMemList Left"), "");
  EXPECT_TRUE(WindowFont().CommonMode);
  ui::Color font = 0, paper = 0;
  LoadWindowFont("fMemList", font, paper);
  EXPECT_EQ(WindowFont().LetterHeight, 20);
}

TEST_F(AppearanceMenuItems, SystemParametersThroughTheirHook) {
  int opened = 0;
  SystemParametersHook() = [&] { ++opened; };
  Choose(1);
  AppearanceMenu(list_);
  SystemParametersHook() = nullptr;
  EXPECT_EQ(opened, 1);
}

TEST(AppearanceLimits, HeightTenToThirtyWidthFiveToTwenty) {
  EXPECT_EQ(ClampLetterHeight(40), 30);
  EXPECT_EQ(ClampLetterHeight(3), 10);
  EXPECT_EQ(ClampLetterWidth(3), 5);
  EXPECT_EQ(ClampLetterWidth(25), 20);
  EXPECT_EQ(ClampLetterWidth(12), 12);
}

}  // namespace
