// Shared pieces of the fuzz targets: a checked assertion that stops the run, and a scratch file
// in a private temporary folder for decoders that read files.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace vortik::fuzz {

// A broken promise of the code under test: libFuzzer (and the replay driver) report it.
inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    __builtin_trap();
  }
}

// A folder of its own under $TMPDIR (or /tmp) for the whole run, removed at exit.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    const char* base = getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vortik-fuzz-XXXXXX";
    char* made = mkdtemp(pattern.data());
    Check(made != nullptr, "scratch folder made");
    std::string path = made;
    static std::string removeAtExit;
    removeAtExit = path;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(removeAtExit, ec);
    });
    return path;
  }();
  return dir;
}

// Writes `size` bytes to ScratchDir()/name and gives the path.
inline std::string WriteScratch(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = ScratchDir() + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  Check(f != nullptr, "scratch file opens");
  if (size > 0) Check(std::fwrite(data, 1, size, f) == size, "scratch file written");
  std::fclose(f);
  return path;
}

}  // namespace vortik::fuzz
