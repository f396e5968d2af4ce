#pragma once

#include <string_view>

namespace sdk::interception::messages {

// Codes of the delegate proxies' and the swizzler's log lines. Log readers match on them: a code never
// changes once it has shipped. The proxies' numbers print as "I-SWZ" and six digits.

// The application-delegate proxy.
constexpr long kAppDelegateNilInterceptor = 1000;
constexpr long kAppDelegateInterceptorNotConforming = 1001;
constexpr long kAppDelegateInterceptorIDNotCreated = 1002;
constexpr long kAppDelegateInterceptorIDEmpty = 1003;
constexpr long kAppDelegateInterceptorNotRegistered = 1004;
constexpr long kAppDelegateSubclassExists = 1005;
constexpr long kAppDelegateSubclassNil = 1006;
constexpr long kAppDelegateSubclassSizeDiffers = 1007;
constexpr long kAppDelegateSubclassCreated = 1008;
constexpr long kAppDelegateMethodExists = 1009;
constexpr long kAppDelegateInterceptorGone = 1010;
constexpr long kAppDelegateProxyDisabled = 1011;
constexpr long kAppDelegateProxyNotCreated = 1013;
constexpr long kAppDelegateNotConforming = 1014;

// The scene-delegate proxy; its four subclass lines have always shared one code.
constexpr long kSceneDelegateNilInterceptor = 1100;
constexpr long kSceneDelegateInterceptorNotConforming = 1101;
constexpr long kSceneDelegateInterceptorIDNotCreated = 1102;
constexpr long kSceneDelegateInterceptorIDEmpty = 1103;
constexpr long kSceneDelegateInterceptorNotRegistered = 1104;
constexpr long kSceneDelegateMethodExists = 1109;
constexpr long kSceneDelegateInterceptorGone = 1110;
constexpr long kSceneDelegateSubclass = 1114;

// The method swizzler's, written in full.
constexpr std::string_view kMissingMethodCode = "I-SWZ001200";
constexpr std::string_view kOtherArgumentsCode = "I-SWZ001201";

}  // namespace sdk::interception::messages
