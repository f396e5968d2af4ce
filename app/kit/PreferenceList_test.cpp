#include "app/kit/PreferenceList.h"

#include <gtest/gtest.h>

namespace app::kit {

namespace {

TEST(PreferenceListTest, RebuildingGivesTheSameRowsNotMore) {
  PreferenceList list;
  EXPECT_TRUE(list.prefList.empty());
  const auto first = list.getprefList();
  const auto second = list.getprefList();
  EXPECT_EQ(first, second);
  ASSERT_EQ(second.size(), 4u);
  EXPECT_EQ(second[0], AdapterObject("Database Reset", "Reset the format database to factory settings", 1));
  EXPECT_EQ(second[2].title, "About Pellaro");
  EXPECT_EQ(second[3], AdapterObject("More Apps", "", 0));
  EXPECT_EQ(AdapterObject(), AdapterObject("", "", 0));
}

}  // namespace

}  // namespace app::kit

