#include "browser/choosers/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/errors.h"
#include "common/fileops.h"
#include "common/osfile.h"
#include "common/session.h"

namespace browser {

namespace {
std::string ReadWhole(std::string_view name) {
  std::string data;
  common::ThrowIfError(common::ReadFileText(name, data), name);
  return data;
}

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace

ui::Bitmap LoadRecordPicture(std::string_view name) {
  std::string data = ReadWhole(name);
  if (common::CurrentSession().ScrambleOn) data = common::UnscrambleBlocks(data);
  return ui::DecodePicture(Bytes(data), name);
}

ui::Bitmap LoadPictureFile(std::string_view name, ui::Size wanted) {
  return ui::DecodePicture(Bytes(ReadWhole(name)), name, wanted);
}

void JpegToBitmapFile(std::string_view jpegName, std::string_view bitmapName) {
  const std::vector<std::uint8_t> bmp = ui::EncodeBmp(ui::DecodeJpeg(Bytes(ReadWhole(jpegName)), jpegName));
  common::ThrowIfError(common::ReplaceFileContents(bitmapName, std::string_view(reinterpret_cast<const char*>(bmp.data()), bmp.size())),
                       bitmapName);
}

int FirstFreePicture(const PictureNames& nameOf) {
  for (int n = 0; n < kMaxPictures; ++n)
    if (common::CheckFile(nameOf(n)) <= 0) return n;
  return -1;
}

void DeletePicture(const PictureNames& nameOf, int k) {
  common::EraseFiles(nameOf(k));
  for (; k + 1 < kMaxPictures && common::CheckFile(nameOf(k + 1)) > 0; ++k) {
    if (common::CopyFileKeepDate(nameOf(k + 1), nameOf(k)) != 0) return;  // the later ones stay put
    common::EraseFiles(nameOf(k + 1));
  }
}

double PrinterScaleOf(int dpi) { return std::max(dpi, 72) / 100.0; }

void PrintPictureAt(ui::PrinterCanvas& canvas, int left, int top, const ui::Bitmap& picture) {
  const int w = static_cast<int>(std::nearbyint(picture.width * PrinterScaleOf(canvas.DpiX())));
  const int h = static_cast<int>(std::nearbyint(picture.height * PrinterScaleOf(canvas.DpiY())));
  canvas.StretchDraw({left, top, w, h}, picture);
}

}  // namespace browser
