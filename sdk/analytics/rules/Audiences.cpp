#include "sdk/analytics/rules/Audiences.h"

#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {

Audiences::Audiences(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<const MeasurementHost> host)
    : definitions_(database, host), evaluation_(database, host->monitor()), results_(database, host->monitor()) {}

bool Audiences::updateAudiences(const std::vector<std::shared_ptr<ProtoAudience>>& audiences) {
  return definitions_.updateAudiences(audiences);
}

bool Audiences::maybeDeleteStaleFilterResults(const std::set<std::int32_t>& audienceIDs) {
  return definitions_.maybeDeleteStaleFilterResults(audienceIDs);
}

bool Audiences::evaluateFiltersForEvent(const AnalyticsEvent& event, const EventAggregates* eventAggregates,
                                        AudienceTimestampsCache* audienceTimestampsCache) {
  return evaluation_.evaluateFiltersForEvent(event, eventAggregates, audienceTimestampsCache);
}

bool Audiences::evaluateFiltersForEventName(const std::string& eventName, const Parameters& eventParameters,
                                            const EventAggregates* eventAggregates, double eventTimestamp,
                                            AudienceTimestampsCache* audienceTimestampsCache) {
  return evaluation_.evaluateFiltersForEventName(eventName, eventParameters, eventAggregates, eventTimestamp,
                                                 audienceTimestampsCache);
}

bool Audiences::evaluateFiltersForUserProperty(const UserAttribute& userProperty,
                                               AudienceTimestampsCache* audienceTimestampsCache,
                                               double evaluationTimestamp) {
  return evaluation_.evaluateFiltersForUserProperty(userProperty, audienceTimestampsCache, evaluationTimestamp);
}

bool Audiences::evaluateFiltersForNanoUserProperty(const ProtoUserAttribute& userProperty,
                                                   AudienceTimestampsCache* audienceTimestampsCache,
                                                   std::optional<double> evaluationTime) {
  return evaluation_.evaluateFiltersForNanoUserProperty(userProperty, audienceTimestampsCache, evaluationTime);
}

bool Audiences::resultsForBundling(std::optional<std::vector<std::shared_ptr<ProtoAudienceLeafFilterResult>>>* results) {
  return results_.resultsForBundling(results);
}

bool Audiences::clearEvaluationResultsForSessionScopedFilters() {
  return results_.clearEvaluationResultsForSessionScopedFilters();
}

}  // namespace sdk::analytics
