// The choice lists, their entries ShowVyber and ShowVolby, and the forbidden buttons.
#include "browser/buttons.h"
#include "browser/dialogs.h"
#include "browser/entries.h"
#include "browser/volby.h"
#include "browser/vyber.h"
#include "browser/winsettings.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/params.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using namespace browser;

std::vector<std::string> Items(int n) {
  std::vector<std::string> items;
  for (int i = 1; i <= n; ++i) items.push_back(" " + common::FormatNumberMask("@@", i) + " volba " + std::to_string(i));
  return items;
}

class DialogsVyber : public dlgtest::DialogTest {
 protected:
  ChoiceResult Choose(const std::vector<std::string>& items, const std::function<void(TfVyber&)>& keys,
                      const std::string& title = "Typ tiskárny"_cz) {
    backend.AnswerNextModal([&](ui::Form& f) { keys(static_cast<TfVyber&>(f)); });
    return ShowVyber(1, 1, nullptr, title, items);
  }
};

TEST_F(DialogsVyber, EscChoosesNothingAndStoresIndexZero) {
  const ChoiceResult r = Choose(Items(3), [&](TfVyber&) { backend.Press(ui::vk::Esc); });
  EXPECT_EQ(r.chosen, 0);
  EXPECT_EQ(r.code, "  ");
  EXPECT_EQ(Answer(1), "  ");
  EXPECT_EQ(DialogResults().chosen, 0);
  EXPECT_EQ(common::TextToInt(common::ReadParam("par\\okna2.par", "Typ tiskárny VyberIndex"_cz)), 0);
}

TEST_F(DialogsVyber, EnterWithNothingCheckedChoosesRowOne) {
  const ChoiceResult r = Choose(Items(3), [&](TfVyber&) { backend.Press(ui::vk::Enter); });
  EXPECT_EQ(r.chosen, 1);
  EXPECT_EQ(r.code, "01");
  EXPECT_EQ(Answer(1), "01");
  EXPECT_EQ(common::ReadParam("par\\VYBER.IDX", "Typ tiskárny VyberIndex"_cz), "   1");
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "Typ tiskárny VyberIndex"_cz), "000001 ");
}

TEST_F(DialogsVyber, TheLastChoiceIsPreselected) {
  Choose(Items(5), [&](TfVyber&) {
    backend.Press(ui::vk::Down);
    backend.Press(ui::vk::Down);
    backend.Press(ui::vk::F(2));
  });
  EXPECT_EQ(DialogResults().chosen, 3);
  const ChoiceResult r = Choose(Items(5), [&](TfVyber& v) {
    EXPECT_TRUE(v.Row(3).checked());
    EXPECT_EQ(v.activeControl(), v.Rows[3]);
    backend.Press(ui::vk::Enter);
  });
  EXPECT_EQ(r.chosen, 3);
}

// A forbidden first row is never chosen by Enter, F2 or the button.
TEST_F(DialogsVyber, EnterChoosesTheFirstEnabledRowOrNothing) {
  common::WriteParam("par\\VYBER.PAR", "Typ tiskárny"_cz, "-");
  EXPECT_EQ(Choose(Items(3), [&](TfVyber&) { backend.Press(ui::vk::Enter); }).chosen, 2);
  EXPECT_EQ(Choose(Items(3), [&](TfVyber& v) { backend.Click(v.F2Klapka); }).chosen, 2);
  common::WriteParam("par\\VYBER.PAR", "Typ tiskárny"_cz, "---");
  EXPECT_EQ(Choose(Items(3), [&](TfVyber&) { backend.Press(ui::vk::F(2)); }).chosen, 0);
  // Items the caller marks with "-" are forbidden too; "*" and "-" show as blanks.
  const ChoiceResult r = Choose({"-A zakázaná"_cz, "*B hvězda"_cz, " C volná"_cz}, [&](TfVyber& v) {
    EXPECT_FALSE(v.Rows[1]->enabled());
    EXPECT_EQ(v.Rows[1]->text(), " A zakázaná"_cz);
    EXPECT_EQ(v.Rows[2]->text(), " B hvězda"_cz);
    backend.Press(ui::vk::Enter);
  }, "Jiná volba"_cz);
  EXPECT_EQ(r.chosen, 2);
  EXPECT_EQ(r.code, "B ");
}

TEST_F(DialogsVyber, MarksInVyberParDisableTheirRows) {
  common::WriteParam("par\\VYBER.PAR", "Typ tiskárny"_cz, "-  -");
  std::vector<bool> enabled;
  Choose(Items(5), [&](TfVyber& v) {
    for (int i = 1; i <= 5; ++i) enabled.push_back(v.Rows[i]->enabled());
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(enabled, (std::vector<bool>{false, true, true, false, true}));
}

TEST_F(DialogsVyber, DownAndUpSkipDisabledRowsAndWrap) {
  common::WriteParam("par\\VYBER.PAR", "Typ tiskárny"_cz, "-  - ");
  std::vector<int> rows;
  Choose(Items(5), [&](TfVyber& v) {
    for (int i = 0; i < 4; ++i) {
      backend.Press(ui::vk::Down);
      rows.push_back(v.activeControl()->tag);
    }
    backend.Press(ui::vk::Up);
    rows.push_back(v.activeControl()->tag);
    backend.Press(ui::vk::Enter);
  });
  EXPECT_EQ(rows, (std::vector<int>{3, 5, 2, 3, 2}));
  EXPECT_EQ(DialogResults().chosen, 2);
}

TEST_F(DialogsVyber, TypedLettersDoNothingAndADoubleClickChooses) {
  const ChoiceResult r = Choose(Items(4), [&](TfVyber& v) {
    backend.Type("xyz");
    EXPECT_TRUE(v.visible() && !v.modalDone());
    backend.DoubleClick(*v.Rows[4]);
  });
  EXPECT_EQ(r.chosen, 4);
}

TEST_F(DialogsVyber, MarkingRowsTwoAndFiveForbidsExactlyThem) {
  std::vector<bool> enabled;
  Choose(Items(6), [&](TfVyber& v) {
    backend.AnswerNextModal([&](ui::Form& f) {
      auto& o = static_cast<TfVolby&>(f);
      EXPECT_EQ(o.caption(), "Označ zakázané klapky"_cz);
      EXPECT_EQ(o.RowCount, 6);
      backend.Click(o.Row(2));
      backend.Click(o.Row(5));
      backend.Press(ui::vk::F(2));
    });
    backend.ClickAt(v, 2, 2, ui::MouseButton::Right, ui::Shift::Ctrl);
    for (int i = 1; i <= 6; ++i) enabled.push_back(v.Rows[i]->enabled());
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(enabled, (std::vector<bool>{true, false, true, true, false, true}));
  const std::string stored = common::ReadParam("par\\VYBER.PAR", "Typ tiskárny"_cz);
  EXPECT_EQ(stored, " -  -" + std::string(35, ' '));
  // A later marking starts from the rows forbidden now, whatever another list ticked.
  common::WriteParam("par\\VOLBY.PAR", "Označ zakázané klapky"_cz, "******");
  Choose(Items(6), [&](TfVyber& v) {
    backend.AnswerNextModal([&](ui::Form& f) {
      auto& o = static_cast<TfVolby&>(f);
      std::vector<bool> ticked;
      for (int i = 1; i <= 6; ++i) ticked.push_back(o.Row(i).checked());
      EXPECT_EQ(ticked, (std::vector<bool>{false, true, false, false, true, false}));
      backend.Press(ui::vk::Esc);  // cancelled: nothing changes
    });
    backend.ClickAt(v, 2, 2, ui::MouseButton::Right, ui::Shift::Ctrl);
    EXPECT_FALSE(v.Rows[2]->enabled());
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(common::ReadParam("par\\VYBER.PAR", "Typ tiskárny"_cz), stored);
}

TEST_F(DialogsVyber, MoreThanSixtyItemsAreRefused) {
  const ChoiceResult r = ShowVyber(1, 1, nullptr, "Seznam", Items(61));
  EXPECT_EQ(r.chosen, 0);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
            std::vector<std::string>{"Seznam - příliš mnoho parametrů"_cz});
}

// Sixty items: rows 31-60 stand in a second column beside rows 1-30.
TEST_F(DialogsVyber, SixtyItemsAllStandInsideTheWindow) {
  const ChoiceResult r = Choose(Items(60), [&](TfVyber& v) {
    EXPECT_EQ(v.RowCount, 60);
    for (int i = 31; i <= 60; ++i) {
      EXPECT_EQ(v.Rows[i]->top(), v.Rows[i - 30]->top()) << i;
      EXPECT_GT(v.Rows[i]->left(), v.Rows[i - 30]->left());
      EXPECT_LE(v.Rows[i]->top() + v.Rows[i]->height(), v.height());
    }
    backend.DoubleClick(*v.Rows[55]);
  });
  EXPECT_EQ(r.chosen, 55);
  EXPECT_EQ(r.code, "55");
}

TEST_F(DialogsVyber, TheLayoutFollowsTheLongestItems) {
  Choose({"abc", "abcdef"}, [&](TfVyber& v) {
    // (6 + 0 + 7) characters of 8 pixels; rows at 18, 36; height 36 + 4 x 18.
    EXPECT_EQ(v.width(), 104);
    EXPECT_EQ(v.Rows[1]->bounds(), (ui::Rect{8, 18, 48, 18}));
    EXPECT_EQ(v.Rows[2]->top(), 36);
    EXPECT_EQ(v.height(), 108);
    EXPECT_EQ(v.color(), 15724543);
    backend.Press(ui::vk::Esc);
  });
}

TEST_F(DialogsVyber, F1RunsTheCheckRoutineWithTheCurrentRow) {
  std::vector<int> checked;
  backend.AnswerNextModal([&](ui::Form&) {
    backend.Press(ui::vk::Down);
    backend.Press(ui::vk::F(1));
    backend.Press(ui::vk::Esc);
  });
  ShowVyber(1, 1, [&](int n, std::string&) { checked.push_back(n); }, "Kontrola", Items(3));
  EXPECT_EQ(checked, std::vector<int>{2});
}

TEST_F(DialogsVyber, F10PrintsThePictureOfTheWindowWhenAPrinterIsChosen) {
  Choose(Items(3), [&](TfVyber& v) {
    backend.Press(ui::vk::F(10));  // the print dialog cancelled: nothing printed
    EXPECT_TRUE(backend.printJobs().empty());
    backend.QueueAnswer(ui::headless::Answer::PrinterAnswer("Headless"));
    backend.Press(ui::vk::F(10));
    EXPECT_TRUE(v.visible());
    backend.Press(ui::vk::Esc);
  });
  ASSERT_EQ(backend.printJobs().size(), 1u);
  const auto& job = backend.printJobs().front();
  EXPECT_TRUE(job.ended);
  bool picture = false;
  for (const std::string& op : job.ops) picture = picture || op.rfind("picture ", 0) == 0;
  EXPECT_TRUE(picture);
}

class DialogsVolby : public dlgtest::DialogTest {
 protected:
  OptionsResult Tick(const std::vector<std::string>& items, const std::function<void(TfVolby&)>& keys,
                     const std::string& title = "Sloupce tisku") {
    backend.AnswerNextModal([&](ui::Form& f) { keys(static_cast<TfVolby&>(f)); });
    return ShowVolby(1, 1, nullptr, title, items);
  }
  std::string State() { return common::ReadParam("par\\VOLBY.PAR", "Sloupce tisku"); }
};

TEST_F(DialogsVolby, TicksAreRememberedAndAnUntickedOptionIsForgotten) {
  OptionsResult r = Tick(Items(4), [&](TfVolby& v) {
    backend.Click(v.Row(1));
    backend.Click(v.Row(3));
    backend.Press(ui::vk::F(2));
  });
  EXPECT_TRUE(r.confirmed);
  EXPECT_EQ(r.checked, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(Answer(1), "A");
  EXPECT_EQ(Answer(2), "");
  EXPECT_EQ(Answer(3), "A");
  EXPECT_EQ(State(), "* *" + std::string(37, ' '));

  r = Tick(Items(4), [&](TfVolby& v) {
    EXPECT_TRUE(v.Row(1).checked());
    EXPECT_TRUE(v.Row(3).checked());
    backend.Click(v.Row(1));
    backend.Press(ui::vk::F(2));
  });
  EXPECT_EQ(State(), "  *" + std::string(37, ' '));
  Tick(Items(4), [&](TfVolby& v) {
    EXPECT_FALSE(v.Row(1).checked());
    EXPECT_TRUE(v.Row(3).checked());
    backend.Press(ui::vk::F(2));
  });
}

TEST_F(DialogsVolby, AForbiddenPlaceStaysForbidden) {
  common::WriteParam("par\\VOLBY.PAR", "Sloupce tisku", "-*");
  Tick(Items(3), [&](TfVolby& v) {
    EXPECT_FALSE(v.Rows[1]->enabled());
    EXPECT_TRUE(v.Row(2).checked());
    // Ctrl + right button makes every option available for this showing.
    backend.ClickAt(v, 1, 1, ui::MouseButton::Right, ui::Shift::Ctrl);
    EXPECT_TRUE(v.Rows[1]->enabled());
    backend.Click(v.Row(1));
    backend.Press(ui::vk::F(2));
  });
  EXPECT_EQ(State(), "-*" + std::string(38, ' '));
}

TEST_F(DialogsVolby, EscCancelsAndStoresNothing) {
  common::WriteParam("par\\VOLBY.PAR", "Sloupce tisku", " *");
  const OptionsResult r = Tick(Items(3), [&](TfVolby& v) {
    backend.Click(v.Row(1));
    backend.Press(ui::vk::Esc);
  });
  EXPECT_FALSE(r.confirmed);
  EXPECT_EQ(State(), " *");
}

TEST_F(DialogsVolby, EnterTogglesTheFocusedBoxAndTheWindowButtonConfirms) {
  const OptionsResult r = Tick(Items(3), [&](TfVolby& v) {
    backend.Focus(v.Row(2));
    backend.Press(ui::vk::Enter);
    EXPECT_TRUE(v.Row(2).checked());
    backend.Press(ui::vk::Down);
    EXPECT_EQ(v.activeControl(), v.Rows[3]);
    backend.Press(ui::vk::Enter);
    backend.Press(ui::vk::Enter);
    backend.Type("a");
    backend.CloseWindow(v);
  });
  EXPECT_TRUE(r.confirmed);
  EXPECT_EQ(r.checked, (std::vector<bool>{false, true, false}));
}

TEST_F(DialogsVolby, SixtyOptionsFitAndTheLayoutFollowsTheItems) {
  const OptionsResult r = Tick(Items(60), [&](TfVolby& v) {
    EXPECT_EQ(v.Rows[60]->top(), v.Rows[30]->top());
    EXPECT_EQ(v.Rows[1]->top(), 36);  // the first row stands one row lower than in TfVyber
    backend.Click(v.Row(60));
    backend.Press(ui::vk::F(2));
  });
  EXPECT_TRUE(r.checked[59]);
  EXPECT_EQ(Answer(60), "A");
  EXPECT_EQ(State().size(), 60u);
}

class DialogsButtons : public dlgtest::DialogTest {
 protected:
  DialogsButtons() {
    for (const char* name : {"Aktualizace", "Tisk", "Kopie", "Konec"}) {
      auto& b = form_.Add<ui::Button>(std::string("B") + name);
      b.SetText(name);
    }
    form_.Add<ui::CheckBox>("NotAButton");
  }
  ui::Button& Button(int k) const { return *CollectedButtons(form_)[static_cast<std::size_t>(k - 1)]; }
  ui::Form form_{"fMain"};
};

TEST_F(DialogsButtons, TheStoredMaskDisablesItsButtons) {
  common::WriteParam("par\\VYBER.PAR", "Aktualizace", " -x");
  Button(3).SetEnabled(false);
  Button(4).SetEnabled(false);
  CollectButtons(form_);
  EXPECT_TRUE(Button(1).enabled());
  EXPECT_FALSE(Button(2).enabled());
  EXPECT_TRUE(Button(3).enabled());
  EXPECT_FALSE(Button(4).enabled());  // past the mask's end: as it was
}

TEST_F(DialogsButtons, OnlyTheFirstFortyPushButtonsCount) {
  ui::Form big("fBig");
  for (int i = 1; i <= 45; ++i) big.Add<ui::Button>("B" + std::to_string(i)).SetText("T" + std::to_string(i));
  EXPECT_EQ(CollectedButtons(big).size(), 40u);
  common::WriteParam("par\\VYBER.PAR", "T1", std::string(45, '-'));
  CollectButtons(big);
  EXPECT_FALSE(big.Find("B40")->enabled());
  EXPECT_TRUE(big.Find("B41")->enabled());
}

TEST_F(DialogsButtons, EditingTheMaskStoresAndAppliesIt) {
  backend.AnswerNextModal([&](ui::Form& f) {
    auto& v = static_cast<TfVolby&>(f);
    EXPECT_EQ(v.caption(), "Označ zakázané klapky (počet:  4)"_cz);
    EXPECT_EQ(v.RowCount, 4);
    backend.Click(v.Row(1));
    backend.Click(v.Row(4));
    backend.Press(ui::vk::F(2));
  });
  EditDisabledButtons(form_);
  EXPECT_FALSE(Button(1).enabled());
  EXPECT_TRUE(Button(2).enabled());
  EXPECT_FALSE(Button(4).enabled());
  EXPECT_EQ(common::ReadParam("par\\VYBER.PAR", "Aktualizace"), "-  -" + std::string(36, ' '));

  // With the first button forbidden the mask is still found under the same key.
  Button(1).SetEnabled(true);
  Button(4).SetEnabled(true);
  CollectButtons(form_);
  EXPECT_FALSE(Button(1).enabled());
  backend.AnswerNextModal([&](ui::Form& f) {
    auto& v = static_cast<TfVolby&>(f);
    EXPECT_TRUE(v.Row(1).checked());
    EXPECT_TRUE(v.Row(4).checked());
    backend.Click(v.Row(1));
    backend.Press(ui::vk::F(2));
  });
  EditDisabledButtons(form_);
  EXPECT_TRUE(Button(1).enabled());
  EXPECT_EQ(common::ReadParam("par\\VYBER.PAR", "Aktualizace"), "   -" + std::string(36, ' '));
}

TEST_F(DialogsButtons, ACancelledEditChangesNothing) {
  common::WriteParam("par\\VYBER.PAR", "Aktualizace", " -");
  backend.AnswerNextModal([&](ui::Form&) { backend.Press(ui::vk::Esc); });
  EditDisabledButtons(form_);
  EXPECT_EQ(common::ReadParam("par\\VYBER.PAR", "Aktualizace"), " -");
  EXPECT_TRUE(Button(2).enabled());
}

}  // namespace
