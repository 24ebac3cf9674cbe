// The DTC table's three readers over arbitrary table bytes, and the search key.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dtc/dtc_file.h"
#include "fuzz_support.h"

using vortik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int32_t lines = vortik::CountDtcLines(bytes);
  Check(lines >= 0 && static_cast<size_t>(lines) <= size, "line count");
  const auto codes = vortik::ReadDtcMatchCodes(bytes);
  const auto entries = vortik::ReadDtcEntries(bytes);
  for (const auto& code : codes) Check(code.size() <= vortik::kDtcMatchCodeMax, "match code size");
  for (const auto& e : entries) {
    Check(e.code.size() <= vortik::kDtcCodeMax && e.brand.size() <= vortik::kDtcBrandMax &&
              e.contents.size() <= vortik::kDtcContentsMax,
          "entry field sizes");
  }
  const auto key = vortik::DtcSearchKey(bytes.substr(0, 64));
  Check(key.size() <= 64, "search key size");
  return 0;
}
