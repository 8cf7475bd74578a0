// The print entry, the help topics and the Czech digit row.
#include <filesystem>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "common/encoding.h"
#include "common/params.h"
#include "common/scramble.h"
#include "common/session.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using namespace browser;

TEST(DialogsDigits, CzechDigitRowLettersBecomeDigits) {
  EXPECT_EQ(CzechKeysToDigits("+ěšč"_cz), "1234");
  EXPECT_EQ(CzechKeysToDigits("é+ěščřžýáí"_cz), "0123456789");
  EXPECT_EQ(CzechKeysToDigits("ÉĚŠČŘŽÝÁÍ"_cz), "023456789");
  EXPECT_EQ(CzechKeysToDigits("ABC 12"), "ABC 12");
}

class DialogsPrint : public dlgtest::DialogTest {
 protected:
  dlgtest::FakeViewer first_, second_;
};

TEST_F(DialogsPrint, AReportOfUnderThreeBytesIsEmpty) {
  SetReportServices(&first_, &second_, nullptr);
  WriteFile("SESTAVA.txt", "\r\n");
  PrintReport("SESTAVA");
  PrintReport("CHYBI");
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Prázdná tisková sestava"_cz, "Prázdná tisková sestava"_cz}));
  EXPECT_EQ(first_.shown, 0);
}

// A report that is a folder, or cannot be read, is named with what is wrong with it.
TEST_F(DialogsPrint, AReportThatIsAFolderIsNamed) {
  SetReportServices(&first_, &second_, nullptr);
  std::filesystem::create_directories("OBCE.TXT/x");
  PrintReport("OBCE");
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Tisková sestava OBCE.txt je složka, ne soubor"_cz}));
  EXPECT_EQ(first_.shown, 0);
  EXPECT_TRUE(std::filesystem::is_directory("OBCE.TXT/x"));
}

TEST_F(DialogsPrint, TheViewerIsShownAgainUntilEscOrEnter) {
  SetReportServices(&first_, &second_, nullptr);
  WriteFile("SESTAVA.txt", "abc\r\n");
  first_.leaveWith = {ui::vk::F(5), ui::vk::Delete, ui::vk::Esc};
  PrintReport("SESTAVA");
  EXPECT_EQ(first_.setups, std::vector<std::string>{"SESTAVA.txt"});
  EXPECT_EQ(first_.shown, 3);
  EXPECT_EQ(first_.currentRecord, -1);  // left with Esc
  EXPECT_EQ(first_.closed, 1);

  first_ = {};
  first_.leaveWith = {ui::vk::Enter};
  first_.currentRecord = 7;
  PrintReport("SESTAVA");
  EXPECT_EQ(first_.shown, 1);
  EXPECT_EQ(first_.currentRecord, 7);
  EXPECT_EQ(first_.closed, 1);
}

TEST_F(DialogsPrint, TheTwinUsesTheSecondViewer) {
  SetReportServices(&first_, &second_, nullptr);
  WriteFile("SESTAVA.txt", "abc\r\n");
  PrintReport2("SESTAVA");
  EXPECT_EQ(first_.shown, 0);
  EXPECT_EQ(second_.shown, 1);
}

// A viewer already shown (help asked for over an open report) keeps its report: the
// other one takes the new one, at its own topic line; with both shown it is said.
TEST_F(DialogsPrint, AShownViewerKeepsItsReportAndTheOtherTakesTheNewOne) {
  SetReportServices(&first_, &second_, nullptr);
  second_.name = "fPozri2";
  WriteFile("SESTAVA.txt", "abc\r\n");
  WriteFile("2/serv.hlp", "Servis\r\n$ [Parametry]\r\ntext\r\n");
  first_.busy = true;
  ShowHelpTopic("2\\serv", "Parametry");
  EXPECT_TRUE(first_.setups.empty());
  EXPECT_EQ(second_.setups, std::vector<std::string>{"help.txt"});
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fPozri2 Index"), "     3");
  PrintReport2("SESTAVA");
  EXPECT_EQ(second_.shown, 2);
  second_.busy = true;
  PrintReport("SESTAVA");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Obě okna tiskových sestav jsou otevřena, zavřete jedno z nich"_cz});
  EXPECT_EQ(first_.shown + second_.shown, 2);
}

TEST_F(DialogsPrint, HelpOpensTheViewerAtTheTopicLine) {
  SetReportServices(&first_, &second_, nullptr);
  WriteFile("2/kalk.hlp",
            "Nápověda\r\n$ [Úvod]\r\ntext\r\n$ [Kalkulačka]\r\nF2 potvrdí\r\n"_cz);
  ShowHelpTopic("2\\kalk", "KALKULACKA");
  EXPECT_EQ(first_.setups, std::vector<std::string>{"help.txt"});
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fPozri Index"), "     5");
  const std::string help = ostest::ReadRaw(dir / "help.txt");
  EXPECT_EQ(help.size(), 5u * 82);
  EXPECT_EQ(help.substr(82, 10), "$ [" + "Úvod]  "_cz);
  // A missing help file shows nothing.
  ShowHelpTopic("2\\nic", "");
  EXPECT_EQ(first_.setups.size(), 1u);
}

TEST_F(DialogsPrint, HelpLinesAreStoredScrambledWhenScramblingIsOn) {
  SetReportServices(&first_, &second_, nullptr);
  common::CurrentSession().ScrambleOn = 1;
  common::CurrentSession().ScrambleKey = common::ProgramScrambleKey();
  WriteFile("x.hlp", "Tajny text\r\n");
  ShowHelpTopic("x", "");
  const std::string help = ostest::ReadRaw(dir / "help.txt");
  ASSERT_EQ(help.size(), 82u);
  EXPECT_EQ(common::UnscrambleText(help.substr(0, 80), common::ProgramScrambleKey()),
            "Tajny text" + std::string(70, ' '));
}

}  // namespace
