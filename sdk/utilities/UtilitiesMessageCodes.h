#pragma once

#include <cstdint>

namespace sdk::utilities::messages {

// Codes of the utilities' log lines. Log readers match on them: a code never changes once it has shipped.

// The HTTP client's own codes, handed to its logger delegate as numbers.
constexpr std::int64_t kUploadingData = 900000;
constexpr std::int64_t kDownloadingData = 900001;
constexpr std::int64_t kNetworkRequestNotCreated = 900002;
constexpr std::int64_t kRequestBodyFileNotWritten = 901000;
constexpr std::int64_t kDownloadedDataPathEmpty = 901001;
constexpr std::int64_t kDownloadedDataUnreadable = 901002;
constexpr std::int64_t kBackgroundSessionFinished = 901003;
constexpr std::int64_t kServerTrustEmpty = 901004;
constexpr std::int64_t kServerIdentityUnverified = 901005;
constexpr std::int64_t kSslChallengeReceived = 901006;
constexpr std::int64_t kAuthenticationChallengeCancelled = 901007;
constexpr std::int64_t kServerTrustNotEvaluated = 901008;
constexpr std::int64_t kSystemCompletionHandlerNil = 901009;
constexpr std::int64_t kSystemCompletionHandlerWithoutSessionID = 901010;
constexpr std::int64_t kSystemCompletionHandlerRepeated = 901011;
constexpr std::int64_t kNetworkTemporaryFolderUnlisted = 901012;
constexpr std::int64_t kUploadDataFileNotRemoved = 901013;
constexpr std::int64_t kNetworkTemporaryFolderUnreachable = 901014;
constexpr std::int64_t kNetworkTemporaryFolderNotCreated = 901015;
constexpr std::int64_t kNetworkTemporaryFolderBackupNotExcluded = 901016;
constexpr std::int64_t kNetworkError = 901017;
constexpr std::int64_t kSessionDiscarded = 901019;

// Written in full into the log line.
constexpr const char* kLoggerDelegateRefused = "I-NET900002";
constexpr const char* kBackgroundSessionNotFoundAfterRelaunch = "I-NET900003";
constexpr const char* kInvalidLoggerLevel = "I-COR000023";
constexpr const char* kReachabilityChangedWhileRunning = "I-REA902000";
constexpr const char* kReachabilityInvalidHost = "I-REA902001";
constexpr const char* kReachabilityNotStarted = "I-REA902002";
constexpr const char* kReachabilityMonitoring = "I-REA902003";
constexpr const char* kReachabilityStatusChanged = "I-REA902004";

// The user-defaults store's, written as "I-VDU" and the code in six digits.
constexpr std::int64_t kUserDefaultsInvalidKeyRead = 1;
constexpr std::int64_t kUserDefaultsInvalidKeyWritten = 2;
constexpr std::int64_t kUserDefaultsInvalidObject = 3;
constexpr std::int64_t kUserDefaultsNotSynchronized = 4;

}  // namespace sdk::utilities::messages
