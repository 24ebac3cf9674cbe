// Small text helpers shared by the HTTP client, the server clients, the text and picture tables
// and the Set ID command.
#pragma once

#include <string_view>

namespace vortik {

// ASCII letters in lower case; every other byte as it is.
constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
// Equal texts when ASCII letters are compared without their case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// First position of `pattern` in `text`, comparing bytes after OR-ing each with 0x20 (letters
// match whatever their case; a few other bytes fold together too, e.g. CR with '-'). Null when
// either is null or there is no occurrence; an empty pattern matches at the start.
const char* FindTextNoCase(const char* text, const char* pattern);

// A decimal number: a digit, '+' or '-' first; then digits, optionally one '.' and digits, and
// the end. Null or empty is not a number ("-" and "+.5" are, ".5" and "1e5" are not).
bool IsNumberText(const char* text);

}  // namespace vortik
