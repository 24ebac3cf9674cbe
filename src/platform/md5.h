// MD5 digest (RFC 1321) computed incrementally through OpenSSL's EVP interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

struct evp_md_ctx_st;

namespace vortik::platform {

using Md5Digest = std::array<uint8_t, 16>;

// Feed bytes with Update, then Final once. Any failure of the library makes Final give false.
class Md5 {
 public:
  Md5();
  ~Md5();
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;

  void Update(const void* data, size_t size);
  bool Final(Md5Digest& digest);

 private:
  struct CtxDeleter {
    void operator()(evp_md_ctx_st* ctx) const;
  };
  std::unique_ptr<evp_md_ctx_st, CtxDeleter> ctx_;
  bool ok_ = false;
};

}  // namespace vortik::platform
