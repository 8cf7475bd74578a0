// Print with the stamp on the page window, the control-by-control print of a window
// and its snapshots, checked on the recording printer (600 dpi: PrinterScaleX 6).
#include "tests/reports/reportkit.h"

#include <algorithm>

#include "common/dirs.h"
#include "common/fileops.h"
#include "common/winpath.h"
#include "reports/formimage.h"
#include "reports/specialforms.h"
#include "reports/stamp.h"
#include "ui/bitmap.h"
#include "ui/keys.h"

namespace reporttest {
namespace {

using reports::LinesSource;

class StampPrint : public ReportTest {
 protected:
  reports::TfStranka& page = reports::fStranka();

  const std::vector<std::string>& Ops(std::size_t job) const { return backend.printJobs().at(job).ops; }
  static int CountOps(const std::vector<std::string>& ops, const std::string& prefix) {
    return static_cast<int>(std::count_if(ops.begin(), ops.end(), [&](const std::string& o) { return o.starts_with(prefix); }));
  }
  static bool Has(const std::vector<std::string>& ops, const std::string& op) {
    return std::find(ops.begin(), ops.end(), op) != ops.end();
  }
  void Picture(const std::string& name, int w, int h, ui::Color c = ui::colors::Black) {
    ui::SaveBmpFile(ui::Bitmap(w, h, c), Path(name));
  }
  void Print(std::vector<std::string> lines) {
    for (std::string& l : lines) l = Cz(l);
    LinesSource source(std::move(lines));
    reports::PozriPrintWithStamp(source);
  }
};

TEST_F(StampPrint, StampMarkAtCharacterThirtyPutsThePictureAt240AndCutsTheLine) {
  Picture("podpis.bmp", 50, 20);
  const std::string line = std::string(29, 'x') + "..... razítko ....." + std::string(81, '-') + "tail";
  page.StampPageStart();
  page.StampPageAddLine(Cz(line));
  EXPECT_TRUE(page.iRazitko.visible());
  EXPECT_EQ(page.iRazitko.left(), 240);
  EXPECT_EQ(page.iRazitko.top(), 16);
  ASSERT_EQ(page.LabelCount(), 1);
  EXPECT_EQ(page.Labels()[0]->name(), "l0001");
  EXPECT_EQ(page.Labels()[0]->text(), std::string(29, 'x') + "tail");  // 100 characters from the mark are gone
  EXPECT_EQ(page.Labels()[0]->top(), 16 + 20 + 12);
  EXPECT_EQ(page.Labels()[0]->font().name, "Courier New");
  EXPECT_EQ(page.Labels()[0]->font().size, 10);
  page.StampPageFlush();
  ASSERT_EQ(backend.printJobs().size(), 1u);
  const auto& ops = Ops(0);
  EXPECT_TRUE(Has(ops, "picture 1441,97 300x120 from 50x20")) << ops.size();
  EXPECT_TRUE(Has(ops, "text 121,289 " + std::string(29, 'x') + "tail"));
  EXPECT_TRUE(backend.printJobs()[0].ended);
  EXPECT_FALSE(page.iRazitko.visible());
  EXPECT_EQ(page.LabelCount(), 0);
}

TEST_F(StampPrint, QrPictureTakesItsPlaceAndBothPicturesLeaveWithThePage) {
  Picture("QRT.bmp", 30, 30);
  Put("podpis.bmp", "BM");  // two bytes: the mark stays text
  page.StampPageStart();
  page.StampPageAddLine("abc..... QRT .....");
  page.StampPageAddLine(Cz("..... razítko ....."));
  EXPECT_TRUE(page.IQRT.visible());
  EXPECT_EQ(page.IQRT.left(), 32);
  EXPECT_EQ(page.IQRT.top(), 16);
  EXPECT_EQ(page.Labels()[0]->text(), "abc");
  EXPECT_EQ(page.Labels()[1]->text(), Cz("..... razítko ....."));
  EXPECT_EQ(page.Labels()[1]->top(), 16 + 105 + 12 + 12);
  EXPECT_FALSE(page.iRazitko.visible());
  page.StampPageFlush();
  EXPECT_FALSE(page.IQRT.visible());
}

TEST_F(StampPrint, CondensedLinesAndTheDensitySetting) {
  page.StampPageStart();
  page.StampPageAddLine("\x0f" "small");
  EXPECT_EQ(page.Labels()[0]->font().size, 7);
  EXPECT_EQ(page.Labels()[0]->text(), "small");
  EXPECT_EQ(page.LineStep, 9);
  EXPECT_EQ(page.Labels()[0]->top(), 9);
  page.StampPageAddLine("\x12" "big");
  EXPECT_EQ(page.Labels()[1]->font().size, 10);
  EXPECT_EQ(page.Labels()[1]->top(), 9 + 12);
  common::WriteParam("REGISTRY.DTA", "Hustota", " 3");
  page.StampPageStart();
  EXPECT_EQ(page.Density, "cond");
  EXPECT_EQ(page.LabelCount(), 0);
}

TEST_F(StampPrint, SeventyFiveLinesGiveTwoPrintsAndFormFeedsFlush) {
  Print(Numbered(75));
  ASSERT_EQ(backend.printJobs().size(), 2u);
  EXPECT_EQ(CountOps(Ops(0), "text "), 70);
  EXPECT_EQ(CountOps(Ops(1), "text "), 5);
  EXPECT_EQ(Ops(1)[2], "text 121,73 Line 71");  // a new page starts at the top
  backend.ClearRecords();
  Print({"a", "\fpage two", "b", "\f"});
  ASSERT_EQ(backend.printJobs().size(), 2u);
  EXPECT_EQ(CountOps(Ops(0), "text "), 1);
  EXPECT_EQ(CountOps(Ops(1), "text "), 1);  // the form-feed line itself is not printed
  backend.ClearRecords();
  Print({});
  EXPECT_TRUE(backend.printJobs().empty());
}

TEST_F(StampPrint, APrinterThatCannotBeOpenedEndsThePrintWithOneMessage) {
  struct NoPrinter : ui::headless::HeadlessBackend {
    std::unique_ptr<ui::PrinterCanvas> BeginPrint(const std::string&, ui::PageOrientation) override {
      throw std::runtime_error("printer offline");
    }
  } offline;
  Print(Numbered(150));
  ASSERT_EQ(offline.messages().size(), 1u);
  EXPECT_EQ(offline.messages()[0].text, "printer offline");
  EXPECT_EQ(page.LabelCount(), 0);
  page.StampPageStart();  // a new print tries again
  page.StampPageAddLine("x");
  page.StampPageFlush();
  EXPECT_EQ(offline.messages().size(), 2u);
}

TEST_F(StampPrint, ShiftF10InTheViewerPrintsFromTheCurrentLine) {
  Report("R", 20, Numbered(5));
  reports::TfPozri& v = reports::fPozri();
  backend.AnswerNextModal([&](ui::Form&) {
    backend.PressKeys("Down Down Shift+F10");
    backend.QueueAnswer(ui::headless::Answer::MenuAnswer("Tisksraztkem1"));
    backend.RightClick(v.sgRol);
    backend.Press(ui::vk::Esc);
  });
  browser::PrintReport("R");
  ASSERT_EQ(backend.printJobs().size(), 2u);
  EXPECT_EQ(CountOps(Ops(0), "text "), 3);
  EXPECT_EQ(Ops(0)[2], "text 121,73 Line 3");
}

// ---------------------------------------------------------------- PrintFormImage

class FormImage : public StampPrint {};

TEST_F(FormImage, TagsChooseTheCellsOfEachCharacter) {
  ui::Form f("fModel");
  f.SetCaption("Model");
  const auto label = [&](const char* name, int tag, int top) -> ui::Label& {
    ui::Label& l = f.Add<ui::Label>(name);
    l.SetBounds(10, top, 100, 13);
    l.SetFont(ui::Font{"Arial", 12});
    l.SetText("ab");
    l.tag = tag;
    return l;
  };
  label("l0", 0, 10);
  label("l10", 10, 20);
  label("l20", 20, 30);
  label("l30", 30, 40);
  label("l2010", 2000010, 50);
  ui::Edit& e = f.Add<ui::Edit>("e");
  e.SetBounds(10, 60, 100, 20);
  e.SetText("xy");
  e.tag = 30;
  ui::Memo& m = f.Add<ui::Memo>("m");
  m.SetBounds(200, 10, 100, 100);
  m.SetLines({"one", "two"});
  ui::Label& hidden = label("hidden", 0, 70);
  hidden.Hide();
  ui::Image& img = f.Add<ui::Image>("img");
  img.SetBounds(300, 300, 10, 10);
  img.SetPicture(ui::Bitmap(4, 3));
  ASSERT_TRUE(reports::PrintFormImage(f, 5, 7, 0.5, 2.0));
  ASSERT_EQ(backend.printJobs().size(), 1u);
  const auto& ops = Ops(0);
  // x = left * 6 * 0.5 + 5 = 35; y = top * 6 * 2 + 7.
  EXPECT_TRUE(Has(ops, "text 35,127 ab"));                       // tag 0: the whole text
  EXPECT_TRUE(Has(ops, "text 35,247 a") && Has(ops, "text 71,247 b"));  // 1: font size 12 * 6 * 0.5
  EXPECT_TRUE(Has(ops, "text 185,367 b"));                       // 2: ScaledUnit50 300 * 0.5
  EXPECT_TRUE(Has(ops, "text 95,487 b"));                        // 3: ScaledUnit20 120 * 0.5
  EXPECT_TRUE(Has(ops, "text 95,607 b"));                        // 1 with cell 20: 20 * 6 * 0.5
  EXPECT_TRUE(Has(ops, "text 95,727 y"));
  EXPECT_TRUE(Has(ops, "text 605,127 one") && Has(ops, "text 605,367 two"));  // memo lines 20 apart
  EXPECT_TRUE(Has(ops, "picture 905,3607 12x36 from 4x3"));
  EXPECT_EQ(CountOps(ops, "text "), 1 + 2 + 2 + 2 + 2 + 2 + 2);
  EXPECT_GT(CountOps(ops, "font Arial 12"), 0);
}

TEST_F(FormImage, TheCencTiskSettingReannouncesThePrinterFirst) {
  backend.printers = {"A", "B"};
  ASSERT_TRUE(ui::SetCurrentPrinter("B"));
  common::CurrentSession().CencTisk = 1;
  ui::Form f("fModel");
  f.Add<ui::Label>("l").SetText("x");
  backend.ClearRecords();
  reports::PrintFormImage(f, 0, 0, 1, 1);
  EXPECT_EQ(backend.printJobs().at(0).printer, "B");  // announced anew, and still the current one
}

// ---------------------------------------------------------------- snapshots

class Snapshot : public StampPrint {
 protected:
  // A form of the given client size whose last control reaches `bottom`.
  std::unique_ptr<ui::Form> Model(int w, int h, int bottom) {
    auto f = std::make_unique<ui::Form>("fSnap");
    f->SetClientSize(w, h);
    f->SetColor(ui::colors::White);
    ui::Image& top = f->Add<ui::Image>("top");
    top.SetBounds(0, 0, 40, 40);
    top.SetPicture(ui::Bitmap(40, 40, ui::Rgb(0, 0, 255)));
    ui::Image& low = f->Add<ui::Image>("low");
    low.SetBounds(0, bottom - 40, 40, 40);
    low.SetPicture(ui::Bitmap(40, 40, ui::Rgb(255, 0, 0)));
    return f;
  }
  ui::Bitmap Jpeg(const std::string& name) { return ui::LoadJpegFile(Path(name)); }
};

TEST_F(Snapshot, ShortAndTallWindows) {
  auto small = Model(400, 300, 300);
  reports::FormSnapshot(*small, "s.jpg", 0);
  EXPECT_EQ(Jpeg("s.jpg").width, 400);
  EXPECT_EQ(Jpeg("s.jpg").height, 300);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).back(), Cz("Snímek je hotov"));
  reports::FormSnapshot(*small, "f.jpg", 1);  // fit: at least 600 high
  EXPECT_EQ(Jpeg("f.jpg").height, 600 - ui::kFrameHeight);
  EXPECT_TRUE(Exists("a.bmp"));

  auto tall = Model(800, 900, 900);
  reports::FormSnapshot(*tall, "t.jpg", 0);
  EXPECT_EQ(Jpeg("t.jpg").width, 800);
  EXPECT_EQ(Jpeg("t.jpg").height, 900);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).back(),
            Cz("Klikněte prosím a čekejte na zpracování obrázku"));
}

TEST_F(Snapshot, ATallWindowIsJoinedFromTwoScreens) {
  backend.workArea = {0, 0, 1280, 520};
  auto tall = Model(800, 900, 900);
  reports::FormSnapshot(*tall, "t.jpg", 0);
  EXPECT_EQ(tall->height(), 500);  // fitted to the work area less 20
  EXPECT_EQ(tall->scrollPos().y, 0);
  const ui::Bitmap b = Jpeg("t.jpg");
  ASSERT_EQ(b.width, 800);
  ASSERT_EQ(b.height, 900);
  const ui::Color top = b.Pixel(20, 20), low = b.Pixel(20, 880), mid = b.Pixel(400, 600);
  EXPECT_GT(ui::BlueOf(top), 200);
  EXPECT_GT(ui::RedOf(low), 200);   // the second screen's rows below the first
  EXPECT_LT(ui::GreenOf(low), 60);
  EXPECT_GT(ui::GreenOf(mid), 200);  // white between
}

TEST_F(Snapshot, ScrambledSnapshotRoundTrips) {
  Scrambled(true);
  auto small = Model(300, 200, 200);
  reports::FormSnapshot(*small, "s.jpg", 0);
  const std::string stored = Bytes("s.jpg");
  EXPECT_NE(stored.substr(0, 2), "\xFF\xD8");
  const std::string plain = common::UnscrambleBlocks(stored);
  const ui::Bitmap b = ui::DecodeJpeg(std::span(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size()));
  EXPECT_EQ(b.width, 300);
  EXPECT_EQ(b.height, 200);
}

TEST_F(Snapshot, TheViewersHiddenFotoItemWritesIntoDokladyx) {
  Report("R", 20, Numbered(3));
  reports::TfPozri& v = reports::fPozri();
  backend.AnswerNextModal([&](ui::Form&) {
    EXPECT_FALSE(v.miFoto.visible);
    v.miFoto.onClick(v.miFoto);
    backend.Press(ui::vk::Esc);
  });
  browser::PrintReport("R");
  const ui::Bitmap b = ui::LoadJpegFile(common::RealPath(common::DataDir("DOKLADYx\\AAA.jpg")));
  EXPECT_GT(b.width, 0);
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::Message).back(), "Hotovo");
}

}  // namespace
}  // namespace reporttest
