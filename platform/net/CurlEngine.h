#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/net/ServerTrust.h"
#include "platform/net/URLRequest.h"

namespace platform::net {

class URLSessionTask;

// The process's one libcurl multi handle, driven by its own worker thread. Sessions hand it tasks;
// it reports back through the task, which moves every call-back onto the session's delegate queue.
// Made on first use and kept for the life of the process.
class CurlEngine {
 public:
  static CurlEngine& shared();

  void start(std::shared_ptr<URLSessionTask> task);
  void cancel(std::uint64_t taskIdentifier);
  // The delegate's answer to a redirect: the request to follow, or nothing.
  void decideRedirect(std::uint64_t taskIdentifier, std::optional<URLRequest> request);
  // The delegate's answer to a server-trust challenge.
  void decideTrust(std::uint64_t taskIdentifier, URLSessionAuthChallengeDisposition disposition,
                   std::optional<URLCredential> credential);

 private:
  CurlEngine();
  struct Impl;
  Impl* impl_;  // never freed: the worker runs for the life of the process
};

}  // namespace platform::net
