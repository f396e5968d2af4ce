#include "sdk/utilities/VDUAppDelegateSwizzler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "platform/runtime/Send.h"
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
// Each role is a run-time subclass of this one C++ type.
class Journalled : public Object {
 public:
  static constexpr platform::runtime::NativeClass<Object> kRuntimeClass{"AppSwizzlerTestJournalled"};
  Journalled() : Object(platform::runtime::classOf<Journalled>()) {}
  std::string name = "delegate";
  bool answer = false;
  std::vector<BackgroundFetchResult> fetchAnswers;  // given at once, in turn
  FetchCompletionHandler pendingFetch;              // kept for the test to answer later
};

template <class Sig, class F>
void add(Class* cls, const platform::runtime::Selector<Sig>& selector, F body) {
  cls->addMethod<Sig, Journalled>(selector, body);
}

// A class answering every proxied message; `withOptionalOnes` false leaves out application:openURL:options:
// and the fetch variant of remote notifications.
Class* journallingClass(const char* name, bool withOptionalOnes) {
  using platform::foundation::Data;
  using platform::foundation::Error;
  Class* cls = Class::allocateClassPair(platform::runtime::classOf<Journalled>(), name);
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(applicationDelegateProtocol()));
  auto open = [](Journalled& self, Application&, const std::string& url, const Value&) {
    journal.push_back(self.name + " open " + url);
    return self.answer;
  };
  if (withOptionalOnes) {
    add(cls, kApplicationOpenURLOptions, open);
    add(cls, kApplicationDidReceiveRemoteNotificationFetch,
        [](Journalled& self, Application&, const Value&, const FetchCompletionHandler& done) {
          self.pendingFetch = done;
          for (auto result : self.fetchAnswers) done(result);
        });
  }
  add(cls, kApplicationOpenURLSourceApplication,
      [open](Journalled& self, Application& app, const std::string& url, const std::string&, const Value& v) {
        return open(self, app, url, v);
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
  Class::registerClassPair(cls);
  return cls;
}

struct TestClasses {
  Class* delegate = journallingClass("AppSwizzlerTestDelegate", true);
  Class* plainDelegate = journallingClass("AppSwizzlerTestPlainDelegate", false);
  Class* interceptor = journallingClass("AppSwizzlerTestInterceptor", true);
};

const TestClasses& classes() {
  static const TestClasses made;
  return made;
}

std::shared_ptr<Journalled> make(Class* cls, std::string name = "delegate", bool answer = false) {
  auto object = std::static_pointer_cast<Journalled>(cls->createInstance());
  object->name = std::move(name);
  object->answer = answer;
  return object;
}

std::shared_ptr<Journalled> registered(std::string name, bool answer = false) {
  auto interceptor = make(classes().interceptor, std::move(name), answer);
  VDUAppDelegateSwizzler::registerAppDelegateInterceptor(interceptor);
  return interceptor;
}

class VDUAppDelegateSwizzlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
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

  std::shared_ptr<Journalled> installed(Class* cls = nullptr, bool withRemoteNotifications = false) {
    auto delegate = make(cls ? cls : classes().delegate);
    app_->setDelegate(delegate);
    if (withRemoteNotifications) {
      VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
    } else {
      VDUAppDelegateSwizzler::proxyOriginalDelegate();
    }
    return delegate;
  }
  bool openURL(Object& delegate, const std::string& url) {
    return send(delegate, kApplicationOpenURLOptions, *app_, url, Value());
  }

  VDUProxyTestSupport support_;
  std::shared_ptr<Application> app_;
};

TEST_F(VDUAppDelegateSwizzlerTest, UrlActivityAndSessionMessagesReachInterceptorsFirstWithTheirAnswersOred) {
  auto delegate = installed();
  auto declines = registered("declines", false);
  auto accepts = registered("accepts", true);
  EXPECT_EQ(app_->delegate(), delegate) << "the application keeps the same delegate object";
  EXPECT_TRUE(delegate->getClass()->name().starts_with("VDU_AppSwizzlerTestDelegate-"));
  EXPECT_TRUE(delegate->description().starts_with("<AppSwizzlerTestDelegate: 0x")) << delegate->description();

  EXPECT_TRUE(openURL(*delegate, "ostrel://a")) << "one interceptor said yes";
  ASSERT_EQ(journal.size(), 3u);
  EXPECT_EQ(journal.back(), "delegate open ostrel://a");
  accepts->answer = false;
  EXPECT_FALSE(openURL(*delegate, "ostrel://b"));
  delegate->answer = true;  // the delegate's own answer counts as well

  journal.clear();
  int restored = 0;
  int completed = 0;
  EXPECT_TRUE(send(*delegate, kApplicationContinueUserActivity, *app_, UserActivity{"browse", "", {}},
                   RestorationHandler([&](const auto&) { ++restored; })));
  send(*delegate, kApplicationHandleEventsForBackgroundURLSession, *app_, std::string("transfers"),
       std::function<void()>([&] { ++completed; }));
  EXPECT_EQ(restored + completed, 6) << "everyone got the same handlers";
  EXPECT_EQ(journal[2], "delegate continue browse");
  EXPECT_EQ(journal[5], "delegate session transfers");
}

TEST_F(VDUAppDelegateSwizzlerTest, InterceptorTableRegistersOnceRefusesBadInputAndDropsReleasedOnes) {
  auto delegate = installed();
  auto kept = make(classes().interceptor, "kept");
  auto first = VDUAppDelegateSwizzler::registerAppDelegateInterceptor(kept);
  ASSERT_TRUE(first);
  EXPECT_EQ(VDUAppDelegateSwizzler::registerAppDelegateInterceptor(kept), first);
  EXPECT_FALSE(VDUAppDelegateSwizzler::registerAppDelegateInterceptor(nullptr));
  EXPECT_FALSE(VDUAppDelegateSwizzler::registerAppDelegateInterceptor(std::make_shared<Object>()));
  VDUAppDelegateSwizzler::unregisterAppDelegateInterceptorWithID("VDU_0x1");
  EXPECT_TRUE(support_.logged("[I-SWZ001001] AppDelegateProxy interceptor does not conform to UIApplicationDelegate"));
  EXPECT_TRUE(support_.logged(
      "[I-SWZ001004] AppDelegateProxy cannot unregister interceptor that was not registered. Interceptor ID VDU_0x1"));

  std::string goneID = *VDUAppDelegateSwizzler::registerAppDelegateInterceptor(make(classes().interceptor, "gone"));
  send(*delegate, kApplicationDidRegisterForRemoteNotifications, *app_, platform::foundation::Data{1, 2});
  openURL(*delegate, "ostrel://d");
  EXPECT_EQ(journal, (std::vector<std::string>{"delegate token 2", "kept open ostrel://d", "delegate open ostrel://d"}))
      << "remote-notification overrides were not asked for, so the token went straight to the delegate";
  EXPECT_TRUE(support_.logged("[I-SWZ001010] AppDelegateProxy cannot find interceptor with ID " + goneID +
                              ". Removing the interceptor."));
  EXPECT_EQ(VDUAppDelegateSwizzler::interceptors().count(), 1u);

  VDUAppDelegateSwizzler::unregisterAppDelegateInterceptorWithID(*first);
  journal.clear();
  openURL(*delegate, "ostrel://e");
  EXPECT_EQ(journal, std::vector<std::string>{"delegate open ostrel://e"});
}

TEST_F(VDUAppDelegateSwizzlerTest, SwitchedOffAnAppExtensionOrNoDelegateLeavesEverythingAlone) {
  for (const char* key : {"VadezeUtilitiesAppDelegateProxyEnabled", "VurevoreAppDelegateProxyEnabled"}) {
    support_.useInfo(Dictionary{{key, Value(false)}});
    VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
    EXPECT_EQ(installed()->getClass(), classes().delegate) << key;
    EXPECT_TRUE(support_.logged("[I-SWZ001011] App Delegate Proxy is disabled."));
  }
  support_.useInfo(Dictionary{}, "Share.appex");
  VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  EXPECT_EQ(VDUAppDelegateSwizzler::sharedApplication(), nullptr);
  EXPECT_EQ(installed(nullptr, true)->getClass(), classes().delegate);

  // Only a number counts: the text "NO" is not a switch.
  support_.useInfo(Dictionary{{"VadezeUtilitiesAppDelegateProxyEnabled", Value("NO")}});
  app_->setDelegate(std::make_shared<Object>());  // kept alive by nothing: reads as no delegate
  VDUAppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_TRUE(support_.logged("[I-SWZ001014] App Delegate does not conform to UIApplicationDelegate protocol."));
  VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  EXPECT_NE(installed()->getClass(), classes().delegate);
}

TEST_F(VDUAppDelegateSwizzlerTest, ReassigningTheDelegateLetsTheOriginalGoAndAProxiedOneIsNeverProxiedTwice) {
  auto first = installed();
  Class* firstProxy = first->getClass();
  EXPECT_EQ(VDUAppDelegateSwizzler::originalDelegate(), first);
  auto second = make(classes().delegate);
  app_->setDelegate(second);
  EXPECT_EQ(VDUAppDelegateSwizzler::originalDelegate(), nullptr);
  EXPECT_FALSE(VDUAppDelegateObserver::sharedInstance().isObserving());
  EXPECT_EQ(first->getClass(), firstProxy) << "nothing is restored";
  VDUAppDelegateSwizzler::proxyOriginalDelegate();
  EXPECT_EQ(second->getClass(), classes().delegate) << "once until the tokens are reset";

  // The first delegate comes back and the proxy is asked for again: its class stays, and a message still
  // reaches the delegate's own method exactly once.
  app_->setDelegate(first);
  VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken();
  VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  EXPECT_EQ(first->getClass(), firstProxy);
  auto interceptor = registered("i");
  openURL(*first, "ostrel://f");
  send(*first, kApplicationDidReceiveRemoteNotification, *app_, Value(Dictionary{{"id", Value("n1")}}));
  EXPECT_EQ(journal, (std::vector<std::string>{"i open ostrel://f", "delegate open ostrel://f", "i notification n1",
                                               "delegate notification n1"}));
}

TEST_F(VDUAppDelegateSwizzlerTest, RemoteNotificationsReachInterceptorsThenTheDelegateAndMissingMethodsStayMissing) {
  auto delegate = installed(classes().plainDelegate, true);
  EXPECT_FALSE(delegate->respondsTo(kApplicationOpenURLOptions.name)) << "only added when the delegate had it";
  EXPECT_FALSE(delegate->respondsTo(kApplicationDidReceiveRemoteNotificationFetch.name));

  auto push = registered("push", true);
  send(*delegate, kApplicationDidRegisterForRemoteNotifications, *app_, platform::foundation::Data{1, 2, 3});
  send(*delegate, kApplicationDidFailToRegisterForRemoteNotifications, *app_,
       platform::foundation::Error::make("test", 7));
  send(*delegate, kApplicationDidReceiveRemoteNotification, *app_, Value(Dictionary{{"id", Value("n2")}}));
  EXPECT_TRUE(send(*delegate, kApplicationOpenURLSourceApplication, *app_, std::string("c"), std::string(), Value()));
  EXPECT_EQ(journal, (std::vector<std::string>{"push token 3", "delegate token 3", "push failed 7", "delegate failed 7",
                                               "push notification n2", "delegate notification n2", "push open c",
                                               "delegate open c"}));
}

TEST_F(VDUAppDelegateSwizzlerTest, FetchHandlerHearsTheCombinedFirstAnswersOnceAfterEveryoneAnswered) {
  auto delegate = installed(nullptr, true);
  auto noData = registered("noData");
  noData->fetchAnswers = {BackgroundFetchResult::NoData, BackgroundFetchResult::NewData};
  auto failed = registered("failed");
  failed->fetchAnswers = {BackgroundFetchResult::Failed};

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
  delegate->pendingFetch(BackgroundFetchResult::NewData);  // too late: ignored, as the interceptor's second was
  platform::dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(heard, std::vector<BackgroundFetchResult>{BackgroundFetchResult::NoData});

  heard.clear();
  deliver();
  delegate->pendingFetch(BackgroundFetchResult::NewData);
  platform::dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(heard, std::vector<BackgroundFetchResult>{BackgroundFetchResult::NewData});
}

TEST_F(VDUAppDelegateSwizzlerTest, ProxyingAndRegisteringWhileAnotherThreadDeliversIsSafe) {
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
      auto interceptor = make(classes().interceptor, "r");
      VDUAppDelegateSwizzler::unregisterAppDelegateInterceptorWithID(
          VDUAppDelegateSwizzler::registerAppDelegateInterceptor(interceptor).value_or(""));
    }
  });
  VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods();
  registrar.join();
  stop = true;
  sender.join();
  EXPECT_NE(delegate->getClass(), classes().delegate);
  for (const auto& line : journal) EXPECT_TRUE(line == "delegate open u" || line == "r open u") << line;
  EXPECT_FALSE(support_.logged("I-SWZ001004")) << "every registration was seen by its unregistration";
}

// Last: once a class named "VURCore" exists it exists for the whole process.
TEST_F(VDUAppDelegateSwizzlerTest, WithTheCoreLoadedMessagesNameItsSwitchAndAdvice) {
  if (Class* core = Class::allocateClassPair(nullptr, "VURCore")) Class::registerClassPair(core);
  EXPECT_EQ(VDUAppDelegateSwizzler::correctAppDelegateProxyKey(), "VurevoreAppDelegateProxyEnabled");
  support_.useInfo(Dictionary{{"VurevoreAppDelegateProxyEnabled", Value(false)}});
  installed();
  EXPECT_TRUE(
      support_.logged("[I-SWZ001011] App Delegate Proxy is disabled. To log deep link campaigns manually, call "
                      "the methods in ZEDIvadazudo+AppDelegate."));
}

}  // namespace
