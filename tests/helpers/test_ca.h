// A certificate authority made at test time with OpenSSL, and server certificates it signs:
// one that fits 127.0.0.1 and localhost, one for another host, one that has expired, and one
// signed by nobody the tests trust. PEM files in a folder of the test's.
#pragma once

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <string>

namespace vortik::test {

struct CertificateFiles {
  std::string cert;
  std::string key;
};

struct TestCertificates {
  std::string caFile;           // trust this
  CertificateFiles server;      // 127.0.0.1 and localhost, valid now
  CertificateFiles otherHost;   // other.example only
  CertificateFiles expired;     // 127.0.0.1, expired a day ago
  CertificateFiles selfSigned;  // 127.0.0.1, not signed by the test CA
};

namespace detail {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Cert = std::unique_ptr<X509, decltype(&X509_free)>;

inline Key NewKey() {
  return Key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
}

inline bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (ext == nullptr) return false;
  const bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

// A certificate for `name` with `key`, valid from `fromDays` to `toDays` (days from now),
// signed by `issuer`/`issuerKey` (itself when null).
inline Cert MakeCert(const char* name, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuerKey,
                     const char* altNames, bool ca, long fromDays, long toDays, long serial) {
  Cert cert(X509_new(), &X509_free);
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_NAME* subject = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(name), -1, -1, 0);
  X509_set_issuer_name(cert.get(), issuer != nullptr ? X509_get_subject_name(issuer) : subject);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), fromDays * 86400);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), toDays * 86400);
  X509_set_pubkey(cert.get(), key);
  X509* signer = issuer != nullptr ? issuer : cert.get();
  bool ok = AddExtension(cert.get(), signer, NID_basic_constraints,
                         ca ? "critical,CA:TRUE" : "critical,CA:FALSE");
  ok = ok && AddExtension(cert.get(), signer, NID_key_usage,
                          ca ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
  if (altNames != nullptr) {
    ok = ok && AddExtension(cert.get(), signer, NID_subject_alt_name, altNames);
  }
  ok = ok && X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : key, EVP_sha256()) > 0;
  if (!ok) cert.reset();
  return cert;
}

inline bool WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  bool ok = cert != nullptr
                ? PEM_write_X509(f, cert) == 1
                : PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  return std::fclose(f) == 0 && ok;
}

}  // namespace detail

// Writes the CA and the four server certificates into `dir`. False when anything failed.
inline bool MakeTestCertificates(const std::string& dir, TestCertificates* out) {
  using namespace detail;
  Key caKey = NewKey();
  if (!caKey) return false;
  Cert ca = MakeCert("VORTIK test CA", caKey.get(), nullptr, nullptr, nullptr, true, -1, 30, 1);
  if (!ca) return false;
  out->caFile = dir + "/ca.pem";
  if (!WritePem(out->caFile, ca.get(), nullptr)) return false;

  struct Leaf {
    CertificateFiles* files;
    const char* name;
    const char* altNames;
    bool byCa;
    long fromDays;
    long toDays;
  };
  const Leaf leaves[] = {
      {&out->server, "server", "IP:127.0.0.1,DNS:localhost", true, -1, 30},
      {&out->otherHost, "other", "DNS:other.example", true, -1, 30},
      {&out->expired, "expired", "IP:127.0.0.1,DNS:localhost", true, -10, -1},
      {&out->selfSigned, "self", "IP:127.0.0.1,DNS:localhost", false, -1, 30},
  };
  long serial = 2;
  for (const Leaf& leaf : leaves) {
    Key key = NewKey();
    if (!key) return false;
    Cert cert = MakeCert(leaf.name, key.get(), leaf.byCa ? ca.get() : nullptr,
                         leaf.byCa ? caKey.get() : nullptr, leaf.altNames, false, leaf.fromDays,
                         leaf.toDays, serial++);
    if (!cert) return false;
    leaf.files->cert = dir + "/" + leaf.name + ".pem";
    leaf.files->key = dir + "/" + leaf.name + ".key";
    if (!WritePem(leaf.files->cert, cert.get(), nullptr) ||
        !WritePem(leaf.files->key, nullptr, key.get())) {
      return false;
    }
  }
  return true;
}

}  // namespace vortik::test
