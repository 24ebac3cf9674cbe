// The stage of the vortik-cli tests: the emulated tool on a pseudo-terminal, the fixture servers
// with the demo's offer, a private home for the child, and its --json object parsed.
#pragma once

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_child.h"
#include "device/frame.h"
#include "scantool_sim.h"
#include "update_server_sim.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik::test {

// The parsed --json object of a run; empty when stdout was not exactly one object.
class Json {
 public:
  explicit Json(const std::string& text) {
    const char* end = nullptr;
    root_ = cJSON_ParseWithOpts(text.c_str(), &end, false);
    // Exactly one object and nothing but its line end after it.
    if (root_ != nullptr && (!cJSON_IsObject(root_) || std::string(end) != "\n")) {
      cJSON_Delete(root_);
      root_ = nullptr;
    }
  }
  ~Json() { cJSON_Delete(root_); }
  Json(const Json&) = delete;
  Json& operator=(const Json&) = delete;
  bool ok() const { return root_ != nullptr; }
  const cJSON* Get(const std::vector<std::string>& path) const {
    const cJSON* item = root_;
    for (const std::string& key : path) {
      if (item == nullptr) return nullptr;
      item = cJSON_IsArray(item) ? cJSON_GetArrayItem(item, std::stoi(key))
                                 : cJSON_GetObjectItemCaseSensitive(item, key.c_str());
    }
    return item;
  }
  std::string Text(const std::vector<std::string>& path) const {
    const cJSON* item = Get(path);
    return cJSON_IsString(item) ? item->valuestring : "<none>";
  }
  int Number(const std::vector<std::string>& path) const {
    const cJSON* item = Get(path);
    return cJSON_IsNumber(item) ? item->valueint : -1;
  }
  std::vector<std::string> Strings(const std::vector<std::string>& path) const {
    std::vector<std::string> out;
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, Get(path)) {
      if (cJSON_IsString(item)) out.push_back(item->valuestring);
    }
    return out;
  }

 private:
  cJSON* root_ = nullptr;
};

class CliFixture : public ::testing::Test {
 public:
  void SetUp() override {
    env.home = dir.path();
    env.tmp = dir.path() + "/tmp/";
    ASSERT_TRUE(std::filesystem::create_directories(env.tmp));
    server = std::make_unique<sim::UpdateServerSim>(dir.path() + "/server");
    ASSERT_TRUE(server->Start());
  }

  // The demo's offer, or `content`.
  void Serve(const sim::DemoContent& content = {}) {
    ASSERT_TRUE(sim::WriteDemoContent(server->Root(), content));
  }
  // A tool of the 500 family (TQ520) and a server offering it three products and two languages.
  void StartFiveHundredFamily(bool wireModel = false) {
    sim::DemoContent content;
    content.products = {"TQ520", "BRX450", "TQ480"};
    content.languages = {"EN", "DE"};
    Serve(content);
    sim::Identity id = sim::DemoIdentity();
    id.type = "TQ520";
    id.family500 = true;
    StartTool(id, wireModel);
  }
  void StartTool(const sim::Identity& identity = sim::DemoIdentity(), bool wireModel = false) {
    sim::Options options;
    options.identity = identity;
    options.wireModel = wireModel;
    tool = std::make_unique<sim::ScanToolSim>(options);
    ASSERT_TRUE(tool->Start());
  }

  // The global options that point the child at the tool and the servers.
  std::vector<std::string> Args(std::vector<std::string> command, bool json = true) const {
    std::vector<std::string> args = {"--update-server", server->BaseUrl(),   "--legacy-server",
                                     server->BaseUrl(), "--feedback-server", server->BaseUrl()};
    if (tool) args.insert(args.end(), {"--port", tool->path()});
    if (json) args.push_back("--json");
    args.insert(args.end(), command.begin(), command.end());
    return args;
  }
  CliResult Run(std::vector<std::string> command, bool json = true) {
    return RunCli(env, Args(std::move(command), json));
  }

  int Requests(uint16_t command) const { return tool->RequestCount(command); }
  int Fetches() const {
    int n = 0;
    for (const sim::SimRequest& r : server->Requests()) n += r.method == "GET";
    return n;
  }

  ScopedTempDir dir;
  CliEnv env;
  std::unique_ptr<sim::UpdateServerSim> server;
  std::unique_ptr<sim::ScanToolSim> tool;
};

}  // namespace vortik::test
