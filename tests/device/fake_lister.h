// A device lister that presents whatever tty devices a test puts in it.
#pragma once

#include <vector>

#include "platform/device_enum.h"

namespace vortik::test {

class FakeLister : public platform::DeviceLister {
 public:
  bool ListTtyDevices(std::vector<platform::TtyDevice>& out) override {
    out = devices;
    return ok;
  }
  std::vector<platform::TtyDevice> devices;
  bool ok = true;  // false: the enumeration itself fails
};

}  // namespace vortik::test
