// A key whose handler throws in a record-file window: the message shows the error,
// the window stays open, and the locks the handler took are given back; the list's
// own registration goes when the window closes.
#include <stdexcept>

#include <gtest/gtest.h>

#include "common/dirs.h"
#include "common/errors.h"
#include "common/fottab.h"
#include "common/locking.h"
#include "tests/browser/soubkit.h"

namespace {

using soubtest::Ci99;

// F5 takes the write lock of another list of the folder and fails half way.
class Failing : public Ci99 {
 public:
  void KeyF5() override {
    common::ScopedFileLock lock(common::DataDir("CI98.DTA"), "W");
    ASSERT_EQ(lock.result(), common::LockResult::Held);
    throw common::RangeError("record of 62 bytes is shorter than its 71-byte layout");
  }
};

class KeyErrors : public soubtest::SoubTest {
 protected:
  // The lock table's entries: kind and file, "R CI99.DTA".
  std::vector<std::string> Locks() const {
    std::vector<std::string> out;
    if (!std::filesystem::exists(DataPath("FOT.tab"))) return out;
    const common::FotTable t = common::FotTable::Decode(ReadData("FOT.tab"));
    for (int n = 1; n <= common::FotTable::kEntries; ++n)
      if (!t.at(n).Free()) out.push_back(std::string(1, t.at(n).Kind()) + " " + common::StripRightSp(t.at(n).Key()));
    return out;
  }
};

TEST_F(KeyErrors, AHandlerThatThrowsLeavesTheWindowOpenWithNoLockEntry) {
  WriteCi99(3);
  Failing w;
  w.Open();
  ASSERT_EQ(Locks(), std::vector<std::string>{"R CI99.DTA"});
  backend.AnswerNextModal([&](ui::Form& f) {
    backend.Press(ui::vk::F(5));
    ASSERT_FALSE(backend.messages().empty());
    EXPECT_EQ(backend.messages().back().text, "record of 62 bytes is shorter than its 71-byte layout");
    EXPECT_TRUE(f.visible());
    EXPECT_FALSE(f.modalDone());
    EXPECT_EQ(Locks(), std::vector<std::string>{"R CI99.DTA"});  // the write lock on CI98.DTA unwound
    backend.Press(ui::vk::Up);                                   // the list still answers
    EXPECT_EQ(w.Current, 2);
    backend.Press(ui::vk::Esc);
  });
  w.ShowModal();
  w.CloseBrowse();
  EXPECT_TRUE(Locks().empty());
  EXPECT_EQ(ReadData("CI99.DTA").size(), 3u * soubtest::kLength);
}

}  // namespace
