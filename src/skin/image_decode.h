// Picture decoders for the skin: PNG (libpng), JPEG (libjpeg) and uncompressed BMP.
#pragma once

#include <cstddef>
#include <cstdint>

#include "skin/bitmap.h"

namespace vortik {

// Pictures larger than this in either direction are refused (a hostile header must not make
// us allocate gigabytes).
inline constexpr uint32_t kMaxPictureSide = 16384;
// Pictures with more pixels than this are refused too (64 MiB as RGBA): far beyond any skin
// picture, far below what a crafted header could ask for within the side limit.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{4096} * 4096;

// Decodes a PNG of any colour type and bit depth (expanded to 8-bit RGBA). With `backColor`
// kColourNone the result is 32-bit RGBA; otherwise 24-bit RGB in which fully transparent pixels
// take `backColor` and every other pixel keeps its colour, its alpha ignored. A corrupt,
// truncated or empty picture gives nullptr.
BitmapRef DecodePng(const uint8_t* data, size_t size, Colour backColor);

// Decodes a JPEG into a 24-bit RGB bitmap; nullptr when it cannot be decoded.
BitmapRef LoadJPGfromStream(const uint8_t* data, size_t size);

// Decodes an uncompressed 24- or 32-bit Windows bitmap file into a 24-bit RGB bitmap;
// nullptr for any other kind or a damaged file.
BitmapRef DecodeBmp(const uint8_t* data, size_t size);

}  // namespace vortik
