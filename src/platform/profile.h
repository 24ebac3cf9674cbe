// INI ("private profile") files: reading sections and keys, writing one key, UTF-16 conversions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vortik::platform {

// How a profile file is stored on disk; a write keeps the encoding the file already has.
enum class ProfileEncoding {
  kUtf16Le,  // FF FE byte-order mark
  kUtf16Be,  // FE FF byte-order mark
  kUtf8Bom,  // EF BB BF byte-order mark
  kUtf8,     // no mark, valid UTF-8 (the 8-bit "ANSI" files of this platform)
  kLatin1,   // no mark, not valid UTF-8: every byte is one character
};

// At most this many UTF-16 units of a value are returned (a 2,048-unit buffer with its NUL).
inline constexpr size_t kProfileValueMaxUnits = 2047;

// Creates `path` as an empty UTF-16LE profile (byte-order mark and one CR LF) when it does not
// exist. True when the file exists afterwards.
bool EnsureProfileFile(const std::string& path);

// The contents of one profile file, read once. Section and key names match without regard to
// letter case; the first matching section holding the key wins, and within it the first key.
class ProfileFile {
 public:
  // A missing or unreadable file gives an empty profile: every lookup returns its default.
  static ProfileFile Read(const std::string& path);

  // The value of a key (UTF-8), cut at kProfileValueMaxUnits; nullopt when the key is absent.
  std::optional<std::string> Find(const std::string& section, const std::string& key) const;
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& fallback) const;
  // A decimal integer or a 0x/0X hexadecimal one, with an optional sign; an absent key or a
  // value that is not wholly such a number gives `fallback`.
  int32_t GetInt(const std::string& section, const std::string& key, int32_t fallback) const;

  bool loaded() const { return loaded_; }
  ProfileEncoding encoding() const { return encoding_; }

 private:
  // A key line: its section, and where its name and value lie in text_.
  struct Entry {
    uint32_t section;  // index into sections_
    uint32_t keyBegin;
    uint32_t keyLength;
    uint32_t valueBegin;
    uint32_t valueLength;
  };
  std::u16string text_;                   // the decoded file
  std::vector<std::u16string> sections_;  // section names folded for comparison, in file order
  std::vector<Entry> entries_;
  ProfileEncoding encoding_ = ProfileEncoding::kUtf16Le;
  bool loaded_ = false;
};

// Reads one value, as the one-shot profile functions do (the file is read on each call).
std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& fallback);
int32_t GetProfileInt(const std::string& path, const std::string& section, const std::string& key,
                      int32_t fallback);

// Sets `key` in `section` to `value`: replaces the key's line, or adds the key at the end of the
// section, or adds the section at the end of the file. Every other line stays byte for byte and
// the file keeps its encoding and line ends; a missing file is created as UTF-16LE. The new
// contents replace the old ones atomically where the folder allows it. False when the file
// cannot be written or a name or the value would break the file's line structure.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// Lossless for valid input; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const std::u16string& utf16);

// Parses an integer as GetInt does; nullopt when `text` is not wholly a number in range.
std::optional<int32_t> ParseProfileInt(const std::string& text);

}  // namespace vortik::platform
