// Modal shows, nesting, closing, focus and key routing on the headless back end.
#include <gtest/gtest.h>

#include <sstream>

#include "ui/headless/headless.h"
#include "ui/headless/script.h"

namespace ui {
namespace {

using headless::HeadlessBackend;
using headless::HeadlessError;

// A chain of dialogs: F4 on level n opens level n + 1 and keeps its result.
struct Chain {
  std::vector<std::unique_ptr<Form>> forms;
  std::vector<std::string> order;  // "open n", "result n r"
  std::vector<int> results;

  explicit Chain(int depth) {
    for (int i = 0; i < depth; ++i) {
      auto form = std::make_unique<Form>("Level" + std::to_string(i));
      form->SetCaption("Level " + std::to_string(i));
      form->keyPreview = true;
      forms.push_back(std::move(form));
    }
    results.assign(depth, -1);
    for (int i = 0; i < depth; ++i) {
      Form* f = forms[i].get();
      f->onKeyDown = [this, i, f](Control&, int& key, Shift shift) {
        int code = KeyCode(key, shift);
        if (code == vk::F(4) && i + 1 < static_cast<int>(forms.size())) {
          key = 0;
          order.push_back("open " + std::to_string(i + 1));
          results[i + 1] = forms[i + 1]->ShowModal();
          order.push_back("result " + std::to_string(i + 1) + " " + std::to_string(results[i + 1]));
        } else if (code == vk::F(2)) {
          key = 0;
          f->SetModalResult(mr::Ok);
        } else if (code == vk::Esc) {
          key = 0;
          f->Close();
        }
      };
    }
  }
};

TEST(UiModal, ThreeLevelsAnsweredByHandlersReturnInOrder) {
  HeadlessBackend h;
  Chain chain(3);
  h.OnModal("Level2", [&](Form& f) {
    EXPECT_EQ(&h.Active(), &f);
    EXPECT_EQ(ModalForms().size(), 3u);
    h.Press(vk::F(2));  // confirm the innermost
  });
  h.OnModal("Level1", [&](Form& f) {
    EXPECT_EQ(&h.Active(), &f);
    h.Press(vk::F(4));  // opens Level2, answered above
    EXPECT_EQ(&h.Active(), &f);
    h.Press(vk::Esc);  // cancel this one
  });
  h.OnModal("Level0", [&](Form&) { h.Press(vk::F(4)); h.Press(vk::F(2)); });

  int outer = chain.forms[0]->ShowModal();

  EXPECT_EQ(outer, mr::Ok);
  EXPECT_EQ(chain.results[1], mr::Cancel);
  EXPECT_EQ(chain.results[2], mr::Ok);
  EXPECT_EQ(chain.order, (std::vector<std::string>{"open 1", "open 2", "result 2 1", "result 1 2"}));
  EXPECT_TRUE(ModalForms().empty());
  EXPECT_EQ(ActiveForm(), nullptr);
}

TEST(UiModal, ThreeLevelsAnsweredByAScript) {
  HeadlessBackend h;
  Chain chain(3);
  std::ostringstream out;
  headless::ScriptRunner runner(h, out);
  runner.AddOpener("chain", [&] { chain.forms[0]->ShowModal(); });
  runner.Run(R"(open chain
expect-form Level0
key F4
expect-form Level1
key F4
expect-form Level2
key F2
expect-form Level1
key Esc
expect-form Level0
key F2
)");
  EXPECT_EQ(chain.order, (std::vector<std::string>{"open 1", "open 2", "result 2 1", "result 1 2"}));
  EXPECT_NE(out.str().find("modal Level2 \"Level 2\"\n> expect-form Level2\n> key F2\nclosed Level2 ok"), std::string::npos) << out.str();
}

TEST(UiModal, ScriptEndingInsideAModalFormClosesItAndFails) {
  HeadlessBackend h;
  Chain chain(2);
  std::ostringstream out;
  headless::ScriptRunner runner(h, out);
  runner.AddOpener("chain", [&] { chain.forms[0]->ShowModal(); });
  try {
    runner.Run("open chain\nkey F4\n");
    ADD_FAILURE() << "a script that leaves windows open must fail";
  } catch (const headless::ScriptError& e) {
    EXPECT_EQ(e.line, 2);
    EXPECT_NE(std::string(e.what()).find("Level1, Level0 still open"), std::string::npos) << e.what();
  }
  EXPECT_EQ(chain.results[1], mr::Cancel);
  EXPECT_TRUE(ModalForms().empty());
  EXPECT_NE(out.str().find("end: closing Level1"), std::string::npos);
}

// Keys go where a keyboard would send them: those after a key that opens a window go
// to that window, and keys left when every window has closed fail the script.
TEST(UiModal, ScriptKeysGoToTheWindowActiveWhenEachArrives) {
  HeadlessBackend h;
  Chain chain(3);
  std::ostringstream out;
  headless::ScriptRunner runner(h, out);
  runner.AddOpener("chain", [&] { chain.forms[0]->ShowModal(); });
  runner.Run("open chain\nkey F4 F4 F2 F2 Esc\n");
  EXPECT_EQ(chain.results[2], mr::Ok);
  EXPECT_EQ(chain.results[1], mr::Ok);
  EXPECT_TRUE(ModalForms().empty());

  try {
    runner.Run("open chain\nkey Esc F4 F4\n");
    ADD_FAILURE() << "keys left with no window must fail the script";
  } catch (const headless::ScriptError& e) {
    EXPECT_EQ(e.line, 2);
    EXPECT_NE(std::string(e.what()).find("2 key(s) left with no window"), std::string::npos) << e.what();
  }
}

TEST(UiModal, UnansweredModalFormIsAnError) {
  HeadlessBackend h;
  Form f("Lonely");
  EXPECT_THROW(f.ShowModal(), HeadlessError);
  EXPECT_FALSE(f.visible());
  EXPECT_TRUE(ModalForms().empty());
  h.closeUnanswered = true;
  EXPECT_EQ(f.ShowModal(), mr::Cancel);
}

TEST(UiModal, HandlerLeavingItsFormOpenIsAnError) {
  HeadlessBackend h;
  Form f("Sticky");
  h.AnswerNextModal([](Form&) {});
  EXPECT_THROW(f.ShowModal(), HeadlessError);
  EXPECT_TRUE(ModalForms().empty());
}

TEST(UiModal, CloseQueryAndCloseActionCanKeepTheFormOpen) {
  HeadlessBackend h;
  Form f("Guarded");
  int refusals = 2, closes = 0;
  f.onCloseQuery = [&](Form&, bool& can) { can = refusals-- <= 0; };
  f.onClose = [&](Form&, CloseAction& a) {
    if (++closes == 1) a = CloseAction::None;
  };
  h.AnswerNextModal([&](Form& form) {
    form.Close();                    // refused by the query
    form.SetModalResult(mr::Ok);     // refused by the query; result back to none
    EXPECT_EQ(form.modalResult(), mr::None);
    form.Close();                    // kept open by onClose
    EXPECT_FALSE(form.modalDone());
    form.SetModalResult(mr::Yes);    // closes
  });
  EXPECT_EQ(f.ShowModal(), mr::Yes);
  EXPECT_EQ(closes, 2);
}

TEST(UiModal, ActivationRunsAgainWhenAnInnerFormCloses) {
  HeadlessBackend h;
  Form outer("Outer"), inner("Inner");
  std::vector<std::string> events;
  outer.onShow = [&](Form&) { events.push_back("outer show"); };
  outer.onActivate = [&](Form&) { events.push_back("outer activate"); };
  outer.onDeactivate = [&](Form&) { events.push_back("outer deactivate"); };
  inner.onActivate = [&](Form&) { events.push_back("inner activate"); };
  inner.onHide = [&](Form&) { events.push_back("inner hide"); };
  h.OnModal("Inner", [](Form& f) { f.Close(); });
  h.OnModal("Outer", [&](Form& f) {
    inner.ShowModal();
    f.Close();
  });
  outer.ShowModal();
  EXPECT_EQ(events, (std::vector<std::string>{"outer show", "outer activate", "outer deactivate", "inner activate",
                                              "inner hide", "outer activate"}));
}

TEST(UiModal, ShowingAFormTwiceIsRefused) {
  HeadlessBackend h;
  Form f("Twice");
  h.AnswerNextModal([&](Form& form) {
    EXPECT_THROW(form.ShowModal(), std::logic_error);
    form.Close();
  });
  EXPECT_EQ(f.ShowModal(), mr::Cancel);
}

// ---------------------------------------------------------------- keys and focus

struct Fields {
  Form form{"Fields"};
  Edit& a = form.Add<Edit>("eA");
  Edit& b = form.Add<Edit>("eB");
  Button& ok = form.Add<Button>("bOk");
  std::vector<std::string> log;

  Fields() {
    a.SetMaxLength(5);
    for (Control* c : {static_cast<Control*>(&a), static_cast<Control*>(&b), static_cast<Control*>(&ok)}) {
      c->onEnter = [this](Control& s) { log.push_back("enter " + s.name()); };
      c->onExit = [this](Control& s) { log.push_back("exit " + s.name()); };
      c->onKeyDown = [this](Control& s, int& key, Shift sh) {
        log.push_back("down " + s.name() + " " + std::to_string(KeyCode(key, sh)));
      };
      c->onKeyPress = [this](Control& s, char& ch) { log.push_back("press " + s.name() + " " + std::to_string(ch)); };
    }
    ok.onClick = [this](Control&) { log.push_back("click bOk"); };
  }
};

TEST(UiKeysRouting, PreviewSwallowsBeforeTheControl) {
  HeadlessBackend h;
  Fields f;
  f.form.keyPreview = true;
  f.form.onKeyDown = [&](Control&, int& key, Shift) {
    if (key == vk::F(3)) key = 0;
  };
  h.AnswerNextModal([&](Form& form) {
    h.Press(vk::F(3));
    h.Press(vk::F(5));
    form.Close();
  });
  f.form.ShowModal();
  EXPECT_EQ(f.log, (std::vector<std::string>{"enter eA", "down eA 116"}));
}

TEST(UiKeysRouting, SwallowedKeyDownStillProducesItsCharacter) {
  HeadlessBackend h;
  Fields f;
  f.a.onKeyDown = [&](Control&, int& key, Shift) { key = 0; };
  h.AnswerNextModal([&](Form& form) {
    h.Type("12");
    h.Press(vk::Digit(3));
    form.Close();
  });
  f.form.ShowModal();
  EXPECT_EQ(f.a.text(), "123");
}

TEST(UiKeysRouting, TypingRespectsMaxLengthSelectionAndBackspace) {
  HeadlessBackend h;
  Fields f;
  f.a.SetText("ab");
  h.AnswerNextModal([&](Form& form) {
    // Entering selects all: typing replaces the text.
    h.Type("xyz123");
    EXPECT_EQ(f.a.text(), "xyz12");
    h.Press(vk::Back);
    h.Press(vk::Left);
    h.Press(vk::Delete);
    h.Type("Q");
    form.Close();
  });
  f.form.ShowModal();
  EXPECT_EQ(f.a.text(), "xyzQ");
}

TEST(UiKeysRouting, TabMovesTheFocusAndExitCanRefuse) {
  HeadlessBackend h;
  Fields f;
  bool wrong = true;
  f.b.onExit = [&](Control& s) {
    f.log.push_back("exit eB");
    if (wrong) s.SetFocus();  // a wrong field keeps the focus
  };
  h.AnswerNextModal([&](Form& form) {
    h.Press(vk::Tab);
    EXPECT_EQ(form.activeControl(), &f.b);
    h.Press(vk::Tab);
    EXPECT_EQ(form.activeControl(), &f.b);
    wrong = false;
    h.Press(vk::Tab);
    EXPECT_EQ(form.activeControl(), &f.ok);
    h.Press(vk::Tab, Shift::Shift);
    h.Press(vk::Enter);  // on the button only after Shift+Tab moved back
    form.Close();
  });
  f.form.ShowModal();
  std::vector<std::string> expected{"enter eA", "down eA 9",  "exit eA",   "enter eB", "down eB 9", "exit eB",
                                    "down eB 9", "exit eB",   "enter bOk", "down bOk 2009", "exit bOk", "enter eB",
                                    "down eB 13", "press eB 13"};
  EXPECT_EQ(f.log, expected);
}

TEST(UiKeysRouting, EnterOnAButtonClicksWithoutACharacter) {
  HeadlessBackend h;
  Fields f;
  h.AnswerNextModal([&](Form& form) {
    h.Focus(f.ok);
    h.Press(vk::Enter);
    form.Close();
  });
  f.form.ShowModal();
  ASSERT_GE(f.log.size(), 3u);
  EXPECT_EQ(f.log[f.log.size() - 2], "down bOk 13");
  EXPECT_EQ(f.log.back(), "click bOk");
}

TEST(UiKeysRouting, HandlerRemovingItsControlEndsTheDispatch) {
  HeadlessBackend h;
  Form form("Removing");
  form.keyPreview = true;
  auto& e = form.Add<Edit>("eGone");
  form.onKeyDown = [&](Control&, int&, Shift) { form.Remove(e); };
  h.AnswerNextModal([&](Form& f) {
    h.Press(vk::Letter('A'));
    EXPECT_EQ(f.Find("eGone"), nullptr);
    EXPECT_EQ(f.activeControl(), nullptr);
    f.Close();
  });
  form.ShowModal();
}

TEST(UiMouse, ClickFocusesFirstThenRunsTheHandlers) {
  HeadlessBackend h;
  Fields f;
  f.b.onMouseDown = [&](Control&, MouseButton, Shift, int x, int y) {
    f.log.push_back("mousedown eB " + std::to_string(x) + "," + std::to_string(y));
  };
  f.b.onClick = [&](Control&) { f.log.push_back("click eB"); };
  f.b.SetBounds(10, 10, 40, 20);
  h.AnswerNextModal([&](Form& form) {
    h.Click(f.b);
    form.Close();
  });
  f.form.ShowModal();
  EXPECT_EQ(f.log, (std::vector<std::string>{"enter eA", "exit eA", "enter eB", "mousedown eB 20,10", "click eB"}));
}

TEST(UiMouse, HiddenOrDisabledControlsCannotBeClicked) {
  HeadlessBackend h;
  Fields f;
  f.b.Hide();
  f.ok.SetEnabled(false);
  h.AnswerNextModal([&](Form& form) {
    EXPECT_THROW(h.Click(f.b), HeadlessError);
    EXPECT_THROW(h.Click(f.ok), HeadlessError);
    form.Close();
  });
  f.form.ShowModal();
}

TEST(UiMouse, RadioGroupsCheckBoxesAndPopupMenus) {
  HeadlessBackend h;
  Form form("Choices");
  auto& panel = form.Add<Panel>("p");
  auto& r1 = form.Add<RadioButton>("r1");
  auto& r2 = form.Add<RadioButton>("r2");
  auto& r3 = form.Add<RadioButton>("r3", &panel);  // another group
  auto& check = form.Add<CheckBox>("c");
  auto& menu = form.AddPopupMenu("PopupMenu1");
  std::string chosen;
  menu.AddItem("A1", "a", [&](MenuItem& i) { chosen = i.name; });
  menu.AddItem("b1", "b", [&](MenuItem& i) { chosen = i.name; }).visible = false;
  check.popupMenu = &menu;
  r1.SetChecked(true);
  r3.SetChecked(true);
  h.AnswerNextModal([&](Form& f) {
    h.Click(r2);
    h.Click(check);
    h.QueueAnswer(headless::Answer::MenuAnswer(0));
    h.RightClick(check);
    h.QueueAnswer(headless::Answer::MenuAnswer(std::string("b1")));
    EXPECT_THROW(h.RightClick(check), HeadlessError);  // a hidden item cannot be chosen
    f.Close();
  });
  form.ShowModal();
  EXPECT_FALSE(r1.checked());
  EXPECT_TRUE(r2.checked());
  EXPECT_TRUE(r3.checked());
  EXPECT_TRUE(check.checked());
  EXPECT_EQ(chosen, "A1");
}

}  // namespace
}  // namespace ui
