#include "common/protocol.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/faultfs.h"
#include "start_folder.h"

using namespace common;
using namespace common::literals;
using starttest::JobBytes;
using Kind = common::RecordingNotifier::Kind;

namespace {

class LogTest : public starttest::StartFolderTest {
 protected:
  void SetUp() override {
    StartFolderTest::SetUp();
    Write("data.adr", "data\\\r\n");
    Write("data/master.job", JobBytes({{"POCITAC", "PC01"}}));
    CurrentSession().CurrentUser = "07";
  }
  // Text of record n (1-based) of the log.
  std::string RecordText(const std::string& log, int n) const {
    const std::size_t off = static_cast<std::size_t>(n - 1) * 80;
    return log.substr(off + 1, static_cast<unsigned char>(log[off]));
  }
  FakeClock clock{{2024, 3, 7, 9, 5, 7, 0}};
  ScopedClock scopedClock{clock};
};

TEST_F(LogTest, StampLayout) {
  EXPECT_EQ(StampText(), "07.03.24  9:05:07 PC01 07 ");
  clock.Set({2024, 12, 31, 23, 59, 58, 0});
  EXPECT_EQ(StampText(), "31.12.24 23:59:58 PC01 07 ");
  CurrentSession().CurrentUser.clear();
  clock.Set({2024, 1, 2, 0, 0, 0, 0});
  EXPECT_EQ(StampText(), "02.01.24  0:00:00 PC01    ");
}

TEST_F(LogTest, ComputerIdIsReadUntilItIsKnown) {
  Write("data/master.job", JobBytes({}));
  EXPECT_EQ(StampText(), "07.03.24  9:05:07  07 ");
  CurrentSession().JobLoadState = 0;
  Write("data/master.job", JobBytes({{"POCITAC", "WKS12"}}));
  EXPECT_EQ(StampText(), "07.03.24  9:05:07 WKS1 07 ");
  Write("data/master.job", JobBytes({{"POCITAC", "OTHER"}}));
  EXPECT_EQ(StampText(), "07.03.24  9:05:07 WKS1 07 ");  // kept once known
}

TEST_F(LogTest, FirstCallStartsTheLog) {
  LogProtocol("Oprava CI10");
  const std::string log = Read("data/PROTOKOL.PRT");
  ASSERT_EQ(log.size(), 160u);
  EXPECT_EQ(static_cast<unsigned char>(log[0]), 43);
  EXPECT_EQ(RecordText(log, 1), "07.03.24  9:05:07 PC01 07  Prázdný protokol"_cz);
  EXPECT_EQ(RecordText(log, 2), "07.03.24  9:05:07 PC01 07 Oprava CI10");
  EXPECT_EQ(log.substr(1 + 43, 80 - 44), std::string(36, '\0'));
  LogProtocol("Druhy");
  EXPECT_EQ(RecordText(Read("data/PROTOKOL.PRT"), 3), "07.03.24  9:05:07 PC01 07 Druhy");
  EXPECT_TRUE(notes.calls.empty()) << notes.Dump();
}

TEST_F(LogTest, LongMessagesAreCut) {
  const std::string message = std::string(53, 'a') + "bcd";
  LogProtocol(message);
  const std::string log = Read("data/PROTOKOL.PRT");
  EXPECT_EQ(static_cast<unsigned char>(log[80]), 79);
  EXPECT_EQ(RecordText(log, 2), "07.03.24  9:05:07 PC01 07 " + std::string(53, 'a'));
}

TEST_F(LogTest, TinyOrTornLogs) {
  Write("data/PROTOKOL.PRT", "x");
  LogProtocol("po jednom bajtu");
  std::string log = Read("data/PROTOKOL.PRT");
  ASSERT_EQ(log.size(), 160u);
  EXPECT_EQ(RecordText(log, 1), "07.03.24  9:05:07 PC01 07  Prázdný protokol"_cz);

  Write("data/PROTOKOL.PRT", log + "torn!");  // half a record at the end
  LogProtocol("za kusem");
  log = Read("data/PROTOKOL.PRT");
  ASSERT_EQ(log.size(), 320u);
  EXPECT_EQ(log.substr(160, 5), "torn!");  // kept, not overwritten
  EXPECT_EQ(RecordText(log, 4), "07.03.24  9:05:07 PC01 07 za kusem");
}

TEST_F(LogTest, SwitchedOffWritesNothing) {
  CurrentSession().ProtocolOn = 0;
  LogProtocol("nic");
  EXPECT_FALSE(Exists("data/PROTOKOL.PRT"));
}

TEST_F(LogTest, MissingDataFolderIsReported) {
  Write("data.adr", "nowhere\\\r\n");
  EXPECT_THROW(LogProtocol("x"), IoError);
  EXPECT_EQ(notes.Texts(Kind::Message), std::vector<std::string>{"Uz: 07 otvira protokol: nowhere/PROTOKOL.PRT err      3"});
}

// A log that cannot be opened or written is named, once a run; the open still raises.
TEST_F(LogTest, ALogThatCannotBeWrittenIsNamedOnce) {
  std::filesystem::create_directories(At("data/PROTOKOL.PRT"));
  EXPECT_THROW(LogProtocol("x"), IoError);
  EXPECT_THROW(LogProtocol("y"), IoError);
  EXPECT_EQ(notes.Texts(Kind::Message), std::vector<std::string>{"Uz: 07 otvira protokol: data/PROTOKOL.PRT err      5"});
  std::filesystem::remove_all(At("data/PROTOKOL.PRT"));
  CurrentSession().FailuresTold.clear();
  notes.calls.clear();
  FaultFileSystem faults;
  faults.Fail(FsOp::Write, EIO, "PROTOKOL.PRT");
  ScopedFileSystem scoped(faults);
  LogProtocol("x");
  LogProtocol("y");
  EXPECT_EQ(notes.Texts(Kind::Message), std::vector<std::string>{"Uz: 07 pis protokol: data/PROTOKOL.PRT err    101"});
}

TEST_F(LogTest, WorkstationsAppendingAtOnceLoseNothing) {
  constexpr int kWriters = 4, kRecords = 150;
  LogProtocol("start");
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0; i < kRecords; ++i) LogProtocol("pisar " + std::to_string(w) + " zaznam " + std::to_string(i));
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::string log = Read("data/PROTOKOL.PRT");
  ASSERT_EQ(log.size(), 80u * (2 + kWriters * kRecords));
  std::vector<int> seen(kWriters, 0);
  for (int n = 3; n <= 2 + kWriters * kRecords; ++n) {
    const std::string text = RecordText(log, n);
    int w = -1, i = -1;
    ASSERT_EQ(std::sscanf(text.c_str() + 26, "pisar %d zaznam %d", &w, &i), 2) << text;
    ASSERT_TRUE(w >= 0 && w < kWriters);
    EXPECT_EQ(i, seen[w]++);  // each writer's records in its own order
  }
}

}  // namespace
