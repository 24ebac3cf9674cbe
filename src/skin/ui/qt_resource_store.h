// The skin pictures compiled into the executable with Qt's resource system (skin.qrc).
#pragma once

#include "skin/resource_store.h"

namespace vortik {

// Resources live under ":/skin/png/", ":/skin/jpg/" and ":/skin/bmp/" with lower-case names,
// so a name in any letter case finds its picture.
class QtResourceStore : public ResourceStore {
 public:
  static const QtResourceStore& Instance();
  bool Read(ResourceType type, std::string_view name, std::vector<uint8_t>& bytes) const override;

 private:
  QtResourceStore();
};

}  // namespace vortik
