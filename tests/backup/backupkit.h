// The frame of the backup tests: drive C mapped to <tmp>/c, the data folder
// C:\APP\DATA\F1\ with a job file, the program folder C:\PROG\, the backup window
// opened as the driver does, and the questions answered from a queue.
#pragma once
#include <deque>
#include <map>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "backup/copystore.h"
#include "backup/globkop.h"
#include "backup/medium.h"
#include "common/session.h"
#include "common/winpath.h"
#include "tests/browser/scratchkit.h"

namespace backuptest {

namespace fs = std::filesystem;

class BackupFixture : public browsertest::ScratchTest {
 protected:
  BackupFixture();
  ~BackupFixture() override;

  // Real paths.
  std::string C(const std::string& rel = {}) const { return dir / ("c/" + rel); }
  std::string Data(const std::string& rel = {}) const { return C("APP/DATA/F1/" + rel); }
  std::string SetDir(const std::string& rel = {}) const { return C("tv3/DATA/F1/TAVONA/" + rel); }

  void Write(const std::string& path, const std::string& data, std::int64_t mtimeSec = 0);
  std::string Read(const std::string& path) const;
  bool Exists(const std::string& path) const { return std::filesystem::exists(path); }
  std::vector<std::string> Names(const std::string& folder) const;
  std::int64_t MTime(const std::string& path) const;
  std::string Job(const std::string& name) const;
  // The texts of the notifier's messages (both kinds), UTF-8.
  std::vector<std::string> Messages() const;
  bool SaidSomething(const std::string& utf8Part) const;

  // Questions (fDotaz) are answered yes/no from the queue; an empty queue answers no.
  std::deque<bool> answers;
  std::vector<std::string> questions;  // UTF-8
  std::vector<std::string> notices;    // timed notices, UTF-8

  // Opens the window as the driver does and runs `keys` in it.
  void Open(const std::function<void(backup::TfGlobKop&)>& keys);
  // One backup with the given drive letter and compression, by the window's controls.
  void RunBackup(const std::string& drive = "C", bool compression = false);
  // Opens the window, presses "Obnov data" and runs `keys` in the list of copies.
  void RunRestore(const std::function<void(backup::TfGlobKop&)>& keys);
  // Selects the copy with this number in the list and presses Enter.
  void RestoreCopy(backup::TfGlobKop& w, int number);
};

}  // namespace backuptest
