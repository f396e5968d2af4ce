#include "sdk/interception/SceneDelegateSwizzler.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/foundation/SystemFacts.h"
#include "platform/runtime/Send.h"
#include "sdk/interception/AppDelegateSwizzler.h"
#include "sdk/utilities/MainBundleTestSupport.h"

namespace sdk::interception {

using ostrel::testing::MainBundleTestSupport;

using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::Object;
using namespace platform::ui;
using Heard = std::vector<std::string>;

namespace {

Heard heard;

class TestSceneDelegate : public Object {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"SceneSwizzlerTestDelegate"};
  explicit TestSceneDelegate(std::string name = "delegate", Class* cls = nullptr)
      : Object(cls ? cls : platform::runtime::classOf<TestSceneDelegate>()), name(std::move(name)) {}
  std::string name;
};

Class* delegateClass() {
  static Class* const cls = [] {
    Class* c = platform::runtime::classOf<TestSceneDelegate>();
    c->addProtocol(const_cast<platform::runtime::Protocol*>(windowSceneDelegateProtocol()));
    c->addMethod<void(Scene&, const std::vector<OpenURLContext>&), TestSceneDelegate>(
        kSceneOpenURLContexts, [](TestSceneDelegate& self, Scene& scene, const std::vector<OpenURLContext>& contexts) {
          for (const auto& c : contexts) heard.push_back(self.name + " " + scene.identifier() + " " + c.url);
        });
    return c;
  }();
  return cls;
}

class SceneDelegateSwizzlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    delegateClass();
    support_.useInfo({});
    heard.clear();
    reset();
  }
  void TearDown() override { reset(); }
  static void reset() {
    SceneDelegateSwizzler::resetProxyOriginalSceneDelegateOnceTokenForTesting();
    SceneDelegateSwizzler::clearInterceptors();
    DelegateProxyKit::setSubclassSuffixSourceForTesting(nullptr);
  }

  static std::shared_ptr<WindowScene> connectedScene(std::string identifier, std::shared_ptr<Object> delegate) {
    auto scene = std::make_shared<WindowScene>(std::move(identifier));
    scene->setDelegate(std::move(delegate));
    scene->connect();
    return scene;
  }

  MainBundleTestSupport support_;
};

TEST_F(SceneDelegateSwizzlerTest, EachConnectingDelegateGetsItsOwnClassAndUrlsReachInterceptorsFirst) {
  SceneDelegateSwizzler::proxyOriginalSceneDelegate();
  auto interceptor = std::make_shared<TestSceneDelegate>("interceptor");
  ASSERT_TRUE(SceneDelegateSwizzler::registerSceneDelegateInterceptor(interceptor));
  EXPECT_FALSE(SceneDelegateSwizzler::registerSceneDelegateInterceptor(std::make_shared<Object>()));
  EXPECT_TRUE(support_.logged("[I-SWZ001101] SceneDelegateProxy interceptor does not conform to UISceneDelegate"));

  auto left = std::make_shared<TestSceneDelegate>("left"), right = std::make_shared<TestSceneDelegate>("right");
  auto leftScene = connectedScene("L", left), rightScene = connectedScene("R", right);
  EXPECT_NE(left->getClass(), right->getClass()) << "one generated class per delegate object";
  EXPECT_TRUE(left->getClass()->name().starts_with("VDU_SceneSwizzlerTestDelegate-"));
  EXPECT_TRUE(right->isKindOf(delegateClass()));
  EXPECT_TRUE(support_.logged("[I-SWZ001114] Successfully created Scene Delegate Proxy automatically."));
  // Proxied already: another scene with the same delegate object leaves its class as it is.
  Class* leftClass = left->getClass();
  auto again = connectedScene("L2", left);
  EXPECT_EQ(left->getClass(), leftClass);
  // An interceptor may come after the scenes connected.
  auto late = std::make_shared<TestSceneDelegate>("late");
  auto lateID = SceneDelegateSwizzler::registerSceneDelegateInterceptor(late);

  leftScene->openURLContexts({{"ostrel://one", {}}});
  SceneDelegateSwizzler::unregisterSceneDelegateInterceptorWithID(lateID.value_or(""));
  rightScene->openURLContexts({{"ostrel://two", {}}});
  again->openURLContexts({{"ostrel://three", {}}});
  // Interceptors are kept by ID and heard in no set order among themselves, but all before the delegate.
  ASSERT_GE(heard.size(), 2u);
  std::sort(heard.begin(), heard.begin() + 2);
  EXPECT_EQ(heard, (Heard{"interceptor L ostrel://one", "late L ostrel://one", "left L ostrel://one",
                          "interceptor R ostrel://two", "right R ostrel://two", "interceptor L2 ostrel://three",
                          "left L2 ostrel://three"}));
}

TEST_F(SceneDelegateSwizzlerTest, NothingIsWatchedWhenSwitchedOffOrOnASystemWithoutScenes) {
  support_.useInfo({{"VurevoreAppDelegateProxyEnabled", Value(false)}});
  EXPECT_FALSE(SceneDelegateSwizzler::isSceneDelegateProxyEnabled());
  SceneDelegateSwizzler::proxyOriginalSceneDelegate();
  auto off = std::make_shared<TestSceneDelegate>();
  connectedScene("A", off);
  EXPECT_EQ(off->getClass(), delegateClass());

  support_.useInfo({});
  SceneDelegateSwizzler::resetProxyOriginalSceneDelegateOnceTokenForTesting();
  auto facts = platform::foundation::SystemFacts::defaults();
  facts.systemVersion = "12.5";
  {
    platform::foundation::ScopedSystemFacts older(facts);
    SceneDelegateSwizzler::proxyOriginalSceneDelegate();
  }
  auto old = std::make_shared<TestSceneDelegate>();
  connectedScene("B", old);
  EXPECT_EQ(old->getClass(), delegateClass());
}

// A registered class of the chosen name, and one allocated but never registered, both stop the proxy.
TEST_F(SceneDelegateSwizzlerTest, NameCollisionsStopTheProxyAndTheDelegateKeepsWorking) {
  SceneDelegateSwizzler::proxyOriginalSceneDelegate();
  for (bool registered : {true, false}) {
    const std::string suffix = registered ? "TAKEN" : "PENDING";
    DelegateProxyKit::setSubclassSuffixSourceForTesting([suffix] { return suffix; });
    Class* taken = Class::allocateClassPair(delegateClass(), "VDU_SceneSwizzlerTestDelegate-" + suffix);
    if (taken && registered) Class::registerClassPair(taken);
    heard.clear();
    auto delegate = std::make_shared<TestSceneDelegate>(suffix);
    connectedScene("C", delegate)->openURLContexts({{"ostrel://z", {}}});
    EXPECT_EQ(delegate->getClass(), delegateClass());
    EXPECT_EQ(heard, Heard{suffix + " C ostrel://z"});
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
  DualDelegate() : TestSceneDelegate("dual", platform::runtime::classOf<DualDelegate>()) {}
};

TEST_F(SceneDelegateSwizzlerTest, ADelegateOfBothKindsReachesItsOwnMethodsThroughBothProxies) {
  Class* dualClass = platform::runtime::classOf<DualDelegate>();
  dualClass->addProtocol(const_cast<platform::runtime::Protocol*>(applicationDelegateProtocol()));
  dualClass->addMethod(kApplicationOpenURLOptions, [](Object&, Application&, const std::string& url, const Value&) {
    return heard.push_back("dual app " + url), true;
  });
  auto dual = std::make_shared<DualDelegate>();
  SceneDelegateSwizzler::proxyOriginalSceneDelegate();
  auto scene = connectedScene("S", dual);
  auto app = Application::sharedApplication();
  app->setDelegate(dual);
  AppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  AppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_TRUE(dual->getClass()->name().starts_with("VDU_VDU_SceneSwizzlerTestDual-"));

  scene->openURLContexts({{"ostrel://scene", {}}});
  EXPECT_TRUE(platform::runtime::send(*dual, kApplicationOpenURLOptions, *app, std::string("ostrel://app"), Value()));
  EXPECT_EQ(heard, (Heard{"dual S ostrel://scene", "dual app ostrel://app"}));
  app->setDelegate(nullptr);
}

}  // namespace

}  // namespace sdk::interception

