// Firmware files for tests: temporary folders, FLASH parts carrying a part table, trailers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "helpers/scoped_temp_dir.h"
#include "upgrade/flash_parts.h"

namespace vortik::test {

// Deterministic bytes that differ per seed, so a misplaced block shows.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);

bool WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes);
bool WriteFileText(const std::string& path, const std::string& text);
std::vector<uint8_t> ReadFileBytes(const std::string& path);  // empty when unreadable

// Bytes of a first FLASH part: `contents`, grown with zeros where needed, with the count `n`
// (big-endian) at 8192 and `entries` right after it. `n` need not match the entries, so
// refused and short tables can be written.
std::vector<uint8_t> FlashFirstPartBytes(uint16_t n, std::span<const PartEntry> entries,
                                         std::vector<uint8_t> contents = {});
// A first part whose count fits its entries (n = entries + 1).
bool WriteFlashFirstPart(const std::string& path, std::span<const PartEntry> entries,
                         std::vector<uint8_t> contents = {});

// Size and tag of one downloadable part; the table lays parts out one after another.
struct PartDef {
  uint32_t size = 4096;
  uint16_t tag = 0;
};
// Entries 0 .. M-1 for parts 1 .. M-1: entry 0 spans all parts, entry k is part k, addresses
// consecutive from 0.
std::vector<PartEntry> MakePartTable(const std::vector<PartDef>& parts);

// The files of a parted FLASH image, as the update server would offer them.
struct FlashPartFiles {
  std::vector<PartEntry> table;    // entries 0 .. M-1
  std::vector<std::string> paths;  // paths[i] holds part i + 1, item i of the "fls" list
  std::vector<std::string> md5;    // lower-case hexadecimal digest of each file
};
// Writes parts 1 .. M-1 of `table` into `dir` as part<k>.fls. Part k has the size of its entry,
// pattern bytes seeded by k and its tag; part 1 also carries the table (and is grown to hold it).
// Empty paths when writing failed.
FlashPartFiles WriteFlashPartFiles(const std::string& dir, const std::vector<PartEntry>& table);

// Appends a verification trailer for the file's current contents.
enum class TrailerKind {
  kValidLower,   // digest in lower-case digits
  kValidUpper,   // digest in upper-case digits
  kWrongDigest,  // well-formed, one digit off
  kNotHex,       // marker followed by 32 characters that are no hexadecimal digits
};
bool AppendMd5Trailer(const std::string& path, TrailerKind kind);

}  // namespace vortik::test
