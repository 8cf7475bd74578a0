// The frame every browser-layer test stands in: a scratch folder as the current
// folder, a fresh session, window font state and dialog windows, no report
// services, the headless back end and a recording notifier whose waits end; all put
// back after.
#pragma once
#include <string>

#include <gtest/gtest.h>

#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/winsettings.h"
#include "common/notifier.h"
#include "common/params.h"
#include "common/session.h"
#include "tests/common/os_tempdir.h"
#include "tests/common/waitbound.h"
#include "ui/headless/headless.h"

namespace browsertest {

class ScratchTest : public ::testing::Test {
 protected:
  ScratchTest() : cwd(dir.path()), scopedNotes(notes) { Reset(); }
  ~ScratchTest() override { Reset(); }

  void SetUp() override { ASSERT_TRUE(dir.ok()); }

  // Writes the cached parameter files and drops the cache (the next read is from disk).
  void FlushParams() { common::FlushParams(); }

  ostest::TempDir dir;
  ostest::ScopedCwd cwd;
  ui::headless::HeadlessBackend backend;
  waitbound::BoundedNotifier notes;  // a wait that never ends fails the test
  common::ScopedNotifier scopedNotes;

 private:
  static void Reset() {
    browser::SetReportServices(nullptr, nullptr, nullptr);
    browser::DestroyDialogWindows();
    browser::DialogResults() = {};
    browser::ResetWindowFont();
    common::ResetSession();
  }
};

}  // namespace browsertest
