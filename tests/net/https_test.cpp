// HttpRequest and downloads over https against the fixture server in its https mode, with
// certificates made by a test CA.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "helpers/test_ca.h"
#include "net/http_client.h"
#include "platform/download.h"
#include "platform/tls.h"
#include "update_server_sim.h"
#include "upgrade/firmware_fixtures.h"
#include "upgrade/update_server.h"

namespace vortik {
namespace {

namespace fs = std::filesystem;

class Https : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::MakeTestCertificates(dir_.path(), &certs_));
    platform::SetTrustedCertificates(certs_.caFile);
  }
  void TearDown() override { platform::SetTrustedCertificates(""); }

  // A fixture server with `files` as its certificate (plain HTTP when null), serving hello.txt.
  std::unique_ptr<sim::UpdateServerSim> Serve(const test::CertificateFiles* files) {
    const std::string root = dir_.File("root" + std::to_string(servers_++));
    EXPECT_TRUE(sim::WriteSimFile(root, "files/hello.txt", "hello"));
    sim::SimTls tls;
    if (files != nullptr) tls = {files->cert, files->key};
    auto server = std::make_unique<sim::UpdateServerSim>(root, tls);
    EXPECT_TRUE(server->Start());
    return server;
  }

  test::ScopedTempDir dir_;
  test::TestCertificates certs_;
  int servers_ = 0;
};

TEST_F(Https, TrustedCertificateForTheHostCarriesTheExchange) {
  auto server = Serve(&certs_.server);
  ASSERT_EQ(server->BaseUrl().rfind("https://", 0), 0u);
  char reply[64];
  EXPECT_EQ(HttpRequest((server->BaseUrl() + "/hello.txt").c_str(), nullptr, 0, reply, 64, 5000),
            5);
  EXPECT_STREQ(reply, "hello");
  const std::string byName = "HTTPS://localhost:" + std::to_string(server->Port());
  EXPECT_EQ(HttpRequest((byName + sim::kFeedbackEndpoint).c_str(), "a=1", 0, reply, 64, 5000), 2);
  EXPECT_STREQ(reply, "ok");

  const std::string local = dir_.File("hello.txt");
  EXPECT_TRUE(platform::DownloadToFile(server->BaseUrl() + "/hello.txt?handle=1", local, nullptr));
  EXPECT_EQ(fs::file_size(local), 5u);
}

// A certificate that does not verify fails the request, and nothing is sent in the clear.
TEST_F(Https, CertificatesThatDoNotVerifyFailWithoutFallingBack) {
  struct Case {
    const char* name;
    const test::CertificateFiles* files;
    std::string trusted;
  };
  const Case cases[] = {
      {"for another host", &certs_.otherHost, certs_.caFile},
      {"expired", &certs_.expired, certs_.caFile},
      {"signed by no one trusted", &certs_.selfSigned, certs_.caFile},
      {"test CA unknown to the system", &certs_.server, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::SetTrustedCertificates(c.trusted);
    auto server = Serve(c.files);
    char reply[64];
    EXPECT_EQ(HttpRequest((server->BaseUrl() + "/hello.txt").c_str(), "a=1", 0, reply, 64, 5000),
              -1);
    const std::string local = dir_.File("hello.txt");
    EXPECT_FALSE(
        platform::DownloadToFile(server->BaseUrl() + "/hello.txt?handle=1", local, nullptr));
    EXPECT_FALSE(fs::exists(local));
    EXPECT_TRUE(server->Requests().empty());
  }
}

TEST_F(Https, RedirectFromHttpsToPlainHttpIsNotFollowed) {
  auto plain = Serve(nullptr);
  auto secure = Serve(&certs_.server);
  sim::SimFault down;
  down.redirectTo = plain->BaseUrl() + "/hello.txt";
  secure->SetFault("/hello.txt", down);
  char reply[64];
  EXPECT_EQ(HttpRequest((secure->BaseUrl() + "/hello.txt").c_str(), nullptr, 0, reply, 64, 5000),
            -1);
  EXPECT_FALSE(platform::DownloadToFile(secure->BaseUrl() + "/hello.txt?handle=1",
                                        dir_.File("hello.txt"), nullptr));
  EXPECT_TRUE(plain->Requests().empty());

  // Plain HTTP keeps working, and may lead up to https.
  sim::SimFault up;
  up.redirectTo = secure->BaseUrl() + "/other";
  plain->SetFault("/start", up);
  secure->ClearFaults();
  sim::SimFault onward;
  onward.redirectTo = "{base}/hello.txt";
  secure->SetFault("/other", onward);
  EXPECT_EQ(HttpRequest((plain->BaseUrl() + "/start").c_str(), nullptr, 0, reply, 64, 5000), 5);
}

// An https base address serves the update and legacy queries and the files they name.
TEST_F(Https, ServersAtHttpsAddressesAnswerTheQueries) {
  const std::string root = dir_.File("demo");
  ASSERT_TRUE(sim::WriteDemoContent(root));
  sim::UpdateServerSim server(root, {certs_.server.cert, certs_.server.key});
  ASSERT_TRUE(server.Start());

  UpdateOffer offer;
  FlashPartTables parts;
  EXPECT_TRUE(CheckUpgrade(server.BaseUrl(), "TQ460", "A", &offer, &parts));
  EXPECT_EQ(offer.romLocation.rfind(server.BaseUrl(), 0), 0u);
  EXPECT_TRUE(platform::DownloadToFile(offer.romLocation, dir_.File("rom.bin"), nullptr));
  EXPECT_EQ(static_cast<int64_t>(fs::file_size(dir_.File("rom.bin"))), offer.romLength);
  UpdateOffer legacy;
  EXPECT_TRUE(CheckUpgradeLegacy(server.BaseUrl(), "TQ100", "A", &legacy));
  EXPECT_EQ(legacy.romLocation, "/legacy/rom.bin");
}

}  // namespace
}  // namespace vortik
