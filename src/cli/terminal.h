// The terminal side of the command line: the interrupt flag, the progress bar on stderr and the
// numbered questions asked on stdin.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vortik::cli {

// SIGINT and SIGTERM only set a flag, which the host turns into the core's close request at its
// next look; a second signal ends the program at once.
void InstallInterruptHandler();
bool Interrupted();

// True when stdin and stderr are both terminals: questions can be asked and answered.
bool CanAsk();

// `text` with control characters (the tool's and the server's bytes may hold any) shown as '?',
// except line feeds and tabs when `keepLines` is set (carriage returns
// are then dropped), and invalid UTF-8 replaced by U+FFFD.
std::string Printable(const std::string& text, bool keepLines = false);

// One progress bar on a terminal: label, bar, done of total (bytes or blocks), rate and time
// left, redrawn in place at most ten times a second and ended with a line feed.
class ProgressBar {
 public:
  explicit ProgressBar(std::FILE* out) : out_(out) {}
  ~ProgressBar() { Finish(); }
  void SetLabel(const std::string& label);
  // A new bar counting `total` units.
  void Start(int64_t total, bool blocks);
  void Update(int64_t done);
  void SetBlocks(bool blocks) { blocks_ = blocks; }
  // Draws the last state and ends the line (nothing when no bar is shown).
  void Finish();
  bool active() const { return active_; }

 private:
  void Draw(bool force);

  std::FILE* out_;
  std::string label_;
  bool active_ = false;
  bool blocks_ = false;
  int64_t total_ = 0;
  int64_t done_ = 0;
  uint64_t startMs_ = 0;
  uint64_t lastDrawMs_ = 0;
};

// Asks `question` with `lines` numbered from 1 on stderr and reads the answer on stdin: Enter
// takes `preselected`. Nothing at end of input or on an interrupt.
std::optional<int> AskNumbered(const std::string& question, const std::vector<std::string>& lines,
                               int preselected);
// Asks a yes/no question (default no); false at end of input or on an interrupt.
bool AskYesNo(const std::string& question);

}  // namespace vortik::cli
