#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "testing/TlsIdentity.h"

namespace ostrel::testing {

// A request as the hostile server read it: the head, and a body of the length it announced.
struct HostileRequest {
  std::string method;
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // Which accepted connection brought it (1 for the first): requests on one connection share it.
  std::size_t connection = 0;

  std::optional<std::string> header(std::string_view name) const;
};

// One client connection, handed to a script that answers with raw bytes, as a misbehaving server
// would: half a head, a body shorter or longer than announced, broken chunking, nothing at all.
// Every wait ends when the client goes away or the server stops, never on a timer.
class HostileConnection {
 public:
  // False once the client has gone.
  bool send(std::string_view bytes);
  // Sends `chunk` again and again until the client goes away or the server stops; the number sent.
  std::size_t sendForever(std::string_view chunk);
  // Sends nothing more until the client goes away or the server stops.
  void hold();
  // Ends the connection with a TCP reset rather than an orderly close.
  void reset();
  // Once the script returns, the connection is not closed: its next request goes to its path's script,
  // as a server that keeps connections alive would take it. For this request only.
  void keepOpen() { keepOpen_ = true; }

  struct Private;
  HostileConnection(int socket, int stopEvent, void* tls);
  ~HostileConnection();
  HostileConnection(const HostileConnection&) = delete;
  HostileConnection& operator=(const HostileConnection&) = delete;

  // Reads one request head and body; false when the client sent none.
  bool readRequest(HostileRequest& request);

 private:
  bool waitFor(short events);
  long readSome(char* buffer, std::size_t size);

  int socket_;
  int stopEvent_;
  void* tls_;  // an SSL*, or null for plain HTTP
  bool reset_ = false;
  bool keepOpen_ = false;
  std::string pending_;

  friend class HostileServer;
};

// A real server on 127.0.0.1 at an ephemeral port whose answers are scripts over the raw connection,
// for tests of how a client copes with servers that lie, stall, break off or never stop. With a TLS
// identity it speaks HTTPS with that certificate. One request per connection unless a script keeps it
// open; requests for paths with no script get a plain 404.
class HostileServer {
 public:
  using Script = std::function<void(const HostileRequest& request, HostileConnection& connection)>;

  HostileServer();
  explicit HostileServer(std::shared_ptr<const TlsIdentity> identity);
  // Releases every held connection, then closes them all.
  ~HostileServer();
  HostileServer(const HostileServer&) = delete;
  HostileServer& operator=(const HostileServer&) = delete;

  void on(const std::string& path, Script script);
  // "http://127.0.0.1:<port><path>", or https with a TLS identity.
  std::string url(std::string_view path = "/") const;
  int port() const { return port_; }

  std::vector<HostileRequest> requests() const;
  // Connections accepted so far, including those that never sent a request (a refused handshake).
  std::size_t connectionCount() const { return connections_; }

  // A plain answer: status line, headers, a Content-Length and the body.
  static std::string response(int status, std::string_view body = {},
                              const std::vector<std::pair<std::string, std::string>>& headers = {});

 private:
  void acceptLoop();
  void serve(int socket, std::size_t number);

  std::shared_ptr<const TlsIdentity> identity_;
  void* tlsContext_ = nullptr;  // an SSL_CTX*
  int listener_ = -1;
  int stopEvent_ = -1;
  int port_ = 0;
  std::thread acceptor_;
  std::atomic<std::size_t> connections_{0};

  mutable std::mutex mutex_;
  std::map<std::string, Script> scripts_;
  std::vector<HostileRequest> requests_;
  std::vector<std::thread> workers_;
};

}  // namespace ostrel::testing
