// Drawing surfaces: the canvas of a paint box and the printer canvas.
#pragma once
#include <string>
#include <string_view>

#include "ui/bitmap.h"
#include "ui/types.h"

namespace ui {

// Text is Windows-1250. Coordinates are device pixels of the surface.
class Canvas {
 public:
  virtual ~Canvas() = default;

  Font font;                          // used by TextOut and the text metrics
  Color brushColor = colors::White;   // used by FillRect and as the text background
  bool transparentText = true;        // false: text cells are filled with brushColor first
  Color penColor = colors::Black;     // used by Line and FrameRect

  virtual void TextOut(int x, int y, std::string_view text) = 0;
  virtual void FillRect(Rect r) = 0;
  virtual void FrameRect(Rect r) = 0;
  virtual void Line(Point from, Point to) = 0;
  // Draws the picture stretched into r; false when nothing could be drawn.
  virtual bool StretchDraw(Rect r, const Bitmap& picture) = 0;
  virtual int TextWidth(std::string_view text) = 0;
  virtual int TextHeight(std::string_view text) = 0;
};

// A print job. Page size and resolution are in printer pixels; the first page is
// open when the job starts. EndDoc finishes the job; Abort drops it. A job that cannot
// start throws ui::PrintFailed (printfile.h) from BeginPrint, and a file that did not
// come out whole throws it from EndDoc, the file erased.
// The way a print job's paper lies: a form wider than a standing page asks for a lying one.
enum class PageOrientation { Portrait, Landscape };

class PrinterCanvas : public Canvas {
 public:
  virtual int PageWidth() const = 0;
  virtual int PageHeight() const = 0;
  virtual int DpiX() const = 0;
  virtual int DpiY() const = 0;
  virtual int PageNumber() const = 0;  // 1-based
  virtual void NewPage() = 0;
  virtual void EndDoc() = 0;
  virtual void Abort() = 0;
};

}  // namespace ui
