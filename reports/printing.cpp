#include "reports/printing.h"

#include <algorithm>

#include "browser/entries.h"
#include "common/codepages.h"
#include "common/encoding.h"
#include "common/errors.h"
#include "common/jobfile.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/osfile.h"
#include "common/session.h"
#include "common/text.h"
#include "common/dirs.h"
#include "ui/backend.h"
#include "ui/printing.h"

namespace reports {

namespace {
constexpr const char* kCopiesFile = "tisk.txt";

int ModeOfDensity(int density) { return density == 2 ? kElite : density == 3 ? kCondensed : kNormal; }
bool BeginsWithFormFeed(std::string_view s) { return !s.empty() && s.front() == kFormFeed; }
}  // namespace

std::vector<std::int32_t> LinesToPrint(PrintSource& source) {
  std::vector<std::int32_t> lines;
  const std::int32_t count = source.LineCount();
  if (source.MarkedCount() > 0) {
    for (std::int32_t n = 1; n <= count; ++n)
      if (source.IsMarked(n)) lines.push_back(n);
  } else {
    for (std::int32_t n = std::max(source.CurrentLine(), 1); n <= count; ++n) lines.push_back(n);
  }
  return lines;
}

std::vector<std::int32_t> SpoolLines(PrintSource& source) {
  const std::int32_t count = source.LineCount();
  std::int32_t from = std::max(source.CurrentLine(), 1), to = count;
  if (source.BlockBegin() > 0) {
    from = source.BlockBegin();
    if (source.BlockEnd() > 0) to = std::min(source.BlockEnd(), count);
  }
  std::vector<std::int32_t> lines;
  for (std::int32_t n = from; n <= to; ++n) lines.push_back(n);
  return lines;
}

// ---------------------------------------------------------------- text channel

void TextChannel::FitLine() {
  if (y_ + canvas_.TextHeight("X") <= canvas_.PageHeight()) return;
  if (pageUsed_) canvas_.NewPage();
  x_ = y_ = 0;
  pageUsed_ = false;
}

void TextChannel::Write(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t ff = text.find(kFormFeed, at);
    const std::string_view part = text.substr(at, ff == std::string_view::npos ? std::string_view::npos : ff - at);
    if (!part.empty()) {
      FitLine();
      canvas_.TextOut(x_, y_, part);
      x_ += canvas_.TextWidth(part);
      pageUsed_ = true;
    }
    if (ff == std::string_view::npos) break;
    FormFeed();
    at = ff + 1;
  }
}

void TextChannel::EndLine() {
  y_ += canvas_.TextHeight("X");
  x_ = 0;
}

void TextChannel::FormFeed() {
  if (pageUsed_) canvas_.NewPage();
  x_ = y_ = 0;
  pageUsed_ = false;
}

// ---------------------------------------------------------------- page copies

PageCopies::~PageCopies() {
  if (open_) (void)common::EraseFile(kCopiesFile);
}

void PageCopies::Start() {
  page_.clear();
  fileBuffer_.clear();
  common::ThrowIfError(common::ReplaceFileContents(kCopiesFile, {}), kCopiesFile);
  open_ = true;
}

void PageCopies::Add(const std::string& line) {
  page_.push_back(line);
  fileBuffer_ += line + "\r\n";
}

std::vector<std::string> PageCopies::TakePage() {
  common::ThrowIfError(common::ReplaceFileContents(kCopiesFile, fileBuffer_), kCopiesFile);
  std::vector<std::string> page;
  page.swap(page_);
  fileBuffer_.clear();
  return page;
}

void PageCopies::Finish() {
  common::ThrowIfError(common::ReplaceFileContents(kCopiesFile, fileBuffer_), kCopiesFile);
  open_ = false;
}

// ---------------------------------------------------------------- printer canvas

namespace {

class CanvasPrint {
 public:
  CanvasPrint(ui::PrinterCanvas& canvas, const PrintSettings& settings)
      : canvas_(canvas), channel_(canvas), settings_(settings), copies_(settings.copies),
        margin_(common::Spaces(static_cast<std::uint16_t>(std::min(settings.tab, 255)))) {
    SeedPrintFonts();
    // Each density's line fits the page whatever face the printer gives for the file's.
    for (int mode : {kNormal, kElite, kCondensed}) {
      const PrintFontSpec spec = ReadPrintFont(std::string(FontNameOfMode(mode)) + ".fnt");
      fonts_[FontIndex(mode)] = FitPrintFont(canvas, ToPrinterFont(spec, canvas.DpiX(), canvas.DpiY()),
                                             LineCharactersOfMode(mode), !spec.faceName.empty() || spec.height != 0);
    }
    mode_ = ModeOfDensity(settings.density);
  }

  void Run(PrintSource& source) {
    const ui::Font saved = canvas_.font;
    std::vector<std::string> lines;
    for (std::int32_t n : LinesToPrint(source)) lines.push_back(PrepareWindowsLine(source.PlainLine(n), settings_));
    FitWidestLine(lines);
    canvas_.font = fonts_[FontIndex(mode_)];
    if (copies_.copies() > 0) copies_.Start();
    TopLines();
    for (const std::string& line : lines) {
      if (copies_.copies() > 0) {
        if (BeginsWithFormFeed(line)) RepeatPage();
        copies_.Add(line);
      }
      PrintLine(line);
    }
    if (copies_.copies() > 0) {
      RepeatPage();
      copies_.Finish();
    }
    canvas_.font = saved;
  }

 private:
  static int FontIndex(int mode) { return mode == kElite ? 1 : mode == kCondensed ? 2 : 0; }

  void TopLines() {
    for (int i = 0; i < settings_.topLines; ++i) channel_.EndLine();
  }

  int TextWidth(int mode, std::string_view text) {
    canvas_.font = fonts_[FontIndex(mode)];
    return canvas_.TextWidth(text);
  }

  // How far a line reaches as printed: the margin in the "norm" font, each piece in the
  // font of its mode, trailing blanks left out. The mode carries on to the next line.
  int LineWidth(std::string_view line, int& mode) {
    int x = 0, reach = 0;
    if (BeginsWithFormFeed(line)) line.remove_prefix(1);
    if (!margin_.empty()) x = TextWidth(kNormal, margin_);
    for (const LinePiece& piece : SplitLine(line)) {
      if (piece.kind == LinePiece::Switch) mode = piece.mode;
      if (piece.kind != LinePiece::Text) continue;
      std::string_view text = piece.text;
      if (const std::size_t ff = text.rfind(kFormFeed); ff != std::string_view::npos) {
        text.remove_prefix(ff + 1);  // a new page starts the line again
        x = 0;
      }
      const std::string inked = common::StripRightSp(text);
      if (!inked.empty()) reach = std::max(reach, x + TextWidth(mode, inked));
      x += TextWidth(mode, text);
    }
    return reach;
  }

  int WidestLine(const std::vector<std::string>& lines) {
    int mode = mode_, widest = 0;
    for (const std::string& line : lines) widest = std::max(widest, LineWidth(line, mode));
    return widest;
  }

  // Where a line would run past the printable width, every density's face is made
  // smaller by one factor until the widest line fits; never larger than it was.
  void FitWidestLine(const std::vector<std::string>& lines) {
    const int room = canvas_.PageWidth();
    int widest = WidestLine(lines);
    if (room <= 0 || widest <= room) return;
    const ui::Font given[3] = {fonts_[0], fonts_[1], fonts_[2]};
    double factor = static_cast<double>(room) / widest;
    for (int step = 0; step < 200 && widest > room; ++step, factor *= 0.98) {
      for (int i = 0; i < 3; ++i) {
        const int pixels = PrintFontPixels(given[i], canvas_.DpiY());
        fonts_[i] = ResizePrintFont(given[i], std::max(1, static_cast<int>(pixels * factor)), canvas_.DpiY());
      }
      widest = WidestLine(lines);
    }
  }

  // The margin once at the line start in the "norm" font, then the pieces.
  void PrintLine(std::string_view line) {
    const bool formFeed = BeginsWithFormFeed(line);
    if (formFeed) {
      channel_.FormFeed();
      line.remove_prefix(1);
    }
    if (!margin_.empty()) {
      canvas_.font = fonts_[0];
      channel_.Write(margin_);
      canvas_.font = fonts_[FontIndex(mode_)];
    }
    for (const LinePiece& piece : SplitLine(line)) {
      if (piece.kind == LinePiece::Text) {
        channel_.Write(piece.text);
      } else if (piece.kind == LinePiece::Switch) {
        mode_ = piece.mode;
        canvas_.font = fonts_[FontIndex(mode_)];
      }
    }
    channel_.EndLine();
    if (formFeed) TopLines();
  }

  void RepeatPage() {
    const std::vector<std::string> page = copies_.TakePage();
    if (page.empty()) return;
    for (int k = 0; k < copies_.copies(); ++k) {
      if (!BeginsWithFormFeed(page.front())) {
        channel_.FormFeed();
        TopLines();
      }
      for (const std::string& line : page) PrintLine(line);
    }
  }

  ui::PrinterCanvas& canvas_;
  TextChannel channel_;
  const PrintSettings& settings_;
  PageCopies copies_;
  std::string margin_;
  ui::Font fonts_[3];
  int mode_ = kNormal;
};

}  // namespace

void PrintOnCanvas(PrintSource& source, ui::PrinterCanvas& canvas, const PrintSettings& settings) {
  CanvasPrint(canvas, settings).Run(source);
}

void ReannounceDefaultPrinter() {
  if (!common::CurrentSession().CencTisk) return;
  // The printer before the current one, then the current one again.
  const std::vector<std::string> names = ui::PrinterNames();
  const auto it = std::find(names.begin(), names.end(), ui::CurrentPrinter());
  if (it == names.end()) return;
  const int current = static_cast<int>(it - names.begin());
  ui::SetDefaultPrinter(current == 0 ? static_cast<int>(names.size()) - 1 : current - 1);
  ui::SetDefaultPrinter(current);
}

void PozriPrintReport(PrintSource& source, const std::string& title) {
  if (source.LineCount() <= 0) return;
  browser::ShowBlik(common::Cz("Probíhá tisk"));
  struct Notice {
    ~Notice() { browser::CloseBlik(); }
  } notice;
  common::Session& s = common::CurrentSession();
  ReannounceDefaultPrinter();
  std::unique_ptr<ui::PrinterCanvas> canvas = ui::BeginPrint(title);
  s.PrintDpiX = canvas->DpiX();
  s.PrintDpiY = canvas->DpiY();
  try {
    PrintOnCanvas(source, *canvas, PrintSettings::Load());
  } catch (...) {
    canvas->Abort();
    throw;
  }
  canvas->EndDoc();
}

// ---------------------------------------------------------------- line printer

namespace {

class PortPrint {
 public:
  PortPrint(RawPort& port, const PrintSettings& settings) : port_(port), settings_(settings), copies_(settings.copies) {
    codes_ = ReadPrinterControl(common::ProgDir("\\2\\" + settings.printer + ".dst"));
    suple_ = FileBytes("suple.txt");
    if (suple_.empty()) suple_ = std::string(1, kSuple);
    smik_ = FileBytes("smik.txt");
  }

  void Run(PrintSource& source) {
    port_.Write(codes_.init);
    const int density = settings_.density == 0 ? 1 : settings_.density;
    if (density >= 1 && density <= 3) {
      mode_ = ModeOfDensity(density);
      port_.Write(codes_.ForMode(mode_));
    }
    if (copies_.copies() > 0) copies_.Start();
    TopLines();
    for (std::int32_t n : LinesToPrint(source)) {
      source.Unmark(n);
      const std::string line = PrepareLptLine(source.PlainLine(n), settings_);
      if (copies_.copies() > 0) {
        if (BeginsWithFormFeed(line)) RepeatPage();
        copies_.Add(line);
      }
      SendLine(line);
    }
    source.ClearMarks();
    if (copies_.copies() > 0) {
      RepeatPage();
      copies_.Finish();
    }
    if (settings_.formFeedAtEnd) port_.Write(std::string(1, kFormFeed));
  }

 private:
  static std::string FileBytes(const char* name) {
    std::string bytes;
    const int code = common::ReadFileText(name, bytes);
    if (code != 0 && code != common::io::kFileNotFound) common::ThrowIfError(code, name);
    return bytes;
  }

  void TopLines() {
    for (int i = 0; i < settings_.topLines; ++i) port_.Write("\r\n");
  }

  std::string Margin() const {
    const int tab = std::min(settings_.tab, 255);
    const int blanks = mode_ == kCondensed ? 2 * tab : mode_ == kElite ? tab / 2 : tab;
    return std::string(static_cast<std::size_t>(blanks), ' ');
  }

  void SendLine(std::string_view line) {
    port_.Write(Margin());
    for (const LinePiece& piece : SplitLine(line)) {
      switch (piece.kind) {
        case LinePiece::Text: port_.Write(piece.text); break;
        case LinePiece::Switch:
          mode_ = piece.mode;
          port_.Write(codes_.ForMode(mode_));
          break;
        case LinePiece::Suple: port_.Write(suple_); break;
        case LinePiece::Smik: port_.Write(smik_); break;
      }
    }
    port_.Write("\r\n");
    if (BeginsWithFormFeed(line)) TopLines();
  }

  void RepeatPage() {
    const std::vector<std::string> page = copies_.TakePage();
    if (page.empty()) return;
    for (int k = 0; k < copies_.copies(); ++k) {
      if (!BeginsWithFormFeed(page.front())) {
        port_.Write(std::string(1, kFormFeed));
        TopLines();
      }
      for (const std::string& line : page) SendLine(line);
    }
  }

  RawPort& port_;
  const PrintSettings& settings_;
  PageCopies copies_;
  PrinterControlCodes codes_;
  std::string suple_, smik_;
  int mode_ = kNormal;
};

}  // namespace

void PrintToPort(PrintSource& source, RawPort& port, const PrintSettings& settings) {
  PortPrint(port, settings).Run(source);
}

int PozriPrintLpt(PrintSource& source) {
  const PrintSettings settings = PrintSettings::Load();
  RawPort port;
  if (int code = port.Open(settings.port)) return code;
  PrintToPort(source, port, settings);
  return port.Close();
}

// ---------------------------------------------------------------- spooler drop file

bool PozriSpoolPrint(PrintSource& source) {
  if (source.LineCount() <= 0) return true;
  browser::ShowBlik(common::Cz("Probíhá tisk"));
  struct Notice {
    ~Notice() { browser::CloseBlik(); }
  } notice;
  std::int32_t counter = common::TextToInt(common::GetJob("SPEEDPRN")) + 1;
  if (counter > 999 || counter < 0) counter = 0;
  const std::string number = common::FormatNumberMask("@@@", counter);
  common::WriteJob("SPEEDPRN", number);
  std::string bytes;
  for (std::int32_t n : SpoolLines(source)) bytes += common::Cp1250ToKamenicky(source.PlainLine(n)) + "\r\n";
  const std::string name = "c:\\printer\\print" + number + ".txt";
  common::File f;
  int code = f.Create(name, common::kModeReadWrite);
  if (code == 0) code = f.WriteWhole(bytes);
  if (code == 0) code = f.Close();
  if (code != 0) {
    f.Close();
    common::BeepMessage(common::Cz("Predešlý tisk není hotový"));
    return false;
  }
  return true;
}

}  // namespace reports
