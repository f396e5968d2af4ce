#pragma once

#include <cstdint>

// The message codes of the rules layer's log lines (audiences, filters, conditional user properties, event
// editing, experiments). A code is what monitoring data counts and what a reader of the log searches for, so
// each number stays as it is; the name says what the line reports.
namespace sdk::analytics::messages {

// Audiences: definitions, evaluation and result bundling.
inline constexpr std::int64_t kEventFiltersQueryFailed = 6000;
inline constexpr std::int64_t kEventFilterResultQueryFailed = 6001;
inline constexpr std::int64_t kEventFilterResultsSaveFailed = 6003;
inline constexpr std::int64_t kPropertyFiltersQueryFailed = 6004;
inline constexpr std::int64_t kPropertyFilterResultQueryFailed = 6005;
inline constexpr std::int64_t kPropertyFilterResultsSaveFailed = 6007;
inline constexpr std::int64_t kTooManyAudiences = 6008;
inline constexpr std::int64_t kAudienceDefinitionInvalid = 6009;
inline constexpr std::int64_t kEventFiltersDeleteFailed = 6010;
inline constexpr std::int64_t kPropertyFiltersDeleteFailed = 6011;
inline constexpr std::int64_t kEventFiltersSaveFailed = 6012;
inline constexpr std::int64_t kPropertyFiltersSaveFailed = 6013;
inline constexpr std::int64_t kFilterResultsQueryFailedOnSave = 6015;
inline constexpr std::int64_t kTooManyFilterResults = 6016;
inline constexpr std::int64_t kAudienceIdsQueryFailed = 6017;
inline constexpr std::int64_t kStaleFilterResultsDeleteFailed = 6018;
inline constexpr std::int64_t kFilterResultsQueryFailedOnBundle = 6019;
inline constexpr std::int64_t kResultDataMissing = 6020;
inline constexpr std::int64_t kResultStatusZero = 6021;
inline constexpr std::int64_t kFilterResultsSaveFailedOnBundle = 6022;
inline constexpr std::int64_t kResultMissingStatusOrResults = 6023;
inline constexpr std::int64_t kEventFilterSetAside = 6024;
inline constexpr std::int64_t kPropertyFilterSetAside = 6025;
inline constexpr std::int64_t kEventFiltersOutOfTime = 6026;
inline constexpr std::int64_t kPropertyFiltersOutOfTime = 6027;
inline constexpr std::int64_t kSetAsideEventFiltersSkipped = 6028;
inline constexpr std::int64_t kSetAsidePropertyFiltersSkipped = 6029;
inline constexpr std::int64_t kEventFilterCorrupt = 6035;
inline constexpr std::int64_t kPropertyFilterCorrupt = 6036;
inline constexpr std::int64_t kEvaluationTimestampEarlierThanCached = 6037;
inline constexpr std::int64_t kUserPropertyNotConvertible = 6039;
inline constexpr std::int64_t kSessionScopedFiltersQueryFailed = 6040;
inline constexpr std::int64_t kFilterResultsQueryFailedOnSessionClear = 6041;
inline constexpr std::int64_t kFilterResultsDeleteFailedOnSessionClear = 6042;
inline constexpr std::int64_t kFilterResultsUpdateFailedOnSessionClear = 6043;

// Audience filters against events and user properties.
inline constexpr std::int64_t kFilterHasNoNumberOrStringFilter = 7000;
inline constexpr std::int64_t kStringValueNotNumeric = 7001;
inline constexpr std::int64_t kValueOutOfDoubleRange = 7002;
inline constexpr std::int64_t kValueNotString = 7003;
inline constexpr std::int64_t kEventFilterMissing = 7004;
inline constexpr std::int64_t kEventNameMissing = 7005;
inline constexpr std::int64_t kEventFilterNameMismatch = 7006;
inline constexpr std::int64_t kEventAggregatesNameMismatch = 7007;
inline constexpr std::int64_t kEventFilterHasNoParameterName = 7008;
inline constexpr std::int64_t kEventLacksFilteredParameter = 7009;
inline constexpr std::int64_t kStringParameterWithoutStringFilter = 7010;
inline constexpr std::int64_t kPropertyFilterMissing = 7011;
inline constexpr std::int64_t kUserPropertyMissing = 7012;
inline constexpr std::int64_t kUserPropertyNameMismatch = 7013;
inline constexpr std::int64_t kPropertyFilterHasNoFilter = 7014;
inline constexpr std::int64_t kUnknownUserPropertyType = 7015;

// Number filters.
inline constexpr std::int64_t kComparisonValueNotNumber = 8002;
inline constexpr std::int64_t kMinComparisonValueNotNumber = 8004;
inline constexpr std::int64_t kMaxComparisonValueNotNumber = 8005;
inline constexpr std::int64_t kNumberFilterHasNoComparisonType = 8006;
inline constexpr std::int64_t kNumberFilterUnknownComparisonType = 8007;
inline constexpr std::int64_t kNumberFilterInvalidComparisonValue = 8008;
inline constexpr std::int64_t kNumberFilterInvalidMinComparisonValue = 8009;
inline constexpr std::int64_t kNumberFilterInvalidMaxComparisonValue = 8010;
inline constexpr std::int64_t kNumberFilterRealUnknownComparisonType = 8011;
inline constexpr std::int64_t kNumberFilterInvalid = 8012;
inline constexpr std::int64_t kParsedComparisonValuesInvalid = 8015;

// String filters and their regular expressions.
inline constexpr std::int64_t kStringFilterHasNoMatchType = 9000;
inline constexpr std::int64_t kStringFilterUnknownMatchType = 9001;
inline constexpr std::int64_t kStringFilterHasNoExpression = 9002;
inline constexpr std::int64_t kStringFilterHasNoExpressionList = 9003;
inline constexpr std::int64_t kRegularExpressionUnparsable = 9004;
inline constexpr std::int64_t kEvaluationStringMissing = 9005;
inline constexpr std::int64_t kStringFilterInvalid = 9006;
inline constexpr std::int64_t kRegularExpressionOverLimit = 9007;
inline constexpr std::int64_t kRegularExpressionTooCostly = 9008;

// Conditional user properties reached by events, timeouts and expiry.
inline constexpr std::int64_t kNilEventForConditionalProperties = 10000;
inline constexpr std::int64_t kTimedOutPropertiesFetchFailed = 10001;
inline constexpr std::int64_t kConditionalPropertyTimedOut = 10002;
inline constexpr std::int64_t kTimedOutPropertyDeleteFailed = 10003;
inline constexpr std::int64_t kExpiredPropertiesFetchFailed = 10004;
inline constexpr std::int64_t kConditionalPropertyExpired = 10005;
inline constexpr std::int64_t kExpiredUserPropertyDeleteFailed = 10006;
inline constexpr std::int64_t kExpiredPropertyDeleteFailed = 10007;
inline constexpr std::int64_t kTriggeringPropertiesFetchFailed = 10008;
inline constexpr std::int64_t kTriggeredUserPropertyUpdateFailed = 10009;
inline constexpr std::int64_t kTriggeredUserPropertyUpdated = 10010;
inline constexpr std::int64_t kTriggeredPropertyUpdateFailed = 10011;

// Conditional user properties set, queried and removed.
inline constexpr std::int64_t kInvalidTriggerTimeout = 11000;
inline constexpr std::int64_t kInvalidTimeToLive = 11001;
inline constexpr std::int64_t kNilConditionalPropertySet = 11002;
inline constexpr std::int64_t kQueryWhileAnalyticsDisabled = 11005;
inline constexpr std::int64_t kConditionalPropertiesQueryFailed = 11006;
inline constexpr std::int64_t kSetWhileAnalyticsDisabled = 11007;
inline constexpr std::int64_t kNilConditionalPropertySetOnWorker = 11008;
inline constexpr std::int64_t kConditionalPropertyQueryFailed = 11009;
inline constexpr std::int64_t kConditionalPropertyOriginChanged = 11010;
inline constexpr std::int64_t kActiveUserPropertyUpdateFailed = 11011;
inline constexpr std::int64_t kActiveUserPropertyUpdated = 11012;
inline constexpr std::int64_t kConditionalPropertyAdded = 11013;
inline constexpr std::int64_t kConditionalPropertyInsertFailed = 11014;
inline constexpr std::int64_t kRemoveWhileAnalyticsDisabled = 11015;
inline constexpr std::int64_t kNilConditionalPropertyRemoveOnWorker = 11016;
inline constexpr std::int64_t kPropertyToRemoveQueryFailed = 11017;
inline constexpr std::int64_t kNonexistentPropertyRemove = 11018;
inline constexpr std::int64_t kConditionalPropertyDeleteFailed = 11019;
inline constexpr std::int64_t kRemovedUserPropertyDeleteFailed = 11020;

// Event editing.
inline constexpr std::int64_t kEventEditingFailed = 23223;
inline constexpr std::int64_t kCreatedEventInvalid = 23223;

// Sequence timestamps.
inline constexpr std::int64_t kSequenceTimestampAddedOutOfOrder = 42000;
inline constexpr std::int64_t kSequenceTimestampSetOutOfOrder = 42001;

// Experiments: registered clients, flags and activation.
inline constexpr std::int64_t kClientWithoutProperty = 800000;
inline constexpr std::int64_t kClientWithoutSDKName = 800001;
inline constexpr std::int64_t kClientWithInvalidFlags = 800002;
inline constexpr std::int64_t kClientRegisteredAgain = 800003;
inline constexpr std::int64_t kClientRegistrationFailed = 800004;
inline constexpr std::int64_t kClientRegistered = 800005;
inline constexpr std::int64_t kClientLookupWithoutSDKName = 800007;
inline constexpr std::int64_t kFlagValueWithoutSDKName = 800010;
inline constexpr std::int64_t kFlagValueWithoutFlagName = 800011;
inline constexpr std::int64_t kSDKNotRegistered = 800012;
inline constexpr std::int64_t kFlagOfUnregisteredSDK = 800013;
inline constexpr std::int64_t kUnregisteredFlag = 800014;
inline constexpr std::int64_t kLookingForActivatedFlag = 800015;
inline constexpr std::int64_t kLookingForLaunchedFlag = 800016;
inline constexpr std::int64_t kAsyncExperimentsQueueException = 800017;
inline constexpr std::int64_t kSyncExperimentsQueueException = 800018;
inline constexpr std::int64_t kDefaultFlagReturned = 800019;
inline constexpr std::int64_t kNoPendingSnapshotsToNotify = 800020;
inline constexpr std::int64_t kClientIgnoresNewSnapshots = 800021;
inline constexpr std::int64_t kActivationWithoutSDKName = 800022;
inline constexpr std::int64_t kNoPendingSnapshotToActivate = 800023;
inline constexpr std::int64_t kActivationCheckWithoutSDKName = 800024;
inline constexpr std::int64_t kResetWithoutSDKName = 800025;
inline constexpr std::int64_t kResetOfUnregisteredSDK = 800026;
inline constexpr std::int64_t kExperimentsResetToDefault = 800027;
inline constexpr std::int64_t kSnapshotActivated = 800028;

// The experiments database.
inline constexpr std::int64_t kExperimentsDatabaseInvalidPath = 810000;
inline constexpr std::int64_t kExperimentsDatabaseOpenFailed = 810001;
inline constexpr std::int64_t kExperimentsDatabaseTablesInvalid = 810002;
inline constexpr std::int64_t kExperimentsDatabaseFileDeleteFailed = 810003;
inline constexpr std::int64_t kExperimentsDatabaseTableEnsureFailed = 810004;
inline constexpr std::int64_t kExperimentsDatabaseDataDeleteFailed = 810005;
inline constexpr std::int64_t kExperimentsDatabaseReinitialized = 810006;
inline constexpr std::int64_t kExperimentsDatabaseTransactionFailed = 810007;

// The experiments task manager: fetching, storing and activating snapshots.
inline constexpr std::int64_t kFetchingExperiments = 820001;
inline constexpr std::int64_t kFetchFailedWillRetry = 820002;
inline constexpr std::int64_t kFetchSucceeded = 820003;
inline constexpr std::int64_t kStaleSnapshotsDeleteFailed = 820006;
inline constexpr std::int64_t kAutomaticActivationFailed = 820007;
inline constexpr std::int64_t kTaskManagerStartFailed = 820008;
inline constexpr std::int64_t kTaskManagerStarted = 820009;
inline constexpr std::int64_t kActivatedSnapshotsFetchFailed = 820010;
inline constexpr std::int64_t kPendingSnapshotsFetchFailed = 820011;
inline constexpr std::int64_t kLaunchedSnapshotsFetchFailed = 820012;
inline constexpr std::int64_t kEmptySnapshotActivation = 820013;
inline constexpr std::int64_t kSDKSnapshotActivationFailed = 820014;
inline constexpr std::int64_t kSnapshotsFromNilResponse = 820015;
inline constexpr std::int64_t kSnapshotFromProtoFailed = 820016;
inline constexpr std::int64_t kFetchAlreadyScheduled = 820017;
inline constexpr std::int64_t kTaskResetWithoutSDKName = 820018;
inline constexpr std::int64_t kExperimentsResetInDatabaseFailed = 820019;
inline constexpr std::int64_t kEmptyPendingSnapshotList = 820020;
inline constexpr std::int64_t kPendingSnapshotsSaveFailed = 820021;
inline constexpr std::int64_t kFetchedSnapshotsSaveFailed = 820022;
inline constexpr std::int64_t kDownloadInflateFailed = 820023;
inline constexpr std::int64_t kTooManyFetchAttempts = 820024;
inline constexpr std::int64_t kSnapshotsFromEmptyData = 820025;
inline constexpr std::int64_t kAsyncWorkerQueueException = 820026;
inline constexpr std::int64_t kSyncWorkerQueueException = 820027;

// Experiment clients, snapshots, flags and request building.
inline constexpr std::int64_t kClientWithNilProperty = 830000;
inline constexpr std::int64_t kFlagValueWithEmptyName = 830002;
inline constexpr std::int64_t kFlagValueWithInvalidName = 830003;
inline constexpr std::int64_t kSnapshotWithInvalidSDKName = 840000;
inline constexpr std::int64_t kFlagWithEmptyExperimentID = 840003;
inline constexpr std::int64_t kInvalidFlagInSnapshot = 840004;
inline constexpr std::int64_t kFlagNameMissing = 850000;
inline constexpr std::int64_t kFlagNameNotString = 850001;
inline constexpr std::int64_t kFlagValueInvalid = 850002;
inline constexpr std::int64_t kDiversionKeyEmpty = 860001;
inline constexpr std::int64_t kExperimentWithoutID = 870000;
inline constexpr std::int64_t kEmptyFlagInExperiment = 870004;
inline constexpr std::int64_t kUnnamedFlagInExperiment = 870006;
inline constexpr std::int64_t kFlagLookupWithoutName = 870007;
inline constexpr std::int64_t kEmptySDKProperty = 880000;

}  // namespace sdk::analytics::messages
