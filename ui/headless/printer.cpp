#include "ui/headless/printer.h"


#include <cstdlib>

#include "common/encoding.h"

namespace ui::headless {

namespace {
std::string Pos(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
// The logical-font attributes, when a printer font carries them.
std::string PrinterFontText(const Font& f) {
  std::string t;
  if (f.pixelHeight != 0) t += " height " + std::to_string(f.pixelHeight);
  if (f.averageWidth != 0) t += " width " + std::to_string(f.averageWidth);
  if (f.weight != 0) t += " weight " + std::to_string(f.weight);
  if (f.strikeOut) t += " strikeout";
  if (f.escapement != 0) t += " escapement " + std::to_string(f.escapement);
  return t;
}
std::string Box(Rect r) { return Pos(r.left, r.top) + " " + std::to_string(r.width) + "x" + std::to_string(r.height); }
}  // namespace

RecordingPrinter::RecordingPrinter(PrintJob& job, std::function<void(const std::string&)> log)
    : job_(&job), log_(std::move(log)) {
  job_->ops.push_back("page 1");
}

RecordingPrinter::~RecordingPrinter() {
  if (!job_->ended && !job_->aborted) Abort();
}

void RecordingPrinter::Open() const {
  if (job_->ended || job_->aborted) throw HeadlessError("the print job " + common::Win1250ToUtf8(job_->title) + " has ended");
}

void RecordingPrinter::Op(std::string line) {
  Open();
  job_->ops.push_back(std::move(line));
}

void RecordingPrinter::TextOut(int x, int y, std::string_view text) {
  if (!fontWritten_ || !(lastFont_ == font)) {
    Op("font " + common::Win1250ToUtf8(font.name) + " " + std::to_string(font.size) + (font.bold ? " bold" : "") +
       (font.italic ? " italic" : "") + (font.underline ? " underline" : "") + " " + ColorHex(font.color) +
       PrinterFontText(font));
    lastFont_ = font;
    fontWritten_ = true;
  }
  Op("text " + Pos(x, y) + " " + common::Win1250ToUtf8(text));
}

void RecordingPrinter::FillRect(Rect r) { Op("fill " + Box(r) + " " + ColorHex(brushColor)); }
void RecordingPrinter::FrameRect(Rect r) { Op("frame " + Box(r) + " " + ColorHex(penColor)); }
void RecordingPrinter::Line(Point a, Point b) { Op("line " + Pos(a.x, a.y) + " " + Pos(b.x, b.y)); }

bool RecordingPrinter::StretchDraw(Rect r, const Bitmap& picture) {
  if (picture.empty()) return false;
  Op("picture " + Box(r) + " from " + std::to_string(picture.width) + "x" + std::to_string(picture.height));
  return true;
}

int RecordingPrinter::TextHeight(std::string_view) {
  if (font.pixelHeight != 0) return font.pixelHeight < 0 ? -font.pixelHeight : font.pixelHeight;
  return (font.size * DpiY() + 36) / 72;
}

int RecordingPrinter::TextWidth(std::string_view text) {
  const int n = static_cast<int>(text.size());
  if (font.averageWidth > 0) return n * font.averageWidth;
  if (font.pixelHeight != 0) return n * ((std::abs(font.pixelHeight) * 6 + 5) / 10);
  return n * (font.size * DpiX() * 6 / 10 + 36) / 72;
}

void RecordingPrinter::NewPage() {
  Open();
  ++job_->pages;
  Op("page " + std::to_string(job_->pages));
}

void RecordingPrinter::EndDoc() {
  Op("end");
  job_->ended = true;
  log_("printed " + common::Win1250ToUtf8(job_->title) + ", " + std::to_string(job_->pages) + (job_->pages == 1 ? " page" : " pages"));
}

void RecordingPrinter::Abort() {
  if (job_->ended || job_->aborted) return;
  job_->ops.push_back("abort");
  job_->aborted = true;
  log_("print aborted: " + common::Win1250ToUtf8(job_->title));
}

}  // namespace ui::headless
