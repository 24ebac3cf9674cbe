#include "upgrade/burn_engine.h"

#include <algorithm>
#include <limits>

#include "base/host.h"
#include "device/sync_uart.h"
#include "platform/clock.h"
#include "platform/file_ops.h"
#include "platform/keep_awake.h"
#include "upgrade/firmware_file.h"

namespace vortik {

namespace {

constexpr uint32_t kAckLength = kCmdBurnBlock.replyLength;  // 13
constexpr int kBlockNumberOffset = kFramePayloadOffset + 1;
constexpr int kBlockDataOffset = kFramePayloadOffset + kBurnBlockHeader;

bool Closing(Host& host) {
  return host.state().appClosing;
}

bool UsableBlockSize(uint32_t blockSize) {
  return blockSize > 0 && blockSize <= static_cast<uint32_t>(kMaxBlockSize);
}

bool KnownKind(FirmwareKind kind) {
  return !FirmwareKindWord(kind).empty();
}

uint64_t BlocksFor(uint64_t bytes, uint32_t blockSize) {
  return (bytes + blockSize - 1) / blockSize;
}

std::string BurningText(Host& host, std::string_view what) {
  return host.Msg(TextId::MsgInfo7) + std::string(what);
}

// The BurnBlock request: built once per burn, then refilled and resealed for every block.
class BlockFrame {
 public:
  BlockFrame(FirmwareKind kind, uint16_t blockSize) : blockSize_(blockSize) {
    length_ = BuildFrame(buffer_.data(), kCmdBurnBlock.code, nullptr, blockSize + kBurnBlockHeader);
    buffer_[kFramePayloadOffset] = static_cast<uint8_t>(kind);
  }

  // Sets the block number and returns the block's data bytes, all zero.
  std::span<uint8_t> Begin(uint32_t block) {
    buffer_[kBlockNumberOffset] = static_cast<uint8_t>(block & 0xFF);
    buffer_[kBlockNumberOffset + 1] = static_cast<uint8_t>((block >> 8) & 0xFF);
    std::span<uint8_t> data(buffer_.data() + kBlockDataOffset, blockSize_);
    std::fill(data.begin(), data.end(), uint8_t{0});
    return data;
  }
  void Seal() { SealFrame(buffer_.data(), length_); }
  const uint8_t* bytes() const { return buffer_.data(); }
  uint32_t length() const { return static_cast<uint32_t>(length_); }

 private:
  std::array<uint8_t, kFrameBufferSize> buffer_{};
  uint16_t blockSize_;
  int length_ = 0;
};

struct AttemptPolicy {
  int attempts;
  uint32_t timeoutMs;
  uint32_t pollMs;
};

constexpr AttemptPolicy kFileBlock{kCmdBurnBlock.attempts, kCmdBurnBlock.timeoutMs,
                                   kCmdBurnBlock.pollMs};
constexpr AttemptPolicy kPartDataBlock{kBurnBlockPartListAttempts, kCmdBurnBlock.timeoutMs,
                                       kCmdBurnBlock.pollMs};

enum class Sent { kAcked, kNotAcked, kClosing };

// Sends the sealed frame until the tool acknowledges it or the attempts are spent. The close
// request is looked at before every attempt, since each attempt lets window events run.
// `clean` says the previous exchange ended with exactly its reply, so nothing stale can be
// waiting and the receive queue need not be emptied first; it is updated with this exchange's
// outcome. `whileWaiting` runs once, right after the first send, while the frame and its reply
// cross the line: the caller prepares the next block there.
Sent SendBlock(Host& host, TSyncUart& uart, const BlockFrame& frame, const AttemptPolicy& policy,
               bool& clean, BurnStats& stats, const std::function<void()>& whileWaiting = nullptr) {
  std::array<uint8_t, kAckLength> reply{};
  bool waited = false;
  for (int attempt = 0; attempt < policy.attempts; ++attempt) {
    if (Closing(host)) return Sent::kClosing;
    if (attempt > 0) ++stats.blocksRetried;
    reply.fill(0);
    const uint32_t start = platform::TickCountMs();
    uart.SendRequest(frame.bytes(), frame.length(), !clean);
    if (!waited && whileWaiting) whileWaiting();
    waited = true;
    const uint32_t received =
        uart.CollectReply(start, reply.data(), kAckLength, policy.timeoutMs, policy.pollMs);
    clean = ReplyAccepted(frame.bytes(), reply.data(), received, kAckLength, true);
    if (clean) return Sent::kAcked;
  }
  return Closing(host) ? Sent::kClosing : Sent::kNotAcked;
}

// What filling the next block found.
enum class Fill { kData, kEnd, kFailed };

// Two request frames: the one on the line and the next one, filled and sealed while the tool
// answers the first, so the next request leaves as soon as the acknowledgement is in.
class FramePair {
 public:
  FramePair(FirmwareKind kind, uint16_t blockSize)
      : frames_{BlockFrame(kind, blockSize), BlockFrame(kind, blockSize)} {}
  BlockFrame& current() { return frames_[index_]; }
  BlockFrame& next() { return frames_[1 - index_]; }
  void Advance() { index_ = 1 - index_; }

 private:
  std::array<BlockFrame, 2> frames_;
  int index_ = 0;
};

// Reads block `block` of the file into `frame` and seals it. kEnd when the file has no more
// bytes; kFailed on a read error or a block past what the 16-bit block number can address.
Fill ReadFileBlock(platform::File& file, BlockFrame& frame, uint32_t block, uint32_t blockSize) {
  std::span<uint8_t> data = frame.Begin(block);
  const int64_t read = file.Read(data.data(), blockSize);
  if (read == 0) return Fill::kEnd;
  if (read < 0 || block >= kMaxBurnBlocks) return Fill::kFailed;
  frame.Seal();
  return Fill::kData;
}

// Records the outcome of one block; false when the burn has to stop.
bool Account(Sent sent, uint32_t block, BurnStats& stats) {
  switch (sent) {
    case Sent::kAcked:
      ++stats.blocksAcked;
      return true;
    case Sent::kNotAcked:
      stats.failedBlock = static_cast<int32_t>(block);
      return false;
    case Sent::kClosing:
      stats.closing = true;
      return false;
  }
  return false;
}

int GaugeMaxFor(uint64_t bytes, uint32_t blockSize) {
  return static_cast<int>(
      std::min<uint64_t>(bytes / blockSize + 1, std::numeric_limits<int>::max()));
}

// The block loop shared by the whole-file burns: reads the file block by block until a read
// finds its end; the last block goes out at full length, padded with zeros. Each block is read
// while the tool acknowledges the one before. The time-out of `policy` applies to block 0,
// later blocks wait `laterTimeoutMs`; `afterFirstBlock` runs once block 0 is acknowledged.
bool SendFileBlocks(Host& host, TSyncUart& uart, platform::File& file, FramePair& frames,
                    uint32_t blockSize, int gaugeMax, AttemptPolicy policy, uint32_t laterTimeoutMs,
                    const std::function<void()>& afterFirstBlock, BurnStats& stats) {
  Fill fill = ReadFileBlock(file, frames.current(), 0, blockSize);
  bool clean = false;  // stale bytes of earlier traffic go before the first request
  for (uint32_t block = 0;; ++block) {
    if (Closing(host)) {
      stats.closing = true;
      return false;
    }
    // The read that finds the end moves the gauge once more after the last block: keep it full.
    host.SetGaugePos(std::min(static_cast<int>(block) + 1, gaugeMax));
    if (fill == Fill::kEnd) return true;  // every block is in
    if (fill == Fill::kFailed) {
      stats.failedBlock = static_cast<int32_t>(block);
      return false;
    }
    Fill nextFill = Fill::kFailed;
    const Sent sent = SendBlock(host, uart, frames.current(), policy, clean, stats, [&] {
      nextFill = ReadFileBlock(file, frames.next(), block + 1, blockSize);
    });
    if (!Account(sent, block, stats)) return false;
    if (block == 0) {
      policy.timeoutMs = laterTimeoutMs;
      if (afterFirstBlock) afterFirstBlock();
    }
    frames.Advance();
    fill = nextFill;
  }
}

// The data blocks of a part burn, part after part, for the block loop of BurnParts.
class PartReader {
 public:
  PartReader(const FlashPartList& parts, uint32_t blockSize)
      : parts_(parts), blockSize_(blockSize) {}

  // Fills `frame` with the next block, numbered `block`. kFailed when a part file cannot be
  // opened or has become shorter than its part since it was checked.
  Fill Next(BlockFrame& frame, uint32_t block) {
    while (remaining_ == 0) {
      if (next_ >= parts_.size()) return Fill::kEnd;
      const FlashPart& part = parts_[next_++];
      if (!file_.Open(part.localPath, platform::File::Mode::kRead)) return Fill::kFailed;
      remaining_ = part.size;
    }
    std::span<uint8_t> data = frame.Begin(block);
    if (file_.Read(data.data(), blockSize_) != static_cast<int64_t>(blockSize_)) {
      return Fill::kFailed;
    }
    remaining_ -= blockSize_;
    frame.Seal();
    return Fill::kData;
  }

 private:
  const FlashPartList& parts_;
  uint32_t blockSize_;
  size_t next_ = 0;
  uint32_t remaining_ = 0;
  platform::File file_;
};

}  // namespace

bool WritePartListBlock(const FlashPartList& parts, std::span<uint8_t> block) {
  const size_t n = parts.size();
  const size_t listBytes = 2 + kPartRecordSize * n;
  if (n == 0 || n > static_cast<size_t>(kMaxFlashParts) || listBytes + 2 > block.size()) {
    return false;
  }
  std::fill(block.begin(), block.end(), uint8_t{0});
  block[0] = static_cast<uint8_t>(n >> 8);
  block[1] = static_cast<uint8_t>(n & 0xFF);
  for (size_t i = 0; i < n; ++i) {
    std::copy(parts[i].record.begin(), parts[i].record.end(),
              block.begin() + static_cast<std::ptrdiff_t>(2 + kPartRecordSize * i));
  }
  const uint16_t crc = FrameCrc16(block.data(), static_cast<uint16_t>(listBytes));
  block[listBytes] = static_cast<uint8_t>(crc >> 8);
  block[listBytes + 1] = static_cast<uint8_t>(crc & 0xFF);
  return true;
}

bool BurnFile(Host& host, TSyncUart& uart, FirmwareKind kind, const std::string& path,
              uint16_t blockSize, BurnStats* stats) {
  BurnStats local;
  BurnStats& st = stats != nullptr ? *stats : local;
  st = {};
  if (!KnownKind(kind)) return false;
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kRead)) return false;
  const int64_t size = file.Size();
  if (size < 0 || !UsableBlockSize(blockSize)) return false;
  if (BlocksFor(static_cast<uint64_t>(size), blockSize) > kMaxBurnBlocks) return false;

  FramePair frames(kind, blockSize);
  const int gaugeMax = GaugeMaxFor(static_cast<uint64_t>(size), blockSize);
  host.SetGaugeMax(gaugeMax);
  host.SetStatusText(BurningText(host, FirmwareKindWord(kind)));
  host.ProcessEvents();
  return SendFileBlocks(host, uart, file, frames, blockSize, gaugeMax, kFileBlock,
                        kFileBlock.timeoutMs, nullptr, st);
}

bool BurnTestFile(Host& host, TSyncUart& uart, const std::string& path, BurnStats* stats) {
  BurnStats local;
  BurnStats& st = stats != nullptr ? *stats : local;
  st = {};
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kRead)) return false;
  const int64_t size = file.Size();
  if (size < 0) return false;
  if (BlocksFor(static_cast<uint64_t>(size), kBurnTestBlockSize) > kMaxBurnBlocks) return false;

  FramePair frames(FirmwareKind::kFlash, kBurnTestBlockSize);
  const int gaugeMax = GaugeMaxFor(static_cast<uint64_t>(size), kBurnTestBlockSize);
  host.SetGaugeMax(gaugeMax);
  host.SetStatusText(host.Msg(TextId::MsgInfo8));
  host.ProcessEvents();
  // The tool erases before it acknowledges block 0, so that block may wait longer.
  const AttemptPolicy first{kBurnTestAttempts, kBurnTestFirstTimeoutMs, kCmdBurnBlock.pollMs};
  const std::string name = path.substr(path.find_last_of('/') + 1);
  return SendFileBlocks(
      host, uart, file, frames, kBurnTestBlockSize, gaugeMax, first, kBurnTestTimeoutMs,
      [&] {
        host.SetStatusText(BurningText(host, name));
        host.ProcessEvents();
      },
      st);
}

bool BurnParts(Host& host, TSyncUart& uart, FirmwareKind kind, const FlashPartList& parts,
               uint16_t blockSize, const NotifyFirmwareSizeFn& notifySize, BurnStats* stats) {
  BurnStats local;
  BurnStats& st = stats != nullptr ? *stats : local;
  st = {};
  if (!KnownKind(kind) || !UsableBlockSize(blockSize) || !notifySize) return false;
  if (parts.empty() || parts.size() > static_cast<size_t>(kMaxFlashParts) ||
      2 + kPartRecordSize * parts.size() + 2 > blockSize) {
    return false;
  }
  // Everything that would stop the burn half-way for a reason known now is refused before the
  // tool is told anything: a part that does not fill whole blocks, a part file that is missing
  // or shorter than its part, more blocks than the block number can count.
  uint64_t sum = 0;
  uint64_t blocks = 1;  // the part-list block
  for (const FlashPart& part : parts) {
    if (part.size % blockSize != 0) return false;
    platform::File file;
    if (!file.Open(part.localPath, platform::File::Mode::kRead) ||
        file.Size() < static_cast<int64_t>(part.size)) {
      return false;
    }
    sum += part.size;
    blocks += part.size / blockSize;
  }
  if (blocks > kMaxBurnBlocks || sum + kPartListAnnounceExtra > UINT32_MAX) return false;

  const uint32_t total = static_cast<uint32_t>(sum + kPartListAnnounceExtra);
  if (!notifySize(kind, total)) return false;

  FramePair frames(kind, blockSize);
  const int gaugeMax = GaugeMaxFor(sum, blockSize);
  host.SetGaugeMax(gaugeMax);
  host.SetStatusText(BurningText(host, FirmwareKindWord(kind)));
  host.ProcessEvents();

  // Block 0 lists the parts; the gauge stays where it is for it. The first data block is read
  // while the tool acknowledges it, and so on.
  WritePartListBlock(parts, frames.current().Begin(0));
  frames.current().Seal();
  PartReader reader(parts, blockSize);
  bool clean = false;  // stale bytes of earlier traffic go before the first request
  Fill fill = Fill::kFailed;
  const Sent listSent = SendBlock(host, uart, frames.current(), kFileBlock, clean, st,
                                  [&] { fill = reader.Next(frames.next(), 1); });
  if (!Account(listSent, 0, st)) return false;
  frames.Advance();

  // A long burn keeps the PC awake; the request is withdrawn on every way out.
  platform::KeepAwake keepAwake;
  uint32_t t0 = platform::TickCountMs();
  for (uint32_t block = 1;; ++block) {
    if (fill == Fill::kEnd) return true;
    if (Closing(host)) {
      st.closing = true;
      return false;
    }
    const uint32_t now = platform::TickCountMs();
    if (now - t0 > kKeepAwakeRenewMs) {
      keepAwake.Request();
      t0 = now;
    }
    host.SetGaugePos(std::min(static_cast<int>(block) + 1, gaugeMax));
    // A part file that went away or shrank since it was checked ends the burn.
    if (fill == Fill::kFailed) {
      st.failedBlock = static_cast<int32_t>(block);
      return false;
    }
    Fill nextFill = Fill::kFailed;
    const Sent sent = SendBlock(host, uart, frames.current(), kPartDataBlock, clean, st,
                                [&] { nextFill = reader.Next(frames.next(), block + 1); });
    if (!Account(sent, block, st)) return false;
    frames.Advance();
    fill = nextFill;
  }
}

}  // namespace vortik
