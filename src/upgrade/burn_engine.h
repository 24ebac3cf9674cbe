// The burn engine: streams an image file, or a list of FLASH parts, into the Scan Tool one
// acknowledged BurnBlock frame at a time, with progress on the host's gauge and status line.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "device/frame.h"
#include "upgrade/flash_parts.h"

namespace vortik {

class Host;
class TSyncUart;

// The block number is 16 bits on the wire, so one burn holds at most this many blocks.
inline constexpr uint32_t kMaxBurnBlocks = 65536;
// The test transfer always runs with this block size, as FLASH.
inline constexpr uint16_t kBurnTestBlockSize = 512;
// A part burn announces the sum of its part sizes plus this much for the part-list block.
inline constexpr uint32_t kPartListAnnounceExtra = 4096;
// During a long part burn the keep-awake request is renewed this often.
inline constexpr uint32_t kKeepAwakeRenewMs = 600000;

// Announces the size of the coming image to the tool (the device command); true when the
// tool accepted it. The flow binds the real command; tests bind their own.
using NotifyFirmwareSizeFn = std::function<bool(FirmwareKind kind, uint32_t size)>;

// How a burn ended, for diagnostics and tests; the burn functions' bool is the result.
struct BurnStats {
  uint32_t blocksAcked = 0;    // blocks the tool acknowledged, the part-list block included
  uint32_t blocksRetried = 0;  // sends of a block after its first
  int32_t failedBlock = -1;    // the block that no attempt got through; -1 when none failed
  bool closing = false;        // stopped because the application is closing
};

// Sends the whole file as `kind` in blocks of `blockSize` data bytes (the tool's block size for
// that kind). True when every block was acknowledged (an empty file sends nothing and succeeds).
// False when the file cannot be opened, the block size is unusable, the file would need more
// than kMaxBurnBlocks blocks, a block fails all its attempts, or the application is closing.
bool BurnFile(Host& host, TSyncUart& uart, FirmwareKind kind, const std::string& path,
              uint16_t blockSize, BurnStats* stats = nullptr);

// Burns a FLASH upgrade made of parts: announces the total with `notifySize`, sends the
// part-list block (block 0), then every part's data in list order with block numbers running
// on across parts. Parts are checked before anything is sent: 1 to 256 parts, each size a
// multiple of `blockSize`, each file present and at least that long.
bool BurnParts(Host& host, TSyncUart& uart, FirmwareKind kind, const FlashPartList& parts,
               uint16_t blockSize, const NotifyFirmwareSizeFn& notifySize,
               BurnStats* stats = nullptr);

// The diagnostic transfer: the file as FLASH in 512-byte blocks, with a long wait for the first
// block while the tool erases.
bool BurnTestFile(Host& host, TSyncUart& uart, const std::string& path, BurnStats* stats = nullptr);

// The data of the part-list block: N (big-endian), the N 8-byte records, then the CRC-16/X-25
// of those bytes, high byte first; the rest of `block` is zero. False (block untouched) when the
// list is empty, longer than 256 parts or does not fit the block.
bool WritePartListBlock(const FlashPartList& parts, std::span<uint8_t> block);

}  // namespace vortik
