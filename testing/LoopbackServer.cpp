#include "testing/LoopbackServer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace ostrel::testing {
namespace {

bool sameHeaderName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string gzip(const std::string& input) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::string output(deflateBound(&stream, input.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = reinterpret_cast<Bytef*>(output.data());
  stream.avail_out = static_cast<uInt>(output.size());
  deflate(&stream, Z_FINISH);
  output.resize(stream.total_out);
  deflateEnd(&stream);
  return output;
}

int portOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  return -1;
}

// The server hands handlers no socket, so a dropped connection finds its own: the one accepted socket
// whose local port is the server's and whose peer port is the client's (any client: -1). Shutting it
// down makes the client see the connection end before any byte of an answer.
void dropConnection(int serverPort, int clientPort) {
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) return;
  while (dirent* entry = readdir(fds)) {
    int fd = std::atoi(entry->d_name);
    if (fd <= 2 || fd == dirfd(fds)) continue;
    sockaddr_storage local{}, peer{};
    socklen_t localLength = sizeof local, peerLength = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) continue;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) continue;
    if (portOf(local) == serverPort && (clientPort < 0 || portOf(peer) == clientPort)) shutdown(fd, SHUT_RDWR);
  }
  closedir(fds);
}

}  // namespace

struct LoopbackServer::Impl {
  httplib::Server server;
  std::atomic<bool> listenEnded{false};
};

std::optional<std::string> LoopbackRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (sameHeaderName(key, name)) return value;
  }
  return std::nullopt;
}

LoopbackResponse LoopbackResponse::ok(std::string body) { return withStatus(200, std::move(body)); }

LoopbackResponse LoopbackResponse::withStatus(int status, std::string body) {
  LoopbackResponse response;
  response.status = status;
  response.body = std::move(body);
  return response;
}

LoopbackResponse LoopbackResponse::redirect(int status, std::string location) {
  LoopbackResponse response;
  response.status = status;
  response.headers.emplace_back("Location", std::move(location));
  response.body = "moved";
  return response;
}

LoopbackResponse LoopbackResponse::dropped() {
  LoopbackResponse response;
  response.dropConnection = true;
  return response;
}

LoopbackResponse LoopbackResponse::held(double seconds) {
  LoopbackResponse response;
  response.delaySeconds = seconds;
  return response;
}

LoopbackResponse LoopbackResponse::truncated(std::string body, std::size_t sentBytes) {
  LoopbackResponse response = ok(std::move(body));
  response.truncateAfter = sentBytes;
  return response;
}

LoopbackServer::LoopbackServer() : impl_(std::make_unique<Impl>()) {
  // A client that gives up mid-answer must not take the test process down with it.
  std::signal(SIGPIPE, SIG_IGN);
  auto serve = [this](const httplib::Request& in, httplib::Response& out) {
    LoopbackRequest request{in.method, in.path, in.target, {}, in.body};
    for (const auto& [name, value] : in.headers) request.headers.emplace_back(name, value);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    changed_.notify_all();
    LoopbackResponse response = answer(request);
    if (response.delaySeconds > 0) hold(response.delaySeconds);
    if (!response.heldUntilReleased.empty()) holdUntilReleased(response.heldUntilReleased);
    if (response.dropConnection) return dropConnection(port_, in.remote_port);
    out.status = response.status;
    for (const auto& [name, value] : response.headers) out.set_header(name, value);
    if (response.truncateAfter) {
      // A provider that gives up part way makes the server close the connection after what it sent.
      std::size_t sent = std::min(*response.truncateAfter, response.body.size());
      out.set_content_provider(response.body.size(), response.contentType,
                               [body = response.body, sent](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 if (offset < sent) sink.write(body.data() + offset, sent - offset);
                                 return false;
                               });
    } else if (!response.bodyHeldUntilReleased.empty() || response.trickleSeconds > 0) {
      out.set_content_provider(response.body.size(), response.contentType,
                               [this, response](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 return sendSlowly(response, offset, &sink);
                               });
    } else if (response.gzipBody) {
      out.set_header("Content-Encoding", "gzip");
      out.set_content(gzip(response.body), response.contentType);
    } else {
      out.set_content(response.body, response.contentType);
    }
  };
  const std::string any = ".*";
  impl_->server.Get(any, serve);
  impl_->server.Post(any, serve);
  impl_->server.Put(any, serve);
  impl_->server.Patch(any, serve);
  impl_->server.Delete(any, serve);
  impl_->server.Options(any, serve);
  // Headers and body leave in separate writes; without this each answer waits out a delayed ACK.
  impl_->server.set_tcp_nodelay(true);
  port_ = impl_->server.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("the loopback server cannot bind to 127.0.0.1");
  thread_ = std::thread([impl = impl_.get()] {
    impl->server.listen_after_bind();
    impl->listenEnded = true;
  });
}

LoopbackServer::~LoopbackServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  // stop() only works once the accept loop runs; it starts right after construction.
  while (!impl_->server.is_running() && !impl_->listenEnded) std::this_thread::yield();
  impl_->server.stop();
  // Kept-alive connections would hold their worker threads until the idle time-out ends them.
  dropConnection(port_, -1);
  thread_.join();
}

std::string LoopbackServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void LoopbackServer::on(const std::string& method, const std::string& path, LoopbackResponse response) {
  on(method, path, [response](const LoopbackRequest&) { return response; });
}

void LoopbackServer::on(const std::string& method, const std::string& path, Handler handler) {
  std::lock_guard lock(mutex_);
  handlers_[{method, path}] = std::move(handler);
}

void LoopbackServer::onSequence(const std::string& method, const std::string& path,
                                std::vector<LoopbackResponse> responses) {
  if (responses.empty()) throw std::invalid_argument("onSequence needs at least one response");
  auto state = std::make_shared<std::pair<std::mutex, std::size_t>>();
  on(method, path, [state, responses = std::move(responses)](const LoopbackRequest&) {
    std::lock_guard lock(state->first);
    std::size_t index = std::min(state->second++, responses.size() - 1);
    return responses[index];
  });
}

LoopbackResponse LoopbackServer::answer(const LoopbackRequest& request) {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    auto found = handlers_.find({request.method, request.path});
    if (found != handlers_.end()) handler = found->second;
  }
  return handler ? handler(request) : LoopbackResponse::withStatus(404, "not scripted");
}

void LoopbackServer::hold(double seconds) {
  std::unique_lock lock(mutex_);
  auto stopped = [this] { return stopping_; };
  if (seconds == LoopbackResponse::kUntilStopped) {
    changed_.wait(lock, stopped);
  } else {
    changed_.wait_for(lock, std::chrono::duration<double>(seconds), stopped);
  }
}

void LoopbackServer::holdUntilReleased(const std::string& name) {
  std::unique_lock lock(mutex_);
  Gate& gate = gates_[name];
  const std::size_t releases = gate.releases;
  ++gate.held;
  changed_.notify_all();
  changed_.wait(lock, [&] { return stopping_ || gate.releases != releases; });
  --gate.held;
}

bool LoopbackServer::sendSlowly(const LoopbackResponse& response, std::size_t offset, void* data) {
  auto& sink = *static_cast<httplib::DataSink*>(data);
  if (response.trickleSeconds > 0) {
    if (offset > 0) hold(response.trickleSeconds);
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return false;
    }
    // A write to a client that has gone fails, which ends the answer.
    return sink.write(response.body.data() + offset, 1);
  }
  const std::size_t before = std::min(response.bodyBytesBeforeHold, response.body.size());
  if (offset < before) return sink.write(response.body.data() + offset, before - offset);
  holdUntilReleased(response.bodyHeldUntilReleased);
  return false;
}

bool LoopbackServer::waitForHeld(const std::string& name, std::size_t count, double timeoutSeconds) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::duration<double>(timeoutSeconds), [&] {
    auto gate = gates_.find(name);
    return gate != gates_.end() && gate->second.held >= count;
  });
}

void LoopbackServer::release(const std::string& name) {
  {
    std::lock_guard lock(mutex_);
    ++gates_[name].releases;
  }
  changed_.notify_all();
}

std::vector<LoopbackRequest> LoopbackServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t LoopbackServer::requestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

bool LoopbackServer::waitForRequests(std::size_t count, double timeoutSeconds) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::duration<double>(timeoutSeconds), [&] { return requests_.size() >= count; });
}

void LoopbackServer::clearRequests() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

}  // namespace ostrel::testing

// The server runs on the system's HTTP server library, which is built without the thread checker's
// instrumentation: the checker sees the library's locks but not all of its ordering (the fast path of
// its static initialisers, for one) and reports races between its worker threads that are none. Races
// whose stack passes through that library are dropped; product code never runs on the server's threads,
// so it is still checked in full. Defined here because every program that starts a loopback server
// links this file.
extern "C" __attribute__((used)) const char* __tsan_default_suppressions() { return "race:libcpp-httplib.so\n"; }
