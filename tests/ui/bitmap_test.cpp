// Pictures: JPEG through libjpeg, Windows bitmaps, and the image control.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ui/bitmap.h"
#include "ui/headless/headless.h"

namespace ui {
namespace {

namespace fs = std::filesystem;

class UiPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "ui-pictures-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  static void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  fs::path dir_;
};

// Four coloured quarters, so that orientation and channels show.
Bitmap Quarters(int w, int h) {
  Bitmap b(w, h, colors::Red);
  b.Fill({w / 2, 0, w - w / 2, h / 2}, colors::Lime);
  b.Fill({0, h / 2, w / 2, h - h / 2}, colors::Blue);
  b.Fill({w / 2, h / 2, w - w / 2, h - h / 2}, colors::White);
  return b;
}

bool Near(Color a, Color b, int tolerance) {
  return std::abs(RedOf(a) - RedOf(b)) <= tolerance && std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
         std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

TEST_F(UiPictures, JpegRoundTripKeepsSizeAndColours) {
  Bitmap b = Quarters(64, 48);
  SaveJpegFile(b, Path("a.jpg"), 95);
  Bitmap back = LoadPictureFile(Path("a.jpg"));
  ASSERT_EQ(back.width, 64);
  ASSERT_EQ(back.height, 48);
  EXPECT_TRUE(Near(back.Pixel(5, 5), colors::Red, 12));
  EXPECT_TRUE(Near(back.Pixel(58, 5), colors::Lime, 12));
  EXPECT_TRUE(Near(back.Pixel(5, 42), colors::Blue, 12));
  EXPECT_TRUE(Near(back.Pixel(58, 42), colors::White, 12));
}

TEST_F(UiPictures, BrokenJpegGivesTheLibraryErrorNumber) {
  auto good = EncodeJpeg(Quarters(16, 16));
  std::vector<std::uint8_t> notJpeg{'G', 'I', 'F', '8', '9', 'a', 0, 0};
  try {
    DecodeJpeg(notJpeg);
    FAIL() << "no error";
  } catch (const ImageError& e) {
    EXPECT_GT(e.code, 0);
    EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(e.code));
  }
  // Cut inside the header: an error, not a crash or a partial picture.
  std::vector<std::uint8_t> cut(good.begin(), good.begin() + 40);
  EXPECT_THROW(DecodeJpeg(cut), ImageError);
  EXPECT_THROW(DecodeJpeg({}), ImageError);
  EXPECT_THROW(LoadJpegFile(Path("missing.jpg")), ImageError);
}

// A 16 x 16 JPEG whose frame header declares w x h.
std::vector<std::uint8_t> Declaring(int w, int h) {
  std::vector<std::uint8_t> j = EncodeJpeg(Quarters(16, 16));
  for (std::size_t i = 0; i + 8 < j.size(); ++i)
    if (j[i] == 0xFF && j[i + 1] == 0xC0) {
      j[i + 5] = static_cast<std::uint8_t>(h >> 8);
      j[i + 6] = static_cast<std::uint8_t>(h);
      j[i + 7] = static_cast<std::uint8_t>(w >> 8);
      j[i + 8] = static_cast<std::uint8_t>(w);
      return j;
    }
  ADD_FAILURE() << "no frame header";
  return j;
}

TEST_F(UiPictures, APictureDeclaringTooManyPixelsIsRefusedBeforeDecoding) {
  Write(Path("big.jpg"), Declaring(30000, 30000));
  try {
    LoadPictureFile(Path("big.jpg"));
    FAIL() << "decoded";
  } catch (const ImageError& e) {
    EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(e.code) + " " + Path("big.jpg") + " (30000 x 30000)");
  }
  EXPECT_THROW(DecodeJpeg(Declaring(10001, 10000)), ImageError);
}

TEST_F(UiPictures, APictureShownSmallerIsDecodedAtTheScaleThatCoversIt) {
  const std::vector<std::uint8_t> jpeg = EncodeJpeg(Quarters(640, 480), 95);
  const struct {
    Size wanted;
    int width, height;
  } cases[] = {{{}, 640, 480}, {{150, 150}, 320, 240}, {{80, 60}, 80, 60}, {{81, 10}, 160, 120}, {{600, 100}, 640, 480}};
  for (const auto& c : cases) {
    const Bitmap b = DecodeJpeg(jpeg, "a.jpg", c.wanted);
    EXPECT_EQ(b.width, c.width) << c.wanted.width;
    EXPECT_EQ(b.height, c.height) << c.wanted.width;
    EXPECT_TRUE(Near(b.Pixel(b.width - 2, b.height - 2), colors::White, 16)) << c.wanted.width;
  }
}

TEST_F(UiPictures, BitmapFilesRoundTripBottomUpWithPaddedRows) {
  Bitmap b = Quarters(5, 3);  // 15 bytes a row, padded to 16
  auto bytes = EncodeBmp(b);
  ASSERT_EQ(bytes.size(), 54u + 16 * 3);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[28], 24);                    // bits per pixel
  EXPECT_EQ(bytes[54], 255);                   // first stored row is the bottom one: blue pixel as B,G,R
  EXPECT_EQ(bytes[54 + 16 * 2 + 2], 255);      // top row, first pixel red: R is the third byte
  EXPECT_EQ(DecodeBmp(bytes), b);
  SaveBmpFile(b, Path("obrazek.bmp"));
  EXPECT_EQ(LoadPictureFile(Path("obrazek.bmp")), b);
}

TEST_F(UiPictures, EightBitPaletteBitmapsAreRead) {
  // 2 x 2, 8 bits, palette of two colours, top-down (negative height).
  std::vector<std::uint8_t> d{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 0xFE, 0xFF,
                              0xFF, 0xFF, 1, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0,
                              0, 0, 0, 0,
                              /* palette */ 0, 0, 255, 0, 255, 0, 0, 0,
                              /* rows */ 0, 1, 0, 0, 1, 0, 0, 0};
  Bitmap b = DecodeBmp(d);
  ASSERT_EQ(b.width, 2);
  ASSERT_EQ(b.height, 2);
  EXPECT_EQ(b.Pixel(0, 0), colors::Red);
  EXPECT_EQ(b.Pixel(1, 0), colors::Blue);
  EXPECT_EQ(b.Pixel(0, 1), colors::Blue);
}

TEST_F(UiPictures, MalformedBitmapsAreRefused) {
  auto good = EncodeBmp(Quarters(8, 8));
  std::vector<std::uint8_t> cut(good.begin(), good.end() - 10);
  EXPECT_THROW(DecodeBmp(cut), ImageError);
  auto huge = good;
  huge[18] = 0xFF, huge[19] = 0xFF, huge[20] = 0xFF, huge[21] = 0x7F;  // width 2^31-1
  EXPECT_THROW(DecodeBmp(huge), ImageError);
  auto rle = good;
  rle[30] = 1;  // compressed
  EXPECT_THROW(DecodeBmp(rle), ImageError);
  EXPECT_THROW(DecodeBmp(std::vector<std::uint8_t>{'B', 'M'}), ImageError);
}

TEST_F(UiPictures, ImageControlLoadsAndSizesItself) {
  headless::HeadlessBackend h;
  Form f("TfFoto");
  auto& image = f.Add<Image>("Image1");
  SaveJpegFile(Quarters(150, 100), Path("000123-00.jpg"));
  image.SetAutoSize(true);
  image.LoadFromFile(Path("000123-00.jpg"));
  EXPECT_EQ(image.width(), 150);
  EXPECT_EQ(image.height(), 100);
  Write(Path("bad.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3});
  EXPECT_THROW(image.LoadFromFile(Path("bad.jpg")), ImageError);
  EXPECT_EQ(image.picture().width, 150);  // the old picture stays
  Bitmap grab = GrabForm(f);
  EXPECT_EQ(grab.width, f.clientWidth());
  EXPECT_TRUE(Near(grab.Pixel(5, 5), colors::Red, 12));
}

}  // namespace
}  // namespace ui
