#pragma once

namespace sdk::core::messages {

// Codes of the core's log lines. Log readers match on them: a code never changes once it has shipped.
constexpr const char* kConfiguringDefaultApp = "I-COR000001";
constexpr const char* kConfiguringNamedApp = "I-COR000002";
constexpr const char* kDefaultAppNotConfigured = "I-COR000003";
constexpr const char* kNamedAppMissing = "I-COR000004";
constexpr const char* kNoAppConfigured = "I-COR000005";
constexpr const char* kDeletingApp = "I-COR000006";
constexpr const char* kDeletedAppMissing = "I-COR000007";
constexpr const char* kBundleIDInconsistent = "I-COR000008";
constexpr const char* kAppIDInvalid = "I-COR000009";
constexpr const char* kAppIDVersionUnknown = "I-COR000010";
constexpr const char* kConfigurationFileNotADictionary = "I-COR000011";
constexpr const char* kConfigurationFileNotFound = "I-COR000012";
constexpr const char* kConfigurationFilePathNil = "I-COR000013";
constexpr const char* kConfigurationFileUnreadable = "I-COR000014";
constexpr const char* kLibraryNameOrVersionInvalid = "I-COR000027";
constexpr const char* kComponentRegisteredTwice = "I-COR000029";
constexpr const char* kComponentNotConforming = "I-COR000030";
constexpr const char* kSecondConfigureInExtension = "I-COR000035";

}  // namespace sdk::core::messages
