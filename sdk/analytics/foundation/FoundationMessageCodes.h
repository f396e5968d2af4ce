#pragma once

#include <cstdint>

// The message codes of the analytics foundation log lines. A code is what monitoring data counts and what a
// reader of the log searches for, so each number stays as it is; the name says what the line reports.
namespace sdk::analytics::messages {

inline constexpr std::int64_t kDatabaseOpenFailed = 12001;
inline constexpr std::int64_t kDatabaseTableCreationFailed = 12002;
inline constexpr std::int64_t kDatabaseResetFailed = 12003;
inline constexpr std::int64_t kStaleDataDeletionTimeReadFailed = 12004;
inline constexpr std::int64_t kStaleDataDeletionFailed = 12005;
inline constexpr std::int64_t kDamagedDatabaseMovedAside = 12006;
inline constexpr std::int64_t kUserPropertyQueryFailed = 12010;
inline constexpr std::int64_t kUserPropertyUpdateFailed = 12011;
inline constexpr std::int64_t kUserPropertyDeletionFailed = 12012;
inline constexpr std::int64_t kUserPropertyCountFailed = 12013;
inline constexpr std::int64_t kUserPropertiesReadFailed = 12014;
inline constexpr std::int64_t kEventAggregatesQueryFailed = 12015;
inline constexpr std::int64_t kEventAggregatesUpdateFailed = 12016;
inline constexpr std::int64_t kSessionCountsClearFailed = 12017;
inline constexpr std::int64_t kEventCountFailed = 12018;
inline constexpr std::int64_t kDailyCountsReadFailed = 12019;
inline constexpr std::int64_t kDailyCountsUpdateFailed = 12020;
inline constexpr std::int64_t kRawEventMetadataInsertFailed = 12030;
inline constexpr std::int64_t kRawEventInsertFailed = 12031;
inline constexpr std::int64_t kNextMetadataFingerprintQueryFailed = 12032;
inline constexpr std::int64_t kRawEventsForMetadataQueryFailed = 12034;
inline constexpr std::int64_t kRawEventMetadataQueryFailed = 12035;
inline constexpr std::int64_t kRawEventForMetadataExistenceQueryFailed = 12036;
inline constexpr std::int64_t kRawEventsDeletionFailed = 12037;
inline constexpr std::int64_t kRawEventMetadataDeletionFailed = 12038;
inline constexpr std::int64_t kRawEventsOverLimitDeletionFailed = 12039;
inline constexpr std::int64_t kRawEventTimeQueryFailed = 12040;
inline constexpr std::int64_t kRawEventsExistenceQueryFailed = 12041;
inline constexpr std::int64_t kBundleInsertFailed = 12042;
inline constexpr std::int64_t kBundlesQueryFailed = 12043;
inline constexpr std::int64_t kBundleRetryCountsIncrementFailed = 12044;
inline constexpr std::int64_t kBundlesDeletionFailed = 12045;
inline constexpr std::int64_t kBundleTimeQueryFailed = 12046;
inline constexpr std::int64_t kBundlesExistenceQueryFailed = 12047;
inline constexpr std::int64_t kStoredDataSummaryQueryFailed = 12048;
inline constexpr std::int64_t kUnreadableRowDeleted = 12050;
inline constexpr std::int64_t kTransactionFailed = 12056;
inline constexpr std::int64_t kDataOlderThanUploadWaitDeleted = 12057;
inline constexpr std::int64_t kPurchaseFingerprintStoreFailed = 12060;
inline constexpr std::int64_t kSubscriptionIDStoreFailed = 12061;
inline constexpr std::int64_t kSubscriptionsOverLimitDeletionFailed = 12062;
inline constexpr std::int64_t kAppMetadataReadFailed = 12063;
inline constexpr std::int64_t kAppMetadataUpdateFailed = 12064;
inline constexpr std::int64_t kRemoteConfigurationStoreFailed = 12065;
inline constexpr std::int64_t kRemoteConfigurationReadFailed = 12066;
inline constexpr std::int64_t kRemoteConfigurationTimeReadFailed = 12067;
inline constexpr std::int64_t kConfigurationFetchTimeStoreFailed = 12068;
inline constexpr std::int64_t kFilterNameEmpty = 12070;
inline constexpr std::int64_t kEventFiltersReadFailed = 12071;
inline constexpr std::int64_t kPropertyFiltersReadFailed = 12072;
inline constexpr std::int64_t kAudienceResultsReadFailed = 12073;
inline constexpr std::int64_t kAudienceIDsReadFailed = 12074;
inline constexpr std::int64_t kSessionScopedFiltersReadFailed = 12075;
inline constexpr std::int64_t kAudienceResultsStoreFailed = 12076;
inline constexpr std::int64_t kAudienceResultsDeletionFailed = 12077;
inline constexpr std::int64_t kEventFiltersStoreFailed = 12078;
inline constexpr std::int64_t kPropertyFiltersStoreFailed = 12079;
inline constexpr std::int64_t kFiltersDeletionFailed = 12080;
inline constexpr std::int64_t kConditionalUserPropertiesReadFailed = 12090;
inline constexpr std::int64_t kConditionalUserPropertyInvalid = 12091;
inline constexpr std::int64_t kConditionalUserPropertyQueryFailed = 12092;
inline constexpr std::int64_t kDataTypeTableFull = 12093;
inline constexpr std::int64_t kConditionalUserPropertyStoreFailed = 12094;
inline constexpr std::int64_t kConditionalUserPropertyDeletionFailed = 12095;
inline constexpr std::int64_t kTriggeredConditionalPropertiesEventNameEmpty = 12096;
inline constexpr std::int64_t kPurchaseFingerprintDeletionFailed = 12097;
inline constexpr std::int64_t kNameOrOriginEmpty = 13000;
inline constexpr std::int64_t kNameTooLong = 13001;
inline constexpr std::int64_t kNameHasInvalidCharacters = 13002;
inline constexpr std::int64_t kNameDoesNotStartWithLetter = 13003;
inline constexpr std::int64_t kValueStringInvalid = 13004;
inline constexpr std::int64_t kOriginNotForwarded = 13005;
inline constexpr std::int64_t kEventNameReserved = 13006;
inline constexpr std::int64_t kEventNameReservedPrefix = 13007;
inline constexpr std::int64_t kParameterNameReservedPrefix = 13008;
inline constexpr std::int64_t kUserPropertyNameReserved = 13009;
inline constexpr std::int64_t kUserPropertyNameReservedPrefix = 13010;
inline constexpr std::int64_t kPreviousTimestampAfterCurrent = 16002;
inline constexpr std::int64_t kInvalidScreenClassReceived = 16003;
inline constexpr std::int64_t kInvalidScreenNameReceived = 16004;
inline constexpr std::int64_t kNameToCheckNotString = 18002;
inline constexpr std::int64_t kNameToCheckEmpty = 18003;
inline constexpr std::int64_t kEventNameToCheckEmpty = 18004;
inline constexpr std::int64_t kUnsupportedParameterValueType = 18015;
inline constexpr std::int64_t kUnsupportedItemParameter = 18016;
inline constexpr std::int64_t kTooManyEventParameters = 18017;
inline constexpr std::int64_t kMeasurementDirectoryNotFound = 19001;
inline constexpr std::int64_t kDecimalFromStringFailed = 26002;
inline constexpr std::int64_t kDecimalFromStringLosesPrecision = 26003;
inline constexpr std::int64_t kRandomIntegerFailed = 26004;
inline constexpr std::int64_t kPersistedConfigMissing = 27001;
inline constexpr std::int64_t kKeychainValueStoreFailed = 27002;
inline constexpr std::int64_t kWorkerQueueException = 30000;
inline constexpr std::int64_t kMethodCalledOffWorkerQueue = 30001;
inline constexpr std::int64_t kNilBlockDispatchedOnWorkerQueue = 30002;
inline constexpr std::int64_t kNilBlockScheduledOnWorkerQueue = 30005;
inline constexpr std::int64_t kNilBlockScheduledOnAlarm = 30006;

}  // namespace sdk::analytics::messages
