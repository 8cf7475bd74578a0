// The frame of the dialog tests, and the report viewer and writer they hand to the
// print entry.
#pragma once
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/entries.h"
#include "tests/browser/scratchkit.h"
#include "ui/ui.h"

namespace dlgtest {

// A report viewer that records what the print entry asks of it; each showing
// leaves it with the next key of `leaveWith` (Esc when none is left).
struct FakeViewer : browser::ReportViewer {
  std::vector<std::string> setups;
  std::vector<int> leaveWith;
  int shown = 0, closed = 0, currentRecord = 0, lastKey = 0;
  void SetupReport(const std::string& fileName) override { setups.push_back(fileName); }
  void SetLastKey(int key) override { lastKey = key; }
  int LastKey() const override { return lastKey; }
  void ShowReport() override {
    if (shown < static_cast<int>(leaveWith.size())) lastKey = leaveWith[static_cast<std::size_t>(shown)];
    ++shown;
  }
  void SetCurrentRecord(int record) override { currentRecord = record; }
  void CloseBrowse() override { ++closed; }
  bool Shown() const override { return busy; }
  std::string SettingsName() const override { return name; }
  bool busy = false;  // shown by an outer step
  std::string name = "fPozri";
};

// A report writer that writes the lines padded to the width, one per line.
struct FakeWriter : browser::ReportWriter {
  std::string job;
  int width = 0;
  std::vector<std::string> lines;
  void OpenReportOut(const std::string& jobName, int w) override {
    job = jobName;
    width = w;
    lines.clear();
  }
  void WriteReportLine(const std::string& line) override { lines.push_back(line); }
  void CloseReportOut() override;
};

// The scratch folder is both program and data folder, with "par\".
class DialogTest : public browsertest::ScratchTest {
 protected:
  DialogTest();

  // Writes pending parameter changes, then reads a file of the scratch folder.
  std::string FileText(const std::string& rel);
  void WriteFile(const std::string& rel, const std::string& data);
  bool Exists(const std::string& rel) const;
  // Texts of the message boxes shown so far.
  std::vector<std::string> Boxes() const;
  // Forms shown modally so far, by name.
  std::vector<std::string> ModalForms() const;
};

}  // namespace dlgtest
