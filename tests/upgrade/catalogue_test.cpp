#include "upgrade/catalogue.h"

#include <gtest/gtest.h>

#include <string>

#include "helpers/update_server_fixture.h"
#include "update_server_sim.h"

namespace vortik {
namespace {

void SetLastPartRecord(MainState& state, int count, const char* tail) {
  state.device.parts.resize(static_cast<size_t>(count));
  auto& record = state.device.parts.back();
  record.fill(0xFF);
  record[8] = static_cast<uint8_t>(tail[0]);
  record[9] = static_cast<uint8_t>(tail[1]);
}

TEST(ParseProductCode, ModelLanguageAndLanguageRecord) {
  CatalogueState catalogue;
  MainState state;
  ParseProductCode("TQ460_DE", state, catalogue);
  EXPECT_EQ(catalogue.model, "TQ460");
  EXPECT_EQ(catalogue.currentLanguage, "DE");

  ParseProductCode("TQ450_DEU", state, catalogue);  // not two letters: language kept
  EXPECT_EQ(catalogue.model, "TQ450");
  EXPECT_EQ(catalogue.currentLanguage, "DE");
  ParseProductCode("TQ880", state, catalogue);
  EXPECT_EQ(catalogue.model, "TQ880");
  EXPECT_EQ(catalogue.currentLanguage, "DE");

  // The tool's last part record names its language: it wins and leaves the table.
  SetLastPartRecord(state, 3, "fr");
  ParseProductCode("TQ460_DE", state, catalogue);
  EXPECT_EQ(catalogue.currentLanguage, "fr");
  EXPECT_EQ(state.device.parts.size(), 2u);

  SetLastPartRecord(state, 3, "SV");  // not a server language: the record stays
  ParseProductCode("TQ460_DE", state, catalogue);
  EXPECT_EQ(catalogue.currentLanguage, "DE");
  EXPECT_EQ(state.device.parts.size(), 3u);

  state.device.parts[2][0] = 0x00;  // not a language record
  state.device.parts[2][8] = 'E';
  state.device.parts[2][9] = 'N';
  ParseProductCode("TQ460_DE", state, catalogue);
  EXPECT_EQ(state.device.parts.size(), 3u);
}

TEST(ParseLanguageListReply, AcceptsOnlyACompleteList) {
  std::vector<std::string> languages;
  std::string defaultLanguage;
  ASSERT_TRUE(ParseLanguageListReply(
      R"({"code":"100","data":{"language":["EN",7,"de","TOOLONG","SV"],"default":"EN"}})",
      &languages, &defaultLanguage));
  EXPECT_EQ(languages, (std::vector<std::string>{"EN", "de", "SV"}));
  EXPECT_EQ(defaultLanguage, "EN");

  std::string many;
  for (int i = 0; i < 25; ++i) many += (i ? ",\"L" : "\"L") + std::to_string(i) + "\"";
  ASSERT_TRUE(ParseLanguageListReply(
      R"({"code":"100","data":{"language":[)" + many + R"(],"default":"L0"}})", &languages,
      &defaultLanguage));
  ASSERT_EQ(languages.size(), 20u);
  EXPECT_EQ(languages.back(), "L19");

  for (const char* bad : {
           R"({"code":"101","data":{"language":["EN"],"default":"EN"}})",
           R"({"code":100,"data":{"language":["EN"],"default":"EN"}})",
           R"({"code":"100","data":{"language":["EN"]}})",
           R"({"code":"100","data":{"language":[],"default":"EN"}})",
           R"({"code":"100","data":{"language":["TOOLONG"],"default":"EN"}})",
           R"({"code":"100","data":{"language":"EN","default":"EN"}})",
           "not json",
       }) {
    SCOPED_TRACE(bad);
    languages = {"kept"};
    EXPECT_FALSE(ParseLanguageListReply(bad, &languages, &defaultLanguage));
    EXPECT_EQ(languages, std::vector<std::string>{"kept"});
  }
}

TEST(ParseProductListReply, AcceptsOnlySuccessfulLists) {
  std::vector<std::string> products;
  ASSERT_TRUE(ParseProductListReply(
      R"({"message":"successful","data":["TQ460",1,"BRX450","NINETEEN_CHARACTERS",)"
      R"("TWENTY_CHARACTERS_XX"]})",
      &products));
  EXPECT_EQ(products, (std::vector<std::string>{"TQ460", "BRX450", "NINETEEN_CHARACTERS"}));
  EXPECT_FALSE(ParseProductListReply(R"({"message":"Successful","data":["TQ460"]})", &products));
  EXPECT_FALSE(ParseProductListReply(R"({"message":"successful","data":[]})", &products));
  EXPECT_FALSE(ParseProductListReply(R"({"message":"successful"})", &products));
}

TEST(CatalogueRules, PreselectionAndCarTypeLines) {
  const std::vector<std::string> offered = {"EN", "DE"};
  EXPECT_EQ(PreselectLanguage(offered, "de", "EN"), 1);  // current language, any case
  EXPECT_EQ(PreselectLanguage(offered, "FR", "DE"), 1);  // else the default
  EXPECT_EQ(PreselectLanguage(offered, "FR", "de"), 0);  // the default compares exactly
  EXPECT_EQ(PreselectProduct({"TQ450", "TQ460"}, "tq460"), 1);
  EXPECT_EQ(PreselectProduct({"TQ450", "TQ460"}, "TQ999"), 0);
  EXPECT_EQ(CarTypeLine("BRX450"), "BRX450  VW_PL");
  EXPECT_EQ(CarTypeLine("TQ460"), "TQ460  BENZ");
  EXPECT_EQ(CarTypeLine("tq460"), "tq460  ");  // the car-type table compares exactly
}

class CatalogueQuery : public test::UpdateServerFixture {};

TEST_F(CatalogueQuery, LanguageListShowsThePickerAndStoresTheChoice) {
  ASSERT_TRUE(
      sim::WriteSimFile(root_, "languages/TQ460.json",
                        R"({"code":"100","data":{"language":["EN","DE"],"default":"EN"}})"));
  CatalogueState catalogue;
  catalogue.chosenLanguage = 7;  // left over from an earlier, longer list
  std::string shownModel;
  int shownPreselection = -1;
  auto confirmEn = [&](const std::string& model, const std::vector<std::string>& languages,
                       int preselected) -> std::optional<int> {
    shownModel = model;
    shownPreselection = preselected;
    EXPECT_EQ(languages.size(), 2u);
    return 0;
  };
  ASSERT_TRUE(QueryLanguageList(server_, "TQ460", "01", "de", confirmEn, catalogue));
  EXPECT_EQ(shownModel, "TQ460");
  EXPECT_EQ(shownPreselection, 1);
  EXPECT_EQ(catalogue.preselectedLanguage, 1);
  EXPECT_EQ(catalogue.chosenLanguage, 0);
  EXPECT_EQ(catalogue.defaultLanguage, "EN");

  // Closed without OK: the preselection stands (never an index from another list).
  catalogue.chosenLanguage = 7;
  auto close = [](const std::string&, const std::vector<std::string>&, int) {
    return std::optional<int>();
  };
  ASSERT_TRUE(QueryLanguageList(server_, "TQ460", "01", "de", close, catalogue));
  EXPECT_EQ(catalogue.chosenLanguage, 1);

  auto requests = sim_->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/HandheldDeviceUpdate/OSSService.php");
  EXPECT_EQ(requests[0].body, "types=TQ460&subtype=01&getlist=yes");

  // No list for this product: no picker.
  bool shown = false;
  auto mark = [&](const std::string&, const std::vector<std::string>&, int) {
    shown = true;
    return std::optional<int>(0);
  };
  EXPECT_FALSE(QueryLanguageList(server_, "TQ999", "01", "EN", mark, catalogue));
  EXPECT_FALSE(shown);
}

TEST_F(CatalogueQuery, ProductListShowsThePickerAndStoresTheChoice) {
  ASSERT_TRUE(sim::WriteSimFile(root_, "products.json",
                                R"({"message":"successful","data":["TQ450","TQ460","BRX450"]})"));
  CatalogueState catalogue;
  int shownPreselection = -1;
  auto pickBrx = [&](const std::vector<std::string>& products, int preselected) {
    shownPreselection = preselected;
    EXPECT_EQ(products.size(), 3u);
    return std::optional<int>(2);
  };
  ASSERT_TRUE(QueryProductList(server_, "TQ460", "01", pickBrx, catalogue));
  EXPECT_EQ(shownPreselection, 1);
  EXPECT_EQ(catalogue.products[catalogue.chosenProduct], "BRX450");
  auto requests = sim_->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].body, "types=TQ500&subtype=01&getlist=allproductlist");

  sim::SimFault fault;
  fault.status = 404;
  sim_->SetFault("/HandheldDeviceUpdate/OSSService.php", fault);
  EXPECT_FALSE(QueryProductList(server_, "TQ460", "01", pickBrx, catalogue));
}

}  // namespace
}  // namespace vortik
