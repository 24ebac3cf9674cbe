// Small text helpers shared by the HTTP client, port discovery and the Set ID command.
#pragma once

namespace vortik {

// First position of `pattern` in `text`, comparing bytes after OR-ing each with 0x20 (letters
// match whatever their case; a few other bytes fold together too, e.g. CR with '-'). Null when
// either is null or there is no occurrence; an empty pattern matches at the start.
const char* FindTextNoCase(const char* text, const char* pattern);

// A decimal number: a digit, '+' or '-' first; then digits, optionally one '.' and digits, and
// the end. Null or empty is not a number ("-" and "+.5" are, ".5" and "1e5" are not).
bool IsNumberText(const char* text);

}  // namespace vortik
