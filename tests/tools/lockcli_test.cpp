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
  EXPECT_EQ(Run({"unlock", file}, rc), "");
  EXPECT_EQ(Run({"lock", "W", file}, rc), "held\n");
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
