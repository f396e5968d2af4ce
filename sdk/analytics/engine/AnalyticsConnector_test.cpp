#include "sdk/analytics/engine/AnalyticsConnector.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/dispatch/Queue.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/FacadeTestSupport.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/ConnectorFilter.h"
#include "sdk/core/ComponentContainer.h"
#include "sdk/crash/reports/AnalyticsManager.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using Strings = std::vector<std::string>;

class RecordingListener : public sdk::core::AnalyticsInteropListener {
 public:
  void messageTriggered(const std::string& name, const Dictionary& parameters) override {
    EXPECT_TRUE(platform::dispatch::Queue::main()->isCurrent());
    heard.push_back(name);
    last = parameters;
  }
  Strings heard;
  Dictionary last;
};

class ConnectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ostrel::testing::ScopedIdentitySettings::install();
    Analytics::resetForTesting();
    Analytics::installErrorEventHandler();
    ostrel::testing::installRecordingEngine(engine);
    Analytics::setIdentityForTesting(Identity::initWithPersistedConfig(std::make_shared<PersistedConfig>()));
    Analytics::startWithAppID("1:app", "fa", {});
    Analytics::drainForTesting();
  }
  void TearDown() override {
    Analytics::resetForTesting();
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }
  // Tells the listeners of one logged event, as the engine does, and delivers what reaches the main queue.
  void tell(const std::string& origin, const std::string& name, Parameters parameters = {}) {
    Analytics::notifyEventListeners(*AnalyticsEvent::create(origin, false, name, 1, 0, std::move(parameters)));
    Analytics::drainForTesting();
    AnalyticsConnector::queue()->sync([] {});
    environment.drain();
  }
  Strings loggedEvents() {
    Analytics::drainForTesting();
    Strings names;
    for (const auto& event : engine->events()) names.push_back(event.origin + " " + event.name);
    return names;
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::MonitorScope log;
  std::shared_ptr<ostrel::testing::RecordingEngine> engine =
      std::make_shared<ostrel::testing::RecordingEngine>();
  std::shared_ptr<AnalyticsConnector> connector = std::make_shared<AnalyticsConnector>();
};

TEST_F(ConnectorTest, EventsPassOnlyFromAllowedOriginsWithTheirRules) {
  connector->logEventWithOrigin("app", "custom", std::nullopt);
  connector->logEventWithOrigin("clx", "_s", std::nullopt);
  connector->logEventWithOrigin("clx", "custom", Dictionary{{"_dbg", Value(1)}});
  connector->logEventWithOrigin("clx", "_ae", Dictionary{{"fatal", Value(1)}});
  connector->logEventWithOrigin("fdl", "_cmp", std::nullopt);
  connector->logEventWithOrigin("clx", "_cmp", std::nullopt);
  EXPECT_EQ(loggedEvents(), (Strings{"clx _ae", "fdl _cmp", "clx _cmp"}));

  auto events = engine->events();
  EXPECT_EQ(events[0].parameters.at("_r"), Value(1));
  EXPECT_FALSE(events[0].isPublicEvent);
  EXPECT_EQ(events[1].parameters.at("_cis"), Value("fdl_integration"));
  EXPECT_FALSE(events[2].parameters.contains("_cis"));
}

TEST_F(ConnectorTest, UserPropertiesFollowTheBlockLists) {
  struct Case {
    const char* origin;
    const char* name;
    bool allowed;
  } cases[] = {{"clx", "_ltv_USD", false}, {"vcm", "_cc3", false}, {"vcm", "_ln", true}, {"clx", "_ln", false},
               {"clx", "_id", false},      {"clx", "_ltv_usd", true}, {"clx", "_cc6", true}};
  for (const auto& c : cases) {
    EXPECT_EQ(ConnectorFilter::isUserPropertyAllowed(c.name, c.origin), c.allowed) << c.origin << " " << c.name;
  }
  connector->setUserPropertyWithOrigin("app", "color", Value("red"));
  connector->setUserPropertyWithOrigin("clx", "_ltv_USD", Value(1));
  connector->setUserPropertyWithOrigin("vcm", "_ln", Value("campaign"));
  Analytics::drainForTesting();
  EXPECT_EQ(engine->calls().back(), "set _ln=campaign vcm");
  EXPECT_EQ(engine->calls().size(), 2u) << "creation and the one accepted property";
}

TEST_F(ConnectorTest, ListenersHearTheirOriginAndTheAppOnTheMainQueue) {
  auto crash = std::make_shared<RecordingListener>();
  auto messaging = std::make_shared<RecordingListener>();
  connector->registerAnalyticsListener(crash, "clx");
  connector->registerAnalyticsListener(messaging, "viam");
  connector->registerAnalyticsListener(std::make_shared<RecordingListener>(), "fdl");  // not an allowed origin

  tell("app", "level_up", {{"level", AnalyticsValue(std::int64_t{3})}, {"items", AnalyticsValue(std::vector<Parameters>{})}});
  tell("app", "_exp_set");
  tell("viam", "_cmp");
  tell("auto", "_x");
  EXPECT_EQ(crash->heard, (Strings{"level_up"}));
  EXPECT_EQ(crash->last, (Dictionary{{"level", Value(3)}})) << "item arrays are left out";
  EXPECT_EQ(messaging->heard, (Strings{"level_up", "_cmp"}));

  // A second registration replaces the first; the last unregistration removes the facade listener.
  auto replacement = std::make_shared<RecordingListener>();
  connector->registerAnalyticsListener(replacement, "clx");
  tell("clx", "_ae");
  EXPECT_EQ(replacement->heard, (Strings{"_ae"}));
  EXPECT_EQ(crash->heard.size(), 1u);
  connector->unregisterAnalyticsListenerWithOrigin("clx");
  connector->unregisterAnalyticsListenerWithOrigin("viam");
  tell("app", "after");
  EXPECT_EQ(messaging->heard.size(), 2u);
  EXPECT_FALSE(log.logged(25015)) << "the facade listener was removed with its own token";
}

TEST_F(ConnectorTest, MaxUserPropertiesAnswersEvenOnTheConnectorQueueAndGivesUpAfterTenSeconds) {
  EXPECT_EQ(connector->maxUserProperties("clx"), 25);
  std::int64_t onQueue = -1;
  AnalyticsConnector::queue()->sync([&] { onQueue = connector->maxUserProperties("clx"); });
  EXPECT_EQ(onQueue, 25);

  engine->answersMaxUserProperties = false;
  std::atomic<bool> done{false};
  std::int64_t late = -1;
  std::thread caller([&] {
    late = connector->maxUserProperties("clx");
    done = true;
  });
  while (!done) {
    environment.clock()->advance(AnalyticsConnector::kMaxUserPropertiesTimeout);
    std::this_thread::yield();
  }
  caller.join();
  EXPECT_EQ(late, 0);
}

TEST_F(ConnectorTest, ConditionalUserPropertiesTakeKnownFieldsInTheirOwnTypes) {
  const auto property = AnalyticsConnector::conditionalUserPropertyFromDictionary(
      {{"name", Value("plan")},
       {"origin", Value("frc")},
       {"value", Value("gold")},
       {"creationTimestamp", Value(100)},
       {"triggerTimeout", Value("soon")},
       {"color", Value("red")},
       {"triggeredEvent", Value(Dictionary{{"origin", Value("frc")}, {"name", Value("_t")}, {"timestamp", Value(5)}})}});
  EXPECT_EQ(property.name, "plan");
  EXPECT_EQ(property.origin, "frc");
  EXPECT_EQ(property.value, AnalyticsValue("gold"));
  EXPECT_EQ(property.creationTimestamp, 100);
  EXPECT_EQ(property.triggerTimeout, 0) << "a mistyped field is skipped";
  ASSERT_TRUE(property.triggeredEvent);
  EXPECT_EQ(property.triggeredEvent->timestamp(), 5);
  EXPECT_TRUE(log.logged(25044));
}

TEST_F(ConnectorTest, TheCrashReporterKeepsAppEventsAsBreadcrumbsAndLogsItsCrashEvent) {
  auto breadcrumbs = std::make_shared<sdk::crash::BreadcrumbLog>();
  auto manager = std::make_shared<sdk::crash::AnalyticsManager>(connector, breadcrumbs);
  manager->registerAnalyticsListener();
  tell("app", "level_up", {{"level", AnalyticsValue(std::int64_t{3})}});
  tell("app", "_exp_set");
  ASSERT_EQ(breadcrumbs->lines(), (Strings{R"($A$:{"name":"level_up","parameters":{"level":3}})"}));

  sdk::crash::AnalyticsManager::logCrashWithTimeStamp(1700000000.5, connector);
  Analytics::drainForTesting();
  auto events = engine->events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].name, "_ae");
  EXPECT_EQ(events[0].parameters, (Dictionary{{"_r", Value(1)},
                                              {"fatal", Value(1)},
                                              {"timestamp", Value(std::int64_t{1700000000500})}}));
  connector->unregisterAnalyticsListenerWithOrigin("clx");
}

TEST_F(ConnectorTest, EveryLookupGetsTheSameConnector) {
  AnalyticsConnector::registerLibrary();
  sdk::core::ComponentContainer::Registrants registrants;
  sdk::core::ComponentContainer::registerAsComponentRegistrant(platform::runtime::classOf<AnalyticsConnector>(), registrants);
  sdk::core::ComponentContainer container(nullptr, registrants);
  auto first = container.instanceForProtocol(sdk::core::AnalyticsInterop::protocol());
  ASSERT_TRUE(std::dynamic_pointer_cast<sdk::core::AnalyticsInterop>(first));
  EXPECT_EQ(container.instanceForProtocol(sdk::core::AnalyticsInterop::protocol()), first);
}

}  // namespace

}  // namespace sdk::analytics

