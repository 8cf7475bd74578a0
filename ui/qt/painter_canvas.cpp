#include "ui/qt/painter_canvas.h"

#include <QFontMetrics>

#include "ui/qt/convert.h"

namespace ui::qt {

namespace {
QFont FontOn(QPainter& p, const Font& f) { return QFont(ToQFont(f), p.device()); }
}  // namespace

void PaintText(QPainter& p, const Canvas& c, int x, int y, std::string_view text) {
  QFont font = FontOn(p, c.font);
  QFontMetrics m(font, p.device());
  QString s = ToQ(text);
  if (!c.transparentText) p.fillRect(QRect(x, y, m.horizontalAdvance(s), m.height()), ToQColor(c.brushColor));
  p.setFont(font);
  p.setPen(ToQColor(c.font.color));
  p.drawText(x, y + m.ascent(), s);
}

void PaintFill(QPainter& p, const Canvas& c, Rect r) {
  p.fillRect(QRect(r.left, r.top, r.width, r.height), ToQColor(c.brushColor));
}

void PaintFrame(QPainter& p, const Canvas& c, Rect r) {
  p.setPen(ToQColor(c.penColor));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRect(r.left, r.top, r.width - 1, r.height - 1));
}

void PaintLine(QPainter& p, const Canvas& c, Point a, Point b) {
  p.setPen(ToQColor(c.penColor));
  p.drawLine(a.x, a.y, b.x, b.y);
}

bool PaintPicture(QPainter& p, Rect r, const Bitmap& picture) {
  if (picture.empty() || r.width <= 0 || r.height <= 0) return false;
  p.drawImage(QRect(r.left, r.top, r.width, r.height), ToQImage(picture));
  return true;
}

int MeasureWidth(QPainter& p, const Canvas& c, std::string_view text) {
  return QFontMetrics(FontOn(p, c.font), p.device()).horizontalAdvance(ToQ(text));
}

int MeasureHeight(QPainter& p, const Canvas& c) { return QFontMetrics(FontOn(p, c.font), p.device()).height(); }

}  // namespace ui::qt
