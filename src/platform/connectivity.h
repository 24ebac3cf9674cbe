// Whether the machine has a network connection: an interface that is up and has an address.
#pragma once

#include <string>
#include <vector>

namespace vortik::platform {

// One address of one network interface, as the connectivity rule sees it.
struct InterfaceAddress {
  std::string name;
  bool up = false;  // administratively up and running
  bool loopback = false;
  int family = 0;          // AF_INET, AF_INET6, or 0 for none
  bool linkLocal = false;  // 169.254.0.0/16 or fe80::/10: no route beyond the link
};

// True when some interface that is up has a routable address; loopback interfaces count only
// when `countLoopback` is set. No server is contacted.
bool AnyConnected(const std::vector<InterfaceAddress>& addresses, bool countLoopback);

// The interface addresses of this machine (getifaddrs); empty when they cannot be read.
std::vector<InterfaceAddress> ListInterfaceAddresses();

// AnyConnected over this machine's interfaces; any failure counts as not connected.
bool HasNetworkConnection(bool countLoopback);

}  // namespace vortik::platform
