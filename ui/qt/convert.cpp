#include "ui/qt/convert.h"

#include <QFontDatabase>
#include <cctype>
#include <cstdlib>

#include "common/encoding.h"

namespace ui::qt {

QString ToQ(std::string_view cp1250) {
  std::string utf8 = common::Win1250ToUtf8(cp1250);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQ(const QString& text) { return common::Utf8ToWin1250(text.toUtf8().toStdString()); }

QColor ToQColor(Color c) {
  c = ToRgb(c);
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

Color FromQColor(const QColor& c) { return Rgb(c.red(), c.green(), c.blue()); }

QFont ToQFont(const Font& f) {
  QFont q;
  std::string lower(f.name);
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (IsMonospace(f.name)) {
    q.setFamily("DejaVu Sans Mono");
    q.setStyleHint(QFont::Monospace);
    q.setFixedPitch(true);
  } else if (!f.name.empty() && QFontDatabase::hasFamily(ToQ(f.name))) {
    q.setFamily(ToQ(f.name));  // an installed face, chosen in the font dialog
  } else if (lower.find("times") != std::string::npos || lower.find("serif") == 0) {
    q.setFamily("DejaVu Serif");
    q.setStyleHint(QFont::Serif);
  } else if (lower == "ms sans serif" || lower == "arial" || lower == "tahoma" || lower.empty()) {
    // Narrow faces: the condensed cut keeps texts within the widths windows give them.
    q.setFamily("DejaVu Sans Condensed");
    q.setStyleHint(QFont::SansSerif);
  } else if (lower.find("sans") != std::string::npos || lower == "verdana") {
    q.setFamily("DejaVu Sans");
    q.setStyleHint(QFont::SansSerif);
  } else {
    q.setFamily(ToQ(f.name));
    q.setStyleHint(QFont::SansSerif);
  }
  q.setPointSize(f.size > 0 ? f.size : 8);
  q.setBold(f.bold);
  q.setItalic(f.italic);
  q.setUnderline(f.underline);
  return q;
}

Font FromQFont(const QFont& q, Color color) {
  Font f;
  f.name = FromQ(q.family());
  f.size = q.pointSize() > 0 ? q.pointSize() : 8;
  f.bold = q.bold();
  f.italic = q.italic();
  f.underline = q.underline();
  f.color = color;
  return f;
}

QString StyleNameOf(const QFont& q) {
  const QString family = q.family();
  QString best;
  int bestDistance = 0;
  for (const QString& style : QFontDatabase::styles(family)) {
    // The cut's own font: an oblique cut is slanted too, which QFontDatabase::italic denies.
    const QFont cut = QFontDatabase::font(family, style, 10);
    if (cut.italic() != q.italic()) continue;
    // The nearest weight; of equals the plainest cut (the shortest name: "Book"
    // before "Condensed", "Bold" before "Condensed Bold").
    const int distance = std::abs(cut.weight() - q.weight());
    if (best.isEmpty() || distance < bestDistance || (distance == bestDistance && style.size() < best.size())) {
      best = style;
      bestDistance = distance;
    }
  }
  return best;
}

QImage ToQImage(const Bitmap& b) {
  if (b.empty()) return {};
  QImage image(b.rgb.data(), b.width, b.height, b.width * 3, QImage::Format_RGB888);
  return image.copy();
}

Bitmap FromQImage(const QImage& image) {
  QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  Bitmap b;
  b.width = rgb.width();
  b.height = rgb.height();
  b.rgb.resize(static_cast<std::size_t>(b.width) * b.height * 3);
  for (int y = 0; y < b.height; ++y)
    std::copy_n(rgb.constScanLine(y), b.width * 3, &b.rgb[static_cast<std::size_t>(y) * b.width * 3]);
  return b;
}

}  // namespace ui::qt
