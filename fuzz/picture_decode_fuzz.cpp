// Skin picture decoders on arbitrary bytes: PNG (both output forms), JPEG and BMP must give a
// bitmap or none, never a crash or a read outside the input.
#include <cstddef>
#include <cstdint>

#include "skin/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vortik::DecodePng(data, size, vortik::kDefaultBackColour);
  vortik::DecodePng(data, size, vortik::kColourNone);
  vortik::LoadJPGfromStream(data, size);
  vortik::DecodeBmp(data, size);
  return 0;
}
