#include "common/recfile.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/faultfs.h"
#include "common/fottab.h"
#include "common/notifier.h"
#include "common/session.h"
#include "tests/common/os_tempdir.h"

using namespace common;
using Kind = RecordingNotifier::Kind;

namespace {

struct RecFileTest : ::testing::Test {
  ostest::TempDir tmp;
  RecordingNotifier notes;
  ScopedNotifier scopedNotes{notes};
  Session s, other;
  void SetUp() override {
    std::filesystem::create_directories(tmp / "data");
    for (Session* x : {&s, &other}) {
      x->DataDirPath = tmp.path() + "/data/";
      x->ProgDirPath = tmp.path() + "/";
      x->ComputerId = "PC01";
    }
    s.CurrentUser = "01";
    other.CurrentUser = "02";
  }
  // Texts of the activity log records after the first ("Prázdný protokol").
  std::vector<std::string> Log() {
    std::string raw = ostest::ReadRaw(tmp / "data/PROTOKOL.PRT");
    std::vector<std::string> out;
    for (std::size_t off = 80; off + 80 <= raw.size(); off += 80)
      out.push_back(raw.substr(off + 1, static_cast<unsigned char>(raw[off])).substr(26));
    return out;
  }
  std::string Pad25(const std::string& n) { return n + std::string(25 - n.size(), ' '); }
};

}  // namespace

TEST_F(RecFileTest, AppendToAMissingFileBecomesANewFile) {
  tRecFile h;
  ASSERT_TRUE(OpenRecFile(s, h, "x.dta", "A", 10));
  EXPECT_EQ(h.mode, 'O');
  EXPECT_TRUE(std::filesystem::exists(tmp / "data/x.dta"));
  WriteRec(h, "0123456789");
  CloseRecFile(h);
  EXPECT_EQ(Log(), (std::vector<std::string>{"OpenO " + Pad25("x.dta") + "     0", "Close " + Pad25("x.dta") + "     1"}));
  EXPECT_EQ(ostest::ReadRaw(tmp / "data/x.dta"), "0123456789");
}

TEST_F(RecFileTest, ReadingAMissingFileCreatesItEmpty) {
  tRecFile h;
  ASSERT_TRUE(OpenRecFile(s, h, "y.dta", "i", 10));  // the letter's case does not matter
  EXPECT_TRUE(RecEof(h));
  EXPECT_EQ(ostest::ReadRaw(tmp / "data/y.dta"), "");
  CloseRecFile(h);
  EXPECT_EQ(Log()[0], "OpenI " + Pad25("y.dta") + "     0");
}

TEST_F(RecFileTest, WriteReadAppend) {
  tRecFile h;
  ASSERT_TRUE(OpenRecFile(s, h, "z.dta", "O", 4));
  for (const char* r : {"aaaa", "bbbb", "cccc"}) WriteRec(h, r);
  CloseRecFile(h);
  ASSERT_TRUE(OpenRecFile(s, h, "z.dta", "A", 4));
  EXPECT_EQ(h.current, 4);
  WriteRec(h, "dddd");
  CloseRecFile(h);
  ASSERT_TRUE(OpenRecFile(s, h, "z.dta", "I", 4));
  EXPECT_EQ(h.count, 4);
  std::string got, buf(4, ' ');
  while (!RecEof(h)) {
    ReadRec(h, buf.data());
    got += buf;
  }
  EXPECT_EQ(got, "aaaabbbbccccdddd");
  SeekRec(h, 2);
  ReadRec(h, buf.data());
  EXPECT_EQ(buf, "bbbb");
  SeekRec(h, 5);
  EXPECT_THROW(ReadRec(h, buf.data()), IoError);
  CloseRecFile(h);
  auto log = Log();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[1], "Close " + Pad25("z.dta") + "     3");
  EXPECT_EQ(log[2], "OpenA " + Pad25("z.dta") + "     3");
  EXPECT_EQ(log[5], "Close " + Pad25("z.dta") + "     4");
}

TEST_F(RecFileTest, HoldsItsLockWhileOpen) {
  tRecFile w, r;
  ASSERT_TRUE(OpenRecFile(s, w, "k.dta", "O", 1));
  EXPECT_EQ(IfVolny(other, tmp / "data/k.dta").substr(0, 4), "W 01");
  CloseRecFile(w);
  EXPECT_EQ(IfVolny(other, tmp / "data/k.dta"), "");
  ASSERT_TRUE(OpenRecFile(s, r, "k.dta", "I", 1));
  EXPECT_EQ(IfVolny(other, tmp / "data/k.dta").substr(0, 4), "R 01");
  CloseRecFile(r);
  EXPECT_EQ(IfVolny(other, tmp / "data/k.dta"), "");
}

// An open that fails after the lock gives the lock back, and the close of the
// failed handle does nothing.
TEST_F(RecFileTest, FailedOpenLeavesNoLock) {
  ostest::WriteRaw(tmp / "data/f.dta", "abcd");
  FaultFileSystem faults;
  ScopedFileSystem scoped(faults);
  faults.Fail(FsOp::Open, EACCES, "f.dta");
  tRecFile h;
  EXPECT_FALSE(OpenRecFile(s, h, "f.dta", "A", 4));
  EXPECT_EQ(notes.Texts(Kind::BeepMessage),
            std::vector<std::string>{"Chyba   5" + Cz(" při otevírání ") + tmp.path() + "/data/f.dta"});
  CloseRecFile(h);
  faults.Clear();
  FotTable t = FotTable::Decode(ostest::ReadRaw(tmp / "data/FOT.tab"));
  EXPECT_EQ(t.FindOwn("F.DTA       ", "01  "), 0);
  EXPECT_EQ(IfVolny(other, tmp / "data/f.dta"), "");
  EXPECT_FALSE(std::filesystem::exists(tmp / "data/PROTOKOL.PRT"));  // nothing logged
  tRecFile never;
  CloseRecFile(never);
  EXPECT_EQ(ostest::ReadRaw(tmp / "data/f.dta"), "abcd");
}

TEST_F(RecFileTest, WriteFailureRaises) {
  tRecFile h;
  ASSERT_TRUE(OpenRecFile(s, h, "w.dta", "O", 4));
  FaultFileSystem faults;
  ScopedFileSystem scoped(faults);
  faults.SetDiskSpace(2);
  try {
    WriteRec(h, "abcd");
    FAIL();
  } catch (const IoError& e) {
    EXPECT_EQ(e.code, 101);
  }
  faults.Clear();
  CloseRecFile(h);
}
