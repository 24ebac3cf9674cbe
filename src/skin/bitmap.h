// Plain pixel buffers for skin pictures, colour values and the copy of one picture onto another.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vortik {

// Colours are stored as 0x00BBGGRR, the toolkit's colour value.
using Colour = uint32_t;
constexpr Colour Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}
constexpr uint8_t RedOf(Colour c) {
  return static_cast<uint8_t>(c & 0xFF);
}
constexpr uint8_t GreenOf(Colour c) {
  return static_cast<uint8_t>((c >> 8) & 0xFF);
}
constexpr uint8_t BlueOf(Colour c) {
  return static_cast<uint8_t>((c >> 16) & 0xFF);
}

// The value for "no colour": a PNG decoded with it keeps its alpha channel.
inline constexpr Colour kColourNone = 0x1FFFFFFF;
// Fully transparent PNG pixels get this colour in 24-bit output; transparent picture controls
// show the window through pixels of this colour.
inline constexpr Colour kDefaultBackColour = Rgb(0xEF, 0xCD, 0xAB);

// A decoded picture, rows top-down. 24 bits per pixel: R, G, B with each row padded to a
// multiple of 4 bytes. 32 bits per pixel: R, G, B, A (straight alpha), no padding.
struct Bitmap {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 32;
  int rowBytes = 0;
  std::vector<uint8_t> pixels;

  // A cleared bitmap of the given size (transparent black for 32 bits, black for 24).
  static std::shared_ptr<Bitmap> Create(int width, int height, int bitsPerPixel);
  const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * rowBytes; }
  uint8_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * rowBytes; }
};

using BitmapRef = std::shared_ptr<Bitmap>;

// Size facts of a bitmap, as a caller-owned record.
struct BitmapInfo {
  int width = 0;
  int height = 0;
  int rowBytes = 0;
  int planes = 1;
  int bitsPerPixel = 0;
};

// Copies the rectangle (0, 0, width, height) of `src` to (x, y) of the 32-bit `dst`, pixel for
// pixel without blending, clipped to both bitmaps. 24-bit pixels become opaque, except those
// equal to `transparentKey` (when given), which become fully transparent.
void DrawBitmap(const Bitmap& src, Bitmap& dst, int x, int y, int width, int height,
                std::optional<Colour> transparentKey);

}  // namespace vortik
