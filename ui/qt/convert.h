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
// The installed style of q's family that is q's weight and slant ("Book" for a regular
// DejaVu face, where the toolkit's own name "Normal" matches none); empty when the
// family has no styles. A font dialog selects its style list by this name.
QString StyleNameOf(const QFont& q);
QImage ToQImage(const Bitmap& b);
Bitmap FromQImage(const QImage& image);

}  // namespace ui::qt
