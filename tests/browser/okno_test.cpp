// The field screen window: field types, formatting, layout, keys and moves,
// accepting, cancelling and its settings.
#include <functional>
#include <string>
#include <vector>

#include "browser/dialogs.h"
#include "browser/okno.h"
#include "browser/rol.h"
#include "browser/vyber.h"
#include "common/encoding.h"
#include "common/numbers.h"
#include "common/params.h"
#include "common/pascal.h"
#include "common/session.h"
#include "common/text.h"
#include "tests/browser/testkit.h"

namespace {

using namespace common::literals;
using namespace browser;
namespace vk = ui::vk;

TEST(OknoFields, TheMaskGivesTypesZeroToElevenOnly) {
  const std::vector<std::pair<std::string, int>> cases{
      {"X", 0},     {"Y", 1},     {"L", 2},    {"P", 3},     {" ", 4},  {"D", 9},   {"d", 10},
      {"###B", 5},  {"@@@I", 6},  {"###L", 7}, {"##.##R", 8}, {"@@W", 11},
      {"##.##D", 0}, {"##.##C", 0}, {"T", 0},  {"K", 0},     {"Z", 0},  {"###", 0}};
  for (const auto& [mask, type] : cases) EXPECT_EQ(OknoFieldType(mask), type) << mask;
}

// A field screen with hooks that record what they are asked.
class TestOkno : public TfOkno {
 public:
  TestOkno() : TfOkno("fTestOkno") {}
  std::vector<std::string> calls;
  std::function<void(int, std::string&)> after;
  void AfterFieldChanged(int n, std::string& text) override {
    if (after) after(n, text);
  }
  void KeyF3(int n) override { calls.push_back("F3 " + std::to_string(n)); }
  void KeyAltF(int k, int n) override { calls.push_back("Alt+F" + std::to_string(k) + " " + std::to_string(n)); }
  void KeyCtrlF(int k, int n) override { calls.push_back("Ctrl+F" + std::to_string(k) + " " + std::to_string(n)); }
  void KeyShiftF12(int n) override { calls.push_back("Shift+F12 " + std::to_string(n)); }
};

// Six fields: four texts of 5 (types 0, 1, 2, 3), a number "@@@@I" and a date "D".
std::string Record(const std::string& a, const std::string& b, const std::string& c, const std::string& d,
                   std::int32_t n, const std::string& date) {
  std::string r(6 * 4 + 4 + 7, '\0');
  for (int i = 0; i < 4; ++i) common::PutCounted(r, static_cast<std::size_t>(6 * i), std::vector{a, b, c, d}[i], 5);
  common::PutLE<std::int32_t>(r, 24, n);
  common::PutCounted(r, 28, date, 6);
  return r;
}

class OknoWindow : public dlgtest::DialogTest {
 protected:
  void Build(std::vector<int> states = {1, 1, 1, 1, 1, 1}) {
    w.SetFieldCount(6);
    w.OknoRecord = &record;
    w.OknoAddField(w.Field(1), "Kód"_cz, 2, 1, "X", "AB   ", 0, 0, "");
    w.OknoAddField(w.Field(2), "V", 2, 2, "Y", "   12", 0, 0, "");
    w.OknoAddField(w.Field(3), "Zleva", 2, 3, "L", "12000", 20, 3, "pozn.");
    w.OknoAddField(w.Field(4), "Zprava", 2, 4, "P", "00012", 0, 0, "");
    w.OknoAddField(w.Field(5), "Počet"_cz, 2, 5, "@@@@I", "0007", 0, 0, "");
    w.OknoAddField(w.Field(6), "Datum", 2, 6, "D", "31.01.25", 0, 0, "");
    for (int i = 1; i <= 6; ++i) w.FieldState[static_cast<std::size_t>(i)] = states[static_cast<std::size_t>(i - 1)];
    w.OknoBuildWindow(" Test ", " F2=OK  ESC=ven ", 10, 2, 60, 12, ui::Rgb(240, 240, 240), 0);
    w.RecordToOknoFields();
  }
  // Shows the window modally with `keys` as the user, then finishes it.
  void Run(const std::function<void()>& keys) {
    backend.AnswerNextModal([&](ui::Form&) { keys(); });
    w.ShowModal();
    w.OknoFinish();
  }
  ui::Edit& Edit(int n) { return *w.FieldEdit(n); }
  // Types over the field's text, selected by the refocus timer as the user sees it.
  void TypeOver(const std::string& text) {
    backend.Advance(100);
    backend.Type(text);
  }
  int Focused() { return w.activeControl() ? w.activeControl()->tag : 0; }

  std::string original = Record("AB   ", "   12", "12000", "00012", 7, "250131");
  std::string record = original;
  TestOkno w;
};

TEST_F(OknoWindow, FormattingByTypePadsOrCutsToTheMaxLength) {
  Build();
  struct Case {
    int field;
    std::string typed, shown;
  };
  const std::vector<Case> cases{{1, "  ab ", "ab   "}, {2, " 12", "   12"}, {3, " 12", "12000"},
                                {4, " 12", "00012"}, {5, "12,7", "0013"},   {6, "010225", "01.02.25"}};
  for (const Case& c : cases) {
    std::string text = c.typed;
    w.OknoFormatField(c.field, text);
    EXPECT_EQ(text, c.shown) << c.field;
    EXPECT_EQ(Edit(c.field).text(), c.shown);
  }
  w.OknoFinish();
}

TEST_F(OknoWindow, LayoutFollowsTheCellsAndTheStoredGeometry) {
  common::CurrentSession().ComputerId = "PC01";
  common::CurrentSession().CurrentUser = "07";
  Build();
  EXPECT_EQ(w.caption(), " Test PC01 Uživatel:07"_cz);
  EXPECT_EQ(w.bounds(), (ui::Rect{9 * 8, 18, 52 * 8, 11 * 22 + 4}));
  EXPECT_EQ(w.FieldLabel(2)->width(), 16);  // a one-character caption is two cells wide
  EXPECT_EQ(w.FieldLabel(1)->bounds(), (ui::Rect{16, 4, 24, 18}));
  EXPECT_EQ(w.FieldEdit(1)->bounds(), (ui::Rect{16 + 24 + 10, 2, 7 * 8, 18}));
  EXPECT_EQ(w.FieldEdit(6)->width(), (8 + 2 + 2) * 8);  // dates get two cells more
  EXPECT_EQ(w.NoteLabel(3)->bounds(), (ui::Rect{160, 2 * 22 + 4, 40, 18}));
  EXPECT_EQ(w.NoteLabel(1), nullptr);
  EXPECT_EQ(w.OkButton()->bounds(), (ui::Rect{52 * 8 - 62, 4, 50, 18}));
  EXPECT_EQ(w.FooterLine()->text(), " F2=OK  ESC=ven ");
  EXPECT_EQ(w.FooterLine()->top(), 11 * 22 + 4 - ui::kFrameHeight - 18);  // inside the client area
  EXPECT_TRUE(w.Cancelled);
  w.OknoFinish();
  EXPECT_EQ(w.FieldEdit(1), nullptr);  // released

  common::WriteParam(kOkna2Par, "fTestOkno OknoLeft", "0300");
  common::WriteParam(kOkna2Par, "fTestOkno OknoWidth", "0");
  Build();
  EXPECT_EQ(w.left(), 300);
  EXPECT_EQ(w.width(), 52 * 8);
  w.OknoFinish();
}

TEST_F(OknoWindow, DownThroughTheFieldsAcceptsAfterTheLastAndStores) {
  Build();
  Run([&] {
    EXPECT_EQ(Focused(), 1);
    TypeOver("xy");
    backend.PressKeys("Down Down Down");
    EXPECT_EQ(Focused(), 4);
    TypeOver("3");
    backend.PressKeys("Down");
    TypeOver("42");
    backend.PressKeys("Down Down");
  });
  EXPECT_FALSE(w.Cancelled);
  EXPECT_EQ(record, Record("xy   ", "   12", "12000", "00003", 42, "250131"));
}

TEST_F(OknoWindow, HiddenAndDisabledFieldsAreSkippedAndUpWraps) {
  Build({1, 0, 1, -1, 1, 1});
  Run([&] {
    EXPECT_FALSE(Edit(2).enabled());
    EXPECT_FALSE(Edit(4).visible());
    EXPECT_FALSE(w.FieldLabel(4)->visible());
    backend.PressKeys("Up");
    EXPECT_EQ(Focused(), 6);  // wrapped from the first to the last
    backend.PressKeys("Up Up");
    EXPECT_EQ(Focused(), 3);  // 4 hidden
    backend.PressKeys("Up");
    EXPECT_EQ(Focused(), 1);  // 2 disabled
    backend.PressKeys("Enter");
    EXPECT_EQ(Focused(), 3);
    backend.PressKeys("Tab");
    EXPECT_EQ(Focused(), 5);
    backend.PressKeys("Esc");
  });
  EXPECT_TRUE(w.Cancelled);
}

TEST_F(OknoWindow, F12RestoresTheInitialValueAndMovesOn) {
  Build();
  Run([&] {
    TypeOver("zz");
    backend.PressKeys("F12");
    EXPECT_EQ(Edit(1).text(), "AB   ");
    EXPECT_EQ(Focused(), 2);
    backend.PressKeys("F2");
  });
  EXPECT_FALSE(w.Cancelled);
  EXPECT_EQ(record, original);
}

TEST_F(OknoWindow, FunctionKeysGoToTheirHooksAndCtrlShiftF3IsShiftF3) {
  Build();
  Run([&] {
    TypeOver("Q");
    backend.PressKeys("Ctrl+Shift+F3 Shift+F3");
    EXPECT_EQ(Focused(), 1);
    EXPECT_EQ(Edit(1).text(), "Q");
    backend.PressKeys("F3 Alt+F2 Ctrl+F5 Shift+F12");
    backend.PressKeys("Esc");
  });
  EXPECT_EQ(w.calls, (std::vector<std::string>{"F3 1", "Alt+F2 1", "Ctrl+F5 1", "Shift+F12 1"}));
}

TEST_F(OknoWindow, EscAfterEditingStoresNothing) {
  Build();
  Run([&] {
    TypeOver("new");
    backend.PressKeys("Down");
    TypeOver("99");
    backend.PressKeys("Esc");
  });
  EXPECT_TRUE(w.Cancelled);
  EXPECT_EQ(record, original);
  // The window's close button is Esc too.
  Build();
  Run([&] {
    TypeOver("new");
    backend.CloseWindow(w);
  });
  EXPECT_TRUE(w.Cancelled);
  EXPECT_EQ(record, original);
}

TEST_F(OknoWindow, AWrongFieldKeepsTheFocusAndBlocksAccepting) {
  Build();
  w.after = [&](int n, std::string& text) {
    if (n == 1) w.FieldError[1] = common::StripRightSp(text) == "ZZ" ? 1 : 0;
  };
  Run([&] {
    TypeOver("ZZ");
    backend.PressKeys("Down");
    EXPECT_EQ(Focused(), 1);
    EXPECT_TRUE(w.TimerError.enabled());
    Edit(1).SetSelection(0, 0);
    backend.Advance(100);
    EXPECT_EQ(Edit(1).SelectedText(), "ZZ   ");
    EXPECT_FALSE(w.TimerError.enabled());  // one shot
    backend.Focus(Edit(3));               // leaving by the mouse is Tab
    EXPECT_EQ(Focused(), 1);
    backend.Click(*w.OkButton());
    EXPECT_EQ(backend.messages().back().text, "Údaj Kód je chybný"_cz);
    TypeOver("ok");
    backend.Focus(Edit(3));
    EXPECT_EQ(Focused(), 3);
    EXPECT_EQ(w.CurrentField, 3);
    backend.PressKeys("F2");
  });
  EXPECT_FALSE(w.Cancelled);
  EXPECT_EQ(record, Record("ok   ", "   12", "12000", "00012", 7, "250131"));
}

TEST_F(OknoWindow, HelpReportListAndDigitRow) {
  Build();
  int reports = 0;
  RolHooks().showReportList = [&] { ++reports; };
  Run([&] {
    backend.PressKeys("Down Down F1 Ctrl+F2");
    backend.PressKeys("Down Down");
    backend.PressKeys("Ctrl+B");
    Edit(5).SetText("+ě"_cz);
    backend.PressKeys("Enter");
    EXPECT_EQ(Edit(5).text(), "0012");
    backend.PressKeys("Esc");
  });
  RolHooks().showReportList = nullptr;
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Help SOUB   3"});
  EXPECT_EQ(reports, 1);
  EXPECT_FALSE(w.DigitRowMode);
  EXPECT_EQ(record, original);  // Esc
}

TEST_F(OknoWindow, CtrlF9PutsTheCalculatorsResultIntoTheField) {
  Build();
  Run([&] {
    backend.PressKeys("Down Down Down Down");
    backend.AnswerNextModal([&](ui::Form& f) {
      EXPECT_EQ(f.name(), "fKalk");
      backend.Type("5+");
      backend.PressKeys("F2");
    });
    backend.PressKeys("Ctrl+F9");
    EXPECT_EQ(Edit(5).text(), "12.00");
    EXPECT_EQ(Focused(), 5);
    backend.PressKeys("F2");
  });
  EXPECT_EQ(record, Record("AB   ", "   12", "12000", "00012", 12, "250131"));
}

TEST_F(OknoWindow, ClosingStoresTheAppearanceKeysOnceSomethingChanged) {
  Build();
  Run([&] { backend.PressKeys("Esc"); });
  EXPECT_EQ(common::ReadParam(kOkna2Par, "fTestOkno OknoLeft"), "");
  Build();
  Run([&] {
    w.UserSetGeometry({80, 20, 416, 246});
    backend.PressKeys("Esc");
  });
  const std::vector<std::pair<std::string, std::string>> keys{
      {" OknoLeft", "0080"},         {" OknoTop", "0020"},        {" OknoWidth", "0416"},
      {" OknoHeight", "0246"},       {" FontPaperA", " 0015790320"}, {" FontColorA", " 0000000000"},
      {" VyskaFontuA", " 18"},       {" SirkaFontuA", "  8"},      {" FontSizeA", "0008 "},
      {" FontStyleA", "Normal"}};
  for (const auto& [key, value] : keys) EXPECT_EQ(common::ReadParam(kOkna2Par, "fTestOkno" + key), value) << key;
}

TEST_F(OknoWindow, AppearanceMenuClampsWidthToThirty) {
  Build();
  Run([&] {
    backend.AnswerNextModal([&](ui::Form& f) { backend.DoubleClick(*static_cast<TfVyber&>(f).Rows[2]); });
    backend.QueueAnswer(ui::headless::Answer::CancelAnswer());  // the font dialog
    backend.AnswerNextModal([&](ui::Form&) {
      backend.Active().activeControl()->SetText("5");
      backend.Press(vk::Down);
      backend.Active().activeControl()->SetText("40");
      backend.Press(vk::Enter);
    });
    backend.PressKeys("F11");
    backend.PressKeys("Esc");
  });
  EXPECT_EQ(w.RowHeight, 10);
  EXPECT_EQ(w.CharWidth, 30);
  EXPECT_EQ(common::ReadParam(kOkna2Par, "fTestOkno SirkaFontuA"), " 30");
  // What was stored comes back at the next build.
  Build();
  EXPECT_EQ(w.CharWidth, 30);
  EXPECT_EQ(w.width(), 416);  // the stored outer width
  w.OknoFinish();
}

}  // namespace
