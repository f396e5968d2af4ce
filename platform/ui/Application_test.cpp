#include "platform/ui/Application.h"

#include <gtest/gtest.h>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/runtime/Send.h"

namespace platform::ui {
namespace {

using runtime::Class;
using runtime::Object;

// A delegate written the way the app writes its own: a C++ class whose methods are runtime methods,
// registered by a load hook, each call written to a shared journal.
std::vector<std::string>& journal() {
  static std::vector<std::string> lines;
  return lines;
}

class JournalDelegate : public Object {
 public:
  static constexpr runtime::NativeClass<Object> kRuntimeClass{"ApplicationTestDelegate"};
  JournalDelegate() : Object(runtime::classOf<JournalDelegate>()) {}
  Application* launchedBy = nullptr;
};

void registerJournalDelegate() {
  Class* cls = runtime::classOf<JournalDelegate>();
  cls->addProtocol(const_cast<runtime::Protocol*>(applicationDelegateProtocol()));
  cls->addMethod<bool(Application&, const foundation::Value&), JournalDelegate>(
      kDidFinishLaunchingWithOptions, [](JournalDelegate& self, Application& app, const foundation::Value&) {
        self.launchedBy = &app;
        journal().push_back("launch");
        return true;
      });
  for (auto selector : {kApplicationDidBecomeActive, kApplicationWillResignActive, kApplicationDidEnterBackground,
                        kApplicationWillEnterForeground}) {
    cls->addMethod(selector, [selector](Object&, Application& app) {
      journal().push_back(std::string(selector.name) + (app.applicationState() == Application::State::Background
                                                            ? " (background)"
                                                            : ""));
    });
  }
}

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = [] {
      runtime::addLoadHook(100, registerJournalDelegate);
      return true;
    }();
    (void)registered;
    journal().clear();
    Application::setAppExtension(false);
    for (const char* name : {kApplicationDidBecomeActiveNotification, kApplicationWillResignActiveNotification,
                             kApplicationDidEnterBackgroundNotification,
                             kApplicationWillEnterForegroundNotification, kApplicationWillTerminateNotification,
                             kSceneWillEnterForegroundNotification, kSceneDidActivateNotification,
                             kSceneWillDeactivateNotification, kSceneDidEnterBackgroundNotification}) {
      observations_.push_back(foundation::NotificationCenter::defaultCenter().addObserver(
          name, [](const foundation::Notification& n) { journal().push_back(n.name); }));
    }
  }
  void TearDown() override { Application::setAppExtension(std::nullopt); }

  static int launch(std::string_view delegateClass) {
    char name[] = "ostrel";
    char* argv[] = {name, nullptr};
    return applicationMain(1, argv, delegateClass, {.runMainLoop = false});
  }

  std::vector<foundation::NotificationCenter::Observation> observations_;
};

TEST_F(ApplicationTest, DelegateMadeByClassNameHearsLaunchThenEachLifeCycleStepBeforeTheNotification) {
  ASSERT_EQ(launch("ApplicationTestDelegate"), 0);
  auto app = Application::sharedApplication();
  ASSERT_NE(app, nullptr);
  auto delegate = std::dynamic_pointer_cast<JournalDelegate>(app->delegate());
  ASSERT_NE(delegate, nullptr) << "made from the class registered by the load hook";
  EXPECT_EQ(delegate->launchedBy, app.get());
  EXPECT_EQ(app->arguments(), std::vector<std::string>{"ostrel"});
  EXPECT_EQ(app->applicationState(), Application::State::Active);

  app->enterBackground();
  app->enterBackground();  // already there: nothing more
  EXPECT_EQ(app->applicationState(), Application::State::Background);
  app->becomeActive();
  EXPECT_EQ(journal(), (std::vector<std::string>{
                           "launch",
                           "applicationDidBecomeActive:",
                           kApplicationDidBecomeActiveNotification,
                           kSceneWillEnterForegroundNotification,
                           kSceneDidActivateNotification,
                           "applicationWillResignActive:",
                           kApplicationWillResignActiveNotification,
                           kSceneWillDeactivateNotification,
                           "applicationDidEnterBackground: (background)",
                           kApplicationDidEnterBackgroundNotification,
                           kSceneDidEnterBackgroundNotification,
                           "applicationWillEnterForeground: (background)",
                           kApplicationWillEnterForegroundNotification,
                           kSceneWillEnterForegroundNotification,
                           "applicationDidBecomeActive:",
                           kApplicationDidBecomeActiveNotification,
                           kSceneDidActivateNotification,
                       }));
  EXPECT_EQ(app->windowScene()->activationState(), SceneActivationState::ForegroundActive);
}

// The system's appearance switched from the control centre: the app is interrupted while the setting
// changes, and only an active app is.
TEST_F(ApplicationTest, AChangeFromOutsidePassesAnActiveAppThroughInactive) {
  ASSERT_EQ(launch("ApplicationTestDelegate"), 0);
  auto app = Application::sharedApplication();
  journal().clear();
  const auto change = [&] {
    journal().push_back(app->applicationState() == Application::State::Inactive ? "change while inactive" : "change");
  };
  app->passThroughInactive(change);
  EXPECT_EQ(journal(), (std::vector<std::string>{"applicationWillResignActive:",
                                                 kApplicationWillResignActiveNotification,
                                                 kSceneWillDeactivateNotification,
                                                 "change while inactive",
                                                 "applicationDidBecomeActive:",
                                                 kApplicationDidBecomeActiveNotification,
                                                 kSceneDidActivateNotification}));
  app->enterBackground();
  journal().clear();
  app->passThroughInactive(change);
  EXPECT_EQ(journal(), std::vector<std::string>{"change"});
  EXPECT_EQ(app->applicationState(), Application::State::Background);
}

TEST_F(ApplicationTest, TerminationLeavesTheForegroundFirstAndIsAnnouncedOnce) {
  ASSERT_EQ(launch("ApplicationTestDelegate"), 0);
  auto app = Application::sharedApplication();
  journal().clear();
  app->terminate();
  app->terminate();
  app->becomeActive();
  EXPECT_EQ(journal(), (std::vector<std::string>{
                           "applicationWillResignActive:",
                           kApplicationWillResignActiveNotification,
                           kSceneWillDeactivateNotification,
                           "applicationDidEnterBackground: (background)",
                           kApplicationDidEnterBackgroundNotification,
                           kSceneDidEnterBackgroundNotification,
                           kApplicationWillTerminateNotification,
                       }))
      << "the delegate has no applicationWillTerminate:, and nothing follows termination";
  EXPECT_EQ(app->applicationState(), Application::State::Background);
}

TEST_F(ApplicationTest, RunTimeDelegateClassesAndMissingOnesAtLaunch) {
  std::string name = "ApplicationTestRunTimeDelegate";
  Class* runTime = nullptr;
  while (!(runTime = Class::allocateClassPair(runtime::classOf<JournalDelegate>(), name))) name += "+";
  Class::registerClassPair(runTime);
  ASSERT_EQ(launch(name), 0);
  auto delegate = Application::sharedApplication()->delegate();
  EXPECT_EQ(delegate->getClass(), runTime);
  EXPECT_NE(std::dynamic_pointer_cast<JournalDelegate>(delegate), nullptr);

  EXPECT_THROW(launch("ApplicationTestNoSuchDelegate"), foundation::Exception);
  journal().clear();
  ASSERT_EQ(launch(""), 0);
  EXPECT_EQ(Application::sharedApplication()->delegate(), nullptr);
  EXPECT_EQ(journal(), (std::vector<std::string>{kApplicationDidBecomeActiveNotification,
                                                 kSceneWillEnterForegroundNotification, kSceneDidActivateNotification}));
}

TEST_F(ApplicationTest, DelegateChangesAreObservedWithOldAndNewAndTheDelegateIsNotOwned) {
  auto app = std::make_shared<Application>();
  std::vector<std::pair<std::shared_ptr<Object>, std::shared_ptr<Object>>> changes;
  auto watching = app->observeDelegate([&](const auto& old, const auto& now) { changes.emplace_back(old, now); });
  auto first = std::make_shared<JournalDelegate>();
  auto second = std::make_shared<JournalDelegate>();
  app->setDelegate(first);
  app->setDelegate(nullptr);
  app->setDelegate(first);
  app->setDelegate(second);
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[0], std::make_pair(std::shared_ptr<Object>(), std::shared_ptr<Object>(first)));
  EXPECT_EQ(changes[1], std::make_pair(std::shared_ptr<Object>(first), std::shared_ptr<Object>()));
  EXPECT_EQ(changes[3], std::make_pair(std::shared_ptr<Object>(first), std::shared_ptr<Object>(second)));
  watching.reset();
  changes.clear();
  second.reset();
  EXPECT_EQ(app->delegate(), nullptr);
  app->setDelegate(first);
  EXPECT_TRUE(changes.empty()) << "a removed observer hears nothing";
}

TEST_F(ApplicationTest, SharedApplicationIsAClassMethodOfUIApplicationAndAbsentInAnExtension) {
  ASSERT_EQ(launch(""), 0);
  Class* cls = Class::named("UIApplication");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->image(), runtime::Image::Platform);
  EXPECT_EQ(runtime::send(*cls, kSharedApplication), Application::sharedApplication());
  EXPECT_TRUE(runtime::classOf<JournalDelegate>()->conformsTo(runtime::Protocol::named("UIApplicationDelegate")));
  Application::setAppExtension(true);
  EXPECT_EQ(Application::sharedApplication(), nullptr);
}

TEST_F(ApplicationTest, MainLoopRunsAfterLaunchUntilStopped) {
  dispatch::MainLoop::setMainThread();
  dispatch::Queue::main()->async([] {
    journal().push_back("loop");
    dispatch::MainLoop::stop();
  });
  char name[] = "ostrel";
  char* argv[] = {name, nullptr};
  ASSERT_EQ(applicationMain(1, argv, "ApplicationTestDelegate"), 0);
  ASSERT_FALSE(journal().empty());
  EXPECT_EQ(journal().front(), "launch");
  EXPECT_EQ(journal().back(), "loop");
}

}  // namespace
}  // namespace platform::ui
