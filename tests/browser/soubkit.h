// A code list on the record-file browser for tests: "CI99.DTA" with records of 31
// bytes (code: counted text of 5, name: counted text of 20, count: int32), a data
// folder in a scratch folder, a fresh session, the headless back end, a recording
// notifier, and a scripted edit window in place of the real one.
#pragma once
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/editform.h"
#include "browser/soub.h"
#include "common/encoding.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "common/params.h"
#include "common/text.h"
#include "tests/browser/rolkit.h"
#include "ui/keys.h"

namespace soubtest {

inline constexpr int kLength = 31;

// One record of CI99.DTA as the program writes it: texts padded to their width.
inline std::string Record(const std::string& code, const std::string& name, std::int32_t count) {
  std::string r(kLength, '\0');
  std::string c = code, n = common::Cz(name);
  c.resize(std::max<std::size_t>(c.size(), 5), ' ');
  n.resize(std::max<std::size_t>(n.size(), 20), ' ');
  common::PutCounted(r, 0, c, 5);
  common::PutCounted(r, 6, n, 20);
  common::PutLE<std::int32_t>(r, 27, count);
  return r;
}

// `size` bytes that no program wrote: the same for the same seed.
inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  return bytes;
}

// The edit window as a script: each shown form takes steps from the queue until it
// closes; a form left open when the steps run out is left with Esc.
class ScriptedEdit : public browser::EditFormView {
 public:
  using Step = std::function<void(browser::EditForm&)>;

  // Keys by name ("Down", "F2", "Ctrl+F9", "Shift+F12").
  ScriptedEdit& Keys(std::string_view names) {
    std::size_t at = 0;
    while (at < names.size()) {
      std::size_t end = names.find(' ', at);
      if (end == std::string_view::npos) end = names.size();
      if (end > at) {
        const auto key = ui::ParseKey(names.substr(at, end - at));
        if (!key) throw std::invalid_argument("key " + std::string(names.substr(at, end - at)));
        steps.push_back([k = *key](browser::EditForm& f) { f.KeyDown(f.currentField(), k.vk, k.shift); });
      }
      at = end + 1;
    }
    return *this;
  }
  // Replaces the text of the current field (UTF-8).
  ScriptedEdit& Type(const std::string& text) {
    steps.push_back([t = common::Cz(text)](browser::EditForm& f) { f.SetText(f.currentField(), t); });
    return *this;
  }
  ScriptedEdit& Do(Step step) {
    steps.push_back(std::move(step));
    return *this;
  }

  void ShowModal(browser::EditForm& form) override {
    ++shown;
    seen.push_back({});
    for (int i = 1; i <= form.fieldCount(); ++i) seen.back().push_back(form.Text(i));
    while (!form.closed() && !steps.empty()) {
      Step step = std::move(steps.front());
      steps.pop_front();
      step(form);
    }
    if (!form.closed()) form.KeyDown(form.currentField(), ui::vk::Esc, ui::Shift::None);
  }

  std::deque<Step> steps;
  int shown = 0;
  std::vector<std::vector<std::string>> seen;  // the texts each form showed at first
};

class Ci99 : public browser::TfSoub {
 public:
  explicit Ci99(std::string name = "fCi99") : TfSoub(std::move(name)) { Define(); }

  // The fields, as the list's setup defines them before every opening.
  void Define() {
    FieldCount = 3;
    browser::SetFieldDescriptor(Field(1), browser::FieldSetup().Caption(common::Cz("Kód")).At(2, 1).Picture("X").Initial("     "));
    browser::SetFieldDescriptor(Field(2), browser::FieldSetup().Caption(common::Cz("Název")).At(2, 2).Picture("X").Initial(std::string(20, ' ')));
    browser::SetFieldDescriptor(Field(3), browser::FieldSetup().Caption(common::Cz("Počet")).At(2, 3).Picture("####I").Initial("    "));
  }

  void Open(const std::string& file = "CI99.DTA", int length = kLength, int viewMode = -1, int start = 99999) {
    Define();
    browser::BrowseSetup s;
    s.fileName = file;
    s.title = "Test";
    s.editTitle = "Oprava";
    s.editKeyLine = "F2-OK Esc-Konec";
    s.fieldCount = 3;
    s.recordLength = length;
    s.startRecord = start;
    s.viewMode = viewMode;
    s.grid = {1, 1, 80, 10};
    OpenBrowse(s);
  }
  // A blank record in the buffer, as code-list windows preset it before F4.
  void PresetBlank() { RecordBuffer = Record("", "", 0); }

  std::string RecordKey(std::int32_t n) override {
    if (!keyed) return {};
    RecordRead(n);
    return common::StripRightSp(common::GetCounted(RecordBuffer, 0, 5));
  }
  void AfterReadHook() override { hooks.push_back(ReadingForView ? "after-read view" : "after-read"); }
  void BeforeWriteHook() override { hooks.push_back("before-write"); }
  void ClearRecord() override {
    hooks.push_back("clear");
    RecordBuffer[0] = 0;
  }
  void FieldCheck(int field, std::string& text) override {
    TfSoub::FieldCheck(field, text);
    if (check) check(field, text);
  }

  bool keyed = false;
  std::vector<std::string> hooks;
  std::function<void(int, std::string&)> check;
};

// Points the session at a scratch folder as program folder, with "data\\" as data
// folder and "par\\" beside it, as user "01" on "PC01".
inline common::Session& UseScratchFolders(const std::string& root) {
  common::Session& s = common::CurrentSession();
  s.DataDirPath = root + "/data/";
  s.ProgDirPath = root + "/";
  s.CurrentUser = "01";
  s.ComputerId = "PC01";
  std::filesystem::create_directories(root + "/data");
  std::filesystem::create_directories(root + "/par");
  return s;
}

// The fixture: the browser window's scratch folder with "data\\" and "par\\", the
// session pointing there.
class SoubTest : public roltest::RolTest {
 protected:
  void SetUp() override {
    RolTest::SetUp();
    common::Session& s = UseScratchFolders(dir.path());
    browser::SoubHooks() = {};
    browser::SoubHooks().editView = &edit;
    other.DataDirPath = s.DataDirPath;
    other.ProgDirPath = s.ProgDirPath;
    other.CurrentUser = "02";
  }
  void TearDown() override {
    browser::SoubHooks() = {};
    RolTest::TearDown();
  }

  std::string DataPath(const std::string& name) const { return dir / ("data/" + name); }
  void WriteData(const std::string& name, const std::string& bytes) const { ostest::WriteRaw(DataPath(name), bytes); }
  std::string ReadData(const std::string& name) const { return ostest::ReadRaw(DataPath(name)); }
  // CI99.DTA with records "01".."nn", names "Položka n", counts n.
  void WriteCi99(int n, const std::string& name = "CI99.DTA") const {
    std::string bytes;
    for (int i = 1; i <= n; ++i) bytes += Record(common::FormatFloatMask("@@", i), "Položka " + std::to_string(i), i);
    WriteData(name, bytes);
  }
  std::string RecordAt(const std::string& file, int n) const { return ReadData(file).substr(static_cast<std::size_t>((n - 1) * kLength), kLength); }
  std::vector<std::string> Messages() const { return notes.Texts(common::RecordingNotifier::Kind::Message); }

  common::Session other;  // a second workstation on the same folders
  ScriptedEdit edit;
};

}  // namespace soubtest
