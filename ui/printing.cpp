#include "ui/printing.h"

#include <cmath>

#include "common/encoding.h"
#include "common/jobfile.h"
#include "common/numbers.h"
#include "common/pascal.h"
#include "ui/backend.h"

namespace ui {

PrinterScaleValues& PrinterScaleState() {
  static PrinterScaleValues values;
  return values;
}

void PrinterScale(int dpiX, int dpiY) {
  PrinterScaleValues& v = PrinterScaleState();
  std::string scala = common::GetJob("SCALA");
  if (scala.find_first_not_of(' ') == std::string::npos) scala = " 100 100";
  v.percentX = common::TextToFloat(common::Copy(scala, 1, 4));
  v.percentY = common::TextToFloat(common::Copy(scala, 5, 4));
  if (v.percentX <= 0) v.percentX = 100;
  if (v.percentY <= 0) v.percentY = 100;
  v.x = std::max(dpiX, 72) / 100.0 * v.percentX / 100.0;
  v.y = std::max(dpiY, 72) / 100.0 * v.percentY / 100.0;
  v.unit50 = static_cast<std::int32_t>(std::nearbyint(v.x * 50));
  v.unit20 = static_cast<std::int32_t>(std::nearbyint(v.x * 20));
}

void PrinterScale(const PrinterCanvas& printer) { PrinterScale(printer.DpiX(), printer.DpiY()); }

void TextOutSpaced(Canvas& canvas, int x, int y, int pitch, std::string_view text) {
  static const std::string narrow = common::Cz("iíIÍjltf");
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int shift = narrow.find(text[i]) != std::string::npos ? pitch / 3 : 0;
    canvas.TextOut(x + static_cast<int>(i) * pitch + shift, y, text.substr(i, 1));
  }
}

bool SetDefaultPrinter(int index) {
  const std::vector<std::string> names = PrinterNames();
  if (index < 0 || index >= static_cast<int>(names.size())) return false;
  return SetCurrentPrinter(names[static_cast<std::size_t>(index)]);
}

}  // namespace ui
