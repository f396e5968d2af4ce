#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sdk::transport {

// Where each target's uploader sends its batches. The address is configuration, never code: the
// environment's OSTREL_TRANSPORT_URL wins (tests point it at a loopback server), else the options
// file's "TRANSPORT_SERVICE_URL". It is a base URL such as "https://events.example.net"; target 1001
// uploads to "<base>/batch/vll", and likewise "upl", "csh" and "int" for 1000, 1002 and 1003. Without
// an address no target has a URL: events are stored and nothing leaves the device.
class UploadEndpoints {
 public:
  static constexpr const char* kServiceURLOptionKey = "TRANSPORT_SERVICE_URL";
  static constexpr const char* kServiceURLEnvironmentVariable = "OSTREL_TRANSPORT_URL";

  // The configured base URL without a trailing slash; empty when none is set or it is no http(s) URL.
  static std::string serviceBaseURL();
  // The four upload targets' URLs; empty without an address.
  static std::map<std::int64_t, std::string> uploadURLs();
  // nullopt for a target that has no uploader (999, anything unknown) and for every target while no
  // address is configured.
  static std::optional<std::string> uploadURLForTarget(std::int64_t target);
  // Replaces the URL of one of the four upload targets, whatever is configured; other targets are
  // refused (false).
  [[nodiscard]] static bool setUploadURLForTarget(std::int64_t target, std::string url);
  // Back to the configured URLs.
  static void resetUploadURLs();
};

}  // namespace sdk::transport

