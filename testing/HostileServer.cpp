#include "testing/HostileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace ostrel::testing {
namespace {

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

const char* reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 404: return "Not Found";
    default: return "Status";
  }
}

SSL_CTX* makeContext(const TlsIdentity& identity) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  if (!context) throw std::runtime_error("HostileServer: no TLS context");
  BIO* certificateText = BIO_new_mem_buf(identity.certificatePEM().data(), static_cast<int>(identity.certificatePEM().size()));
  X509* certificate = PEM_read_bio_X509(certificateText, nullptr, nullptr, nullptr);
  BIO_free(certificateText);
  BIO* keyText = BIO_new_mem_buf(identity.privateKeyPEM().data(), static_cast<int>(identity.privateKeyPEM().size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(keyText, nullptr, nullptr, nullptr);
  BIO_free(keyText);
  bool ok = certificate && key && SSL_CTX_use_certificate(context, certificate) == 1 &&
            SSL_CTX_use_PrivateKey(context, key) == 1;
  X509_free(certificate);
  EVP_PKEY_free(key);
  if (!ok) {
    SSL_CTX_free(context);
    throw std::runtime_error("HostileServer: the TLS identity does not load");
  }
  return context;
}

}  // namespace

std::optional<std::string> HostileRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (sameName(key, name)) return value;
  }
  return std::nullopt;
}

// --- connection ---------------------------------------------------------------------------------

HostileConnection::HostileConnection(int socket, int stopEvent, void* tls)
    : socket_(socket), stopEvent_(stopEvent), tls_(tls) {}

HostileConnection::~HostileConnection() {
  if (tls_) {
    if (!reset_) SSL_shutdown(static_cast<SSL*>(tls_));
    SSL_free(static_cast<SSL*>(tls_));
  }
  ::close(socket_);
}

// Waits until the socket is ready for `events`; false when the server stops first.
bool HostileConnection::waitFor(short events) {
  pollfd fds[2] = {{socket_, events, 0}, {stopEvent_, POLLIN, 0}};
  for (;;) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (fds[1].revents) return false;
    if (fds[0].revents) return true;
  }
}

long HostileConnection::readSome(char* buffer, std::size_t size) {
  if (tls_ && SSL_pending(static_cast<SSL*>(tls_)) > 0) return SSL_read(static_cast<SSL*>(tls_), buffer, static_cast<int>(size));
  if (!waitFor(POLLIN)) return -1;
  if (tls_) return SSL_read(static_cast<SSL*>(tls_), buffer, static_cast<int>(size));
  return ::recv(socket_, buffer, size, 0);
}

bool HostileConnection::readRequest(HostileRequest& request) {
  char buffer[16 * 1024];
  std::size_t headEnd;
  while ((headEnd = pending_.find("\r\n\r\n")) == std::string::npos) {
    long got = readSome(buffer, sizeof buffer);
    if (got <= 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
  std::string head = pending_.substr(0, headEnd);
  pending_.erase(0, headEnd + 4);
  std::size_t lineEnd = head.find("\r\n");
  std::string_view first = std::string_view(head).substr(0, lineEnd);
  std::size_t space = first.find(' ');
  request.method = std::string(first.substr(0, space));
  std::string_view rest = space == std::string_view::npos ? std::string_view() : first.substr(space + 1);
  request.target = std::string(rest.substr(0, rest.find(' ')));
  while (lineEnd != std::string::npos) {
    std::size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    std::string_view line = std::string_view(head).substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
    std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
      request.headers.emplace_back(std::string(trim(line.substr(0, colon))), std::string(trim(line.substr(colon + 1))));
    }
  }
  std::size_t length = std::strtoul(request.header("Content-Length").value_or("0").c_str(), nullptr, 10);
  while (pending_.size() < length) {
    long got = readSome(buffer, sizeof buffer);
    if (got <= 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
  request.body = pending_.substr(0, length);
  pending_.erase(0, length);
  return true;
}

bool HostileConnection::send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!waitFor(POLLOUT)) return false;
    long sent = tls_ ? SSL_write(static_cast<SSL*>(tls_), bytes.data(), static_cast<int>(bytes.size()))
                     : ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

std::size_t HostileConnection::sendForever(std::string_view chunk) {
  std::size_t count = 0;
  while (send(chunk)) ++count;
  return count;
}

void HostileConnection::hold() {
  // Readable here means the client closed (or sent more, which a held answer ignores).
  char buffer[4096];
  while (waitFor(POLLIN)) {
    long got = tls_ ? SSL_read(static_cast<SSL*>(tls_), buffer, sizeof buffer) : ::recv(socket_, buffer, sizeof buffer, 0);
    if (got <= 0) return;
  }
}

void HostileConnection::reset() {
  linger abrupt{1, 0};
  ::setsockopt(socket_, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
  reset_ = true;
}

// --- server -------------------------------------------------------------------------------------

HostileServer::HostileServer() : HostileServer(nullptr) {}

HostileServer::HostileServer(std::shared_ptr<const TlsIdentity> identity) : identity_(std::move(identity)) {
  // TLS writes go through write(2), which raises SIGPIPE when a client has hung up; the write's failure
  // says the same without ending the test program.
  std::signal(SIGPIPE, SIG_IGN);
  if (identity_) tlsContext_ = makeContext(*identity_);
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 64) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("HostileServer: cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  stopEvent_ = ::eventfd(0, EFD_CLOEXEC);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

HostileServer::~HostileServer() {
  std::uint64_t one = 1;
  [[maybe_unused]] auto written = ::write(stopEvent_, &one, sizeof one);
  acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& worker : workers) worker.join();
  ::close(listener_);
  ::close(stopEvent_);
  if (tlsContext_) SSL_CTX_free(static_cast<SSL_CTX*>(tlsContext_));
}

void HostileServer::on(const std::string& path, Script script) {
  std::lock_guard lock(mutex_);
  scripts_[path] = std::move(script);
}

std::string HostileServer::url(std::string_view path) const {
  return std::string(identity_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<HostileRequest> HostileServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string HostileServer::response(int status, std::string_view body,
                                    const std::vector<std::pair<std::string, std::string>>& headers) {
  std::string text = "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n";
  for (const auto& [name, value] : headers) text += name + ": " + value + "\r\n";
  text += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  text += body;
  return text;
}

void HostileServer::acceptLoop() {
  pollfd fds[2] = {{listener_, POLLIN, 0}, {stopEvent_, POLLIN, 0}};
  for (;;) {
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
    if (fds[1].revents) return;
    if (!fds[0].revents) continue;
    int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    const std::size_t number = ++connections_;
    std::lock_guard lock(mutex_);
    workers_.emplace_back([this, socket, number] { serve(socket, number); });
  }
}

void HostileServer::serve(int socket, std::size_t number) {
  SSL* tls = nullptr;
  if (tlsContext_) {
    tls = SSL_new(static_cast<SSL_CTX*>(tlsContext_));
    SSL_set_fd(tls, socket);
    if (SSL_accept(tls) != 1) {  // the client refused the certificate, or cancelled
      SSL_free(tls);
      ::close(socket);
      ERR_clear_error();
      return;
    }
  }
  HostileConnection connection(socket, stopEvent_, tls);
  do {
    connection.keepOpen_ = false;
    HostileRequest request;
    if (!connection.readRequest(request)) return;
    request.connection = number;
    Script script;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
      std::string path = request.target.substr(0, request.target.find('?'));
      auto found = scripts_.find(path);
      if (found != scripts_.end()) script = found->second;
    }
    if (script) {
      script(request, connection);
    } else {
      connection.send(response(404, "no script for this path"));
    }
  } while (connection.keepOpen_ && !connection.reset_);
}

}  // namespace ostrel::testing
