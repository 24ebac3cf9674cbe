#include "platform/folders.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "i18n/temp_folder.h"

namespace vortik::platform {
namespace {

using Dirs = std::vector<std::string>;

TEST(DataDirs, BesideTheExecutableThenTheSharedFolderThenXdg) {
  struct Case {
    const char* what;
    std::string exeDir;
    const char* dataHome;
    const char* home;
    const char* dataDirs;
    Dirs expected;
  };
  const Case cases[] = {
      {"defaults",
       "/opt/v/bin/",
       nullptr,
       "/home/u",
       nullptr,
       {"/opt/v/bin/", "/opt/v/share/vortik/", "/home/u/.local/share/vortik/",
        "/usr/local/share/vortik/", "/usr/share/vortik/"}},
      {"XDG folders set; relative and empty entries ignored",
       "/usr/bin/",
       "/d/home",
       "/home/u",
       "/a:relative::/b/",
       {"/usr/bin/", "/usr/share/vortik/", "/d/home/vortik/", "/a/vortik/", "/b/vortik/"}},
      {"a relative XDG_DATA_HOME falls back to HOME",
       "/x/build/dist/",
       "rel",
       "/home/u",
       "/c",
       {"/x/build/dist/", "/x/build/share/vortik/", "/home/u/.local/share/vortik/", "/c/vortik/"}},
      {"each folder once",
       "/usr/bin/",
       nullptr,
       nullptr,
       "/usr/share:/usr/share/",
       {"/usr/bin/", "/usr/share/vortik/"}},
      {"executable at the root", "/", "", nullptr, "/s", {"/", "/share/vortik/", "/s/vortik/"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DataDirsFor(c.exeDir, c.dataHome, c.home, c.dataDirs), c.expected) << c.what;
  }
}

// Points the XDG data folders at a temporary tree for one test.
class DataLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    Save("XDG_DATA_HOME", &savedHome_);
    Save("XDG_DATA_DIRS", &savedDirs_);
    setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
    setenv("XDG_DATA_DIRS", (system_.path() + ":" + other_.path()).c_str(), 1);
  }
  void TearDown() override {
    Restore("XDG_DATA_HOME", savedHome_);
    Restore("XDG_DATA_DIRS", savedDirs_);
  }

  static void Put(const vortik::testing::TempFolder& root, const std::string& relative) {
    const std::filesystem::path path = root.path() + "/vortik/" + relative;
    std::filesystem::create_directories(path.parent_path());
    vortik::testing::WriteBytes(path.string(), relative);
  }

  vortik::testing::TempFolder home_, system_, other_;

 private:
  static void Save(const char* name, std::string* out) {
    const char* value = getenv(name);
    *out = value != nullptr ? value : "";
  }
  static void Restore(const char* name, const std::string& value) {
    if (value.empty()) {
      unsetenv(name);
    } else {
      setenv(name, value.c_str(), 1);
    }
  }
  std::string savedHome_, savedDirs_;
};

TEST_F(DataLookup, FirstFolderHoldingTheNameWins) {
  Put(system_, "vortik-lookup-test/only-system.txt");
  Put(system_, "vortik-lookup-test/both.txt");
  Put(other_, "vortik-lookup-test/both.txt");
  Put(home_, "vortik-lookup-test/manual/a.pdf");
  Put(other_, "vortik-lookup-test/manual/b.pdf");

  EXPECT_EQ(FindDataFile("vortik-lookup-test/only-system.txt"),
            system_.path() + "/vortik/vortik-lookup-test/only-system.txt");
  EXPECT_EQ(FindDataFile("vortik-lookup-test/both.txt"),
            system_.path() + "/vortik/vortik-lookup-test/both.txt");
  EXPECT_EQ(FindDataFolder("vortik-lookup-test/manual"),
            home_.path() + "/vortik/vortik-lookup-test/manual/");
  // A file is not a folder and a folder is not a file.
  EXPECT_EQ(FindDataFile("vortik-lookup-test/manual"), "");
  EXPECT_EQ(FindDataFolder("vortik-lookup-test/both.txt"), "");
  EXPECT_EQ(FindDataFile("vortik-lookup-test/missing.txt"), "");
  EXPECT_EQ(FindDataFolder("vortik-lookup-test/missing"), "");
  EXPECT_EQ(FindDataFile(""), "");
}

TEST_F(DataLookup, TheExecutablesFolderComesFirst) {
  const Dirs dirs = DataDirs();
  ASSERT_GE(dirs.size(), 4u);
  EXPECT_EQ(dirs[0], ExecutableDir());
  EXPECT_EQ(dirs[dirs.size() - 2], system_.path() + "/vortik/");
  EXPECT_EQ(dirs.back(), other_.path() + "/vortik/");
}

}  // namespace
}  // namespace vortik::platform
