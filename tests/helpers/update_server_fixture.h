// A test fixture with its own update server: the fixture server on 127.0.0.1, serving from a
// fresh temporary folder, stands in as update and legacy server (server_, config_).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/app_config.h"
#include "helpers/test_config.h"
#include "update_server_sim.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik::test {

class UpdateServerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    root_ = dir_.File("server");
    sim_ = std::make_unique<sim::UpdateServerSim>(root_);
    ASSERT_TRUE(sim_->Start());
    server_ = sim_->BaseUrl();
    config_.updateServer = server_;
    config_.legacyServer = server_;
  }
  void TearDown() override { sim_.reset(); }

  ScopedTempDir dir_;  // the test's folder; the server serves its "server" folder
  std::string root_;
  std::unique_ptr<sim::UpdateServerSim> sim_;
  std::string server_;               // the server's base address
  AppConfig config_ = TestConfig();  // with the server as update and legacy server
};

}  // namespace vortik::test
