// Pictures in memory, and the two file formats the program meets: JPEG (through
// libjpeg) and uncompressed Windows bitmaps. Paths are real file-system paths.
#pragma once
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ui/types.h"

namespace ui {

// A picture that could not be read or written. code is the JPEG library's message
// number for JPEG errors ("JPEG error #<code>"), 0 otherwise.
struct ImageError : std::runtime_error {
  int code = 0;
  ImageError(const std::string& what, int code = 0) : std::runtime_error(what), code(code) {}
};

// 24-bit RGB pixels, rows top-down, 3 bytes per pixel.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;

  Bitmap() = default;
  Bitmap(int w, int h, Color fill = colors::White);
  bool empty() const { return width <= 0 || height <= 0; }
  Color Pixel(int x, int y) const;
  void SetPixel(int x, int y, Color c);
  void Fill(Rect r, Color c);
  friend bool operator==(const Bitmap&, const Bitmap&) = default;
};

// A size in pixels; 0 x 0 is none.
struct Size {
  int width = 0, height = 0;
};

// Nearest-neighbour scaling to w x h.
Bitmap Stretch(const Bitmap& src, int w, int h);

// A picture declaring more pixels than this is refused before it is decoded.
inline constexpr long long kMaxJpegPixels = 100'000'000;

// Decodes a JPEG. `name` names the picture in error messages ("JPEG error #n name").
// With a wanted size the picture is decoded at the smallest scale of 1/1, 1/2, 1/4,
// 1/8 that still covers it (the decoder's scaled decoding), so a picture shown smaller
// than it is never takes its full size in memory.
Bitmap DecodeJpeg(std::span<const std::uint8_t> data, std::string_view name = {}, Size wanted = {});
std::vector<std::uint8_t> EncodeJpeg(const Bitmap& bmp, int quality = 90);
Bitmap LoadJpegFile(const std::string& path);
void SaveJpegFile(const Bitmap& bmp, const std::string& path, int quality = 90);

// Reads 1-, 4-, 8-, 24- and 32-bit uncompressed bitmaps; writes 24-bit.
Bitmap DecodeBmp(std::span<const std::uint8_t> data);
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bmp);
Bitmap LoadBmpFile(const std::string& path);
void SaveBmpFile(const Bitmap& bmp, const std::string& path);

// A JPEG or a bitmap, told apart by its first bytes; name and wanted as DecodeJpeg's.
Bitmap DecodePicture(std::span<const std::uint8_t> data, std::string_view name = {}, Size wanted = {});
// A JPEG or a bitmap file.
Bitmap LoadPictureFile(const std::string& path, Size wanted = {});

}  // namespace ui
