#include "sdk/utilities/MutableDictionary.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

namespace sdk::utilities {

using platform::foundation::Value;

TEST(MutableDictionary, NilRemovesTheKeyInBothFormsAndSnapshotsDoNotFollowLaterWrites) {
  MutableDictionary<> values;
  values.setObject(Value("x"), "k");
  values.setObjectForKeyedSubscript(Value(2), "b");
  auto snapshot = values.dictionary();
  values.setObject(Value("y"), "k");
  values.setObject(Value("z"), "l");
  EXPECT_EQ(values.description(), "{\n    b = 2;\n    k = y;\n    l = z;\n}");
  values.setObject(Value(), "k");
  values.setObjectForKeyedSubscript(Value(), "b");
  EXPECT_TRUE(values.objectForKeyedSubscript("b").isNil());
  EXPECT_EQ(values.count(), 1u);
  EXPECT_EQ(snapshot, (platform::foundation::Dictionary{{"k", Value("x")}, {"b", Value(2)}}));

  // Handlers kept by session ID: an empty one is nil too.
  MutableDictionary<std::string, std::function<void()>> handlers;
  int calls = 0;
  handlers.setObject([&calls] { ++calls; }, "session");
  handlers.objectForKey("session")();
  handlers.setObject(nullptr, "session");
  EXPECT_FALSE(handlers.objectForKey("session"));
  EXPECT_EQ(calls, 1);
}

TEST(MutableDictionary, ManyThreadsWriteAndReadWithoutLosingEntries) {
  auto dictionary = std::make_shared<MutableDictionary<std::string, std::shared_ptr<int>>>();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([dictionary, t] {
      for (int i = 0; i < 250; ++i) {
        const std::string key = std::to_string(t) + ":" + std::to_string(i);
        dictionary->setObject(std::make_shared<int>(i), key);
        auto read = dictionary->objectForKey(key);
        ASSERT_TRUE(read);
        EXPECT_EQ(*read, i);
        if (i % 5 == 0) dictionary->removeObjectForKey(key);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(dictionary->count(), 4u * 200u);
  dictionary->removeAllObjects();
  EXPECT_EQ(dictionary->description(), "{}");
}

}  // namespace sdk::utilities

