#include "platform/profile.h"
#include "platform/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vortik::platform {

namespace {

// Larger files are not profiles of this application; refusing them bounds memory use.
constexpr size_t kMaxProfileBytes = size_t{16} * 1024 * 1024;
constexpr char16_t kReplacement = 0xFFFD;

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

enum class ReadResult { kOk, kMissing, kError };

ReadResult ReadWholeFile(const std::string& path, std::string* out) {
  out->clear();
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kError;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof(buf));
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadResult::kError;
    }
    if (n == 0) break;
    if (out->size() + static_cast<size_t>(n) > kMaxProfileBytes) return ReadResult::kError;
    out->append(buf, static_cast<size_t>(n));
  }
  return ReadResult::kOk;
}

// --- encodings --------------------------------------------------------------------------------

enum class Body { kUtf16Le, kUtf16Be, kUtf8, kLatin1 };

// A file split into what is kept verbatim (the byte-order mark, an odd trailing byte of a
// UTF-16 file) and the decoded text between.
struct Decoded {
  std::string prefix;
  Body body = Body::kUtf16Le;
  std::u16string text;
  std::string suffix;
  ProfileEncoding encoding = ProfileEncoding::kUtf16Le;
};

// Decodes strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF); false on
// the first malformed sequence, so that a decoded file re-encodes to the same bytes.
bool DecodeUtf8Strict(const char* data, size_t size, std::u16string* out) {
  const auto* s = reinterpret_cast<const unsigned char*>(data);
  size_t i = 0;
  while (i < size) {
    unsigned c = s[i];
    if (c < 0x80) {
      out->push_back(static_cast<char16_t>(c));
      ++i;
      continue;
    }
    int extra;
    uint32_t cp;
    uint32_t min;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07, min = 0x10000;
    } else {
      return false;
    }
    if (i + static_cast<size_t>(extra) >= size) return false;
    for (int k = 1; k <= extra; ++k) {
      unsigned cc = s[i + static_cast<size_t>(k)];
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

Decoded DecodeFile(const std::string& bytes) {
  Decoded d;
  auto u8 = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 && (u8(0) == 0xFF && u8(1) == 0xFE)) {
    d.prefix = bytes.substr(0, 2);
    d.body = Body::kUtf16Le;
    d.encoding = ProfileEncoding::kUtf16Le;
  } else if (bytes.size() >= 2 && (u8(0) == 0xFE && u8(1) == 0xFF)) {
    d.prefix = bytes.substr(0, 2);
    d.body = Body::kUtf16Be;
    d.encoding = ProfileEncoding::kUtf16Be;
  }
  if (!d.prefix.empty()) {
    const size_t n = (bytes.size() - 2) / 2;
    d.text.resize(n);
    const bool little = d.body == Body::kUtf16Le;
    for (size_t k = 0; k < n; ++k) {
      const unsigned a = u8(2 + 2 * k);
      const unsigned b = u8(3 + 2 * k);
      d.text[k] = static_cast<char16_t>(little ? (b << 8) | a : (a << 8) | b);
    }
    if ((bytes.size() - 2) % 2 != 0) d.suffix = bytes.substr(bytes.size() - 1);
    return d;
  }
  size_t start = 0;
  if (bytes.size() >= 3 && u8(0) == 0xEF && u8(1) == 0xBB && u8(2) == 0xBF) start = 3;
  std::u16string text;
  if (DecodeUtf8Strict(bytes.data() + start, bytes.size() - start, &text)) {
    d.prefix = bytes.substr(0, start);
    d.body = Body::kUtf8;
    d.encoding = start != 0 ? ProfileEncoding::kUtf8Bom : ProfileEncoding::kUtf8;
    d.text = std::move(text);
    return d;
  }
  // An 8-bit file in some other code page: each byte stands for itself, so the bytes that a
  // write does not touch come back unchanged.
  d.prefix = bytes.substr(0, start);
  d.body = Body::kLatin1;
  d.encoding = ProfileEncoding::kLatin1;
  d.text.reserve(bytes.size() - start);
  for (size_t i = start; i < bytes.size(); ++i) d.text.push_back(static_cast<char16_t>(u8(i)));
  return d;
}

std::string EncodeFile(const Decoded& d) {
  std::string out = d.prefix;
  switch (d.body) {
    case Body::kUtf16Le:
    case Body::kUtf16Be:
      out.reserve(out.size() + d.text.size() * 2 + d.suffix.size());
      for (char16_t u : d.text) {
        char lo = static_cast<char>(u & 0xFF);
        char hi = static_cast<char>(u >> 8);
        if (d.body == Body::kUtf16Le) {
          out.push_back(lo);
          out.push_back(hi);
        } else {
          out.push_back(hi);
          out.push_back(lo);
        }
      }
      break;
    case Body::kUtf8:
      out += Utf16ToUtf8(d.text);
      break;
    case Body::kLatin1:
      // Characters the file's code page cannot hold become '?', as the system converters do.
      for (char16_t u : d.text) out.push_back(u <= 0xFF ? static_cast<char>(u) : '?');
      break;
  }
  out += d.suffix;
  return out;
}

// --- parsing ----------------------------------------------------------------------------------

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

std::u16string_view TrimView(std::u16string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::u16string Trim(std::u16string_view s) {
  return std::u16string(TrimView(s));
}

// Letter case folding for names: ASCII, Latin-1, Greek and Cyrillic capitals.
char16_t FoldChar(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F))
    return static_cast<char16_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

std::u16string Fold(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) c = FoldChar(c);
  return out;
}

// Whether `name` folds to `folded`.
bool FoldsTo(std::u16string_view name, std::u16string_view folded) {
  if (name.size() != folded.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (FoldChar(name[i]) != folded[i]) return false;
  }
  return true;
}

// One line of the text: [begin, end) without its terminator; `next` is where the next begins.
struct Line {
  size_t begin;
  size_t end;
  size_t next;
};

// The lines of a text in order. Lines end with CR LF, LF or CR alone.
class LineCursor {
 public:
  explicit LineCursor(std::u16string_view text) : text_(text) {}
  bool Next(Line* line) {
    if (pos_ >= text_.size()) return false;
    size_t end = pos_;
    while (end < text_.size() && text_[end] != u'\r' && text_[end] != u'\n') ++end;
    size_t next = end;
    if (next < text_.size() && text_[next] == u'\r') ++next;
    if (next < text_.size() && text_[next] == u'\n' && (next == end || text_[end] == u'\r')) ++next;
    *line = {pos_, end, next};
    pos_ = next;
    return true;
  }

 private:
  std::u16string_view text_;
  size_t pos_ = 0;
};

// The line end a write uses: the file's own (CR LF, LF or CR), CR LF for a file of one line.
std::u16string LineEndOf(const std::u16string& text) {
  if (text.find(u"\r\n") != std::u16string::npos) return u"\r\n";
  if (text.find(u'\n') != std::u16string::npos) return u"\n";
  if (text.find(u'\r') != std::u16string::npos) return u"\r";
  return u"\r\n";
}

// kOther: a comment, or a line without '=', which names no key.
enum class LineKind { kBlank, kSection, kKey, kOther };

// The names and the value are views into the parsed line.
struct ParsedLine {
  LineKind kind = LineKind::kBlank;
  std::u16string_view name;   // section or key name, trimmed, not folded
  std::u16string_view value;  // trimmed, quotes not yet removed
  size_t indent = 0;          // leading blanks of a key line
};

ParsedLine ParseLine(std::u16string_view line) {
  ParsedLine p;
  size_t b = 0;
  while (b < line.size() && IsBlank(line[b])) ++b;
  std::u16string_view rest = line.substr(b);
  if (TrimView(rest).empty()) return p;
  if (rest[0] == u'[') {
    size_t close = rest.rfind(u']');
    p.kind = LineKind::kSection;
    p.name = TrimView(close == std::u16string_view::npos || close == 0 ? rest.substr(1)
                                                                       : rest.substr(1, close - 1));
    return p;
  }
  size_t eq = rest.find(u'=');
  if (rest[0] == u';' || eq == std::u16string_view::npos) {
    p.kind = LineKind::kOther;
    return p;
  }
  p.kind = LineKind::kKey;
  p.indent = b;
  p.name = TrimView(rest.substr(0, eq));
  p.value = TrimView(rest.substr(eq + 1));
  return p;
}

std::u16string_view Unquote(std::u16string_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::u16string_view CutValue(std::u16string_view value) {
  if (value.size() > kProfileValueMaxUnits) {
    value = value.substr(0, kProfileValueMaxUnits);
    // Never leave half of a surrogate pair at the cut.
    if (value.back() >= 0xD800 && value.back() <= 0xDBFF) value.remove_suffix(1);
  }
  return value;
}

bool HasLineBreak(const std::string& s) {
  return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

// --- UTF conversions --------------------------------------------------------------------------

std::u16string Utf8ToUtf16(const std::string& utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    // Decode one sequence strictly; a malformed one yields U+FFFD and skips one byte.
    std::u16string one;
    size_t len = 1;
    unsigned c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0xC0 && c < 0xE0) {
      len = 2;
    } else if (c >= 0xE0 && c < 0xF0) {
      len = 3;
    } else if (c >= 0xF0 && c < 0xF8) {
      len = 4;
    }
    if (i + len <= utf8.size() && DecodeUtf8Strict(utf8.data() + i, len, &one)) {
      out += one;
      i += len;
    } else {
      out.push_back(kReplacement);
      ++i;
    }
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    uint32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::optional<int32_t> ParseProfileInt(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X');
  if (hex) i += 2;
  if (i >= text.size()) return std::nullopt;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * (hex ? 16 : 10) + digit;
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    // Eight hex digits give the full 32-bit pattern, as the toolkit's conversion does.
    auto bits = static_cast<uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
  }
  if (negative) {
    if (value > 0x80000000ull) return std::nullopt;
    return static_cast<int32_t>(-static_cast<int64_t>(value));
  }
  if (value > 0x7FFFFFFFull) return std::nullopt;
  return static_cast<int32_t>(value);
}

// --- reading ----------------------------------------------------------------------------------

bool EnsureProfileFile(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!fd.valid()) {
    if (errno != EEXIST) return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }
  static const std::string kEmptyProfile("\xFF\xFE\r\0\n\0", 6);
  if (!WriteAll(fd.get(), kEmptyProfile) || !fd.Reset()) {
    ::unlink(path.c_str());
    return false;
  }
  return true;
}

ProfileFile ProfileFile::Read(const std::string& path) {
  ProfileFile profile;
  std::string bytes;
  if (ReadWholeFile(path, &bytes) != ReadResult::kOk) return profile;
  Decoded d = DecodeFile(bytes);
  profile.loaded_ = true;
  profile.encoding_ = d.encoding;
  profile.text_ = std::move(d.text);
  // Keys before the first section header belong to a section without a name.
  profile.sections_.emplace_back();
  const std::u16string_view text = profile.text_;
  LineCursor lines(text);
  Line line{};
  while (lines.Next(&line)) {
    const ParsedLine p = ParseLine(text.substr(line.begin, line.end - line.begin));
    if (p.kind == LineKind::kSection) {
      profile.sections_.push_back(Fold(p.name));
    } else if (p.kind == LineKind::kKey) {
      // Offsets into the text: the file is at most kMaxProfileBytes, so they fit.
      profile.entries_.push_back({static_cast<uint32_t>(profile.sections_.size() - 1),
                                  static_cast<uint32_t>(p.name.data() - text.data()),
                                  static_cast<uint32_t>(p.name.size()),
                                  static_cast<uint32_t>(p.value.data() - text.data()),
                                  static_cast<uint32_t>(p.value.size())});
    }
  }
  return profile;
}

std::optional<std::string> ProfileFile::Find(const std::string& section,
                                             const std::string& key) const {
  const std::u16string s = Fold(TrimView(Utf8ToUtf16(section)));
  const std::u16string k = Fold(TrimView(Utf8ToUtf16(key)));
  std::vector<bool> inSection(sections_.size());
  for (size_t i = 0; i < sections_.size(); ++i) inSection[i] = sections_[i] == s;
  const std::u16string_view text = text_;
  for (const Entry& e : entries_) {
    if (inSection[e.section] && FoldsTo(text.substr(e.keyBegin, e.keyLength), k)) {
      return Utf16ToUtf8(
          std::u16string(CutValue(Unquote(text.substr(e.valueBegin, e.valueLength)))));
    }
  }
  return std::nullopt;
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& fallback) const {
  std::optional<std::string> v = Find(section, key);
  return v ? *v : fallback;
}

int32_t ProfileFile::GetInt(const std::string& section, const std::string& key,
                            int32_t fallback) const {
  std::optional<std::string> v = Find(section, key);
  if (!v) return fallback;
  return ParseProfileInt(*v).value_or(fallback);
}

std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& fallback) {
  return ProfileFile::Read(path).GetString(section, key, fallback);
}

int32_t GetProfileInt(const std::string& path, const std::string& section, const std::string& key,
                      int32_t fallback) {
  return ProfileFile::Read(path).GetInt(section, key, fallback);
}

// --- writing ----------------------------------------------------------------------------------

namespace {

// Replaces the file's contents: through a temporary file and a rename where the folder allows
// it, so that a crash never leaves a half-written profile; in place otherwise (a read-only
// folder holding a writable file, or a symbolic link that must stay one).
bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  struct stat st {};
  bool exists = ::lstat(path.c_str(), &st) == 0;
  if (!exists || S_ISREG(st.st_mode)) {
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.valid()) {
      bool ok = WriteAll(fd.get(), bytes) &&
                ::fchmod(fd.get(), exists ? (st.st_mode & 07777) : 0644) == 0 &&
                ::fsync(fd.get()) == 0 && fd.Reset() && ::rename(name.data(), path.c_str()) == 0;
      if (!ok) ::unlink(name.data());
      return ok;
    }
  }
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  return fd.valid() && WriteAll(fd.get(), bytes) && fd.Reset();
}

// The bytes of `d` in its own encoding, as long as a later read sees the same text in them.
// An 8-bit file is read as UTF-8 when all of it is valid UTF-8; a write that takes out its last
// bytes that are not, or that brings in characters it cannot hold, would change how its other
// keys read. Such a file is written as UTF-8 with a byte-order mark instead, which keeps every
// value and fixes how the file is read from then on.
std::string EncodeKeepingReading(Decoded& d) {
  std::string bytes = EncodeFile(d);
  if (d.body != Body::kLatin1 || DecodeFile(bytes).text == d.text) return bytes;
  d.prefix = "\xEF\xBB\xBF";
  d.body = Body::kUtf8;
  d.encoding = ProfileEncoding::kUtf8Bom;
  return EncodeFile(d);
}

}  // namespace

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
  std::u16string sectionName = Trim(Utf8ToUtf16(section));
  std::u16string keyName = Trim(Utf8ToUtf16(key));
  if (sectionName.empty() || keyName.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      HasLineBreak(value) || keyName.find(u'=') != std::u16string::npos || keyName[0] == u'[' ||
      keyName[0] == u';' || sectionName.find(u']') != std::u16string::npos) {
    return false;
  }

  std::string bytes;
  ReadResult read = ReadWholeFile(path, &bytes);
  if (read == ReadResult::kError) return false;
  Decoded d;
  if (read == ReadResult::kMissing) {
    d.prefix = std::string("\xFF\xFE", 2);
  } else {
    d = DecodeFile(bytes);
  }
  std::u16string& text = d.text;
  const std::u16string nl = LineEndOf(text);
  const std::u16string foldedSection = Fold(sectionName);
  const std::u16string foldedKey = Fold(keyName);
  const std::u16string newValue = Utf8ToUtf16(value);

  bool inSection = false;
  bool sectionFound = false;
  size_t insertAt = 0;  // end of the section's last non-blank line
  LineCursor lines(text);
  Line line{};
  while (lines.Next(&line)) {
    const ParsedLine p =
        ParseLine(std::u16string_view(text).substr(line.begin, line.end - line.begin));
    if (p.kind == LineKind::kSection) {
      if (inSection) break;  // the key was not in the first matching section
      inSection = FoldsTo(p.name, foldedSection);
      if (inSection) {
        sectionFound = true;
        insertAt = line.end;
      }
      continue;
    }
    if (!inSection || p.kind == LineKind::kBlank) continue;
    insertAt = line.end;
    if (p.kind == LineKind::kKey && FoldsTo(p.name, foldedKey)) {
      const std::u16string replacement =
          text.substr(line.begin, p.indent) + std::u16string(p.name) + u"=" + newValue;
      text.replace(line.begin, line.end - line.begin, replacement);
      return ReplaceFileContents(path, EncodeKeepingReading(d));
    }
  }
  if (sectionFound) {
    text.insert(insertAt, nl + keyName + u"=" + newValue);
  } else {
    if (!text.empty() && text.back() != u'\n' && text.back() != u'\r') text += nl;
    text += u"[" + sectionName + u"]" + nl + keyName + u"=" + newValue + nl;
  }
  return ReplaceFileContents(path, EncodeKeepingReading(d));
}

}  // namespace vortik::platform
