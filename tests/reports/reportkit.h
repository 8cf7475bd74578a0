// The frame of the report-layer tests: a scratch folder as current, program and
// data folder, a fresh session with the program's scrambling key, the headless back
// end, the two viewers and the writer registered with the print entry.
#pragma once
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/jobfile.h"
#include "common/params.h"
#include "common/scramble.h"
#include "common/session.h"
#include "reports/hooks.h"
#include "reports/pozri.h"
#include "reports/writer.h"
#include "tests/browser/scratchkit.h"
#include "tests/common/os_tempdir.h"

namespace reporttest {

using common::Cz;

class ReportTest : public browsertest::ScratchTest {
 protected:
  ReportTest() {
    common::CurrentSession().ScrambleKey = common::ProgramScrambleKey();
    common::CurrentSession().JobLoadState = 0;
    reports::ViewerHooks() = {};
    reports::InstallReportServices();
  }
  ~ReportTest() override {
    reports::DestroyReportWindows();
    reports::ViewerHooks() = {};
  }

  std::string Path(const std::string& rel) const { return dir / rel; }
  std::string Bytes(const std::string& rel) const { return ostest::ReadRaw(dir / rel); }
  void Put(const std::string& rel, const std::string& data) const { ostest::WriteRaw(dir / rel, data); }
  bool Exists(const std::string& rel) const { return std::filesystem::exists(dir / rel); }
  void Job(const std::string& key, const std::string& value) { common::WriteJob(key, value); }

  // A report written through the writer; lines are UTF-8.
  void Report(const std::string& job, int width, const std::vector<std::string>& lines) {
    reports::OpenReportOut(job, width);
    for (const std::string& l : lines) reports::WriteReportLine(Cz(l));
    reports::CloseReportOut();
  }
  // Lines "Line 1" .. "Line n" of width w, with a form-feed page header every `page` lines.
  static std::vector<std::string> Numbered(int n) {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) v.push_back("Line " + std::to_string(i));
    return v;
  }
  static std::string Padded(const std::string& s, int w) {
    std::string t = s.substr(0, static_cast<std::size_t>(w));
    t.resize(static_cast<std::size_t>(w), ' ');
    return t + "\r\n";
  }
  void Scrambled(bool on) { common::CurrentSession().ScrambleOn = on ? 1 : 0; }
};

}  // namespace reporttest
