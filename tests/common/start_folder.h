// A fresh start folder for one test: a scratch folder made current, a fresh session,
// a recording notifier and the default drive map; everything is put back afterwards.
#pragma once
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/notifier.h"
#include "common/osfile.h"
#include "common/session.h"
#include "common/winpath.h"
#include "os_tempdir.h"
#include "tests/common/waitbound.h"

namespace starttest {

class StartFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    cwd = std::make_unique<ostest::ScopedCwd>(dir.path());
    common::Drives() = common::DriveMap();
    common::SetDefaultOpenMode(common::kModeReadWrite);
    common::ResetSession();
  }
  void TearDown() override {
    common::ResetSession();
    common::Drives() = common::DriveMap();
    common::SetDefaultOpenMode(common::kModeReadWrite);
    cwd.reset();
  }
  // A file of the start folder, by its real path.
  std::string At(const std::string& rel) const { return dir / rel; }
  void Write(const std::string& rel, const std::string& data) const { ostest::WriteRaw(At(rel), data); }
  std::string Read(const std::string& rel) const { return ostest::ReadRaw(At(rel)); }
  bool Exists(const std::string& rel) const { return access(At(rel).c_str(), F_OK) == 0; }
  // File dates in whole seconds since the Unix epoch.
  void SetMtime(const std::string& rel, std::int64_t sec) const {
    struct timespec times[2] = {{sec, 0}, {sec, 0}};
    utimensat(AT_FDCWD, At(rel).c_str(), times, 0);
  }
  std::int64_t MtimeNs(const std::string& rel) const {
    struct stat st {};
    stat(At(rel).c_str(), &st);
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }

  ostest::TempDir dir;
  std::unique_ptr<ostest::ScopedCwd> cwd;
  waitbound::BoundedNotifier notes;
  common::ScopedNotifier scopedNotes{notes};
};

// Holds a file with flock(LOCK_EX) as another program would, until released.
class HeldFile {
 public:
  explicit HeldFile(const std::string& realPath) {
    fd_ = open(realPath.c_str(), O_RDWR);
    if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) Release();
  }
  ~HeldFile() { Release(); }
  bool held() const { return fd_ >= 0; }
  void Release() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// A job file image with the given entries from entry 1 on.
inline std::string JobBytes(const std::vector<std::pair<std::string, std::string>>& entries,
                            std::size_t size = 3600) {
  std::string t(size, '\0');
  std::size_t off = 0;
  for (const auto& [name, value] : entries) {
    t[off] = static_cast<char>(name.size());
    t.replace(off + 1, name.size(), name);
    t[off + 9] = static_cast<char>(value.size());
    t.replace(off + 10, value.size(), value);
    off += 18;
  }
  return t;
}

}  // namespace starttest
