// The trouble-code table DtcLookup/OBDII.txt: where it is, its line grammar, and the three
// readers the DTC page runs over it (line counter, match counter, entry reader).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_ops.h"

namespace vortik {

inline constexpr const char* kDtcTableRelativePath = "DtcLookup/OBDII.txt";

// Largest field sizes in bytes; a longer field is read whole and cut to its size.
inline constexpr size_t kDtcCodeMax = 63;
inline constexpr size_t kDtcBrandMax = 127;
inline constexpr size_t kDtcContentsMax = 1279;
inline constexpr size_t kDtcMatchCodeMax = 1087;  // the match counter's code field
inline constexpr size_t kDtcMatchRestMax = 1279;  // the match counter's rest-of-line field
// The line counter's piece: what a line-reading call with a 1024-byte buffer returns.
inline constexpr size_t kDtcLinePieceMax = 1023;
// A table larger than this is not read: it is treated like a file that cannot be opened.
inline constexpr int64_t kDtcTableMaxBytes = int64_t{256} << 20;

// One line of the table: code, brand, and the rest of the line without its leading blanks.
struct DtcEntry {
  std::string code;
  std::string brand;
  std::string contents;
};

// The same, as views into the bytes of a table that the reader keeps.
struct DtcEntryView {
  std::string_view code;
  std::string_view brand;
  std::string_view contents;
};

// --- The three readers over the bytes of a table -------------------------------------------

// Line counter: the number of pieces a line-reading call with a 1024-byte buffer returns
// (empty lines count; a line longer than 1023 bytes counts once for every started 1023 bytes).
// A CR that no LF follows ends a line as well, so files with CR line ends count their lines.
int32_t CountDtcLines(std::string_view bytes);

// Match counter's records ("%s %[^\r\n]%*[\r\n]"): the code of each record, in file order, up
// to the first record that cannot be completed. The views point into `bytes`.
std::vector<std::string_view> ScanDtcMatchCodes(std::string_view bytes);
std::vector<std::string> ReadDtcMatchCodes(std::string_view bytes);

// Entry reader's records ("%s %s %[^\r\n]%*[\r\n]"), in file order, up to the first record
// that cannot be completed. The views point into `bytes`.
std::vector<DtcEntryView> ScanDtcEntries(std::string_view bytes);
std::vector<DtcEntry> ReadDtcEntries(std::string_view bytes);
// The same records handed to `visit` one by one, until it returns false; nothing is stored.
void ForEachDtcMatchCode(std::string_view bytes,
                         const std::function<bool(std::string_view code)>& visit);
void ForEachDtcEntry(std::string_view bytes,
                     const std::function<bool(const DtcEntryView& entry)>& visit);

// True when `code` contains `search` (byte comparison, case-sensitive).
inline bool DtcCodeMatches(std::string_view code, std::string_view search) {
  return code.find(search) != std::string_view::npos;
}

// The search text as the page compares it: `upper` (already upper-cased by the user
// interface's rules) with ASCII letters upper-cased and leading and trailing bytes at or below
// the space character removed. Empty means no search.
std::string DtcSearchKey(std::string_view upper);

// --- Where the table is ---------------------------------------------------------------------

// The table's path: DtcLookup/OBDII.txt in the current folder when it is there, else the copy
// in the program's data folders (beside the executable, then the installed data folders), else
// the current-folder path (which then reads as a missing file).
std::string FindDtcTable();

// --- The table as the page reads it ---------------------------------------------------------

// The readers over one table file. The file's bytes are kept between calls (and nothing more:
// matches and entries are scanned from them on each call, so the memory stays that of the
// file) and read again when the file's size, modification time or identity differs from the
// last reading (checked on every call), so results are those of reading the file afresh each
// time. A missing or unreadable file, or one too large for the memory, reads as empty: no
// lines, no matches, no entries.
class DtcTable {
 public:
  // `locate` gives the path on every call (FindDtcTable in the program; a fixed path in tests).
  explicit DtcTable(std::function<std::string()> locate = FindDtcTable);
  // For a table at a fixed path.
  explicit DtcTable(std::string path);

  int32_t LineCount();
  int32_t MatchCount(std::string_view search);
  // Hands each entry to `visit` in file order until `visit` returns false. The views are valid
  // until the next call.
  void ReadEntries(const std::function<bool(const DtcEntryView&)>& visit);

  // How many times a new table has been taken from the file (for tests of the cache).
  int reads() const { return reads_; }
  // The bytes kept (for tests of the memory).
  size_t keptBytes() const { return bytes_.capacity(); }

 private:
  void Refresh();
  void Reread();
  void Forget();

  std::function<std::string()> locate_;
  std::string path_;
  bool present_ = false;
  platform::FileStamp stamp_;
  int32_t lines_ = 0;
  std::string bytes_;  // the file as last read
  int reads_ = 0;
};

}  // namespace vortik
