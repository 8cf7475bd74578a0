// The frame of the main-window tests: a scratch start folder with "data.adr" and
// "prog.adr" naming its "data/" and "prog/" folders and a start-folder "master.job"
// with user 01, start-up loaded, the headless back end and a recording notifier.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "browser/rol.h"
#include "tests/browser/scratchkit.h"

namespace apptest {

class AppTest : public browsertest::ScratchTest {
 public:
  AppTest();
  ~AppTest() override;

  // Writes the start folder's "master.job" with the given entries (UZIVATEL=01 first).
  void WriteStartJob(const std::vector<std::pair<std::string, std::string>>& extra = {});
  // Loads start-up, then makes the main window, its watch answering from `answers`
  // (false once they run out) and counting the questions.
  app::TForm1& MakeMain(std::vector<std::string> args = {});
  // Shows the main window (its first activation runs).
  app::TForm1& Open(std::vector<std::string> args = {});
  // Texts of the message boxes shown so far.
  std::vector<std::string> Boxes() const;
  // Names of the forms shown modally so far.
  std::vector<std::string> Modals() const;
  // The watch's next ticks.
  void Ticks(int n) { backend.Advance(10000LL * n); }

  std::unique_ptr<app::TForm1> main;
  std::vector<bool> answers;
  int asked = 0;
  int closes = 0;  // FormClose runs that did something
};

// A list window that counts its CloseBrowse and sees how often FormClose ran before.
struct CountingBrowse : browser::TfRol {
  explicit CountingBrowse(AppTest& t) : TfRol("fZuj"), test(t) {}
  void CloseBrowse() override {
    ++closes;
    formClosesSeen = test.closes;
  }
  AppTest& test;
  int closes = 0, formClosesSeen = -1;
};

}  // namespace apptest
