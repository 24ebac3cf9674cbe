#include "device/port_table.h"

#include <gtest/gtest.h>

#include <string>

namespace vortik {
namespace {

TEST(PortTable, FirstSeenGetsTheLowestFreeNumberAndKeepsIt) {
  PortTable table;
  EXPECT_EQ(table.Register("/dev/ttyACM0"), 1);
  EXPECT_EQ(table.Register("/dev/ttyUSB0"), 2);
  EXPECT_EQ(table.Register("/dev/ttyACM0"), 1);  // seen again: same number
  EXPECT_EQ(table.NumberOf("/dev/ttyUSB0"), 2);
  EXPECT_EQ(table.NumberOf("/dev/ttyS9"), 0);
  EXPECT_EQ(table.PathOf(2), "/dev/ttyUSB0");
  EXPECT_EQ(table.PathOf(3), "");
  EXPECT_EQ(table.PathOf(0), "");
  EXPECT_EQ(table.PathOf(-1), "");
  EXPECT_EQ(table.Register(""), 0);
}

TEST(PortTable, HoldsAtMost256Paths) {
  PortTable table;
  for (int i = 1; i <= kMaxPortNumber; ++i) {
    ASSERT_EQ(table.Register("/dev/pts/" + std::to_string(i)), i);
  }
  EXPECT_EQ(table.Register("/dev/one-too-many"), 0);
  EXPECT_EQ(table.Register("/dev/pts/256"), 256);
}

}  // namespace
}  // namespace vortik
