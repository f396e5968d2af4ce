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
        kSceneOpenURLContexts, [](RecordingSceneDelegate& self, Scene&, const std::vector<OpenURLContext>& contexts) {
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
  EXPECT_TRUE(scene->isKindOf(Class::named("UIScene")));
  EXPECT_TRUE(delegateClass()->conformsTo(sceneDelegateProtocol())) << "through the window-scene protocol";
  EXPECT_EQ(delegate->heard, (std::vector<std::string>{"notified", "connect main 1"}));

  foundation::Notification other{kSceneWillConnectNotification, {}, scene.get()};
  EXPECT_EQ(Scene::fromNotification(other), nullptr) << "a sender address alone is not taken for a scene";
}

TEST(SceneTest, UrlContextsReachTheDelegateWhichTheSceneKeepsAlive) {
  delegateClass();
  auto scene = std::make_shared<WindowScene>("W");
  std::weak_ptr<RecordingSceneDelegate> watch;
  {
    auto delegate = std::make_shared<RecordingSceneDelegate>();
    watch = delegate;
    scene->setDelegate(delegate);
  }
  scene->openURLContexts({{"ostrel://a", {}}, {"ostrel://b", {}}});
  scene->openURLContexts({});
  ASSERT_FALSE(watch.expired());
  EXPECT_EQ(watch.lock()->heard, (std::vector<std::string>{"ostrel://a", "ostrel://b"}));
  scene->setDelegate(std::make_shared<Object>());  // one that answers nothing is simply not told
  EXPECT_TRUE(watch.expired());
  scene->openURLContexts({{"ostrel://c", {}}});
}

}  // namespace
}  // namespace platform::ui
