#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace vortik {
namespace {

struct Result {
  std::optional<int> code;
  std::string out;
  std::string err;
};

Result Handle(std::vector<const char*> args) {
  char* outText = nullptr;
  char* errText = nullptr;
  size_t outSize = 0, errSize = 0;
  std::FILE* out = open_memstream(&outText, &outSize);
  std::FILE* err = open_memstream(&errText, &errSize);
  Result r;
  r.code = HandleCommandLine(static_cast<int>(args.size()), args.data(), out, err);
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
  EXPECT_EQ(help.out.rfind("Usage: vortik-demo [--help | --version]\n", 0), 0u) << help.out;
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

}  // namespace
}  // namespace vortik
