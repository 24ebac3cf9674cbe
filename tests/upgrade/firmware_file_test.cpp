#include "upgrade/firmware_file.h"

#include <gtest/gtest.h>

#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

TEST(FirmwareFileTest, KindWords) {
  EXPECT_EQ(FirmwareKindWord(FirmwareKind::kRom), "ROM");
  EXPECT_EQ(FirmwareKindWord(FirmwareKind::kFlash), "FLASH");
  EXPECT_EQ(FirmwareKindWord(FirmwareKind::kLogo), "LOGO");
  EXPECT_EQ(FirmwareKindWord(static_cast<FirmwareKind>(4)), "");
  EXPECT_EQ(static_cast<int>(FirmwareKind::kFlash), 2);
}

TEST(FirmwareFileTest, SizeIsTheLengthOrZeroWhenUnreadable) {
  test::ScopedTempDir dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("a.rom"), test::PatternBytes(70001, 1)));
  EXPECT_EQ(FirmwareFileSize(dir.File("a.rom")), 70001);
  EXPECT_EQ(FirmwareFileSize(dir.File("absent.rom")), 0);
  EXPECT_EQ(FirmwareFileSize(dir.path()), 0);  // a folder is no image
}

}  // namespace
}  // namespace vortik
