#include "dtc/dtc_file.h"

#include <array>
#include <cstring>
#include <new>
#include <utility>

#include "platform/folders.h"

namespace vortik {

namespace {

// Byte classes: the C library's blanks in the "C" locale (what "%s" and a blank in a pattern
// skip), and the line ends CR and LF among them.
constexpr uint8_t kBlank = 1;
constexpr uint8_t kLineEnd = 2;

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> classes{};
  for (unsigned char c : {' ', '\t', '\v', '\f'}) classes[c] = kBlank;
  for (unsigned char c : {'\r', '\n'}) classes[c] = kBlank | kLineEnd;
  return classes;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

bool IsBlank(unsigned char c) {
  return (kClasses[c] & kBlank) != 0;
}

bool IsLineEnd(unsigned char c) {
  return (kClasses[c] & kLineEnd) != 0;
}

// Reads the table's bytes the way the two scanf patterns do. Each field is read whole and cut
// to its largest size, so an over-long field never runs into the next one.
class Scanner {
 public:
  explicit Scanner(std::string_view bytes) : p_(bytes.data()), end_(p_ + bytes.size()) {}

  // A blank in the pattern: any run of blanks, line ends included.
  void SkipBlanks() {
    while (p_ < end_ && IsBlank(static_cast<unsigned char>(*p_))) ++p_;
  }

  // "%s": skips blanks, then one run of non-blank bytes (at least one).
  bool Word(size_t max, std::string_view* out) {
    SkipBlanks();
    const char* start = p_;
    while (p_ < end_ && !IsBlank(static_cast<unsigned char>(*p_))) ++p_;
    if (p_ == start) return false;
    *out = std::string_view(start, std::min(static_cast<size_t>(p_ - start), max));
    return true;
  }

  // "%[^\r\n]": one or more bytes up to a CR or LF.
  bool Rest(size_t max, std::string_view* out) {
    const char* start = p_;
    while (p_ < end_ && !IsLineEnd(static_cast<unsigned char>(*p_))) ++p_;
    if (p_ == start) return false;
    *out = std::string_view(start, std::min(static_cast<size_t>(p_ - start), max));
    return true;
  }

  // "%*[\r\n]": a run of CR and LF bytes, not stored.
  void SkipLineEnds() {
    while (p_ < end_ && IsLineEnd(static_cast<unsigned char>(*p_))) ++p_;
  }

 private:
  const char* p_;
  const char* end_;
};

// Reads the whole file behind `file`; false on a read error or when it is too large.
bool ReadAll(platform::File& file, std::string* out) {
  int64_t size = file.Size();
  if (size < 0 || size > kDtcTableMaxBytes) return false;
  out->resize(static_cast<size_t>(size));
  int64_t got = file.Read(out->data(), out->size());
  if (got < 0) return false;
  out->resize(static_cast<size_t>(got));
  // The file may have grown since its size was taken: read on to its end.
  char more[4096];
  for (;;) {
    int64_t n = file.Read(more, sizeof(more));
    if (n < 0) return false;
    if (n == 0) return true;
    if (static_cast<int64_t>(out->size()) + n > kDtcTableMaxBytes) return false;
    out->append(more, static_cast<size_t>(n));
  }
}

}  // namespace

int32_t CountDtcLines(std::string_view bytes) {
  int32_t pieces = 0;
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    // One piece: up to and including the next line end, or 1023 bytes, whichever comes first.
    const size_t room = std::min(static_cast<size_t>(end - p), kDtcLinePieceMax);
    const char* stop = p + room;
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', room));
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', room));
    // A CR with an LF right after it is part of a CR LF line end, which the LF closes.
    while (cr != nullptr && cr + 1 < end && cr[1] == '\n') {
      cr = cr + 1 < stop ? static_cast<const char*>(std::memchr(cr + 1, '\r', stop - cr - 1))
                         : nullptr;
    }
    const char* lineEnd = lf;
    if (cr != nullptr && (lineEnd == nullptr || cr < lineEnd)) lineEnd = cr;
    p = lineEnd != nullptr ? lineEnd + 1 : stop;
    ++pieces;
  }
  return pieces;
}

std::vector<std::string_view> ScanDtcMatchCodes(std::string_view bytes) {
  // No room is reserved ahead: the count of lines says nothing of the count of records (a file
  // of empty lines has none), and a vector grows by doubling anyway.
  std::vector<std::string_view> codes;
  ForEachDtcMatchCode(bytes, [&](std::string_view code) {
    codes.push_back(code);
    return true;
  });
  return codes;
}

std::vector<std::string> ReadDtcMatchCodes(std::string_view bytes) {
  std::vector<std::string> codes;
  for (std::string_view code : ScanDtcMatchCodes(bytes)) codes.emplace_back(code);
  return codes;
}

std::vector<DtcEntryView> ScanDtcEntries(std::string_view bytes) {
  std::vector<DtcEntryView> entries;
  ForEachDtcEntry(bytes, [&](const DtcEntryView& entry) {
    entries.push_back(entry);
    return true;
  });
  return entries;
}

void ForEachDtcMatchCode(std::string_view bytes,
                         const std::function<bool(std::string_view code)>& visit) {
  Scanner in(bytes);
  std::string_view code;
  std::string_view rest;
  for (;;) {
    if (!in.Word(kDtcMatchCodeMax, &code)) return;
    in.SkipBlanks();
    if (!in.Rest(kDtcMatchRestMax, &rest)) return;
    in.SkipLineEnds();
    if (!visit(code)) return;
  }
}

void ForEachDtcEntry(std::string_view bytes,
                     const std::function<bool(const DtcEntryView& entry)>& visit) {
  Scanner in(bytes);
  DtcEntryView entry;
  for (;;) {
    if (!in.Word(kDtcCodeMax, &entry.code)) return;
    if (!in.Word(kDtcBrandMax, &entry.brand)) return;
    in.SkipBlanks();
    if (!in.Rest(kDtcContentsMax, &entry.contents)) return;
    in.SkipLineEnds();
    if (!visit(entry)) return;
  }
}

std::vector<DtcEntry> ReadDtcEntries(std::string_view bytes) {
  std::vector<DtcEntry> entries;
  for (const DtcEntryView& e : ScanDtcEntries(bytes)) {
    entries.push_back({std::string(e.code), std::string(e.brand), std::string(e.contents)});
  }
  return entries;
}

std::string DtcSearchKey(std::string_view upper) {
  size_t begin = 0;
  size_t end = upper.size();
  while (begin < end && static_cast<unsigned char>(upper[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(upper[end - 1]) <= ' ') --end;
  std::string key(upper.substr(begin, end - begin));
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

std::string FindDtcTable() {
  platform::FileStamp stamp;
  if (platform::StampFile(kDtcTableRelativePath, &stamp)) return kDtcTableRelativePath;
  std::string shipped = platform::FindDataFile(kDtcTableRelativePath);
  return shipped.empty() ? std::string(kDtcTableRelativePath) : shipped;
}

DtcTable::DtcTable(std::function<std::string()> locate) : locate_(std::move(locate)) {}

DtcTable::DtcTable(std::string path) : locate_([path = std::move(path)] { return path; }) {}

void DtcTable::Forget() {
  present_ = false;
  lines_ = 0;
  std::string().swap(bytes_);  // the memory goes with the table
}

void DtcTable::Refresh() {
  try {
    Reread();
  } catch (const std::bad_alloc&) {
    // A table too large for the memory there is reads like one that cannot be opened.
    Forget();
  }
}

void DtcTable::Reread() {
  std::string path = locate_();
  platform::FileStamp now;
  const bool exists = platform::StampFile(path, &now);
  if (exists && present_ && path == path_ && !stamp_.recent && now.SameVersion(stamp_)) return;

  const bool samePath = path == path_;
  path_ = std::move(path);
  if (!exists) {
    Forget();
    return;
  }
  platform::File file;
  platform::FileStamp stamp;
  std::string fresh;
  // The stamp is taken from the open file before reading, so a change made while reading
  // shows in the next call's stamp.
  if (!file.Open(path_, platform::File::Mode::kRead) || !file.Stamp(&stamp) ||
      !ReadAll(file, &fresh)) {
    Forget();
    return;
  }
  stamp_ = stamp;
  // A stamp that proves nothing (the file changed within the last two seconds) has the file read
  // again on every call; the table is taken anew only when its bytes differ.
  if (present_ && samePath && fresh == bytes_) return;
  bytes_.swap(fresh);
  present_ = true;
  ++reads_;
  lines_ = CountDtcLines(bytes_);
}

int32_t DtcTable::LineCount() {
  Refresh();
  return lines_;
}

int32_t DtcTable::MatchCount(std::string_view search) {
  Refresh();
  int32_t count = 0;
  ForEachDtcMatchCode(bytes_, [&](std::string_view code) {
    if (DtcCodeMatches(code, search)) ++count;
    return true;
  });
  return count;
}

void DtcTable::ReadEntries(const std::function<bool(const DtcEntryView&)>& visit) {
  Refresh();
  ForEachDtcEntry(bytes_, visit);
}

}  // namespace vortik
