#include "app/about.h"

#include <cjson/cJSON.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>
#include <cstddef>
#include <cstdio>

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

std::string AboutText(const TextTable& texts, const std::string& version,
                      const std::vector<std::string>& uiLibraries) {
  std::string text = "VORTIK " + texts[TextId::AboutVersion] + " " + version + "\n";
  text += texts[TextId::AboutLicense] + ": " + kLicense + "\n\n";
  text += texts[TextId::AboutLibraries] + ":\n";
  for (const std::string& name : uiLibraries) text += "  " + name + "\n";
  for (const std::string& name : CoreLibraries()) text += "  " + name + "\n";
  text.pop_back();
  return text;
}

}  // namespace vortik
