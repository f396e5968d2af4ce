#pragma once

#include <string>

namespace sdk::analytics {

// Where the analytics services live (batch upload, configuration, deferred deep links, experiments):
// configuration, never code. The environment's OSTREL_ANALYTICS_URL wins (tests point it at a
// loopback server), else the options file's "ANALYTICS_SERVICE_URL". The value is a base URL such as
// "https://analytics.example.net" or "http://127.0.0.1:8080"; each service adds its own path. Empty
// when neither is set: events are still stored, nothing leaves the device.

inline constexpr const char* kAnalyticsServiceURLOptionKey = "ANALYTICS_SERVICE_URL";
inline constexpr const char* kAnalyticsServiceURLEnvironmentVariable = "OSTREL_ANALYTICS_URL";

// Without a trailing slash; empty when not configured or not an http(s) URL.
std::string serviceBaseURL();
// The host part of the base URL ("127.0.0.1" for "http://127.0.0.1:8080/x"); empty without one.
std::string serviceHost();
// A base URL checked and trimmed: "" unless it starts with "http://" or "https://" and has a host.
std::string normalizedServiceURL(std::string url);

}  // namespace sdk::analytics

