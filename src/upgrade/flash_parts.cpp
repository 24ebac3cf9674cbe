#include "upgrade/flash_parts.h"

#include <algorithm>
#include <cstring>

#include "platform/file_ops.h"

namespace vortik {

namespace {

uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void AddPart(const FlashPartTable& table, int k, FlashPartList& list) {
  const PartEntry& entry = table.entries[static_cast<size_t>(k)];
  FlashPart part;
  part.entryIndex = k;
  std::copy_n(entry.begin(), kPartRecordSize, part.record.begin());
  part.size = PartEntrySize(entry);
  list.push_back(std::move(part));
}

}  // namespace

uint32_t PartEntryAddress(const PartEntry& entry) {
  return Be32(entry.data());
}

uint32_t PartEntrySize(const PartEntry& entry) {
  return Be32(entry.data() + 4);
}

uint16_t PartEntryTag(const PartEntry& entry) {
  return static_cast<uint16_t>((entry[8] << 8) | entry[9]);
}

PartEntry MakePartEntry(uint32_t address, uint32_t size, uint16_t tag) {
  PartEntry e{};
  for (int i = 0; i < 4; ++i) {
    e[static_cast<size_t>(i)] = static_cast<uint8_t>(address >> (24 - 8 * i));
    e[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
  }
  e[8] = static_cast<uint8_t>(tag >> 8);
  e[9] = static_cast<uint8_t>(tag);
  return e;
}

bool ParsePartTable(std::span<const uint8_t> bytes, FlashPartTable& table) {
  table = FlashPartTable{};
  // Missing bytes read as zero: work on a zero-filled copy of at most the table's capacity.
  std::array<uint8_t, kPartTableMaxBytes> raw{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), raw.size()), raw.begin());
  int n = (raw[0] << 8) | raw[1];
  int m = n - 1;
  if (m < 2 || m > kMaxPartTableEntries) return false;
  table.entryCount = m;
  for (int k = 0; k < m; ++k) {
    std::memcpy(table.entries[static_cast<size_t>(k)].data(),
                raw.data() + 2 + static_cast<size_t>(k) * kPartEntrySize, kPartEntrySize);
  }
  return true;
}

PartTableRead ReadPartTable(const std::string& firstPartPath, FlashPartTable& table) {
  table = FlashPartTable{};
  platform::File file;
  if (!file.Open(firstPartPath, platform::File::Mode::kRead)) return PartTableRead::kCannotOpen;
  std::array<uint8_t, kPartTableMaxBytes> raw{};
  // A file that ends before the table reads as N = 0 and is refused below.
  if (!file.Seek(kPartTableOffset)) return PartTableRead::kRefused;
  int64_t got = file.Read(raw.data(), raw.size());
  if (got < 0) return PartTableRead::kRefused;
  file.Close();
  return ParsePartTable(std::span(raw.data(), static_cast<size_t>(got)), table)
             ? PartTableRead::kOk
             : PartTableRead::kRefused;
}

bool SelectFlashPartsFromTable(const FlashPartTable& table, std::span<const PartEntry> deviceTable,
                               int32_t devicePartCount, int flsItemCount, FlashPartList& list) {
  list.clear();
  const int m = table.entryCount;
  // The server's list and the table belong together only when the list has every part.
  if (m < 2 || m > kMaxPartTableEntries || int64_t{flsItemCount} + 1 != m) return false;
  const int d = static_cast<int>(
      std::clamp<int64_t>(devicePartCount, 0, static_cast<int64_t>(deviceTable.size())));

  // Parts the tool has: fetch only those whose address, size or tag changed.
  for (int k = 2; k < std::min(m, d); ++k) {
    if (table.entries[static_cast<size_t>(k)] != deviceTable[static_cast<size_t>(k)]) {
      AddPart(table, k, list);
    }
  }
  // Parts the tool has never had.
  for (int k = std::max(d, 2); k < m; ++k) AddPart(table, k, list);
  AddPart(table, 1, list);
  return true;
}

void SelectAllFlashPartsFromTable(const FlashPartTable& table, FlashPartList& list) {
  list.clear();
  if (table.entryCount < 2 || table.entryCount > kMaxPartTableEntries) return;
  for (int k = 2; k < table.entryCount; ++k) AddPart(table, k, list);
  AddPart(table, 1, list);
}

namespace {

// Reads the first part's table for a selection into `list`. Once the file opens, the burn takes
// the part-list block size, whether or not the table is then accepted.
bool ReadTableToSelect(const std::string& firstPartPath, uint16_t& flashBlockSize,
                       FlashPartList& list, FlashPartTable& table) {
  list.clear();
  const PartTableRead read = ReadPartTable(firstPartPath, table);
  if (read == PartTableRead::kCannotOpen) return false;
  flashBlockSize = kPartListBlockSize;
  return read == PartTableRead::kOk;
}

}  // namespace

bool SelectFlashParts(const std::string& firstPartPath, std::span<const PartEntry> devicePartTable,
                      int32_t devicePartCount, int flsItemCount, uint16_t& flashBlockSize,
                      FlashPartList& list) {
  FlashPartTable table;
  return ReadTableToSelect(firstPartPath, flashBlockSize, list, table) &&
         SelectFlashPartsFromTable(table, devicePartTable, devicePartCount, flsItemCount, list);
}

bool SelectAllFlashParts(const std::string& firstPartPath, uint16_t& flashBlockSize,
                         FlashPartList& list) {
  FlashPartTable table;
  if (!ReadTableToSelect(firstPartPath, flashBlockSize, list, table)) return false;
  SelectAllFlashPartsFromTable(table, list);
  return true;
}

}  // namespace vortik
