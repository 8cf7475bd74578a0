// The old update panel's rows 9, 10 and 12: lists 26, 27 and 29 in their own windows
// over their own files, sorted after the window closes.
#include <filesystem>

#include <gtest/gtest.h>

#include "browser/vyber.h"
#include "combined/form2.h"
#include "combined/windows.h"
#include "common/encoding.h"
#include "common/locking.h"
#include "common/pascal.h"
#include "common/session.h"
#include "tests/browser/scratchkit.h"
#include "tests/browser/soubkit.h"

namespace {

class OldPanelOwnLists : public browsertest::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    soubtest::UseScratchFolders(dir.path());
    std::filesystem::create_directories(dir / "dlib");
    for (const auto& e : std::filesystem::directory_iterator(CODELISTS_DLIB))
      std::filesystem::copy_file(e.path(), dir / ("dlib/" + e.path().filename().string()));
    ostest::WriteRaw(Data("CI01.DTA"), "");
    combined::OldPanelHooks() = {};
    combined::InstallCodeListServices();
  }
  void TearDown() override { combined::OldPanelHooks() = {}; }
  std::string Data(const std::string& name) const { return dir / ("data/" + name); }
  // A file of records of `length` bytes with the given keys (counted texts of 3).
  void WriteKeys(const std::string& file, int length, const std::vector<std::string>& keys) {
    std::string bytes;
    for (const std::string& k : keys) {
      std::string r(static_cast<std::size_t>(length), '\0');
      common::PutCounted(r, 0, k, 3);
      bytes += r;
    }
    ostest::WriteRaw(Data(file), bytes);
  }
  std::vector<std::string> Keys(const std::string& file, int length) {
    const std::string bytes = ostest::ReadRaw(Data(file));
    std::vector<std::string> keys;
    for (std::size_t p = 0; p + static_cast<std::size_t>(length) <= bytes.size(); p += static_cast<std::size_t>(length))
      keys.push_back(common::GetCounted(bytes, p, 3));
    return keys;
  }
};

TEST_F(OldPanelOwnLists, RowsNineTenAndTwelveOpenTheOutlinesAndSortThemAfterwards) {
  WriteKeys("CI26.DTA", 300, {"002", "   ", "001"});
  WriteKeys("CI27.DTA", 289, {"002", "001"});
  WriteKeys("CI29.dta", 645, {"020", "...", "010"});
  const int rows[] = {9, 10, 12};
  int choice = 0;
  std::vector<std::string> opened;
  backend.OnModal("fVyber", [&](ui::Form& f) {
    auto& v = static_cast<browser::TfVyber&>(f);
    if (choice < 3) {
      EXPECT_NE(v.Row(rows[choice]).text().find(std::to_string(choice == 2 ? 29 : 26 + choice)), std::string::npos);
      backend.DoubleClick(*v.Rows[static_cast<std::size_t>(rows[choice++])]);
    } else {
      f.Close();
    }
  });
  for (const char* name : {"fCis26", "fCis27", "fCis29"})
    backend.OnModal(name, [&, name](ui::Form& f) {
      opened.push_back(name);
      f.Close();
    });
  combined::fForm2().Button1Click();
  EXPECT_EQ(opened, (std::vector<std::string>{"fCis26", "fCis27", "fCis29"}));
  EXPECT_EQ(Keys("CI26.DTA", 300), (std::vector<std::string>{"001", "002"}));
  EXPECT_EQ(Keys("CI27.DTA", 289), (std::vector<std::string>{"001", "002"}));
  EXPECT_EQ(Keys("CI29.dta", 645), (std::vector<std::string>{"010", "020"}));
  EXPECT_TRUE(notes.Texts(common::RecordingNotifier::Kind::Message).empty());
}

}  // namespace
