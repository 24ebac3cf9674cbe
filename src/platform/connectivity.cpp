#include "platform/connectivity.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <memory>

namespace vortik::platform {

bool AnyConnected(const std::vector<InterfaceAddress>& addresses, bool countLoopback) {
  for (const InterfaceAddress& a : addresses) {
    if (!a.up || (a.family != AF_INET && a.family != AF_INET6)) continue;
    if (a.loopback) {
      if (countLoopback) return true;
      continue;
    }
    if (!a.linkLocal) return true;
  }
  return false;
}

std::vector<InterfaceAddress> ListInterfaceAddresses() {
  std::vector<InterfaceAddress> result;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return result;
  std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> guard(list, &freeifaddrs);
  for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    InterfaceAddress a;
    a.name = it->ifa_name != nullptr ? it->ifa_name : "";
    a.up = (it->ifa_flags & IFF_UP) != 0 && (it->ifa_flags & IFF_RUNNING) != 0;
    a.loopback = (it->ifa_flags & IFF_LOOPBACK) != 0;
    if (it->ifa_addr != nullptr) {
      a.family = it->ifa_addr->sa_family;
      if (a.family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        a.linkLocal = (ntohl(in->sin_addr.s_addr) & 0xFFFF0000u) == 0xA9FE0000u;
      } else if (a.family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(it->ifa_addr);
        a.linkLocal = IN6_IS_ADDR_LINKLOCAL(&in6->sin6_addr);
      } else {
        a.family = 0;  // link-layer entries carry no address of their own
      }
    }
    result.push_back(std::move(a));
  }
  return result;
}

bool HasNetworkConnection(bool countLoopback) {
  return AnyConnected(ListInterfaceAddresses(), countLoopback);
}

}  // namespace vortik::platform
