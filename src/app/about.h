// The about box's text: the program's version, its licence and the libraries it is built with.
#pragma once

#include <string>
#include <vector>

namespace vortik {

inline constexpr char kLicense[] = "GPL-3.0-or-later";

// The libraries below the user interface with their versions as loaded: cJSON, libpng,
// libjpeg, zlib and the platform's (libcurl, OpenSSL, libudev).
std::vector<std::string> CoreLibraries();

// The about box's text in the current language: name and version, licence, then one line per
// library (`uiLibraries` first: the toolkit's own, which only the user interface knows).
std::string AboutText(const std::string& version, const std::vector<std::string>& uiLibraries);

}  // namespace vortik
