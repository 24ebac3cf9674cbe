#include "skin/image_decode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "skin/picture_fixtures.h"

namespace vortik {
namespace {

using testing::EncodePng;
using testing::EncodeRgba;
using testing::PngLayout;

std::array<uint8_t, 4> PixelOf(const Bitmap& b, int x, int y) {
  const uint8_t* p = b.Row(y) + static_cast<size_t>(x) * (b.bitsPerPixel / 8);
  return {p[0], p[1], p[2], b.bitsPerPixel == 32 ? p[3] : uint8_t{255}};
}

TEST(DecodePng, TwentyFourBitOutputGivesTransparentPixelsTheBackColour) {
  // Opaque, fully transparent, alpha 1 (shown at full colour), half transparent.
  const std::vector<uint8_t> rgba = {10, 20, 30, 255, 40, 50, 60, 0,   70, 80, 90, 1,
                                     1,  2,  3,  128, 4,  5,  6,  255, 7,  8,  9,  0};
  const auto png = EncodeRgba(3, 2, rgba);
  BitmapRef b = DecodePng(png.data(), png.size(), kDefaultBackColour);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->bitsPerPixel, 24);
  EXPECT_EQ(b->rowBytes, 12);  // 9 bytes of pixels padded to a multiple of 4
  EXPECT_EQ(PixelOf(*b, 0, 0), (std::array<uint8_t, 4>{10, 20, 30, 255}));
  EXPECT_EQ(PixelOf(*b, 1, 0), (std::array<uint8_t, 4>{0xEF, 0xCD, 0xAB, 255}));
  EXPECT_EQ(PixelOf(*b, 2, 0), (std::array<uint8_t, 4>{70, 80, 90, 255}));
  EXPECT_EQ(PixelOf(*b, 0, 1), (std::array<uint8_t, 4>{1, 2, 3, 255}));
  EXPECT_EQ(PixelOf(*b, 2, 1), (std::array<uint8_t, 4>{0xEF, 0xCD, 0xAB, 255}));
  for (int y = 0; y < 2; ++y) {
    for (int pad = 9; pad < 12; ++pad) EXPECT_EQ(b->Row(y)[pad], 0) << "row " << y;
  }

  BitmapRef other = DecodePng(png.data(), png.size(), Rgb(1, 2, 250));
  ASSERT_TRUE(other);
  EXPECT_EQ(PixelOf(*other, 1, 0), (std::array<uint8_t, 4>{1, 2, 250, 255}));
}

TEST(DecodePng, NoBackColourKeepsTheAlphaChannel) {
  const std::vector<uint8_t> rgba = {10, 20, 30, 255, 40, 50, 60, 0, 70, 80, 90, 1};
  const auto png = EncodeRgba(3, 1, rgba);
  BitmapRef b = DecodePng(png.data(), png.size(), kColourNone);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->bitsPerPixel, 32);
  EXPECT_EQ(b->rowBytes, 12);
  EXPECT_EQ(b->pixels, rgba);
}

// Every other PNG format comes out as the 8-bit RGBA it shows.
TEST(DecodePng, ExpandsOtherFormatsToEightBitRgba) {
  struct Case {
    const char* what;
    PngLayout layout;
    std::vector<uint8_t> expected;  // RGBA of the pixels, row after row
  };
  std::vector<Case> cases;
  {
    PngLayout s;
    s.width = 2;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {{200, 10, 20}, {5, 6, 7}};
    s.paletteAlpha = {255, 0};
    s.rows = {{0, 1}};
    cases.push_back({"palette with transparency", s, {200, 10, 20, 255, 5, 6, 7, 0}});
  }
  {
    PngLayout s;
    s.width = 3;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.bitDepth = 2;
    s.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    s.rows = {{0b00011000}};  // indices 0, 1, 2
    cases.push_back({"2-bit palette", s, {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}});
  }
  {
    PngLayout s;
    s.width = 2;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 1;
    s.rows = {{0b10000000}};
    cases.push_back({"1-bit grey", s, {255, 255, 255, 255, 0, 0, 0, 255}});
  }
  {
    PngLayout s;
    s.width = 2;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.rows = {{77, 9}};
    s.hasGreyKey = true;
    s.greyKey = 9;
    cases.push_back({"grey with a transparent key", s, {77, 77, 77, 255, 9, 9, 9, 0}});
  }
  {
    PngLayout s;
    s.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    s.rows = {{120, 60}};
    cases.push_back({"grey and alpha", s, {120, 120, 120, 60}});
  }
  {
    PngLayout s;
    s.width = 2;
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.rows = {{1, 2, 3, 250, 251, 252}};
    cases.push_back({"RGB", s, {1, 2, 3, 255, 250, 251, 252, 255}});
  }
  {
    PngLayout s;
    s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.bitDepth = 16;
    s.rows = {{0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF}};
    cases.push_back({"16-bit RGBA", s, {255, 128, 0, 255}});
  }
  {
    PngLayout s;
    s.width = 3;
    s.height = 3;
    s.interlaced = true;
    for (int y = 0; y < 3; ++y) {
      std::vector<uint8_t> row;
      for (int x = 0; x < 3; ++x) {
        row.insert(row.end(), {static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 10), 5, 255});
      }
      s.rows.push_back(row);
    }
    std::vector<uint8_t> expected;
    for (const auto& row : s.rows) expected.insert(expected.end(), row.begin(), row.end());
    cases.push_back({"interlaced", s, expected});
  }

  for (const Case& c : cases) {
    const auto png = EncodePng(c.layout);
    ASSERT_FALSE(png.empty()) << c.what;
    BitmapRef b = DecodePng(png.data(), png.size(), kColourNone);
    ASSERT_TRUE(b) << c.what;
    EXPECT_EQ(b->width, c.layout.width) << c.what;
    EXPECT_EQ(b->height, c.layout.height) << c.what;
    EXPECT_EQ(b->pixels, c.expected) << c.what;
  }
}

uint32_t Crc(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Rewrites the IHDR's width and height and fixes its CRC, so only the size is wrong.
std::vector<uint8_t> WithSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
  auto put = [&](size_t at, uint32_t v) {
    png[at] = static_cast<uint8_t>(v >> 24);
    png[at + 1] = static_cast<uint8_t>(v >> 16);
    png[at + 2] = static_cast<uint8_t>(v >> 8);
    png[at + 3] = static_cast<uint8_t>(v);
  };
  put(16, width);
  put(20, height);
  put(29, Crc(png.data() + 12, 17));  // chunk type and data
  return png;
}

TEST(DecodePng, DamagedPicturesGiveNoBitmap) {
  const auto good = testing::SolidPng(16, 16, 1, 2, 3);
  ASSERT_TRUE(DecodePng(good.data(), good.size(), kDefaultBackColour));

  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"signature only", std::vector<uint8_t>(good.begin(), good.begin() + 8)});
  cases.push_back(
      {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)});
  auto badCrc = good;
  badCrc[45] ^= 0x5A;  // inside the image data chunk
  cases.push_back({"corrupt data", badCrc});
  cases.push_back({"not a PNG", std::vector<uint8_t>(64, 0x42)});
  cases.push_back({"zero width", WithSize(good, 0, 16)});
  cases.push_back({"huge", WithSize(good, 100000, 100000)});

  for (const Case& c : cases) {
    EXPECT_FALSE(DecodePng(c.bytes.data(), c.bytes.size(), kDefaultBackColour)) << c.what;
    EXPECT_FALSE(DecodePng(c.bytes.data(), c.bytes.size(), kColourNone)) << c.what;
  }
  EXPECT_FALSE(DecodePng(nullptr, 100, kDefaultBackColour));
}

// A well-formed picture within the side limit but with more pixels than any skin needs is
// refused before its pixels are allocated: a few hundred bytes must not cost gigabytes.
TEST(DecodePng, PicturesAboveThePixelLimitGiveNoBitmap) {
  PngLayout strip;  // 1-bit grey compresses to almost nothing
  strip.colourType = PNG_COLOR_TYPE_GRAY;
  strip.bitDepth = 1;
  strip.width = static_cast<int>(kMaxPictureSide);
  strip.height = static_cast<int>(kMaxPicturePixels / kMaxPictureSide) + 1;
  strip.rows.assign(static_cast<size_t>(strip.height),
                    std::vector<uint8_t>(static_cast<size_t>(strip.width) / 8, 0x55));
  const auto big = EncodePng(strip);
  ASSERT_FALSE(big.empty());
  EXPECT_FALSE(DecodePng(big.data(), big.size(), kColourNone));
  EXPECT_FALSE(DecodePng(big.data(), big.size(), kDefaultBackColour));

  strip.height = 1;  // the full side in one row is fine
  strip.rows.resize(1);
  const auto row = EncodePng(strip);
  EXPECT_TRUE(DecodePng(row.data(), row.size(), kColourNone));
}

TEST(LoadJPGfromStream, DecodesColourAndGreyToTwentyFourBits) {
  const auto colour = testing::EncodeJpeg(5, 3, 3, 200, 40, 90);
  BitmapRef b = LoadJPGfromStream(colour.data(), colour.size());
  ASSERT_TRUE(b);
  EXPECT_EQ(b->width, 5);
  EXPECT_EQ(b->height, 3);
  EXPECT_EQ(b->bitsPerPixel, 24);
  EXPECT_EQ(b->rowBytes, 16);
  const auto p = PixelOf(*b, 4, 2);
  EXPECT_NEAR(p[0], 200, 4);
  EXPECT_NEAR(p[1], 40, 4);
  EXPECT_NEAR(p[2], 90, 4);

  const auto grey = testing::EncodeJpeg(4, 4, 1, 128, 0, 0);
  BitmapRef g = LoadJPGfromStream(grey.data(), grey.size());
  ASSERT_TRUE(g);
  const auto q = PixelOf(*g, 1, 1);
  EXPECT_NEAR(q[0], 128, 2);
  EXPECT_EQ(q[0], q[1]);
  EXPECT_EQ(q[1], q[2]);
}

TEST(LoadJPGfromStream, DamagedPicturesGiveNoBitmap) {
  const auto good = testing::EncodeJpeg(8, 8, 3, 1, 2, 3);
  const std::vector<uint8_t> header(good.begin(), good.begin() + 20);
  const std::vector<uint8_t> garbage(100, 0x33);
  EXPECT_FALSE(LoadJPGfromStream(header.data(), header.size()));
  EXPECT_FALSE(LoadJPGfromStream(garbage.data(), garbage.size()));
  EXPECT_FALSE(LoadJPGfromStream(nullptr, 0));

  // Cut pictures: libjpeg fills in grey with a warning; a warning about the data is a failure.
  const auto picture = testing::EncodeJpeg(64, 64, 3, 10, 200, 30);
  ASSERT_TRUE(LoadJPGfromStream(picture.data(), picture.size()));
  for (size_t cut : {size_t{2}, size_t{20}}) {
    SCOPED_TRACE(cut);
    const std::vector<uint8_t> shorter(picture.begin(),
                                       picture.end() - static_cast<ptrdiff_t>(cut));
    EXPECT_FALSE(LoadJPGfromStream(shorter.data(), shorter.size()));
  }
}

TEST(LoadJPGfromStream, PicturesAboveThePixelLimitGiveNoBitmap) {
  const int height = static_cast<int>(kMaxPicturePixels / kMaxPictureSide) + 1;
  const auto big = testing::EncodeJpeg(static_cast<int>(kMaxPictureSide), height, 1, 9, 0, 0);
  ASSERT_FALSE(big.empty());
  EXPECT_FALSE(LoadJPGfromStream(big.data(), big.size()));
}

std::vector<uint8_t> Bmp(int width, int height, int bpp, const std::vector<uint8_t>& pixelRows) {
  std::vector<uint8_t> b(54, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(54 + pixelRows.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = static_cast<uint8_t>(bpp);
  b.insert(b.end(), pixelRows.begin(), pixelRows.end());
  return b;
}

TEST(DecodeBmp, ReadsBottomUpAndTopDownFiles) {
  // Two rows of two blue-green-red pixels, each row padded to 8 bytes.
  const std::vector<uint8_t> rows = {3, 2, 1, 6,  5,  4,  0, 0,  // stored first
                                     9, 8, 7, 12, 11, 10, 0, 0};
  const auto bottomUp = Bmp(2, 2, 24, rows);
  BitmapRef b = DecodeBmp(bottomUp.data(), bottomUp.size());
  ASSERT_TRUE(b);
  EXPECT_EQ(PixelOf(*b, 0, 0), (std::array<uint8_t, 4>{7, 8, 9, 255}));
  EXPECT_EQ(PixelOf(*b, 1, 1), (std::array<uint8_t, 4>{4, 5, 6, 255}));
  const auto topDown = Bmp(2, -2, 24, rows);
  BitmapRef t = DecodeBmp(topDown.data(), topDown.size());
  ASSERT_TRUE(t);
  EXPECT_EQ(PixelOf(*t, 0, 0), (std::array<uint8_t, 4>{1, 2, 3, 255}));

  const auto truncated = Bmp(2, 2, 24, std::vector<uint8_t>(rows.begin(), rows.begin() + 10));
  EXPECT_FALSE(DecodeBmp(truncated.data(), truncated.size()));
  const auto palette = Bmp(2, 2, 8, rows);
  EXPECT_FALSE(DecodeBmp(palette.data(), palette.size()));
}

TEST(DrawBitmap, CopiesPixelForPixelClippedWithTheKeyTransparent) {
  BitmapRef src = Bitmap::Create(3, 3, 24);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      uint8_t* p = src->Row(y) + x * 3;
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 7;
    }
  }
  uint8_t* key = src->Row(2) + 2 * 3;
  key[0] = 0xEF;
  key[1] = 0xCD;
  key[2] = 0xAB;
  BitmapRef dst = Bitmap::Create(4, 4, 32);
  // Offset (-1, -1) with the source's size + 1 each way: column and row 0 fall outside.
  DrawBitmap(*src, *dst, -1, -1, 4, 4, kDefaultBackColour);
  EXPECT_EQ(PixelOf(*dst, 0, 0), (std::array<uint8_t, 4>{1, 1, 7, 255}));
  EXPECT_EQ(PixelOf(*dst, 1, 0), (std::array<uint8_t, 4>{2, 1, 7, 255}));
  EXPECT_EQ(PixelOf(*dst, 1, 1)[3], 0);  // the key colour
  EXPECT_EQ(PixelOf(*dst, 2, 0)[3], 0);  // beyond the source: untouched
  EXPECT_EQ(PixelOf(*dst, 3, 3)[3], 0);

  BitmapRef opaque = Bitmap::Create(4, 4, 32);
  DrawBitmap(*src, *opaque, 0, 0, 3, 3, std::nullopt);
  EXPECT_EQ(PixelOf(*opaque, 2, 2), (std::array<uint8_t, 4>{0xEF, 0xCD, 0xAB, 255}));
}

}  // namespace
}  // namespace vortik
