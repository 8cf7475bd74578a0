// The chooser of copy folders under "\tv3\".
#include "backup/dirdialogx.h"
#include "common/encoding.h"
#include "common/osfile.h"
#include "tests/backup/backupkit.h"

namespace {

using namespace backuptest;
using Strings = std::vector<std::string>;

class RestoreChooser : public BackupFixture {
 protected:
  RestoreChooser() {
    common::Drives().Set("D", dir / "d");
    fs::create_directories(dir / "d/tv3/zeta");
    fs::create_directories(dir / "d/tv3/čas");
    fs::create_directories(dir / "d/tv3/alfa 2");
    ostest::WriteRaw(dir / "d/tv3/file.txt", "x");
  }
  bool Run(const std::string& start, const std::function<void(backup::TfDirDialogX&)>& keys) {
    backend.AnswerNextModal([&](ui::Form& f) { keys(static_cast<backup::TfDirDialogX&>(f)); });
    return backup::fDirDialogX().ExecuteDirDialogX("Vyber", start);
  }
  static Strings Utf8(const Strings& items) {
    Strings out;
    for (const auto& i : items) out.push_back(common::Win1250ToUtf8(i));
    return out;
  }
};

TEST_F(RestoreChooser, StartOnDListsItsFoldersUpperCasedInByteOrder) {
  const bool ok = Run("d:\\tv3\\", [&](backup::TfDirDialogX& d) {
    EXPECT_EQ(d.Drive, "d");
    EXPECT_EQ(d.Path, "\\tv3\\");
    EXPECT_EQ(Utf8(d.ListBox1.items()), (Strings{"ALFA 2", "ZETA", "ČAS"}));
    EXPECT_EQ(d.Label2.text(), "d:\\tv3\\");
    backend.ClickItem(d.ListBox1, 0);
    EXPECT_EQ(d.Label2.text(), "d:\\tv3\\ALFA 2\\");
    backend.Press(ui::vk::Enter);
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(backup::fDirDialogX().ChosenPath(), "d:\\tv3\\ALFA 2\\");
}

TEST_F(RestoreChooser, NoColonMeansDriveCAndAMissingTv3AnEmptyList) {
  const bool ok = Run("\\tv3\\", [&](backup::TfDirDialogX& d) {
    EXPECT_EQ(d.Drive, "c");
    EXPECT_EQ(d.Path, "\\tv3\\");
    EXPECT_TRUE(d.ListBox1.items().empty());
    backend.Press(ui::vk::Esc);
  });
  EXPECT_FALSE(ok);
}

TEST_F(RestoreChooser, ChangingTheDriveFillsTheListAnewAndKeepsTheWorkingFolder) {
  const std::string before = common::CurrentFolder();
  Run("c:\\tv3\\", [&](backup::TfDirDialogX& d) {
    EXPECT_TRUE(d.ListBox1.items().empty());
    const auto& drives = d.DriveComboBox1.items();
    const auto it = std::find(drives.begin(), drives.end(), "d:");
    ASSERT_NE(it, drives.end());
    backend.ChooseItem(d.DriveComboBox1, static_cast<int>(it - drives.begin()));
    EXPECT_EQ(d.ListBox1.count(), 3);
    backend.Click(d.Button1);
  });
  EXPECT_EQ(common::CurrentFolder(), before);
}

}  // namespace
