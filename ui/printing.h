// Printer helpers shared by every printed page: the printer scale (printer pixels
// per hundredth of an inch), text set one character per cell, and choosing the
// default printer by its place in the printer list.
#pragma once
#include <cstdint>
#include <string_view>

#include "ui/canvas.h"

namespace ui {

struct PrinterScaleValues {
  double x = 4.0, y = 4.0;  // printer pixels per 1/100 inch, corrected by "SCALA"
  std::int32_t unit50 = 0;  // x * 50, rounded half to even
  std::int32_t unit20 = 0;  // x * 20, rounded half to even
  double percentX = 100, percentY = 100;  // the job entry "SCALA"
};
PrinterScaleValues& PrinterScaleState();

// From the printer's resolution (each below 72 taken as 72) and the job entry
// "SCALA" (" 100 100" when empty): two 4-character percentages that correct the
// horizontal and vertical factors.
void PrinterScale(int dpiX, int dpiY);
void PrinterScale(const PrinterCanvas& printer);

// Character i of text alone at x + (i - 1) * pitch (+ pitch div 3 for the narrow
// letters "iíIÍjltf"), y.
void TextOutSpaced(Canvas& canvas, int x, int y, int pitch, std::string_view text);

// Makes printer `index` of PrinterNames() the current printer; false when there is none.
bool SetDefaultPrinter(int index);

}  // namespace ui
