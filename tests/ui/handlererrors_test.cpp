// An error thrown while a key, click, menu item or timer is handled: its text in a
// message box, the window still open and working, the program going on.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ui/headless/headless.h"

namespace ui {
namespace {

using headless::HeadlessBackend;
using headless::HeadlessError;

struct Throwing {
  Form form{"Throwing"};
  Button& button = form.Add<Button>("bKlik");
  Edit& edit = form.Add<Edit>("eText");
  PopupMenu& menu = form.AddPopupMenu("PopupMenu1");
  Timer& timer = form.AddTimer("Timer1", 100);
  std::vector<std::string> done;

  Throwing() {
    form.keyPreview = true;
    form.onKeyDown = [this](Control&, int& key, Shift) {
      if (key == vk::F(5)) throw std::out_of_range("record of 62 bytes is shorter than its 71-byte layout");
      if (key == vk::F(6)) throw HeadlessError("a step the back end cannot take");
      if (key == vk::F(2)) {
        key = 0;
        done.push_back("F2");
      }
      if (key == vk::Esc) {
        key = 0;
        form.Close();
      }
    };
    button.onClick = [](Control&) { throw std::runtime_error("click failed"); };
    button.popupMenu = &menu;
    menu.AddItem("Polozka1", "Polozka", [](MenuItem&) { throw std::runtime_error("menu item failed"); });
    timer.onTimer = [this](Timer& t) {
      t.Stop();
      throw std::runtime_error("tick failed");
    };
    edit.onChange = [](Control&) { throw std::runtime_error("change failed"); };
  }
};

TEST(UiHandlerErrors, AKeyHandlerThatThrowsShowsTheTextAndTheWindowStaysOpen) {
  HeadlessBackend h;
  Throwing t;
  h.OnModal("Throwing", [&](Form& f) {
    h.Press(vk::F(5));
    ASSERT_EQ(h.messages().size(), 1u);
    EXPECT_EQ(h.messages()[0].text, "record of 62 bytes is shorter than its 71-byte layout");
    EXPECT_EQ(h.messages()[0].icon, MsgIcon::Error);
    EXPECT_TRUE(f.visible());
    EXPECT_FALSE(f.modalDone());
    h.Press(vk::F(2));  // the window still takes keys
    h.Press(vk::Esc);
  });
  EXPECT_EQ(t.form.ShowModal(), mr::Cancel);
  EXPECT_EQ(t.done, std::vector<std::string>{"F2"});
}

TEST(UiHandlerErrors, ClicksMenuItemsTimersAndTypingShowTheirErrors) {
  HeadlessBackend h;
  Throwing t;
  h.OnModal("Throwing", [&](Form& f) {
    h.Click(t.button);
    h.RightClick(t.button);
    h.QueueAnswer(headless::Answer::MenuAnswer("Polozka1"));
    h.RightClick(t.button);
    t.timer.Start();
    h.Advance(150);
    h.Focus(t.edit);
    h.Type("x");
    EXPECT_TRUE(f.visible());
    h.Press(vk::Esc);
  });
  t.form.ShowModal();
  std::vector<std::string> texts;
  for (const auto& m : h.messages()) texts.push_back(m.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"click failed", "menu item failed", "tick failed", "change failed"}));
}

TEST(UiHandlerErrors, TheBackEndsOwnFailureStillStopsTheTest) {
  HeadlessBackend h;
  Throwing t;
  t.form.Show();
  EXPECT_THROW(h.Press(vk::F(6)), HeadlessError);
  EXPECT_TRUE(h.messages().empty());
  t.form.Hide();
}

}  // namespace
}  // namespace ui
