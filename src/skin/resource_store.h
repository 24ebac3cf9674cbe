// Where picture resources come from: the factory asks this interface for the bytes of a named
// resource, so decoding and caching stay independent of how the pictures are stored.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vortik {

enum class ResourceType { kPng, kJpg, kBmp };

class ResourceStore {
 public:
  virtual ~ResourceStore() = default;
  // The bytes of resource `name` of `type`, the name compared without regard to letter case;
  // false when there is no such resource.
  virtual bool Read(ResourceType type, std::string_view name,
                    std::vector<uint8_t>& bytes) const = 0;
};

}  // namespace vortik
