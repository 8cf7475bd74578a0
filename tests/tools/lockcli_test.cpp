// The lock commands of tavcli against the stand-in server, as separate processes.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
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
#endif
