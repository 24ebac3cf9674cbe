// A test fixture with its own update server: the fixture server on 127.0.0.1, serving from a
// fresh temporary folder, stands in as update and legacy server while the test runs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/app_config.h"
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
    savedConfig_ = Config();
    AppConfig config = savedConfig_;
    config.updateServer = sim_->BaseUrl();
    config.legacyServer = sim_->BaseUrl();
    SetConfig(config);
  }
  void TearDown() override {
    SetConfig(savedConfig_);
    sim_.reset();
  }

  ScopedTempDir dir_;  // the test's folder; the server serves its "server" folder
  std::string root_;
  std::unique_ptr<sim::UpdateServerSim> sim_;
  AppConfig savedConfig_;
};

}  // namespace vortik::test
