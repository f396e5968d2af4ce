#include "sdk/utilities/VDUMutableDictionary.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

using platform::foundation::Value;

TEST(VDUMutableDictionary, ReadsSeeEarlierWritesOfTheSameThread) {
  VDUMutableDictionary<> dictionary;
  EXPECT_TRUE(dictionary.objectForKey("a").isNil());
  dictionary.setObject(Value(1), "a");
  EXPECT_EQ(dictionary.objectForKey("a"), Value(1));
  dictionary.setObjectForKeyedSubscript(Value("two"), "b");
  EXPECT_EQ(dictionary.objectForKeyedSubscript("b"), Value("two"));
  EXPECT_EQ(dictionary.count(), 2u);

  dictionary.removeObjectForKey("a");
  EXPECT_TRUE(dictionary.objectForKey("a").isNil());
  dictionary.removeAllObjects();
  EXPECT_EQ(dictionary.count(), 0u);
  EXPECT_EQ(dictionary.description(), "{}");
}

TEST(VDUMutableDictionary, NilValueRemovesTheKeyInBothForms) {
  VDUMutableDictionary<> values;
  values.setObject(Value(1), "a");
  values.setObject(Value(), "a");
  values.setObject(Value(2), "b");
  values.setObjectForKeyedSubscript(Value(), "b");
  EXPECT_EQ(values.count(), 0u);

  // Handlers kept by session ID: an empty one is nil too.
  VDUMutableDictionary<std::string, std::function<void()>> handlers;
  int calls = 0;
  handlers.setObject([&calls] { ++calls; }, "session");
  handlers.objectForKey("session")();
  handlers.setObject(nullptr, "session");
  EXPECT_FALSE(handlers.objectForKey("session"));
  EXPECT_EQ(calls, 1);
}

TEST(VDUMutableDictionary, SnapshotAndDescriptionDoNotFollowLaterWrites) {
  VDUMutableDictionary<> dictionary;
  dictionary.setObject(Value("x"), "k");
  auto snapshot = dictionary.dictionary();
  dictionary.setObject(Value("y"), "k");
  dictionary.setObject(Value("z"), "l");
  EXPECT_EQ(snapshot.size(), 1u);
  EXPECT_EQ(snapshot["k"], Value("x"));
  EXPECT_EQ(dictionary.description(), "{\n    k = y;\n    l = z;\n}");
}

TEST(VDUMutableDictionary, ManyThreadsWriteAndReadWithoutLosingEntries) {
  auto dictionary = std::make_shared<VDUMutableDictionary<std::string, std::shared_ptr<int>>>();
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
}
