// Helpers of the language tests: a temporary folder per test, and bytes of files in the
// encodings the language files come in.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <iconv.h>
#include <stdlib.h>

#include "helpers/scoped_temp_dir.h"

namespace vortik::testing {

// The tests' one temporary folder helper, under the name these tests know it by.
using TempFolder = vortik::test::ScopedTempDir;

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Converts with the C library's converter, independent of the code under test.
inline std::string Convert(const std::string& text, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in = text;
  std::string out(in.size() * 4 + 16, '\0');
  char* src = in.data();
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return {};
  out.resize(out.size() - dstLeft);
  return out;
}

// UTF-8 text to the bytes of a UTF-16LE file with its byte-order mark.
inline std::string Utf16LeFile(const std::string& utf8) {
  return std::string("\xFF\xFE", 2) + Convert(utf8, "UTF-8", "UTF-16LE");
}
inline std::string Utf16BeFile(const std::string& utf8) {
  return std::string("\xFE\xFF", 2) + Convert(utf8, "UTF-8", "UTF-16BE");
}

}  // namespace vortik::testing
