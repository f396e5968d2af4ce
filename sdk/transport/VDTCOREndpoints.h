#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// Where each target's uploader sends its batches. The URLs are configuration: the built-in ones point
// at a reserved, unresolvable domain, so nothing is sent anywhere until the product (or a test, at its
// loopback server) sets the real collection endpoints.
class VDTCOREndpoints {
 public:
  static std::map<std::int64_t, std::string> uploadURLs();
  // nullopt for a target that has no uploader (999, anything unknown).
  static std::optional<std::string> uploadURLForTarget(std::int64_t target);
  // Replaces the URL of one of the four upload targets; other targets are refused (false).
  static bool setUploadURLForTarget(std::int64_t target, std::string url);
  // Back to the built-in URLs.
  static void resetUploadURLs();
};
