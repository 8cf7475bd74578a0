#include "ui/bitmap.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>
#include <jerror.h>

namespace ui {

Bitmap::Bitmap(int w, int h, Color fill) : width(w < 0 ? 0 : w), height(h < 0 ? 0 : h) {
  rgb.resize(static_cast<std::size_t>(width) * height * 3);
  Fill({0, 0, width, height}, fill);
}

Color Bitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return colors::Black;
  const auto* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
  return Rgb(p[0], p[1], p[2]);
}

void Bitmap::SetPixel(int x, int y, Color c) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  c = ToRgb(c);
  auto* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
  p[0] = static_cast<std::uint8_t>(RedOf(c));
  p[1] = static_cast<std::uint8_t>(GreenOf(c));
  p[2] = static_cast<std::uint8_t>(BlueOf(c));
}

void Bitmap::Fill(Rect r, Color c) {
  for (int y = std::max(r.top, 0); y < std::min(r.bottom(), height); ++y)
    for (int x = std::max(r.left, 0); x < std::min(r.right(), width); ++x) SetPixel(x, y, c);
}

Bitmap Stretch(const Bitmap& src, int w, int h) {
  Bitmap out(w, h);
  if (src.empty() || out.empty()) return out;
  for (int y = 0; y < out.height; ++y) {
    int sy = static_cast<int>(static_cast<long long>(y) * src.height / out.height);
    for (int x = 0; x < out.width; ++x) {
      int sx = static_cast<int>(static_cast<long long>(x) * src.width / out.width);
      std::memcpy(&out.rgb[(static_cast<std::size_t>(y) * out.width + x) * 3],
                  &src.rgb[(static_cast<std::size_t>(sy) * src.width + sx) * 3], 3);
    }
  }
  return out;
}

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImageError("Cannot open picture " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.close();
  if (!out) throw ImageError("Cannot write picture " + path);
}

// libjpeg reports fatal errors through error_exit; we leave with longjmp and turn the
// message number into the program's "JPEG error #n".
struct JpegErrors {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  int code = 0;
};

void OnJpegError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<JpegErrors*>(cinfo->err);
  e->code = cinfo->err->msg_code;
  std::longjmp(e->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}

std::string JpegMessage(int code, std::string_view name = {}) {
  return "JPEG error #" + std::to_string(code) + (name.empty() ? "" : " " + std::string(name));
}

// The scale denominator (1, 2, 4 or 8) that decodes w x h smallest while still covering
// the wanted size.
unsigned ScaleFor(unsigned w, unsigned h, Size wanted) {
  if (wanted.width <= 0 || wanted.height <= 0) return 1;
  unsigned denom = 1;
  while (denom < 8 && w / (denom * 2) >= static_cast<unsigned>(wanted.width) &&
         h / (denom * 2) >= static_cast<unsigned>(wanted.height))
    denom *= 2;
  return denom;
}

// Returns 0 or the libjpeg message number of the failure; a picture declaring more than
// kMaxJpegPixels gives JERR_IMAGE_TOO_BIG with its declared size in *declared.
int DecodeJpegInto(const std::uint8_t* data, std::size_t size, Bitmap* out, Size wanted, Size* declared) {
  jpeg_decompress_struct cinfo;
  JpegErrors err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.emit_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return err.code;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  *declared = {static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height)};
  if (static_cast<long long>(cinfo.image_width) * cinfo.image_height > kMaxJpegPixels) {
    jpeg_destroy_decompress(&cinfo);
    return JERR_IMAGE_TOO_BIG;
  }
  cinfo.scale_num = 1;
  cinfo.scale_denom = ScaleFor(cinfo.image_width, cinfo.image_height, wanted);
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  int comps = cinfo.output_components;
  out->width = w;
  out->height = h;
  out->rgb.assign(static_cast<std::size_t>(w) * h * 3, 0);
  std::vector<std::uint8_t> line(static_cast<std::size_t>(w) * comps);
  while (cinfo.output_scanline < cinfo.output_height) {
    auto y = cinfo.output_scanline;
    JSAMPROW row = line.data();
    jpeg_read_scanlines(&cinfo, &row, 1);
    auto* dst = &out->rgb[static_cast<std::size_t>(y) * w * 3];
    for (int x = 0; x < w; ++x) {
      const auto* s = &line[static_cast<std::size_t>(x) * comps];
      if (cmyk) {  // Adobe CMYK is stored inverted
        int k = s[3];
        for (int c = 0; c < 3; ++c) dst[x * 3 + c] = static_cast<std::uint8_t>(s[c] * k / 255);
      } else {
        std::memcpy(dst + x * 3, s, 3);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

int EncodeJpegInto(const Bitmap& bmp, int quality, std::vector<std::uint8_t>* out) {
  jpeg_compress_struct cinfo;
  JpegErrors err;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.emit_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return err.code;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(bmp.width);
  cinfo.image_height = static_cast<JDIMENSION>(bmp.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&bmp.rgb[static_cast<std::size_t>(cinfo.next_scanline) * bmp.width * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  out->assign(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return 0;
}

std::uint32_t Le(std::span<const std::uint8_t> d, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | d[at + i];
  return v;
}

void PutLe(std::vector<std::uint8_t>& d, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) d.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

Bitmap DecodeJpeg(std::span<const std::uint8_t> data, std::string_view name, Size wanted) {
  Bitmap out;
  if (data.size() < 4) throw ImageError(JpegMessage(JERR_INPUT_EMPTY, name), JERR_INPUT_EMPTY);
  Size declared;
  if (int code = DecodeJpegInto(data.data(), data.size(), &out, wanted, &declared)) {
    std::string message = JpegMessage(code, name);
    if (code == JERR_IMAGE_TOO_BIG)
      message += " (" + std::to_string(declared.width) + " x " + std::to_string(declared.height) + ")";
    throw ImageError(message, code);
  }
  return out;
}

std::vector<std::uint8_t> EncodeJpeg(const Bitmap& bmp, int quality) {
  if (bmp.empty()) throw ImageError(JpegMessage(JERR_EMPTY_IMAGE), JERR_EMPTY_IMAGE);
  std::vector<std::uint8_t> out;
  if (int code = EncodeJpegInto(bmp, quality, &out)) throw ImageError(JpegMessage(code), code);
  return out;
}

Bitmap LoadJpegFile(const std::string& path) { return DecodeJpeg(ReadFile(path), path); }

void SaveJpegFile(const Bitmap& bmp, const std::string& path, int quality) {
  WriteFile(path, EncodeJpeg(bmp, quality));
}

Bitmap DecodeBmp(std::span<const std::uint8_t> d) {
  auto bad = [](const char* why) { return ImageError(std::string("Bad bitmap: ") + why); };
  if (d.size() < 26 || d[0] != 'B' || d[1] != 'M') throw bad("not a bitmap file");
  std::uint32_t offset = Le(d, 10, 4), header = Le(d, 14, 4);
  long long w, h;
  int bpp;
  std::uint32_t compression = 0, paletteCount = 0;
  int paletteEntry = 4;
  if (header == 12) {
    w = static_cast<std::int16_t>(Le(d, 18, 2));
    h = static_cast<std::int16_t>(Le(d, 20, 2));
    bpp = static_cast<int>(Le(d, 24, 2));
    paletteEntry = 3;
  } else if (header >= 40 && d.size() >= 54) {
    w = static_cast<std::int32_t>(Le(d, 18, 4));
    h = static_cast<std::int32_t>(Le(d, 22, 4));
    bpp = static_cast<int>(Le(d, 28, 2));
    compression = Le(d, 30, 4);
    paletteCount = Le(d, 46, 4);
  } else {
    throw bad("unknown header");
  }
  bool topDown = h < 0;
  if (topDown) h = -h;
  if (w <= 0 || h <= 0 || w > 30000 || h > 30000) throw bad("size out of range");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) throw bad("unsupported depth");
  if (compression != 0 && !(compression == 3 && bpp == 32)) throw bad("compressed bitmaps are not supported");
  std::size_t paletteAt = 14 + header;
  if (bpp <= 8 && paletteCount == 0) paletteCount = 1u << bpp;
  if (bpp <= 8 && (paletteCount > 256 || paletteAt + paletteCount * paletteEntry > d.size()))
    throw bad("palette cut short");
  std::size_t stride = ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4;
  if (offset > d.size() || stride * h > d.size() - offset) throw bad("pixel data cut short");
  Bitmap out(static_cast<int>(w), static_cast<int>(h));
  for (long long y = 0; y < h; ++y) {
    std::size_t row = offset + stride * static_cast<std::size_t>(topDown ? y : h - 1 - y);
    for (long long x = 0; x < w; ++x) {
      Color c;
      if (bpp >= 24) {
        const auto* p = &d[row + static_cast<std::size_t>(x) * (bpp / 8)];
        c = Rgb(p[2], p[1], p[0]);
      } else {
        std::size_t bit = static_cast<std::size_t>(x) * bpp;
        int index = (d[row + bit / 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1);
        if (static_cast<std::uint32_t>(index) >= paletteCount) index = 0;
        const auto* p = &d[paletteAt + static_cast<std::size_t>(index) * paletteEntry];
        c = Rgb(p[2], p[1], p[0]);
      }
      out.SetPixel(static_cast<int>(x), static_cast<int>(y), c);
    }
  }
  return out;
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bmp) {
  std::size_t stride = ((static_cast<std::size_t>(bmp.width) * 24 + 31) / 32) * 4;
  std::size_t pixels = stride * bmp.height;
  std::vector<std::uint8_t> d;
  d.reserve(54 + pixels);
  d.push_back('B');
  d.push_back('M');
  PutLe(d, static_cast<std::uint32_t>(54 + pixels), 4);
  PutLe(d, 0, 4);
  PutLe(d, 54, 4);
  PutLe(d, 40, 4);
  PutLe(d, static_cast<std::uint32_t>(bmp.width), 4);
  PutLe(d, static_cast<std::uint32_t>(bmp.height), 4);
  PutLe(d, 1, 2);
  PutLe(d, 24, 2);
  PutLe(d, 0, 4);
  PutLe(d, static_cast<std::uint32_t>(pixels), 4);
  PutLe(d, 3780, 4);  // 96 pixels per inch
  PutLe(d, 3780, 4);
  PutLe(d, 0, 4);
  PutLe(d, 0, 4);
  for (int y = bmp.height - 1; y >= 0; --y) {
    for (int x = 0; x < bmp.width; ++x) {
      const auto* p = &bmp.rgb[(static_cast<std::size_t>(y) * bmp.width + x) * 3];
      d.push_back(p[2]);
      d.push_back(p[1]);
      d.push_back(p[0]);
    }
    for (std::size_t pad = static_cast<std::size_t>(bmp.width) * 3; pad < stride; ++pad) d.push_back(0);
  }
  return d;
}

Bitmap LoadBmpFile(const std::string& path) { return DecodeBmp(ReadFile(path)); }

void SaveBmpFile(const Bitmap& bmp, const std::string& path) { WriteFile(path, EncodeBmp(bmp)); }

Bitmap DecodePicture(std::span<const std::uint8_t> data, std::string_view name, Size wanted) {
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data);
  return DecodeJpeg(data, name, wanted);
}

Bitmap LoadPictureFile(const std::string& path, Size wanted) { return DecodePicture(ReadFile(path), path, wanted); }

}  // namespace ui
