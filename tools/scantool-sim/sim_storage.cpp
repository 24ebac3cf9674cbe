#include "sim_storage.h"

#include <algorithm>
#include <span>

#include "scantool_sim.h"
#include "upgrade/flash_parts.h"

namespace vortik::sim {

namespace {

// A part-list burn announces its parts' bytes plus this much for the list block.
constexpr uint32_t kListAnnounceExtra = 4096;
constexpr uint32_t kMaxListParts = 256;

uint16_t Be16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool ValidKind(uint8_t kind) {
  return kind >= 1 && kind <= 3;
}

// The first part carries the table of all parts at a fixed offset; its own entry (entry 1)
// lists the part itself. The table of such a part becomes the tool's own.
void AdoptPartTable(const std::vector<StoredPart>& parts, Identity& identity) {
  for (const StoredPart& part : parts) {
    if (part.data.size() < static_cast<size_t>(kPartTableOffset) + 2) continue;
    FlashPartTable table;
    std::span<const uint8_t> bytes(part.data);
    if (!ParsePartTable(bytes.subspan(static_cast<size_t>(kPartTableOffset)), table)) continue;
    if (!std::equal(part.record.begin(), part.record.end(), table.entries[1].begin())) continue;
    identity.parts.assign(table.entries.begin(), table.entries.begin() + table.entryCount);
    identity.noPartTable = false;
    return;
  }
}

}  // namespace

uint8_t SimStorage::OnNotifyLatestVersion(const uint8_t* payload, int length) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::optional<VersionNotice> notice = DecodeVersionNotice(payload, length);
  if (!notice) return kMalformed;
  toldRomVersion_ = notice->romVersion;
  toldFlashVersion_ = notice->flashVersion;
  return kAccepted;
}

uint8_t SimStorage::OnNotifyFirmwareSize(const uint8_t* payload, int length) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (length != kNotifyFirmwareSizePayload || !ValidKind(payload[0])) return kNotAnnounced;
  const auto kind = static_cast<FirmwareKind>(payload[0]);
  const uint32_t size = uint32_t{payload[1]} | (uint32_t{payload[2]} << 8) |
                        (uint32_t{payload[3]} << 16) | (uint32_t{payload[4]} << 24);
  const size_t i = Index(kind);
  if (burn_ && burn_->kind == kind) burn_.reset();  // a new image replaces the unfinished one
  last_.reset();
  if (size == 0) {
    // Nothing will be sent: the tool now holds an empty image.
    announcements_[i].reset();
    announced_[i] = 0;
    received_[i].clear();
    images_[i] = std::vector<uint8_t>{};
  } else {
    announcements_[i] = size;
  }
  return kAccepted;
}

uint8_t SimStorage::StartBurn(FirmwareKind kind, const uint8_t* data, uint32_t size) {
  const size_t i = Index(kind);
  Burn burn;
  burn.kind = kind;
  burn.announced = announcements_[i];
  // A FLASH burn whose first block lists parts adding up to what was announced is a part-list
  // burn; the list must then be intact.
  if (kind == FirmwareKind::kFlash && burn.announced && size >= 4) {
    const uint32_t n = Be16(data);
    if (n >= 1 && n <= kMaxListParts && 2 + 8 * n + 2 <= size) {
      uint64_t sum = 0;
      for (uint32_t p = 0; p < n; ++p) sum += Be32(data + 2 + 8 * p + 4);
      if (sum + kListAnnounceExtra == *burn.announced) {
        const uint16_t listBytes = static_cast<uint16_t>(2 + 8 * n);
        if (FrameCrc16(data, listBytes) != Be16(data + listBytes)) return kBadListCrc;
        burn.partList = true;
        burn.listBlockSize = size;
        burn.partBytes = sum;
        for (uint32_t p = 0; p < n; ++p) {
          StoredPart part;
          std::copy(data + 2 + 8 * p, data + 2 + 8 * p + 8, part.record.begin());
          part.address = Be32(part.record.data());
          part.size = Be32(part.record.data() + 4);
          burn.parts.push_back(std::move(part));
        }
      }
    }
  }
  // A burn without announcement has no end of its own; what it wrote stays as the image.
  if (burn_ && !burn_->announced) images_[Index(burn_->kind)] = received_[Index(burn_->kind)];
  announcements_[i].reset();
  announced_[i] = burn.announced;
  images_[i].reset();  // the tool erases before it writes
  received_[i].assign(data, data + size);
  burn.nextBlock = 1;
  burn_ = std::move(burn);
  return kAccepted;
}

void SimStorage::FinishIfComplete(Identity& identity) {
  if (!burn_) return;
  Burn& burn = *burn_;
  const size_t i = Index(burn.kind);
  const std::vector<uint8_t>& raw = received_[i];
  if (burn.partList) {
    if (raw.size() < burn.listBlockSize + burn.partBytes) return;
    std::vector<uint8_t> image;
    size_t offset = burn.listBlockSize;
    for (StoredPart& part : burn.parts) {
      const auto from = raw.begin() + static_cast<std::ptrdiff_t>(offset);
      part.data.assign(from, from + part.size);
      offset += part.size;
      flash_[part.address] = part.data;
      image.insert(image.end(), part.data.begin(), part.data.end());
    }
    images_[i] = std::move(image);
    parts_ = std::move(burn.parts);
    AdoptPartTable(parts_, identity);
  } else {
    if (!burn.announced || raw.size() < *burn.announced) return;
    images_[i] = std::vector<uint8_t>(raw.begin(), raw.begin() + *burn.announced);
  }
  if (burn.kind == FirmwareKind::kRom && toldRomVersion_) identity.romVersion = *toldRomVersion_;
  if (burn.kind == FirmwareKind::kFlash && toldFlashVersion_) {
    identity.flashVersion = *toldFlashVersion_;
  }
  burn_.reset();
}

uint8_t SimStorage::OnBurnBlock(const uint8_t* payload, int length, Identity& identity) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (length < kBurnBlockHeader) {
    ++refused_;
    return kMalformed;
  }
  // Blocks of a kind the tool has no storage for are taken and dropped, as raw exchanges
  // (timing tests, benchmarks) send them.
  if (!ValidKind(payload[0])) {
    ++ignored_;
    return kAccepted;
  }
  const auto kind = static_cast<FirmwareKind>(payload[0]);
  const auto number = static_cast<uint16_t>(payload[1] | (payload[2] << 8));
  const uint8_t* data = payload + kBurnBlockHeader;
  const auto size = static_cast<uint32_t>(length - kBurnBlockHeader);
  // The PC sends a block again when it lost the reply: it is already stored.
  if (last_ && last_->kind == kind && last_->number == number) return kAccepted;
  if (number == 0) {
    const uint8_t status = StartBurn(kind, data, size);
    if (status != kAccepted) {
      ++refused_;
      return status;
    }
  } else if (!burn_ || burn_->kind != kind || number != burn_->nextBlock) {
    ++refused_;
    return kOutOfOrder;
  } else {
    std::vector<uint8_t>& raw = received_[Index(kind)];
    raw.insert(raw.end(), data, data + size);
    ++burn_->nextBlock;
  }
  last_ = Last{kind, number};
  blocks_.push_back({kind, number, size});
  FinishIfComplete(identity);
  return kAccepted;
}

std::optional<std::vector<uint8_t>> SimStorage::Image(FirmwareKind kind) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!ValidKind(static_cast<uint8_t>(kind))) return std::nullopt;
  if (burn_ && burn_->kind == kind && !burn_->announced) return received_[Index(kind)];
  return images_[Index(kind)];
}

std::vector<uint8_t> SimStorage::Received(FirmwareKind kind) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!ValidKind(static_cast<uint8_t>(kind))) return {};
  return received_[Index(kind)];
}

std::optional<uint32_t> SimStorage::Announced(FirmwareKind kind) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!ValidKind(static_cast<uint8_t>(kind))) return std::nullopt;
  return announced_[Index(kind)];
}

std::vector<StoredPart> SimStorage::Parts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return parts_;
}

std::map<uint32_t, std::vector<uint8_t>> SimStorage::Flash() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return flash_;
}

std::vector<AcceptedBlock> SimStorage::Blocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return blocks_;
}

int SimStorage::RefusedBlocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return refused_;
}

int SimStorage::IgnoredBlocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ignored_;
}

void SimStorage::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  announcements_ = {};
  burn_.reset();
  last_.reset();
  toldRomVersion_.reset();
  toldFlashVersion_.reset();
  received_ = {};
  announced_ = {};
  images_ = {};
  parts_.clear();
  flash_.clear();
  blocks_.clear();
  refused_ = 0;
  ignored_ = 0;
}

}  // namespace vortik::sim
