#include "common/usertab.h"

#include <chrono>
#include <thread>

#include "common/session.h"
#include "start_folder.h"

using namespace common;
using starttest::HeldFile;

namespace {

class UserSlotTest : public starttest::StartFolderTest {
 protected:
  void SetUp() override {
    StartFolderTest::SetUp();
    Write("data.adr", "data\\\r\n");
    ASSERT_EQ(mkdir(At("data").c_str(), 0777), 0);
    CurrentSession().UserNo = 7;
    other.UserNo = 5;
  }
  std::uint16_t Entry(int n) const {
    const std::string t = Read("data/UZIVATEL.tab");
    return static_cast<std::uint16_t>(static_cast<unsigned char>(t.at(2 * n)) |
                                      static_cast<unsigned char>(t.at(2 * n + 1)) << 8);
  }
  static std::string Table(std::initializer_list<std::pair<int, std::uint16_t>> entries) {
    std::string t(200, '\0');
    for (auto [n, v] : entries) {
      t[2 * n] = static_cast<char>(v & 0xFF);
      t[2 * n + 1] = static_cast<char>(v >> 8);
    }
    return t;
  }
  Session other;  // a second workstation on the same data folder
};

TEST_F(UserSlotTest, FirstStartCreatesTheTable) {
  EXPECT_EQ(UserTabText(), "0099");
  ASSERT_EQ(Read("data/UZIVATEL.tab").size(), 200u);
  EXPECT_EQ(Entry(7), 99);
  EXPECT_EQ(Read("data/UZIVATEL.tab"), Table({{7, 99}}));
  EXPECT_EQ(UserTabText(other), "0000");
  EXPECT_EQ(UserTabText(), "0099");
  EXPECT_EQ(ostest::Listing(At("data")), "UZIVATEL.tab");  // no work file left
}

TEST_F(UserSlotTest, EntriesAreLittleEndianWords) {
  Write("data/UZIVATEL.tab", Table({{7, 0x0102}, {5, 42}}));
  EXPECT_EQ(UserTabText(), "0258");
  EXPECT_EQ(UserTabText(other), "0042");
  EXPECT_TRUE(ReadUserTab(5));
  EXPECT_FALSE(ReadUserTab(6));
  EXPECT_FALSE(ReadUserTab(100));
}

TEST_F(UserSlotTest, WatchSwitchedOff) {
  Write("data/UZIVATEL.tab", Table({{0, 1}, {7, 99}}));
  EXPECT_FALSE(UserSlotTaken());
  Write("data/UZIVATEL.tab", Table({{0, 1}, {7, 0}}));
  EXPECT_FALSE(UserSlotTaken());
  EXPECT_TRUE(CurrentSession().UserSlotFirst.empty());  // the own entry is not read
}

TEST_F(UserSlotTest, TakenOverOrRecreated) {
  Session& me = CurrentSession();
  EXPECT_FALSE(UserSlotTaken());  // creates the table
  EXPECT_EQ(me.UserSlotFirst, "0099");
  EXPECT_FALSE(UserSlotTaken());

  // Deleted while running: this workstation recreates it and goes on.
  ASSERT_EQ(unlink(At("data/UZIVATEL.tab").c_str()), 0);
  EXPECT_FALSE(UserSlotTaken());
  EXPECT_EQ(Entry(7), 99);

  // Recreated by another workstation: the own slot is gone.
  ASSERT_EQ(unlink(At("data/UZIVATEL.tab").c_str()), 0);
  EXPECT_EQ(UserTabText(other), "0099");
  EXPECT_TRUE(UserSlotTaken());
  EXPECT_EQ(me.UserSlotNow, "0000");
}

TEST_F(UserSlotTest, MissingDataFolderGivesNoSlotAtOnce) {
  Write("data.adr", "nowhere\\\r\n");
  ResetSession();
  CurrentSession().UserNo = 7;
  EXPECT_EQ(UserTabText(), "0000");
  EXPECT_FALSE(ReadUserTab(0));
  EXPECT_FALSE(UserSlotTaken());
  EXPECT_FALSE(Exists("nowhere"));
}

TEST_F(UserSlotTest, UsersWithoutASlot) {
  for (int user : {0, 100, 255}) {
    CurrentSession().UserNo = user;
    EXPECT_EQ(UserTabText(), "0000") << user;
    EXPECT_FALSE(UserSlotTaken()) << user;
  }
  EXPECT_FALSE(Exists("data/UZIVATEL.tab"));  // nobody took entry 0 or a slot past 99
}

TEST_F(UserSlotTest, TableHeldElsewhereIsWaitedFor) {
  Write("data/UZIVATEL.tab", Table({{7, 99}}));
  HeldFile held(At("data/UZIVATEL.tab"));
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    held.Release();
  });
  EXPECT_EQ(UserTabText(), "0099");
  release.join();
  EXPECT_TRUE(notes.calls.empty());
}

}  // namespace
