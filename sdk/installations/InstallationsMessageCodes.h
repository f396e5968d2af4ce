#pragma once

namespace sdk::installations::messages {

// Codes of the installations' log lines and configuration failures. Log readers match on them: a
// code never changes once it has shipped.

// The service client.
constexpr const char* kSendingRequest = "I-FIS001001";
constexpr const char* kRequestFailed = "I-FIS001002";
constexpr const char* kResponseReceived = "I-FIS001003";
constexpr const char* kUnexpectedResponse = "I-FIS001004";
constexpr const char* kParsingServerResponse = "I-FIS001005";
constexpr const char* kInstallationParseFailed = "I-FIS001006";
constexpr const char* kInstallationParsed = "I-FIS001007";
constexpr const char* kAuthTokenParseFailed = "I-FIS001008";
constexpr const char* kAuthTokenParsed = "I-FIS001009";

// The ID controller.
constexpr const char* kGetInstallationItemStarted = "I-FIS002000";
constexpr const char* kValidAuthTokenRequested = "I-FIS002001";
constexpr const char* kDeleteInstallationStarted = "I-FIS002002";
constexpr const char* kRegistrationFailed = "I-FIS002003";
constexpr const char* kStoredInstallationInvalid = "I-FIS002004";
constexpr const char* kRequestSeriesFailed = "I-FIS002005";
constexpr const char* kRequestSeriesEnded = "I-FIS002006";

// Stored records written by a newer version, or marked again after their marker was lost.
constexpr const char* kStoredItemFromNewerCoder = "I-FIS003000";
constexpr const char* kMarkerWrittenAgain = "I-FIS003002";
constexpr const char* kStoredAuthTokenFromNewerCoder = "I-FIS004000";

// Configuration refused at start.
constexpr const char* kInvalidAppOptions = "I-FIS008000";

}  // namespace sdk::installations::messages
