#pragma once

#include <cstdint>

namespace sdk::transport::messages {

// Codes of the transport's log lines, written as "I-VDTCOR" and the code in six digits. Log readers
// match on them: a code never changes once it has shipped.
constexpr std::int64_t kMessageCodeDebugLog = 0;
constexpr std::int64_t kMessageCodeReachabilityFailed = 4;
constexpr std::int64_t kMessageCodeTransformerDoesNotImplementTransform = 1000;
constexpr std::int64_t kMessageCodeDiagnosticsEncodingError = 1005;
constexpr std::int64_t kMessageCodeGeneralError = 1006;
constexpr std::int64_t kMessageCodeNoUploadAddress = 1007;

}  // namespace sdk::transport::messages
