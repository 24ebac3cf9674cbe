#include "app/manual.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

using Names = std::vector<std::string>;

TEST(ManualDocuments, RegularFilesNotHiddenInNameOrder) {
  test::ScopedTempDir dir;
  const std::string folder = dir.File("manual");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  for (const char* name : {"b.html", "A guide.pdf", "a.txt", "Zeta.html", "readme", ".hidden"}) {
    ASSERT_TRUE(test::WriteFileText(folder + "/" + name, "x"));
  }
  const std::string readOnly = folder + "/read-only.pdf";
  ASSERT_TRUE(test::WriteFileText(readOnly, "x"));
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  ASSERT_EQ(mkdir((folder + "/images").c_str(), 0700), 0);
  ASSERT_TRUE(test::WriteFileText(folder + "/images/shot.png", "x"));
  ASSERT_EQ(mkdir(dir.File("elsewhere").c_str(), 0700), 0);
  ASSERT_EQ(symlink(dir.File("elsewhere").c_str(), (folder + "/link-to-folder").c_str()), 0);
  ASSERT_EQ(symlink("b.html", (folder + "/link-to-file.html").c_str()), 0);
  ASSERT_EQ(symlink("missing", (folder + "/dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);

  EXPECT_EQ(ListManualDocuments(folder),
            (Names{"A guide.pdf", "a.txt", "b.html", "link-to-file.html", "read-only.pdf", "readme",
                   "Zeta.html"}));
  EXPECT_EQ(ListManualDocuments(folder + "/"), ListManualDocuments(folder));
}

TEST(ManualDocuments, MissingFolderOrNotAFolderListsNothing) {
  test::ScopedTempDir dir;
  EXPECT_TRUE(ListManualDocuments(dir.File("none")).empty());
  ASSERT_TRUE(test::WriteFileText(dir.File("file"), "x"));
  EXPECT_TRUE(ListManualDocuments(dir.File("file")).empty());
  EXPECT_TRUE(ListManualDocuments("").empty());
}

}  // namespace
}  // namespace vortik
