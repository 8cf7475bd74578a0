#include "common/runhidden.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "tests/common/os_tempdir.h"

using namespace common;

TEST(RunHidden, SplitCommandLine) {
  EXPECT_EQ(SplitCommandLine("  arj  a \"C:\\Moje data\\z.arj\" *.dta "),
            (std::vector<std::string>{"arj", "a", "C:\\Moje data\\z.arj", "*.dta"}));
  EXPECT_EQ(SplitCommandLine("x \"\""), (std::vector<std::string>{"x", ""}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(RunHidden, RunHiddenDoesNotWait) {
  ostest::TempDir tmp;
  const std::string done = tmp / "done";
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(RunHidden("sh -c \"sleep 0.3; touch " + done + "\"", 0), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(250));
  for (int i = 0; i < 300 && !std::filesystem::exists(done); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(std::filesystem::exists(done));
  EXPECT_EQ(RunHidden("no-such-program-here", 0), 2);
  EXPECT_EQ(RunHidden("", 0), 2);
}
