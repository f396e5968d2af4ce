#pragma once

#include <cstdint>

// The message codes of the reporters log lines. A code is what monitoring data counts and what a
// reader of the log searches for, so each number stays as it is; the name says what the line reports.
namespace sdk::analytics::messages {

inline constexpr std::int64_t kAdUnitExposureBeginWithoutID = 1000;
inline constexpr std::int64_t kAdUnitLimitReached = 1002;
inline constexpr std::int64_t kAdUnitExposureEndWithoutID = 1003;
inline constexpr std::int64_t kUnknownAdUnit = 1004;
inline constexpr std::int64_t kAdExposureNotLoggedWhileDisabled = 1005;
inline constexpr std::int64_t kAdExposureTooShort = 1006;
inline constexpr std::int64_t kAdUnitExposureNotLoggedWhileDisabled = 1007;
inline constexpr std::int64_t kAdUnitExposureWithoutID = 1008;
inline constexpr std::int64_t kAdUnitExposureTooShort = 1009;
inline constexpr std::int64_t kAdExposureNotLoggedWhileInactive = 1010;
inline constexpr std::int64_t kAdUnitExposureNotLoggedWhileInactive = 1011;
inline constexpr std::int64_t kTransactionMissing = 21014;
inline constexpr std::int64_t kTransactionIdentifierMissing = 21015;
inline constexpr std::int64_t kTransactionIdentifierEmpty = 21016;
inline constexpr std::int64_t kTransactionIdentifierAllZeroes = 21017;
inline constexpr std::int64_t kProductInformationRequestFailed = 21027;
inline constexpr std::int64_t kDeepLinkQueryEmpty = 23000;
inline constexpr std::int64_t kDeepLinkParamsInvalid = 23001;
inline constexpr std::int64_t kPurchaseFingerprintEmpty = 23139;
inline constexpr std::int64_t kPurchaseFingerprintSaveFailed = 23140;
inline constexpr std::int64_t kDuplicatePurchaseNotReported = 23141;
inline constexpr std::int64_t kOpenURLOnWorkerQueue = 23163;
inline constexpr std::int64_t kPurchaseFingerprintForgetFailed = 23164;
inline constexpr std::int64_t kDeferredDeepLinkDisabled = 23193;
inline constexpr std::int64_t kDeferredDeepLinkAlreadyRetrieved = 23194;
inline constexpr std::int64_t kDeferredDeepLinkRetryLimitReached = 23195;
inline constexpr std::int64_t kDeferredDeepLinkWithoutAdvertisingID = 23196;
inline constexpr std::int64_t kDeferredDeepLinkEnabled = 23197;
inline constexpr std::int64_t kDeferredDeepLinkURLInvalid = 23198;
inline constexpr std::int64_t kDeferredDeepLinkFetchFailed = 23199;
inline constexpr std::int64_t kDeferredDeepLinkRetrieved = 23200;
inline constexpr std::int64_t kDeferredDeepLinkResponseEmpty = 23201;
inline constexpr std::int64_t kDeferredDeepLinkParseFailed = 23202;
inline constexpr std::int64_t kDeferredDeepLinkSent = 23203;
inline constexpr std::int64_t kDeferredDeepLinkHandlerMissing = 23204;
inline constexpr std::int64_t kDeepLinkClickIdentifierInvalid = 23205;
inline constexpr std::int64_t kScreenNameIgnoredWhileDisabled = 31000;
inline constexpr std::int64_t kScreenNameInvalid = 31001;
inline constexpr std::int64_t kScreenClassInvalid = 31002;
inline constexpr std::int64_t kScreenNameBeforeAppearance = 31003;
inline constexpr std::int64_t kDuplicateScreenIgnored = 31004;
inline constexpr std::int64_t kNilViewController = 31005;
inline constexpr std::int64_t kViewControllerAlreadyTracked = 31006;
inline constexpr std::int64_t kDefaultScreenClassTrimmed = 31007;
inline constexpr std::int64_t kDefaultScreenClassInvalid = 31008;
inline constexpr std::int64_t kScreenNameAndClassSet = 31009;
inline constexpr std::int64_t kTrackingViewController = 31010;
inline constexpr std::int64_t kRootViewControllerNotFound = 31011;
inline constexpr std::int64_t kScreenViewWithoutParameters = 31012;
inline constexpr std::int64_t kScreenViewWhileInactive = 31013;
inline constexpr std::int64_t kScreenClassNameEmpty = 31014;
inline constexpr std::int64_t kScreenClassNameInvalid = 31015;
inline constexpr std::int64_t kScreenReporterDelegateOverride = 31016;
inline constexpr std::int64_t kScreenViewWhenAppInactive = 31026;
inline constexpr std::int64_t kScreenViewNameInvalid = 31027;
inline constexpr std::int64_t kScreenViewClassInvalid = 31028;
inline constexpr std::int64_t kLoggingScreenView = 31029;
inline constexpr std::int64_t kSearchAdReporterWithoutQueue = 32000;
inline constexpr std::int64_t kSearchAdReporterWithoutConfig = 32001;
inline constexpr std::int64_t kSearchAdAlreadyReportedNotStarting = 32002;
inline constexpr std::int64_t kAdFrameworkNotLinked = 32003;
inline constexpr std::int64_t kSearchAdAlreadyReportedNotScheduled = 32004;
inline constexpr std::int64_t kSearchAdAlarmAlreadyScheduled = 32005;
inline constexpr std::int64_t kSearchAdTimerScheduling = 32006;
inline constexpr std::int64_t kSearchAdRetriesExceeded = 32007;
inline constexpr std::int64_t kSearchAdCampaignAlreadyTracked = 32008;
inline constexpr std::int64_t kSearchAdWithoutClickTimestamp = 32009;
inline constexpr std::int64_t kSearchAdRequestFailed = 32010;
inline constexpr std::int64_t kSearchAdDetailsEmpty = 32011;
inline constexpr std::int64_t kSearchAdDummyData = 32012;
inline constexpr std::int64_t kSearchAdAlarmAlreadyCanceled = 32013;
inline constexpr std::int64_t kNegativeSessionTimeout = 33001;
inline constexpr std::int64_t kNegativeEngagementTime = 33004;
inline constexpr std::int64_t kSessionStartWhileInactive = 33005;
inline constexpr std::int64_t kUserEngagementWhileInactive = 33006;
inline constexpr std::int64_t kAppBackgroundedWhileInactive = 33008;
inline constexpr std::int64_t kUnknownAssociatedObject = 36000;
inline constexpr std::int64_t kTransactionIDEmpty = 40003;
inline constexpr std::int64_t kRestoredNonConsumableInvalid = 40005;
inline constexpr std::int64_t kMismatchedTransactionIDsInvalid = 40007;
inline constexpr std::int64_t kAutoRenewableSubscriptionReported = 40008;
inline constexpr std::int64_t kFreeTrialSubscriptionReported = 40009;
inline constexpr std::int64_t kSubscriptionRenewalReported = 40010;
inline constexpr std::int64_t kFreeTrialRepurchaseInvalid = 40011;
inline constexpr std::int64_t kIntroductoryOfferReported = 40018;
inline constexpr std::int64_t kConsumableItemReported = 40021;
inline constexpr std::int64_t kNonConsumableItemReported = 40022;
inline constexpr std::int64_t kDuplicateTransactionDateInvalid = 40024;
inline constexpr std::int64_t kNonRenewingSubscriptionReported = 40025;
inline constexpr std::int64_t kTransactionWithoutProduct = 40026;
inline constexpr std::int64_t kTransactionWithoutProductID = 40027;
inline constexpr std::int64_t kTransactionFromNilTransaction = 40028;

}  // namespace sdk::analytics::messages
