// The folder chooser, the file chooser and the line editor, driven by keys and
// clicks over a scratch folder that the drive map makes drive C.
#include <algorithm>
#include <filesystem>

#include "browser/choosers/dirdialog.h"
#include "browser/choosers/drives.h"
#include "browser/choosers/edituj.h"
#include "browser/choosers/inout.h"
#include "common/encoding.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/winpath.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using browser::fDirDialog;
using browser::fEdituj;
using browser::fInOut;

class Choosers : public dlgtest::DialogTest {
 protected:
  Choosers() : saved(common::Drives()) {
    common::Drives().Clear();
    common::Drives().Set("C", dir.path());
  }
  ~Choosers() override { common::Drives() = saved; }
  void MakeDir(const std::string& rel) { std::filesystem::create_directories(dir / rel); }

  common::DriveMap saved;
};

// ---------------------------------------------------------------- paths

TEST_F(Choosers, ParentFolderStopsAtTheRoot) {
  const std::pair<const char*, const char*> cases[] = {
      {"\\", "\\"}, {"", "\\"}, {"\\A\\", "\\"}, {"\\A\\B\\", "\\A\\"}, {"\\A\\B", "\\A\\"}};
  for (const auto& [folder, parent] : cases) EXPECT_EQ(browser::ParentFolder(folder), parent) << folder;
  EXPECT_EQ(browser::FolderOfEntry("\\A\\", "."), "\\");
  EXPECT_EQ(browser::FolderOfEntry("\\A\\", "B"), "\\A\\B\\");
}

TEST_F(Choosers, NewFolderNamesKeepPlainLettersBeforeTheFirstDot) {
  EXPECT_EQ(browser::NewFolderName("Nový.txt"_cz), "Nov");
  EXPECT_EQ(browser::NewFolderName("a b-c_D9!"), "ab-c_D9");
  EXPECT_EQ(browser::NewFolderName(".skryta"), "");
}

TEST_F(Choosers, ADriveIsTestedByListingItsRootAndNothingIsWrittenThere) {
  MakeDir("d");
  dlgtest::DialogTest::WriteFile("d/a.a", "user data");
  common::Drives().Set("D", dir / "d");
  common::Drives().Set("E", dir / "missing");
  EXPECT_EQ(browser::TestDrive("D"), 0);
  EXPECT_EQ(browser::TestDrive("E"), 21);
  EXPECT_EQ(browser::TestDrive("F"), 21);
  EXPECT_EQ(FileText("d/a.a"), "user data");
  EXPECT_EQ(browser::DriveLetters(), (std::vector<std::string>{"C", "D", "E"}));
}

// ---------------------------------------------------------------- folder chooser

TEST_F(Choosers, FolderChooserReturnsTheStartFolderWithItsDrive) {
  MakeDir("DATA");
  const std::pair<const char*, const char*> cases[] = {{"c:\\", "c:\\"}, {"\\DATA\\", "c:\\DATA\\"}, {"", "c:\\"}};
  for (const auto& [start, chosen] : cases) {
    std::string label;
    backend.AnswerNextModal([&](ui::Form&) {
      label = fDirDialog().Label2.text();
      backend.Click(fDirDialog().Button2);
    });
    EXPECT_TRUE(browser::ChooseFolder("Urči složku", start));
    EXPECT_EQ(fDirDialog().Folder, chosen);
    EXPECT_EQ(label, std::string(chosen));
  }
}

TEST_F(Choosers, FolderListIsCapitalisedSortedAndNavigable) {
  MakeDir(common::Win1250ToUtf8("žluté"_cz) + "/b");
  MakeDir("abc");
  std::vector<std::string> items, inside, back, atRoot;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& d = fDirDialog();
    items = d.ListBox1.items();
    backend.ClickItem(d.ListBox1, 4);  // ŽLUTÉ
    inside = d.ListBox1.items();
    backend.ClickItem(d.ListBox1, 1);  // ..
    back = d.ListBox1.items();
    backend.ClickItem(d.ListBox1, 1);  // .. at the root
    atRoot = {d.Label2.text()};
    backend.Press(ui::vk::Esc);
  });
  EXPECT_FALSE(browser::ChooseFolder("Urči složku", "c:\\"));
  EXPECT_EQ(items, (std::vector<std::string>{".", "..", "ABC", "PAR", "ŽLUTÉ"_cz}));
  EXPECT_EQ(inside, (std::vector<std::string>{".", "..", "B"}));
  EXPECT_EQ(back, items);
  EXPECT_EQ(atRoot, std::vector<std::string>{"c:\\"});
  EXPECT_EQ(fDirDialog().Folder, "\\");  // Esc chooses nothing
}

TEST_F(Choosers, ANewFolderIsMadeFromTheFilteredNameAndListed) {
  std::vector<std::string> items;
  std::string shown;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& d = fDirDialog();
    backend.Click(d.lNova);
    backend.Type("Nový.txt"_cz);
    shown = d.eNova.text();
    backend.Focus(d.ListBox1);
    items = d.ListBox1.items();
    backend.Press(ui::vk::Esc);
  });
  browser::ChooseFolder("Urči složku", "c:\\");
  EXPECT_EQ(shown, "Nov.txt");  // the letter with a diacritic goes as it is typed
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Nov"));
  EXPECT_EQ(items, (std::vector<std::string>{".", "..", "NOV", "PAR"}));
}

TEST_F(Choosers, AnUnconnectedDriveIsRefusedAndTheFolderStays) {
  MakeDir("DATA");
  common::Drives().Set("D", dir / "gone");
  std::string label;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& d = fDirDialog();
    backend.ChooseItem(d.DriveComboBox1, 1);
    label = d.Label2.text();
    backend.Click(d.Button2);
  });
  EXPECT_TRUE(browser::ChooseFolder("Urči složku", "c:\\DATA\\"));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Tato jednotka není připojena"_cz});
  EXPECT_EQ(label, "c:\\DATA\\");
  EXPECT_EQ(fDirDialog().Folder, "c:\\DATA\\");
}

// ---------------------------------------------------------------- file chooser

TEST_F(Choosers, FileChooserListsEveryEntryAndRemembersAConfirmedChoice) {
  MakeDir("VYST");
  dlgtest::DialogTest::WriteFile("VYST/prazdny.txt", "");
  dlgtest::DialogTest::WriteFile("VYST/plny.txt", "x");
  MakeDir("VYST/sub");
  std::vector<std::string> items;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& f = fInOut();
    items = f.ListBox1.items();
    backend.DoubleClickItem(f.ListBox1, 3);  // plny.txt
    backend.Click(f.Button1);
  });
  browser::ChooseFileDialog("Export", "C:\\VYST\\*.txt");
  fInOut().ShowModal();
  EXPECT_EQ(items, (std::vector<std::string>{"\\.", "\\..", "\\sub", "plny.txt", "prazdny.txt"}));
  EXPECT_EQ(fInOut().Chosen, 1);
  EXPECT_EQ(fInOut().ChosenFull, "C:\\VYST\\plny.txt");
  FlushParams();
  EXPECT_EQ(common::ReadParam(browser::kVyberPar, "P-Export"), "\\VYST\\");
  EXPECT_EQ(common::ReadParam(browser::kVyberPar, "S-Export"), "plny.txt");
  EXPECT_EQ(common::ReadParam(browser::kVyberPar, "D-Export"), "C:");

  // The remembered choice overrides the default next time.
  browser::ChooseFileDialog("Export", "*.csv");
  EXPECT_EQ(fInOut().ChosenFull, "C:\\VYST\\plny.txt");
}

TEST_F(Choosers, AnEmptyNameClosesWithoutChoosingOrWriting) {
  backend.AnswerNextModal([&](ui::Form&) {
    backend.Focus(fInOut().eSoub);
    fInOut().eSoub.UserSetText("");  // the edit held the default's name
    backend.Click(fInOut().Button1);
  });
  browser::ChooseFileDialog("Import", "C:\\*.txt");
  fInOut().ShowModal();
  EXPECT_EQ(fInOut().Chosen, 0);
  FlushParams();
  EXPECT_FALSE(Exists("par/VYBER.PAR"));
  EXPECT_FALSE(Exists("par/vyber.par"));
}

TEST_F(Choosers, EnterInTheNameConfirmsWithoutRemembering) {
  std::string label;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& f = fInOut();
    backend.Focus(f.eSoub);
    f.eSoub.SelectAll();
    backend.Type("vystup.txt");
    label = f.Label5.text();
    backend.Press(ui::vk::Enter);
  });
  browser::ChooseFileDialog("Tisk", "C:\\*.txt");
  fInOut().ShowModal();
  EXPECT_EQ(label, "C:\\vystup.txt");
  EXPECT_EQ(fInOut().Chosen, 1);
  EXPECT_EQ(fInOut().ChosenFull, "C:\\vystup.txt");
  FlushParams();
  EXPECT_EQ(common::ReadParam(browser::kVyberPar, "S-Tisk"), "");
}

TEST_F(Choosers, FolderEntriesNavigateAndEnterSkipsTheFirstEntry) {
  MakeDir("A/B");
  std::vector<std::string> paths;
  backend.AnswerNextModal([&](ui::Form&) {
    auto& f = fInOut();
    backend.Focus(f.ListBox1);
    f.ListBox1.SetItemIndex(0);  // "\."
    backend.Press(ui::vk::Enter);
    paths.push_back(f.ChosenPath);
    backend.DoubleClickItem(f.ListBox1, 2);  // \B
    paths.push_back(f.ChosenPath);
    backend.DoubleClickItem(f.ListBox1, 1);  // \..
    paths.push_back(f.ChosenPath);
    backend.DoubleClickItem(f.ListBox1, 1);
    backend.DoubleClickItem(f.ListBox1, 1);  // the parent of the root
    paths.push_back(f.ChosenPath);
    backend.Press(ui::vk::Esc);
  });
  browser::ChooseFileDialog("Cesta", "C:\\A\\x.txt");
  fInOut().ShowModal();
  EXPECT_EQ(paths, (std::vector<std::string>{"\\A\\", "\\A\\B\\", "\\A\\", "\\"}));
  EXPECT_EQ(fInOut().Chosen, 0);
}

// A name copied from a Windows share (its bytes are Windows-1250, no UTF-8) and one in a
// script the code page lacks: each is shown as well as the code page allows, and the
// choice leads to the file by its own name on disk.
TEST_F(Choosers, NamesTheCodePageCannotCarryAreChosenByTheirOwnBytes) {
  MakeDir("IN");
  const struct {
    std::string disk, shown;
  } cases[] = {{"\xE8\xED" "slo.txt", "číslo.txt"_cz}, {"日本.txt", "??.txt"}};
  for (const auto& c : cases) dlgtest::DialogTest::WriteFile("IN/" + c.disk, "obsah " + c.disk);
  for (const auto& c : cases) {
    std::vector<std::string> items;
    std::string edit;
    backend.AnswerNextModal([&](ui::Form&) {
      auto& f = fInOut();
      items = f.ListBox1.items();
      const auto at = std::find(items.begin(), items.end(), c.shown);
      if (at != items.end()) backend.DoubleClickItem(f.ListBox1, static_cast<int>(at - items.begin()));
      edit = f.eSoub.text();
      backend.Click(f.Button1);
    });
    browser::ChooseFileDialog("Vstup " + c.shown, "C:\\IN\\*.txt");
    fInOut().ShowModal();
    EXPECT_EQ(items, (std::vector<std::string>{"??.txt", "\\.", "\\..", "číslo.txt"_cz}));
    EXPECT_EQ(edit, c.shown);
    ASSERT_EQ(fInOut().Chosen, 1);
    std::string text;
    EXPECT_EQ(common::ReadFileText(fInOut().ChosenFull, text), 0) << c.shown;
    EXPECT_EQ(text, "obsah " + c.disk);
  }
}

TEST_F(Choosers, AChooserStartedOnAnUnconnectedDriveSaysSoAtOnce) {
  common::Drives().Set("D", dir / "gone");
  backend.AnswerNextModal([&](ui::Form&) { backend.Press(ui::vk::Esc); });
  EXPECT_FALSE(browser::ChooseFolder("Urči složku", "d:\\"));
  browser::ChooseFileDialog("Vstup", "D:\\*.txt");
  EXPECT_EQ(Boxes(), std::vector<std::string>(2, "Tato jednotka není připojena"_cz));
}

TEST_F(Choosers, ADefaultWithoutAFolderStartsInTheCurrentFolder) {
  browser::ChooseFileDialog("Start", "*.txt");
  EXPECT_EQ(fInOut().ChosenDrive, "C:");
  EXPECT_EQ(fInOut().ChosenPath, "\\");  // the scratch folder is drive C's root
  EXPECT_EQ(fInOut().ChosenName, "*.txt");
}

// ---------------------------------------------------------------- line editor

struct EditRun {
  std::string text;
  int cursor = 0, scroll = 0, endKey = 0;
};

class ChoosersEdituj : public Choosers {
 protected:
  EditRun Run(const std::string& text, int visible, int column, const std::function<void()>& keys) {
    browser::TfEdituj& e = fEdituj();
    e.init(10, 20, column, visible, 1, text);
    backend.AnswerNextModal([&](ui::Form&) { keys(); });
    e.ShowModal();
    return {e.EditText, e.CursorColumn, e.ScrollStart, e.EndKey};
  }
};

TEST_F(ChoosersEdituj, OverwriteAndInsertKeepTheLength) {
  EXPECT_EQ(Run("abcdef", 10, 2, [&] { backend.Type("XY"); backend.Press(ui::vk::Enter); }).text, "aXYdef");
  EXPECT_EQ(Run("abcdef", 10, 2, [&] {
              backend.Press(ui::vk::Insert);
              backend.Type("X");
              backend.Press(ui::vk::Enter);
            }).text,
            "aXbcde");  // the last character drops off
  EXPECT_EQ(Run("abcdef", 10, 1, [&] {
              backend.Type("{}~");  // outside 32..122
              backend.Press(ui::vk::F(8));
              backend.Press(ui::vk::Up);
            }).text,
            "      ");
}

TEST_F(ChoosersEdituj, TypingAtTheLastColumnScrollsTheView) {
  const EditRun r = Run("abcdefghij", 4, 4, [&] { backend.Type("X"); backend.Press(ui::vk::Down); });
  EXPECT_EQ(r.text, "abcXefghij");
  EXPECT_EQ(r.cursor, 4);
  EXPECT_EQ(r.scroll, 2);
  EXPECT_EQ(r.endKey, ui::vk::Down);
  EXPECT_EQ(fEdituj().ShownText(), "bcXe");
  EXPECT_EQ(fEdituj().width(), 4 * 8 + 2);
  EXPECT_EQ(fEdituj().height(), 18);
}

TEST_F(ChoosersEdituj, ACursorPastTheShortenedTextPadsWithBlanksButNeverGrowsTheText) {
  const EditRun r = Run("abcdef", 10, 1, [&] {
    backend.Press(ui::vk::Insert);
    backend.PressKeys("Delete Delete Delete");  // "def"
    backend.Press(ui::vk::Insert);
    backend.PressKeys("Right Right Right Right Right");  // column 6
    backend.Type("X");                                   // pads to it
    backend.PressKeys("Right Right Right");              // stops one past the longest text
    backend.Type("YZ");                                  // nothing beyond six characters
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(r.text, "def  X");
  EXPECT_EQ(r.cursor, 7);
  EXPECT_EQ(r.endKey, ui::vk::Esc);
}

TEST_F(ChoosersEdituj, BackspaceRemovesOnlyInInsertMode) {
  EXPECT_EQ(Run("abcdef", 10, 3, [&] { backend.PressKeys("Backspace Backspace Backspace Enter"); }).text, "abcdef");
  const EditRun r = Run("abcdef", 10, 3, [&] { backend.PressKeys("Insert Backspace Enter"); });
  EXPECT_EQ(r.text, "acdef");
  EXPECT_EQ(r.cursor, 2);
}

}  // namespace
