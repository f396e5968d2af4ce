#include "sdk/utilities/VDUSceneDelegateSwizzler.h"

#include <gtest/gtest.h>

#include "platform/foundation/SystemFacts.h"
#include "platform/runtime/Send.h"
#include "sdk/utilities/VDUAppDelegateSwizzler.h"
#include "sdk/utilities/VDUProxyTestSupport.h"

using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::Object;
using namespace platform::ui;

namespace {

std::vector<std::string> heard;

class TestSceneDelegate : public Object {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"SceneSwizzlerTestDelegate"};
  TestSceneDelegate() : Object(platform::runtime::classOf<TestSceneDelegate>()) {}
  std::string name = "delegate";

 protected:
  explicit TestSceneDelegate(Class* cls) : Object(cls) {}
};

// Answers scene:openURLContexts: but adopts no scene protocol.
class StrayObject : public Object {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"SceneSwizzlerTestStray"};
  StrayObject() : Object(platform::runtime::classOf<StrayObject>()) {}
};

void addOpenURLContexts(Class* cls) {
  cls->addMethod(kSceneOpenURLContexts, [](Object& self, Scene& scene, const std::vector<OpenURLContext>& contexts) {
    auto* named = dynamic_cast<TestSceneDelegate*>(&self);
    for (const auto& context : contexts) {
      heard.push_back((named ? named->name : "stray") + " " + scene.identifier() + " " + context.url);
    }
  });
}

Class* delegateClass() {
  static Class* const cls = [] {
    Class* c = platform::runtime::classOf<TestSceneDelegate>();
    c->addProtocol(const_cast<platform::runtime::Protocol*>(windowSceneDelegateProtocol()));
    addOpenURLContexts(c);
    addOpenURLContexts(platform::runtime::classOf<StrayObject>());
    return c;
  }();
  return cls;
}

std::shared_ptr<TestSceneDelegate> makeDelegate(std::string name) {
  auto delegate = std::make_shared<TestSceneDelegate>();
  delegate->name = std::move(name);
  return delegate;
}

class VDUSceneDelegateSwizzlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    delegateClass();
    support_.useInfo({});
    VDUSceneDelegateSwizzler::resetProxyOriginalSceneDelegateOnceTokenForTesting();
    VDUSceneDelegateSwizzler::clearInterceptors();
    heard.clear();
  }
  void TearDown() override {
    VDUSceneDelegateSwizzler::resetProxyOriginalSceneDelegateOnceTokenForTesting();
    VDUSceneDelegateSwizzler::clearInterceptors();
    VDUDelegateProxyKit::setSubclassSuffixSourceForTesting(nullptr);
  }

  static std::shared_ptr<WindowScene> connectedScene(std::string identifier, std::shared_ptr<Object> delegate) {
    auto scene = std::make_shared<WindowScene>(std::move(identifier));
    scene->setDelegate(std::move(delegate));
    scene->connect();
    return scene;
  }
  bool loggedFragment(const std::string& fragment) { return support_.logged(fragment); }

  VDUProxyTestSupport support_;
};

TEST_F(VDUSceneDelegateSwizzlerTest, EachConnectingDelegateGetsItsOwnClassAndUrlsReachInterceptorsFirst) {
  VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate();
  auto interceptor = makeDelegate("interceptor");
  ASSERT_TRUE(VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(interceptor));

  auto left = makeDelegate("left");
  auto right = makeDelegate("right");
  auto leftScene = connectedScene("L", left);
  auto rightScene = connectedScene("R", right);
  EXPECT_NE(left->getClass(), right->getClass()) << "one generated class per delegate object";
  EXPECT_TRUE(left->getClass()->name().starts_with("VDU_SceneSwizzlerTestDelegate-"));
  EXPECT_TRUE(right->isKindOf(delegateClass()));

  leftScene->openURLContexts({{"ostrel://one", {}}});
  rightScene->openURLContexts({{"ostrel://two", {}}});
  EXPECT_EQ(heard, (std::vector<std::string>{"interceptor L ostrel://one", "left L ostrel://one",
                                             "interceptor R ostrel://two", "right R ostrel://two"}));

  // Proxied already: another scene with the same delegate object leaves its class as it is.
  Class* leftClass = left->getClass();
  auto again = connectedScene("L2", left);
  EXPECT_EQ(left->getClass(), leftClass);
  heard.clear();
  again->openURLContexts({{"ostrel://three", {}}});
  EXPECT_EQ(heard, (std::vector<std::string>{"interceptor L2 ostrel://three", "left L2 ostrel://three"}));
  EXPECT_TRUE(loggedFragment("[I-SWZ001114] Successfully created Scene Delegate Proxy automatically."));
}

TEST_F(VDUSceneDelegateSwizzlerTest, InterceptorsMayComeLaterGoAwayOrBeRefused) {
  VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate();
  auto scene = connectedScene("S", makeDelegate("delegate"));

  auto late = makeDelegate("late");
  auto lateID = VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(late);
  ASSERT_TRUE(lateID);
  EXPECT_EQ(VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(late), lateID);
  std::string goneID = *VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(makeDelegate("gone"));
  EXPECT_FALSE(VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(std::make_shared<StrayObject>()));
  EXPECT_FALSE(VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(nullptr));

  scene->openURLContexts({{"ostrel://x", {}}});
  EXPECT_EQ(heard, (std::vector<std::string>{"late S ostrel://x", "delegate S ostrel://x"}));
  EXPECT_TRUE(loggedFragment("[I-SWZ001110] SceneDelegateProxy cannot find interceptor with ID " + goneID +
                             ". Removing the interceptor."));

  VDUSceneDelegateSwizzler::unregisterSceneDelegateInterceptorWithID(*lateID);
  heard.clear();
  scene->openURLContexts({{"ostrel://y", {}}});
  EXPECT_EQ(heard, std::vector<std::string>{"delegate S ostrel://y"});
}

TEST_F(VDUSceneDelegateSwizzlerTest, NothingIsWatchedWhenSwitchedOffOrOnASystemWithoutScenes) {
  support_.useInfo({{"VurevoreAppDelegateProxyEnabled", Value(false)}});
  EXPECT_FALSE(VDUSceneDelegateSwizzler::isSceneDelegateProxyEnabled());
  VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate();
  auto off = makeDelegate("off");
  connectedScene("A", off);
  EXPECT_EQ(off->getClass(), delegateClass());

  support_.useInfo({});
  VDUSceneDelegateSwizzler::resetProxyOriginalSceneDelegateOnceTokenForTesting();
  auto facts = platform::foundation::SystemFacts::defaults();
  facts.systemVersion = "12.5";
  {
    platform::foundation::ScopedSystemFacts older(facts);
    VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate();
  }
  auto old = makeDelegate("old");
  connectedScene("B", old);
  EXPECT_EQ(old->getClass(), delegateClass());
}

TEST_F(VDUSceneDelegateSwizzlerTest, NameCollisionsStopTheProxyAndTheDelegateKeepsWorking) {
  VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate();
  VDUDelegateProxyKit::setSubclassSuffixSourceForTesting([] { return std::string("TAKEN"); });
  if (Class* taken = Class::allocateClassPair(delegateClass(), "VDU_SceneSwizzlerTestDelegate-TAKEN")) {
    Class::registerClassPair(taken);
  }
  auto first = makeDelegate("first");
  auto scene = connectedScene("C", first);
  EXPECT_EQ(first->getClass(), delegateClass());
  EXPECT_TRUE(
      loggedFragment("[I-SWZ001114] Cannot create a proxy for Scene Delegate. Subclass already exists. "
                     "Original Class: SceneSwizzlerTestDelegate, subclass: VDU_SceneSwizzlerTestDelegate-TAKEN"));

  VDUDelegateProxyKit::setSubclassSuffixSourceForTesting([] { return std::string("PENDING"); });
  Class::allocateClassPair(delegateClass(), "VDU_SceneSwizzlerTestDelegate-PENDING");
  auto second = makeDelegate("second");
  auto other = connectedScene("D", second);
  EXPECT_EQ(second->getClass(), delegateClass());
  EXPECT_TRUE(
      loggedFragment("[I-SWZ001114] Cannot create a proxy for Scene Delegate. Subclass already exists. "
                     "Original Class: SceneSwizzlerTestDelegate, subclass: Nil"));
  EXPECT_FALSE(loggedFragment("Successfully created Scene Delegate Proxy"));

  scene->openURLContexts({{"ostrel://z", {}}});
  other->openURLContexts({{"ostrel://w", {}}});
  EXPECT_EQ(heard, (std::vector<std::string>{"first C ostrel://z", "second D ostrel://w"}));
}

// One object serving as both the application's and a scene's delegate: each proxy keeps its own record
// of the object's real methods, so neither hides the delegate's own methods from the other.
class DualDelegate : public TestSceneDelegate {
 public:
  static constexpr platform::runtime::NativeClass<TestSceneDelegate> kRuntimeClass{"SceneSwizzlerTestDual"};
  DualDelegate() : TestSceneDelegate(platform::runtime::classOf<DualDelegate>()) {}
};

TEST_F(VDUSceneDelegateSwizzlerTest, ADelegateOfBothKindsReachesItsOwnMethodsThroughBothProxies) {
  Class* dualClass = platform::runtime::classOf<DualDelegate>();
  dualClass->addProtocol(const_cast<platform::runtime::Protocol*>(applicationDelegateProtocol()));
  dualClass->addMethod(kApplicationOpenURLOptions, [](Object&, Application&, const std::string& url, const Value&) {
    heard.push_back("dual app " + url);
    return true;
  });
  auto dual = std::make_shared<DualDelegate>();
  dual->name = "dual";
  VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate();
  auto scene = connectedScene("S", dual);
  auto app = Application::sharedApplication();
  app->setDelegate(dual);
  VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  VDUAppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_TRUE(dual->getClass()->name().starts_with("VDU_VDU_SceneSwizzlerTestDual-"));

  scene->openURLContexts({{"ostrel://scene", {}}});
  EXPECT_TRUE(platform::runtime::send(*dual, kApplicationOpenURLOptions, *app, std::string("ostrel://app"), Value()));
  EXPECT_EQ(heard, (std::vector<std::string>{"dual S ostrel://scene", "dual app ostrel://app"}));
  app->setDelegate(nullptr);
}

}  // namespace
