// Feeds arbitrary bytes to the FLASH part table reader and both selections; the input's first
// bytes also pick the tool's part count and the server's item count.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "upgrade/flash_parts.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckList(const vortik::FlashPartList& list, const vortik::FlashPartTable& table) {
  Check(!list.empty() && list.size() <= static_cast<size_t>(vortik::kMaxFlashParts));
  Check(list.back().entryIndex == 1);
  int previous = 1;
  for (size_t i = 0; i + 1 < list.size(); ++i) {
    Check(list[i].entryIndex > previous && list[i].entryIndex < table.entryCount);
    previous = list[i].entryIndex;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int32_t deviceCount = static_cast<int16_t>((data[0] << 8) | data[1]);
  const int flsCount = static_cast<int8_t>(data[2]) + 128;
  std::span<const uint8_t> rest(data + 3, size - 3);

  vortik::FlashPartTable table;
  if (!vortik::ParsePartTable(rest, table)) return 0;
  Check(table.entryCount >= 2 && table.entryCount <= vortik::kMaxPartTableEntries);

  vortik::FlashPartList list;
  vortik::SelectAllFlashPartsFromTable(table, list);
  CheckList(list, table);
  Check(list.size() == static_cast<size_t>(table.entryCount - 1));

  // The tool's table from the input as well, shorter than its count claims when data runs out.
  std::vector<vortik::PartEntry> device(rest.size() / vortik::kPartEntrySize);
  for (size_t i = 0; i < device.size(); ++i) {
    for (size_t j = 0; j < vortik::kPartEntrySize; ++j) {
      device[i][j] = rest[i * vortik::kPartEntrySize + j];
    }
  }
  if (vortik::SelectFlashPartsFromTable(table, device, deviceCount, flsCount, list)) {
    CheckList(list, table);
  } else {
    Check(list.empty() && flsCount + 1 != table.entryCount);
  }
  return 0;
}
