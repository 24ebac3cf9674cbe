// Plain pixel buffers for skin pictures and the copy of one picture onto another.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "base/colour.h"

namespace vortik {

// A decoded picture, rows top-down. 24 bits per pixel: R, G, B with each row padded to a
// multiple of 4 bytes. 32 bits per pixel: R, G, B, A (straight alpha), no padding.
struct Bitmap {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 32;
  int rowBytes = 0;
  std::vector<uint8_t> pixels;
  // The same picture drawn at twice the width and height, for screens with more than one
  // device pixel per window pixel; none when the skin has no such drawing.
  std::shared_ptr<Bitmap> doubled;

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
