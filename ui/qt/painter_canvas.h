// The layer's canvas on a QPainter (paint boxes and printers).
#pragma once
#include <QPainter>

#include "ui/canvas.h"

namespace ui::qt {

// Draws through a painter it does not own; shared by paint boxes and printers.
void PaintText(QPainter& p, const Canvas& c, int x, int y, std::string_view text);
void PaintFill(QPainter& p, const Canvas& c, Rect r);
void PaintFrame(QPainter& p, const Canvas& c, Rect r);
void PaintLine(QPainter& p, const Canvas& c, Point a, Point b);
bool PaintPicture(QPainter& p, Rect r, const Bitmap& picture);
int MeasureWidth(QPainter& p, const Canvas& c, std::string_view text);
int MeasureHeight(QPainter& p, const Canvas& c);

class PainterCanvas : public Canvas {
 public:
  explicit PainterCanvas(QPainter& painter) : p_(painter) {}
  void TextOut(int x, int y, std::string_view text) override { PaintText(p_, *this, x, y, text); }
  void FillRect(Rect r) override { PaintFill(p_, *this, r); }
  void FrameRect(Rect r) override { PaintFrame(p_, *this, r); }
  void Line(Point a, Point b) override { PaintLine(p_, *this, a, b); }
  bool StretchDraw(Rect r, const Bitmap& picture) override { return PaintPicture(p_, r, picture); }
  int TextWidth(std::string_view text) override { return MeasureWidth(p_, *this, text); }
  int TextHeight(std::string_view) override { return MeasureHeight(p_, *this); }

 private:
  QPainter& p_;
};

}  // namespace ui::qt
