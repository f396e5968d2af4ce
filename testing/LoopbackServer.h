#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace ostrel::testing {

// A request as the loopback server received it. A body sent with "Content-Encoding: gzip" is recorded
// expanded (the header still says how it travelled).
struct LoopbackRequest {
  std::string method;
  std::string path;    // without the query
  std::string target;  // as sent, query included
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The first field of that name, compared without regard to case.
  std::optional<std::string> header(std::string_view name) const;
};

// What the server answers one request with.
struct LoopbackResponse {
  static constexpr double kUntilStopped = std::numeric_limits<double>::infinity();

  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // Keep a non-text type for gzipBody: the server compresses text bodies itself when the client
  // accepts that, and would otherwise compress twice.
  std::string contentType = "application/octet-stream";
  bool gzipBody = false;        // send the body gzip-compressed with "Content-Encoding: gzip"
  double delaySeconds = 0;      // hold the answer back (kUntilStopped: until the server stops)
  // Hold the answer until the test calls release() with this name (or the server stops), so that it
  // surely comes after whatever the test waits for first; empty: not held.
  std::string heldUntilReleased;
  bool dropConnection = false;  // close the connection without answering at all
  // Announce the whole body but send only this many bytes of it, then close: the client has a
  // response head and still fails. Unset: the whole body is sent.
  std::optional<std::size_t> truncateAfter;
  // A body that stalls: the whole is announced and this many bytes of it are sent, then nothing more
  // until the test calls release() with `bodyHeldUntilReleased` (or the server stops), after which the
  // connection is closed short of it. Empty: not held.
  std::string bodyHeldUntilReleased;
  std::size_t bodyBytesBeforeHold = 0;
  // A body that trickles: one byte at a time, this many seconds apart, until it is whole, the client
  // has gone or the server stops. 0: sent at once.
  double trickleSeconds = 0;

  static LoopbackResponse ok(std::string body = {});
  static LoopbackResponse withStatus(int status, std::string body = {});
  static LoopbackResponse redirect(int status, std::string location);
  static LoopbackResponse dropped();
  static LoopbackResponse held(double seconds = kUntilStopped);
  static LoopbackResponse truncated(std::string body, std::size_t sentBytes);
};

// A real HTTP/1.1 server on 127.0.0.1 at an ephemeral port, answering from a script. Requests are
// matched by method and path; unscripted ones get 404. Every request is recorded, scripted or not.
class LoopbackServer {
 public:
  using Handler = std::function<LoopbackResponse(const LoopbackRequest&)>;

  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port><path>".
  std::string url(std::string_view path = "/") const;

  // Answers every request for method and path with `response` (or the handler's answer).
  void on(const std::string& method, const std::string& path, LoopbackResponse response);
  void on(const std::string& method, const std::string& path, Handler handler);
  // Answers with the responses in turn; the last one repeats.
  void onSequence(const std::string& method, const std::string& path, std::vector<LoopbackResponse> responses);

  std::vector<LoopbackRequest> requests() const;
  std::size_t requestCount() const;
  // Waits (on the system clock, as a safety net) until at least `count` requests have arrived.
  bool waitForRequests(std::size_t count, double timeoutSeconds = 10) const;
  void clearRequests();
  // Waits (on the system clock, as a safety net) until `count` answers are held for `gate` at once.
  bool waitForHeld(const std::string& gate, std::size_t count, double timeoutSeconds = 60) const;
  // Lets go of the answers held for `gate` now; answers that come later are held again.
  void release(const std::string& gate);

 private:
  struct Gate {
    std::size_t held = 0;
    std::size_t releases = 0;
  };
  struct Impl;
  LoopbackResponse answer(const LoopbackRequest& request);
  void hold(double seconds);
  void holdUntilReleased(const std::string& gate);
  // The next piece of a body that stalls or trickles, from `offset`; false ends the answer.
  bool sendSlowly(const LoopbackResponse& response, std::size_t offset, void* sink);

  std::unique_ptr<Impl> impl_;
  int port_ = 0;
  std::thread thread_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  std::vector<LoopbackRequest> requests_;
  std::map<std::pair<std::string, std::string>, Handler> handlers_;
  std::map<std::string, Gate> gates_;
};

}  // namespace ostrel::testing
