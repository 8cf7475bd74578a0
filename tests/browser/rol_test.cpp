#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "browser/hint.h"
#include "common/fileops.h"
#include "common/params.h"
#include "ui/bitmap.h"
#include "tests/browser/rolkit.h"

namespace {

using browser::TfRol;
using roltest::MemList;
using roltest::RolTest;
namespace vk = ui::vk;

using RolPage = RolTest;
using RolKeys = RolTest;
using RolMarks = RolTest;
using RolSettings = RolTest;
using RolMouse = RolTest;

std::vector<std::string> ShownRows(const MemList& list) {
  std::vector<std::string> out;
  for (int r = 1; r <= list.RowsPerPage; ++r) out.push_back(list.Shown(r));
  return out;
}

// ---------------------------------------------------------------- page

TEST_F(RolPage, OpensOnTheLastRecordAsTheBottomRow) {
  MemList list(MemList::Numbered(25));
  list.Open();
  EXPECT_EQ(list.RowsPerPage, 10);
  EXPECT_EQ(list.Top, 15);
  EXPECT_EQ(list.CursorRow(), 10);
  EXPECT_EQ(list.Current, 25);
  EXPECT_EQ(list.Shown(1), "Row 16");
  EXPECT_EQ(list.Shown(10), "Row 25");
  EXPECT_EQ(list.sgRol.Cell(1, 0), "Text");
  EXPECT_EQ(list.lKolik.text(), common::Cz("     25/     25  Vybráno:      "));
  EXPECT_EQ(list.lHelp.text(), "F1-Help F3-Hledej");
  EXPECT_EQ(list.caption(), "Test");
  EXPECT_EQ(list.ScrollBar1.max(), 25);
  // Records appended by others: the scroll bar follows the count.
  list.rows.push_back("Row 26");
  list.Count = 26;
  list.HeaderLine = "Kod  Nazev";
  list.RepaintPage();
  EXPECT_EQ(list.ScrollBar1.max(), 26);
  EXPECT_EQ(list.caption(), "Kod  Nazev");
}

TEST_F(RolPage, StartRecordIsHonouredAndClamped) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  EXPECT_EQ(list.Top, 0);
  EXPECT_EQ(list.CursorRow(), 1);
  EXPECT_EQ(list.Current, 1);
  list.Open(12);
  EXPECT_EQ(list.Top, 2);
  EXPECT_EQ(list.CursorRow(), 10);
  EXPECT_EQ(list.Shown(10), "Row 12");
  list.Open(-5);
  EXPECT_EQ(list.Current, 1);
}

TEST_F(RolPage, PgDnKeepsTheLastPageFull) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  Show(list);
  Keys("PgDn");
  EXPECT_EQ(list.Top, 10);
  Keys("PgDn");
  EXPECT_EQ(list.Top, 15);
  EXPECT_EQ(list.Shown(10), "Row 25");
  Keys("PgUp PgUp");
  EXPECT_EQ(list.Top, 0);
  Keys("PgUp");
  EXPECT_EQ(list.Top, 0);
}

TEST_F(RolPage, GoToRecordModes) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  list.GoToRecord(23, 3);
  EXPECT_EQ(list.Top, 15);
  EXPECT_EQ(list.CursorRow(), 8);
  list.GoToRecord(20, 3);
  EXPECT_EQ(list.Top, 10);
  EXPECT_EQ(list.CursorRow(), 10);
  list.GoToRecord(5, 1);
  EXPECT_EQ(list.Top, 0);
  EXPECT_EQ(list.CursorRow(), 5);
  list.GoToRecord(24, 1);
  EXPECT_EQ(list.Top, 15);
  EXPECT_EQ(list.CursorRow(), 9);
  list.GoToRecord(17, 0);  // keeps row 9
  EXPECT_EQ(list.Top, 8);
  EXPECT_EQ(list.CursorRow(), 9);
  list.GoToRecord(3, 0);  // too near the start for row 9
  EXPECT_EQ(list.Top, 0);
  EXPECT_EQ(list.CursorRow(), 3);
  list.GoToRecord(26, 0);  // outside the list: nothing
  list.GoToRecord(0, 2);
  EXPECT_EQ(list.Current, 3);
  EXPECT_EQ(list.Shown(3), "Row 3");
}

TEST_F(RolPage, ArrowsHomeAndEnd) {
  MemList list(MemList::Numbered(25));
  list.Open();
  Show(list);
  Keys("Down");  // already on the last record
  EXPECT_EQ(list.Top, 15);
  EXPECT_EQ(list.CursorRow(), 10);
  Keys("Home");
  EXPECT_EQ(list.Top, 0);
  EXPECT_EQ(list.CursorRow(), 1);
  EXPECT_EQ(list.Current, 1);
  Keys("Up");
  EXPECT_EQ(list.Top, 0);
  for (int i = 0; i < 11; ++i) Keys("Down");
  EXPECT_EQ(list.Top, 2);
  EXPECT_EQ(list.CursorRow(), 10);
  EXPECT_EQ(list.Current, 12);
  Keys("Up");
  EXPECT_EQ(list.CursorRow(), 9);
  Keys("End");
  EXPECT_EQ(list.Top, 15);
  EXPECT_EQ(list.Current, 25);
  EXPECT_EQ(list.lKolik.text(), common::Cz("     25/     25  Vybráno:      "));
  EXPECT_GT(list.shownCount, 0);
}

TEST_F(RolPage, UpGrowsASmallPageBackToItsMaximum) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  Show(list);
  list.GoToRecord(15, 1);
  ASSERT_EQ(list.Top, 14);
  list.RowsPerPage = 4;
  list.SetPageRows();
  list.SetCursorRow(1);
  Keys("Up");
  EXPECT_EQ(list.RowsPerPage, 5);
  EXPECT_EQ(list.Top, 13);
  EXPECT_EQ(list.Shown(5), "Row 18");
}

TEST_F(RolPage, ShortListShowsEveryRowOnce) {
  MemList list(MemList::Numbered(3));
  list.Open();
  EXPECT_EQ(list.RowsPerPage, 3);
  EXPECT_EQ(list.sgRol.rowCount(), 4);
  EXPECT_EQ(ShownRows(list), (std::vector<std::string>{"Row 1", "Row 2", "Row 3"}));
  EXPECT_EQ(list.CursorRow(), 3);
}

TEST_F(RolPage, EmptyListTakesEveryKeyQuietly) {
  MemList list({});
  list.Open();
  Show(list);
  Keys("PgDn End Home Down Up Enter Ins Space F3");
  EXPECT_EQ(list.Top, 0);
  EXPECT_EQ(list.RowsPerPage, 0);
  EXPECT_FALSE(list.closeRequested());
  EXPECT_EQ(list.reads, 0);
  EXPECT_EQ(list.MarkedCount, 0);
  EXPECT_EQ(list.lKolik.text(), common::Cz("       /         Vybráno:      "));
}

TEST_F(RolPage, PageNeverHasLessThanOneRow) {
  MemList list(MemList::Numbered(25));
  list.Open();
  Show(list);
  list.RowReserve = 30;
  list.SetBounds(0, 0, 300, 200);  // 200 div 19 - 7 - 30 would be -27
  EXPECT_EQ(list.MaxRowsPerPage, 1);
  list.GoToRecord(20, 3);
  EXPECT_EQ(list.RowsPerPage, 1);
  EXPECT_EQ(list.Top, 19);
  Keys("PgUp");
  EXPECT_EQ(list.Top, 18);
  EXPECT_EQ(list.Shown(1), "Row 19");
}

TEST_F(RolPage, ResizeSetsTheMaximumFromTheHeight) {
  MemList list(MemList::Numbered(50));
  list.Open();
  list.SetBounds(0, 0, 640, 19 * 30);
  EXPECT_EQ(list.MaxRowsPerPage, 23);
  EXPECT_EQ(list.CharsPerLine, 80);
}

TEST_F(RolPage, ColumnShiftAndSemicolons) {
  MemList list({"a;b;c;defghij", "x;y"});
  list.ColumnShift = true;
  list.Open();
  Show(list);
  EXPECT_EQ(list.Shown(1), "a;b;c;defghij");
  Keys("Right Right");
  EXPECT_EQ(list.CharShift, 3);
  EXPECT_EQ(list.Shown(1), "b;c;defghij");
  common::CurrentSession().SemicolonOut = 1;
  list.RepaintPage();
  EXPECT_EQ(list.Shown(1), "b c defghij");
  Keys("Ctrl+Left");
  EXPECT_EQ(list.CharShift, 1);
}

// ---------------------------------------------------------------- keys

TEST_F(RolKeys, EachKeyReachesItsOperation) {
  struct Case {
    const char* key;
    const char* call;
  };
  const Case cases[] = {
      {"F1", "ShowHelp"},
      {"F2", "KeyF2"},
      {"F5", "KeyF5"},
      {"F6", "KeyF6 25"},
      {"F8", "DeleteRecord 25"},
      {"Ctrl+F3", "KeyCtrlF3"},
      {"Ctrl+F9", "KeyCtrlF9"},
      {"Shift+F4", "EditRecordNoCheck"},
      {"Shift+F12", "ApplyRecordTemplate"},
      {"Ctrl+F12", "SaveRecordTemplate"},
      {"Alt+F5", "KeyAltF5"},
      {"Alt+F12", "KeyAltF12"},
      {"Num*", "KeyNumStar"},
      {"Ctrl+E", "ExportListToExcel"},
      {"Ctrl+#101", "ExportListToExcel"},
      {"Ctrl+D", "ExportToDbf"},
      {"Ctrl+#100", "ExportToDbf"},
      {"Q", "LetterKey 81"},
      {"Ctrl+Space", "KeyCtrlSpace"},
      {"Del", "KeyDel"},
      {"Space", "EditRecord 25"},
  };
  MemList list(MemList::Numbered(25));
  list.Open();
  Show(list);
  for (const Case& c : cases) {
    list.calls.clear();
    Keys(c.key);
    EXPECT_EQ(list.calls, std::vector<std::string>{c.call}) << c.key;
  }
}

TEST_F(RolKeys, DialogKeysOpenTheirWindows) {
  MemList list(MemList::Numbered(25));
  list.Open();
  Show(list);
  // Ctrl+F1: the instructions named after the window.
  std::string shownHint;
  backend.AnswerNextModal([&](ui::Form& f) {
    shownHint = dynamic_cast<browser::TfHint&>(f).HintName;
    f.Close();
  });
  Keys("Ctrl+F1");
  EXPECT_EQ(shownHint, "fMemList");
  // F11 and Ctrl+F2 go to the services put in place by the program.
  std::vector<std::string> used;
  browser::RolHooks().appearanceMenu = [&](TfRol& r) { used.push_back("menu " + r.name()); };
  browser::RolHooks().showReportList = [&] { used.push_back("reports"); };
  Keys("F11 Ctrl+F2");
  browser::RolHooks() = {};
  Keys("F11 Ctrl+F2");
  EXPECT_EQ(used, (std::vector<std::string>{"menu fMemList", "reports"}));
  // F10: the listing, then the window's popup menu at its left + 15, top + 50.
  backend.QueueAnswer(ui::headless::Answer::CancelAnswer());
  Keys("F10");
  ASSERT_FALSE(backend.journal().empty());
  EXPECT_NE(backend.journal().back().find("PopupMenu1"), std::string::npos) << backend.journal().back();
}

TEST_F(RolKeys, CtrlShiftF1IsTheShiftCodeAndDoesNothing) {
  EXPECT_EQ(ui::KeyCode(vk::F(1), ui::Shift::Ctrl | ui::Shift::Shift), 2112);
  MemList list(MemList::Numbered(25));
  list.Open();
  Show(list);
  backend.Press(vk::F(1), ui::Shift::Ctrl | ui::Shift::Shift);
  backend.Press(vk::Letter('Q'), ui::Shift::Shift);
  EXPECT_TRUE(list.calls.empty());
  EXPECT_EQ(list.Current, 25);
}

TEST_F(RolKeys, CharacterShiftStaysWithinItsRange) {
  MemList list(MemList::Numbered(5));
  list.Open();
  Show(list);
  list.CharShift = 15;
  Keys("Ctrl+Left");
  EXPECT_EQ(list.CharShift, 1);
  Keys("Left");
  EXPECT_EQ(list.CharShift, 1);
  list.CharShift = 978;
  Keys("Ctrl+Right");
  EXPECT_EQ(list.CharShift, 998);
  Keys("Ctrl+Right Right Right");
  EXPECT_EQ(list.CharShift, 999);
}

TEST_F(RolKeys, SlowDigitsMoveToTheTypedRecord) {
  MemList list(MemList::Numbered(25));
  list.Open();
  Show(list);
  Keys("1");
  EXPECT_EQ(list.Current, 1);
  backend.Advance(100);
  Keys("2");
  EXPECT_EQ(list.Current, 12);
  EXPECT_EQ(list.Shown(list.CursorRow()), "Row 12");
  backend.Advance(100);
  Keys("7");  // 127 lies beyond the list
  EXPECT_EQ(list.Current, 12);
  Keys("Down");  // clears the typed number
  backend.Advance(100);
  Keys("4");
  EXPECT_EQ(list.Current, 4);
}

TEST_F(RolKeys, FastDigitsAreABarcodeThatEnterHandsOver) {
  MemList list(MemList::Numbered(25));
  list.Open();
  Show(list);
  for (char d : std::string("123456")) {
    backend.Advance(30);
    backend.Press(vk::Digit(d - '0'));
  }
  // Only the first digit came after a pause.
  EXPECT_EQ(list.Current, 1);
  Keys("Enter");
  EXPECT_EQ(list.calls, std::vector<std::string>{"RecordChosen 123456"});
  EXPECT_FALSE(list.closeRequested());
  EXPECT_TRUE(list.TypedNumber.empty());
  // The next code starts afresh, not with the old one.
  list.calls.clear();
  for (char d : std::string("987654")) {
    backend.Advance(20);
    backend.Press(vk::Digit(d - '0'));
  }
  Keys("Enter");
  EXPECT_EQ(list.calls, std::vector<std::string>{"RecordChosen 987654"});
}

TEST_F(RolKeys, CtrlBStartsBarcodeMode) {
  MemList list(MemList::Numbered(25));
  list.Open();
  Show(list);
  Keys("Ctrl Ctrl+B");
  EXPECT_TRUE(list.BarcodeMode);
  Keys("4 2");
  EXPECT_EQ(list.BarcodeText, "42");
  EXPECT_EQ(list.Current, 25);  // barcode digits do not move
  Keys("Enter");
  EXPECT_EQ(list.calls, std::vector<std::string>{"RecordChosen 42"});
  EXPECT_FALSE(list.BarcodeMode);
  Keys("CapsLock");
  EXPECT_TRUE(list.BarcodeMode);
}

TEST_F(RolKeys, EnterChoosesAndClosesTheModalWindow) {
  MemList list(MemList::Numbered(25));
  list.Open();
  backend.AnswerNextModal([&](ui::Form&) { Keys("Up Up Enter"); });
  EXPECT_EQ(list.ShowModal(), ui::mr::Ok);
  EXPECT_EQ(list.Current, 23);
  EXPECT_EQ(list.LastKey, vk::Enter);
  EXPECT_EQ(list.CloseKey, vk::Enter);
  EXPECT_EQ(list.calls, std::vector<std::string>{"KeyEsc"});
  // The geometry is stored when the window closes.
  EXPECT_FALSE(common::ReadParam("par\\okna2.par", "fMemList Width").empty());
}

TEST_F(RolKeys, EscLeavesWithoutAChoice) {
  MemList list(MemList::Numbered(25));
  list.Open();
  backend.AnswerNextModal([&](ui::Form&) { Keys("Up Esc"); });
  EXPECT_EQ(list.ShowModal(), ui::mr::Cancel);
  EXPECT_EQ(list.Current, -1);
  EXPECT_EQ(list.CloseKey, vk::Esc);
}

TEST_F(RolKeys, AListShownAgainWithoutANewActivationTakesKeys) {
  MemList list(MemList::Numbered(25));
  list.Open();
  backend.AnswerNextModal([&](ui::Form&) { Keys("Esc"); });
  list.ShowModal();
  backend.AnswerNextModal([&](ui::Form&) {
    Keys("Up");
    EXPECT_EQ(list.Current, 24);  // the key finished: the cursor row is current
    backend.QueueAnswer(ui::headless::Answer::CancelAnswer());
    Keys("F10");  // the popup menu opens
    EXPECT_EQ(backend.journal().back(), "popup PopupMenu1 at 15,50 -> none");
    Keys("Enter");
  });
  EXPECT_EQ(list.ShowModal(), ui::mr::Ok);
  EXPECT_EQ(list.Current, 24);
}

TEST_F(RolKeys, EnterEditsWhenTheListAsksForIt) {
  MemList list(MemList::Numbered(25));
  list.Open();
  list.EnterEdits = true;
  Show(list);
  Keys("Up Enter");
  EXPECT_EQ(list.calls, std::vector<std::string>{"EditRecord 24"});
  EXPECT_FALSE(list.closeRequested());
}

// ---------------------------------------------------------------- marks and blocks

TEST_F(RolMarks, InsTogglesTheRecordAndMovesDown) {
  MemList list(MemList::Numbered(25));
  list.Open(5);
  Show(list);
  list.GoToRecord(5, 0);
  Keys("Ins");
  EXPECT_TRUE(list.IsMarked(5));
  EXPECT_EQ(list.MarkedCount, 1);
  EXPECT_EQ(list.Current, 6);
  EXPECT_EQ(list.calls, std::vector<std::string>{"MarkToggled"});
  const int row5 = list.CursorRow() - 1;
  EXPECT_TRUE(list.MarkShown(row5));
  EXPECT_FALSE(list.MarkShown(row5 + 1));
  EXPECT_EQ(list.lKolik.text(), common::Cz("     25/      6  Vybráno:     1"));
  Keys("Up Ins");
  EXPECT_FALSE(list.IsMarked(5));
  EXPECT_EQ(list.MarkedCount, 0);
}

TEST_F(RolMarks, InsInsideABlockTogglesTheBlock) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  Show(list);
  list.BlockBegin = 3;
  list.BlockEnd = 8;
  list.GoToRecord(5, 0);
  Keys("Ins");
  EXPECT_EQ(list.MarkedCount, 6);
  for (int n = 1; n <= 10; ++n) EXPECT_EQ(list.IsMarked(n), n >= 3 && n <= 8) << n;
  // A block of one record does not count for Ins.
  list.ClearMarks();
  list.BlockBegin = list.BlockEnd = 8;
  list.GoToRecord(5, 0);
  Keys("Ins");
  EXPECT_EQ(list.MarkedCount, 1);
  EXPECT_TRUE(list.IsMarked(5));
}

TEST_F(RolMarks, BlockKeysMarkFromBeginToEnd) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  Show(list);
  list.GoToRecord(4, 0);
  Keys("Ctrl+Y");
  EXPECT_EQ(list.MarkedCount, 0);  // no end yet
  list.GoToRecord(7, 0);
  list.MarkRecord(5);
  list.MarkedCount = 1;
  Keys("Ctrl+K");
  EXPECT_EQ(list.MarkedCount, 4);  // 4, 6, 7 are new
  EXPECT_EQ(list.BlockBegin, 4);
  EXPECT_EQ(list.BlockEnd, 7);
  // Begin and end on one record mark that one.
  list.ClearMarks();
  list.GoToRecord(12, 0);
  Keys("Ctrl+F10 Ctrl+Num+");
  EXPECT_EQ(list.MarkedCount, 1);
  EXPECT_TRUE(list.IsMarked(12));
}

TEST_F(RolMarks, TheBitSetHoldsNumbersUpTo400000) {
  browser::RecordMarks marks;
  EXPECT_EQ(marks.bits().size(), 50001u);
  EXPECT_TRUE(marks.Mark(400000));
  EXPECT_TRUE(marks.Mark(9));
  EXPECT_EQ(marks.bits()[1], 0x02);  // byte 9 div 8, bit 9 mod 8
  EXPECT_EQ(marks.bits()[50000], 0x01);
  EXPECT_FALSE(marks.Mark(400001));
  EXPECT_FALSE(marks.Mark(-1));
  EXPECT_FALSE(marks.IsMarked(400001));
  EXPECT_FALSE(marks.IsMarked(-7));
  EXPECT_TRUE(marks.Unmark(9));
  EXPECT_FALSE(marks.IsMarked(9));

  // A record beyond the bit set is not counted as marked.
  MemList list(MemList::Numbered(3));
  list.Open();
  list.ToggleMark(500000);
  EXPECT_EQ(list.MarkedCount, 0);
}

// ---------------------------------------------------------------- sort orders

class RolSortTest : public RolTest {
 protected:
  void SetUp() override {
    RolTest::SetUp();
    std::vector<std::int32_t> reversed;
    for (int i = 25; i >= 1; --i) reversed.push_back(i);
    roltest::WriteIndex("CI99.DT2", reversed);
  }
};

TEST_F(RolSortTest, AltF2ShowsIndexOrderAndKeepsTheRecord) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  ASSERT_EQ(list.IndexFilesOpen("CI99.DTA"), 0);
  EXPECT_EQ(list.IndexCount(1), 0);
  EXPECT_EQ(list.IndexCount(2), 25);
  Show(list);
  list.GoToRecord(3, 0);
  const ui::Color before = list.GridColor;
  Keys("Alt+F1");  // no index file 1
  EXPECT_EQ(list.ActiveOrder, 0);
  Keys("Alt+F2");
  EXPECT_EQ(list.ActiveOrder, 2);
  EXPECT_EQ(list.sgRol.color(), TfRol::kSortedGridColor);
  EXPECT_EQ(list.Shown(list.CursorRow()), "Row 3");  // position 23 in this order
  EXPECT_EQ(list.Current, 23);
  EXPECT_EQ(list.CursorRow(), 8);
  EXPECT_EQ(list.Shown(1), "Row 10");
  Keys("Alt+F10");
  EXPECT_EQ(list.ActiveOrder, 0);
  EXPECT_EQ(list.Current, 3);
  EXPECT_EQ(list.Shown(list.CursorRow()), "Row 3");
  EXPECT_EQ(list.GridColor, before);
}

TEST_F(RolSortTest, EnterGivesTheRecordNumberAndEndsTheOrder) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  ASSERT_EQ(list.IndexFilesOpen("CI99.DTA"), 0);
  backend.AnswerNextModal([&](ui::Form&) { Keys("Alt+F2 Home Down Enter"); });
  EXPECT_EQ(list.ShowModal(), ui::mr::Ok);
  EXPECT_EQ(list.Current, 24);  // position 2 of the reversed order
  EXPECT_EQ(list.ActiveOrder, 0);
}

TEST_F(RolSortTest, DoubleClickChoosesTheRecordToo) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  ASSERT_EQ(list.IndexFilesOpen("CI99.DTA"), 0);
  backend.AnswerNextModal([&](ui::Form&) {
    Keys("Alt+F2 Home");
    backend.DoubleClickCell(list.sgRol, 1, 3);
  });
  list.ShowModal();
  EXPECT_EQ(list.Current, 23);
  EXPECT_EQ(list.CloseKey, vk::Enter);
}

TEST_F(RolSortTest, MarksGoToTheRecordsOfTheOrder) {
  MemList list(MemList::Numbered(25));
  list.Open(1);
  ASSERT_EQ(list.IndexFilesOpen("CI99.DTA"), 0);
  Show(list);
  Keys("Alt+F2 Home Ins");
  EXPECT_TRUE(list.IsMarked(25));
  EXPECT_TRUE(list.MarkShown(1));
  // A block over positions 2..4 marks the records shown there: 24, 23, 22.
  Keys("Ctrl+Z Down Down Ctrl+K");
  EXPECT_EQ(list.MarkedCount, 4);
  for (int n : {25, 24, 23, 22}) EXPECT_TRUE(list.IsMarked(n)) << n;
  EXPECT_FALSE(list.IsMarked(2));
  EXPECT_FALSE(list.IsMarked(4));
}

TEST_F(RolSortTest, ShortOrDamagedIndexIsReadSafely) {
  roltest::WriteIndex("CI99.DT3", {5, 4, 999, -3, 1});  // five entries for 25 records
  MemList list(MemList::Numbered(25));
  list.Open(1);
  ASSERT_EQ(list.IndexFilesOpen("CI99.DTA"), 0);
  Show(list);
  Keys("Alt+F3 Home");
  EXPECT_EQ(list.Shown(1), "Row 5");
  EXPECT_EQ(list.Shown(3), "");  // record 999 does not exist
  EXPECT_EQ(list.Shown(4), "");
  EXPECT_EQ(list.Shown(5), "Row 1");
  EXPECT_EQ(list.Shown(6), "Row 6");  // past the entries: the position itself
  list.GoToRecord(20, 0);
  Keys("Ins");
  EXPECT_TRUE(list.IsMarked(20));
  EXPECT_EQ(list.MarkedCount, 1);
  list.GoToRecord(20, 0);
  Keys("Enter");
  EXPECT_EQ(list.Current, 20);
}

TEST_F(RolSortTest, SwitchingOrdersKeepsTheListColour) {
  roltest::WriteIndex("CI99.DT1", {2, 1, 3});
  MemList list(MemList::Numbered(3));
  list.Open();
  ASSERT_EQ(list.IndexFilesOpen("CI99.DTA"), 0);
  Show(list);
  list.GridColor = ui::colors::White;
  Keys("Alt+F1 Alt+F2 Alt+F2");
  EXPECT_EQ(list.ActiveOrder, 2);
  Keys("Alt+F10");
  EXPECT_EQ(list.GridColor, ui::colors::White);
  EXPECT_EQ(list.sgRol.color(), ui::colors::White);
}

TEST_F(RolSortTest, NewRecordExtendsEveryIndexWhileAnOrderIsActive) {
  roltest::WriteIndex("CI99.DT4", {1});
  MemList list(MemList::Numbered(25));
  list.Open();
  ASSERT_EQ(list.IndexFilesOpen("CI99.DTA"), 0);
  list.Count = 26;
  list.NewRecord();  // no order: nothing
  EXPECT_EQ(list.IndexCount(2), 25);
  list.SetSortOrder(2);
  list.NewRecord();
  EXPECT_EQ(list.IndexCount(2), 26);
  EXPECT_EQ(list.IndexCount(4), 2);
  list.IndexFilesClose();
  std::string bytes;
  ASSERT_EQ(common::ReadFileText("CI99.DT2", bytes), 0);
  ASSERT_EQ(bytes.size(), 26u * 8);
  EXPECT_EQ(bytes.substr(200), std::string("\x1A\0\0\0\x1A\0\0\0", 8));
  EXPECT_EQ(list.IndexCount(2), 0);
}

// ---------------------------------------------------------------- settings

TEST_F(RolSettings, CloseBrowseStoresThePositionAndTheOpenerCanAskForIt) {
  MemList list(MemList::Numbered(25));
  list.Open();
  list.GoToRecord(7, 1);
  list.CloseBrowse();
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fMemList Index"), "000007");
  list.useStoredIndex = true;
  list.Open();
  EXPECT_EQ(list.Current, 7);
  EXPECT_EQ(list.CursorRow(), 7);  // as the bottom row of the first page
  // A stored position outside the list leaves the cursor at the top.
  common::WriteParam("par\\okna2.par", "fMemList Index", "000099");
  list.Open();
  EXPECT_EQ(list.Top, 0);
  EXPECT_EQ(list.CursorRow(), 1);
}

TEST_F(RolSettings, StoredGeometryIsPulledIntoTheWorkArea) {
  common::WriteParam("par\\okna2.par", "fMemList Left", "5000");
  common::WriteParam("par\\okna2.par", "fMemList Top", "0040");
  common::WriteParam("par\\okna2.par", "fMemList Width", "0100");
  MemList list(MemList::Numbered(25));
  list.Open();
  EXPECT_EQ(list.left(), backend.workArea.width - 100);
  EXPECT_EQ(list.top(), 40);
  EXPECT_EQ(list.width(), 200);
  // Ten rows of 18 pixels (19 with the grid line), the grid's scroll-bar line and header,
  // the search row and the key line under them: taller than ten rows and seven.
  EXPECT_EQ(list.height(), 12 * 19 + 2 + list.eHled.height() + 2 + 2 * 24 + 15);
}

TEST_F(RolSettings, StoredHeightSetsThePage) {
  common::WriteParam("par\\okna2.par", "fMemList Height", "0570");
  MemList list(MemList::Numbered(50));
  list.Open();
  EXPECT_EQ(list.RowsPerPage, 23);  // 570 div 19 - 7
}

TEST_F(RolSettings, ColumnWidthsAreStoredWithinThreeDigits) {
  std::vector<std::string> rows{"a", "b"};
  MemList list(rows);
  list.FieldCount = 2;
  browser::SetFieldDescriptor(list.Field(2), browser::FieldSetup().Caption("Datum").Picture("D").Initial("      "));
  list.Open();
  EXPECT_EQ(list.sgRol.colWidth(0), 10);
  EXPECT_EQ(list.sgRol.colWidth(1), 21 * 8);
  EXPECT_EQ(list.sgRol.colWidth(2), 10 * 8);  // eight shown characters and the date's extra one
  list.sgRol.SetColWidth(1, 1200);
  list.CloseBrowse();
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fMemList Gridy"), "010999080");
  common::WriteParam("par\\okna2.par", "fMemList Gridy", "012120000");
  list.Open();
  EXPECT_EQ(list.sgRol.colWidth(0), 12);
  EXPECT_EQ(list.sgRol.colWidth(1), 120);
  EXPECT_EQ(list.sgRol.colWidth(2), 200);
}

// A header longer than its field widens the column; columns wider than the frame's
// 80 cells widen the window, unless the user stored a width.
TEST_F(RolSettings, HeadersShowWholeAndTheWindowHoldsItsColumns) {
  for (const char* stored : {"", "0300"}) {
    if (*stored) common::WriteParam("par\\okna2.par", "fMemList Width", stored);
    MemList list({"a"});
    list.FieldCount = 3;
    browser::SetFieldDescriptor(list.Field(2), browser::FieldSetup().Caption("Rozvaha ").Picture("X").Initial("1"));
    browser::SetFieldDescriptor(list.Field(3), browser::FieldSetup().Caption("Popis").Picture("X").Initial(std::string(70, ' ')));
    list.Open();
    EXPECT_EQ(list.sgRol.colWidth(2), 8 * 8);
    EXPECT_EQ(list.sgRol.colWidth(3), 71 * 8);
    int columns = 0;
    for (int c = 0; c <= 3; ++c) columns += list.sgRol.colWidth(c) + list.sgRol.gridLineWidth();
    if (*stored) {
      EXPECT_EQ(list.width(), 300);
    } else {
      EXPECT_GE(list.width(), columns + 36);
    }
    list.CloseBrowse();
  }
}

// ---------------------------------------------------------------- mouse and scroll bar

TEST_F(RolMouse, HeaderClickSortsByTheColumnUnderThePointer) {
  MemList list({"a"});
  list.FieldCount = 3;
  for (int i = 2; i <= 3; ++i)
    browser::SetFieldDescriptor(list.Field(i), browser::FieldSetup().Caption("C").Picture("X").Initial("    "));
  list.Open();
  list.sgRol.SetColWidth(1, 50);
  list.sgRol.SetColWidth(2, 30);
  list.sgRol.SetColWidth(3, 30);
  EXPECT_EQ(list.HeaderColumnAt(5), 0);
  EXPECT_EQ(list.HeaderColumnAt(61), 1);
  EXPECT_EQ(list.HeaderColumnAt(62), 2);
  EXPECT_EQ(list.HeaderColumnAt(123), 3);
  EXPECT_EQ(list.HeaderColumnAt(124), 0);
  Show(list);
  backend.ClickAt(list.sgRol, 70, 3);
  backend.ClickAt(list.sgRol, 70, 3, ui::MouseButton::Right);
  backend.ClickAt(list.sgRol, 70, 3, ui::MouseButton::Right, ui::Shift::Ctrl);
  EXPECT_EQ(list.calls, (std::vector<std::string>{"SortByColumn 2", "EnableMenuItems"}));
}

TEST_F(RolMouse, ScrollBarMovesThePage) {
  MemList list(MemList::Numbered(100));
  list.Open(1);
  list.ScrollBar1.UserSetPosition(40);
  EXPECT_EQ(list.Top, 40);
  EXPECT_EQ(list.Shown(1), "Row 41");
  list.ScrollBar1.UserSetPosition(100);
  EXPECT_EQ(list.Top, 90);
  EXPECT_EQ(list.Shown(10), "Row 100");
}

TEST_F(RolMouse, PicturePanelDragIsStored) {
  MemList list(MemList::Numbered(3));
  list.Open();
  Show(list);
  list.Panel.Show();
  list.Panel.SetBounds(100, 50, 326, 576);
  backend.Drag(list.Image, {10, 10}, {40, 30});
  EXPECT_EQ(list.Panel.left(), 130);
  EXPECT_EQ(list.Panel.top(), 70);
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fMemList ImgLeft"), "000130");
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fMemList ImgTop"), "000070");
  // A press near the bottom-right corner resizes instead.
  backend.Drag(list.Image, {315, 565}, {295, 545});
  EXPECT_EQ(list.Panel.width(), 306);
  EXPECT_EQ(list.Image.width(), 300);
  EXPECT_EQ(common::ReadParam("par\\okna2.par", "fMemList ImgWidth"), "000306");
}

}  // namespace

namespace {

using RolPictures = roltest::RolTest;

TEST_F(RolPictures, TheRecordsPictureIsShownWhenThereIsOne) {
  MemList list(MemList::Numbered(3));
  list.Open();
  Show(list);
  EXPECT_EQ(list.RecordPictureFile(0), "");  // pictures are off after activation
  list.PicturesOn = true;
  EXPECT_EQ(list.RecordPictureFile(4), "000003-04.jpg");
  ui::SaveJpegFile(ui::Bitmap(8, 6, ui::colors::Red), dir / "000002-00.jpg");
  ASSERT_EQ(common::ReplaceFileContents("000001-00.jpg", "ab"), 0);
  ASSERT_EQ(common::ReplaceFileContents("000003-00.jpg", std::string(100, 'x')), 0);
  Keys("Up");
  EXPECT_TRUE(list.Panel.visible());
  EXPECT_EQ(list.Image.picture().width, 8);
  EXPECT_EQ(list.Image.bounds(), (ui::Rect{3, 3, 320, 570}));
  Keys("Up");  // two bytes are no picture
  EXPECT_FALSE(list.Panel.visible());
  Keys("Down Down");  // an unreadable file is not shown either
  EXPECT_FALSE(list.Panel.visible());
}

TEST_F(RolPictures, ScrambledPicturesAreUnscrambledInMemory) {
  common::Session& s = common::CurrentSession();
  s.ScrambleKey = "KLIC-PRO-TESTY-17";
  ui::SaveJpegFile(ui::Bitmap(5, 7, ui::colors::Blue), dir / "000001-00.jpg");
  std::string plain, scrambled;
  ASSERT_EQ(common::ReadFileText("000001-00.jpg", plain), 0);
  common::ScrambleFile("000001-00.jpg");
  ASSERT_EQ(common::ReadFileText("000001-00.jpg", scrambled), 0);
  ASSERT_NE(plain, scrambled);
  s.ScrambleOn = 1;
  MemList list(MemList::Numbered(1));
  list.Open();
  list.PicturesOn = true;
  list.ShowRecordPicture(0);
  EXPECT_TRUE(list.Panel.visible());
  EXPECT_EQ(list.Image.picture().height, 7);
  std::string after;
  ASSERT_EQ(common::ReadFileText("000001-00.jpg", after), 0);
  EXPECT_EQ(after, scrambled);  // the stored picture stays scrambled
  EXPECT_FALSE(std::filesystem::exists(dir / "a.jpg"));  // and no plain copy is left
}

TEST_F(RolPictures, HelpLineAndScrollBarGiveTheKeysBack) {
  MemList list(MemList::Numbered(3));
  list.Open();
  Show(list);
  list.FocusControl(&list.lHelp);
  EXPECT_EQ(list.activeControl(), &list.sgRol);
  list.FocusControl(&list.ScrollBar1);
  Keys("Esc");
  EXPECT_EQ(list.Current, -1);
  EXPECT_TRUE(list.closeRequested());
  EXPECT_FALSE(list.visible());
}

}  // namespace
