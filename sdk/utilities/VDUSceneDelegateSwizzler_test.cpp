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

Class* delegateClass() {
  static Class* const cls = [] {
    Class* c = platform::runtime::classOf<TestSceneDelegate>();
    c->addProtocol(const_cast<platform::runtime::Protocol*>(windowSceneDelegateProtocol()));
    c->addMethod<void(Scene&, const std::vector<OpenURLContext>&), TestSceneDelegate>(
        kSceneOpenURLContexts, [](TestSceneDelegate& self, Scene& scene, const std::vector<OpenURLContext>& contexts) {
          for (const auto& context : contexts)
            heard.push_back(self.name + " " + scene.identifier() + " " + context.url);
        });
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
  EXPECT_TRUE(support_.logged("[I-SWZ001114] Successfully created Scene Delegate Proxy automatically."));
}

TEST_F(VDUSceneDelegateSwizzlerTest, InterceptorsMayComeAfterTheSceneConnectedAndMustBeSceneDelegates) {
  VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate();
  auto scene = connectedScene("S", makeDelegate("delegate"));
  auto late = makeDelegate("late");
  auto lateID = VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(late);
  ASSERT_TRUE(lateID);
  EXPECT_FALSE(VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(std::make_shared<Object>()));
  EXPECT_TRUE(support_.logged("[I-SWZ001101] SceneDelegateProxy interceptor does not conform to UISceneDelegate"));

  scene->openURLContexts({{"ostrel://x", {}}});
  VDUSceneDelegateSwizzler::unregisterSceneDelegateInterceptorWithID(*lateID);
  scene->openURLContexts({{"ostrel://y", {}}});
  EXPECT_EQ(heard, (std::vector<std::string>{"late S ostrel://x", "delegate S ostrel://x", "delegate S ostrel://y"}));
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

// A registered class of the chosen name, and one allocated but never registered, both stop the proxy.
TEST_F(VDUSceneDelegateSwizzlerTest, NameCollisionsStopTheProxyAndTheDelegateKeepsWorking) {
  VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate();
  for (bool registered : {true, false}) {
    const std::string suffix = registered ? "TAKEN" : "PENDING";
    VDUDelegateProxyKit::setSubclassSuffixSourceForTesting([suffix] { return suffix; });
    Class* taken = Class::allocateClassPair(delegateClass(), "VDU_SceneSwizzlerTestDelegate-" + suffix);
    if (taken && registered) Class::registerClassPair(taken);
    heard.clear();
    auto delegate = makeDelegate(suffix);
    connectedScene("C", delegate)->openURLContexts({{"ostrel://z", {}}});
    EXPECT_EQ(delegate->getClass(), delegateClass());
    EXPECT_EQ(heard, std::vector<std::string>{suffix + " C ostrel://z"});
    EXPECT_TRUE(support_.logged(
        "[I-SWZ001114] Cannot create a proxy for Scene Delegate. Subclass already exists. Original Class: "
        "SceneSwizzlerTestDelegate, subclass: " +
        (registered ? "VDU_SceneSwizzlerTestDelegate-TAKEN" : std::string("Nil"))));
  }
  EXPECT_FALSE(support_.logged("Successfully created Scene Delegate Proxy"));
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
