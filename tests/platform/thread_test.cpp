#include "platform/thread.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/event_fd.h"
#include "platform/pty.h"
#include "platform/serial_port.h"

namespace vortik::platform {
namespace {

TEST(PlatformThread, InterruptEndsABlockingCallThatNothingElseWould) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);  // blocking, and no one ever writes: only EINTR ends the read
  int error = 0;
  Thread thread;
  ASSERT_TRUE(thread.Start([&] {
    char c;
    if (read(fds[0], &c, 1) < 0) error = errno;
  }));
  EXPECT_TRUE(thread.Started());
  thread.InterruptAndJoin();
  EXPECT_FALSE(thread.Started());
  EXPECT_EQ(error, EINTR);
  close(fds[0]);
  close(fds[1]);
}

TEST(PlatformThread, AFailedStartIsAValue) {
  FailThreadStartsForTest(1, 1);
  Thread first;
  Thread second;
  bool ran = false;
  EXPECT_TRUE(first.Start([] {}));
  EXPECT_FALSE(second.Start([&] { ran = true; }));
  EXPECT_FALSE(second.Started());
  EXPECT_TRUE(second.Start([&] { ran = true; }));  // only one failure was asked for
  second.Join();
  EXPECT_TRUE(ran);
}

TEST(PlatformEventFd, StaysSignalledUntilCleared) {
  EventFd a;
  EventFd b;
  ASSERT_TRUE(a.Open());
  ASSERT_TRUE(b.Open());
  EXPECT_EQ(WaitForEvents({&a, &b}, 0), -1);
  b.Signal();
  b.Signal();
  EXPECT_EQ(WaitForEvents({&a, &b}, 0), 1);
  EXPECT_TRUE(b.IsSignalled());
  b.Clear();
  EXPECT_FALSE(b.IsSignalled());
}

// The pieces of the serial layer that the threaded driver adds, on a pseudo-terminal.
TEST(PlatformSerialPort, WaitsWithEventsFlowControlAndNoModemLinesOnAPty) {
  Pty pty;
  ASSERT_TRUE(pty.Open());
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.path()));
  EventFd wake;
  ASSERT_TRUE(wake.Open());

  EXPECT_EQ(port.WaitReadableOr({&wake}, 0), PortWait::kTimeout);
  EXPECT_EQ(port.WaitWritableOr({&wake}, 0), PortWait::kReady);
  ASSERT_EQ(write(pty.master(), "x", 1), 1);
  wake.Signal();
  EXPECT_EQ(port.WaitReadableOr({&wake}, 1000), PortWait::kEvent);  // the event wins
  wake.Clear();
  EXPECT_EQ(port.WaitReadableOr({&wake}, 1000), PortWait::kReady);

  // A pseudo-terminal keeps the rate, stop bits and flow control it is given (it forces 8
  // data bits without parity, so those cannot be read back here).
  SerialLine line;
  line.baud = 1000000;
  line.stopBits = SerialStopBits::kTwo;
  line.rtsCts = true;
  line.xonXoffIn = true;
  ASSERT_TRUE(port.Apply(line));
  SerialLine back;
  ASSERT_TRUE(port.ReadLine(back));
  EXPECT_EQ(back.baud, 1000000u);
  EXPECT_EQ(back.stopBits, SerialStopBits::kTwo);
  EXPECT_TRUE(back.rtsCts);
  EXPECT_FALSE(back.xonXoffOut);
  EXPECT_TRUE(back.xonXoffIn);

  ModemLines lines;
  ModemCounts counts;
  EXPECT_FALSE(port.ReadModemLines(lines));
  EXPECT_FALSE(port.ReadModemCounts(counts));
  EXPECT_EQ(port.WaitModemChange(), ModemWait::kUnsupported);

  pty.Close();  // the far end hangs up: an error, not an endless stream of nothing
  EXPECT_EQ(port.WaitReadableOr({&wake}, 1000), PortWait::kError);
  EXPECT_EQ(port.WaitWritableOr({&wake}, 1000), PortWait::kError);
}

}  // namespace
}  // namespace vortik::platform
