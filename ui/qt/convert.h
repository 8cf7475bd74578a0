// Conversions between the layer's values and Qt's.
#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <string>
#include <string_view>

#include "ui/bitmap.h"
#include "ui/types.h"

namespace ui::qt {

QString ToQ(std::string_view cp1250);
std::string FromQ(const QString& text);  // to Windows-1250, '?' for what it lacks
QColor ToQColor(Color c);
Color FromQColor(const QColor& c);
// The nearest installed face: the program's Windows font names map to sans-serif,
// serif or fixed-pitch faces.
QFont ToQFont(const Font& f);
Font FromQFont(const QFont& f, Color color);
QImage ToQImage(const Bitmap& b);
Bitmap FromQImage(const QImage& image);

}  // namespace ui::qt
