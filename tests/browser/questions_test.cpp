// The question windows and their entries AskFields, AskString and AskOne.
#include "browser/dialogs.h"
#include "browser/dotaz.h"
#include "browser/dotazy.h"
#include "browser/entries.h"
#include "browser/kalk.h"
#include "browser/winsettings.h"
#include "common/encoding.h"
#include "common/osfile.h"
#include "common/params.h"
#include "common/session.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using namespace browser;

class DialogsDotazy : public dlgtest::DialogTest {
 protected:
  FieldsResult Ask(const std::vector<std::string>& items, const std::function<void(TfDotazy&)>& keys,
                   const std::string& title = "Parametry tisku") {
    backend.AnswerNextModal([&](ui::Form& f) { keys(static_cast<TfDotazy&>(f)); });
    return AskFields(1, 1, nullptr, title, items);
  }
  // Replaces the text of the focused field as a user would.
  void Retype(TfDotazy& d, const std::string& text) {
    auto* edit = dynamic_cast<ui::Edit*>(d.activeControl());
    ASSERT_NE(edit, nullptr);
    edit->SelectAll();
    backend.Type(text);
  }
};

TEST_F(DialogsDotazy, EnterInAnyFieldConfirmsTheWholeWindow) {
  const FieldsResult r = Ask({"Od", "0001", "Do", "9999", "Text", "          "}, [&](TfDotazy& d) {
    EXPECT_EQ(d.activeControl(), d.Edits[1]);
    Retype(d, "5");
    backend.Press(ui::vk::Down);
    Retype(d, "77");
    backend.Press(ui::vk::Enter);
  });
  EXPECT_TRUE(r.confirmed);
  EXPECT_EQ(r.answers, (std::vector<std::string>{"5", "77", "          "}));
  EXPECT_EQ(Answer(1), "5");
  EXPECT_EQ(Answer(2), "77");
  EXPECT_EQ(DialogResults().confirmed, 1);
}

TEST_F(DialogsDotazy, F4AndTheButtonConfirmToo) {
  EXPECT_TRUE(Ask({"A", "1"}, [&](TfDotazy&) { backend.Press(ui::vk::F(4)); }).confirmed);
  EXPECT_TRUE(Ask({"A", "1"}, [&](TfDotazy& d) { backend.Click(d.F2Klapka); }).confirmed);
}

TEST_F(DialogsDotazy, EscStillFillsTheAnswersButIsNotConfirmed) {
  const FieldsResult r = Ask({"Rok", "2024"}, [&](TfDotazy& d) {
    Retype(d, "1999");
    backend.Press(ui::vk::Esc);
  });
  EXPECT_FALSE(r.confirmed);
  EXPECT_EQ(Answer(1), "1999");
  EXPECT_EQ(DialogResults().confirmed, 0);
}

TEST_F(DialogsDotazy, DownAndUpWrapAndSkipHeadings) {
  std::vector<int> visited;
  Ask({"A", "1", "Nadpis", "", "C", "3", "D", "4"}, [&](TfDotazy& d) {
    EXPECT_FALSE(d.Edits[2]->visible());
    for (int i = 0; i < 4; ++i) {
      backend.Press(ui::vk::Down);
      visited.push_back(d.activeControl()->tag);
    }
    backend.Press(ui::vk::Up);
    visited.push_back(d.activeControl()->tag);
    backend.Press(ui::vk::Up);
    visited.push_back(d.activeControl()->tag);
    backend.Press(ui::vk::Esc);
  });
  EXPECT_EQ(visited, (std::vector<int>{3, 4, 1, 3, 1, 4}));
}

// A pair without a caption among real ones has no field; the answers after it stay.
TEST_F(DialogsDotazy, APairWithoutCaptionAmongRealOnesLosesNoLaterAnswer) {
  const FieldsResult r = Ask({"A", "1", "", "", "C", "3", "", "x", "E", "5"}, [&](TfDotazy& d) {
    EXPECT_EQ(d.FieldCount, 3);
    EXPECT_EQ(d.Edits[2], nullptr);
    backend.Press(ui::vk::Down);
    EXPECT_EQ(d.activeControl(), d.Edits[3]);
    Retype(d, "33");
    backend.Press(ui::vk::Down);
    EXPECT_EQ(d.activeControl(), d.Edits[5]);
    Retype(d, "55");
    backend.Press(ui::vk::Down);
    EXPECT_EQ(d.activeControl(), d.Edits[1]);
    backend.Press(ui::vk::F(2));
  });
  EXPECT_TRUE(r.confirmed);
  EXPECT_EQ(r.answers, (std::vector<std::string>{"1", "", "33", "", "55"}));
}

TEST_F(DialogsDotazy, MoreThan120TextsAreRefusedWithABeep) {
  std::vector<std::string> items(122, "x");
  const FieldsResult r = AskFields(1, 1, nullptr, "Sestava", items);
  EXPECT_FALSE(r.confirmed);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
            std::vector<std::string>{"Sestava - příliš mnoho parametrů"_cz});
  EXPECT_TRUE(ModalForms().empty());
  // Exactly 60 pairs are shown, in two columns.
  std::vector<std::string> sixty;
  for (int i = 1; i <= 60; ++i) sixty.insert(sixty.end(), {"P" + std::to_string(i), "v" + std::to_string(i)});
  const FieldsResult ok = Ask(sixty, [&](TfDotazy& d) {
    EXPECT_EQ(d.FieldCount, 60);
    EXPECT_EQ(d.Labels[31]->top(), d.Labels[1]->top());
    EXPECT_GT(d.Labels[31]->left(), d.Edits[1]->left());
    backend.Press(ui::vk::Enter);
  });
  EXPECT_EQ(ok.answers.size(), 60u);
  EXPECT_EQ(Answer(60), "v60");
}

TEST_F(DialogsDotazy, F9StartsTheCalculatorWithTheFieldValue) {
  double seed = 0;
  Ask({"Částka"_cz, "1 234,5"}, [&](TfDotazy& d) {
    backend.AnswerNextModal([&](ui::Form& f) {
      auto& k = static_cast<TfKalk&>(f);
      seed = k.Display();
      backend.Type("C10+");
      backend.Press(ui::vk::F(2));
    });
    backend.Press(ui::vk::F(9));
    EXPECT_EQ(d.Edits[1]->text(), "10.00");
    // Not confirmed: the field keeps its text.
    backend.AnswerNextModal([&](ui::Form&) { backend.Press(ui::vk::Esc); });
    backend.Press(ui::vk::F(9));
    EXPECT_EQ(d.Edits[1]->text(), "10.00");
    backend.Press(ui::vk::Enter);
  });
  EXPECT_DOUBLE_EQ(seed, 1234.5);
  EXPECT_EQ(Answer(1), "10.00");
}

TEST_F(DialogsDotazy, F10PutsTheChosenFileIntoTheFieldAndRestoresTheFolder) {
  const std::string before = common::CurrentFolder();
  Ask({"Soubor", "                    "}, [&](TfDotazy& d) {
    backend.QueueAnswer(ui::headless::Answer::FileAnswer("/tmp/moje data/a.csv"));
    backend.Press(ui::vk::F(10));
    EXPECT_EQ(d.Edits[1]->text(), "/tmp/mojedata/a.csv");
    backend.Press(ui::vk::Enter);
  });
  EXPECT_EQ(common::CurrentFolder(), before);
}

TEST_F(DialogsDotazy, F1RunsTheCheckRoutineAndCtrlF1ShowsTheInstructions) {
  std::vector<std::pair<int, std::string>> checked;
  backend.AnswerNextModal([&](ui::Form&) {
    backend.Press(ui::vk::Down);
    backend.Press(ui::vk::F(1));
    backend.AnswerNextModal([&](ui::Form& h) {
      EXPECT_EQ(h.name(), "fHint");
      backend.Press(ui::vk::Esc);
    });
    backend.Press(ui::vk::F(1), ui::Shift::Ctrl);
    backend.Press(ui::vk::Esc);
  });
  AskFields(1, 1, [&](int n, std::string& text) { checked.emplace_back(n, text); }, "Tisk",
            {"Od", "1", "Do", "2"});
  EXPECT_EQ(checked, (std::vector<std::pair<int, std::string>>{{2, "2"}}));
  EXPECT_TRUE(Exists("NAVODY"));
}

TEST_F(DialogsDotazy, PlacedByColumnAndLineOrItsStoredPosition) {
  WindowFont().LetterHeight = 20;
  ui::Rect at;
  backend.AnswerNextModal([&](ui::Form& f) {
    at = f.bounds();
    f.SetBounds(200, 150, f.width(), f.height());
    backend.Press(ui::vk::Esc);
  });
  AskFields(11, 6, nullptr, "Rozsah tisku sestavy", {"Od", "1"});
  EXPECT_EQ(at.left, 80);
  EXPECT_EQ(at.top, 100);
  // Stored under the first 15 characters of the title.
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "Rozsah tisku se DotazyLeft"), "000200");
  backend.AnswerNextModal([&](ui::Form& f) {
    at = f.bounds();
    backend.Press(ui::vk::Esc);
  });
  AskFields(11, 6, nullptr, "Rozsah tisku sestavy", {"Od", "1"});
  EXPECT_EQ(at.left, 200);
  EXPECT_EQ(at.top, 150);
}

TEST_F(DialogsDotazy, AskStringReplacesTheTextOnlyWhenConfirmed) {
  std::string text = "Praha";
  backend.AnswerNextModal([&](ui::Form& f) {
    auto& d = static_cast<TfDotazy&>(f);
    d.Edits[1]->SetText("Brno");
    backend.Press(ui::vk::Esc);
  });
  EXPECT_FALSE(AskString(1, 1, "Město"_cz, text));
  EXPECT_EQ(text, "Praha");
  backend.AnswerNextModal([&](ui::Form& f) {
    auto& d = static_cast<TfDotazy&>(f);
    EXPECT_EQ(d.caption(), "");
    d.Edits[1]->SetText("Brno");
    backend.Press(ui::vk::F(2));
  });
  EXPECT_TRUE(AskString(1, 1, "Město"_cz, text));
  EXPECT_EQ(text, "Brno");
}

class DialogsDotaz : public dlgtest::DialogTest {
 protected:
  // Asks and answers by `key`; reports which button had the focus and was bold.
  bool Ask(const std::string& question, int key, std::string* focused = nullptr) {
    backend.AnswerNextModal([&, key](ui::Form& f) {
      auto& d = static_cast<TfDotaz&>(f);
      if (focused) {
        *focused = d.activeControl() ? d.activeControl()->text() : "";
        EXPECT_TRUE(static_cast<ui::Button*>(d.activeControl())->font().bold);
        EXPECT_EQ(d.activeControl()->font().size, 10);
      }
      backend.Press(key);
    });
    return AskOne(0, 0, question);
  }
};

TEST_F(DialogsDotaz, AnAnoIsRememberedAsTheNextDefault) {
  const std::string q = "Opravdu smazat všechny označené záznamy?"_cz;
  std::string focused;
  EXPECT_TRUE(Ask(q, ui::vk::Letter('A'), &focused));
  EXPECT_EQ(focused, "Ne");
  EXPECT_EQ(FileText("par/dotaz.par"), "Opravdu smazat  ANO : A\r\n");
  EXPECT_TRUE(Ask(q, ui::vk::Enter, &focused));  // Enter takes the focused "Ano"
  EXPECT_EQ(focused, "Ano");
  // Esc answers no and makes "Ne" the default again.
  EXPECT_FALSE(Ask(q, ui::vk::Esc, &focused));
  EXPECT_EQ(focused, "Ano");
  EXPECT_FALSE(Ask(q, ui::vk::Letter('N'), &focused));
  EXPECT_EQ(focused, "Ne");
}

TEST_F(DialogsDotaz, SizedByTheQuestionAndKeptOnTheWorkArea) {
  ui::Rect at;
  backend.AnswerNextModal([&](ui::Form& f) {
    at = f.bounds();
    EXPECT_EQ(f.color(), 0xC8C8FF);
    backend.Press(ui::vk::Esc);
  });
  AskOne(5, 2, "Tisknout?");
  EXPECT_EQ(at.width, 188);
  EXPECT_EQ(at.height, 90);
  EXPECT_EQ(at.left, 40);
  EXPECT_EQ(at.top, 44);

  common::CurrentSession().ScreenPpi = 1.25;
  backend.workArea = {0, 0, 800, 600};
  backend.AnswerNextModal([&](ui::Form& f) {
    at = f.bounds();
    backend.Press(ui::vk::Esc);
  });
  AskOne(200, 100, "Přepsat soubor s uloženými parametry?"_cz);
  EXPECT_EQ(at.width, 538);  // (37 + 6) x 8 x 1.25 = 430, x 1.25 again = 537.5
  EXPECT_EQ(at.left, 700);
  EXPECT_EQ(at.top, 500);
}

}  // namespace
