#include "common/process.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#include "common/iocodes.h"
#include "os_tempdir.h"

using namespace common;
using ostest::ReadRaw;
using ostest::TempDir;

namespace {

int Spawn(const std::string& program, const std::vector<std::string>& args, RunResult& r, RunOptions o = {}) {
  return RunProgram(program, args, o, r);
}

TEST(ProcessTest, ExitCodeAndMissingProgram) {
  RunResult r;
  ASSERT_EQ(Spawn("sh", {"-c", "exit 7"}, r), 0);
  EXPECT_EQ(r.exitCode, 7);
  EXPECT_FALSE(r.timedOut);
  ASSERT_EQ(Spawn("/bin/true", {}, r), 0);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(Spawn("no-such-program-here", {}, r), io::kFileNotFound);
  EXPECT_EQ(Spawn("/no/such/program", {}, r), io::kFileNotFound);
}

TEST(ProcessTest, ProgramThatMayNotRun) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ostest::WriteRaw(dir / "tool", "#!/bin/sh\nexit 3\n");
  chmod((dir / "tool").c_str(), 0644);
  const char* oldPath = getenv("PATH");
  const std::string saved = oldPath ? oldPath : "";
  setenv("PATH", (dir.path() + ":" + saved).c_str(), 1);
  RunResult r;
  EXPECT_EQ(Spawn("tool", {}, r), io::kAccessDenied);
  chmod((dir / "tool").c_str(), 0755);
  EXPECT_EQ(Spawn("tool", {}, r), 0);
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(r.exitCode, 3);
}

TEST(ProcessTest, ArgumentsGoAsTheyAreWithoutAShell) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  RunOptions o;
  o.outputFile = dir / "out.txt";
  RunResult r;
  ASSERT_EQ(Spawn("printf", {"%s|", "a b", "$HOME", "*", "x;y", "\"q\""}, r, o), 0);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadRaw(dir / "out.txt"), "a b|$HOME|*|x;y|\"q\"|");
}

TEST(ProcessTest, OutputFileTakesBothStreams) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ostest::WriteRaw(dir / "out.txt", "old text that must go");
  RunOptions o;
  o.outputFile = dir / "out.txt";
  o.workDir = dir.path();
  RunResult r;
  ASSERT_EQ(Spawn("sh", {"-c", "echo out; echo err >&2; pwd"}, r, o), 0);
  EXPECT_EQ(ReadRaw(dir / "out.txt"), "out\nerr\n" + dir.path() + "\n");
}

TEST(ProcessTest, HiddenReadsNothingFromUs) {
  RunOptions o;
  o.hidden = true;
  o.timeoutMs = 5000;
  RunResult r;
  // stdin is /dev/null: cat ends at once instead of waiting for a terminal.
  ASSERT_EQ(Spawn("cat", {}, r, o), 0);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(r.timedOut);
}

TEST(ProcessTest, TimeLimitKillsTheProgramAndItsChildren) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  RunOptions o;
  o.timeoutMs = 150;
  o.hidden = true;
  RunResult r;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Spawn("sh", {"-c", "sleep 30 & echo $! > " + (dir / "child.pid") + "; wait"}, r, o), 0);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.exitCode, -1);
  EXPECT_EQ(r.signal, SIGKILL);
  EXPECT_LT(took, std::chrono::seconds(5));

  // The grandchild went with it (allow the system a moment to reap it).
  const std::string pid = ReadRaw(dir / "child.pid");
  ASSERT_FALSE(pid.empty());
  const std::string stat = "/proc/" + std::to_string(std::stoi(pid)) + "/stat";
  bool gone = false;
  for (int i = 0; i < 200 && !gone; ++i) {
    std::string s = ReadRaw(stat);
    const auto p = s.rfind(')');
    gone = s.empty() || (p != std::string::npos && p + 2 < s.size() && s[p + 2] == 'Z');
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone);
}

TEST(ProcessTest, StartWithoutWaiting) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  RunOptions o;
  o.wait = false;
  o.hidden = true;
  RunResult r;
  ASSERT_EQ(Spawn("sh", {"-c", "echo done > " + (dir / "flag")}, r, o), 0);
  EXPECT_GT(r.pid, 0);
  EXPECT_EQ(r.exitCode, -1);  // not known: nobody waited
  for (int i = 0; i < 500 && ReadRaw(dir / "flag").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadRaw(dir / "flag"), "done\n");
}

TEST(ProcessTest, OpenDocumentHandsTheNameToTheDesktop) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  // A stand-in handler first in PATH records what it was given.
  const std::string handler = dir / "xdg-open";
  {
    std::ofstream f(handler);
    f << "#!/bin/sh\nprintf '%s' \"$1\" > \"" << (dir / "opened") << ".tmp\"\nmv \"" << (dir / "opened")
      << ".tmp\" \"" << (dir / "opened") << "\"\n";
  }
  chmod(handler.c_str(), 0755);
  const char* oldPath = getenv("PATH");
  const std::string saved = oldPath ? oldPath : "";
  setenv("PATH", (dir.path() + ":" + saved).c_str(), 1);
  const int code = OpenDocument("https://example.org/a b?x=1&y=2");
  setenv("PATH", saved.c_str(), 1);
  ASSERT_EQ(code, 0);
  for (int i = 0; i < 500 && ReadRaw(dir / "opened").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadRaw(dir / "opened"), "https://example.org/a b?x=1&y=2");
}

}  // namespace
