#include "reports/formimage.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/encoding.h"
#include "common/fileops.h"
#include "common/notifier.h"
#include "common/session.h"
#include "common/small.h"
#include "common/winpath.h"
#include "reports/printing.h"
#include "ui/backend.h"
#include "ui/handlers.h"
#include "ui/printfile.h"
#include "ui/printing.h"

namespace reports {

namespace {

int Round(double v) { return static_cast<int>(std::lround(v)); }

// The control's text in its font, as the tag's tens digit says.
void PrintText(ui::PrinterCanvas& canvas, const ui::Control& c, int x, int y, double fx) {
  const ui::PrinterScaleValues& scale = ui::PrinterScaleState();
  canvas.font = c.font();
  const auto digits = common::SplitNumberDigits(c.tag);
  const std::string& text = c.text();
  switch (digits[1]) {
    case 1: {
      const int cell = digits[4] == 0 ? c.font().size : digits[4];
      ui::TextOutSpaced(canvas, x, y, Round(cell * scale.x * fx), text);
      break;
    }
    case 2: ui::TextOutSpaced(canvas, x, y, Round(scale.unit50 * fx), text); break;
    case 3: ui::TextOutSpaced(canvas, x, y, Round(scale.unit20 * fx), text); break;
    default: canvas.TextOut(x, y, text); break;
  }
}

}  // namespace

bool StretchBitmapToCanvas(ui::Canvas& canvas, ui::Rect r, const ui::Bitmap& bitmap) {
  return canvas.StretchDraw(r, bitmap);
}

bool PrintFormImage(ui::Form& form, std::int32_t dx, std::int32_t dy, double fx, double fy,
                    ui::PageOrientation orientation) {
  ReannounceDefaultPrinter();
  form.ScrollTo(0, 0);
  std::unique_ptr<ui::PrinterCanvas> canvas;
  try {
    canvas = ui::BeginPrint(form.caption(), orientation);
  } catch (const ui::DriverError&) {
    throw;
  } catch (const std::runtime_error& e) {
    ui::ShowMessage(e.what());
    return false;
  }
  ui::PrinterScale(*canvas);
  const ui::PrinterScaleValues& scale = ui::PrinterScaleState();
  canvas->font = ui::Font{"Courier", 10};
  canvas->font.color = ui::colors::Black;
  const auto atX = [&](int v) { return Round(v * scale.x * fx + dx); };
  const auto atY = [&](int v) { return Round(v * scale.y * fy + dy); };
  try {
    for (const auto& owned : form.controls()) {
      const ui::Control& c = *owned;
      if (!c.VisibleInForm()) continue;
      const ui::Point p = c.PositionInForm();
      switch (c.kind()) {
        case ui::ControlKind::Image: {
          const ui::Bitmap& picture = static_cast<const ui::Image&>(c).picture();
          if (picture.empty()) break;
          StretchBitmapToCanvas(*canvas,
                                {atX(p.x), atY(p.y), Round(picture.width * scale.x * fx),
                                 Round(picture.height * scale.y * fy)},
                                picture);
          break;
        }
        case ui::ControlKind::Label:
        case ui::ControlKind::Edit: PrintText(*canvas, c, atX(p.x), atY(p.y), fx); break;
        case ui::ControlKind::Memo: {
          canvas->font = c.font();
          const auto& lines = static_cast<const ui::Memo&>(c).lines();
          for (std::size_t i = 0; i < lines.size(); ++i)
            canvas->TextOut(atX(p.x), atY(p.y + 20 * static_cast<int>(i)), lines[i]);
          break;
        }
        case ui::ControlKind::Grid: {
          // Cell texts at their places, so that a summary grid is not lost on paper.
          const auto& grid = static_cast<const ui::Grid&>(c);
          canvas->font = c.font();
          int cellLeft = p.x;
          for (int col = 0; col < grid.colCount(); ++col) {
            for (int row = 0; row < grid.rowCount(); ++row) {
              const std::string& text = grid.Cell(col, row);
              if (!text.empty()) canvas->TextOut(atX(cellLeft + 2), atY(p.y + row * grid.rowHeight() + 2), text);
            }
            cellLeft += grid.colWidth(col);
          }
          break;
        }
        default: break;
      }
    }
  } catch (...) {
    canvas->Abort();
    throw;
  }
  try {
    canvas->EndDoc();
  } catch (const ui::PrintFailed& e) {  // a file that came out cut
    ui::ShowMessage(e.what());
    return false;
  }
  return true;
}

void FormToBitmapFile(ui::Form& form, const std::string& fileName) {
  ui::SaveBmpFile(ui::GrabForm(form), common::RealPath(fileName));
}

void FormSnapshot(ui::Form& form, const std::string& fileName, std::uint8_t fit) {
  const ui::Rect area = ui::WorkArea();
  int height = form.height();
  if (height > area.height - 20) height = area.height - 20;
  if (fit == 1 && height < 600) height = 600;
  form.SetBounds(form.left(), area.top, form.width(), height);
  form.ScrollTo(0, 0);
  int bottom = 0;
  for (const auto& c : form.controls())
    if (c->parent() == nullptr) bottom = std::max(bottom, c->top() + c->height());

  const std::string target = common::RealPath(fileName);
  if (bottom <= 600) {
    FormToBitmapFile(form, "a.bmp");
    ui::SaveJpegFile(ui::LoadBmpFile(common::RealPath("a.bmp")), target);
    if (common::CurrentSession().ScrambleOn) common::ScrambleFile(fileName);
    common::MessageOk(common::Cz("Snímek je hotov"));
    return;
  }
  FormToBitmapFile(form, "a.bmp");
  common::MessageOk(common::Cz("Klikněte prosím a čekejte na zpracování obrázku"));
  const int scrolled = std::max(bottom - form.clientHeight(), 0);
  form.ScrollTo(0, scrolled);
  FormToBitmapFile(form, "b.bmp");
  const ui::Bitmap a = ui::LoadBmpFile(common::RealPath("a.bmp"));
  const ui::Bitmap b = ui::LoadBmpFile(common::RealPath("b.bmp"));
  ui::Bitmap joined(800, bottom);
  for (int y = 0; y < bottom; ++y) {
    const bool first = y < a.height;
    const ui::Bitmap& from = first ? a : b;
    const int row = first ? y : y - form.scrollPos().y;
    if (row < 0 || row >= from.height) continue;
    for (int x = 0; x < std::min(800, from.width); ++x) joined.SetPixel(x, y, from.Pixel(x, row));
  }
  ui::SaveJpegFile(joined, target);
  form.ScrollTo(0, 0);
  if (common::CurrentSession().ScrambleOn) common::ScrambleFile(fileName);
}

}  // namespace reports
