// The lock commands of tavcli against the stand-in server, as separate processes.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/processes.h"
#include "tools/lockserver/lockserver.h"

#ifdef TAVCLI_EXE
namespace {

struct LockCliTest : ::testing::Test {
  std::string dir;
  lockserver::Server server{[] {
    lockserver::Options o;
    o.port = 0;
    return o;
  }()};
  void SetUp() override {
    char pattern[] = "/tmp/lockcli.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    server.Start();
    // The workstation of user 01 (without a master.job it would have no user number).
    int rc = -1;
    Run({"job", "set", "--in", dir + "/", "UZIVATEL", "01"}, rc);
    ASSERT_EQ(rc, 0);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Address() const { return "127.0.0.1:" + std::to_string(server.Port()); }

  // Runs tavcli in the scratch folder; its standard output and exit code.
  std::string Run(std::vector<std::string> args, int& rc) {
    const ostest::ToolRun r = ostest::RunTool(TAVCLI_EXE, dir, std::move(args));
    rc = r.rc;
    return r.out;
  }
};

}  // namespace

TEST_F(LockCliTest, ServerLockSendsOneRequestLine) {
  int rc = -1;
  EXPECT_EQ(Run({"lock", "--server", Address(), "R", "C:\\DATA\\ORG.DTA"}, rc), "held\n");
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Run({"lock", "--server", Address(), "W", "c:\\data\\org.dta"}, rc), "held\n");
  auto r = server.Requests();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], "Zamkni<C:\\DATA\\>ORG.DTA     #$01  ");
  EXPECT_EQ(r[1], "Zamkni<C:\\DATA\\>ORG.DTA     #W$01  ");
}

TEST_F(LockCliTest, SilentServerGivesErr50) {
  server.SetSilent(true);
  int rc = -1;
  EXPECT_EQ(Run({"ifvolny", "--server", Address(), "C:\\DATA\\ORG.DTA"}, rc), "ERR 50\n");
  EXPECT_EQ(rc, 0);
}

TEST_F(LockCliTest, TableModeLockStaysInTheTable) {
  std::filesystem::create_directories(dir + "/data");
  const std::string file = dir + "/data/ORG.DTA";
  int rc = -1;
  EXPECT_EQ(Run({"lock", "R", file}, rc), "held\n");
  EXPECT_EQ(std::filesystem::file_size(dir + "/data/FOT.tab"), 1980u);
  EXPECT_EQ(Run({"ifvolny", file}, rc), "\n");  // the only holder is this user
  EXPECT_EQ(Run({"lock", "W", file}, rc), "given up\n");  // own read lock: the wait is left
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(Run({"unlock", file}, rc), "released R 01 on " + file + "\n");
  EXPECT_EQ(Run({"lock", "W", file}, rc), "held\n");
}

// A lock table that cannot be written (a folder in its place) is no wait: no lock is held,
// said, and the command fails.
TEST_F(LockCliTest, ALockTableThatCannotBeWrittenHoldsNothing) {
  std::filesystem::create_directories(dir + "/data/FOT.tab");
  const std::string file = dir + "/data/ORG.DTA";
  for (const char* kind : {"R", "W"}) {
    int rc = -1;
    const std::string said = *kind == 'R' ? "not held: the lock table cannot be written\n" : "given up\n";
    EXPECT_EQ(Run({"lock", kind, file}, rc), said);
    EXPECT_EQ(rc, 1) << kind;
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir + "/data/FOT.tab"));
}

// The way out of an entry a killed run left: a workstation releases its own entry first,
// else one without a user number (a batch's, or of a workstation without one), and says
// which; when none matches it says so, names another user's entry, and fails. Another
// user's entry stays whoever asks.
TEST_F(LockCliTest, UnlockReleasesTheOwnOrAnUnnumberedEntryAndSaysWhichOrFails) {
  const std::string data = dir + "/data/";
  std::filesystem::create_directories(data);
  int rc = -1;
  for (const char* user : {"02", ""}) {  // "": no master.job, no user number
    const std::string folder = dir + "/ws" + user;
    std::filesystem::create_directories(folder);
    if (*user) Run({"job", "set", "--in", folder + "/", "UZIVATEL", user}, rc);
  }
  const struct {
    const char* at;  // the start folder: "" (user 01), "ws02", "ws" (no user number)
    std::vector<std::string> args;
    int rc;
    std::string out, err;  // standard output; a part of standard error
  } steps[] = {
      {"ws", {"lock", "W", data + "CI60.dta"}, 0, "held\n", ""},  // the batch, killed
      {"ws02", {"ifvolny", data + "CI60.dta"}, 0, "W\n", ""},
      {"", {"lock", "R", data + "ORG.DTA"}, 0, "held\n", ""},
      {"ws02", {"unlock", data + "ORG.DTA"}, 1, "",
       "no lock entry of user 02 nor one without a user number on " + data + "ORG.DTA in FOT.tab, nothing released; "
       "R 01 holds it"},
      {"ws", {"unlock", data + "ORG.DTA"}, 1, "", "no lock entry without a user number on " + data + "ORG.DTA"},
      {"ws02", {"unlock", data + "CI60.dta"}, 0, "released W without a user number on " + data + "CI60.dta\n", ""},
      {"ws02", {"unlock", data + "CI60.dta"}, 1, "", "nothing released"},
      {"ws", {"lock", "R", data + "ORG.DTA"}, 0, "held\n", ""},
      {"", {"unlock", data + "ORG.DTA"}, 0, "released R 01 on " + data + "ORG.DTA\n", ""},  // the own entry first
      {"", {"unlock", data + "ORG.DTA"}, 0, "released R without a user number on " + data + "ORG.DTA\n", ""},
      {"", {"unlock", data + "ORG.DTA"}, 1, "", "nothing released"},
      {"", {"unlock", "CI10.DTA"}, 1, "", "CI10.DTA is never locked"},  // the start folder's own
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::string(step.at) + ": " + step.args[0] + " " + step.args.back());
    const ostest::ToolRun r = ostest::RunTool(TAVCLI_EXE, dir + (*step.at ? "/" : "") + step.at, step.args);
    EXPECT_EQ(r.rc, step.rc) << r.err;
    EXPECT_EQ(r.out, step.out);
    EXPECT_NE(r.err.find(step.err), std::string::npos) << r.err;
  }
  EXPECT_EQ(Run({"ifvolny", data + "ORG.DTA"}, rc), "\n");
  std::ifstream table(data + "FOT.tab", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(table)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 1980u);
  for (std::size_t at = 0; at < bytes.size(); at += 20) EXPECT_EQ(bytes[at + 1], ' ') << "entry " << at / 20 + 1;
}

// The suite's main program taking and freeing slots of the user-slot table.
TEST_F(LockCliTest, UserSlotSetWritesOneEntry) {
  std::filesystem::create_directories(dir + "/data");
  std::ofstream(dir + "/data.adr") << dir << "/data/\r\n";
  const std::string table = dir + "/data/UZIVATEL.tab";
  auto entry = [&](int i) {
    std::ifstream in(table, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.size() == 200 ? (static_cast<unsigned char>(bytes[2 * i]) | static_cast<unsigned char>(bytes[2 * i + 1]) << 8)
                               : -1;
  };
  int rc = -1;
  Run({"userslot", "set", "1", "99"}, rc);  // a missing table is made first
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(entry(1), 99);
  Run({"userslot", "set", "0", "300"}, rc);
  EXPECT_EQ(entry(0), 300);
  EXPECT_EQ(entry(1), 99);
  Run({"userslot", "set", "1", "0"}, rc);
  EXPECT_EQ(entry(1), 0);
  for (auto bad : {std::vector<std::string>{"100", "0"}, {"x", "0"}, {"1", "70000"}, {"1", ""}}) {
    Run({"userslot", "set", bad[0], bad[1]}, rc);
    EXPECT_EQ(rc, 2) << bad[0] << " " << bad[1];
  }
  EXPECT_EQ(entry(0), 300);
}
#endif
