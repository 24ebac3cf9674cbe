#include "scantool_sim.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "device/device_info.h"
#include "device/frame.h"

namespace vortik::sim {

namespace {

uint64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

// Sleeps until the deadline, then spins its last stretch: a thread woken from a sleep runs
// tens of microseconds late, which would make the emulated wire slower than the real one.
void SleepUntilNs(uint64_t deadline) {
  constexpr uint64_t kSpinNs = 150'000;
  if (deadline > kSpinNs) {
    const uint64_t wake = deadline - kSpinNs;
    timespec ts{static_cast<time_t>(wake / 1000000000ull), static_cast<long>(wake % 1000000000ull)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
  }
  while (NowNs() < deadline) {
  }
}

// A NUL-padded text field of `width` bytes (cut when longer).
void PutText(std::vector<uint8_t>& out, const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
  }
}

void PutLe16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

constexpr uint64_t kStallNs = 200'000'000;  // an unfinished frame this old is dropped

}  // namespace

Identity LegacyIdentity() {
  Identity id;
  id.form = Identity::InfoForm::kShort54;
  id.type = "TQ850";
  id.subtype = "1.2";
  id.romVersion = "1.0.0";
  id.flashVersion = "1.0.0";
  id.romBlockSize = 512;
  id.flashBlockSize = 1024;
  return id;
}

Identity DemoIdentity() {
  Identity id;
  id.type = "TQ460";
  id.subtype = "EU";
  // One version behind the demo server's offer (ROM 1.2.0, FLASH 2.1.0).
  id.romVersion = "1.1.0";
  id.flashVersion = "2.0.0";
  id.romBlockSize = 1024;
  id.flashBlockSize = 4096;
  // The table of the demo server's parted FLASH (update-server-sim's DemoFlashLayout) as an
  // earlier FLASH left it: part 3 carries an older tag, so only parts 3 and 1 are burnt.
  auto entry = [](uint32_t address, uint32_t size, uint16_t tag) {
    return std::array<uint8_t, 10>{
        static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16),
        static_cast<uint8_t>(address >> 8),  static_cast<uint8_t>(address),
        static_cast<uint8_t>(size >> 24),    static_cast<uint8_t>(size >> 16),
        static_cast<uint8_t>(size >> 8),     static_cast<uint8_t>(size),
        static_cast<uint8_t>(tag >> 8),      static_cast<uint8_t>(tag)};
  };
  id.parts = {entry(0x00000, 0x80000, 0x0000), entry(0x00000, 0x10000, 0x0201),
              entry(0x10000, 0x20000, 0x0200), entry(0x30000, 0x40000, 0x0200),
              entry(0x70000, 0x10000, 0x0200)};
  id.id = "000000000001";
  return id;
}

std::vector<uint8_t> DeviceInfoPayload(const Identity& identity) {
  const bool longForm = identity.form == Identity::InfoForm::kLong;
  const bool family500 = longForm && identity.family500;
  const DeviceInfoLayout& layout = family500 ? kDeviceInfo500Layout : kDeviceInfoLayout;
  const uint32_t fixed = !longForm ? identity.form == Identity::InfoForm::kShort54
                                         ? layout.blockSizesEnd()
                                         : layout.textEnd()
                                   : layout.parts();
  std::vector<uint8_t> p(fixed, 0);
  const auto text = [&p](uint32_t at, const std::string& value, size_t width) {
    std::copy_n(value.begin(), std::min(value.size(), width), p.begin() + at);
  };
  const auto le16 = [&p](uint32_t at, uint16_t v) {
    p[at] = static_cast<uint8_t>(v & 0xFF);
    p[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  constexpr size_t kText = DeviceInfoLayout::kDeviceTextWidth;
  if (family500) text(0, identity.familyTag, kDeviceInfoFamilyHeader);
  text(layout.type, identity.type, kText);
  text(layout.subtype, identity.subtype, kText);
  text(layout.romVersion, identity.romVersion, kText);
  text(layout.flashVersion, identity.flashVersion, kText);
  if (fixed >= layout.blockSizesEnd()) {
    le16(layout.blockSizes, identity.romBlockSize);
    le16(layout.blockSizes + 2, identity.flashBlockSize);
  }
  if (!longForm) return p;
  const size_t count = identity.noPartTable
                           ? kNoPartTable
                           : identity.parts.size() + (identity.languageRecord ? 1 : 0);
  p[layout.partCount] = static_cast<uint8_t>(count >> 8);
  p[layout.partCount + 1] = static_cast<uint8_t>(count & 0xFF);
  if (identity.noPartTable) return p;
  for (const auto& entry : identity.parts) p.insert(p.end(), entry.begin(), entry.end());
  if (identity.languageRecord) {
    for (int i = 0; i < 8; ++i) p.push_back(0xFF);
    PutText(p, *identity.languageRecord, 2);
  }
  return p;
}

// --- pushed data ------------------------------------------------------------------------------

std::vector<uint8_t> SampleReport() {
  std::vector<uint8_t> out;
  auto text = [&out](const std::string& t) { out.insert(out.end(), t.begin(), t.end()); };
  auto colour = [&out](int k) {
    out.insert(out.end(),
               {0x00, 0x24, 0x24, static_cast<uint8_t>(k), static_cast<uint8_t>('H' + k)});
  };
  auto codePage = [&out](uint16_t page) {
    out.insert(out.end(), {0x00, 0x24, 0x24, 0xFF, 0xFE, static_cast<uint8_t>(page & 0xFF),
                           static_cast<uint8_t>(page >> 8)});
  };
  auto builtIn = [&out](uint16_t code) {
    out.insert(out.end(), {0x00, 0x24, 0x24, 0x25, 0x24, static_cast<uint8_t>(code >> 8),
                           static_cast<uint8_t>(code & 0xFF)});
  };
  colour(2);
  text("==== BATTERY TEST REPORT ====\r\n");
  colour(8);
  text("Battery type   : Flooded, 12 V\r\n");
  text("Rated          : 600 CCA (EN)\r\n");
  colour(3);
  text("Measured       : 571 CCA\r\n");
  // The tool writes the code page's byte 0x7F for the ohm sign.
  text("Resistance     : 4.62 m\x7F\r\n");
  colour(4);
  // "Напряжение АКБ: 12.6 В" in code page 1251, and back to ISO 8859-15 after it.
  codePage(1251);
  out.insert(out.end(), {0xCD, 0xE0, 0xEF, 0xF0, 0xFF, 0xE6, 0xE5, 0xED, 0xE8, 0xE5, 0x20,
                         0xC0, 0xCA, 0xC1, 0x3A, 0x20, 0x31, 0x32, 0x2E, 0x36, 0x20, 0xC2});
  text("\r\n");
  codePage(28605);
  colour(9);
  builtIn(0xF101);
  text(" : 12.6 V\r\n");
  builtIn(0xF102);
  text(" : 4.62 m\x7F\r\n");
  colour(7);
  builtIn(0xF103);
  colour(1);
  text("Charging system: ripple high \xA4 check alternator\r\n");
  colour(5);
  text(
      "Temperature 23 \xB0"
      "C  -  firmware 1.1.0\r\n");
  return out;
}

std::vector<uint16_t> CaptureSamples(CaptureShape shape, int count) {
  std::vector<uint16_t> samples;
  samples.reserve(static_cast<size_t>(std::max(count, 0)));
  uint32_t noise = 12345;
  for (int i = 0; i < count; ++i) {
    switch (shape) {
      case CaptureShape::kRamp:
        samples.push_back(static_cast<uint16_t>(100 + i % 101));
        break;
      case CaptureShape::kConstant:
        samples.push_back(125);
        break;
      case CaptureShape::kCranking: {
        noise = noise * 1103515245u + 12345u;
        const int jitter = static_cast<int>((noise >> 16) % 3) - 1;
        const double t = static_cast<double>(i) / std::max(count, 1);
        int v;
        if (t < 0.25) {
          v = 126;  // resting
        } else if (t < 0.27) {
          v = 96 + static_cast<int>((t - 0.25) * 600);  // the starter's dip and recovery
        } else if (t < 0.40) {
          v = 108 + static_cast<int>((t - 0.27) * 150);  // cranking
        } else if (t < 0.45) {
          v = 128 + static_cast<int>((t - 0.40) * 260);  // the engine runs, the alternator rises
        } else {
          v = 142;  // charging
        }
        samples.push_back(static_cast<uint16_t>(v + jitter));
        break;
      }
    }
  }
  return samples;
}

std::vector<uint8_t> CaptureFrames(const std::vector<uint16_t>& samples, int payloadSize,
                                   bool withEnd) {
  std::vector<uint8_t> data;
  data.reserve(samples.size() * 2);
  for (uint16_t v : samples) PutLe16(data, v);
  const size_t size = static_cast<size_t>(std::clamp(payloadSize, 1, kMaxReplyPayload));
  std::vector<uint8_t> out;
  out.reserve(data.size() + (data.size() / size + 2) * kFrameOverhead);
  std::vector<uint8_t> frame;
  auto append = [&](uint16_t code, const uint8_t* payload, size_t length) {
    frame.resize(length + kFrameOverhead);
    BuildReplyFrame(frame.data(), code, payload, static_cast<int>(length));
    out.insert(out.end(), frame.begin(), frame.end());
  };
  for (size_t at = 0; at < data.size(); at += size) {
    append(kCodeWaveSamples, data.data() + at, std::min(size, data.size() - at));
  }
  if (withEnd) append(kCodeWaveEnd, nullptr, 0);
  return out;
}

void ScanToolSim::Push(std::vector<uint8_t> bytes, int delayMs) {
  {
    std::lock_guard<std::mutex> lock(pushMutex_);
    pushQueue_.push_back({delayMs, std::move(bytes)});
  }
  pushWake_.notify_all();
}

bool ScanToolSim::WaitPushed(int timeoutMs) {
  std::unique_lock<std::mutex> lock(pushMutex_);
  return pushDone_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return pushQueue_.empty() && !pushBusy_; });
}

void ScanToolSim::WritePushed(const uint8_t* bytes, size_t length) {
  size_t done = 0;
  while (done < length && !pushStop_) {
    int master;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      master = pty_.master();
    }
    if (master < 0) {
      dropped_ += length - done;
      return;
    }
    const ssize_t n = write(master, bytes + done, length - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      pushed_ += static_cast<uint64_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      if (options_.push.dropWhenFull) {
        dropped_ += length - done;
        return;
      }
      pollfd pfd{master, POLLOUT, 0};
      poll(&pfd, 1, 100);
    } else if (!(n < 0 && errno == EINTR)) {
      dropped_ += length - done;
      return;
    }
  }
}

void ScanToolSim::PushLoop() {
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
  std::unique_lock<std::mutex> lock(pushMutex_);
  for (;;) {
    pushWake_.wait(lock, [this] { return pushStop_ || !pushQueue_.empty(); });
    if (pushStop_) return;
    PushRun run = std::move(pushQueue_.front());
    pushQueue_.erase(pushQueue_.begin());
    pushBusy_ = true;
    lock.unlock();
    if (run.delayMs > 0) {
      std::unique_lock<std::mutex> wait(pushMutex_);
      pushWake_.wait_for(wait, std::chrono::milliseconds(run.delayMs),
                         [this] { return pushStop_; });
    }
    const size_t writeSize = options_.push.writeSize;
    const uint8_t* bytes = run.bytes.data();
    const size_t length = run.bytes.size();
    if (!options_.wireModel) {
      const size_t step = writeSize > 0 ? writeSize : std::max<size_t>(length, 1);
      for (size_t at = 0; at < length && !pushStop_; at += step) {
        WritePushed(bytes + at, std::min(step, length - at));
      }
    } else {
      // Each millisecond, what the line carried since the start (10 bits a byte) is written; a
      // late wake-up writes more at once, so the pace does not drift.
      const uint64_t start = NowNs();
      size_t written = 0;
      while (written < length && !pushStop_) {
        const uint64_t elapsed = NowNs() - start;
        size_t due = static_cast<size_t>(
            std::min<uint64_t>(length, elapsed * options_.baud / 10'000'000'000ull));
        if (writeSize > 0) due = std::min(due, written + writeSize);
        if (due > written) {
          WritePushed(bytes + written, due - written);
          written = due;
        }
        if (written < length) {
          const uint64_t next =
              writeSize > 0 ? start + (written + writeSize) * 10'000'000'000ull / options_.baud
                            : NowNs() + 1'000'000;
          SleepUntilNs(std::min<uint64_t>(next, NowNs() + 1'000'000));
        }
      }
    }
    lock.lock();
    pushBusy_ = false;
    if (pushQueue_.empty()) pushDone_.notify_all();
  }
}

ScanToolSim::ScanToolSim(Options options) : options_(std::move(options)) {}

ScanToolSim::~ScanToolSim() {
  Stop();
}

bool ScanToolSim::Start() {
  if (running()) return true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!pty_.Open(options_.linkPath)) return false;
    path_ = pty_.path();
  }
  if (pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) != 0) {
    ClosePty();
    return false;
  }
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
  {
    std::lock_guard<std::mutex> lock(pushMutex_);
    pushStop_ = false;
  }
  pushThread_ = std::thread([this] { PushLoop(); });
  return true;
}

void ScanToolSim::Stop() {
  if (pushThread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(pushMutex_);
      pushStop_ = true;
      pushQueue_.clear();
    }
    pushWake_.notify_all();
    pushThread_.join();
    pushBusy_ = false;
    pushDone_.notify_all();
  }
  if (thread_.joinable()) {
    stop_ = true;
    const char byte = 0;
    [[maybe_unused]] ssize_t n = write(wakeFd_[1], &byte, 1);
    thread_.join();
  }
  for (int& fd : wakeFd_) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  ClosePty();
}

std::string ScanToolSim::path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

void ScanToolSim::SetIdentity(const Identity& identity) {
  std::lock_guard<std::mutex> lock(mutex_);
  options_.identity = identity;
}

Identity ScanToolSim::identity() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return options_.identity;
}

void ScanToolSim::AddFault(const FaultRule& rule) {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_.push_back(rule);
}

void ScanToolSim::ClearFaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  faults_.clear();
}

void ScanToolSim::Unplug() {
  ClosePty();
  Wake();  // the thread may be waiting on the closed terminal
}

bool ScanToolSim::Replug() {
  bool ok;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ok = pty_.isOpen() || pty_.Open(options_.linkPath);
    if (ok) path_ = pty_.path();
  }
  Wake();
  return ok;
}

void ScanToolSim::Wake() {
  if (wakeFd_[1] < 0) return;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = write(wakeFd_[1], &byte, 1);
}

void ScanToolSim::Restart() {
  ClosePty();
  if (options_.onRestart) options_.onRestart(false);
  if (StayUnplugged(options_.restartDownMs) && Replug() && options_.onRestart) {
    options_.onRestart(true);
  }
}

bool ScanToolSim::StayUnplugged(int ms) {
  pollfd wake{wakeFd_[0], POLLIN, 0};
  const uint64_t until = NowNs() + uint64_t(ms) * 1'000'000;
  while (!stop_ && NowNs() < until) {
    (void)poll(&wake, 1, static_cast<int>((until - NowNs()) / 1'000'000) + 1);
    char drain[64];
    while (read(wakeFd_[0], drain, sizeof drain) > 0) {
    }
  }
  return !stop_;
}

void ScanToolSim::PushCutCapture() {
  constexpr int kPayload = 2000;
  std::vector<uint8_t> bytes =
      CaptureFrames(CaptureSamples(CaptureShape::kCranking, 20000), kPayload, false);
  // Eight whole frames (the resting battery, the dip of the start and the first of the cranking),
  // then half of the ninth.
  bytes.resize(8 * static_cast<size_t>(kPayload + kFrameOverhead) + kPayload / 2);
  Push(std::move(bytes));
  (void)WaitPushed(10000);
  // Closing a terminal throws away what its reader has not taken yet: a moment for the
  // application's next read, so what it shows does not depend on when its timer last ran.
  usleep(500 * 1000);
  ClosePty();
  if (StayUnplugged(options_.restartDownMs)) (void)Replug();
}

void ScanToolSim::ClosePty() {
  std::lock_guard<std::mutex> lock(mutex_);
  pty_.Close();
}

int ScanToolSim::RequestCount(uint16_t command) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = counts_.find(command);
  return it == counts_.end() ? 0 : it->second;
}

int ScanToolSim::GarbageBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return garbage_;
}

ScanToolSim::Turnaround ScanToolSim::RequestTurnaround() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return turnaround_;
}

void ScanToolSim::ResetTurnaround() {
  std::lock_guard<std::mutex> lock(mutex_);
  turnaround_ = {};
  replyDoneNs_ = 0;
}

std::vector<uint8_t> ScanToolSim::LastRequest(uint16_t command) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = lastRequests_.find(command);
  return it == lastRequests_.end() ? std::vector<uint8_t>{} : it->second;
}

std::optional<Fault> ScanToolSim::TakeFault(uint16_t command) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->command != 0 && it->command != command) continue;
    if (it->skip > 0) {
      --it->skip;
      continue;
    }
    Fault fault = it->fault;
    if (it->count > 0 && --it->count == 0) faults_.erase(it);
    return fault;
  }
  return std::nullopt;
}

void ScanToolSim::Run() {
  // Sleeps of the wire model should end on time, not up to 50 us late.
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
  std::vector<uint8_t> buffer;
  uint64_t firstByteNs = 0;
  uint64_t lastArrivalNs = 0;
  uint8_t chunk[8192];
  // A burn not yet followed by a restart, and when the last request came.
  bool burnSinceRestart = false;
  uint64_t lastRequestNs = 0;
  const uint64_t restartQuietNs = uint64_t(std::max(options_.restartAfterBurnMs, 0)) * 1'000'000;
  while (!stop_) {
    int master;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      master = pty_.master();
    }
    if (burnSinceRestart && restartQuietNs > 0 && NowNs() - lastRequestNs >= restartQuietNs) {
      burnSinceRestart = false;
      buffer.clear();
      Restart();
      continue;
    }
    pollfd fds[2] = {{wakeFd_[0], POLLIN, 0}, {master, POLLIN, 0}};
    int timeout = buffer.empty() ? -1 : 50;
    if (master < 0) timeout = 50;
    if (burnSinceRestart && restartQuietNs > 0) {
      const uint64_t due = lastRequestNs + restartQuietNs;
      const uint64_t now = NowNs();
      const int left = due > now ? static_cast<int>((due - now) / 1'000'000) + 1 : 0;
      timeout = timeout < 0 ? left : std::min(timeout, left);
    }
    int ready = poll(fds, master >= 0 ? 2 : 1, timeout);
    if (stop_) break;
    if (ready < 0 && errno != EINTR) break;
    if ((fds[0].revents & POLLIN) != 0) {
      char drain[64];
      while (read(wakeFd_[0], drain, sizeof drain) > 0) {
      }
    }
    if (master >= 0 && (fds[1].revents & POLLIN) != 0) {
      ssize_t n = read(master, chunk, sizeof chunk);
      if (n > 0) {
        const uint64_t now = NowNs();
        if (buffer.empty()) {
          firstByteNs = now;
          std::lock_guard<std::mutex> lock(mutex_);
          if (replyDoneNs_ != 0 && now > replyDoneNs_) {
            const uint64_t gap = now - replyDoneNs_;
            ++turnaround_.count;
            turnaround_.totalNs += gap;
            turnaround_.maxNs = std::max(turnaround_.maxNs, gap);
          }
          replyDoneNs_ = 0;
        }
        lastArrivalNs = now;
        buffer.insert(buffer.end(), chunk, chunk + n);
      }
    } else if (master >= 0 && (fds[1].revents & (POLLHUP | POLLERR)) != 0) {
      usleep(10000);  // nobody on the other side yet
    }
    if (master < 0) buffer.clear();

    // Take every complete request out of the buffer, skipping what cannot start a frame.
    for (;;) {
      size_t start = 0;
      while (start < buffer.size() &&
             !(buffer[start] == kRequestMarker &&
               (start + 1 == buffer.size() || buffer[start + 1] == kRequestMarker))) {
        ++start;
      }
      if (start > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        garbage_ += static_cast<int>(start);
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<long>(start));
      }
      if (buffer.empty()) break;
      const uint32_t length = buffer.size() >= 4 ? FrameLengthField(buffer.data()) : 0;
      const bool badLength =
          buffer.size() >= 4 && (length < static_cast<uint32_t>(kFrameOverhead) ||
                                 length > static_cast<uint32_t>(kFrameBufferSize));
      if (!badLength && (buffer.size() < 4 || buffer.size() < length)) {
        if (NowNs() - lastArrivalNs <= kStallNs) break;  // wait for the rest
      }
      if (badLength || buffer.size() < 4 || buffer.size() < length) {
        // Not a frame start, or the rest never came: skip one byte and look again.
        std::lock_guard<std::mutex> lock(mutex_);
        ++garbage_;
        buffer.erase(buffer.begin());
        continue;
      }
      if (CheckRequestFrame(buffer.data(), length) == 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++garbage_;
        buffer.erase(buffer.begin());
        continue;
      }
      std::vector<uint8_t> frame(buffer.begin(), buffer.begin() + length);
      buffer.erase(buffer.begin(), buffer.begin() + length);
      // With the wire model the request is complete only once its bytes could have crossed
      // the line; the reply then takes its own wire time. Both waits are taken as one sleep
      // before the reply is written (a second wake-up would only add scheduling delay).
      uint64_t wireEnd = NowNs();
      if (options_.wireModel) {
        wireEnd = firstByteNs + uint64_t{length} * 10'000'000'000ull / options_.baud;
      }
      const uint16_t command = FrameCommand(frame.data());
      HandleFrame(frame.data(), static_cast<int>(length), wireEnd);
      lastRequestNs = NowNs();
      if (command == kCmdBurnBlock.code) burnSinceRestart = true;
      firstByteNs = std::max(wireEnd, lastArrivalNs);
    }
  }
}

std::vector<uint8_t> ScanToolSim::BuildReply(uint16_t command, const uint8_t* payload,
                                             int payloadLength) {
  std::vector<uint8_t> reply(static_cast<size_t>(payloadLength) + kFrameOverhead);
  BuildReplyFrame(reply.data(), command, payload, payloadLength);
  return reply;
}

void ScanToolSim::HandleFrame(const uint8_t* frame, int length, uint64_t completeNs) {
  const uint16_t command = FrameCommand(frame);
  const uint8_t* payload = frame + kFramePayloadOffset;
  const int payloadLength = length - kFrameOverhead;
  std::optional<Fault> fault;
  std::vector<uint8_t> replyPayload;
  bool hasStatus = true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++counts_[command];
    lastRequests_[command].assign(frame, frame + length);
    fault = TakeFault(command);
    Identity& identity = options_.identity;
    if (command == kCmdQueryId.code) {
      hasStatus = false;
      PutText(replyPayload, identity.id, static_cast<size_t>(kDeviceIdLength));
    } else if (command == kCmdSetId.code) {
      const bool ok = payloadLength == kDeviceIdLength;
      if (ok) identity.id.assign(reinterpret_cast<const char*>(payload), kDeviceIdLength);
      replyPayload.push_back(ok ? 0 : 1);
    } else if (command == kCmdRequestDeviceInfo.code) {
      hasStatus = false;
      replyPayload = DeviceInfoPayload(identity);
    } else if (command == kCmdNotifyLatestVersion.code) {
      replyPayload.push_back(storage_.OnNotifyLatestVersion(payload, payloadLength));
    } else if (command == kCmdNotifyFirmwareSize.code) {
      replyPayload.push_back(storage_.OnNotifyFirmwareSize(payload, payloadLength));
    } else if (command == kCmdBurnBlock.code) {
      const bool ok = payloadLength >= kBurnBlockHeader;
      replyPayload.push_back(storage_.OnBurnBlock(payload, payloadLength, identity));
      replyPayload.push_back(ok ? payload[1] : 0);  // the block number, echoed
      replyPayload.push_back(ok ? payload[2] : 0);
    } else if (command == kCodeDemoPush) {
      // The demo's Print tab: the sample report now, a capture a few seconds later.
      Push(SampleReport());
      Push(CaptureFrames(CaptureSamples(CaptureShape::kCranking, 20000), 2000, true), 4000);
      return;
    } else if (command == kCodeDemoPushReport) {
      Push(SampleReport());
      return;
    } else if (command != kCodeDemoPushCutCapture) {
      return;  // a command the tool does not know gets no answer
    }
  }
  if (command == kCodeDemoPushCutCapture) {
    // Outside the lock: the plug is pulled on this thread once the bytes are out.
    PushCutCapture();
    return;
  }
  std::vector<uint8_t> reply =
      BuildReply(ReplyCode(command), replyPayload.data(), static_cast<int>(replyPayload.size()));
  if (fault) {
    const size_t l = reply.size();
    switch (*fault) {
      case Fault::kSilent:
        return;
      case Fault::kUnplug:
        if (options_.wireModel) SleepUntilNs(completeNs);
        ClosePty();
        return;
      case Fault::kBadStatus:
        if (hasStatus) {
          reply[kFrameStatusOffset] = 1;
          SealFrame(reply.data(), static_cast<int>(l));
        } else {
          reply[l - 4] ^= 0x01;
        }
        break;
      case Fault::kBadCrc:
        reply[l - 4] ^= 0x01;
        break;
      case Fault::kWrongCode:
        reply[5] = static_cast<uint8_t>(reply[5] + 1);
        SealFrame(reply.data(), static_cast<int>(l));
        break;
      case Fault::kShortReply:
        reply.pop_back();
        break;
    }
  }
  SendReply(std::move(reply), options_.wireModel ? completeNs : NowNs());
}

void ScanToolSim::SendReply(std::vector<uint8_t> reply, uint64_t startNs) {
  if (options_.wireModel) {
    SleepUntilNs(startNs + uint64_t{reply.size()} * 10'000'000'000ull / options_.baud);
  }
  size_t done = 0;
  while (done < reply.size() && !stop_) {
    int master;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      master = pty_.master();
    }
    if (master < 0) return;
    ssize_t n = write(master, reply.data() + done, reply.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      if (done == reply.size()) {
        std::lock_guard<std::mutex> lock(mutex_);
        replyDoneNs_ = NowNs();
      }
    } else if (n < 0 && errno == EAGAIN) {
      pollfd pfd{master, POLLOUT, 0};
      if (poll(&pfd, 1, 1000) <= 0) return;
    } else if (!(n < 0 && errno == EINTR)) {
      return;
    }
  }
}

}  // namespace vortik::sim
