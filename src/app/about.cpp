#include "app/about.h"

#include <cjson/cJSON.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>
#include <cstddef>
#include <cstdio>

#include "i18n/msg.h"
#include "platform/library_versions.h"

namespace vortik {

std::vector<std::string> CoreLibraries() {
  std::vector<std::string> names = {
      std::string("cJSON ") + cJSON_Version(),
      std::string("libpng ") + png_get_libpng_ver(nullptr),
      "libjpeg " + std::to_string(JPEG_LIB_VERSION / 10) +
          (JPEG_LIB_VERSION % 10 != 0 ? std::string(1, char('a' - 1 + JPEG_LIB_VERSION % 10))
                                      : std::string()),
      std::string("zlib ") + ZLIB_VERSION,
  };
  for (std::string& name : platform::PlatformLibraries()) names.push_back(std::move(name));
  return names;
}

std::string AboutText(const std::string& version, const std::vector<std::string>& uiLibraries) {
  std::string text = "VORTIK " + Msg("AboutVersion", "Version") + " " + version + "\n";
  text += Msg("AboutLicense", "License") + ": " + kLicense + "\n\n";
  text += Msg("AboutLibraries", "Libraries") + ":\n";
  for (const std::string& name : uiLibraries) text += "  " + name + "\n";
  for (const std::string& name : CoreLibraries()) text += "  " + name + "\n";
  text.pop_back();
  return text;
}

}  // namespace vortik
