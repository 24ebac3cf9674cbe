#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/config_file.h"
#include "helpers/scoped_env.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

struct Result {
  std::optional<int> code;
  std::string out;
  std::string err;
  AppConfig config;
};

Result Handle(std::vector<const char*> args, bool readFiles = false) {
  char* outText = nullptr;
  char* errText = nullptr;
  size_t outSize = 0, errSize = 0;
  std::FILE* out = open_memstream(&outText, &outSize);
  std::FILE* err = open_memstream(&errText, &errSize);
  Result r;
  r.code =
      HandleCommandLine(static_cast<int>(args.size()), args.data(), out, err, r.config, readFiles);
  std::fclose(out);
  std::fclose(err);
  r.out.assign(outText, outSize);
  r.err.assign(errText, errSize);
  std::free(outText);
  std::free(errText);
  return r;
}

TEST(CommandLine, HelpAndVersionPrintAndEndOthersRunTheWindow) {
  const Result version = Handle({"/usr/bin/vortik", "--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, std::string("vortik ") + VORTIK_VERSION + "\n");

  const Result help = Handle({"./vortik-demo", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage: vortik-demo [--config FILE]", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("vortik.conf"), std::string::npos);
  EXPECT_NE(help.out.find("../share/vortik/"), std::string::npos);
  EXPECT_EQ(Handle({"vortik", "-h"}).out, Handle({"vortik", "--help"}).out);
  EXPECT_TRUE(help.err.empty());

  const Result unknown = Handle({"vortik", "--frobnicate"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_TRUE(unknown.out.empty());
  EXPECT_EQ(unknown.err, "vortik: unknown option --frobnicate (see vortik --help)\n");

  // No arguments, or Qt's own options: the window runs.
  EXPECT_EQ(Handle({"vortik"}).code, std::nullopt);
  EXPECT_EQ(Handle({"vortik", "-platform", "offscreen"}).code, std::nullopt);
  EXPECT_EQ(Handle({}).code, std::nullopt);
}

// The addresses come from the system files (the first folder of $XDG_CONFIG_DIRS wins), then
// the user's file, then --config, then the server options; nothing is built in.
TEST(CommandLine, ServersComeFromTheFilesThenTheOptions) {
  test::ScopedTempDir dir;
  const std::string system1 = dir.File("sys1"), system2 = dir.File("sys2");
  const std::string user = dir.File("user");
  ASSERT_TRUE(std::filesystem::create_directories(system1 + "/vortik"));
  ASSERT_TRUE(std::filesystem::create_directories(system2 + "/vortik"));
  ASSERT_TRUE(std::filesystem::create_directories(user + "/vortik"));
  test::ScopedEnv dirs("XDG_CONFIG_DIRS", system1 + ":relative:" + system2);
  test::ScopedEnv home("XDG_CONFIG_HOME", user);
  EXPECT_EQ(ConfigFilePaths(), (std::vector<std::string>{system2 + "/vortik/vortik.conf",
                                                         system1 + "/vortik/vortik.conf",
                                                         user + "/vortik/vortik.conf"}));

  // Nothing configured: no address at all.
  Result bare = Handle({"vortik"}, true);
  EXPECT_EQ(bare.code, std::nullopt);
  EXPECT_TRUE(bare.config.updateServer.empty() && bare.config.legacyServer.empty() &&
              bare.config.feedbackServer.empty());

  ASSERT_TRUE(test::WriteFileText(system2 + "/vortik/vortik.conf",
                                  "[servers]\nupdate = http://low\nlegacy = http://legacy\n"
                                  "feedback = https://feedback/\n"));
  ASSERT_TRUE(
      test::WriteFileText(system1 + "/vortik/vortik.conf",
                          "; the site's servers\n[Servers]\nUPDATE = https://site:8443/u/\n"));
  ASSERT_TRUE(test::WriteFileText(user + "/vortik/vortik.conf",
                                  "[servers]\nlegacy =\nfeedback = ftp://nope\n"));
  Result files = Handle({"vortik"}, true);
  EXPECT_EQ(files.code, std::nullopt);
  EXPECT_EQ(files.config.updateServer, "https://site:8443/u");
  EXPECT_EQ(files.config.legacyServer, "") << "an empty value unsets an address";
  EXPECT_EQ(files.config.feedbackServer, "https://feedback") << "a bad value is left out";
  EXPECT_EQ(files.err, "vortik: " + user +
                           "/vortik/vortik.conf: [servers] feedback = \"ftp://nope\" is not an "
                           "http:// or https:// address; it is ignored\n");

  // The demo keeps its own servers: no file is read.
  EXPECT_TRUE(Handle({"vortik-demo"}, false).config.updateServer.empty());

  const std::string extra = dir.File("extra.conf");
  ASSERT_TRUE(test::WriteFileText(extra, "[servers]\nupdate=http://extra\nlegacy=http://old\n"));
  Result options =
      Handle({"vortik", "--legacy-server", "http://cli/", "--config", extra.c_str()}, true);
  EXPECT_EQ(options.code, std::nullopt);
  EXPECT_EQ(options.config.updateServer, "http://extra");
  EXPECT_EQ(options.config.legacyServer, "http://cli") << "options win over every file";

  const struct {
    std::vector<const char*> args;
    const char* err;
  } usage[] = {
      {{"vortik", "--update-server", "update.host"},
       "vortik: --update-server \"update.host\" is not an http:// or https:// address\n"},
      {{"vortik", "--feedback-server"},
       "vortik: --feedback-server needs a value (see vortik --help)\n"},
      {{"vortik", "--config", "/nonexistent/vortik.conf"},
       "vortik: the configuration file /nonexistent/vortik.conf cannot be read\n"},
  };
  for (const auto& c : usage) {
    const Result r = Handle(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, c.err);
  }
}

}  // namespace
}  // namespace vortik
