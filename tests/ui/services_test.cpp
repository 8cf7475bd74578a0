// Timers on the virtual clock, message boxes, dialogs, printing and snapshots.
#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/encoding.h"
#include "ui/headless/headless.h"

namespace ui {
namespace {

using namespace common::literals;
using headless::Answer;
using headless::HeadlessBackend;
using headless::HeadlessError;

TEST(UiTimers, TenSecondTimerFiresThreeTimesInThirtySeconds) {
  HeadlessBackend h;
  Form f("Watch");
  auto& t = f.AddTimer("Timer1", 10000);
  std::vector<std::int64_t> at;
  t.onTimer = [&](Timer&) { at.push_back(NowMs()); };
  t.Start();
  h.Advance(9999);
  EXPECT_TRUE(at.empty());
  h.Advance(20001);
  EXPECT_EQ(at, (std::vector<std::int64_t>{10000, 20000, 30000}));
  // The layer's clock is the program's clock.
  EXPECT_EQ(common::MonotonicMs(), 30000);
}

TEST(UiTimers, OneShotRestartAndStopFromTheHandler) {
  HeadlessBackend h;
  Form f("Timers");
  auto& once = f.AddTimer("TimerError", 100);
  auto& blink = f.AddTimer("Timer2", 300);
  int onceTicks = 0, blinkTicks = 0;
  once.onTimer = [&](Timer& t) { ++onceTicks; t.Stop(); };
  blink.onTimer = [&](Timer& t) {
    if (++blinkTicks == 2) t.SetInterval(1000);  // a new period from now
  };
  once.Start();
  blink.Start();
  h.Advance(650);
  EXPECT_EQ(onceTicks, 1);
  EXPECT_EQ(blinkTicks, 2);  // at 300 and 600
  h.Advance(949);            // 1600 is the next
  EXPECT_EQ(blinkTicks, 2);
  h.Advance(1);
  EXPECT_EQ(blinkTicks, 3);
  once.Start();  // started again: 100 ms from now
  h.Advance(99);
  EXPECT_EQ(onceTicks, 1);
  h.Advance(1);
  EXPECT_EQ(onceTicks, 2);
}

TEST(UiTimers, ZeroIntervalAndDestroyedTimers) {
  HeadlessBackend h;
  auto f = std::make_unique<Form>("Wait");
  auto& t = f->AddTimer("Timer1", 0);
  int ticks = 0;
  t.onTimer = [&](Timer& self) { ++ticks; self.Stop(); };
  t.Start();
  h.Advance(1);
  EXPECT_EQ(ticks, 1);
  t.Start();
  f.reset();  // the form and its timer go away while scheduled
  h.Advance(10);
  EXPECT_EQ(ticks, 1);
}

TEST(UiTimers, TimedWaitClosesItsModalForm) {
  HeadlessBackend h;
  Form wait("TfCekej");
  auto& timer = wait.AddTimer("Timer1", 500);
  timer.onTimer = [&](Timer& t) { t.Stop(); wait.Close(); };
  wait.onShow = [&](Form&) { timer.Start(); };
  h.OnModal("TfCekej", [&](Form&) { h.Advance(500); });
  EXPECT_EQ(wait.ShowModal(), mr::Cancel);
  EXPECT_EQ(NowMs(), 500);
}

TEST(UiMessages, RecordedAnsweredAndDefaulted) {
  HeadlessBackend h;
  h.QueueButton(mr::No);
  EXPECT_FALSE(AskYesNo("Smazat?"_cz, "Dotaz"));
  ShowMessage("Dělení nulou"_cz);
  EXPECT_TRUE(AskYesNo("Znovu?"));  // nobody answers: the first button
  ASSERT_EQ(h.messages().size(), 3u);
  EXPECT_EQ(h.messages()[0].answer, mr::No);
  EXPECT_TRUE(h.messages()[0].answered);
  EXPECT_EQ(h.messages()[1].text, "Dělení nulou"_cz);
  EXPECT_FALSE(h.messages()[2].answered);
  EXPECT_EQ(h.journal()[1], "message \"Dělení nulou\" -> ok (default)");
  h.QueueButton(mr::Yes);
  EXPECT_THROW(ShowMessage("x"), HeadlessError);  // "yes" does not fit an OK box
  h.onMessage = [](const headless::MessageRecord& m) { return m.buttons == MsgButtons::YesNo ? mr::No : mr::None; };
  EXPECT_FALSE(AskYesNo("?"));
}

TEST(UiDialogs, AnswersOfTheirKindOrCancel) {
  HeadlessBackend h;
  Font font;
  h.QueueAnswer(headless::ParseAnswer("font \"Courier New\" 12 bold #FF0000"));
  ASSERT_TRUE(ChooseFont(font));
  EXPECT_EQ(font.name, "Courier New");
  EXPECT_EQ(font.size, 12);
  EXPECT_TRUE(font.bold);
  EXPECT_EQ(font.color, colors::Red);
  Color c = colors::White;
  EXPECT_FALSE(ChooseColor(c));  // nothing queued: cancelled
  EXPECT_EQ(c, colors::White);
  h.QueueAnswer(headless::ParseAnswer("colour #000080"));
  ASSERT_TRUE(ChooseColor(c));
  EXPECT_EQ(c, colors::Navy);
  h.QueueAnswer(Answer::ColorAnswer(colors::Red));
  FileDialogRequest file{"Soubor", "/tmp", "", "*.txt"};
  EXPECT_THROW(ChooseOpenFile(file), HeadlessError);
  h.QueueAnswer(Answer::PrinterAnswer("Nowhere"));
  EXPECT_THROW(ChoosePrinter(), HeadlessError);
  h.printers.push_back("PDF");
  h.QueueAnswer(Answer::PrinterAnswer("PDF"));
  EXPECT_TRUE(ChoosePrinter());
  EXPECT_EQ(CurrentPrinter(), "PDF");
  EXPECT_THROW(headless::ParseAnswer("maybe"), HeadlessError);
  EXPECT_THROW(headless::ParseAnswer("font Arial big"), HeadlessError);
}

TEST(UiPrinting, CanvasRecordsPagesTextAndPictures) {
  HeadlessBackend h;
  {
    auto p = BeginPrint("Výpis"_cz);
    p->font.name = "Courier";
    p->font.size = 10;
    p->TextOut(100, 200, "Žluťoučký"_cz);
    p->TextOut(100, 300, "kůň"_cz);
    EXPECT_TRUE(p->StretchDraw({10, 20, 300, 400}, Bitmap(30, 40)));
    EXPECT_FALSE(p->StretchDraw({10, 20, 300, 400}, Bitmap()));
    p->NewPage();
    EXPECT_EQ(p->PageNumber(), 2);
    p->EndDoc();
    EXPECT_THROW(p->TextOut(0, 0, "late"), HeadlessError);
  }
  { auto dropped = BeginPrint("Nic"); }  // never ended: aborted
  ASSERT_EQ(h.printJobs().size(), 2u);
  const auto& job = h.printJobs()[0];
  EXPECT_EQ(job.ops, (std::vector<std::string>{"page 1", "font Courier 10 #000000", "text 100,200 Žluťoučký",
                                               "text 100,300 kůň", "picture 10,20 300x400 from 30x40", "page 2",
                                               "end"}));
  EXPECT_TRUE(h.printJobs()[1].aborted);
  EXPECT_EQ(h.journal().back(), "print aborted: Nic");
}

TEST(UiSnapshot, ShowsVisibleControlsGridAndFocus) {
  HeadlessBackend h;
  Form f("TfTest");
  f.SetCaption("Číselník"_cz);
  auto& grid = f.Add<Grid>("sgRol");
  grid.SetColCount(3);
  grid.SetRowCount(3);
  grid.SetCell(1, 0, "Kód"_cz);
  grid.SetCell(2, 0, "Název"_cz);
  grid.SetCell(0, 1, "\x11");
  grid.SetCell(1, 1, "001");
  grid.SetCell(2, 1, "Praha");
  grid.SetCell(1, 2, "002");
  grid.SetCell(2, 2, "Brno");
  grid.SetRow(2);
  auto& e = f.Add<Edit>("eHled");
  e.SetEnabled(false);
  e.SetText("Ř"_cz);
  f.Add<Label>("lHidden").Hide();
  auto& list = f.Add<ListBox>("ListBox1");
  list.SetItems({"\\.", "\\.."});
  list.SetItemIndex(1);
  h.AnswerNextModal([&](Form& form) {
    EXPECT_EQ(headless::Snapshot(form),
              "form TfTest \"Číselník\" modal\n"
              "  grid sgRol 3x3 row=2 col=1 focused\n"
              "     ||Kód|Název|\n"
              "     |◄|001|Praha|\n"
              "    >||002|Brno|\n"
              "  edit eHled \"Ř\" disabled\n"
              "  list ListBox1 index=1\n"
              "     \\.\n"
              "    >\\..\n");
    form.Close();
  });
  f.ShowModal();
}

}  // namespace
}  // namespace ui
