#include "sdk/interception/AppDelegateSwizzler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "platform/runtime/Send.h"
#include "sdk/utilities/MainBundleTestSupport.h"

namespace sdk::interception {

using ostrel::testing::MainBundleTestSupport;

using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::Object;
using platform::runtime::send;
using namespace platform::ui;
using Journal = std::vector<std::string>;

namespace {

Journal journal;

// Delegates and interceptors alike journal every message under their name and answer as set per object.
// Each role is a run-time subclass of this one C++ type.
class Journalled : public Object {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"AppSwizzlerTestJournalled"};
  Journalled() : Object(platform::runtime::classOf<Journalled>()) {}
  bool note(const std::string& what) const { return journal.push_back(name + " " + what), answer; }
  std::string name = "delegate";
  bool answer = false;
  std::vector<BackgroundFetchResult> fetchAnswers;  // given at once, in turn
  FetchCompletionHandler pendingFetch;              // kept for the test to answer later
};

template <class Sig, class F>
void add(Class* cls, const platform::runtime::Selector<Sig>& selector, F body) {
  cls->addMethod<Sig, Journalled>(selector, body);
}

// A class answering every proxied message; without the optional ones it lacks application:openURL:options:
// and the fetch variant of remote notifications.
Class* journallingClass(const char* name, bool withOptionalOnes) {
  using S = const std::string&;
  Class* cls = Class::allocateClassPair(platform::runtime::classOf<Journalled>(), name);
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(applicationDelegateProtocol()));
  auto open = [](Journalled& self, auto&, S url, auto&...) { return self.note("open " + url); };
  if (withOptionalOnes) {
    add(cls, kApplicationOpenURLOptions, open);
    add(cls, kApplicationDidReceiveRemoteNotificationFetch, [](Journalled& self, auto&, auto&, auto& done) {
      self.pendingFetch = done;
      for (auto result : self.fetchAnswers) done(result);
    });
  }
  add(cls, kApplicationOpenURLSourceApplication, open);
  add(cls, kApplicationContinueUserActivity, [](Journalled& self, auto&, const UserActivity& activity, auto& restore) {
    restore({});
    return self.note("continue " + activity.activityType);
  });
  add(cls, kApplicationHandleEventsForBackgroundURLSession,
      [](Journalled& self, auto&, S id, auto& done) { self.note("session " + id), done(); });
  add(cls, kApplicationDidRegisterForRemoteNotifications,
      [](Journalled& self, auto&, auto& token) { self.note("token " + std::to_string(token.size())); });
  add(cls, kApplicationDidFailToRegisterForRemoteNotifications,
      [](Journalled& self, auto&, auto& e) { self.note("failed " + std::to_string(e.code)); });
  add(cls, kApplicationDidReceiveRemoteNotification,
      [](Journalled& self, auto&, const Value& payload) { self.note("notification " + payload["id"].toString()); });
  Class::registerClassPair(cls);
  return cls;
}

// Made on first use: the runtime's own registry is only ready once static initialisation is over.
struct TestClasses {
  Class* delegate = journallingClass("AppSwizzlerTestDelegate", true);
  Class* plain = journallingClass("AppSwizzlerTestPlainDelegate", false);
  Class* interceptor = journallingClass("AppSwizzlerTestInterceptor", true);
};
const TestClasses& classes() {
  static const TestClasses made;
  return made;
}

std::shared_ptr<Journalled> make(Class* cls, std::string name = "delegate", bool answer = false) {
  auto object = std::static_pointer_cast<Journalled>(cls->createInstance());
  object->name = std::move(name), object->answer = answer;
  return object;
}

std::shared_ptr<Journalled> registered(std::string name, bool answer = false) {
  auto interceptor = make(classes().interceptor, std::move(name), answer);
  AppDelegateSwizzler::registerAppDelegateInterceptor(interceptor);
  return interceptor;
}

class AppDelegateSwizzlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    support_.useInfo({});
    ASSERT_NE(app_, nullptr);
    AppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
    AppDelegateSwizzler::clearInterceptors();
    journal.clear();
  }
  void TearDown() override {
    app_->setDelegate(nullptr);
    AppDelegateSwizzler::clearInterceptors();
    platform::dispatch::MainLoop::runUntilIdle();
  }

  std::shared_ptr<Journalled> installed(Class* cls = classes().delegate, bool withRemoteNotifications = false) {
    auto delegate = make(cls);
    app_->setDelegate(delegate);
    withRemoteNotifications ? AppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods()
                            : AppDelegateSwizzler::proxyOriginalDelegate();
    return delegate;
  }
  bool openURL(Object& delegate, const std::string& url) {
    return send(delegate, kApplicationOpenURLOptions, *app_, url, Value());
  }

  MainBundleTestSupport support_;
  std::shared_ptr<Application> app_ = Application::sharedApplication();
};

TEST_F(AppDelegateSwizzlerTest, UrlActivityAndSessionMessagesReachInterceptorsFirstWithTheirAnswersOred) {
  auto delegate = installed();
  auto declines = registered("declines", false);
  auto accepts = registered("accepts", true);
  EXPECT_EQ(app_->delegate(), delegate) << "the application keeps the same delegate object";
  EXPECT_TRUE(delegate->getClass()->name().starts_with("VDU_AppSwizzlerTestDelegate-"));
  EXPECT_TRUE(delegate->description().starts_with("<AppSwizzlerTestDelegate: 0x")) << delegate->description();

  EXPECT_TRUE(openURL(*delegate, "ostrel://a")) << "one interceptor said yes";
  EXPECT_EQ(journal, (Journal{"declines open ostrel://a", "accepts open ostrel://a", "delegate open ostrel://a"}));
  accepts->answer = false;
  EXPECT_FALSE(openURL(*delegate, "ostrel://b"));
  delegate->answer = true;  // the delegate's own answer counts as well

  journal.clear();
  int handled = 0;
  EXPECT_TRUE(send(*delegate, kApplicationContinueUserActivity, *app_, UserActivity{"browse", "", {}},
                   RestorationHandler([&](const auto&) { ++handled; })));
  send(*delegate, kApplicationHandleEventsForBackgroundURLSession, *app_, std::string("transfers"),
       std::function<void()>([&] { ++handled; }));
  EXPECT_EQ(handled, 6) << "everyone got the same handlers";
  EXPECT_EQ(journal[2], "delegate continue browse");
  EXPECT_EQ(journal[5], "delegate session transfers");
}

TEST_F(AppDelegateSwizzlerTest, InterceptorTableRegistersOnceRefusesBadInputAndDropsReleasedOnes) {
  auto delegate = installed();
  auto kept = make(classes().interceptor, "kept");
  auto first = AppDelegateSwizzler::registerAppDelegateInterceptor(kept);
  ASSERT_TRUE(first);
  EXPECT_EQ(AppDelegateSwizzler::registerAppDelegateInterceptor(kept), first);
  EXPECT_FALSE(AppDelegateSwizzler::registerAppDelegateInterceptor(nullptr));
  EXPECT_FALSE(AppDelegateSwizzler::registerAppDelegateInterceptor(std::make_shared<Object>()));
  AppDelegateSwizzler::unregisterAppDelegateInterceptorWithID("VDU_0x1");
  EXPECT_TRUE(support_.logged("[I-SWZ001001] AppDelegateProxy interceptor does not conform to UIApplicationDelegate"));
  EXPECT_TRUE(support_.logged("[I-SWZ001004] AppDelegateProxy cannot unregister interceptor that was not registered."));

  std::string goneID = *AppDelegateSwizzler::registerAppDelegateInterceptor(make(classes().interceptor, "gone"));
  send(*delegate, kApplicationDidRegisterForRemoteNotifications, *app_, platform::foundation::Data{1, 2});
  openURL(*delegate, "ostrel://d");
  EXPECT_EQ(journal, (Journal{"delegate token 2", "kept open ostrel://d", "delegate open ostrel://d"}))
      << "remote-notification overrides were not asked for, so the token went straight to the delegate";
  EXPECT_TRUE(support_.logged("[I-SWZ001010] AppDelegateProxy cannot find interceptor with ID " + goneID));
  EXPECT_EQ(AppDelegateSwizzler::interceptors().count(), 1u);

  AppDelegateSwizzler::unregisterAppDelegateInterceptorWithID(*first);
  journal.clear();
  openURL(*delegate, "ostrel://e");
  EXPECT_EQ(journal, Journal{"delegate open ostrel://e"});
}

TEST_F(AppDelegateSwizzlerTest, SwitchedOffAnAppExtensionOrNoDelegateLeavesEverythingAlone) {
  for (const char* key : {"VadezeUtilitiesAppDelegateProxyEnabled", "VurevoreAppDelegateProxyEnabled"}) {
    support_.useInfo(Dictionary{{key, Value(false)}});
    AppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
    EXPECT_EQ(installed()->getClass(), classes().delegate) << key;
    EXPECT_TRUE(support_.logged("[I-SWZ001011] App Delegate Proxy is disabled."));
  }
  support_.useInfo(Dictionary{}, "Share.appex");
  AppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  EXPECT_EQ(AppDelegateSwizzler::sharedApplication(), nullptr);
  EXPECT_EQ(installed(classes().delegate, true)->getClass(), classes().delegate);

  // Only a number counts: the text "NO" is not a switch.
  support_.useInfo(Dictionary{{"VadezeUtilitiesAppDelegateProxyEnabled", Value("NO")}});
  app_->setDelegate(std::make_shared<Object>());  // kept alive by nothing: reads as no delegate
  AppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_TRUE(support_.logged("[I-SWZ001014] App Delegate does not conform to UIApplicationDelegate protocol."));
  AppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  EXPECT_NE(installed()->getClass(), classes().delegate);
}

TEST_F(AppDelegateSwizzlerTest, ReassigningTheDelegateLetsTheOriginalGoAndAProxiedOneIsNeverProxiedTwice) {
  auto first = installed();
  Class* firstProxy = first->getClass();
  EXPECT_EQ(AppDelegateSwizzler::originalDelegate(), first);
  auto second = make(classes().delegate);
  app_->setDelegate(second);
  EXPECT_EQ(AppDelegateSwizzler::originalDelegate(), nullptr);
  EXPECT_FALSE(AppDelegateObserver::sharedInstance().isObserving());
  EXPECT_EQ(first->getClass(), firstProxy) << "nothing is restored";
  AppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_EQ(second->getClass(), classes().delegate) << "once until the tokens are reset";

  // The first delegate comes back and the proxy is asked for again: its class stays, and a message still
  // reaches the delegate's own method exactly once.
  app_->setDelegate(first);
  AppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  AppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  EXPECT_EQ(first->getClass(), firstProxy);
  auto interceptor = registered("i");
  openURL(*first, "ostrel://f");
  EXPECT_EQ(journal, (Journal{"i open ostrel://f", "delegate open ostrel://f"}));
}

TEST_F(AppDelegateSwizzlerTest, RemoteNotificationsReachInterceptorsThenTheDelegateAndMissingMethodsStayMissing) {
  auto delegate = installed(classes().plain, true);
  EXPECT_FALSE(delegate->respondsTo(kApplicationOpenURLOptions.name)) << "only added when the delegate had it";
  EXPECT_FALSE(delegate->respondsTo(kApplicationDidReceiveRemoteNotificationFetch.name));
  auto push = registered("push", true);
  send(*delegate, kApplicationDidRegisterForRemoteNotifications, *app_, platform::foundation::Data{1, 2, 3});
  send(*delegate, kApplicationDidFailToRegisterForRemoteNotifications, *app_,
       platform::foundation::Error::make("test", 7));
  send(*delegate, kApplicationDidReceiveRemoteNotification, *app_, Value(Dictionary{{"id", Value("n2")}}));
  EXPECT_TRUE(send(*delegate, kApplicationOpenURLSourceApplication, *app_, std::string("c"), std::string(), Value()));
  EXPECT_EQ(journal, (Journal{"push token 3", "delegate token 3", "push failed 7", "delegate failed 7",
                              "push notification n2", "delegate notification n2", "push open c", "delegate open c"}));
}

TEST_F(AppDelegateSwizzlerTest, FetchHandlerHearsTheCombinedFirstAnswersOnceAfterEveryoneAnswered) {
  auto delegate = installed(classes().delegate, true);
  auto noData = registered("noData"), failed = registered("failed");  // the table holds them weakly
  noData->fetchAnswers = {BackgroundFetchResult::NoData, BackgroundFetchResult::NewData};
  failed->fetchAnswers = {BackgroundFetchResult::Failed};
  std::vector<BackgroundFetchResult> heard;
  auto deliver = [&](std::vector<BackgroundFetchResult> delegateAnswers) {
    heard.clear();
    send(*delegate, kApplicationDidReceiveRemoteNotificationFetch, *app_, Value(Dictionary{{"id", Value("f")}}),
         FetchCompletionHandler([&](BackgroundFetchResult r) { heard.push_back(r); }));
    platform::dispatch::MainLoop::runUntilIdle();
    EXPECT_TRUE(heard.empty()) << "the delegate has not answered yet";
    for (auto answer : delegateAnswers) delegate->pendingFetch(answer);
    platform::dispatch::MainLoop::runUntilIdle();
  };
  // The delegate's second answer comes too late and is ignored, as the interceptor's second was.
  deliver({BackgroundFetchResult::Failed, BackgroundFetchResult::NewData});
  EXPECT_EQ(heard, std::vector<BackgroundFetchResult>{BackgroundFetchResult::NoData});
  deliver({BackgroundFetchResult::NewData});
  EXPECT_EQ(heard, std::vector<BackgroundFetchResult>{BackgroundFetchResult::NewData});
}

TEST_F(AppDelegateSwizzlerTest, ProxyingAndRegisteringWhileAnotherThreadDeliversIsSafe) {
  auto delegate = make(classes().delegate);
  app_->setDelegate(delegate);
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    while (!stop.load()) {
      send(*delegate, kApplicationOpenURLSourceApplication, *app_, std::string("u"), std::string("s"), Value());
    }
  });
  std::thread registrar([] {
    for (int i = 0; i < 100; ++i) {
      AppDelegateSwizzler::unregisterAppDelegateInterceptorWithID(
          AppDelegateSwizzler::registerAppDelegateInterceptor(make(classes().interceptor, "r")).value_or(""));
    }
  });
  AppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  registrar.join();
  stop = true;
  sender.join();
  EXPECT_NE(delegate->getClass(), classes().delegate);
  for (const auto& line : journal) EXPECT_TRUE(line == "delegate open u" || line == "r open u") << line;
  EXPECT_FALSE(support_.logged("I-SWZ001004")) << "every registration was seen by its unregistration";
}

}  // namespace

}  // namespace sdk::interception

