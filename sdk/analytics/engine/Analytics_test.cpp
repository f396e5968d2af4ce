#include "sdk/analytics/engine/Analytics.h"

#include <gtest/gtest.h>

#include "platform/store/PaymentQueue.h"

#include <algorithm>
#include <thread>

#include "platform/dispatch/Queue.h"
#include "platform/ui/ApplicationDelegateSelectors.h"
#include "sdk/analytics/engine/AppDelegateInterceptor.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/FacadeStart.h"
#include "sdk/analytics/engine/FacadeTestSupport.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using ostrel::testing::RecordingEngine;
using Strings = std::vector<std::string>;

class RecordingScreenReporter : public sdk::analytics::ScreenViewReporting {
 public:
  Parameters screenParameters() override {
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
  Parameters current;
  std::vector<Dictionary> tracked;
};

class FacadeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = ostrel::testing::ScopedIdentitySettings::install();
    Analytics::resetForTesting();
    Analytics::installErrorEventHandler();
    ostrel::testing::installRecordingEngine(engine);
    Analytics::setScreenViewReporter(screen);
    Analytics::setIdentityForTesting(Identity::initWithPersistedConfig(std::make_shared<PersistedConfig>()));
  }
  void TearDown() override {
    Analytics::resetForTesting();
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }

  void start(Dictionary options = {}) {
    Analytics::startWithAppID("1:app", "fa", options);
    Analytics::drainForTesting();
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
  Analytics::logEventWithName("level_up", {{"level", Value(3)}});
  Analytics::setUserPropertyString(Value("red"), "color");
  Analytics::setDefaultEventParameters(Dictionary{{"a", Value(1)}});
  Analytics::logInternalEventWithOrigin("auto", "_custom", {});
  Analytics::drainForTesting();
  EXPECT_TRUE(engine->calls().empty()) << "nothing may reach the engine before start";

  start();
  EXPECT_EQ(engine->calls().front(), "create 1:app");
  EXPECT_EQ(callsAfterCreation(), (Strings{"event level_up", "set color=red app", "defaults", "event _custom"}));

  // After start, calls go straight through.
  Analytics::logEventWithName("after", {});
  Analytics::drainForTesting();
  EXPECT_EQ(callsAfterCreation().back(), "event after");
}

TEST_F(FacadeTest, RefusedEventNamesBecomeErrorEvents) {
  start();
  struct Case {
    const char* name;
    std::int64_t error;
  } cases[] = {{"first_open", 13}, {"ga_custom", 13}, {"1bad", 2}, {"", 2}};
  for (const auto& c : cases) Analytics::logEventWithName(c.name, {});
  Analytics::drainForTesting();

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
  screen->current = {{"_si", AnalyticsValue(std::int64_t{7})}, {"_sn", AnalyticsValue("Home")}};
  Analytics::logEventWithName("screen_view", {{"screen_name", Value("Home")}});
  Analytics::logEventWithName("tap", {});
  // The screen changes before the serial queue runs: the event keeps the screen of its call.
  screen->current = {{"_si", AnalyticsValue(std::int64_t{8})}};
  Analytics::logInternalEventWithOrigin("auto", "_own", 5.0, {{"_si", Value(1)}});
  Analytics::drainForTesting();

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
  Analytics::logEventWithOrigin("app+vtm", true, "tap", {{"_sn", Value("Home")}, {"_si", Value(4)}, {"x", Value(1)}},
                                   10.0, false, true);
  Analytics::logEventWithOrigin("app", true, "tap", {{"_si", Value(4)}}, 10.0, false, true);
  Analytics::drainForTesting();
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
        Analytics::logEventWithName("e" + std::to_string(t), {});
      }
    });
  }
  for (auto& thread : threads) thread.join();
  Analytics::drainForTesting();
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
  ASSERT_TRUE(Analytics::addLogEventListener([&](const AnalyticsEvent&) { ++heard; }));
  Analytics::notifyEventListeners(*AnalyticsEvent::create("auto", false, "_x", 1, 0, {}));
  start();
  EXPECT_EQ(heard.load(), 1);
}

TEST_F(FacadeTest, ListenersAreGuardedAndMayChangeFromInsideOne) {
  start();
  Analytics::removeLogEventListener(Analytics::ListenerToken{99});
  Analytics::drainForTesting();
  EXPECT_TRUE(log.logged(25014)) << "no listener was ever added";

  std::atomic<int> heard{0};
  std::optional<Analytics::ListenerToken> inner;
  auto outer = Analytics::addLogEventListener([&](const AnalyticsEvent&) {
    ++heard;
    // Runs inline on the serial queue: visible to the next event, never deadlocking.
    if (!inner) inner = Analytics::addLogEventListener([&](const AnalyticsEvent&) { heard += 100; });
  });
  ASSERT_TRUE(outer);
  auto event = *AnalyticsEvent::create("auto", false, "_x", 1, 0, {});
  Analytics::notifyEventListeners(event);
  Analytics::notifyEventListeners(event);
  Analytics::drainForTesting();
  EXPECT_EQ(heard.load(), 1 + 1 + 100);

  // Listeners added and removed from many threads while events are told.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 25; ++i) {
        auto token = Analytics::addLogEventListener([](const AnalyticsEvent&) {});
        Analytics::notifyEventListeners(event);
        Analytics::removeLogEventListener(token);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  Analytics::removeLogEventListener(Analytics::ListenerToken{12345});
  Analytics::drainForTesting();
  EXPECT_TRUE(log.logged(25015));
  EXPECT_FALSE(Analytics::addLogEventListener(nullptr));
  EXPECT_TRUE(log.logged(25012));
}

TEST_F(FacadeTest, TheInterceptorTravelsWithEachEvent) {
  start();
  Analytics::setLogEventInterceptor([](const std::string&, const std::string&, const Dictionary&, double) {});
  Analytics::logEventWithName("a", {});
  Analytics::setLogEventInterceptor(nullptr);
  Analytics::logEventWithName("b", {});
  Analytics::drainForTesting();
  auto events = engine->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].interceptor);
  EXPECT_FALSE(events[1].interceptor);
  EXPECT_TRUE(events[0].enabled);
}

TEST_F(FacadeTest, UserPropertiesAndTheUserID) {
  start();
  settings->resetFeature = true;
  Analytics::setUserPropertyString(Value(), "color");
  Analytics::setUserID(Value());
  Analytics::setUserID(Value(42));
  Analytics::setUserID(Value("u1"));
  Analytics::setUserAttributeNumber(Value(2.5), "score");
  Analytics::setUserAttributeNumber(Value(3), "level");
  Analytics::sharedInstance().setInternalUserProperty(Value("v"), "_x", std::string(33, 'o'));
  Analytics::setUserPropertyString(Value("x"), "first_open_time");
  Analytics::setUserPropertyString(Value(std::string(37, 'v')), "long");
  Analytics::drainForTesting();

  EXPECT_EQ(callsAfterCreation(), (Strings{"remove color", "remove _id", "remove _lair", "set _id=u1 app",
                                           "set score=2.5 auto", "set level=3 auto", "event _err", "event _err"}));
  EXPECT_TRUE(log.logged(25004));
  EXPECT_TRUE(log.logged(25005));
  EXPECT_EQ(eventParameter("_err", "_err"), Value(15));
}

TEST_F(FacadeTest, PersonalizedAdsFollowTheStoredChoice) {
  start();
  engine->disableAdPersonalization = 1;
  Analytics::setUserPropertyString(Value("false"), "allow_personalized_ads");
  Analytics::drainForTesting();
  EXPECT_EQ(PersistedConfig::sharedInstance()->allowPersonalizedAds(), Value(0));
  engine->disableAdPersonalization.reset();
  Analytics::setUserPropertyString(Value(), "allow_personalized_ads");
  Analytics::drainForTesting();
  EXPECT_TRUE(PersistedConfig::sharedInstance()->allowPersonalizedAds().isNil());
  EXPECT_EQ(callsAfterCreation(), (Strings{"set _npa=1 auto", "remove _npa"}));
}

TEST_F(FacadeTest, PersonalizedAdsGivenAsTextReadAsTheirSwitch) {
  start();
  const struct {
    const char* text;
    int stored;
  } cases[] = {{"true", 1}, {"YES", 1}, {"1", 1}, {"false", 0}, {"NO", 0}, {"0", 0}};
  for (const auto& c : cases) {
    Analytics::setUserPropertyString(Value(c.text), "allow_personalized_ads");
    Analytics::drainForTesting();
    EXPECT_EQ(PersistedConfig::sharedInstance()->allowPersonalizedAds(), Value(c.stored)) << c.text;
  }
}

TEST_F(FacadeTest, AResetWithNoEngineSaysItFailedAndIsRetried) {
  Analytics::setEngineAccess({[](const std::string&, bool, bool, const std::vector<std::string>&) {},
                              []() -> std::shared_ptr<FacadeEngine> { return nullptr; }});
  start();
  Analytics::resetAnalyticsData();
  Analytics::drainForTesting();
  EXPECT_TRUE(log.logged(25037));
  EXPECT_EQ(FacadeDefaults::resetRetryCount(), 1);
}

TEST_F(FacadeTest, ADeactivatedLibraryCannotBeEnabled) {
  engine->enabledAtStart = false;
  start({{Analytics::kOptionCollectionDeactivated, Value(true)}});
  EXPECT_FALSE(Analytics::isEnabled());
  Analytics::setAnalyticsEnabled(true, true);
  Analytics::drainForTesting();
  EXPECT_FALSE(Analytics::isEnabled());
  EXPECT_EQ(PersistedConfig::sharedInstance()->measurementEnabledState(), 1) << "the choice is still stored";
  Analytics::setAnalyticsEnabled(false);
  Analytics::drainForTesting();
  EXPECT_EQ(callsAfterCreation(), (Strings{"disable"}));
}

TEST_F(FacadeTest, QueriesAnswerOnTheGivenQueue) {
  auto queue = platform::dispatch::Queue::serial("answers");
  std::atomic<int> answers{0};
  Analytics::userPropertiesIncludingInternal(false, queue, [&](const Dictionary& properties) {
    EXPECT_TRUE(queue->isCurrent());
    EXPECT_EQ(properties.size(), 1u) << "asked before start, answered after it";
    ++answers;
  });
  start();
  Analytics::sharedInstance().maxUserPropertiesForOrigin("clx", queue, [&](std::int64_t count) {
    EXPECT_EQ(count, 25);
    ++answers;
  });
  Analytics::sharedInstance().maxUserPropertiesForOrigin("", queue, [&](std::int64_t) { ++answers; });
  Analytics::setAnalyticsEnabled(false);
  Analytics::userPropertiesIncludingInternal(false, queue, [&](const Dictionary& properties) {
    EXPECT_TRUE(properties.empty()) << "nothing while disabled";
    ++answers;
  });
  Analytics::drainForTesting();
  queue->sync([] {});
  EXPECT_EQ(answers.load(), 3);
  EXPECT_TRUE(log.logged(25009));
}

TEST_F(FacadeTest, SafelistsAreTakenOnlyWhole) {
  using facade::FacadeStart;
  EXPECT_TRUE(FacadeStart::validateSafelistedEvents(Value(platform::foundation::Array{Value("_a"), Value("b")})));
  EXPECT_FALSE(
      FacadeStart::validateSafelistedEvents(Value(platform::foundation::Array{Value("_a"), Value("no spaces")})));
  EXPECT_TRUE(log.logged(25035));
  EXPECT_FALSE(FacadeStart::validateSafelistedEvents(Value("_a")));
  EXPECT_TRUE(log.logged(25034));
}

TEST_F(FacadeTest, AnOpenedURLBeforeStartReachesOnlyTheListener) {
  std::vector<std::string> opened;
  Analytics::setOpenURLListener([&](const std::string& url) { opened.push_back(url); });
  Analytics::handleOpenURL("app://before");
  Analytics::drainForTesting();
  start();
  Analytics::handleOpenURL("app://after");
  Analytics::drainForTesting();
  EXPECT_EQ(opened, (Strings{"app://before", "app://after"}));
  EXPECT_EQ(callsAfterCreation(), (Strings{"url app://after"}));
}

TEST_F(FacadeTest, StoreTransactionsReachThePurchaseReportingInOrderOnceStartedAndWhileEnabled) {
  std::vector<std::string> batches;
  Analytics::setPurchaseReporting([&](const std::vector<platform::store::PaymentTransaction>& transactions) {
    batches.push_back(transactions.front().transactionIdentifier.value_or(""));
  });
  auto batch = [](const char* id) {
    platform::store::PaymentTransaction transaction;
    transaction.transactionIdentifier = id;
    return std::vector<platform::store::PaymentTransaction>{transaction};
  };
  Analytics::paymentQueueUpdatedTransactions(batch("before start"));
  start();
  platform::store::PaymentQueue::defaultQueue().deliverUpdatedTransactions(batch("from the store"));
  Analytics::drainForTesting();
  Analytics::setAnalyticsEnabled(false);
  platform::store::PaymentQueue::defaultQueue().deliverUpdatedTransactions(batch("while disabled"));
  Analytics::drainForTesting();
  Analytics::setPurchaseReporting(nullptr);
  EXPECT_EQ(batches, (Strings{"before start", "from the store"}));
}

}  // namespace

namespace {

using ConsentFacadeTest = FacadeTest;

TEST_F(ConsentFacadeTest, InvalidEmptyAndLowerPriorityConsentChangesNothing) {
  Analytics::setConsent(Dictionary{{"ad_storage", Value("maybe")}});
  EXPECT_TRUE(log.logged(25042));
  EXPECT_TRUE(log.logged(25041));
  EXPECT_EQ(ConsentSettings::consentSource(), ConsentSettings::kSourceNone);

  Analytics::setConsent(Dictionary{{"ad_storage", Value("denied")}}, Analytics::kConsentSettings3PKey);
  EXPECT_EQ(ConsentSettings::consentSource(), ConsentSettings::kSourcePublic);
  Analytics::setConsent(Dictionary{{"ad_storage", Value("granted")}});
  EXPECT_TRUE(log.logged(25043)) << "internal consent after public consent";
  EXPECT_TRUE(ConsentSettings::isAdStorageDenied());
  EXPECT_EQ(FacadeDefaults::persistedConsentSource(), ConsentSettings::kSourcePublic);
  EXPECT_TRUE(FacadeDefaults::consentSettings3P());

  // Stored consent comes back as the stored source.
  ConsentSettings::setConsentSettings(std::nullopt);
  FacadeDefaults::loadPersistedConsentSettings();
  EXPECT_EQ(ConsentSettings::consentSource(), ConsentSettings::kSourcePublic);
  EXPECT_TRUE(ConsentSettings::isAdStorageDenied());
  FacadeDefaults::clearConsent();
  EXPECT_EQ(FacadeDefaults::persistedConsentSource(), ConsentSettings::kSourceNone);

  settings->consent3PEnabled = false;
  Analytics::setConsent(Dictionary{{"ad_storage", Value("denied")}}, Analytics::kConsentSettings3PKey);
  EXPECT_EQ(ConsentSettings::consentSource(), ConsentSettings::kSourceNone) << "public consent is off";
}

TEST_F(ConsentFacadeTest, WithdrawalResetsNowOrAtTheNextStart) {
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("granted")}});
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("denied")}});
  EXPECT_TRUE(FacadeDefaults::deferredResetOnDeniedConsent()) << "no engine yet: the reset waits";
  EXPECT_FALSE(Analytics::appInstanceID()) << "no ID while analytics storage is denied";

  start();
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("granted")}});
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("denied")}});
  Analytics::drainForTesting();
  EXPECT_EQ(callsAfterCreation(), (Strings{"reset -"})) << "denied storage resets without an ID";
  EXPECT_TRUE(FacadeDefaults::needFirstOpenAfterReset());
  EXPECT_EQ(FacadeDefaults::resetRetryCount(), 0);
}

TEST_F(ConsentFacadeTest, ResetKeepsItsIDUntilTheEngineHasUsedIt) {
  start();
  engine->resetSucceeds = false;
  Analytics::resetAnalyticsData();
  const auto pending = Analytics::appInstanceID();
  ASSERT_TRUE(pending);
  EXPECT_EQ(pending->size(), 32u);
  Analytics::drainForTesting();
  EXPECT_TRUE(log.logged(25037));
  EXPECT_EQ(FacadeDefaults::resetRetryCount(), 1) << "a failed reset is retried at the next start";
  EXPECT_EQ(FacadeDefaults::appInstanceIDAfterReset(), pending);

  engine->resetSucceeds = true;
  Analytics::resetAnalyticsData();
  Analytics::drainForTesting();
  EXPECT_EQ(FacadeDefaults::resetRetryCount(), 0);
  EXPECT_FALSE(FacadeDefaults::appInstanceIDAfterReset());
  EXPECT_EQ(callsAfterCreation().size(), 2u);
}

}  // namespace

namespace {

TEST_F(FacadeTest, ContinuedWebActivitiesOpenTheirPage) {
  start();
  Analytics::handleUserActivity({"NSUserActivityTypeBrowsingWeb", "https://example.com/a", Value()});
  Analytics::handleUserActivity({"NSUserActivityTypeBrowsingWeb", "", Value()});
  Analytics::handleUserActivity({"com.example.reading", "https://example.com/b", Value()});
  std::vector<std::string> opened;
  Analytics::setOpenURLListener([&](const std::string& url) { opened.push_back(url); });
  Analytics::drainForTesting();
  EXPECT_EQ(callsAfterCreation(), (Strings{"url https://example.com/a"}));
  EXPECT_TRUE(opened.empty()) << "activities do not reach the open-URL listener";
  EXPECT_TRUE(log.logged(23006));
  EXPECT_FALSE(deepLinkFromUserActivity(nullptr));
}

}  // namespace

}  // namespace sdk::analytics

#include "sdk/analytics/engine/VersionUpdateReport.h"

namespace sdk::analytics {

namespace {

TEST_F(FacadeTest, VersionUpdatesAreReportedOnlyWhenAVersionWasStored) {
  start();
  std::string stored;
  auto store = [&](const std::string& v) { stored = v; };
  sdk::analytics::reportVersionChange("1.0", stored, store, "_au", "_pv");  // first run: stored only
  sdk::analytics::reportVersionChange("1.0", stored, store, "_au", "_pv");  // unchanged
  sdk::analytics::reportVersionChange("1.1", stored, store, "_au", "_pv");
  Analytics::drainForTesting();
  EXPECT_EQ(stored, "1.1");
  EXPECT_EQ(callsAfterCreation(), (Strings{"event _au"}));
  EXPECT_EQ(eventParameter("_au", "_pv"), Value("1.0"));
}

}  // namespace

}  // namespace sdk::analytics

