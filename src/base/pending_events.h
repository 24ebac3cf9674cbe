// "Run pending user-interface events": a hook the application sets so that core wait loops
// keep the window alive without including the toolkit.
#pragma once

#include <functional>

namespace vortik {

void SetPendingEventsHandler(std::function<void()> handler);
void RunPendingEvents();  // no-op until a handler is set

}  // namespace vortik
