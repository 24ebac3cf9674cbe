#include "upgrade/firmware_fixtures.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/md5.h"
#include "upgrade/firmware_file.h"

namespace vortik::test {

namespace {

// Digests straight from the library, so the fixtures do not lean on the code they test.
std::string HexDigestOf(std::span<const uint8_t> bytes) {
  platform::Md5 md5;
  md5.Update(bytes.data(), bytes.size());
  platform::Md5Digest digest{};
  md5.Final(digest);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : digest) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

}  // namespace

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> out(size);
  uint32_t x = seed * 2654435761u + 0x9E3779B9u;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return out;
}

bool WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool WriteFileText(const std::string& path, const std::string& text) {
  return WriteFileBytes(path,
                        std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> FlashFirstPartBytes(uint16_t n, std::span<const PartEntry> entries,
                                         std::vector<uint8_t> contents) {
  const size_t tableEnd = kPartTableOffset + 2 + entries.size() * kPartEntrySize;
  if (contents.size() < tableEnd) contents.resize(tableEnd, 0);
  uint8_t* p = contents.data() + kPartTableOffset;
  p[0] = static_cast<uint8_t>(n >> 8);
  p[1] = static_cast<uint8_t>(n);
  p += 2;
  for (const PartEntry& e : entries) p = std::copy(e.begin(), e.end(), p);
  return contents;
}

bool WriteFlashFirstPart(const std::string& path, std::span<const PartEntry> entries,
                         std::vector<uint8_t> contents) {
  auto bytes =
      FlashFirstPartBytes(static_cast<uint16_t>(entries.size() + 1), entries, std::move(contents));
  return WriteFileBytes(path, bytes);
}

std::vector<PartEntry> MakePartTable(const std::vector<PartDef>& parts) {
  std::vector<PartEntry> table(1);
  uint32_t address = 0;
  for (const PartDef& part : parts) {
    table.push_back(MakePartEntry(address, part.size, part.tag));
    address += part.size;
  }
  table[0] = MakePartEntry(0, address, 0);
  return table;
}

FlashPartFiles WriteFlashPartFiles(const std::string& dir, const std::vector<PartEntry>& table) {
  FlashPartFiles files;
  files.table = table;
  for (size_t k = 1; k < table.size(); ++k) {
    const uint32_t seed = static_cast<uint32_t>(k) * 65536u + PartEntryTag(table[k]);
    std::vector<uint8_t> bytes = PatternBytes(PartEntrySize(table[k]), seed);
    if (k == 1) {
      bytes = FlashFirstPartBytes(static_cast<uint16_t>(table.size() + 1), table, std::move(bytes));
    }
    std::string path = dir + "/part" + std::to_string(k) + ".fls";
    if (!WriteFileBytes(path, bytes)) return {};
    files.paths.push_back(path);
    files.md5.push_back(HexDigestOf(bytes));
  }
  return files;
}

bool AppendMd5Trailer(const std::string& path, TrailerKind kind) {
  std::string hex = HexDigestOf(ReadFileBytes(path));
  switch (kind) {
    case TrailerKind::kValidLower:
      break;
    case TrailerKind::kValidUpper:
      std::transform(hex.begin(), hex.end(), hex.begin(),
                     [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
      break;
    case TrailerKind::kWrongDigest:
      hex[31] = hex[31] == '0' ? '1' : '0';
      break;
    case TrailerKind::kNotHex:
      hex.assign(kMd5TrailerHexSize, 'z');
      break;
  }
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << kMd5TrailerMarker << hex;
  return static_cast<bool>(out.flush());
}

}  // namespace vortik::test
