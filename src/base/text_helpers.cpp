#include "base/text_helpers.h"

namespace vortik {

namespace {
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

const char* FindTextNoCase(const char* text, const char* pattern) {
  if (text == nullptr || pattern == nullptr) return nullptr;
  for (const char* start = text;; ++start) {
    const char* t = start;
    const char* p = pattern;
    while (*p != '\0' && *t != '\0' && ((*t | 0x20) == (*p | 0x20))) {
      ++t;
      ++p;
    }
    if (*p == '\0') return start;
    if (*start == '\0' || *t == '\0') return nullptr;
  }
}

bool IsNumberText(const char* text) {
  if (text == nullptr || text[0] == '\0') return false;
  const char* p = text;
  if (!(IsDigit(*p) || *p == '+' || *p == '-')) return false;
  ++p;
  while (IsDigit(*p)) ++p;
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) ++p;
  }
  return *p == '\0';
}

}  // namespace vortik
