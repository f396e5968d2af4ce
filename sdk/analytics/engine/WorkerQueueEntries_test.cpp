// Default event parameters and user properties as the worker queue writes them.
#include <gtest/gtest.h>

#include "platform/dispatch/Queue.h"
#include "sdk/analytics/engine/DefaultEventParameters.h"
#include "sdk/analytics/engine/UserPropertyWriter.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Array;
using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;
using sdk::analytics::DefaultEventParameters;
using sdk::analytics::UserPropertyWriter;

class WorkerQueueEntriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    database = ostrel::testing::succeeded(
        MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName, persisted));
    ASSERT_TRUE(database);
    users = std::make_unique<UserPropertyWriter>(database);
  }
  // Runs `work` on the worker queue, where the engine runs these entries.
  void onWorker(const std::function<void()>& work) { worker->sync(work); }
  void setDefaults(const std::optional<Dictionary>& parameters, std::int64_t limit = 25, bool enabled = true) {
    onWorker([&] { defaults.handleSetDefaultEventParametersOnWorkerQueue(parameters, enabled, limit); });
  }
  Dictionary storedDefaults() { return persisted->defaultEventParameters().value_or(Dictionary{}); }
  std::vector<std::int64_t> errorCodes() {
    std::vector<std::int64_t> codes;
    for (const auto& parameters : scope.errorEvents()) codes.push_back(parameters.at("_err").int64Value());
    return codes;
  }
  bool set(const std::string& origin, const std::string& name, const std::string& value,
           UserPropertyWriter::Limits limits = {}) {
    bool stored = false;
    onWorker([&] {
      stored = users->setUserPropertyInDatabaseOnWorkerQueue(UserAttribute(origin, name, AnalyticsValue(value), 1), limits);
    });
    return stored;
  }
  bool has(const std::string& name) {
    return ostrel::testing::succeeded(database->userAttributeWithName(name)).has_value();
  }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<platform::dispatch::Queue> worker = platform::dispatch::Queue::serial("test.worker");
  std::shared_ptr<PersistedConfig> persisted = std::make_shared<PersistedConfig>();
  std::shared_ptr<MeasurementDatabase> database;
  DefaultEventParameters defaults{persisted};
  std::unique_ptr<UserPropertyWriter> users;
};

TEST_F(WorkerQueueEntriesTest, DefaultParametersMergeAndNullRemoves) {
  setDefaults(Dictionary{{"b", Value("x")}, {"c", Value(2)}});
  setDefaults(Dictionary{{"a", Value(1)}, {"b", Value::null()}});
  EXPECT_EQ(storedDefaults(), (Dictionary{{"a", Value(1)}, {"c", Value(2)}}));
  // The event's own parameters win.
  EXPECT_EQ(defaults.parametersWithAddedDefaultEventParameters(Dictionary{{"a", Value("mine")}, {"d", Value(4)}}),
            (Dictionary{{"a", Value("mine")}, {"c", Value(2)}, {"d", Value(4)}}));
  // Nothing at all clears them, and then events keep exactly their own.
  setDefaults(std::nullopt);
  EXPECT_TRUE(storedDefaults().empty());
  EXPECT_EQ(defaults.parametersWithAddedDefaultEventParameters(Dictionary{{"d", Value(4)}}), (Dictionary{{"d", Value(4)}}));
  // Disabled: unchanged.
  setDefaults(Dictionary{{"a", Value(1)}}, 25, false);
  EXPECT_TRUE(storedDefaults().empty());
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TEST_F(WorkerQueueEntriesTest, DefaultParametersBeyondTheLimitKeepTheNamesThatSortFirst) {
  Dictionary many;
  for (int i = 0; i < 30; ++i) many.emplace("p" + std::string(i < 10 ? "0" : "") + std::to_string(i), Value(i));
  setDefaults(many);
  auto kept = storedDefaults();
  ASSERT_EQ(kept.size(), 25u);
  EXPECT_TRUE(kept.contains("p00"));
  EXPECT_TRUE(kept.contains("p24"));
  EXPECT_FALSE(kept.contains("p25"));
  EXPECT_EQ(errorCodes(), std::vector<std::int64_t>{26});
  EXPECT_TRUE(scope.logged(23215));
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST_F(WorkerQueueEntriesTest, RefusedDefaultParametersAreSkipped) {
  setDefaults(Dictionary{{"list", Value(Array{Value(1)})},
                         {"map", Value(Dictionary{})},
                         {"ga_name", Value(1)},
                         {"long", Value(std::string(101, 'x'))},
                         {"fine", Value(true)}});
  EXPECT_EQ(storedDefaults(), (Dictionary{{"fine", Value(true)}}));
  EXPECT_EQ(errorCodes(), std::vector<std::int64_t>{27});
  EXPECT_TRUE(scope.logged(23213));
  EXPECT_TRUE(scope.logged(23214));
}

TEST_F(WorkerQueueEntriesTest, PublicUserPropertiesStopAtTheLimitButReplacingAlwaysWorks) {
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(set("app", "prop" + std::to_string(i), "v")) << i;
  EXPECT_FALSE(set("app", "prop25", "v"));
  EXPECT_FALSE(has("prop25"));
  EXPECT_TRUE(scope.logged(23084));
  EXPECT_EQ(errorCodes(), std::vector<std::int64_t>{9});
  EXPECT_TRUE(set("app", "prop3", "changed"));
  EXPECT_EQ(users->userPropertiesIncludingInternal(false).at("prop3"), Value("changed"));
  // A higher limit from the settings makes room.
  EXPECT_TRUE(set("app", "prop25", "v", {.maxPublicUserProperties = 26}));
  // Internal properties count per origin, apart from the public ones.
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(set("fcm", "_fcm" + std::to_string(i), "v")) << i;
  EXPECT_FALSE(set("fcm", "_fcm25", "v"));
  EXPECT_TRUE(set("auto", "_other", "v"));
}

TEST_F(WorkerQueueEntriesTest, ANewUserIDDropsTheAdvertisingIDResetProperty) {
  ASSERT_TRUE(set("app", "_id", "alice"));
  ASSERT_TRUE(set("auto", "_lair", "1"));
  ASSERT_TRUE(set("app", "_id", "alice"));
  EXPECT_TRUE(has("_lair"));
  ASSERT_TRUE(set("app", "_id", "bob", {.lastAdvertisingIDResetFeatureEnabled = false}));
  EXPECT_TRUE(has("_lair"));
  ASSERT_TRUE(set("app", "_id", "carol"));
  EXPECT_FALSE(has("_lair"));
}

TEST_F(WorkerQueueEntriesTest, UserPropertiesAreWrittenOnlyWhileEnabledAndReadBackByKind) {
  auto setAttribute = [&](const UserAttribute& attribute, bool enabled) {
    onWorker([&] { users->setUserAttributeOnWorkerQueue(attribute, enabled, {}); });
  };
  auto removeAttribute = [&](const UserAttribute& attribute, bool enabled) {
    onWorker([&] { users->removeUserAttributeOnWorkerQueue(attribute, enabled); });
  };
  setAttribute(UserAttribute("app", "tier", AnalyticsValue("gold"), 1), false);
  EXPECT_FALSE(has("tier"));
  setAttribute(UserAttribute("app", "tier", AnalyticsValue("gold"), 1), true);
  setAttribute(UserAttribute("auto", "score", AnalyticsValue(2.5), 1), true);
  setAttribute(UserAttribute("auto", "_n", AnalyticsValue(std::int64_t{3}), 1), true);
  EXPECT_EQ(users->userPropertiesIncludingInternal(false),
            (Dictionary{{"tier", Value("gold")}, {"score", Value(2.5)}}));
  EXPECT_EQ(users->userPropertiesIncludingInternal(true).at("_n"), Value(3));
  EXPECT_EQ(users->userAttributeWithName("tier")->value.stringValue(), "gold");

  removeAttribute(UserAttribute("", "tier", AnalyticsValue(0.0), 1), false);
  EXPECT_TRUE(has("tier"));
  removeAttribute(UserAttribute("", "tier", AnalyticsValue(0.0), 1), true);
  EXPECT_FALSE(has("tier"));
  EXPECT_FALSE(users->userAttributeWithName("tier"));
}

}  // namespace

}  // namespace sdk::analytics

