// The scenario driver ends as the program does: two drivers on one data folder, each
// in a start folder of its own (users 01 and 02), meet what two workstations meet.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/fottab.h"
#include "common/jobfile.h"
#include "common/osfile.h"
#include "common/process.h"
#include "common/text.h"
#include "tests/common/os_tempdir.h"

namespace {

constexpr int kWaitMs = 60000;

struct DriverRun {
  int status = -1;
  std::string said;  // standard output and error
};

class DriverEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    for (const char* user : {"01", "02"}) {
      const std::string start = dir / (std::string("ws") + user);
      ostest::WriteRaw(start + "/data.adr", dir / "data/\r\n");
      ostest::WriteRaw(start + "/prog.adr", dir / "prog/\r\n");
      common::JobImage job{};
      common::SetJobValue(job, "UZIVATEL", user);
      ostest::WriteRaw(start + "/master.job", std::string(job.begin(), job.end()));
    }
    std::filesystem::create_directories(dir / "data");
    std::filesystem::create_directories(dir / "prog");
  }

  std::string Script(const std::string& name, const std::string& text) {
    ostest::WriteRaw(dir / name, text);
    return dir / name;
  }
  common::RunOptions Options() {
    common::RunOptions o;
    o.outputFile = dir / "said.txt";
    return o;
  }
  DriverRun Driver(const std::string& user, const std::vector<std::string>& scripts) {
    std::vector<std::string> args{"--data", dir / ("ws" + user)};
    args.insert(args.end(), scripts.begin(), scripts.end());
    common::RunOptions o = Options();
    o.timeoutMs = kWaitMs;
    common::RunResult r;
    EXPECT_EQ(common::RunProgram(UIDRIVER_EXE, args, o, r), 0);
    return {r.exitCode, ostest::ReadRaw(dir / "said.txt")};
  }
  // The entries of the data folder's lock table, as "KEY user kind".
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    const common::FotTable t = common::FotTable::Decode(ostest::ReadRaw(dir / "data/FOT.tab"));
    for (int n = 1; n <= common::FotTable::kEntries; ++n)
      if (!t.at(n).Free())
        out.push_back(common::StripRightSp(t.at(n).Key()) + " " + common::StripRightSp(t.at(n).User()) + " " +
                      t.at(n).Kind());
    return out;
  }

  ostest::TempDir dir;
};

bool PollUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

TEST_F(DriverEnd, ReleasesWhatItsRunHoldsAsTheProgramEnds) {
  const std::string add = Script("add.txt",
                                 "open TfCis10\nkey F4\ntype 211000\nkey Down\ntype Pokladna\nkey F2\nkey Esc\n");

  // List 10 stays open for the run with a read entry; the driver's end releases it.
  DriverRun first = Driver("01", {Script("open.txt", "open TfCis10\nkey Esc\n")});
  EXPECT_EQ(first.status, 0) << first.said;
  EXPECT_EQ(Entries(), std::vector<std::string>{}) << first.said;

  // A failing script, while user 02 holds the list: its wrong answer to the box is
  // named by its own line, and its entry is released all the same.
  common::FotTable other;
  other.at(1).Set("CI10.DTA    ", "02  ", 'R');
  ostest::WriteRaw(dir / "data/FOT.tab", other.Encode());
  DriverRun failing =
      Driver("01", {Script("wrong.txt", "open TfCis10\nkey F4\n\n# the box that refuses the record has OK only\nanswer yes\nkey Esc\n")});
  EXPECT_EQ(failing.status, 2) << failing.said;
  EXPECT_NE(failing.said.find("wrong.txt: line 5: answer yes does not fit the message box"), std::string::npos)
      << failing.said;
  EXPECT_NE(failing.said.find("> key F4\nbeep default\n> answer yes\n"), std::string::npos) << failing.said;
  EXPECT_EQ(Entries(), std::vector<std::string>{"CI10.DTA 02 R"}) << failing.said;

  // User 02's workstation has ended: the second driver adds its record.
  ostest::WriteRaw(dir / "data/FOT.tab", common::FotTable().Encode());
  DriverRun second = Driver("02", {add});
  EXPECT_EQ(second.status, 0) << second.said;
  EXPECT_EQ(second.said.find("Pozor"), std::string::npos) << second.said;
  EXPECT_NE(ostest::ReadRaw(dir / "data/CI10.DTA").find("211000"), std::string::npos) << second.said;
  EXPECT_EQ(Entries(), std::vector<std::string>{}) << second.said;

  // A release that cannot be done is said after the last command: the table is held
  // elsewhere from the moment the list is open until the driver has ended.
  const std::string fifo = dir / "last.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  common::ChildProgram driver;
  ASSERT_EQ(driver.Start(UIDRIVER_EXE, {"--data", dir / "ws01", dir / "open.txt", fifo}, Options()), 0);
  ASSERT_TRUE(PollUntil([&] { return Entries() == std::vector<std::string>{"CI10.DTA 01 R"}; }));
  common::File holder;
  ASSERT_EQ(holder.Open(dir / "data/FOT.tab", common::kModeExclusive), 0);
  std::ofstream(fifo) << "echo the last command\n";
  common::RunResult r;
  ASSERT_TRUE(PollUntil([&] { return driver.Ended(r); }));
  holder.Close();
  const std::string said = ostest::ReadRaw(dir / "said.txt");
  EXPECT_EQ(r.exitCode, 0) << said;
  const std::size_t last = said.find("> echo the last command\nthe last command\n");
  const std::size_t kept = said.find("message \"Zámek souboru " + (dir / "data/CI10.DTA") + " se nepodařilo uvolnit\"");
  ASSERT_NE(last, std::string::npos) << said;
  EXPECT_NE(kept, std::string::npos) << said;
  EXPECT_GT(kept, last) << said;
  EXPECT_EQ(Entries(), std::vector<std::string>{"CI10.DTA 01 R"});
}

}  // namespace
