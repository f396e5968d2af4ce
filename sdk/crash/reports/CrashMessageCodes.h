#pragma once

namespace sdk::crash::messages {

// Codes of the crash reporter's log lines. Log readers match on them: a code never changes once it
// has shipped.
constexpr const char* kBreadcrumbLogUnreadable = "I-CRR000002";
constexpr const char* kBreadcrumbLogUnwritable = "I-CRR000003";
constexpr const char* kAnalyticsNotDetected = "I-CRR000004";
constexpr const char* kAnalyticsListenerRegistered = "I-CRR000005";
constexpr const char* kBreadcrumbNotValidJSON = "I-CRR000006";

}  // namespace sdk::crash::messages
