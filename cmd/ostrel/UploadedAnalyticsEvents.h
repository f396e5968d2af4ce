#pragma once

// The analytics events a collector on loopback received, decoded from the batches the app posted to
// "/a"; a batch or an event that does not decode is a test failure.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "testing/LoopbackServer.h"

namespace ostrel::testing {

// The bundle fields the tests read.
using sdk::analytics::measurement_fields::kBundleAppID;
using sdk::analytics::measurement_fields::kBundleEndTimestamp;
using sdk::analytics::measurement_fields::kBundleEvents;
using sdk::analytics::measurement_fields::kBundleIndex;
using sdk::analytics::measurement_fields::kBundleRetryCount;

// The analytics bundles of every batch among `requests`.
inline std::vector<std::shared_ptr<sdk::analytics::ProtoMeasurementBundle>> uploadedAnalyticsBundles(
    const std::vector<LoopbackRequest>& requests) {
  std::vector<std::shared_ptr<sdk::analytics::ProtoMeasurementBundle>> bundles;
  for (const auto& request : requests) {
    if (request.path != "/a") continue;
    auto batch = sdk::analytics::ProtoMeasurementBatch::initWithBuffer(
        std::span(reinterpret_cast<const std::uint8_t*>(request.body.data()), request.body.size()));
    EXPECT_TRUE(batch) << "a batch that does not decode";
    if (!batch) continue;
    const auto taken = sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoMeasurementBundle>(
        *batch, sdk::analytics::measurement_fields::kBatchBundles);
    bundles.insert(bundles.end(), taken.begin(), taken.end());
  }
  return bundles;
}

// The events of `bundle`.
inline std::vector<sdk::analytics::AnalyticsEvent> decodedEvents(const sdk::analytics::ProtoMeasurementBundle& bundle) {
  std::vector<sdk::analytics::AnalyticsEvent> events;
  for (const auto& message : sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoEvent>(bundle, kBundleEvents)) {
    auto event = sdk::analytics::eventFromProtoEvent(*message);
    EXPECT_TRUE(event) << "an event that does not decode";
    if (event) events.push_back(std::move(*event));
  }
  return events;
}

// The user properties of `bundle` that hold an integer, by name.
inline std::map<std::string, std::int64_t> integerProperties(const sdk::analytics::ProtoMeasurementBundle& bundle) {
  using namespace sdk::analytics::measurement_fields;
  std::map<std::string, std::int64_t> properties;
  for (const auto& a : sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoUserAttribute>(bundle, kBundleUserAttributes)) {
    if (sdk::analytics::nanoHasField(*a, kAttributeInteger)) {
      properties[sdk::analytics::nanoGetString(*a, kAttributeName).value_or("")] = sdk::analytics::nanoGetInt64(*a, kAttributeInteger);
    }
  }
  return properties;
}

// The analytics events of every batch among `requests`.
inline std::vector<sdk::analytics::AnalyticsEvent> uploadedAnalyticsEvents(const std::vector<LoopbackRequest>& requests) {
  std::vector<sdk::analytics::AnalyticsEvent> events;
  for (const auto& bundle : uploadedAnalyticsBundles(requests)) {
    auto some = decodedEvents(*bundle);
    events.insert(events.end(), std::make_move_iterator(some.begin()), std::make_move_iterator(some.end()));
  }
  return events;
}

}  // namespace ostrel::testing
