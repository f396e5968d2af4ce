#include "platform/ui/Scene.h"

#include <gtest/gtest.h>

#include "platform/runtime/Send.h"

namespace platform::ui {
namespace {

using runtime::Class;
using runtime::Object;

class RecordingSceneDelegate : public Object {
 public:
  static constexpr runtime::NativeClass<Object> kRuntimeClass{"SceneTestDelegate"};
  RecordingSceneDelegate() : Object(runtime::classOf<RecordingSceneDelegate>()) {}
  std::vector<std::string> heard;
};

Class* delegateClass() {
  static Class* const cls = [] {
    Class* c = runtime::classOf<RecordingSceneDelegate>();
    c->addProtocol(const_cast<runtime::Protocol*>(windowSceneDelegateProtocol()));
    c->addMethod<void(Scene&, const SceneConnectionOptions&), RecordingSceneDelegate>(
        kSceneWillConnect, [](RecordingSceneDelegate& self, Scene& scene, const SceneConnectionOptions& options) {
          self.heard.push_back("connect " + scene.identifier() + " " + std::to_string(options.urlContexts.size()));
        });
    c->addMethod<void(Scene&, const std::vector<OpenURLContext>&), RecordingSceneDelegate>(
        kSceneOpenURLContexts,
        [](RecordingSceneDelegate& self, Scene&, const std::vector<OpenURLContext>& contexts) {
          for (const auto& context : contexts) self.heard.push_back(context.url);
        });
    return c;
  }();
  return cls;
}

TEST(SceneTest, WillConnectIsPostedWithTheSceneBeforeTheDelegateHearsAndOnlyOnce) {
  delegateClass();
  auto scene = std::make_shared<WindowScene>("main");
  auto delegate = std::make_shared<RecordingSceneDelegate>();
  scene->setDelegate(delegate);

  std::vector<std::shared_ptr<Scene>> posted;
  auto observation = foundation::NotificationCenter::defaultCenter().addObserver(
      kSceneWillConnectNotification, [&](const foundation::Notification& n) {
        posted.push_back(Scene::fromNotification(n));
        delegate->heard.push_back("notified");
      });
  SceneConnectionOptions options;
  options.urlContexts.push_back({"ostrel://open", {}});
  scene->connect(options);
  scene->connect();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0], scene);
  EXPECT_TRUE(scene->isConnected());
  EXPECT_EQ(delegate->heard, (std::vector<std::string>{"notified", "connect main 1"}));

  foundation::Notification other{kSceneWillConnectNotification, {}, scene.get()};
  EXPECT_EQ(Scene::fromNotification(other), nullptr) << "a sender address alone is not taken for a scene";
}

TEST(SceneTest, ObserverMayReplaceTheDelegatesClassBeforeItHearsOfTheConnection) {
  Class* base = delegateClass();
  Class* watched = Class::allocateClassPair(base, "SceneTestWatchedDelegate");
  ASSERT_NE(watched, nullptr);
  watched->addMethod(kSceneWillConnect, [](Object& self, Scene& scene, const SceneConnectionOptions& options) {
    static_cast<RecordingSceneDelegate&>(self).heard.push_back("watched");
    runtime::sendSuper(self, Class::named("SceneTestWatchedDelegate"), kSceneWillConnect, scene, options);
  });
  Class::registerClassPair(watched);

  auto scene = std::make_shared<Scene>("side");
  auto delegate = std::make_shared<RecordingSceneDelegate>();
  scene->setDelegate(delegate);
  auto observation = foundation::NotificationCenter::defaultCenter().addObserver(
      kSceneWillConnectNotification, [&](const foundation::Notification& n) {
        if (auto s = Scene::fromNotification(n)) s->delegate()->setClass(watched);
      });
  scene->connect();
  EXPECT_EQ(delegate->heard, (std::vector<std::string>{"watched", "connect side 0"}));
}

TEST(SceneTest, UrlContextsReachTheDelegateWhichTheSceneKeepsAlive) {
  delegateClass();
  auto scene = std::make_shared<WindowScene>();
  std::weak_ptr<RecordingSceneDelegate> watch;
  {
    auto delegate = std::make_shared<RecordingSceneDelegate>();
    watch = delegate;
    scene->setDelegate(delegate);
  }
  OpenURLContext fromMail{"ostrel://b", {}};
  fromMail.options.sourceApplication = "com.example.mail";
  scene->openURLContexts({{"ostrel://a", {}}, fromMail});
  scene->openURLContexts({});
  ASSERT_FALSE(watch.expired());
  EXPECT_EQ(watch.lock()->heard, (std::vector<std::string>{"ostrel://a", "ostrel://b"}));

  scene->setDelegate(std::make_shared<Object>());  // a delegate that answers nothing is left alone
  EXPECT_TRUE(watch.expired());
  scene->openURLContexts({{"ostrel://c", {}}});
}

TEST(SceneTest, WindowScenesAreScenesAndTheirDelegateProtocolAdoptsTheSceneOne) {
  auto scene = std::make_shared<WindowScene>();
  EXPECT_TRUE(scene->isKindOf(Class::named("UIScene")));
  EXPECT_EQ(scene->getClass()->name(), "UIWindowScene");
  EXPECT_TRUE(delegateClass()->conformsTo(sceneDelegateProtocol()));
  EXPECT_TRUE(windowSceneDelegateProtocol()->method("scene:openURLContexts:").has_value());
}

}  // namespace
}  // namespace platform::ui
