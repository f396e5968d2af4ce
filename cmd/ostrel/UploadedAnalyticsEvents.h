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
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "testing/LoopbackServer.h"

namespace ostrel::testing {

// Bundle fields as the batch carries them (field indexes of the message layer).
constexpr int kBundleEvents = 1;
constexpr int kBundleProperties = 2;
constexpr int kPropertyName = 1;
constexpr int kPropertyInteger = 3;
constexpr int kBundleEnd = 5;
constexpr int kBundleAppID = 14;
constexpr int kBundleIndex = 24;
constexpr int kBundleRetryCount = 35;

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
    for (auto& bundle : sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoMeasurementBundle>(*batch, 0)) {
      bundles.push_back(bundle);
    }
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
  std::map<std::string, std::int64_t> properties;
  for (const auto& a : sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoUserAttribute>(bundle, kBundleProperties)) {
    if (sdk::analytics::nanoHasField(*a, kPropertyInteger)) {
      properties[sdk::analytics::nanoGetString(*a, kPropertyName).value_or("")] = sdk::analytics::nanoGetInt64(*a, kPropertyInteger);
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
