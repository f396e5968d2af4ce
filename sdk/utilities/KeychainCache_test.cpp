#include "sdk/utilities/KeychainCache.h"

#include <gtest/gtest.h>

namespace sdk::utilities {

using platform::foundation::Value;

TEST(KeychainCacheTest, EvictsTheLeastRecentlyUsedAndRemovesOnlyItsOwnEntry) {
  KeychainCache cache(2);
  cache.setObject(Value(1), "a");
  cache.setObject(Value(2), "b");
  EXPECT_EQ(cache.objectForKey("a"), Value(1));  // "b" is now the oldest
  cache.setObject(Value(3), "c");
  EXPECT_TRUE(cache.objectForKey("b").isNil());
  EXPECT_EQ(cache.count(), 2u);

  auto older = cache.setObject(Value(4), "a");
  auto newer = cache.setObject(Value(5), "a");
  cache.removeObjectForKeyIfToken("a", older);
  EXPECT_EQ(cache.objectForKey("a"), Value(5));
  cache.removeObjectForKeyIfToken("a", newer);
  EXPECT_TRUE(cache.objectForKey("a").isNil());
}

}  // namespace sdk::utilities

