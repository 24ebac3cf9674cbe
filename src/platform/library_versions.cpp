#include "platform/library_versions.h"

#include <curl/curl.h>
#include <openssl/crypto.h>

namespace vortik::platform {

std::vector<std::string> PlatformLibraries() {
  std::vector<std::string> names;
  const curl_version_info_data* curl = curl_version_info(CURLVERSION_NOW);
  names.push_back(std::string("libcurl ") + (curl != nullptr ? curl->version : ""));
  names.push_back(OpenSSL_version(OPENSSL_VERSION));
  names.push_back("libudev");
  return names;
}

}  // namespace vortik::platform
