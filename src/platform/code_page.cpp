#include "platform/code_page.h"

#include <errno.h>
#include <iconv.h>

namespace vortik::platform {

namespace {

struct CodePageName {
  uint32_t codePage;
  const char* iconvName;
};

// The Windows code pages a tool may name, with glibc's names for them.
constexpr CodePageName kCodePages[] = {
    {437, "IBM437"},        {737, "CP737"},         {850, "IBM850"},        {852, "IBM852"},
    {855, "IBM855"},        {857, "IBM857"},        {860, "IBM860"},        {862, "IBM862"},
    {866, "IBM866"},        {874, "CP874"},         {932, "CP932"},         {936, "CP936"},
    {949, "CP949"},         {950, "CP950"},         {1250, "CP1250"},       {1251, "CP1251"},
    {1252, "CP1252"},       {1253, "CP1253"},       {1254, "CP1254"},       {1255, "CP1255"},
    {1256, "CP1256"},       {1257, "CP1257"},       {1258, "CP1258"},       {10000, "MACINTOSH"},
    {20127, "ASCII"},       {20866, "KOI8-R"},      {20932, "EUC-JP"},      {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},  {28600, "ISO-8859-10"}, {28601, "ISO-8859-11"}, {28603, "ISO-8859-13"},
    {28604, "ISO-8859-14"}, {28605, "ISO-8859-15"}, {28606, "ISO-8859-16"}, {38598, "ISO-8859-8"},
    {51949, "EUC-KR"},      {54936, "GB18030"},     {65001, "UTF-8"},
};

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

const char* CodePageIconvName(uint32_t codePage) {
  for (const CodePageName& entry : kCodePages) {
    if (entry.codePage == codePage) return entry.iconvName;
  }
  return nullptr;
}

std::string Latin1ToUtf8(const uint8_t* bytes, size_t length) {
  std::string out;
  out.reserve(length * 2);
  for (size_t i = 0; i < length; ++i) {
    const uint8_t b = bytes[i];
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

CodePageConverter::~CodePageConverter() {
  if (handle_ != nullptr) iconv_close(static_cast<iconv_t>(handle_));
}

void CodePageConverter::Select(uint32_t codePage) {
  if (selected_ && codePage == codePage_) return;
  if (handle_ != nullptr) iconv_close(static_cast<iconv_t>(handle_));
  handle_ = nullptr;
  codePage_ = codePage;
  selected_ = true;
  const char* name = CodePageIconvName(codePage);
  if (name == nullptr) return;
  iconv_t cd = iconv_open("UTF-8", name);
  // iconv_open reports failure as (iconv_t)-1, so that value is what it is compared with.
  if (cd != reinterpret_cast<iconv_t>(-1)) handle_ = cd;  // NOLINT(performance-no-int-to-ptr)
}

std::string CodePageConverter::ToUtf8(uint32_t codePage, const uint8_t* bytes, size_t length) {
  Select(codePage);
  if (handle_ == nullptr) return Latin1ToUtf8(bytes, length);
  iconv_t cd = static_cast<iconv_t>(handle_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state for each text
  std::string out;
  char chunk[1024];
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
  size_t inLeft = length;
  bool flushed = false;
  while (!flushed) {
    char* outPtr = chunk;
    size_t outLeft = sizeof chunk;
    size_t r;
    if (inLeft > 0) {
      r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    } else {
      r = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);  // the end of a stateful text
      flushed = r != static_cast<size_t>(-1) || errno != E2BIG;
    }
    out.append(chunk, static_cast<size_t>(outPtr - chunk));
    if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // A sequence the code page does not define, or one cut off at the end: one replacement
    // character for its first byte, and the conversion goes on after it.
    if (inLeft == 0) break;
    out += kReplacement;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace vortik::platform
