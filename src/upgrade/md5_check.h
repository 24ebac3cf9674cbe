// MD5 checks of fetched firmware files: hexadecimal digests, file digest, size and trailer checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/md5.h"

namespace vortik {

using Md5Digest = platform::Md5Digest;

// `count` bytes from the first 2 * count characters, high nibble first; letters of either case
// give 10..15. Nothing when one of those characters is missing or not a hexadecimal digit, so a
// malformed digest never matches.
std::optional<std::vector<uint8_t>> HexToBytes(std::string_view text, size_t count);

// Lower-case hexadecimal text of a digest.
std::string Md5Hex(const Md5Digest& digest);

// Digest of the whole file, read in one pass in 64 KiB pieces. False when the file cannot be
// opened or read.
bool FileMd5(const std::string& path, Md5Digest& digest);

// 0 when the file's digest equals the 32-digit `hexDigest`, -1 otherwise (also when the file
// cannot be read or the text's first 32 characters are not all hexadecimal digits).
int CheckFileMd5(const std::string& path, std::string_view hexDigest);

// 0 when the file can be opened and has exactly `expectedSize` bytes, -1 otherwise.
int CheckFileSize(const std::string& path, int64_t expectedSize);

// 1: no trailer, the file is unchanged. 0: a trailer whose digest matches the rest of the file;
// the trailer has been cut off. -1: the file cannot be opened for update, or a trailer whose
// digest does not match or is not hexadecimal; a trailer found is cut off in either case.
int CheckMd5Trailer(const std::string& path);

}  // namespace vortik
