#include "sdk/utilities/VDUAppDelegateSwizzler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "sdk/utilities/VDUProxyTestSupport.h"

using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::Object;
using platform::runtime::send;
using namespace platform::ui;

namespace {

std::vector<std::string> journal;

// Delegates and interceptors alike journal every message under their name, with answers set per object.
class Journalled : public Object {
 public:
  using Object::Object;
  std::string name = "delegate";
  bool answer = false;
  std::vector<BackgroundFetchResult> fetchAnswers;  // given at once, in turn
  FetchCompletionHandler pendingFetch;              // kept for the test to answer later
};

class TestAppDelegate : public Journalled {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"AppSwizzlerTestDelegate"};
  TestAppDelegate() : Journalled(platform::runtime::classOf<TestAppDelegate>()) {}
};

// Lacks application:openURL:options: and the fetch variant of remote notifications.
class PlainAppDelegate : public Journalled {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"AppSwizzlerTestPlainDelegate"};
  PlainAppDelegate() : Journalled(platform::runtime::classOf<PlainAppDelegate>()) {}
};

class TestInterceptor : public Journalled {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"AppSwizzlerTestInterceptor"};
  TestInterceptor() : Journalled(platform::runtime::classOf<TestInterceptor>()) {}
};

template <class Sig, class F>
void add(Class* cls, const platform::runtime::Selector<Sig>& selector, F body) {
  cls->addMethod<Sig, Journalled>(selector, body);
}

void addJournallingMethods(Class* cls, bool withOptionalOnes) {
  using platform::foundation::Data;
  using platform::foundation::Error;
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(applicationDelegateProtocol()));
  if (withOptionalOnes) {
    add(cls, kApplicationOpenURLOptions, [](Journalled& self, Application&, const std::string& url, const Value&) {
      journal.push_back(self.name + " open " + url);
      return self.answer;
    });
    add(cls, kApplicationDidReceiveRemoteNotificationFetch,
        [](Journalled& self, Application&, const Value&, const FetchCompletionHandler& done) {
          self.pendingFetch = done;
          for (auto result : self.fetchAnswers) done(result);
        });
  }
  add(cls, kApplicationOpenURLSourceApplication,
      [](Journalled& self, Application&, const std::string& url, const std::string& source, const Value&) {
        journal.push_back(self.name + " open " + url + " from " + source);
        return self.answer;
      });
  add(cls, kApplicationContinueUserActivity,
      [](Journalled& self, Application&, const UserActivity& activity, const RestorationHandler& restore) {
        journal.push_back(self.name + " continue " + activity.activityType);
        restore({});
        return self.answer;
      });
  add(cls, kApplicationHandleEventsForBackgroundURLSession,
      [](Journalled& self, Application&, const std::string& identifier, const std::function<void()>& done) {
        journal.push_back(self.name + " session " + identifier);
        done();
      });
  add(cls, kApplicationDidRegisterForRemoteNotifications, [](Journalled& self, Application&, const Data& token) {
    journal.push_back(self.name + " token " + std::to_string(token.size()));
  });
  add(cls, kApplicationDidFailToRegisterForRemoteNotifications, [](Journalled& self, Application&, const Error& e) {
    journal.push_back(self.name + " failed " + std::to_string(e.code));
  });
  add(cls, kApplicationDidReceiveRemoteNotification, [](Journalled& self, Application&, const Value& payload) {
    journal.push_back(self.name + " notification " + payload["id"].toString());
  });
}

void registerTestClasses() {
  static bool done = [] {
    addJournallingMethods(platform::runtime::classOf<TestAppDelegate>(), true);
    addJournallingMethods(platform::runtime::classOf<PlainAppDelegate>(), false);
    addJournallingMethods(platform::runtime::classOf<TestInterceptor>(), true);
    return true;
  }();
  (void)done;
}

std::shared_ptr<TestInterceptor> makeInterceptor(std::string name, bool answer = false) {
  auto interceptor = std::make_shared<TestInterceptor>();
  interceptor->name = std::move(name);
  interceptor->answer = answer;
  return interceptor;
}

class VDUAppDelegateSwizzlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerTestClasses();
    support_.useInfo({});
    app_ = Application::sharedApplication();
    ASSERT_NE(app_, nullptr);
    VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
    VDUAppDelegateSwizzler::clearInterceptors();
    journal.clear();
  }
  void TearDown() override {
    app_->setDelegate(nullptr);
    VDUAppDelegateSwizzler::clearInterceptors();
    platform::dispatch::MainLoop::runUntilIdle();
  }

  std::shared_ptr<TestAppDelegate> installedDelegate() {
    auto delegate = std::make_shared<TestAppDelegate>();
    app_->setDelegate(delegate);
    VDUAppDelegateSwizzler::proxyOriginalDelegate();
    return delegate;
  }
  void useInfo(Dictionary info, const std::string& folder = "App.app") { support_.useInfo(std::move(info), folder); }
  bool loggedFragment(const std::string& fragment) { return support_.logged(fragment); }

  VDUProxyTestSupport support_;
  std::shared_ptr<Application> app_;
};

TEST_F(VDUAppDelegateSwizzlerTest, UrlAndActivityMessagesReachInterceptorsFirstThenTheDelegateWithTheirAnswersOred) {
  auto delegate = installedDelegate();
  auto declines = makeInterceptor("declines", false);
  auto accepts = makeInterceptor("accepts", true);
  ASSERT_TRUE(VDUAppDelegateSwizzler::registerAppDelegateInterceptor(declines));
  ASSERT_TRUE(VDUAppDelegateSwizzler::registerAppDelegateInterceptor(accepts));

  EXPECT_EQ(app_->delegate(), delegate) << "the application keeps the same delegate object";
  EXPECT_TRUE(delegate->getClass()->name().starts_with("VDU_AppSwizzlerTestDelegate-"));
  EXPECT_TRUE(delegate->description().starts_with("<AppSwizzlerTestDelegate: 0x")) << delegate->description();
  EXPECT_EQ(VDUAppDelegateSwizzler::originalDelegate(), delegate);

  EXPECT_TRUE(send(*delegate, kApplicationOpenURLOptions, *app_, std::string("ostrel://a"), Value()))
      << "one interceptor said yes";
  ASSERT_EQ(journal.size(), 3u);
  EXPECT_EQ(journal.back(), "delegate open ostrel://a");
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "accepts open ostrel://a"), 1);

  accepts->answer = false;
  EXPECT_FALSE(send(*delegate, kApplicationOpenURLOptions, *app_, std::string("ostrel://b"), Value()));
  delegate->answer = true;  // the delegate's own answer counts as well

  journal.clear();
  int restored = 0;
  EXPECT_TRUE(send(*delegate, kApplicationContinueUserActivity, *app_, UserActivity{"browse", "", {}},
                   RestorationHandler([&](const auto&) { ++restored; })));
  EXPECT_EQ(restored, 3) << "everyone got the same restoration handler";
  EXPECT_EQ(journal.back(), "delegate continue browse");

  journal.clear();
  int completed = 0;
  send(*delegate, kApplicationHandleEventsForBackgroundURLSession, *app_, std::string("transfers"),
       std::function<void()>([&] { ++completed; }));
  EXPECT_EQ(completed, 3);
  EXPECT_EQ(journal.back(), "delegate session transfers");
  EXPECT_TRUE(
      loggedFragment("[I-SWZ001008] Successfully created App Delegate Proxy automatically. To disable the "
                     "proxy, set the flag " +
                     VDUAppDelegateSwizzler::correctAppDelegateProxyKey() + " to NO (Boolean) in the Info.plist"));
}

TEST_F(VDUAppDelegateSwizzlerTest, InterceptorTableRegistersOnceRefusesBadInputAndDropsReleasedOnes) {
  auto delegate = installedDelegate();
  auto kept = makeInterceptor("kept");
  auto first = VDUAppDelegateSwizzler::registerAppDelegateInterceptor(kept);
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->starts_with("VDU_0x"));
  EXPECT_EQ(VDUAppDelegateSwizzler::registerAppDelegateInterceptor(kept), first);
  EXPECT_EQ(VDUAppDelegateSwizzler::interceptors().count(), 1u);

  EXPECT_FALSE(VDUAppDelegateSwizzler::registerAppDelegateInterceptor(nullptr));
  EXPECT_FALSE(VDUAppDelegateSwizzler::registerAppDelegateInterceptor(std::make_shared<Object>()));
  VDUAppDelegateSwizzler::unregisterAppDelegateInterceptorWithID("");
  VDUAppDelegateSwizzler::unregisterAppDelegateInterceptorWithID("VDU_0x1");
  EXPECT_TRUE(loggedFragment("[I-SWZ001001] AppDelegateProxy interceptor does not conform to UIApplicationDelegate"));
  EXPECT_TRUE(loggedFragment(
      "[I-SWZ001004] AppDelegateProxy cannot unregister interceptor that was not registered. Interceptor ID VDU_0x1"));

  std::string goneID = *VDUAppDelegateSwizzler::registerAppDelegateInterceptor(makeInterceptor("gone"));
  send(*delegate, kApplicationDidRegisterForRemoteNotifications, *app_, platform::foundation::Data{1, 2});
  send(*delegate, kApplicationOpenURLOptions, *app_, std::string("ostrel://d"), Value());
  EXPECT_EQ(journal, (std::vector<std::string>{"delegate token 2", "kept open ostrel://d", "delegate open ostrel://d"}))
      << "remote-notification overrides were not asked for, so the token went straight to the delegate";
  EXPECT_TRUE(loggedFragment("[I-SWZ001010] AppDelegateProxy cannot find interceptor with ID " + goneID +
                             ". Removing the interceptor."));
  EXPECT_EQ(VDUAppDelegateSwizzler::interceptors().count(), 1u);

  VDUAppDelegateSwizzler::unregisterAppDelegateInterceptorWithID(*first);
  journal.clear();
  send(*delegate, kApplicationOpenURLOptions, *app_, std::string("ostrel://e"), Value());
  EXPECT_EQ(journal, std::vector<std::string>{"delegate open ostrel://e"});
}

TEST_F(VDUAppDelegateSwizzlerTest, EitherInfoPlistSwitchSetToNoLeavesTheDelegateAlone) {
  for (const char* key : {"VadezeUtilitiesAppDelegateProxyEnabled", "VurevoreAppDelegateProxyEnabled"}) {
    SCOPED_TRACE(key);
    useInfo(Dictionary{{key, Value(false)}});
    VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
    EXPECT_FALSE(VDUAppDelegateSwizzler::isAppDelegateProxyEnabled());
    auto delegate = installedDelegate();
    EXPECT_EQ(delegate->getClass(), platform::runtime::classOf<TestAppDelegate>());
    EXPECT_TRUE(loggedFragment("[I-SWZ001011] App Delegate Proxy is disabled."));
  }
  // Only a number counts: the text "NO" is not a switch.
  useInfo(Dictionary{{"VadezeUtilitiesAppDelegateProxyEnabled", Value("NO")},
                     {"VurevoreAppDelegateProxyEnabled", Value(1)}});
  VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  EXPECT_TRUE(VDUAppDelegateSwizzler::isAppDelegateProxyEnabled());
  auto delegate = installedDelegate();
  EXPECT_NE(delegate->getClass(), platform::runtime::classOf<TestAppDelegate>());
}

TEST_F(VDUAppDelegateSwizzlerTest, ReassigningTheDelegateLetsTheOriginalGoAndAProxiedOneIsNeverProxiedTwice) {
  auto first = installedDelegate();
  Class* firstProxy = first->getClass();
  EXPECT_TRUE(VDUAppDelegateObserver::sharedInstance().isObserving());

  auto second = std::make_shared<TestAppDelegate>();
  app_->setDelegate(second);
  EXPECT_EQ(VDUAppDelegateSwizzler::originalDelegate(), nullptr);
  EXPECT_FALSE(VDUAppDelegateObserver::sharedInstance().isObserving());
  EXPECT_EQ(first->getClass(), firstProxy) << "nothing is restored";
  VDUAppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_EQ(second->getClass(), platform::runtime::classOf<TestAppDelegate>()) << "once until the tokens are reset";

  VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  VDUAppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_NE(second->getClass(), firstProxy);
  EXPECT_EQ(VDUAppDelegateSwizzler::originalDelegate(), second);

  // The first delegate comes back and the proxy is asked for again: its class stays, and a message still
  // reaches the delegate's own method exactly once.
  app_->setDelegate(first);
  VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  EXPECT_EQ(first->getClass(), firstProxy);
  auto interceptor = makeInterceptor("i");
  VDUAppDelegateSwizzler::registerAppDelegateInterceptor(interceptor);
  journal.clear();
  send(*first, kApplicationOpenURLOptions, *app_, std::string("ostrel://f"), Value());
  send(*first, kApplicationDidReceiveRemoteNotification, *app_, Value(Dictionary{{"id", Value("n1")}}));
  EXPECT_EQ(journal, (std::vector<std::string>{"i open ostrel://f", "delegate open ostrel://f", "i notification n1",
                                               "delegate notification n1"}));
}

TEST_F(VDUAppDelegateSwizzlerTest, RemoteNotificationsReachInterceptorsThenTheDelegateAndMissingMethodsStayMissing) {
  auto delegate = std::make_shared<PlainAppDelegate>();
  app_->setDelegate(delegate);
  VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  EXPECT_EQ(app_->delegate(), delegate);
  EXPECT_FALSE(delegate->respondsTo(kApplicationOpenURLOptions.name)) << "only added when the delegate had it";
  EXPECT_FALSE(delegate->respondsTo(kApplicationDidReceiveRemoteNotificationFetch.name));

  auto push = makeInterceptor("push", true);
  VDUAppDelegateSwizzler::registerAppDelegateInterceptor(push);
  send(*delegate, kApplicationDidRegisterForRemoteNotifications, *app_, platform::foundation::Data{1, 2, 3});
  send(*delegate, kApplicationDidFailToRegisterForRemoteNotifications, *app_,
       platform::foundation::Error::make("test", 7));
  send(*delegate, kApplicationDidReceiveRemoteNotification, *app_, Value(Dictionary{{"id", Value("n2")}}));
  EXPECT_TRUE(send(*delegate, kApplicationOpenURLSourceApplication, *app_, std::string("c"), std::string(), Value()));
  EXPECT_EQ(journal, (std::vector<std::string>{"push token 3", "delegate token 3", "push failed 7", "delegate failed 7",
                                               "push notification n2", "delegate notification n2", "push open c from ",
                                               "delegate open c from "}));
}

TEST_F(VDUAppDelegateSwizzlerTest, ProxyingAndRegisteringWhileAnotherThreadDeliversIsSafe) {
  auto delegate = std::make_shared<TestAppDelegate>();
  app_->setDelegate(delegate);
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    while (!stop.load()) {
      send(*delegate, kApplicationOpenURLSourceApplication, *app_, std::string("u"), std::string("s"), Value());
    }
  });
  std::thread registrar([] {
    for (int i = 0; i < 100; ++i) {
      auto interceptor = makeInterceptor("r");
      VDUAppDelegateSwizzler::unregisterAppDelegateInterceptorWithID(
          VDUAppDelegateSwizzler::registerAppDelegateInterceptor(interceptor).value_or(""));
    }
  });
  VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  registrar.join();
  stop = true;
  sender.join();
  EXPECT_NE(delegate->getClass(), platform::runtime::classOf<TestAppDelegate>());
  for (const auto& line : journal) EXPECT_TRUE(line == "delegate open u from s" || line == "r open u from s") << line;
  EXPECT_FALSE(loggedFragment("I-SWZ001004")) << "every registration was seen by its unregistration";
}

TEST_F(VDUAppDelegateSwizzlerTest, FetchHandlerHearsTheCombinedFirstAnswersOnceAfterEveryoneAnswered) {
  auto delegate = std::make_shared<TestAppDelegate>();
  app_->setDelegate(delegate);
  VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  auto noData = makeInterceptor("noData");
  noData->fetchAnswers = {BackgroundFetchResult::NoData, BackgroundFetchResult::NewData};  // the second is ignored
  auto failed = makeInterceptor("failed");
  failed->fetchAnswers = {BackgroundFetchResult::Failed};
  VDUAppDelegateSwizzler::registerAppDelegateInterceptor(noData);
  VDUAppDelegateSwizzler::registerAppDelegateInterceptor(failed);

  std::vector<BackgroundFetchResult> heard;
  auto deliver = [&] {
    send(*delegate, kApplicationDidReceiveRemoteNotificationFetch, *app_, Value(Dictionary{{"id", Value("f")}}),
         FetchCompletionHandler([&](BackgroundFetchResult r) { heard.push_back(r); }));
    platform::dispatch::MainLoop::runUntilIdle();
  };
  deliver();
  EXPECT_TRUE(heard.empty()) << "the delegate has not answered yet";
  ASSERT_TRUE(delegate->pendingFetch);
  delegate->pendingFetch(BackgroundFetchResult::Failed);
  delegate->pendingFetch(BackgroundFetchResult::NewData);  // too late: ignored
  platform::dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(heard, std::vector<BackgroundFetchResult>{BackgroundFetchResult::NoData});

  heard.clear();
  deliver();
  delegate->pendingFetch(BackgroundFetchResult::NewData);
  platform::dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(heard, std::vector<BackgroundFetchResult>{BackgroundFetchResult::NewData});
}

TEST_F(VDUAppDelegateSwizzlerTest, NoDelegateOrAnAppExtensionIsNeverProxied) {
  app_->setDelegate(std::make_shared<Object>());  // kept alive by nothing: reads as no delegate
  VDUAppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_TRUE(loggedFragment("[I-SWZ001014] App Delegate does not conform to UIApplicationDelegate protocol."));

  VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  useInfo(Dictionary{}, "Share.appex");
  auto delegate = std::make_shared<TestAppDelegate>();
  app_->setDelegate(delegate);
  EXPECT_EQ(VDUAppDelegateSwizzler::sharedApplication(), nullptr);
  VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  EXPECT_EQ(delegate->getClass(), platform::runtime::classOf<TestAppDelegate>());
}

// Last: once a class named "VURCore" exists it exists for the whole process.
TEST_F(VDUAppDelegateSwizzlerTest, WithTheCoreLoadedMessagesNameItsSwitchAndAdvice) {
  EXPECT_EQ(VDUAppDelegateSwizzler::correctAppDelegateProxyKey(), "VadezeUtilitiesAppDelegateProxyEnabled");
  EXPECT_EQ(VDUAppDelegateSwizzler::correctAlternativeWhenAppDelegateProxyNotCreated(), "");
  if (Class* core = Class::allocateClassPair(nullptr, "VURCore")) Class::registerClassPair(core);
  EXPECT_EQ(VDUAppDelegateSwizzler::correctAppDelegateProxyKey(), "VurevoreAppDelegateProxyEnabled");
  useInfo(Dictionary{{"VurevoreAppDelegateProxyEnabled", Value(false)}});
  installedDelegate();
  EXPECT_TRUE(
      loggedFragment("[I-SWZ001011] App Delegate Proxy is disabled. To log deep link campaigns manually, call "
                     "the methods in ZEDIvadazudo+AppDelegate."));
}

}  // namespace
