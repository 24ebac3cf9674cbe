// The names and versions of the system libraries the platform layer runs on, for the about box.
#pragma once

#include <string>
#include <vector>

namespace vortik::platform {

// "libcurl 7.88.1", "OpenSSL 3.0.11 ...", "libudev": the versions the running program loaded.
std::vector<std::string> PlatformLibraries();

}  // namespace vortik::platform
