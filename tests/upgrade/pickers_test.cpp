#include "upgrade/pickers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "helpers/update_server_fixture.h"
#include "update_server_sim.h"

namespace vortik {
namespace {

TEST(PickerLanguageName, NamesTheTwelveCodesAndFallsBackToEnglish) {
  EXPECT_EQ(PickerLanguageName("DE"), "German");
  EXPECT_EQ(PickerLanguageName("de"), "German");
  EXPECT_EQ(PickerLanguageName("SV"), "English");
  std::vector<std::string> asked;
  const LanguageNameReader names = [&](const std::string& code) {
    asked.push_back(code);
    return "<" + code + ">";
  };
  EXPECT_EQ(PickerLanguageName("kr", names), "<KR>");
  EXPECT_EQ(PickerLanguageName("XX", names), "<EN>");
  EXPECT_EQ(asked, (std::vector<std::string>{"KR", "EN"}));
}

// What a test's picker was shown, and what it answers.
struct PickerScript {
  std::optional<int> languageAnswer;
  std::optional<int> productAnswer;
  int languageShown = 0;
  int productShown = 0;
  std::string shownModel;
  std::vector<std::string> shownLanguages;
  int languagePreselected = -1;
  int productPreselected = -1;
};

class ProductChoice : public test::UpdateServerFixture {
 protected:
  void SetUp() override {
    UpdateServerFixture::SetUp();
    services_.pickLanguage = [this](const std::string& model,
                                    const std::vector<std::string>& languages, int preselected) {
      ++script_.languageShown;
      script_.shownModel = model;
      script_.shownLanguages = languages;
      script_.languagePreselected = preselected;
      return script_.languageAnswer;
    };
    services_.pickCarType = [this](const std::vector<std::string>&, int preselected) {
      ++script_.productShown;
      script_.productPreselected = preselected;
      return script_.productAnswer;
    };
  }

  void Languages(const std::string& types, const std::string& json) {
    ASSERT_TRUE(sim::WriteSimFile(root_, "languages/" + types + ".json", json));
  }
  std::vector<std::string> Bodies() const {
    std::vector<std::string> out;
    for (const auto& r : sim_->Requests()) out.push_back(r.body);
    return out;
  }

  PickerScript script_;
  Services services_;
  CatalogueState catalogue_;
  MainState state_;
};

TEST_F(ProductChoice, LanguageOfTheToolsOwnModel) {
  Languages("TQ460", R"({"code":"100","data":{"language":["EN","DE"],"default":"EN"}})");
  struct Case {
    const char* name;
    std::optional<int> answer;
    const char* code;
    bool changed;
  };
  const Case cases[] = {
      {"confirmed as preselected", 1, "TQ460_DE", false},
      {"other language", 0, "TQ460_EN", true},
      {"closed without OK", std::nullopt, "TQ460_DE", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string code = "TQ460_DE";
    script_.languageAnswer = c.answer;
    catalogue_.choiceChanged = true;  // left from an earlier choice
    ChooseProductLanguage(services_, server_, code, "01", state_, catalogue_);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(catalogue_.choiceChanged, c.changed);
    EXPECT_EQ(script_.shownModel, "TQ460");
    EXPECT_EQ(script_.languagePreselected, 1);
  }
  EXPECT_EQ(Bodies().back(), "types=TQ460&subtype=01&getlist=yes");

  // Not offered: the server's default is preselected, else the first entry.
  Languages("TQ450", R"({"code":"100","data":{"language":["FR","EN","NL"],"default":"NL"}})");
  script_.languageAnswer = std::nullopt;
  std::string code = "TQ450_KR";
  ChooseProductLanguage(services_, server_, code, "01", state_, catalogue_);
  EXPECT_EQ(script_.languagePreselected, 2);
  EXPECT_EQ(code, "TQ450_NL");
  Languages("TQ450", R"({"code":"100","data":{"language":["FR","EN"],"default":"NL"}})");
  code = "TQ450_KR";
  ChooseProductLanguage(services_, server_, code, "01", state_, catalogue_);
  EXPECT_EQ(script_.languagePreselected, 0);
  EXPECT_EQ(code, "TQ450_FR");
  EXPECT_FALSE(catalogue_.choiceChanged);
}

TEST_F(ProductChoice, LanguageChoiceLeavesTheCodeOnAnyFailure) {
  const char* replies[] = {
      R"({"code":"101","data":{"language":["EN"],"default":"EN"}})",
      R"({"code":"100","data":{"language":["EN"]}})",
      R"({"code":"100","data":{"language":[],"default":"EN"}})",
      R"({"code":100,"data":{"language":["EN"],"default":"EN"}})",
  };
  script_.languageAnswer = 0;
  for (const char* reply : replies) {
    SCOPED_TRACE(reply);
    Languages("TQ460", reply);
    std::string code = "TQ460_DE";
    catalogue_.choiceChanged = true;
    ChooseProductLanguage(services_, server_, code, "01", state_, catalogue_);
    EXPECT_EQ(code, "TQ460_DE");
    EXPECT_FALSE(catalogue_.choiceChanged);
  }
  EXPECT_EQ(script_.languageShown, 0);

  // A "_LA" code asks nothing at all.
  sim_->ClearRequests();
  std::string code = "TQ460_LA";
  catalogue_.choiceChanged = true;
  ChooseProductLanguage(services_, server_, code, "01", state_, catalogue_);
  EXPECT_EQ(code, "TQ460_LA");
  EXPECT_FALSE(catalogue_.choiceChanged);
  EXPECT_TRUE(sim_->Requests().empty());
}

TEST_F(ProductChoice, ProductAndLanguageOfTheFamily) {
  ASSERT_TRUE(sim::WriteSimFile(root_, "products.json",
                                R"({"message":"successful","data":["TQ450","TQ460","BRX450"]})"));
  Languages("default", R"({"code":"100","data":{"language":["EN","DE"],"default":"EN"}})");
  struct Case {
    const char* name;
    const char* device;
    std::optional<int> product;
    std::optional<int> language;
    const char* code;
    bool changed;
  };
  const Case cases[] = {
      {"as the tool has", "TQ460_DE", 1, 1, "TQ460_DE", false},
      {"as the tool has, other case", "tq460_de", 1, 1, "TQ460_DE", false},
      {"both closed", "TQ460_DE", std::nullopt, std::nullopt, "TQ460_DE", false},
      {"other product", "TQ460_DE", 2, 1, "BRX450_DE", true},
      {"other language", "TQ460_DE", 1, 0, "TQ460_EN", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim_->ClearRequests();
    script_.productAnswer = c.product;
    script_.languageAnswer = c.language;
    std::string code = c.device;
    catalogue_.choiceChanged = true;
    ASSERT_TRUE(ChooseProductAndLanguage(services_, server_, code, "07", catalogue_));
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(catalogue_.choiceChanged, c.changed);
    EXPECT_EQ(script_.productPreselected, 1);
    EXPECT_EQ(script_.languagePreselected, 1);
    const std::string product = std::string(c.code).substr(0, std::string(c.code).find('_'));
    EXPECT_EQ(Bodies(), (std::vector<std::string>{"types=TQ500&subtype=07&getlist=allproductlist",
                                                  "types=" + product + "&subtype=07&getlist=yes"}));
  }

  // Either list missing: false, and the code stays.
  Languages("default", R"({"code":"101"})");
  std::string code = "TQ460_DE";
  EXPECT_FALSE(ChooseProductAndLanguage(services_, server_, code, "07", catalogue_));
  EXPECT_EQ(code, "TQ460_DE");
  std::filesystem::remove(root_ + "/products.json");
  EXPECT_FALSE(ChooseProductAndLanguage(services_, server_, code, "07", catalogue_));
  EXPECT_EQ(code, "TQ460_DE");
}

}  // namespace
}  // namespace vortik
