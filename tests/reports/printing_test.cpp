// The print engines on a recording printer and on port files, the text channel,
// the raw ports and the spooler drop file.
#include "tests/reports/reportkit.h"

#include <filesystem>
#include <set>

#include "common/codepages.h"
#include "common/text.h"
#include "common/winpath.h"
#include "reports/printing.h"
#include "ui/headless/printer.h"
#include "ui/printing.h"

namespace reporttest {
namespace {

using namespace reports;

// A report in memory with marks, a current line and a block.
struct MemSource : PrintSource {
  std::vector<std::string> lines;
  std::set<std::int32_t> marks;
  std::int32_t current = 1, blockBegin = 0, blockEnd = 0;
  std::int32_t LineCount() override { return static_cast<std::int32_t>(lines.size()); }
  std::string PlainLine(std::int32_t n) override { return lines.at(static_cast<std::size_t>(n - 1)); }
  bool IsMarked(std::int32_t n) override { return marks.count(n) > 0; }
  void Unmark(std::int32_t n) override { marks.erase(n); }
  std::int32_t MarkedCount() override { return static_cast<std::int32_t>(marks.size()); }
  void ClearMarks() override { marks.clear(); }
  std::int32_t CurrentLine() override { return current; }
  std::int32_t BlockBegin() override { return blockBegin; }
  std::int32_t BlockEnd() override { return blockEnd; }
};

class PrintEngine : public ReportTest {
 protected:
  // Prints on a recording printer; the texts of each page, the margin and blank-only texts left out.
  std::vector<std::vector<std::string>> Pages(MemSource& src, const PrintSettings& s) {
    printer_.reset();
    job = {};
    printer_ = std::make_unique<ui::headless::RecordingPrinter>(job, [](const std::string&) {});
    PrintOnCanvas(src, *printer_, s);
    printer_->EndDoc();
    std::vector<std::vector<std::string>> pages;
    for (const std::string& op : job.ops) {
      if (op.rfind("page ", 0) == 0) pages.emplace_back();
      if (op.rfind("text ", 0) == 0) {
        const std::string text = op.substr(op.find(' ', 5) + 1);
        if (text.find_first_not_of(' ') != std::string::npos) pages.back().push_back(text);
      }
    }
    return pages;
  }
  std::vector<std::string> Ops(const std::string& prefix) const {
    std::vector<std::string> v;
    for (const std::string& op : job.ops)
      if (op.rfind(prefix, 0) == 0) v.push_back(op);
    return v;
  }
  ui::headless::PrintJob job;
  std::unique_ptr<ui::headless::RecordingPrinter> printer_;
};

TEST_F(PrintEngine, MarkedLinesOnlyWhateverTheCurrentLine) {
  MemSource src;
  for (int i = 1; i <= 12; ++i) src.lines.push_back("Line " + std::to_string(i) + "   ");
  src.marks = {3, 7};
  src.current = 10;
  EXPECT_EQ(Pages(src, {}), (std::vector<std::vector<std::string>>{{"Line 3", "Line 7"}}));
  src.marks.clear();
  EXPECT_EQ(Pages(src, {}).back(), (std::vector<std::string>{"Line 10", "Line 11", "Line 12"}));
}

TEST_F(PrintEngine, MidLineSwitchChangesTheFontAtTheRightPlace) {
  Put("norm.fnt", "Height : -50\r\n" + std::string(200, ' ') + "\r\n");
  Put("cond.fnt", "Height : -30\r\nWeight : 700\r\n");
  MemSource src;
  src.lines = {"abc\x0f" "def", "ghi"};
  Pages(src, {});
  const auto fonts = Ops("font ");
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_NE(fonts[0].find("height -100"), std::string::npos);
  EXPECT_NE(fonts[1].find("height -60 weight 700"), std::string::npos);
  const auto texts = Ops("text ");
  // 0.6 of 100 pixels per character: "def" starts at 3 x 60; the switch holds on the next line.
  EXPECT_EQ(texts, (std::vector<std::string>{"text 0,0 abc", "text 180,0 def", "text 0,60 ghi"}));
}

// A line of the density's characters is never cut: with no font file the size fills the
// page's width; a described font that would run past it is made smaller; one that fits stays.
TEST_F(PrintEngine, EachDensityLineFitsThePrintableWidth) {
  const struct {
    int density;
    std::string file, fnt;  // fnt empty: no font file
    int height;             // 0: any that fills at least 95 % of the width
  } cases[] = {
      {1, "", "", 0},
      {2, "", "", 0},
      {3, "", "", 0},
      {3, "cond.fnt", "Height : -80\r\nFaceName : Lucida Console\r\n", 0},
      {3, "cond.fnt", "Height : -30\r\n", -60},
  };
  for (const auto& c : cases) {
    FlushParams();  // the font files are read through the parameter cache
    for (const char* f : {"norm.fnt", "12zn.fnt", "cond.fnt"}) std::filesystem::remove(dir / f);
    if (!c.file.empty()) Put(c.file, c.fnt);
    const int characters = c.density == 1 ? 80 : c.density == 2 ? 100 : 130;
    MemSource src;
    src.lines = {std::string(static_cast<std::size_t>(characters), 'x')};
    PrintSettings s;
    s.density = c.density;
    Pages(src, s);
    const auto fonts = Ops("font ");
    ASSERT_EQ(fonts.size(), 1u) << c.density;
    const std::size_t at = fonts[0].find(" height ");
    ASSERT_NE(at, std::string::npos) << fonts[0];
    printer_->font.pixelHeight = std::stoi(fonts[0].substr(at + 8));
    const int wide = printer_->TextWidth(src.lines[0]);
    EXPECT_LE(wide, printer_->PageWidth()) << c.density << " " << c.fnt;
    if (c.height != 0) {
      EXPECT_EQ(printer_->font.pixelHeight, c.height) << c.fnt;
    } else {
      EXPECT_GE(wide, printer_->PageWidth() * 95 / 100) << c.density << " " << c.fnt;
    }
  }
}

// Where each text of the print ends, in the font it was printed with.
std::vector<int> TextReaches(const std::vector<std::string>& ops, ui::PrinterCanvas& printer) {
  std::vector<int> reaches;
  for (const std::string& op : ops) {
    if (op.rfind("font ", 0) == 0) {
      const std::size_t at = op.find(" height ");
      printer.font.pixelHeight = at == std::string::npos ? 0 : std::stoi(op.substr(at + 8));
    } else if (op.rfind("text ", 0) == 0) {
      const std::size_t comma = op.find(','), blank = op.find(' ', 5);
      const std::string text = op.substr(blank + 1);
      reaches.push_back(std::stoi(op.substr(5, comma - 5)) + printer.TextWidth(common::StripRightSp(text)));
    }
  }
  return reaches;
}

// A line wider than the density's line makes every face smaller by one factor, so that
// the widest line (margin and pieces after a switch counted) ends within the page; a
// print whose lines fit keeps the faces the density gives.
TEST_F(PrintEngine, TheWidestLineShrinksTheFacesUntilItFits) {
  MemSource src;
  src.lines = {std::string(132, 'w') + "    ", std::string(40, 's'),
               std::string(70, 'n') + "\x0f" + std::string(100, 'c') + "\x12"};
  PrintSettings s;
  s.tab = 6;
  s.density = 1;
  Pages(src, s);
  const int room = printer_->PageWidth();
  const std::vector<int> reaches = TextReaches(job.ops, *printer_);
  ASSERT_EQ(reaches.size(), 7u);  // the margin and the text of each line, the third in two pieces
  int widest = 0;
  for (int r : reaches) widest = std::max(widest, r);
  EXPECT_LE(widest, room);
  EXPECT_GE(widest, room * 95 / 100);  // smaller by as much as needed, no more
  const auto fonts = Ops("font ");
  ASSERT_GE(fonts.size(), 2u);
  // Lines that fit keep the density's face.
  src.lines = {std::string(40, 's')};
  Pages(src, s);
  const auto narrow = Ops("font ");
  ASSERT_EQ(narrow.size(), 1u);
  printer_->font.pixelHeight = std::stoi(narrow[0].substr(narrow[0].find(" height ") + 8));
  EXPECT_GE(printer_->TextWidth(std::string(80, 'x')), room * 95 / 100);
  EXPECT_NE(narrow[0], fonts[0]);
}

TEST_F(PrintEngine, MarginStandsAtTheLineStartInTheNormFont) {
  MemSource src;
  src.lines = {"ab\x0f" "cd"};
  PrintSettings s;
  s.tab = 2;
  s.density = 3;
  Pages(src, s);
  const auto texts = Ops("text ");
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].substr(0, 9), "text 0,0 ");  // the margin first
  EXPECT_EQ(texts[1].substr(texts[1].size() - 2), "ab");
}

TEST_F(PrintEngine, ExtraCopiesRepeatEachPageInTurn) {
  MemSource src;
  src.lines = {"Page one a", "Page one b", "\f", "Page two"};
  PrintSettings s;
  s.copies = 2;
  const auto pages = Pages(src, s);
  const std::vector<std::string> one = {"Page one a", "Page one b"}, two = {"Page two"};
  EXPECT_EQ(pages, (std::vector<std::vector<std::string>>{one, one, one, two, two, two}));
  EXPECT_TRUE(Exists("tisk.txt"));
  EXPECT_EQ(Bytes("tisk.txt"), "");  // made anew after the last page's copies
}

TEST_F(PrintEngine, TopLinesStartEveryPage) {
  MemSource src;
  src.lines = {"first", "\f", "second"};
  PrintSettings s;
  s.topLines = 2;
  Pages(src, s);
  // No font file: 80 characters across 4960 pixels, 101 pixels a line; the form-feed line takes one itself.
  EXPECT_EQ(Ops("text "), (std::vector<std::string>{"text 0,202 first", "text 0,303 second"}));
  EXPECT_EQ(Ops("page ").size(), 2u);
}

TEST_F(PrintEngine, AReportThatBeginsWithAFormFeedStartsNoEmptySheet) {
  MemSource src;
  src.lines = {"\f", "head", "\f", "next"};
  EXPECT_EQ(Pages(src, {}), (std::vector<std::vector<std::string>>{{"head"}, {"next"}}));
}

TEST_F(PrintEngine, PrintsThroughTheCurrentPrinterWithTheNotice) {
  MemSource src;
  src.lines = {"only line"};
  common::CurrentSession().CencTisk = 1;
  backend.printers = {"A", "Headless"};
  PozriPrintReport(src, "R.TXT");
  ASSERT_EQ(backend.printJobs().size(), 1u);
  EXPECT_TRUE(backend.printJobs()[0].ended);
  EXPECT_EQ(ui::CurrentPrinter(), "Headless");
  EXPECT_EQ(common::CurrentSession().PrintDpiX, 600);
  MemSource empty;
  PozriPrintReport(empty, "E.TXT");
  EXPECT_EQ(backend.printJobs().size(), 1u);
}

class TextChannel : public ReportTest {};

TEST_F(TextChannel, ContinuesLinesAndBreaksPages) {
  ui::headless::PrintJob job;
  ui::headless::RecordingPrinter printer(job, [](const std::string&) {});
  printer.font.pixelHeight = -1000;  // 7 lines to a 7016-pixel page
  reports::TextChannel channel(printer);
  channel.Write("ab");
  channel.Write("cd");
  channel.EndLine();
  for (int i = 0; i < 7; ++i) {
    channel.Write("x");
    channel.EndLine();
  }
  channel.Write("y\fz");
  printer.EndDoc();
  EXPECT_EQ(job.ops[2], "text 0,0 ab");
  EXPECT_EQ(job.ops[3], "text 1200,0 cd");
  EXPECT_EQ(job.pages, 3);
  EXPECT_EQ(job.ops[job.ops.size() - 2], "text 0,0 z");
}

class LinePrint : public ReportTest {
 protected:
  std::string Print(MemSource& src, const PrintSettings& s) {
    RawPort port;
    EXPECT_EQ(port.Open(1), 0);
    PrintToPort(src, port, s);
    EXPECT_EQ(port.Close(), 0);
    const std::string bytes = Bytes("LPT1.prn");
    std::filesystem::remove(dir / "LPT1.prn");
    return bytes;
  }
};

TEST_F(LinePrint, DensityCodeFirstThenMarginsPerMode) {
  MemSource src;
  src.lines = {"ab   "};
  PrintSettings s;
  s.tab = 4;
  struct Case {
    int density;
    std::string bytes;
  } cases[] = {
      {3, "\x0f        ab\r\n"},
      {1, "\x12    ab\r\n"},
      {0, "\x12    ab\r\n"},
      {2, "\x1bM  ab\r\n"},
      {7, "    ab\r\n"},
  };
  for (const Case& c : cases) {
    s.density = c.density;
    EXPECT_EQ(Print(src, s), c.bytes) << c.density;
  }
}

TEST_F(LinePrint, SwitchesSupleSmikFormFeedAndMarks) {
  Put("suple.txt", "SUP");
  Put("2/EPSON.dst", "INIT 27 64\r\nNORM 18\r\nCOND 15\r\n");
  MemSource src;
  src.lines = {"a\x07" "b\x10" "c", "x\x0f" "y", "skipped", "last"};
  src.marks = {1, 2, 4};
  PrintSettings s;
  s.printer = "EPSON";
  s.tab = 2;
  s.formFeedAtEnd = true;
  EXPECT_EQ(Print(src, s), "\x1b@\x12  aSUPbc\r\n  x\x0fy\r\n    last\r\n\f");
  EXPECT_TRUE(src.marks.empty());
  std::filesystem::remove(dir / "suple.txt");
  src.lines = {"a\x07" "b"};
  src.current = 1;
  s.formFeedAtEnd = false;
  EXPECT_EQ(Print(src, s), "\x1b@\x12  a\x07" "b\r\n");
}

TEST_F(LinePrint, CopiesOfEachPageAndKamenickyText) {
  MemSource src;
  src.lines = {Cz("Řádek"), "\f", "two"};
  PrintSettings s;
  s.copies = 1;
  s.diakTisk = "K";
  const std::string row = common::Cp1250ToKamenicky(Cz("Řádek"));
  EXPECT_EQ(Print(src, s), "\x12" + row + "\r\n\f" + row + "\r\n\f\r\ntwo\r\n\f\r\ntwo\r\n");
}

class RawPortTest : public ReportTest {};

TEST_F(RawPortTest, PortsMapToFilesCommandsOrTheDefaultFile) {
  EXPECT_EQ(RawPort::TargetOf(1), "LPT1.prn");
  EXPECT_EQ(SendToPort(1, "ab"), 0);
  EXPECT_EQ(SendToPort(1, "\f"), 0);
  EXPECT_EQ(Bytes("LPT1.prn"), "ab\f");  // appended, as a port takes its pieces
  common::WriteParam("sys.par", "LPT2", dir / "out/port2.bin");
  EXPECT_EQ(SendToPort(2, "x"), 3);  // a missing folder
  std::filesystem::create_directories(dir / "out");
  EXPECT_EQ(SendToPort(2, "x"), 0);
  EXPECT_EQ(Bytes("out/port2.bin"), "x");
  common::WriteParam("sys.par", "LPT3", "|cat > '" + (dir / "piped.bin") + "'");
  EXPECT_EQ(SendToPort(3, std::string("\x1b@raw\0", 6)), 0);
  EXPECT_EQ(Bytes("piped.bin"), std::string("\x1b@raw\0", 6));
  common::WriteParam("sys.par", "LPT4", "|exit 3");
  EXPECT_NE(SendToPort(4, "x"), 0);
}

TEST_F(RawPortTest, PrintFileToLptSendsSupleOrABell) {
  EXPECT_EQ(PrintFileToLpt(0), 0);
  EXPECT_EQ(PrintFileToLpt(5), 0);
  EXPECT_FALSE(Exists("LPT0.prn"));
  EXPECT_FALSE(Exists("LPT5.prn"));
  EXPECT_EQ(PrintFileToLpt(1), 0);
  Put("suple.txt", "\x1b\x45");
  EXPECT_EQ(PrintFileToLpt(1), 0);
  EXPECT_EQ(Bytes("LPT1.prn"), "\x07\x1b\x45");
}

class SpoolDrop : public ReportTest {
 protected:
  SpoolDrop() { common::Drives().Set("C", dir.path()); }
  ~SpoolDrop() override { common::Drives().Set("C", "/"); }
};

TEST_F(SpoolDrop, CounterWrapsAndTheFileHoldsKamenickyLines) {
  std::filesystem::create_directories(dir / "printer");
  Job("SPEEDPRN", "999");
  MemSource src;
  src.lines = {"one  ", Cz("dvě"), "three", "four"};
  src.current = 2;
  EXPECT_TRUE(PozriSpoolPrint(src));
  EXPECT_EQ(common::GetJob("SPEEDPRN"), "000");
  EXPECT_EQ(Bytes("printer/print000.txt"), common::Cp1250ToKamenicky(Cz("dvě")) + "\r\nthree\r\nfour\r\n");
  src.blockBegin = 1;
  src.blockEnd = 2;
  EXPECT_TRUE(PozriSpoolPrint(src));
  EXPECT_EQ(Bytes("printer/print001.txt"), "one  \r\n" + common::Cp1250ToKamenicky(Cz("dvě")) + "\r\n");
}

TEST_F(SpoolDrop, MissingDropFolderGivesTheMessageWithTheCounterAdvanced) {
  Job("SPEEDPRN", "041");
  MemSource src;
  src.lines = {"x"};
  EXPECT_FALSE(PozriSpoolPrint(src));
  EXPECT_EQ(common::GetJob("SPEEDPRN"), "042");
  EXPECT_EQ(notes.Texts(common::RecordingNotifier::Kind::BeepMessage),
            std::vector<std::string>{Cz("Predešlý tisk není hotový")});
}

class PrinterScaleTest : public ReportTest {};

TEST_F(PrinterScaleTest, FromTheResolutionAndTheScalaEntry) {
  ui::PrinterScale(600, 60);
  EXPECT_DOUBLE_EQ(ui::PrinterScaleState().x, 6.0);
  EXPECT_DOUBLE_EQ(ui::PrinterScaleState().y, 0.72);
  EXPECT_EQ(ui::PrinterScaleState().unit50, 300);
  EXPECT_EQ(ui::PrinterScaleState().unit20, 120);
  ui::PrinterScale(125, 300);  // 1.25 x 50 = 62.5 rounds to even
  EXPECT_EQ(ui::PrinterScaleState().unit50, 62);
  EXPECT_EQ(ui::PrinterScaleState().unit20, 25);
  Job("SCALA", " 110  90");
  ui::PrinterScale(600, 600);
  EXPECT_NEAR(ui::PrinterScaleState().x, 6.6, 1e-9);
  EXPECT_NEAR(ui::PrinterScaleState().y, 5.4, 1e-9);
}

TEST_F(PrinterScaleTest, SpacedTextAndTheDefaultPrinterByIndex) {
  ui::headless::PrintJob job;
  ui::headless::RecordingPrinter printer(job, [](const std::string&) {});
  ui::TextOutSpaced(printer, 10, 20, 30, "Ail");
  EXPECT_EQ(job.ops[2], "text 10,20 A");
  EXPECT_EQ(job.ops[3], "text 50,20 i");
  EXPECT_EQ(job.ops[4], "text 80,20 l");
  backend.printers = {"First", "Second"};
  EXPECT_TRUE(ui::SetDefaultPrinter(1));
  EXPECT_EQ(ui::CurrentPrinter(), "Second");
  EXPECT_FALSE(ui::SetDefaultPrinter(2));
}

}  // namespace
}  // namespace reporttest
