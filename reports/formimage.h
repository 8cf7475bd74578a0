// A window put on paper or into a picture: printed control by control at its place
// on the page (scaled to the printer), saved as a bitmap of its client area, or
// saved as a JPEG snapshot joined from two screens when it is tall.
#pragma once
#include <cstdint>
#include <string>

#include "ui/bitmap.h"
#include "ui/canvas.h"
#include "ui/form.h"

namespace reports {

// The bitmap stretched into r; false when nothing was drawn.
bool StretchBitmapToCanvas(ui::Canvas& canvas, ui::Rect r, const ui::Bitmap& bitmap);

// Prints the visible pictures, labels, one-line edits and memos of the window as one
// page: each at (left * PrinterScaleX * fx + dx, top * PrinterScaleY * fy + dy). The
// tens digit of a label's or edit's tag chooses per-character cells (1: the cell of
// the tag's millions and hundred-thousands digits, 0 meaning the font size; 2: 50
// and 3: 20 hundredths of an inch). Grid cells print as text at their places. False (after the printer's message) when the
// printer could not be opened. A form wider than a standing page asks for a lying one.
bool PrintFormImage(ui::Form& form, std::int32_t dx, std::int32_t dy, double fx, double fy,
                    ui::PageOrientation orientation = ui::PageOrientation::Portrait);

// The client area as shown, saved as a bitmap file (a Windows name).
void FormToBitmapFile(ui::Form& form, const std::string& fileName);

// A JPEG of the window: moved to the top of the screen and fitted to the work area
// (fit 1: at least 600 pixels high); windows whose controls reach below 600 pixels
// are joined from two screens ("a.bmp" and "b.bmp") into one picture 800 wide.
// Scrambled when ScrambleOn is set. Picture or file errors raise.
void FormSnapshot(ui::Form& form, const std::string& fileName, std::uint8_t fit);

}  // namespace reports
