// Record pictures as files: loading (unscrambled in memory when the output
// scrambling is on), the bitmap copy for printing, the numbering of a record's
// pictures and the printing of one picture.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "ui/bitmap.h"
#include "ui/canvas.h"

namespace browser {

inline constexpr int kMaxPictures = 100;  // numbers 00..99
inline constexpr const char* kPrintBitmap = "obrazek.bmp";
inline constexpr const char* kSysPar = "par\\sys.par";  // "SlozkaObr": where the chooser starts
inline constexpr const char* kOfPar = "OF.PAR";          // the print margins

// A picture file by its Windows name, decoded. With scrambling on the stored file is
// scrambled and is unscrambled here in memory only. Throws common::IoError when the
// file cannot be read and ui::ImageError ("JPEG error #n" and the name) when it cannot
// be decoded, a picture above ui::kMaxJpegPixels included.
ui::Bitmap LoadRecordPicture(std::string_view name);
// A picture file read as it is (JPEG or bitmap), without unscrambling; a JPEG shown
// smaller than it is decoded at the scale that covers the wanted size.
ui::Bitmap LoadPictureFile(std::string_view name, ui::Size wanted = {});

// Reads a JPEG and saves it as a 24-bit Windows bitmap of the same size.
void JpegToBitmapFile(std::string_view jpegName, std::string_view bitmapName);

// The picture files of one record: nameOf(n) is the file of picture n.
using PictureNames = std::function<std::string(int)>;
// The first number 0..99 whose file is missing or empty; -1 when all are taken.
int FirstFreePicture(const PictureNames& nameOf);
// Erases picture k and moves the later ones down by one, keeping their dates.
void DeletePicture(const PictureNames& nameOf, int k);

// The printer's scale in printer pixels per screen pixel (a hundredth of an inch):
// the resolution, at least 72, over 100.
double PrinterScaleOf(int dpi);
// Draws the picture with its top left at (left, top) at its full scaled size.
void PrintPictureAt(ui::PrinterCanvas& canvas, int left, int top, const ui::Bitmap& picture);

}  // namespace browser
