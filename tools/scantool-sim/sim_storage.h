// The emulated tool's image storage: what BurnBlock frames write, per image kind, with the
// announced size, the block order check, the part-list burn and the adopted part table.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/frame.h"

namespace vortik::sim {

struct Identity;

// One FLASH part rebuilt from a part-list burn.
struct StoredPart {
  std::array<uint8_t, 8> record{};  // as listed: address and size, big-endian
  uint32_t address = 0;
  uint32_t size = 0;
  std::vector<uint8_t> data;  // `size` bytes
};

// One block the storage accepted (a repeated block, sent again after a lost reply, is not
// listed twice).
struct AcceptedBlock {
  FirmwareKind kind = FirmwareKind::kRom;
  uint16_t number = 0;
  uint32_t dataSize = 0;
};

// Reply statuses of the storage; anything but kAccepted makes the PC send the block again.
enum BlockStatus : uint8_t {
  kAccepted = 0,
  kMalformed = 1,    // shorter than its header
  kOutOfOrder = 2,   // not the next block (nor the last one again) of the burn under way
  kBadListCrc = 3,   // a part-list block whose CRC does not match
  kNotAnnounced = 4  // NotifyFirmwareSize with an unknown kind or a wrong length
};

class SimStorage {
 public:
  // NotifyLatestVersion: the ROM and FLASH versions about to be installed. A burn of ROM or
  // FLASH that completes afterwards makes the told version of its kind the tool's own, so the
  // tool reports what it was brought to. Returns the status (refused unless 41 bytes).
  uint8_t OnNotifyLatestVersion(const uint8_t* payload, int length);
  // NotifyFirmwareSize: a new image of that kind and size comes next. Returns the status.
  uint8_t OnNotifyFirmwareSize(const uint8_t* payload, int length);
  // BurnBlock: stores the block, or refuses it. A completed part-list burn whose first part
  // carries a part table makes that table the tool's own (identity.parts).
  uint8_t OnBurnBlock(const uint8_t* payload, int length, Identity& identity);

  // The image the tool holds for `kind`: the last completed burn cut to its announced size.
  // None while a burn is under way (the tool erased the old one) or when it never completed.
  // A burn without announcement (the test transfer) has no size: what has arrived is shown.
  // After a part-list burn, FLASH holds its parts one after the other, in burn order.
  std::optional<std::vector<uint8_t>> Image(FirmwareKind kind) const;
  // The data of every block of the latest burn of `kind` as received, padding included (for a
  // part-list burn, the list block first).
  std::vector<uint8_t> Received(FirmwareKind kind) const;
  // The announced size of the latest burn of `kind` (none when it had none).
  std::optional<uint32_t> Announced(FirmwareKind kind) const;
  // The parts of the last completed part-list burn, in burn order.
  std::vector<StoredPart> Parts() const;
  // The tool's FLASH by part address: every part ever burnt, the latest at each address.
  std::map<uint32_t, std::vector<uint8_t>> Flash() const;
  std::vector<AcceptedBlock> Blocks() const;
  int RefusedBlocks() const;
  int IgnoredBlocks() const;  // blocks of an unknown kind, acknowledged and dropped
  // Forgets everything stored and observed.
  void Clear();

 private:
  struct Burn {
    FirmwareKind kind = FirmwareKind::kRom;
    std::optional<uint32_t> announced;
    uint32_t nextBlock = 0;
    bool partList = false;
    uint32_t listBlockSize = 0;  // data bytes of the part-list block
    std::vector<StoredPart> parts;
    uint64_t partBytes = 0;
  };
  static size_t Index(FirmwareKind kind) { return static_cast<size_t>(kind) - 1; }
  uint8_t StartBurn(FirmwareKind kind, const uint8_t* data, uint32_t size);
  void FinishIfComplete(Identity& identity);

  mutable std::mutex mutex_;
  std::array<std::optional<uint32_t>, 3> announcements_{};  // waiting for their block 0
  std::optional<Burn> burn_;                                // the burn under way
  struct Last {
    FirmwareKind kind;
    uint16_t number;
  };
  std::optional<Last> last_;  // the last block accepted, which may come again
  std::optional<std::string> toldRomVersion_;
  std::optional<std::string> toldFlashVersion_;
  std::array<std::vector<uint8_t>, 3> received_{};
  std::array<std::optional<uint32_t>, 3> announced_{};
  std::array<std::optional<std::vector<uint8_t>>, 3> images_{};
  std::vector<StoredPart> parts_;
  std::map<uint32_t, std::vector<uint8_t>> flash_;
  std::vector<AcceptedBlock> blocks_;
  int refused_ = 0;
  int ignored_ = 0;
};

}  // namespace vortik::sim
