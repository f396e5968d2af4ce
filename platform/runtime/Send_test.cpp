#include "platform/runtime/Send.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/log/Log.h"
#include "testing/RuntimeClasses.h"

namespace platform::runtime {
namespace {

constexpr Selector<int(int)> kScale{"scale:"};
constexpr Selector<int(int)> kShift{"shift:"};
constexpr Selector<int(std::string)> kScaleWrongly{"scale:"};
constexpr Selector<std::string()> kGreeting{"greeting"};
constexpr Selector<void(std::vector<int>&)> kRecord{"record:"};

class Counter : public Object {
 public:
  static constexpr NativeClass<Object> kRuntimeClass{"SendTestCounter"};
  Counter() : Object(classOf<Counter>()) {}
  int factor = 3;
};

using ostrel::testing::makeClass;

TEST(SendDispatch, ReplacementIsSeenThroughAnExistingObject) {
  Class* cls = makeClass(nullptr, "DispatchReplaced");
  cls->addMethod(kScale, [](Object&, int x) { return x * 2; });
  auto object = cls->createInstance();
  EXPECT_EQ(send(*object, kScale, 5), 10);
  cls->replaceMethod(kScale, [](Object&, int x) { return x * 10; });
  EXPECT_EQ(send(*object, kScale, 5), 50) << "the cached old implementation must not survive";
  EXPECT_EQ(send(object, kScale, 1), 10) << "through the shared pointer as well";

  cls->addMethod(kRecord, [](Object&, std::vector<int>& out) { out.push_back(1); });
  std::vector<int> seen;  // reference arguments reach the implementation uncopied
  send(*object, kRecord, seen);
  EXPECT_TRUE(trySend(*object, kRecord, seen));
  EXPECT_EQ(seen.size(), 2u);
}

// Calls of one signature alternate between selectors and classes: the dispatch caches must tell them apart.
TEST(SendDispatch, AlternatingSelectorsAndClassesOfOneSignatureStayApart) {
  Class* first = makeClass(nullptr, "DispatchAlternateFirst");
  Class* second = makeClass(nullptr, "DispatchAlternateSecond");
  first->addMethod(kScale, [](Object&, int x) { return x * 2; });
  first->addMethod(kShift, [](Object&, int x) { return x + 2; });
  second->addMethod(kScale, [](Object&, int x) { return x * 3; });
  auto object = first->createInstance();
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(send(*object, kScale, 10), 20);
    EXPECT_EQ(send(*object, kShift, 10), 12);
  }
  object->setClass(second);
  EXPECT_EQ(send(*object, kScale, 10), 30);
  EXPECT_EQ(trySend(*object, kShift, 10), std::nullopt);
  object->setClass(first);
  EXPECT_EQ(send(*object, kScale, 10), 20);
}

TEST(SendDispatch, SuperDispatchReachesTheSuperclassImplementationOfTheMoment) {
  Class* base = makeClass(nullptr, "DispatchSuperBase");
  Class* sub = makeClass(base, "DispatchSuperSub");
  base->addMethod(kGreeting, [](Object&) { return std::string("base"); });
  sub->addMethod(kGreeting, [sub](Object& self) { return "sub+" + sendSuper(self, sub, kGreeting); });
  auto object = sub->createInstance();
  EXPECT_EQ(send(*object, kGreeting), "sub+base");
  base->replaceMethod(kGreeting, [](Object&) { return std::string("newer base"); });
  EXPECT_EQ(send(*object, kGreeting), "sub+newer base");

  Class* orphan = makeClass(nullptr, "DispatchSuperOrphan");
  orphan->addMethod(kGreeting, [orphan](Object& self) { return sendSuper(self, orphan, kGreeting); });
  EXPECT_THROW(send(*orphan->createInstance(), kGreeting), foundation::Exception);
}

TEST(SendDispatch, ChangingAnObjectsClassChangesWhatItAnswersButNotItsNativeType) {
  auto counter = std::make_shared<Counter>();
  Class* proxy = makeClass(classOf<Counter>(), "DispatchCounterProxy");
  proxy->addMethod<int(int), Counter>(kScale, [](Counter& self, int x) { return x * self.factor; });
  EXPECT_FALSE(respondsTo(counter, kScale));
  EXPECT_EQ(counter->setClass(proxy), classOf<Counter>());
  EXPECT_TRUE(respondsTo(counter, kScale));
  EXPECT_EQ(send(counter, kScale, 4), 12);
  EXPECT_TRUE(counter->isKindOf(classOf<Counter>()));

  // The same typed method on a receiver of another C++ type is refused, never reinterpreted.
  auto plain = std::make_shared<Object>();
  plain->setClass(proxy);
  EXPECT_THROW(send(plain, kScale, 4), foundation::Exception);
}

TEST(SendFailures, UnknownSelectorsAndMismatchedSignaturesAreReportedNotCalled) {
  Class* cls = makeClass(nullptr, "FailuresTarget");
  cls->addMethod(kScale, [](Object&, int x) { return x; });
  auto object = cls->createInstance();
  try {
    send(*object, kGreeting);
    FAIL() << "an unknown selector must raise";
  } catch (const foundation::Exception& e) {
    EXPECT_EQ(e.name(), "NSInvalidArgumentException");
    EXPECT_NE(e.reason().find("unrecognized selector greeting sent to instance <" + cls->name() + ": 0x"),
              std::string::npos)
        << e.reason();
  }
  EXPECT_EQ(trySend(*object, kGreeting), std::nullopt);
  EXPECT_EQ(trySend(*object, kScale, 6), 6);
  EXPECT_THROW(send(*object, kScaleWrongly, std::string("6")), foundation::Exception);
  log::CapturedLines lines;
  EXPECT_EQ(trySend(*object, kScaleWrongly, std::string("6")), std::nullopt);
  EXPECT_TRUE(lines.contains("scale:"));

  std::shared_ptr<Counter> nobody;  // messages to nil return zero
  EXPECT_EQ(send(nobody, kScale, 3), 0);
  EXPECT_EQ(send(nobody, kGreeting), "");
  EXPECT_FALSE(trySend(nobody, kScale, 3).has_value());
}

TEST(SendDescription, DescriptionFollowsTheClassAndItsRunTimeOverride) {
  Class* cls = makeClass(nullptr, "DescribedThing");
  auto object = cls->createInstance();
  EXPECT_EQ(object->description().rfind("<" + cls->name() + ": 0x", 0), 0u) << object->description();
  Class* disguise = makeClass(cls, "DescribedThingDisguise");
  disguise->addMethod(kDescription, [cls](Object& self) { return "<" + cls->name() + ">"; });
  object->setClass(disguise);
  EXPECT_EQ(object->description(), "<" + cls->name() + ">");
  EXPECT_EQ(cls->description(), cls->name());
}

// Threads call through the cache while another replaces the method and adds others to the same class:
// every call must see one whole implementation, and the sanitizers must stay quiet.
TEST(SendConcurrency, DispatchWhileReplacingSeesWholeImplementations) {
  Class* base = makeClass(nullptr, "ConcurrentBase");
  Class* sub = makeClass(base, "ConcurrentSub");
  base->addMethod(kScale, [](Object&, int x) { return x; });
  auto object = sub->createInstance();
  std::atomic<bool> done{false};
  std::vector<std::thread> callers;
  std::atomic<int> bad{0};
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([&] {
      while (!done.load()) {
        int r = send(*object, kScale, 1);
        if (r < 1 || r > 1000) ++bad;
        (void)respondsTo(*object, kGreeting);
      }
    });
  }
  for (int i = 2; i <= 1000; ++i) {
    (i % 2 ? base : sub)->replaceMethod(kScale, [i](Object&, int x) { return x * i; });
    if (i % 50 == 0) sub->addMethod(internSelectorName("extra" + std::to_string(i)), makeImplementation<void()>([](Object&) {}));
  }
  done = true;
  for (auto& t : callers) t.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(send(*object, kScale, 1), 1000);
}

}  // namespace
}  // namespace platform::runtime
