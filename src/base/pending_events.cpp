#include "base/pending_events.h"

#include <utility>

namespace vortik {

namespace {
std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}
}  // namespace

void SetPendingEventsHandler(std::function<void()> handler) {
  Handler() = std::move(handler);
}

void RunPendingEvents() {
  if (Handler()) Handler()();
}

}  // namespace vortik
