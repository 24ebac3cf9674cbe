// Colour values as the toolkit stores them, shared by the pictures and the tool's coloured
// report text.
#pragma once

#include <cstdint>

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

}  // namespace vortik
