// The frame of the report-list tests: files with chosen times, the lists opened as
// their callers open them, and a viewer that only records what it was asked to show.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "browser/entries.h"
#include "common/clock.h"
#include "common/osfile.h"
#include "reports/spool.h"
#include "reports/spoolexc.h"
#include "reports/xlsexport.h"
#include "tests/reports/reportkit.h"
#include "ui/keys.h"

namespace reporttest {

namespace vk = ui::vk;

class RecordingViewer : public browser::ReportViewer {
 public:
  std::vector<std::string> shown;
  void SetupReport(const std::string& fileName) override { shown.push_back(fileName); }
  void SetLastKey(int) override {}
  int LastKey() const override { return vk::Esc; }
  void ShowReport() override {}
  void SetCurrentRecord(int) override {}
  void CloseBrowse() override {}
};

class SpoolTest : public ReportTest {
 protected:
  SpoolTest() {
    reports::XlsExportSettings() = {};
    reports::XlsExportSettings().openDocument = false;
    reports::DateOrderSwitch() = 1;
  }
  ~SpoolTest() override {
    reports::XlsExportSettings() = {};
    reports::DateOrderSwitch() = 1;
    reports::SpoolHooks() = {};
  }

  reports::TfSpool& list = reports::fSpool();

  // A file with its time set to noon of the day.
  void File(const std::string& rel, const std::string& data, int y = 2024, int m = 6, int d = 12) {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    Put(rel, data);
    ASSERT_EQ(common::SetFileTime(Path(rel), common::UnixNsFromLocal({y, m, d, 12, 0, 0, 0})), 0);
  }
  // What runs while a list is shown; it is left with Esc afterwards.
  void Steps(std::function<void(ui::Form&)> steps) {
    backend.AnswerNextModal([this, steps](ui::Form& f) {
      steps(f);
      if (f.showingModal() && &backend.Active() == &f) backend.Press(vk::Esc);
    });
  }
  void OpenSpool(std::function<void()> steps) {
    Steps([steps](ui::Form&) { steps(); });
    reports::ShowReportListModal();
  }
  // The shown cell of column c in grid row r.
  std::string Cell(ui::Form& f, int c, int r) const { return static_cast<browser::TfRol&>(f).sgRol.Cell(c, r); }
  std::vector<std::string> Names(const reports::TfSpoolList& l) const {
    std::vector<std::string> v;
    for (const auto& e : l.Entries) v.push_back(e.name);
    return v;
  }
  std::string Here() const {
    std::string here = common::CurrentFolder();
    here.pop_back();
    return here + "\\";
  }
  int Messages(const std::string& prefix = {}) const { return notes.Count(common::RecordingNotifier::Kind::Message, prefix); }
};

}  // namespace reporttest
