#include "platform/md5.h"

#include <openssl/evp.h>

namespace vortik::platform {

void Md5::CtxDeleter::operator()(evp_md_ctx_st* ctx) const {
  EVP_MD_CTX_free(ctx);
}

Md5::Md5() : ctx_(EVP_MD_CTX_new()) {
  ok_ = ctx_ != nullptr && EVP_DigestInit_ex(ctx_.get(), EVP_md5(), nullptr) == 1;
}

Md5::~Md5() = default;

void Md5::Update(const void* data, size_t size) {
  if (ok_ && size > 0) ok_ = EVP_DigestUpdate(ctx_.get(), data, size) == 1;
}

bool Md5::Final(Md5Digest& digest) {
  if (!ok_) return false;
  unsigned int len = 0;
  ok_ = false;  // a context is finished once
  return EVP_DigestFinal_ex(ctx_.get(), digest.data(), &len) == 1 && len == digest.size();
}

}  // namespace vortik::platform
