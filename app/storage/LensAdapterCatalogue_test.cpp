#include "app/storage/LensAdapterCatalogue.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/LensAdapter.h"
#include "app/storage/StorageTestSupport.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;

model::LensAdapterRecord userAdapter(const std::string& name, float width, float height) {
  model::LensAdapterRecord adapter;
  adapter.adapterName = name;
  adapter.adapterValueWidth = width;
  adapter.adapterValueHeight = height;
  adapter.comment = "not kept";
  adapter.adapterType = 0;
  adapter.selected = 1;
  return adapter;
}

class AdapterDatabaseTest : public StorageTest {
 protected:
  void SetUp() override { ASSERT_TRUE(helper_.openDb(false)); }
  LensAdapterCatalogue helper_;
};

TEST_F(AdapterDatabaseTest, TheNoAdapterRowReadsAsNoneExceptInTheNameList) {
  EXPECT_EQ(helper_.getAllAdapters().front().adapterId, 1);
  EXPECT_EQ(helper_.getAllAdapters().front().adapterName, "None");
  EXPECT_EQ(helper_.getSelectedLensAdapter().adapterName, "None");
  EXPECT_EQ(helper_.getLensAdapter(1).adapterName, "None");
  EXPECT_EQ(helper_.getAdapter4Name("aaaaNone").adapterId, 1);
  EXPECT_EQ(helper_.getAdapter4Name("aaaaNone").adapterName, "None");
  EXPECT_EQ(helper_.getAdapterNameList().front(), "aaaaNone");
  EXPECT_EQ(helper_.getAdapterShortNameList().front(), "1.0");
  ASSERT_GT(helper_.insertCustomAdapter(userAdapter("aaaa mine", 0.5f, 0.5f)), 1);
  ASSERT_EQ(helper_.getAllCustomAdapters().size(), 1u);
  EXPECT_EQ(helper_.getAllCustomAdapters()[0].adapterName, "None");

  // Unknown ids and names, and no selection, give an adapter with initial values.
  EXPECT_EQ(helper_.getLensAdapter(9999).adapterId, 0);
  EXPECT_EQ(helper_.getAdapter4Name("nothing by this name").adapterId, 0);
  ASSERT_TRUE(helper_.deselectAllAdapter());
  EXPECT_EQ(helper_.getSelectedLensAdapter().adapterId, 0);
}

TEST_F(AdapterDatabaseTest, OnlyInsertNewAdapterMovesTheSelectionAndNamesAreBoundAsWritten) {
  const int next = helper_.getLastAdapterID();
  EXPECT_EQ(helper_.insertCustomAdapter(userAdapter("Quiet", 0.8f, 0.8f)), next);
  EXPECT_EQ(helper_.getSelectedLensAdapter().adapterId, 1);
  EXPECT_EQ(helper_.insertNewAdapter(userAdapter("Loud", 0.5f, 1.0f)), next + 1);
  const auto selected = helper_.getSelectedLensAdapter();
  EXPECT_EQ(selected.adapterId, next + 1);
  EXPECT_EQ(selected.adapterType, 1);
  EXPECT_FLOAT_EQ(selected.adapterValueHeight, 1.0f);

  const int quoted = helper_.insertCustomAdapter(userAdapter("Grandpa's 0.7x' OR '1'='1", 0.7f, 0.7f));
  EXPECT_EQ(helper_.getAdapter4Name("Grandpa's 0.7x' OR '1'='1").adapterId, quoted);
  EXPECT_EQ(helper_.getAdapter4Name("x' OR '1'='1").adapterId, 0);
}

TEST(LensAdapterTest, BuiltInListIsSearchedByExactFactorAndOldNamesMapToCatalogueIds) {
  const LensAdapter adapters(0.71f);
  EXPECT_EQ(adapters.getString4Adapter(0.71001f), "Metabones Speed Booster (Sony NEX)");
  EXPECT_EQ(adapters.getShortString4Adapter(0.64001f), "Speed Booster XL");
  EXPECT_EQ(adapters.getString4Adapter(1.0f), "None");
  EXPECT_EQ(adapters.getString4Adapter(0.7f), "");

  const std::pair<const char*, int> fullNames[] = {{"Metabones Speed Booster XL", 8},
                                                   {"Metabones Speed Booster (BMPCC)", 7},
                                                   {"Generic 2x Tele Converter", 5},
                                                   {"Speed Booster XL", 1}};
  for (const auto& [name, id] : fullNames) {
    EXPECT_EQ(LensAdapterCatalogue::getAdapterID4OldNameFULL(name), id) << name;
  }
  const std::pair<const char*, int> shortNames[] = {
      {"Speed Booster XL", 8}, {"Speed Booster NEX", 9}, {"Tele 1.4x", 3}, {"Unheard of", 1}};
  for (const auto& [name, id] : shortNames) {
    EXPECT_EQ(LensAdapterCatalogue::getAdapterID4OldName(name), id) << name;
  }
}

class AdapterCatalogueUpdateTest : public AdapterDatabaseTest {
 protected:
  void SetUp() override {
    AdapterDatabaseTest::SetUp();
    helper_.closeDb();
    scene_.build();
  }
  scenes::AdapterScene scene_;
};

TEST_F(AdapterCatalogueUpdateTest, UserAdaptersComeBackInNameOrderAndPackagesFollowWithoutChaining) {
  ASSERT_TRUE(helper_.openDb(true));
  const auto custom = helper_.getAllCustomAdapters();
  ASSERT_EQ(custom.size(), 3u);
  for (const auto& adapter : custom) {
    EXPECT_EQ(std::tuple(adapter.adapterType, adapter.comment, adapter.selected), std::tuple(1, "", 0));
  }
  helper_.closeDb();
  // Numbered after the shipped rows in name order, raw names kept.
  const int first = custom[0].adapterId;
  std::vector<int> adapters;
  for (int id : scene_.packages) adapters.push_back(scenes::loadPackage(id).adapterId);
  EXPECT_EQ(adapters, (std::vector<int>{first + 2, first + 1, first, 9}));
  scene_.expectWhole();
}

// A comment the user gave an adapter of their own survives an update (it was once stored empty).
TEST_F(AdapterCatalogueUpdateTest, UserAdaptersKeepTheirComment) {
  ASSERT_TRUE(helper_.openDb(false));
  ASSERT_TRUE(helper_.database().execute("UPDATE QuorvelLensAdapter SET Comment = 'rented' WHERE LensAdapterId = ?",
                                         {scene_.ids[0]}));
  helper_.closeDb();
  ASSERT_TRUE(helper_.openDb(true));
  EXPECT_EQ(countOf(helper_.database(), "SELECT COUNT(*) FROM QuorvelLensAdapter WHERE AdapterType = 1 AND "
                                        "LensAdapterName = 'Zeta 0.5x' AND Comment = 'rented'"),
            1);
}

}  // namespace

}  // namespace app::storage

