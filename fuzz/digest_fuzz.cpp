// Digest texts and the verification trailer: the hexadecimal decoder, the digest check of a
// file against a text, and the trailer check, which cuts a trailer it finds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/file_ops.h"
#include "upgrade/firmware_file.h"
#include "upgrade/md5_check.h"

using vortik::fuzz::Check;

namespace {

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t count = size / 2;
  const auto bytes = vortik::HexToBytes(text, count);
  bool allHex = true;
  for (size_t i = 0; i < 2 * count; ++i) allHex = allHex && IsHex(text[i]);
  Check(bytes.has_value() == allHex, "decodes exactly the hexadecimal texts");
  if (bytes) Check(bytes->size() == count, "one byte per two digits");

  const std::string path = vortik::fuzz::WriteScratch("image.bin", data, size);
  const int digest = vortik::CheckFileMd5(path, text.substr(0, 40));
  Check(digest == 0 || digest == -1, "digest check result");

  const int trailer = vortik::CheckMd5Trailer(path);
  const int64_t after = vortik::platform::FileSize(path);
  const bool marked = size >= vortik::kMd5TrailerSize &&
                      text.substr(size - vortik::kMd5TrailerSize,
                                  vortik::kMd5TrailerMarker.size()) == vortik::kMd5TrailerMarker;
  if (trailer == 1) Check(!marked && after == static_cast<int64_t>(size), "no trailer, no cut");
  if (trailer == 0 || marked) {
    Check(after == static_cast<int64_t>(size - vortik::kMd5TrailerSize), "trailer cut");
  }
  return 0;
}
