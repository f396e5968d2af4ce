#include "sdk/analytics/engine/APMAnalytics.h"

#include <gtest/gtest.h>

#include "platform/store/PaymentQueue.h"

#include <algorithm>
#include <thread>

#include "platform/dispatch/Queue.h"
#include "platform/ui/ApplicationDelegateSelectors.h"
#include "sdk/analytics/engine/APMAppDelegateInterceptor.h"
#include "sdk/analytics/engine/APMConsentSettingsUtil.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/FacadeTestSupport.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using ostrel::testing::RecordingEngine;
using Strings = std::vector<std::string>;

class RecordingScreenReporter : public sdk::analytics::ScreenViewReporting {
 public:
  APMParameters screenParameters() override {
    std::lock_guard lock(mutex);
    return current;
  }
  void trackScreenWithParameters(const Dictionary& parameters, double) override {
    std::lock_guard lock(mutex);
    tracked.push_back(parameters);
  }
  void setScreenName(const std::optional<std::string>&, const std::optional<std::string>&) override {}
  bool isAppActive() override { return true; }

  std::mutex mutex;
  APMParameters current;
  std::vector<Dictionary> tracked;
};

class FacadeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = ostrel::testing::ScopedIdentitySettings::install();
    APMAnalytics::resetForTesting();
    APMAnalytics::installErrorEventHandler();
    ostrel::testing::installRecordingEngine(engine);
    APMAnalytics::setScreenViewReporter(screen);
    APMAnalytics::setIdentityForTesting(APMIdentity::initWithPersistedConfig(std::make_shared<APMPersistedConfig>()));
  }
  void TearDown() override {
    APMAnalytics::resetForTesting();
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }

  void start(Dictionary options = {}) {
    APMAnalytics::startWithAppID("1:app", "fa", options);
    APMAnalytics::drainForTesting();
  }
  // The engine's calls after its creation.
  Strings callsAfterCreation() {
    Strings calls = engine->calls();
    auto created = std::find(calls.begin(), calls.end(), "create 1:app");
    return created == calls.end() ? Strings{} : Strings(created + 1, calls.end());
  }
  std::optional<Value> eventParameter(const std::string& eventName, const std::string& parameter) {
    for (const auto& event : engine->events()) {
      if (event.name == eventName && event.parameters.contains(parameter)) return event.parameters.at(parameter);
    }
    return std::nullopt;
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::MonitorScope log;
  std::shared_ptr<ostrel::testing::ScopedIdentitySettings> settings;
  std::shared_ptr<RecordingEngine> engine = std::make_shared<RecordingEngine>();
  std::shared_ptr<RecordingScreenReporter> screen = std::make_shared<RecordingScreenReporter>();
};

TEST_F(FacadeTest, CallsBeforeStartRunAfterItInOrder) {
  APMAnalytics::logEventWithName("level_up", {{"level", Value(3)}});
  APMAnalytics::setUserPropertyString(Value("red"), "color");
  APMAnalytics::setDefaultEventParameters(Dictionary{{"a", Value(1)}});
  APMAnalytics::logInternalEventWithOrigin("auto", "_custom", {});
  APMAnalytics::drainForTesting();
  EXPECT_TRUE(engine->calls().empty()) << "nothing may reach the engine before start";

  start();
  EXPECT_EQ(engine->calls().front(), "create 1:app");
  EXPECT_EQ(callsAfterCreation(), (Strings{"event level_up", "set color=red app", "defaults", "event _custom"}));

  // After start, calls go straight through.
  APMAnalytics::logEventWithName("after", {});
  APMAnalytics::drainForTesting();
  EXPECT_EQ(callsAfterCreation().back(), "event after");
}

TEST_F(FacadeTest, RefusedEventNamesBecomeErrorEvents) {
  start();
  struct Case {
    const char* name;
    std::int64_t error;
  } cases[] = {{"first_open", 13}, {"ga_custom", 13}, {"1bad", 2}, {"", 2}};
  for (const auto& c : cases) APMAnalytics::logEventWithName(c.name, {});
  APMAnalytics::drainForTesting();

  std::vector<std::int64_t> errors;
  for (const auto& event : engine->events()) {
    ASSERT_EQ(event.name, "_err") << "a refused event must not be logged";
    EXPECT_EQ(event.origin, "auto");
    errors.push_back(event.parameters.at("_err").toInt64());
  }
  EXPECT_EQ(errors, (std::vector<std::int64_t>{13, 13, 2, 2}));
}

TEST_F(FacadeTest, ScreenViewsGoToTheReporterAndScreensAreCapturedOnTheCallersThread) {
  start();
  screen->current = {{"_si", APMValue(std::int64_t{7})}, {"_sn", APMValue("Home")}};
  APMAnalytics::logEventWithName("screen_view", {{"screen_name", Value("Home")}});
  APMAnalytics::logEventWithName("tap", {});
  // The screen changes before the serial queue runs: the event keeps the screen of its call.
  screen->current = {{"_si", APMValue(std::int64_t{8})}};
  APMAnalytics::logInternalEventWithOrigin("auto", "_own", 5.0, {{"_si", Value(1)}});
  APMAnalytics::drainForTesting();

  EXPECT_EQ(screen->tracked.size(), 1u);
  auto events = engine->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].name, "tap");
  EXPECT_EQ(events[0].addedScreenParameters.at("_si").int64Value(), 7);
  EXPECT_TRUE(events[0].isPublicEvent);
  EXPECT_TRUE(events[1].addedScreenParameters.empty()) << "an event with its own screen keeps it";
  EXPECT_EQ(events[1].timestamp, 5.0);
}

TEST_F(FacadeTest, ForwardedEventsMoveTheirScreenParametersAside) {
  start();
  APMAnalytics::logEventWithOrigin("app+vtm", true, "tap", {{"_sn", Value("Home")}, {"_si", Value(4)}, {"x", Value(1)}},
                                   10.0, false, true);
  APMAnalytics::logEventWithOrigin("app", true, "tap", {{"_si", Value(4)}}, 10.0, false, true);
  APMAnalytics::drainForTesting();
  auto events = engine->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].parameters, (Dictionary{{"x", Value(1)}}));
  EXPECT_EQ(events[0].addedScreenParameters.size(), 2u);
  EXPECT_TRUE(events[1].parameters.contains("_si")) << "only forwarded origins are rewritten";
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TEST_F(FacadeTest, TimestampOrderIsQueueOrderAcrossThreads) {
  start();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 50; ++i) {
        environment.clock()->advance(0.001);
        APMAnalytics::logEventWithName("e" + std::to_string(t), {});
      }
    });
  }
  for (auto& thread : threads) thread.join();
  APMAnalytics::drainForTesting();
  auto events = engine->events();
  ASSERT_EQ(events.size(), 200u);
  EXPECT_TRUE(std::is_sorted(events.begin(), events.end(),
                             [](const auto& a, const auto& b) { return a.timestamp < b.timestamp; }));
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST_F(FacadeTest, AnEventToldWhileItsListenerWaitsInTheQueueStillReachesIt) {
  std::atomic<int> heard{0};
  // Before start the operation queue holds both: the listener must be stored before the event is told.
  ASSERT_TRUE(APMAnalytics::addLogEventListener([&](const APMEvent&) { ++heard; }));
  APMAnalytics::notifyEventListeners(*APMEvent::create("auto", false, "_x", 1, 0, {}));
  start();
  EXPECT_EQ(heard.load(), 1);
}

TEST_F(FacadeTest, ListenersAreGuardedAndMayChangeFromInsideOne) {
  start();
  APMAnalytics::removeLogEventListener(APMAnalytics::ListenerToken{99});
  APMAnalytics::drainForTesting();
  EXPECT_TRUE(log.logged(25014)) << "no listener was ever added";

  std::atomic<int> heard{0};
  std::optional<APMAnalytics::ListenerToken> inner;
  auto outer = APMAnalytics::addLogEventListener([&](const APMEvent&) {
    ++heard;
    // Runs inline on the serial queue: visible to the next event, never deadlocking.
    if (!inner) inner = APMAnalytics::addLogEventListener([&](const APMEvent&) { heard += 100; });
  });
  ASSERT_TRUE(outer);
  auto event = *APMEvent::create("auto", false, "_x", 1, 0, {});
  APMAnalytics::notifyEventListeners(event);
  APMAnalytics::notifyEventListeners(event);
  APMAnalytics::drainForTesting();
  EXPECT_EQ(heard.load(), 1 + 1 + 100);

  // Listeners added and removed from many threads while events are told.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 25; ++i) {
        auto token = APMAnalytics::addLogEventListener([](const APMEvent&) {});
        APMAnalytics::notifyEventListeners(event);
        APMAnalytics::removeLogEventListener(token);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  APMAnalytics::removeLogEventListener(APMAnalytics::ListenerToken{12345});
  APMAnalytics::drainForTesting();
  EXPECT_TRUE(log.logged(25015));
  EXPECT_FALSE(APMAnalytics::addLogEventListener(nullptr));
  EXPECT_TRUE(log.logged(25012));
}

TEST_F(FacadeTest, TheInterceptorTravelsWithEachEvent) {
  start();
  APMAnalytics::setLogEventInterceptor([](const std::string&, const std::string&, const Dictionary&, double) {});
  APMAnalytics::logEventWithName("a", {});
  APMAnalytics::setLogEventInterceptor(nullptr);
  APMAnalytics::logEventWithName("b", {});
  APMAnalytics::drainForTesting();
  auto events = engine->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].interceptor);
  EXPECT_FALSE(events[1].interceptor);
  EXPECT_TRUE(events[0].enabled);
}

TEST_F(FacadeTest, UserPropertiesAndTheUserID) {
  start();
  settings->resetFeature = true;
  APMAnalytics::setUserPropertyString(Value(), "color");
  APMAnalytics::setUserID(Value());
  APMAnalytics::setUserID(Value(42));
  APMAnalytics::setUserID(Value("u1"));
  APMAnalytics::setUserAttributeNumber(Value(2.5), "score");
  APMAnalytics::setUserAttributeNumber(Value(3), "level");
  APMAnalytics::sharedInstance().setInternalUserProperty(Value("v"), "_x", std::string(33, 'o'));
  APMAnalytics::setUserPropertyString(Value("x"), "first_open_time");
  APMAnalytics::setUserPropertyString(Value(std::string(37, 'v')), "long");
  APMAnalytics::drainForTesting();

  EXPECT_EQ(callsAfterCreation(), (Strings{"remove color", "remove _id", "remove _lair", "set _id=u1 app",
                                           "set score=2.5 auto", "set level=3 auto", "event _err", "event _err"}));
  EXPECT_TRUE(log.logged(25004));
  EXPECT_TRUE(log.logged(25005));
  EXPECT_EQ(eventParameter("_err", "_err"), Value(15));
}

TEST_F(FacadeTest, PersonalizedAdsFollowTheStoredChoice) {
  start();
  engine->disableAdPersonalization = 1;
  APMAnalytics::setUserPropertyString(Value("false"), "allow_personalized_ads");
  APMAnalytics::drainForTesting();
  EXPECT_EQ(APMPersistedConfig::sharedInstance()->allowPersonalizedAds(), Value(0));
  engine->disableAdPersonalization.reset();
  APMAnalytics::setUserPropertyString(Value(), "allow_personalized_ads");
  APMAnalytics::drainForTesting();
  EXPECT_TRUE(APMPersistedConfig::sharedInstance()->allowPersonalizedAds().isNil());
  EXPECT_EQ(callsAfterCreation(), (Strings{"set _npa=1 auto", "remove _npa"}));
}

TEST_F(FacadeTest, ADeactivatedLibraryCannotBeEnabled) {
  engine->enabledAtStart = false;
  start({{APMAnalytics::kOptionCollectionDeactivated, Value(true)}});
  EXPECT_FALSE(APMAnalytics::isEnabled());
  APMAnalytics::setAnalyticsEnabled(true, true);
  APMAnalytics::drainForTesting();
  EXPECT_FALSE(APMAnalytics::isEnabled());
  EXPECT_EQ(APMPersistedConfig::sharedInstance()->measurementEnabledState(), 1) << "the choice is still stored";
  APMAnalytics::setAnalyticsEnabled(false);
  APMAnalytics::drainForTesting();
  EXPECT_EQ(callsAfterCreation(), (Strings{"disable"}));
}

TEST_F(FacadeTest, QueriesAnswerOnTheGivenQueue) {
  auto queue = platform::dispatch::Queue::serial("answers");
  std::atomic<int> answers{0};
  APMAnalytics::userPropertiesIncludingInternal(false, queue, [&](const Dictionary& properties) {
    EXPECT_TRUE(queue->isCurrent());
    EXPECT_EQ(properties.size(), 1u) << "asked before start, answered after it";
    ++answers;
  });
  start();
  APMAnalytics::sharedInstance().maxUserPropertiesForOrigin("clx", queue, [&](std::int64_t count) {
    EXPECT_EQ(count, 25);
    ++answers;
  });
  APMAnalytics::sharedInstance().maxUserPropertiesForOrigin("", queue, [&](std::int64_t) { ++answers; });
  APMAnalytics::setAnalyticsEnabled(false);
  APMAnalytics::userPropertiesIncludingInternal(false, queue, [&](const Dictionary& properties) {
    EXPECT_TRUE(properties.empty()) << "nothing while disabled";
    ++answers;
  });
  APMAnalytics::drainForTesting();
  queue->sync([] {});
  EXPECT_EQ(answers.load(), 3);
  EXPECT_TRUE(log.logged(25009));
}

TEST_F(FacadeTest, SafelistsAreTakenOnlyWhole) {
  EXPECT_TRUE(APMValidateSafelistedEvents(Value(platform::foundation::Array{Value("_a"), Value("b")})));
  EXPECT_FALSE(APMValidateSafelistedEvents(Value(platform::foundation::Array{Value("_a"), Value("no spaces")})));
  EXPECT_TRUE(log.logged(25035));
  EXPECT_FALSE(APMValidateSafelistedEvents(Value("_a")));
  EXPECT_TRUE(log.logged(25034));
}

TEST_F(FacadeTest, AnOpenedURLBeforeStartReachesOnlyTheListener) {
  std::vector<std::string> opened;
  APMAnalytics::setOpenURLListener([&](const std::string& url) { opened.push_back(url); });
  APMAnalytics::handleOpenURL("app://before");
  APMAnalytics::drainForTesting();
  start();
  APMAnalytics::handleOpenURL("app://after");
  APMAnalytics::drainForTesting();
  EXPECT_EQ(opened, (Strings{"app://before", "app://after"}));
  EXPECT_EQ(callsAfterCreation(), (Strings{"url app://after"}));
}

TEST_F(FacadeTest, StoreTransactionsReachThePurchaseReportingInOrderOnceStartedAndWhileEnabled) {
  std::vector<std::string> batches;
  APMAnalytics::setPurchaseReporting([&](const std::vector<platform::store::PaymentTransaction>& transactions) {
    batches.push_back(transactions.front().transactionIdentifier.value_or(""));
  });
  auto batch = [](const char* id) {
    platform::store::PaymentTransaction transaction;
    transaction.transactionIdentifier = id;
    return std::vector<platform::store::PaymentTransaction>{transaction};
  };
  APMAnalytics::paymentQueueUpdatedTransactions(batch("before start"));
  start();
  platform::store::PaymentQueue::defaultQueue().deliverUpdatedTransactions(batch("from the store"));
  APMAnalytics::drainForTesting();
  APMAnalytics::setAnalyticsEnabled(false);
  platform::store::PaymentQueue::defaultQueue().deliverUpdatedTransactions(batch("while disabled"));
  APMAnalytics::drainForTesting();
  APMAnalytics::setPurchaseReporting(nullptr);
  EXPECT_EQ(batches, (Strings{"before start", "from the store"}));
}

}  // namespace

namespace {

using ConsentFacadeTest = FacadeTest;

TEST_F(ConsentFacadeTest, InvalidEmptyAndLowerPriorityConsentChangesNothing) {
  APMAnalytics::setConsent(Dictionary{{"ad_storage", Value("maybe")}});
  EXPECT_TRUE(log.logged(25042));
  EXPECT_TRUE(log.logged(25041));
  EXPECT_EQ(APMConsentSettingsUtil::consentSource(), APMConsentSettingsUtil::kSourceNone);

  APMAnalytics::setConsent(Dictionary{{"ad_storage", Value("denied")}}, APMAnalytics::kConsentSettings3PKey);
  EXPECT_EQ(APMConsentSettingsUtil::consentSource(), APMConsentSettingsUtil::kSourcePublic);
  APMAnalytics::setConsent(Dictionary{{"ad_storage", Value("granted")}});
  EXPECT_TRUE(log.logged(25043)) << "internal consent after public consent";
  EXPECT_TRUE(APMConsentSettingsUtil::isAdStorageDenied());
  EXPECT_EQ(APMAnalytics::persistedConsentSource(), APMConsentSettingsUtil::kSourcePublic);
  EXPECT_TRUE(APMAnalytics::consentSettings3P());

  // Stored consent comes back as the stored source.
  APMConsentSettingsUtil::setConsentSettings(std::nullopt);
  APMAnalytics::loadPersistedConsentSettings();
  EXPECT_EQ(APMConsentSettingsUtil::consentSource(), APMConsentSettingsUtil::kSourcePublic);
  EXPECT_TRUE(APMConsentSettingsUtil::isAdStorageDenied());
  APMAnalytics::clearConsent();
  EXPECT_EQ(APMAnalytics::persistedConsentSource(), APMConsentSettingsUtil::kSourceNone);

  settings->consent3PEnabled = false;
  APMAnalytics::setConsent(Dictionary{{"ad_storage", Value("denied")}}, APMAnalytics::kConsentSettings3PKey);
  EXPECT_EQ(APMConsentSettingsUtil::consentSource(), APMConsentSettingsUtil::kSourceNone) << "public consent is off";
}

TEST_F(ConsentFacadeTest, WithdrawalResetsNowOrAtTheNextStart) {
  APMAnalytics::setConsent(Dictionary{{"analytics_storage", Value("granted")}});
  APMAnalytics::setConsent(Dictionary{{"analytics_storage", Value("denied")}});
  EXPECT_TRUE(APMAnalytics::deferredResetOnDeniedConsent()) << "no engine yet: the reset waits";
  EXPECT_FALSE(APMAnalytics::appInstanceID()) << "no ID while analytics storage is denied";

  start();
  APMAnalytics::setConsent(Dictionary{{"analytics_storage", Value("granted")}});
  APMAnalytics::setConsent(Dictionary{{"analytics_storage", Value("denied")}});
  APMAnalytics::drainForTesting();
  EXPECT_EQ(callsAfterCreation(), (Strings{"reset -"})) << "denied storage resets without an ID";
  EXPECT_TRUE(APMAnalytics::needFirstOpenAfterReset());
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 0);
}

TEST_F(ConsentFacadeTest, ResetKeepsItsIDUntilTheEngineHasUsedIt) {
  start();
  engine->resetSucceeds = false;
  APMAnalytics::resetAnalyticsData();
  const auto pending = APMAnalytics::appInstanceID();
  ASSERT_TRUE(pending);
  EXPECT_EQ(pending->size(), 32u);
  APMAnalytics::drainForTesting();
  EXPECT_TRUE(log.logged(25037));
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 1) << "a failed reset is retried at the next start";
  EXPECT_EQ(APMAnalytics::appInstanceIDAfterReset(), pending);

  engine->resetSucceeds = true;
  APMAnalytics::resetAnalyticsData();
  APMAnalytics::drainForTesting();
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 0);
  EXPECT_FALSE(APMAnalytics::appInstanceIDAfterReset());
  EXPECT_EQ(callsAfterCreation().size(), 2u);
}

}  // namespace

namespace {

TEST_F(FacadeTest, ContinuedWebActivitiesOpenTheirPage) {
  start();
  APMAnalytics::handleUserActivity({"NSUserActivityTypeBrowsingWeb", "https://example.com/a", Value()});
  APMAnalytics::handleUserActivity({"NSUserActivityTypeBrowsingWeb", "", Value()});
  APMAnalytics::handleUserActivity({"com.example.reading", "https://example.com/b", Value()});
  std::vector<std::string> opened;
  APMAnalytics::setOpenURLListener([&](const std::string& url) { opened.push_back(url); });
  APMAnalytics::drainForTesting();
  EXPECT_EQ(callsAfterCreation(), (Strings{"url https://example.com/a"}));
  EXPECT_TRUE(opened.empty()) << "activities do not reach the open-URL listener";
  EXPECT_TRUE(log.logged(23006));
  EXPECT_FALSE(APMDeepLinkFromUserActivity(nullptr));
}

}  // namespace

#include "sdk/analytics/engine/VersionUpdateReport.h"

namespace {

TEST_F(FacadeTest, VersionUpdatesAreReportedOnlyWhenAVersionWasStored) {
  start();
  std::string stored;
  auto store = [&](const std::string& v) { stored = v; };
  sdk::analytics::reportVersionChange("1.0", stored, store, "_au", "_pv");  // first run: stored only
  sdk::analytics::reportVersionChange("1.0", stored, store, "_au", "_pv");  // unchanged
  sdk::analytics::reportVersionChange("1.1", stored, store, "_au", "_pv");
  APMAnalytics::drainForTesting();
  EXPECT_EQ(stored, "1.1");
  EXPECT_EQ(callsAfterCreation(), (Strings{"event _au"}));
  EXPECT_EQ(eventParameter("_au", "_pv"), Value("1.0"));
}

}  // namespace
