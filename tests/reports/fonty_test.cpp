// The print fonts window, opened as the system parameters open it.
#include "tests/reports/reportkit.h"

#include <filesystem>
#include <functional>

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

// The first use on a workstation: none of the three is there; all come from "\2\"
// without a word.
TEST_F(FontyTisky, FirstUseSeedsTheFilesFromTheProgramFolder) {
  for (const char* name : {"norm.fnt", "12zn.fnt", "cond.fnt"}) std::filesystem::remove(dir / name);
  Put("2/norm.fnt", "Height : 50\r\n" + std::string(220, ' ') + "\r\n");
  Put("2/12zn.fnt", "Height : 35\r\n");
  Put("2/cond.fnt", "Height : 27\r\n");
  Open([&] {
    EXPECT_EQ(w.Edit1.text(), "50");
    backend.ChooseItem(w.ComboBox1, 1);
    EXPECT_EQ(w.Edit1.text(), "35");
  });
  EXPECT_EQ(Param("cond.fnt", "Height"), "27");
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

// Only a font file that does not read as a parameter file with its face name comes
// back from the program folder, and the user is told which and why; the faces chosen
// for the other two densities stay, however short their files (12zn.fnt of 49 B,
// cond.fnt of 52 B).
TEST_F(FontyTisky, ADamagedNormFntAloneIsSeededAgainAndNamed) {
  // As the window writes them back: every key, one a line.
  const auto file = [](const char* height, const char* face) {
    return std::string("Height : ") + height +
           "\r\nWidth : 0\r\nEscapement : 0\r\nOrientation : 0\r\nWeight : 400\r\nItalic : 0\r\n"
           "Underline : 0\r\nStrikeOut : 0\r\nCharset : 238\r\nOutPrecision : 0\r\nClipPrecision : 0\r\n"
           "Quality : 0\r\nPitchAndFamily : 49\r\nFaceName : " + face + "\r\n";
  };
  const std::string users12 = Bytes("12zn.fnt"), usersCond = Bytes("cond.fnt");
  ASSERT_EQ(users12.size(), 49u);
  ASSERT_EQ(usersCond.size(), 52u);
  const std::string usersNorm = file("44", "Courier New");
  Put("2/norm.fnt", file("50", "Seed Mono"));
  Put("2/12zn.fnt", file("35", "Seed Mono"));
  Put("2/cond.fnt", file("27", "Seed Mono"));
  std::string random(229, '\0');
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 197 + 41) % 256);
  const struct {
    const char* what;
    std::function<void()> damage;
    std::string said;  // empty: the file stays and nothing is said
    const char* height = "50";
  } cases[] = {
      {"whole", [&] { Put("norm.fnt", usersNorm); }, "", "44"},
      {"short but whole", [&] { Put("norm.fnt", "FaceName : Courier New\r\n"); }, "", ""},
      {"cut before its face", [&] { Put("norm.fnt", usersNorm.substr(0, 60)); }, Cz(" nemá název písma (FaceName)")},
      {"empty", [&] { Put("norm.fnt", ""); }, Cz(" je prázdný")},
      {"random 229 B", [&] { Put("norm.fnt", random); }, Cz(" není textový soubor")},
      {"missing", [] {}, Cz(" chybí")},
      {"folder", [&] { std::filesystem::create_directory(dir / "norm.fnt"); }, Cz(" je složka, ne soubor")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    common::ForgetParamFile("norm.fnt");
    std::filesystem::remove_all(dir / "norm.fnt");
    c.damage();
    const std::string before = c.said.empty() ? Bytes("norm.fnt") : std::string();
    (void)Param("norm.fnt", "Height");  // a print read it before the window opens
    notes.calls.clear();
    Open([&] {
      EXPECT_EQ(w.Edit1.text(), c.height);
      EXPECT_EQ(w.Edit3.text(), c.said.empty() ? "Courier New" : "Seed Mono");
      backend.ChooseItem(w.ComboBox1, 1);
      EXPECT_EQ(w.Edit1.text(), "33");
      EXPECT_EQ(w.Edit3.text(), "Courier New");
      backend.ChooseItem(w.ComboBox1, 2);
      EXPECT_EQ(w.Edit3.text(), "Lucida Console");
    });
    if (c.said.empty()) {
      EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
      EXPECT_EQ(Bytes("norm.fnt"), before);
    } else {
      EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message),
                std::vector<std::string>{Cz("Soubor písma norm.fnt") + c.said + Cz(", nahrazen výchozím z \\2\\norm.fnt")});
      EXPECT_EQ(Param("norm.fnt", "FaceName"), "Seed Mono");
      EXPECT_EQ(Param("norm.fnt", "Height"), "50");
    }
    EXPECT_EQ(Bytes("12zn.fnt"), users12);
    EXPECT_EQ(Bytes("cond.fnt"), usersCond);
  }
}

// A folder with files in it is nobody's font file to delete: it stays, and is named.
TEST_F(FontyTisky, AFolderWithFilesInPlaceOfNormFntStaysAndIsNamed) {
  Put("2/norm.fnt", "Height : 50\r\n" + std::string(220, ' ') + "\r\nFaceName : Seed Mono\r\n");
  std::filesystem::remove_all(dir / "norm.fnt");
  Put("norm.fnt/keep.txt", "mine");
  Open([&] { EXPECT_EQ(w.Edit1.text(), ""); });
  const auto said = notes.Texts(common::RecordingNotifier::Kind::Message);
  ASSERT_EQ(said.size(), 1u) << notes.Dump();
  EXPECT_TRUE(said[0].starts_with(Cz("Soubor písma norm.fnt je složka, ne soubor; výchozí z \\2\\norm.fnt do něj nelze zapsat (err")))
      << said[0];
  EXPECT_EQ(Bytes("norm.fnt/keep.txt"), "mine");
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
