#include "cli/terminal.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>

namespace vortik::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
  gInterrupted = 1;
}

uint64_t NowMs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

// One line from stdin without stdio's buffering, so an interrupt ends the wait (the handler is
// installed without SA_RESTART). Nothing at end of input or on an interrupt.
std::optional<std::string> ReadLine() {
  std::string line;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR && !Interrupted()) continue;
    if (n <= 0) return std::nullopt;
    if (c == '\n') return line;
    if (line.size() < 256) line.push_back(c);
  }
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string HumanBytes(double bytes) {
  char text[32];
  if (bytes >= 1024.0 * 1024.0) {
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
  } else if (bytes >= 1024.0) {
    std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
  } else {
    std::snprintf(text, sizeof text, "%.0f B", bytes);
  }
  return text;
}

// Length of the UTF-8 sequence starting at `s[i]`, or 0 when it is not a valid one.
size_t Utf8Length(const std::string& s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  size_t length = c < 0x80           ? 1
                  : (c >> 5) == 0x6  ? 2
                  : (c >> 4) == 0xE  ? 3
                  : (c >> 3) == 0x1E ? 4
                                     : 0;
  if (length == 0 || (length == 2 && c < 0xC2) || i + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  if (length == 3 && c == 0xE0 && byte(i + 1) < 0xA0) return 0;   // overlong
  if (length == 3 && c == 0xED && byte(i + 1) >= 0xA0) return 0;  // surrogates
  if (length == 4 &&
      ((c == 0xF0 && byte(i + 1) < 0x90) || c > 0xF4 || (c == 0xF4 && byte(i + 1) >= 0x90))) {
    return 0;
  }
  return length;
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // The block on the wire is finished before the program stops; a second signal does not wait.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
  return gInterrupted != 0;
}

bool CanAsk() {
  return ::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1;
}

std::string Printable(const std::string& text, bool keepLines) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (length == 1 && keepLines && c == '\r') {
      // Line ends come as CR LF: the LF alone ends the line.
    } else if (length == 1 && (c < 0x20 || c == 0x7F)) {
      out.push_back(keepLines && (c == '\n' || c == '\t') ? static_cast<char>(c) : '?');
    } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      out.push_back('?');  // C1 controls: a terminal may read them as escape sequences
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

void ProgressBar::SetLabel(const std::string& label) {
  if (label == label_) return;
  // A full bar keeps its own label: the next step's text starts a line of its own.
  if (active_ && total_ > 0 && done_ >= total_) Finish();
  label_ = Printable(label);
  Draw(true);
}

void ProgressBar::Start(int64_t total, bool blocks) {
  Finish();
  active_ = true;
  blocks_ = blocks;
  total_ = std::max<int64_t>(total, 0);
  done_ = 0;
  startMs_ = NowMs();
  Draw(true);
}

void ProgressBar::Update(int64_t done) {
  if (!active_) return;
  done_ = std::clamp<int64_t>(done, 0, std::max<int64_t>(total_, done));
  Draw(false);
}

void ProgressBar::Finish() {
  if (!active_) return;
  Draw(true);
  std::fputc('\n', out_);
  std::fflush(out_);
  active_ = false;
}

void ProgressBar::Draw(bool force) {
  if (!active_) return;
  const uint64_t now = NowMs();
  if (!force && now - lastDrawMs_ < 100) return;
  lastDrawMs_ = now;
  constexpr int kWidth = 24;
  const double fraction = total_ > 0 ? std::min(1.0, static_cast<double>(done_) / total_) : 0.0;
  const int filled = static_cast<int>(fraction * kWidth);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), '-');
  const double seconds = static_cast<double>(now - startMs_) / 1000.0;
  const double rate = seconds > 0.05 ? static_cast<double>(done_) / seconds : 0.0;
  std::string amount, speed;
  if (blocks_) {
    amount = std::to_string(done_) + "/" + std::to_string(total_) + " blocks";
    char text[32];
    std::snprintf(text, sizeof text, "%.0f blocks/s", rate);
    speed = text;
  } else {
    amount = HumanBytes(static_cast<double>(done_)) + "/" + HumanBytes(static_cast<double>(total_));
    speed = HumanBytes(rate) + "/s";
  }
  std::string left = "--:--";
  if (rate > 0 && total_ >= done_) {
    const int64_t secondsLeft = static_cast<int64_t>(static_cast<double>(total_ - done_) / rate);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(secondsLeft / 60),
                  static_cast<long long>(secondsLeft % 60));
    left = text;
  }
  std::fprintf(out_, "\r\x1b[K%s [%s] %3d%% %s %s %s left", label_.c_str(), bar.c_str(),
               static_cast<int>(fraction * 100), amount.c_str(), speed.c_str(), left.c_str());
  std::fflush(out_);
}

std::optional<int> AskNumbered(const std::string& question, const std::vector<std::string>& lines,
                               int preselected) {
  if (lines.empty()) return std::nullopt;
  preselected = std::clamp(preselected, 0, static_cast<int>(lines.size()) - 1);
  std::fprintf(stderr, "%s\n", Printable(question).c_str());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::fprintf(stderr, "  %2zu) %s%s\n", i + 1, Printable(lines[i]).c_str(),
                 static_cast<int>(i) == preselected ? "  (current)" : "");
  }
  for (;;) {
    std::fprintf(stderr, "Choose 1-%zu [%d]: ", lines.size(), preselected + 1);
    std::fflush(stderr);
    const std::optional<std::string> answer = ReadLine();
    if (!answer) {
      std::fputc('\n', stderr);
      return std::nullopt;
    }
    const std::string text = Trim(*answer);
    if (text.empty()) return preselected;
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (end != nullptr && *end == '\0' && number >= 1 &&
        number <= static_cast<long>(lines.size())) {
      return static_cast<int>(number - 1);
    }
  }
}

bool AskYesNo(const std::string& question) {
  for (;;) {
    std::fprintf(stderr, "%s [y/N]: ", Printable(question).c_str());
    std::fflush(stderr);
    const std::optional<std::string> answer = ReadLine();
    if (!answer) {
      std::fputc('\n', stderr);
      return false;
    }
    const std::string text = Trim(*answer);
    if (text.empty() || text == "n" || text == "N" || text == "no") return false;
    if (text == "y" || text == "Y" || text == "yes") return true;
  }
}

}  // namespace vortik::cli
