#include "ui/qt/painter_canvas.h"

#include <algorithm>

#include <QFontMetrics>

#include "ui/qt/convert.h"

namespace ui::qt {

namespace {
// The printer-font attributes need the device: pixel heights, the average width
// (as a stretch of the natural width), weight and strike-out.
QFont FontOn(QPainter& p, const Font& f) {
  QFont q(ToQFont(f), p.device());
  if (f.pixelHeight != 0) {
    int pixels = f.pixelHeight < 0 ? -f.pixelHeight : f.pixelHeight;
    if (f.pixelHeight > 0) {
      q.setPixelSize(std::max(pixels, 1));
      const QFontMetrics m(q, p.device());
      const int cell = m.ascent() + m.descent();
      if (cell > 0) pixels = std::max(1, pixels * m.ascent() / cell);
    }
    q.setPixelSize(std::max(pixels, 1));
  }
  if (f.weight > 0) q.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight, 100, 900)));
  if (f.strikeOut) q.setStrikeOut(true);
  if (f.averageWidth > 0) {
    const int natural = QFontMetrics(q, p.device()).averageCharWidth();
    if (natural > 0) q.setStretch(std::clamp(f.averageWidth * 100 / natural, 1, 4000));
  }
  return q;
}
}  // namespace

void PaintText(QPainter& p, const Canvas& c, int x, int y, std::string_view text) {
  QFont font = FontOn(p, c.font);
  QFontMetrics m(font, p.device());
  QString s = ToQ(text);
  if (!c.transparentText) p.fillRect(QRect(x, y, m.horizontalAdvance(s), m.height()), ToQColor(c.brushColor));
  p.setFont(font);
  p.setPen(ToQColor(c.font.color));
  if (c.font.escapement != 0) {
    p.save();
    p.translate(x, y);
    p.rotate(-c.font.escapement / 10.0);
    p.drawText(0, m.ascent(), s);
    p.restore();
    return;
  }
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
