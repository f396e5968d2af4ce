#pragma once

// The analytics events a collector on loopback received, decoded from the batches the app posted to
// "/a"; a batch or an event that does not decode is a test failure.
#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <vector>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "testing/LoopbackServer.h"

namespace ostrel::testing {

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

inline std::vector<sdk::analytics::AnalyticsEvent> uploadedAnalyticsEvents(const std::vector<LoopbackRequest>& requests) {
  std::vector<sdk::analytics::AnalyticsEvent> events;
  for (const auto& bundle : uploadedAnalyticsBundles(requests)) {
    for (const auto& message : sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoEvent>(*bundle, 1)) {
      auto event = sdk::analytics::eventFromProtoEvent(*message);
      EXPECT_TRUE(event) << "an event that does not decode";
      if (event) events.push_back(std::move(*event));
    }
  }
  return events;
}

}  // namespace ostrel::testing
