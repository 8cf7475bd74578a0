#include "browser/editform.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/params.h"
#include "tests/browser/soubkit.h"

namespace {

using browser::EditForm;
using browser::FieldDescriptor;
using soubtest::Ci99;
using soubtest::kLength;
using soubtest::Record;
using EditFormNavigation = soubtest::SoubTest;
using EditFormKeys = soubtest::SoubTest;
using EditFormLayout = soubtest::SoubTest;
using EditFormTemplates = soubtest::SoubTest;
using EditFormWindow = soubtest::SoubTest;
using EditFormNormalise = soubtest::SoubTest;
namespace vk = ui::vk;

// A list whose hooks leave a trace.
class Traced : public Ci99 {
 public:
  void FieldExit(int field, std::string& text) override { trace.push_back("exit " + std::to_string(field) + " " + text); }
  void FieldChecked(int field, std::string&) override { trace.push_back("checked " + std::to_string(field)); }
  void EditCancelled() override { trace.push_back("cancelled"); }
  void EditFormBuilt() override { trace.push_back("built"); }
  void EditKeyF5() override { trace.push_back("F5"); }
  void EditKeyCtrlF8() override { trace.push_back("Ctrl+F8"); }
  void EditKeyAltF10() override { trace.push_back("Alt+F10"); }
  void ShowHelp(int topic) override { trace.push_back("help " + std::to_string(topic)); }
  std::vector<std::string> trace;
};

// A step that notes the current field.
soubtest::ScriptedEdit::Step Note(std::vector<int>& into) {
  return [&into](EditForm& f) { into.push_back(f.currentField()); };
}

FieldDescriptor Desc(const std::string& picture, const std::string& initial) {
  FieldDescriptor d;
  browser::SetFieldDescriptor(d, browser::FieldSetup().Caption("X").At(1, 1).Picture(picture).Initial(initial));
  return d;
}

// ---------------------------------------------------------------- navigation

TEST_F(EditFormNavigation, DownPastTheLastFieldAcceptsOrWrapsToTheFirst) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  std::vector<int> fields;
  edit.Do(Note(fields)).Keys("Down").Do(Note(fields)).Keys("Down").Do(Note(fields)).Keys("Down");
  w.EditRecord();
  EXPECT_EQ(fields, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(w.EditAborted);  // accepted by Down on the last field
  EXPECT_TRUE(w.Changed);

  w.WrapAround = true;
  fields.clear();
  edit.Keys("Down Down Down").Do(Note(fields)).Keys("Esc");
  w.EditRecord();
  EXPECT_EQ(fields, std::vector<int>{1});
  EXPECT_TRUE(w.EditAborted);
  w.CloseBrowse();
}

TEST_F(EditFormNavigation, DisabledFieldsAreSkippedAndUpWrapsToTheLast) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.FieldStates[2] = 0;
  std::vector<int> fields;
  edit.Keys("Down").Do(Note(fields)).Keys("Up").Do(Note(fields)).Keys("Up").Do(Note(fields)).Keys("Shift+Tab").Do(Note(fields));
  edit.Do([](EditForm& f) {
    EXPECT_TRUE(f.Visible(2));
    EXPECT_FALSE(f.Enabled(2));
  });
  w.EditRecord();
  EXPECT_EQ(fields, (std::vector<int>{3, 1, 3, 1}));
  EXPECT_TRUE(w.EditAborted);

  // A hidden first field: the first shown one is current, even when it is disabled.
  w.FieldStates[1] = -1;
  fields.clear();
  edit.Do(Note(fields)).Do([](EditForm& f) { EXPECT_FALSE(f.Visible(1)); }).Keys("Down").Do(Note(fields));
  w.EditRecord();
  EXPECT_EQ(fields, (std::vector<int>{2, 3}));
  w.CloseBrowse();
}

TEST_F(EditFormNavigation, AWrongFieldCannotBeLeftNorAccepted) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.check = [&](int field, std::string& text) {
    if (field == 2) w.FieldErrors[2] = common::StripRightSp(text).empty() ? 1 : 0;
  };
  std::vector<int> fields;
  edit.Keys("Down").Type("").Keys("Down").Do(Note(fields)).Keys("Up").Do(Note(fields)).Keys("Tab Enter").Do(Note(fields));
  edit.Do([](EditForm& f) { f.Click(3); }).Do(Note(fields));
  edit.Keys("F2").Do([&](EditForm& f) { EXPECT_FALSE(f.closed()); });
  edit.Do([](EditForm& f) { f.OkPressed(); }).Do([&](EditForm& f) { EXPECT_FALSE(f.closed()); });
  edit.Type("Opraveno").Keys("Down").Do(Note(fields)).Keys("F2");
  w.EditRecord();
  EXPECT_EQ(fields, (std::vector<int>{2, 2, 2, 2, 3}));
  EXPECT_EQ(Messages(), std::vector<std::string>{common::Cz("Údaj Název\n je chybný")});
  EXPECT_FALSE(w.EditAborted);
  EXPECT_EQ(RecordAt("CI99.DTA", 3), Record("03", "Opraveno", 3));
  w.CloseBrowse();
}

TEST_F(EditFormNavigation, EnterRunsTheExitHookAfterTheNormalisation) {
  WriteCi99(2);
  Traced w;
  w.Open();
  edit.Type("  7 ").Keys("Enter").Keys("Esc");
  w.EditRecord();
  EXPECT_EQ(w.trace, (std::vector<std::string>{"built", "checked 1", "exit 1 7", "checked 2", "cancelled"}));
  w.CloseBrowse();
}

TEST_F(EditFormNavigation, WithTabEnterOffEnterChecksAndStaysWhileAPickedValueMovesOn) {
  WriteCi99(3);
  Traced w;
  w.Open();
  common::WriteParam("REGISTRY.DTA", "TabEnter", "N");
  std::vector<int> fields;
  edit.Type("  7 ").Keys("Enter").Do(Note(fields)).Keys("Tab").Do(Note(fields));
  edit.Keys("Enter").Do([&](EditForm&) { w.PutFieldText(2, "5"); }).Do(Note(fields)).Keys("Esc");
  w.EditRecord();
  EXPECT_EQ(fields, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(w.trace[2], "exit 1 7");  // the Enter check still runs
  common::WriteParam("REGISTRY.DTA", "TabEnter", "A");
  fields.clear();
  edit.Keys("Enter").Do(Note(fields)).Keys("Esc");
  w.EditRecord();
  EXPECT_EQ(fields, std::vector<int>{2});
  w.CloseBrowse();
}

TEST_F(EditFormNavigation, F12GivesTheValueOfTheRecordWrittenLastAndMovesOn) {
  WriteCi99(2);
  Ci99 w;
  w.Open();
  w.PresetBlank();
  edit.Type("05").Keys("Down").Type("Pátá").Keys("F2");
  w.NewRecord();
  ASSERT_EQ(w.Count, 3);
  w.PresetBlank();
  std::vector<int> fields;
  std::string name;
  edit.Type("06").Keys("Down F12").Do(Note(fields)).Do([&](EditForm& f) { name = f.Text(2); }).Keys("F2");
  w.NewRecord();
  EXPECT_EQ(fields, std::vector<int>{3});
  EXPECT_EQ(name, common::Cz("Pátá"));
  EXPECT_EQ(RecordAt("CI99.DTA", 4), Record("06", "Pátá", 0));
  w.CloseBrowse();
}

// ---------------------------------------------------------------- keys

TEST_F(EditFormKeys, FunctionKeysReachTheirHooks) {
  WriteCi99(1);
  Traced w;
  w.Open();
  edit.Keys("F5 Ctrl+F8 Alt+F10 Esc");
  w.EditRecord();
  EXPECT_EQ(w.trace, (std::vector<std::string>{"built", "checked 1", "F5", "Ctrl+F8", "Alt+F10", "cancelled"}));
  w.CloseBrowse();
}

TEST_F(EditFormKeys, F1HandsTheCurrentFieldToTheHelp) {
  WriteCi99(1);
  Traced w;
  w.Open();
  edit.Keys("F1 Down F1 Down F1 Esc");
  w.EditRecord();
  const std::vector<std::string> helps = [&] {
    std::vector<std::string> h;
    for (const std::string& t : w.trace)
      if (t.starts_with("help")) h.push_back(t);
    return h;
  }();
  EXPECT_EQ(helps, (std::vector<std::string>{"help 1", "help 2", "help 3"}));
  w.CloseBrowse();
}

TEST_F(EditFormKeys, CtrlF9PutsTheCalculatorsResultIntoTheField) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  std::vector<double> starts;
  std::optional<double> answer = 10;
  browser::SoubHooks().calculator = [&](double start) {
    starts.push_back(start);
    return answer;
  };
  std::vector<std::string> texts;
  edit.Keys("Down Down").Type("1 234,5").Keys("Ctrl+F9").Do([&](EditForm& f) { texts.push_back(f.Text(3)); });
  edit.Do([&](EditForm&) { answer.reset(); }).Keys("Ctrl+F9").Do([&](EditForm& f) { texts.push_back(f.Text(3)); }).Keys("Esc");
  w.EditRecord();
  EXPECT_EQ(starts, (std::vector<double>{1234.5, 10.0}));
  EXPECT_EQ(texts, (std::vector<std::string>{"10.00", "10.00"}));  // left without a result: unchanged
  w.CloseBrowse();
}

TEST_F(EditFormKeys, BarcodeInputEndsWithEnterAsDigits) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  std::vector<int> fields;
  edit.Keys("Ctrl+B").Do([](EditForm& f) { EXPECT_TRUE(f.soub().EditBarcode); });
  edit.Type("ěščř").Keys("Enter").Do(Note(fields)).Do([&](EditForm& f) { EXPECT_EQ(f.Text(1), "2345"); }).Keys("Esc");
  w.EditRecord();
  EXPECT_FALSE(w.EditBarcode);
  EXPECT_EQ(w.EditBarcodeText, "2345");
  EXPECT_EQ(fields, std::vector<int>{2});
  w.CloseBrowse();
}

TEST_F(EditFormKeys, KeyFieldsStartABarcodeWithEndToo) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  w.Field(1).fieldType = browser::ft::Key;
  edit.Keys("End").Do([](EditForm& f) { EXPECT_TRUE(f.soub().EditBarcode); }).Keys("Esc");
  w.EditRecord();
  w.Field(2).fieldType = browser::ft::Text;
  edit.Keys("Down End").Do([](EditForm& f) { EXPECT_FALSE(f.soub().EditBarcode); }).Keys("Esc");
  w.EditRecord();
  w.CloseBrowse();
}

TEST_F(EditFormKeys, ABarcodeFromTheListGoesIntoTheFieldAndMovesOn) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  std::vector<int> fields;
  edit.Keys("Down").Do([&](EditForm&) { w.PutFieldText(1, "8594"); }).Do(Note(fields)).Keys("Esc");
  w.EditRecord();
  EXPECT_EQ(fields, std::vector<int>{2});
  EXPECT_EQ(w.Field(1).value, "8594 ");
  w.CloseBrowse();
}

TEST_F(EditFormKeys, TheEditWindowStoresWhereItWas) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  edit.Do([](EditForm& f) {
        f.finalBounds = {120, 80, 500, 300};
        f.finalPaper = ui::Rgb(1, 2, 3);
      })
      .Keys("Esc");
  w.EditRecord();
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fCi99 AktLeft"), "0120");
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fCi99 AktHeight"), "0300");
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fCi99 AktPaper"), common::FormatFloatMask("-@@@@@@@@@@@", ui::Rgb(1, 2, 3)));
  w.CloseBrowse();
}

// ---------------------------------------------------------------- layout

TEST_F(EditFormLayout, PositionsFollowTheCellsAndTheLetterSize) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  const browser::EditFormLayout l = browser::ComputeEditLayout(w);
  // The edit frame 45,1 .. 90,15 with 8 x 18 letters.
  EXPECT_EQ(l.window, (ui::Rect{352, 0, 47 * 9, 15 * 22}));
  EXPECT_EQ(l.fields[1].label, (ui::Rect{16, 6, 24, 18}));
  EXPECT_EQ(l.fields[1].edit, (ui::Rect{40, 4, 56, 20}));
  EXPECT_EQ(l.fields[2].label.top, 28);
  EXPECT_EQ(l.fields[2].maxLength, 20);
  EXPECT_EQ(l.ok, (ui::Rect{423 - 8 - 11 * 8, 4, 56, 18}));
  EXPECT_EQ(l.keyLineText, "F2-OK Esc-Konec");

  // Dates get two more cells, and room for their shown form.
  w.Field(3) = FieldDescriptor{};
  browser::SetFieldDescriptor(w.Field(3), browser::FieldSetup().Caption("D").At(1, 4).Picture("D").Initial("      "));
  const browser::EditFormLayout d = browser::ComputeEditLayout(w);
  EXPECT_EQ(d.fields[3].label.width, 16);  // a one-letter caption takes two cells
  EXPECT_EQ(d.fields[3].edit.width, 80);
  EXPECT_EQ(d.fields[3].maxLength, 8);

  common::CurrentSession().ScreenPpi = 1.25;
  const browser::EditFormLayout big = browser::ComputeEditLayout(w);
  EXPECT_EQ(big.fields[2].label.top, 34);  // 1 x 22 x 1.25 + 6 = 33.5, rounded to even
  EXPECT_EQ(big.fields[2].label.left, 20);
  w.CloseBrowse();
}

TEST_F(EditFormLayout, StoredGeometryIsPulledIntoTheWorkArea) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  common::WriteParam("par\\okna2.par", "fCi99 AktLeft", "5000");
  common::WriteParam("par\\okna2.par", "fCi99 AktTop", "0040");
  common::WriteParam("par\\okna2.par", "fCi99 AktWidth", "0000");
  const browser::EditFormLayout l = browser::ComputeEditLayout(w);
  EXPECT_EQ(l.window.left, backend.workArea.width - 100);
  EXPECT_EQ(l.window.top, 40);
  EXPECT_EQ(l.window.width, 47 * 9);  // 0 is no setting
  w.CloseBrowse();
}

// A window larger than the work area is cut to it and ends at its right and bottom
// edges, even from a stored left of 5000; its key line spans the bottom of the client area.
TEST_F(EditFormLayout, AWindowLargerThanTheWorkAreaIsCutToItAndEndsAtItsEdges) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  backend.workArea = {0, 0, 1280, 800};
  common::WriteParam("par\\okna2.par", "fCi99 AktLeft", "5000");
  common::WriteParam("par\\okna2.par", "fCi99 AktTop", "0300");
  common::WriteParam("par\\okna2.par", "fCi99 AktWidth", "2268");
  common::WriteParam("par\\okna2.par", "fCi99 AktHeight", "0990");
  const browser::EditFormLayout l = browser::ComputeEditLayout(w);
  EXPECT_EQ(l.window.left, 0);
  EXPECT_EQ(l.window.top, 0);
  EXPECT_EQ(l.window.width, 1280);
  EXPECT_EQ(l.window.height, 800);
  EXPECT_EQ(l.keyLine.width, 1280 - ui::kFrameWidth);
  EXPECT_EQ(l.keyLine.top + l.keyLine.height, 800 - ui::kFrameHeight);
  w.CloseBrowse();
}

TEST_F(EditFormLayout, EditWindowFontsComeFromTheCommonFileWhenItIsThere) {
  WriteCi99(1);
  Ci99 w;
  w.Open();
  common::WriteParam("par\\okna2.par", "fCi99 VyskaFontuA", "20");
  EXPECT_EQ(browser::ComputeEditLayout(w).letterHeight, 20);
  common::FlushParams();
  ostest::WriteRaw(dir / "par/oknag.par", "VyskaFontuA : 24\r\nFontNameA : Courier\r\n");
  const browser::EditFormLayout l = browser::ComputeEditLayout(w);
  EXPECT_EQ(l.letterHeight, 24);
  EXPECT_EQ(l.font.name, "Courier");
  w.CloseBrowse();
}

// ---------------------------------------------------------------- normalising

TEST_F(EditFormNormalise, EachTypeGetsItsShownForm) {
  using browser::NormaliseFieldText;
  EXPECT_EQ(NormaliseFieldText(Desc("X", "     "), "  ab "), "ab");
  EXPECT_EQ(NormaliseFieldText(Desc("Y", "     "), "ab  "), "   ab");
  EXPECT_EQ(NormaliseFieldText(Desc("L", "     "), "  12"), "12000");
  EXPECT_EQ(NormaliseFieldText(Desc("P", "     "), "12  "), "00012");
  EXPECT_EQ(NormaliseFieldText(Desc(" ", "     "), "abcdefg"), "abcde");
  EXPECT_EQ(NormaliseFieldText(Desc(" ", "     "), "ab"), "ab   ");
  EXPECT_EQ(NormaliseFieldText(Desc("####.##R", "       "), "12,5"), "  12.50");
  EXPECT_EQ(NormaliseFieldText(Desc("####.##R", "       "), common::Cz("ěš")), "  23.00");  // digit-row letters
  EXPECT_EQ(NormaliseFieldText(Desc("############.####C", std::string(18, ' ')), "123456789012,3456"),
            "123456789012.3456");
  EXPECT_EQ(NormaliseFieldText(Desc("D", "      "), "5.12.26"), "05.12.26");
  EXPECT_EQ(NormaliseFieldText(Desc("D", "      "), "31.02.26"), "        ");
  EXPECT_EQ(NormaliseFieldText(Desc("T", "      "), "9:5"), "09:05:00");
  EXPECT_EQ(NormaliseFieldText(Desc("T", "      "), ""), "        ");
  EXPECT_EQ(NormaliseFieldText(Desc("Q", "        "), "5.12.26"), "05.12.2026");
  EXPECT_EQ(NormaliseFieldText(Desc("q", "        "), ""), "          ");
}

// ---------------------------------------------------------------- templates

TEST_F(EditFormTemplates, ARecordSavedAsTemplateIsAppliedAgain) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  w.GoToRecord(2, 0);
  w.SaveRecordTemplate();
  FlushParams();
  EXPECT_EQ(common::ReadParam("par\\CI99.DTA.F12", "001"), "02   ");
  EXPECT_EQ(common::ReadParam("par\\CI99.DTA.F12", "002"), common::Cz("Položka 2") + std::string(11, ' '));
  EXPECT_EQ(common::ReadParam("par\\CI99.DTA.F12", "003"), "   2");

  std::vector<std::string> asked;
  browser::SoubHooks().askOne = [&](const std::string& q) {
    asked.push_back(q);
    return true;
  };
  w.GoToRecord(3, 0);
  w.ApplyRecordTemplate();
  EXPECT_EQ(asked, std::vector<std::string>{common::Cz("Skutečně přepsat tento řádek")});
  EXPECT_EQ(RecordAt("CI99.DTA", 3), Record("02", "Položka 2", 2));

  // A key missing from the template empties its field; a field of state 0 keeps its value.
  common::WriteParam("par\\CI99.DTA.F12", "003", "");
  common::WriteParam("par\\CI99.DTA.F12", "001", "77");
  FlushParams();
  w.FieldStates[1] = 0;
  w.GoToRecord(1, 0);
  w.ApplyRecordTemplate();
  EXPECT_EQ(RecordAt("CI99.DTA", 1), Record("01", "Položka 2", 0));
  w.CloseBrowse();
}

TEST_F(EditFormTemplates, ShiftF12InAReadOnlyListWritesNothing) {
  WriteCi99(3);
  common::WriteParam("par\\CI99.DTA.F12", "002", "Cizí");
  const std::string before = ReadData("CI99.DTA");
  Ci99 w;
  w.Open();
  w.MayEdit = false;
  int asked = 0;
  browser::SoubHooks().askOne = [&](const std::string&) {
    ++asked;
    return true;
  };
  w.Show();
  backend.PressKeys("Shift+F12");
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  w.MayEdit = true;
  browser::SoubHooks().askOne = [&](const std::string&) {
    ++asked;
    return false;  // "no" writes nothing either
  };
  backend.PressKeys("Shift+F12");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  w.Hide();
  w.CloseBrowse();
}

TEST_F(EditFormTemplates, TheEditWindowSavesAndAppliesTemplates) {
  WriteCi99(2);
  Ci99 w;
  w.Open();
  edit.Keys("Down").Type("Vzor").Keys("Ctrl+F12 Esc");
  w.EditRecord();
  FlushParams();
  EXPECT_EQ(common::ReadParam("par\\CI99.DTA.F12", "002"), std::string("Vzor") + std::string(16, ' '));
  EXPECT_EQ(common::ReadParam("par\\CI99.DTA.F12", "001"), "02   ");

  common::WriteParam("par\\CI99.DTA.F12", "003", "12,6");
  w.FieldStates[1] = 0;
  std::vector<std::string> texts;
  w.GoToRecord(1, 0);
  edit.Keys("Down").Type("Rozepsáno").Keys("Shift+F12").Do([&](EditForm& f) {
    for (int i = 1; i <= 3; ++i) texts.push_back(f.Text(i));
  });
  edit.Keys("F2");
  w.EditRecord();
  EXPECT_EQ(texts, (std::vector<std::string>{"01", "Vzor", "  13"}));
  EXPECT_EQ(RecordAt("CI99.DTA", 1), Record("01", "Vzor", 13));
  w.CloseBrowse();
}

// ---------------------------------------------------------------- the window

TEST_F(EditFormWindow, TheRealWindowTakesKeysAndTyping) {
  WriteCi99(3);
  Ci99 w;
  w.Open();
  browser::SoubHooks().editView = nullptr;  // the window layer's edit window
  std::string caption;
  backend.OnModal("fCi99Edit", [&](ui::Form& f) {
    caption = f.caption();
    EXPECT_EQ(f.activeControl(), f.Find("Edit1"));
    EXPECT_EQ(f.Find("Label2")->text(), common::Cz("Název"));
    EXPECT_EQ(f.Find("KeyLine")->text(), "F2-OK Esc-Konec");
    backend.PressKeys("Down");
    EXPECT_EQ(f.activeControl(), f.Find("Edit2"));
    auto& name = *f.FindAs<ui::Edit>("Edit2");
    name.SelectAll();
    backend.Type("Okno");
    backend.PressKeys("F2");
  });
  w.GoToRecord(2, 0);
  w.EditRecord();
  EXPECT_EQ(caption, "Oprava");
  EXPECT_FALSE(w.EditAborted);
  EXPECT_EQ(RecordAt("CI99.DTA", 2), Record("02", "Okno", 2));
  w.CloseBrowse();
}

TEST_F(EditFormWindow, ClosingTheWindowIsEsc) {
  WriteCi99(1);
  const std::string before = ReadData("CI99.DTA");
  Ci99 w;
  w.Open();
  browser::SoubHooks().editView = nullptr;
  backend.OnModal("fCi99Edit", [&](ui::Form& f) {
    backend.Type("X");
    backend.CloseWindow(f);
  });
  w.EditRecord();
  EXPECT_TRUE(w.EditAborted);
  EXPECT_EQ(ReadData("CI99.DTA"), before);
  w.CloseBrowse();
}

}  // namespace
