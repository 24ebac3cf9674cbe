// The FLASH part table inside the first FLASH part, and the choice of parts to fetch and burn.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vortik {

// One table entry, as in the file and in the tool's own table: address (4 bytes), size
// (4 bytes), both big-endian, then a 2-byte tag that is only compared.
inline constexpr size_t kPartEntrySize = 10;
using PartEntry = std::array<uint8_t, kPartEntrySize>;

// The first part holds the table at this offset: N (2 bytes, big-endian), then N - 1 entries.
inline constexpr int64_t kPartTableOffset = 8192;
// The server lists at most 256 parts, so a table has at most 257 entries (entry 0 is no part).
inline constexpr int kMaxPartTableEntries = 257;
inline constexpr int kMaxFlashParts = kMaxPartTableEntries - 1;
inline constexpr size_t kPartTableMaxBytes = 2 + kMaxPartTableEntries * kPartEntrySize;
// Multi-part FLASH burns run with this block size, whatever the tool reported.
inline constexpr uint16_t kPartListBlockSize = 4096;
// The part of an entry that announces a part to the tool: address and size.
inline constexpr size_t kPartRecordSize = 8;

uint32_t PartEntryAddress(const PartEntry& entry);
uint32_t PartEntrySize(const PartEntry& entry);
uint16_t PartEntryTag(const PartEntry& entry);
PartEntry MakePartEntry(uint32_t address, uint32_t size, uint16_t tag);

struct FlashPartTable {
  int entryCount = 0;                                     // M = N - 1, from 2 to 257
  std::array<PartEntry, kMaxPartTableEntries> entries{};  // entry k at index k; unused are zero
};

// Decodes the table from the bytes found at kPartTableOffset; bytes beyond `bytes` read as zero,
// so a table shorter than it claims has zero entries at its end. Refuses (false) a table whose
// N is below 3, as it would not describe the first part itself, or above 258.
bool ParsePartTable(std::span<const uint8_t> bytes, FlashPartTable& table);

enum class PartTableRead {
  kOk,
  kCannotOpen,  // the first part could not be opened
  kRefused,     // opened, but its table is unusable
};

// Reads the table of the first part's file.
PartTableRead ReadPartTable(const std::string& firstPartPath, FlashPartTable& table);

// One selected FLASH part.
struct FlashPart {
  int entryIndex = 0;                             // k: the part is item k - 1 of the "fls" list
  std::array<uint8_t, kPartRecordSize> record{};  // bytes 0..7 of entry k, unchanged
  uint32_t size = 0;                              // the size field of entry k
  std::string localPath;                          // set once the part is fetched and verified
};

// Selected parts in burn order: entries 2 and up ascending, then entry 1 (the part holding the
// table, which the tool keeps) last. At most kMaxFlashParts.
using FlashPartList = std::vector<FlashPart>;

// Differential selection: entries that differ from the tool's table or that the tool lacks, then
// entry 1. `devicePartCount` is the tool's count (0 when it has no table); it is limited to the
// table passed. Fails when the server's item count + 1 is not the table's entry count. `list`
// is replaced; on failure it is left empty.
bool SelectFlashPartsFromTable(const FlashPartTable& table, std::span<const PartEntry> deviceTable,
                               int32_t devicePartCount, int flsItemCount, FlashPartList& list);
// Full selection: entries 2 .. M - 1, then entry 1.
void SelectAllFlashPartsFromTable(const FlashPartTable& table, FlashPartList& list);

// The same on the first part's file. Once the file has been opened, `flashBlockSize` is set to
// kPartListBlockSize, even when the selection then fails.
bool SelectFlashParts(const std::string& firstPartPath, std::span<const PartEntry> devicePartTable,
                      int32_t devicePartCount, int flsItemCount, uint16_t& flashBlockSize,
                      FlashPartList& list);
bool SelectAllFlashParts(const std::string& firstPartPath, uint16_t& flashBlockSize,
                         FlashPartList& list);

}  // namespace vortik
