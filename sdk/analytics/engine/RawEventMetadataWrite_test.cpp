#include <gtest/gtest.h>

#include "platform/foundation/Clock.h"
#include "platform/foundation/IdentityFacts.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/EventPipelineTestSupport.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/RawEventMetadata.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/rules/ConditionalUserPropertyController.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;
using sdk::analytics::EventHandler;
using sdk::analytics::RawEventMetadata;
using namespace sdk::analytics::measurement_fields;

// The event path with the real metadata over a real identity.
class MetadataHost : public ostrel::testing::PipelineHost {
 public:
  std::shared_ptr<ProtoMeasurementBundle> createRawEventMetadataWithUserAttributes(
      const std::vector<UserAttribute>& attributes) const override {
    return RawEventMetadata::create(*identity, attributes);
  }
  std::shared_ptr<Identity> identity;
};

class RawEventMetadataWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = ostrel::testing::ScopedIdentitySettings::install();
    platform::foundation::IdentityFacts facts;
    facts.identifierForVendor = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
    platform::foundation::IdentityFacts::setCurrent(facts);
    host->database_ = ostrel::testing::succeeded(
        MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName, host->persisted));
    ASSERT_TRUE(host->database_);
    host->identity = Identity::initWithPersistedConfig(host->persisted);
    controller = std::make_shared<ConditionalUserPropertyController>(host);
    handler = std::make_unique<EventHandler>(*host, host->database_, controller, host);
    host->handler = handler.get();
  }
  void TearDown() override {
    host->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", [] {});
    platform::foundation::IdentityFacts::reset();
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }

  void handle(const std::string& name) {
    auto event = AnalyticsEvent::create("app", true, name, 1000, 0, {});
    ASSERT_TRUE(event);
    host->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", [&] { handler->handleEventOnWorkerQueue(*event); });
  }
  std::vector<std::int64_t> fingerprints() {
    auto rows = host->database_->store().recordsForQuery("SELECT rowid, * FROM raw_events ORDER BY rowid", {});
    std::vector<std::int64_t> found;
    for (const auto& row : rows ? *rows : std::vector<MeasurementDatabase::Row>{}) {
      if (auto data = MeasurementDatabase::rawEventDataFromDictionary(row)) found.push_back(data->metadataFingerprint);
    }
    return found;
  }
  std::shared_ptr<ProtoMeasurementBundle> metadata(std::int64_t fingerprint) {
    return ostrel::testing::succeeded(host->database_->queryRawEventsMetadataWithFingerprint(fingerprint));
  }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<ostrel::testing::ScopedIdentitySettings> settings;
  std::shared_ptr<MetadataHost> host = std::make_shared<MetadataHost>();
  std::shared_ptr<ConditionalUserPropertyController> controller;
  std::unique_ptr<EventHandler> handler;
};

TEST_F(RawEventMetadataWriteTest, StoredEventsShareMetadataUntilConsentChanges) {
  handle("level_start");
  handle("level_end");
  ConsentSettings::setConsentSettings(Dictionary{{"analytics_storage", Value("denied")}});
  handle("level_start");

  auto stored = fingerprints();
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[0], stored[1]);
  EXPECT_NE(stored[1], stored[2]);

  auto granted = metadata(stored[0]);
  ASSERT_TRUE(granted);
  EXPECT_EQ(nanoGetString(*granted, kBundleAppInstanceID)->size(), 32u);
  EXPECT_TRUE(nanoHasField(*granted, kBundleVendorDeviceID));
  EXPECT_EQ(nanoGetString(*granted, kBundleConsentSignals), "G1--");

  auto denied = metadata(stored[2]);
  ASSERT_TRUE(denied);
  EXPECT_FALSE(nanoHasField(*denied, kBundleAppInstanceID));
  EXPECT_FALSE(nanoHasField(*denied, kBundleVendorDeviceID));
  EXPECT_FALSE(nanoHasField(*denied, kBundleResettableDeviceID));
  EXPECT_EQ(nanoGetString(*denied, kBundleConsentSignals), "G1-0");
}

}  // namespace

}  // namespace sdk::analytics

