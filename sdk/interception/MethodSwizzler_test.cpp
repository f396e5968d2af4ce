#include "sdk/interception/MethodSwizzler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/runtime/Send.h"
#include "platform/ui/NavigationController.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"

namespace sdk::interception {

using ostrel::testing::LoggedLines;

using platform::runtime::Class;
using platform::runtime::IMP;
using platform::runtime::Object;
using platform::runtime::Selector;
using platform::runtime::send;
using platform::runtime::sendSuper;

namespace {

constexpr Selector<std::string()> kGreeting{"greeting"};
constexpr Selector<std::string()> kMake{"make"};

// A class family of its own for each test: base, a subclass overriding "greeting" through super, and a
// leaf that only inherits. The base has "make" both as class and as instance method.
struct Family {
  Class* base;
  Class* sub;
  Class* leaf;
};

Family makeFamily(const std::string& name) {
  // Class names are process-wide and never freed: a run number keeps repeated runs of a test apart.
  static int runs = 0;
  const std::string tag = name + std::to_string(++runs);
  Family f;
  f.base = Class::allocateClassPair(nullptr, "SwizzlerTestBase" + tag);
  f.base->addMethod(kGreeting, [](Object&) { return std::string("base"); });
  f.base->addMethod(kMake, [](Object&) { return std::string("instance make"); });
  f.base->metaclass()->addMethod(kMake, [](Object&) { return std::string("class make"); });
  Class::registerClassPair(f.base);
  Class* sub = f.sub = Class::allocateClassPair(f.base, "SwizzlerTestSub" + tag);
  f.sub->addMethod(kGreeting, [sub](Object& self) { return "sub+" + sendSuper(self, sub, kGreeting); });
  Class::registerClassPair(f.sub);
  Class::registerClassPair(f.leaf = Class::allocateClassPair(f.base, "SwizzlerTestLeaf" + tag));
  return f;
}

std::string greet(Class* cls) { return send(*cls->createInstance(), kGreeting); }

TEST(MethodSwizzlerTest, AnInstanceMethodIsReplacedForSubclassesCallingSuperAndAClassMethodLeavesInstancesAlone) {
  Family f = makeFamily("Replace");
  IMP previous = MethodSwizzler::currentImplementationForClass(f.base, kGreeting.name, false);
  ASSERT_TRUE(MethodSwizzler::swizzleClass(f.base, kGreeting, false, [previous](Object& self) {
    return "wrapped(" + platform::runtime::callImplementation(previous, self, kGreeting) + ")";
  }));
  IMP baseOwn = f.base->ownMethod(kGreeting.name);
  ASSERT_TRUE(MethodSwizzler::swizzleClass(f.leaf, kGreeting, false, [](Object&) { return std::string("leaf"); }));
  EXPECT_EQ(f.base->ownMethod(kGreeting.name), baseOwn) << "an inherited method is overridden in the class alone";
  EXPECT_EQ(greet(f.leaf) + " " + greet(f.base) + " " + greet(f.sub), "leaf wrapped(base) sub+wrapped(base)");

  IMP instanceMake = MethodSwizzler::currentImplementationForClass(f.base, kMake.name, false);
  ASSERT_TRUE(MethodSwizzler::swizzleClass(f.base, kMake, true,
                                        [](Object& cls) { return "replaced " + static_cast<Class&>(cls).name(); }));
  EXPECT_EQ(send(*f.leaf, kMake), "replaced " + f.leaf->name()) << "class methods inherit";
  EXPECT_EQ(send(*f.base->createInstance(), kMake), "instance make");
  EXPECT_EQ(MethodSwizzler::currentImplementationForClass(f.base, kMake.name, false), instanceMake);
  EXPECT_NE(MethodSwizzler::currentImplementationForClass(f.base, kMake.name, true), instanceMake);
}

TEST(MethodSwizzlerTest, ExistenceQueriesAndRefusalsOfWhatCannotBeCalledSafely) {
  LoggedLines logged;
  Family f = makeFamily("Refusals");
  EXPECT_TRUE(MethodSwizzler::selector(kGreeting.name, f.leaf, false)) << "inherited methods count";
  EXPECT_TRUE(MethodSwizzler::selector(kMake.name, f.leaf, true));
  EXPECT_FALSE(MethodSwizzler::selector(kGreeting.name, f.base, true)) << "no class method of that name";
  EXPECT_EQ(MethodSwizzler::currentImplementationForClass(f.base, "farewell", false), nullptr);

  constexpr Selector<std::string()> kFarewell{"farewell"};
  constexpr Selector<int()> kGreetingAsNumber{"greeting"};
  EXPECT_FALSE(MethodSwizzler::swizzleClass(f.base, kFarewell, false, [](Object&) { return std::string("bye"); }));
  EXPECT_FALSE(MethodSwizzler::swizzleClass(f.base, kGreetingAsNumber, false, [](Object&) { return 1; }));
  EXPECT_FALSE(MethodSwizzler::selector("farewell", f.base, false)) << "nothing was installed";
  EXPECT_EQ(greet(f.base), "base");
  auto lines = logged.lines();
  ASSERT_EQ(lines.size(), 2u) << "one warning for each refusal";
  EXPECT_EQ(lines[0].level, sdk::utilities::kLoggerLevelWarning);
  EXPECT_NE(lines[0].message.find("Cannot replace -farewell of SwizzlerTestBaseRefusals"), std::string::npos);
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TEST(MethodSwizzlerTest, ReplacingWhileOtherThreadsDispatchIsSafe) {
  Family f = makeFamily("Threads");
  std::atomic<bool> stop{false};
  std::atomic<long> calls{0};
  std::vector<std::thread> senders;
  for (int i = 0; i < 4; ++i) {
    senders.emplace_back([&] {
      for (auto mine = f.sub->createInstance(); !stop.load(); calls.fetch_add(1)) {
        EXPECT_TRUE(send(*mine, kGreeting).starts_with("sub+"));
      }
    });
  }
  for (int round = 0; round < 200; ++round) {
    const std::string text = "v" + std::to_string(round);
    EXPECT_TRUE(MethodSwizzler::swizzleClass(f.base, kGreeting, false, [text](Object&) { return text; }));
    MethodSwizzler::currentImplementationForClass(f.sub, kGreeting.name, false);
  }
  while (calls.load() < 1000) std::this_thread::yield();
  stop = true;
  for (auto& t : senders) t.join();
  EXPECT_EQ(greet(f.sub), "sub+v199");
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// A camera body with a lens mounted and a name; the cinema camera adds a recorder (object), a spare
// lens that may be missing (object) and a frame rate (not an object).
class Camera : public Object {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"SwizzlerTestCamera"};
  Camera() : Camera(platform::runtime::classOf<Camera>()) {}
  std::shared_ptr<Object> lens = std::make_shared<Object>();

 protected:
  explicit Camera(Class* cls) : Object(cls) {}
};

class CinemaCamera : public Camera {
 public:
  static constexpr platform::runtime::NativeClass<Camera> kRuntimeClass{"SwizzlerTestCinemaCamera"};
  CinemaCamera() : Camera(platform::runtime::classOf<CinemaCamera>()) {}
  std::shared_ptr<Object> recorder = std::make_shared<Object>();
  double frameRate = 24;
  std::shared_ptr<Object> spareLens;
  std::string name = "A camera";
};

TEST(MethodSwizzlerTest, IvarObjectsAreTheOwnClasssObjectVariablesInOrderWithNullForNone) {
  static const bool declared = [] {
    Class* camera = platform::runtime::classOf<Camera>();
    Class* cinema = platform::runtime::classOf<CinemaCamera>();
    return camera->addIvar<Camera>("_lens", &Camera::lens) &&
           cinema->addIvar<CinemaCamera>("_recorder", &CinemaCamera::recorder) &&
           cinema->addIvar<CinemaCamera>("_frameRate", &CinemaCamera::frameRate) &&
           cinema->addIvar<CinemaCamera>("_spareLens", &CinemaCamera::spareLens) &&
           cinema->addIvar<CinemaCamera>("_name", &CinemaCamera::name);
  }();
  ASSERT_TRUE(declared);
  auto cinema = std::make_shared<CinemaCamera>();
  EXPECT_EQ(MethodSwizzler::ivarObjectsForObject(cinema),
            (platform::foundation::Array{platform::foundation::Value(cinema->recorder),
                                         platform::foundation::Value::null(), platform::foundation::Value("A camera")}));
  auto camera = std::make_shared<Camera>();
  EXPECT_EQ(MethodSwizzler::ivarObjectsForObject(camera),
            (platform::foundation::Array{platform::foundation::Value(camera->lens)}));
  EXPECT_TRUE(MethodSwizzler::ivarObjectsForObject(nullptr).empty());

  // The platform's own classes list theirs: a navigation stack gives its screens, not the variables
  // every screen has.
  auto root = platform::ui::make<platform::ui::ViewController>();
  auto navigation = platform::ui::make<platform::ui::NavigationController>(root);
  EXPECT_EQ(MethodSwizzler::ivarObjectsForObject(navigation),
            (platform::foundation::Array{platform::foundation::Value(platform::foundation::Array{platform::foundation::Value(root)})}));
}

}  // namespace

}  // namespace sdk::interception

