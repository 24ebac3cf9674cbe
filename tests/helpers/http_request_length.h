// How much of one HTTP request a loopback test server reads before it answers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <string>

namespace vortik::test {

// The head, then its Content-Length plus the four bytes a POST ends with; npos while the head
// is not complete. The number is read leniently and bounded, since a path may carry any text
// (a fuzzed or redirected one).
inline size_t HttpRequestLength(const std::string& in) {
  const size_t end = in.find("\r\n\r\n");
  if (end == std::string::npos) return std::string::npos;
  size_t want = end + 4;
  const size_t cl = in.find("Content-Length: ");
  if (cl != std::string::npos && cl < end) {
    want += std::min<unsigned long>(std::strtoul(in.c_str() + cl + 16, nullptr, 10), 65536) + 4;
  }
  return want;
}

}  // namespace vortik::test
