// Feeds arbitrary bytes to the HTTP response head parser, as a server could send them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/http_client.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The client parses at most one head buffer of text, NUL-terminated.
  if (size > static_cast<size_t>(vortik::kHttpHeadBufferSize)) size = vortik::kHttpHeadBufferSize;
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  int offset = -1;
  int value = -1;
  int status = vortik::ParseHttpResponseHead(text.data(), &offset, &value);
  const int length = static_cast<int>(std::strlen(text.data()));
  if (status == 200 && (offset < 0 || offset > length)) std::abort();
  if ((status == 301 || status == 302) && (offset < 0 || value < 0 || offset + value > length)) {
    std::abort();
  }
  if (status != 0 && status != -1 && status != 200 && status != 301 && status != 302) {
    std::abort();
  }
  return 0;
}
