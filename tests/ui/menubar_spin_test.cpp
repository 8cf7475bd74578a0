// The window's menu bar and the spin edit on the headless back end: choosing items,
// what cannot be chosen, the arrows and typing of a spin edit, and the snapshot.
#include <sstream>

#include <gtest/gtest.h>

#include "ui/headless/headless.h"
#include "ui/headless/script.h"
#include "ui/ui.h"

namespace ui {
namespace {

using headless::HeadlessBackend;

struct MenuForm {
  Form form{"TfMenu"};
  SpinEdit& spin = form.Add<SpinEdit>("SpinEdit1");
  std::vector<std::string> chosen;

  MenuForm() {
    MenuBar& bar = form.AddMenuBar();
    bar.AddEntry("File1", "File");
    bar.AddItem("File1", "Open1", "Open", [this](MenuItem& i) { chosen.push_back(i.name); });
    bar.AddItem("File1", "Sep1", "-");
    bar.AddItem("File1", "Off1", "Off", [this](MenuItem& i) { chosen.push_back(i.name); }).enabled = false;
    bar.AddEntry("Help1", "Help", [this](MenuItem& i) { chosen.push_back(i.name); });
    spin.SetRange(1, 9);
    spin.SetValue(2);
  }
};

TEST(UiMenuBar, ItemsAndEntriesWithoutItemsAreChosen) {
  HeadlessBackend backend;
  MenuForm f;
  f.form.Show();
  backend.ChooseMenu(f.form, "Open");
  backend.ChooseMenu(f.form, "Help1");
  EXPECT_EQ(f.chosen, (std::vector<std::string>{"Open1", "Help1"}));
  for (const char* refused : {"File", "Off", "Sep1"}) EXPECT_THROW(backend.ChooseMenu(f.form, refused), headless::HeadlessError);
  EXPECT_THROW(backend.ChooseMenu(f.form, "Nothing"), headless::HeadlessError);
  f.form.menuBar()->Find("File1")->enabled = false;
  EXPECT_FALSE(f.form.menuBar()->Choose(*f.form.menuBar()->Find("Open1")));
  EXPECT_EQ(f.chosen.size(), 2u);
  EXPECT_EQ(backend.journal().back(), "menu Help");  // refused items are not logged
}

TEST(UiSpinEdit, ArrowsStepWithinTheRangeAndTypingKeepsDigits) {
  HeadlessBackend backend;
  MenuForm f;
  int changes = 0;
  f.spin.onChange = [&](Control&) { ++changes; };
  f.form.Show();
  backend.Focus(f.spin);
  backend.PressKeys("Up Up");
  EXPECT_EQ(f.spin.value(), 4);
  for (int i = 0; i < 10; ++i) backend.PressKeys("Down");
  EXPECT_EQ(f.spin.value(), 1);
  EXPECT_EQ(changes, 5);  // 2 up, 3 down; steps at the limit change nothing
  f.spin.SelectAll();
  backend.Type("7x");
  EXPECT_EQ(f.spin.text(), "7");
  EXPECT_EQ(f.spin.value(), 7);
  f.spin.SetText("12");
  EXPECT_EQ(f.spin.value(), 9);
  f.spin.SetText("");
  EXPECT_EQ(f.spin.value(), 1);
  f.spin.SetValue(0);
  EXPECT_EQ(f.spin.text(), "1");
}

TEST(UiMenuBar, SnapshotAndScriptShowAndChooseTheMenu) {
  HeadlessBackend backend;
  MenuForm f;
  const std::string shot = headless::Snapshot(f.form);
  EXPECT_NE(shot.find("  menu \"File\"\n    item \"Open\"\n    item \"-\"\n    item \"Off\" disabled\n  menu \"Help\"\n"),
            std::string::npos)
      << shot;
  EXPECT_NE(shot.find("spin SpinEdit1 \"2\" 1..9"), std::string::npos) << shot;
  std::ostringstream out;
  headless::ScriptRunner runner(backend, out);
  runner.AddOpener("menuform", [&] { f.form.ShowModal(); });
  runner.Run("open menuform\nmenu Open\nmenu Help\nclose\n");
  EXPECT_EQ(f.chosen, (std::vector<std::string>{"Open1", "Help1"}));
}

}  // namespace
}  // namespace ui
