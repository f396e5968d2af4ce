#pragma once

namespace sdk::core {

// The SDK's version, sent in the user agent, registered by the libraries that ship with it and
// written before every log line.
inline constexpr const char* kSDKVersion = "8.7.0";

inline const char* sdkVersion() { return kSDKVersion; }

}  // namespace sdk::core

