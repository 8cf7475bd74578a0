// A printer canvas that writes down what is drawn on it.
#pragma once
#include <functional>
#include <string>

#include "ui/canvas.h"
#include "ui/headless/headless.h"

namespace ui::headless {

// An A4 page at 600 dpi, standing or lying as the job asked. Text metrics are those of a fixed-pitch face: 0.6 of the
// font height per character.
class RecordingPrinter : public PrinterCanvas {
 public:
  RecordingPrinter(PrintJob& job, std::function<void(const std::string&)> log);
  ~RecordingPrinter() override;

  void TextOut(int x, int y, std::string_view text) override;
  void FillRect(Rect r) override;
  void FrameRect(Rect r) override;
  void Line(Point from, Point to) override;
  bool StretchDraw(Rect r, const Bitmap& picture) override;
  int TextWidth(std::string_view text) override;
  int TextHeight(std::string_view text) override;

  int PageWidth() const override { return job_->landscape ? 7016 : 4960; }
  int PageHeight() const override { return job_->landscape ? 4960 : 7016; }
  int DpiX() const override { return 600; }
  int DpiY() const override { return 600; }
  int PageNumber() const override { return job_->pages; }
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;

 private:
  void Op(std::string line);
  void Open() const;
  PrintJob* job_;
  std::function<void(const std::string&)> log_;
  Font lastFont_;
  bool fontWritten_ = false;
};

}  // namespace ui::headless
