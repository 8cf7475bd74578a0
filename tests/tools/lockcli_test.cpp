// The lock commands of tavcli against the stand-in server, as separate processes.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
    int out[2];
    if (pipe(out) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      if (chdir(dir.c_str()) != 0) _exit(126);
      std::vector<char*> argv{const_cast<char*>("tavcli")};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(TAVCLI_EXE, argv.data());
      _exit(127);
    }
    close(out[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return text;
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
