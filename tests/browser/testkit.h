// A scripted window back end for the dialog tests: a modal show runs the handler the
// test registered for that form, then lets the virtual clock run the form's timers
// until it closes; message boxes are recorded and answered from a queue; keys are
// sent as the back ends send them (key-down, then the character it produces).
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/notifier.h"
#include "tests/common/os_tempdir.h"
#include "ui/ui.h"

namespace dlgtest {

struct Box {
  std::string text, caption;
  ui::MsgButtons buttons;
};

class ScriptBackend : public ui::Backend {
 public:
  // Run when the form of that name (case as given) is shown modally.
  std::map<std::string, std::function<void(ui::Form&)>> onModal;
  std::vector<std::string> modalLog;  // names of the forms shown modally, in order
  std::vector<Box> boxes;
  std::deque<int> boxAnswers;  // taken one per box; without one: Ok, or No for yes/no boxes
  int beeps = 0, asteriskBeeps = 0, processed = 0;
  std::function<bool(ui::Font&)> chooseFont;
  std::function<bool(ui::Color&)> chooseColor;
  std::function<bool(ui::FileDialogRequest&)> chooseOpenFile;
  bool printerChosen = false;
  int printJobs = 0, stretchDraws = 0;
  ui::Rect workArea{0, 0, 1280, 984};
  int ppi = 96;

  // Moves the virtual clock, firing every timer that falls due.
  void Advance(std::int64_t ms);
  // Texts of the message boxes shown so far.
  std::vector<std::string> BoxTexts() const;

  void FormShown(ui::Form&) override {}
  void FormHidden(ui::Form&) override {}
  void RunModal(ui::Form& form) override;
  void ModalEnded(ui::Form&) override {}
  void FormChanged(ui::Form& form) override { form.ClearChangePending(); }
  void FormDestroyed(ui::Form& form) override;
  void ControlRemoved(ui::Form&, ui::Control&) override {}
  void Run(ui::Form&) override {}
  void ProcessMessages() override { ++processed; }
  void TimerChanged(ui::Timer& timer) override;
  void TimerDestroyed(ui::Timer& timer) override { due_.erase(&timer); }
  std::int64_t NowMs() override { return now_; }
  ui::MenuItem* Popup(ui::PopupMenu&, ui::Point) override { return nullptr; }
  int MessageBox(const std::string& text, const std::string& caption, ui::MsgButtons buttons,
                 ui::MsgIcon icon) override;
  void Beep(ui::BeepKind kind) override;
  bool ChooseFont(ui::Font& font) override { return chooseFont && chooseFont(font); }
  bool ChooseColor(ui::Color& color) override { return chooseColor && chooseColor(color); }
  bool ChooseOpenFile(ui::FileDialogRequest& r) override { return chooseOpenFile && chooseOpenFile(r); }
  bool ChooseFolder(ui::FolderDialogRequest&) override { return false; }
  bool ChoosePrinter() override { return printerChosen; }
  ui::Rect WorkArea() override { return workArea; }
  int PixelsPerInch() override { return ppi; }
  ui::Bitmap GrabForm(ui::Form& form) override { return ui::Bitmap(form.clientWidth(), form.clientHeight()); }
  std::vector<std::string> PrinterNames() override { return {"Test"}; }
  std::string CurrentPrinter() override { return "Test"; }
  bool SetCurrentPrinter(const std::string&) override { return true; }
  std::unique_ptr<ui::PrinterCanvas> BeginPrint(const std::string& title) override;

 private:
  std::int64_t now_ = 0;
  std::map<ui::Timer*, std::int64_t> due_;
};

// A key as the user presses it on the form's focused control (or the form).
void Key(ui::Form& form, int vk, ui::Shift shift = ui::Shift::None);
// Characters typed one by one ("12+5", "C").
void Type(ui::Form& form, const std::string& text);

// Every dialog test: a scratch folder as the current folder (with "par\"), a fresh
// session whose program folder is that folder, the scripted back end, a recording
// notifier, and fresh dialog windows and font state.
class DialogTest : public ::testing::Test {
 protected:
  DialogTest();
  ~DialogTest() override;

  // Writes pending parameter changes and reads a file of the scratch folder.
  std::string FileText(const std::string& rel);
  void WriteFile(const std::string& rel, const std::string& data);
  bool Exists(const std::string& rel) const;
  // Flushes the parameter cache and drops it, so that the next read comes from disk.
  void ReloadParams();

  ostest::TempDir dir_;
  ostest::ScopedCwd cwd_;
  ScriptBackend backend_;
  ui::ScopedBackend scopedBackend_;
  common::RecordingNotifier notes_;
  common::ScopedNotifier scopedNotifier_;
};

}  // namespace dlgtest
