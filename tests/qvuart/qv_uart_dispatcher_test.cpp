#include "qvuart/ui/qv_uart_dispatcher.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "device/watched_uart.h"

namespace vortik {
namespace {

TEST(QvUartDispatcher, StatusChangesRunOnTheEventLoopThread) {
  QObject owner;
  std::vector<std::pair<int, std::thread::id>> seen;
  {
    WatchedUart uart(QtDispatcher(&owner));
    uart.fSetOnCommStatusChanged([&](TqvUart&, int index) {
      seen.push_back({index, std::this_thread::get_id()});
    });
    std::thread([&] { uart.ModemLinesChanged(kEvCts, {true, false, false, false}); }).join();
    EXPECT_TRUE(seen.empty());  // posted, not run on the reporting thread
    QCoreApplication::processEvents();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, kEvCts);
    EXPECT_EQ(seen[0].second, std::this_thread::get_id());

    std::thread([&] { uart.ModemLinesChanged(kEvDsr, {true, true, false, false}); }).join();
  }
  QCoreApplication::processEvents();  // the component is gone: its posted change is dropped
  EXPECT_EQ(seen.size(), 1u);

  // A task still queued when its context goes is dropped with it.
  auto context = std::make_unique<QObject>();
  bool ran = false;
  QtDispatcher(context.get())([&] { ran = true; });
  context.reset();
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace vortik
