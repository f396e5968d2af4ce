#include "app/storage/QuorvelLensAdapterDBHelper.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/storage/LensAdapter.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/StorageTestFixture.h"

namespace {

QuorvelLensAdapter userAdapter(const std::string& name, float width, float height) {
  QuorvelLensAdapter adapter;
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
  QuorvelLensAdapterDBHelper helper_;
};

TEST_F(AdapterDatabaseTest, TheNoAdapterRowReadsAsNoneExceptInTheNameList) {
  const auto all = helper_.getAllAdapters();
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.front().adapterId, 1);
  EXPECT_EQ(all.front().adapterName, "None");
  EXPECT_EQ(helper_.getSelectedLensAdapter().adapterName, "None");
  EXPECT_EQ(helper_.getLensAdapter(1).adapterName, "None");
  EXPECT_EQ(helper_.getAdapter4Name("aaaaNone").adapterId, 1);
  EXPECT_EQ(helper_.getAdapter4Name("aaaaNone").adapterName, "None");
  EXPECT_EQ(helper_.getAdapterNameList().front(), "aaaaNone");
  EXPECT_EQ(helper_.getAdapterShortNameList().front(), "1.0");

  const int id = helper_.insertCustomAdapter(userAdapter("aaaa mine", 0.5f, 0.5f));
  ASSERT_GT(id, 1);
  const auto custom = helper_.getAllCustomAdapters();
  ASSERT_EQ(custom.size(), 1u);
  EXPECT_EQ(custom[0].adapterName, "None");
}

TEST_F(AdapterDatabaseTest, InsertsStoreAUserRowAndOnlyInsertNewAdapterMovesTheSelection) {
  const int next = helper_.getLastAdapterID();
  EXPECT_EQ(helper_.insertCustomAdapter(userAdapter("Quiet", 0.8f, 0.8f)), next);
  EXPECT_EQ(helper_.getSelectedLensAdapter().adapterId, 1);
  EXPECT_EQ(helper_.insertNewAdapter(userAdapter("Loud", 0.5f, 1.0f)), next + 1);
  const auto selected = helper_.getSelectedLensAdapter();
  EXPECT_EQ(selected.adapterId, next + 1);
  EXPECT_EQ(selected.adapterType, 1);
  EXPECT_EQ(selected.comment, "");
  EXPECT_FLOAT_EQ(selected.adapterValueWidth, 0.5f);
  EXPECT_FLOAT_EQ(selected.adapterValueHeight, 1.0f);
  EXPECT_EQ(helper_.getLastAdapterID(), next + 2);
}

TEST_F(AdapterDatabaseTest, UnknownIdsAndNamesGiveAnAdapterWithInitialValues) {
  EXPECT_EQ(helper_.getLensAdapter(9999).adapterId, 0);
  ASSERT_TRUE(helper_.deselectAllAdapter());
  EXPECT_EQ(helper_.getSelectedLensAdapter().adapterId, 0);
  EXPECT_EQ(helper_.getAdapter4Name("nothing by this name").adapterId, 0);
}

TEST_F(AdapterDatabaseTest, NamesWithQuotesAreFoundAsWritten) {
  const int id = helper_.insertCustomAdapter(userAdapter("Grandpa's 0.7x' OR '1'='1", 0.7f, 0.7f));
  EXPECT_EQ(helper_.getAdapter4Name("Grandpa's 0.7x' OR '1'='1").adapterId, id);
  EXPECT_EQ(helper_.getAdapter4Name("x' OR '1'='1").adapterId, 0);
}

TEST_F(AdapterDatabaseTest, DeletingRemovesOnlyThatAdapter) {
  const int id = helper_.insertCustomAdapter(userAdapter("Short-lived", 0.6f, 0.6f));
  const auto before = helper_.getAllAdapters().size();
  QuorvelLensAdapter adapter;
  adapter.adapterId = id;
  ASSERT_TRUE(helper_.deleteAdapter(adapter));
  EXPECT_EQ(helper_.getAllAdapters().size(), before - 1);
  EXPECT_TRUE(helper_.getAllCustomAdapters().empty());
}

TEST(LensAdapterTest, BuiltInListIsSearchedByExactFactor) {
  const LensAdapter adapters(0.71f);
  EXPECT_FLOAT_EQ(adapters.currentAdapter(), 0.71f);
  EXPECT_EQ(adapters.getString4Adapter(0.71001f), "Metabones Speed Booster (Sony NEX)");
  EXPECT_EQ(adapters.getShortString4Adapter(0.64001f), "Speed Booster XL");
  EXPECT_EQ(adapters.getString4Adapter(1.0f), "None");
  EXPECT_EQ(adapters.getString4Adapter(0.7f), "");
  EXPECT_FLOAT_EQ(LensAdapter().currentAdapter(), 1.0f);
}

TEST(LensAdapterTest, OldNamesMapToCatalogueIds) {
  EXPECT_EQ(QuorvelLensAdapterDBHelper::getAdapterID4OldNameFULL("Metabones Speed Booster XL"), 8);
  EXPECT_EQ(QuorvelLensAdapterDBHelper::getAdapterID4OldNameFULL("Metabones Speed Booster (BMPCC)"), 7);
  EXPECT_EQ(QuorvelLensAdapterDBHelper::getAdapterID4OldNameFULL("Generic 2x Tele Converter"), 5);
  EXPECT_EQ(QuorvelLensAdapterDBHelper::getAdapterID4OldNameFULL("Speed Booster XL"), 1) << "a short name";
  EXPECT_EQ(QuorvelLensAdapterDBHelper::getAdapterID4OldName("Speed Booster XL"), 8);
  EXPECT_EQ(QuorvelLensAdapterDBHelper::getAdapterID4OldName("Speed Booster NEX"), 9);
  EXPECT_EQ(QuorvelLensAdapterDBHelper::getAdapterID4OldName("Tele 1.4x"), 3);
  EXPECT_EQ(QuorvelLensAdapterDBHelper::getAdapterID4OldName("Unheard of"), 1);
}

class AdapterCatalogueUpdateTest : public AdapterDatabaseTest {
 protected:
  // User adapters whose id order (Zeta first) differs from their name order (alpha first).
  void addUserAdapters() {
    zeta_ = helper_.insertCustomAdapter(userAdapter("Zeta 0.5x", 0.5f, 0.5f));
    alpha_ = helper_.insertCustomAdapter(userAdapter("alpha 1.33x ana", 0.75f, 1.0f));
    hidden_ = helper_.insertCustomAdapter(userAdapter("aaaa hidden", 0.9f, 0.9f));
  }
  void addPackageOnAdapter(int adapterId) {
    QuorvelPackageDatabaseObject package;
    package.adapterId = adapterId;
    package.lensSetIDs = {1};
    ASSERT_GT(packages_.saveNewPackage(package), 0);
  }
  int zeta_ = 0, alpha_ = 0, hidden_ = 0;
  PackageDatabaseHelper packages_;
};

TEST_F(AdapterCatalogueUpdateTest, UserAdaptersComeBackInNameOrderAndPackagesFollowWithoutChaining) {
  addUserAdapters();
  helper_.closeDb();
  ASSERT_TRUE(packages_.openDb(false));
  addPackageOnAdapter(zeta_);
  addPackageOnAdapter(alpha_);
  addPackageOnAdapter(hidden_);
  addPackageOnAdapter(9);
  packages_.closeDb();

  ASSERT_TRUE(helper_.openDb(true));
  const auto custom = helper_.getAllCustomAdapters();
  ASSERT_EQ(custom.size(), 3u);
  // Name order: "aaaa hidden", "alpha ...", "Zeta ...", numbered after the shipped rows.
  const int first = custom[0].adapterId;
  EXPECT_EQ(helper_.getLensAdapter(first + 1).adapterName, "alpha 1.33x ana");
  EXPECT_EQ(helper_.getLensAdapter(first + 2).adapterName, "Zeta 0.5x");
  EXPECT_EQ(helper_.getAdapterNameList().size(), helper_.getAllAdapters().size());
  const auto names = helper_.getAdapterNameList();
  EXPECT_NE(std::find(names.begin(), names.end(), "aaaa hidden"), names.end()) << "raw name kept";
  for (const auto& adapter : custom) {
    EXPECT_EQ(adapter.adapterType, 1);
    EXPECT_EQ(adapter.comment, "");
    EXPECT_EQ(adapter.selected, 0);
  }

  ASSERT_TRUE(packages_.openDb(false));
  EXPECT_EQ(packages_.loadPackage(1)->adapterId, first + 2);  // was Zeta
  EXPECT_EQ(packages_.loadPackage(2)->adapterId, first + 1);  // was alpha
  EXPECT_EQ(packages_.loadPackage(3)->adapterId, first);      // was the "aaaa" adapter
  EXPECT_EQ(packages_.loadPackage(4)->adapterId, 9) << "shipped adapters keep their ids";
}

TEST_F(AdapterCatalogueUpdateTest, AnUpdateThatCannotBeMadeChangesNothing) {
  addUserAdapters();
  helper_.closeDb();
  useEmptyBundle();
  EXPECT_FALSE(helper_.resetDB());
  useBuiltBundle();
  ASSERT_TRUE(helper_.openDb(false));
  EXPECT_EQ(helper_.getLensAdapter(zeta_).adapterName, "Zeta 0.5x");
  EXPECT_EQ(helper_.getAllCustomAdapters().size(), 3u) << "no second copy was put into the old file";
}

}  // namespace
