// Windows code pages (as the tool names them) converted to UTF-8 through iconv.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vortik::platform {

// The iconv name of a Windows code page number, or nullptr when the table has none.
const char* CodePageIconvName(uint32_t codePage);

// Converts byte text of one code page to UTF-8, keeping the conversion open while the code page
// stays the same. A code page that cannot be converted here is read as ISO-8859-1, so the
// bytes still show; a byte sequence the code page does not define becomes U+FFFD.
class CodePageConverter {
 public:
  CodePageConverter() = default;
  ~CodePageConverter();
  CodePageConverter(const CodePageConverter&) = delete;
  CodePageConverter& operator=(const CodePageConverter&) = delete;

  std::string ToUtf8(uint32_t codePage, const uint8_t* bytes, size_t length);
  // Whether the last conversion used the code page itself (false: the ISO-8859-1 fallback).
  bool converted() const { return handle_ != nullptr; }

 private:
  void Select(uint32_t codePage);

  void* handle_ = nullptr;  // iconv_t of codePage_ to UTF-8; null for the fallback
  uint32_t codePage_ = 0;
  bool selected_ = false;
};

// ISO-8859-1 bytes as UTF-8 (every byte is the code point of the same number).
std::string Latin1ToUtf8(const uint8_t* bytes, size_t length);

}  // namespace vortik::platform
