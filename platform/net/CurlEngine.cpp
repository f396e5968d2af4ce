#include "platform/net/CurlEngine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/dispatch/ProcessEnd.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Paths.h"
#include "platform/net/CurlLibrary.h"
#include "platform/net/GzipInflater.h"
#include "platform/net/URLError.h"
#include "platform/net/URLSession.h"

namespace platform::net {
namespace {

constexpr int kMaximumRedirects = 16;
// Where the network's stop comes among the end's: before the components', which wait for answers.
constexpr int kBeforeTheComponents = dispatch::ProcessEnd::kComponents - 1;

// The engine loads the library before its first transfer; everything below runs after that.
const CurlLibrary& curl() {
  static const CurlLibrary* const library = CurlLibrary::load();
  return *library;
}

bool isRedirectStatus(std::int64_t status) {
  return status == 300 || status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

// Methods whose repeat changes nothing the first request did not (RFC 9110); only these may share a
// connection that could turn out dead.
bool isIdempotent(const std::string& method) {
  for (const char* safe : {"GET", "HEAD", "OPTIONS", "TRACE", "PUT", "DELETE"}) {
    if (method == safe) return true;
  }
  return false;
}

double positiveOr(double value, double fallback) { return value > 0 ? value : fallback; }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The fields one request goes out with: the session's, then the request's own over them. libcurl states
// the length of the body it really sends, so a Content-Length copied from elsewhere is never sent: after
// a POST became a GET (303) it promised a body that was not coming and the server waited for it. A GET
// or HEAD carries no body, so no field describing one either.
HTTPHeaders headersToSend(const HTTPHeaders& additional, const URLRequest& request, const std::string& method) {
  HTTPHeaders merged = additional;
  for (const auto& [name, value] : request.allHTTPHeaderFields.fields()) merged.set(name, value);
  merged.remove("Content-Length");
  if (method == "GET" || method == "HEAD") {
    std::vector<std::string> bodyFields;
    for (const auto& field : merged.fields()) {
      if (startsWithIgnoringCase(field.first, "Content-")) bodyFields.push_back(field.first);
    }
    for (const auto& name : bodyFields) merged.remove(name);
  }
  return merged;
}

// An encoding the inflater expands.
bool isInflatable(const std::optional<std::string>& encoding) {
  if (!encoding) return false;
  std::string_view value = trim(*encoding);
  return equalsIgnoringCase(value, "gzip") || equalsIgnoringCase(value, "x-gzip") || equalsIgnoringCase(value, "deflate");
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
  return (b > 0 && a > INT64_MAX - b) ? INT64_MAX : a + b;
}

// Everything the worker knows about one task in flight. Touched only on the worker thread.
struct Transfer {
  std::shared_ptr<URLSessionTask> task;
  URLRequest request;
  bool hasDelegate = false;
  bool accumulate = false;  // a completion-handler task: the body is handed over at the end
  bool decodes = false;     // the request asked for an encoding itself, so the body is expanded

  // Body bytes taken in so far (after expansion) against the session's limit; 0 is no limit.
  std::uint64_t limit = 0;
  std::uint64_t received = 0;
  bool tooLarge = false;
  std::unique_ptr<GzipInflater> inflater;
  bool undecodable = false;

  std::shared_ptr<foundation::Clock> clock;
  std::int64_t idleTimeout = 0;      // nanoseconds
  std::int64_t resourceTimeout = 0;  // nanoseconds
  std::int64_t startedAt = 0;
  std::int64_t lastActivity = 0;
  std::int64_t headAt = 0;   // when the head of the response came
  std::int64_t endingAt = 0;  // when this transfer learnt that the app is ending; 0 before
  std::int64_t armedBodyDeadline = INT64_MAX;  // the body's bound the watchdog knows of
  bool successHeadAnswers = false;  // the caller takes a success head as its answer

  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  bool attached = false;
  char errorBuffer[CURL_ERROR_SIZE] = {};

  // The request body, from memory or from a file.
  bool hasBody = false;
  Data body;
  std::size_t bodyOffset = 0;
  std::FILE* bodyFile = nullptr;
  curl_off_t bodySize = 0;

  // The server's trust, for HTTPS under a session delegate: probed and put to the delegate once per
  // origin ("host:port") before the request goes out, then either libcurl's own verification or an
  // acceptance of exactly the leaf certificate the delegate accepted.
  enum class Trust { Undecided, Probing, Asking, Default, Pinned };
  Trust trust = Trust::Undecided;
  std::string trustedOrigin;
  Data pinnedLeaf;

  HTTPURLResponse response;
  bool headersDone = false;
  bool redirectCandidate = false;
  bool awaitingRedirect = false;
  int redirects = 0;
  Data held;  // the body of a redirect response, or all of it for completion-handler tasks
  bool holdsData = false;  // pieces handed to the task that wait for the end of this round

  std::FILE* download = nullptr;
  std::string downloadPath;

  void touch() { lastActivity = clock->monotonicNanoseconds(); }
  // The final head came with a success the caller takes as its answer.
  bool answeredBySuccessHead() const {
    return successHeadAnswers && headersDone && !redirectCandidate && response.statusCode >= 200 &&
           response.statusCode <= 299;
  }
  // Once the app is ending, a head that came is the answer: its body gets a last short while, then it
  // is cut off. INT64_MAX while no such bound runs.
  std::int64_t endDeadline() const {
    if (!headersDone || endingAt == 0) return INT64_MAX;
    return saturatingAdd(std::max(headAt, endingAt), foundation::Clock::toNanoseconds(URLSession::kBodySecondsAtEnd));
  }
  // The body of a success head that answered has a short while of its own, the end's bound aside.
  std::int64_t bodyDeadline() const {
    if (!answeredBySuccessHead()) return endDeadline();
    return std::min(endDeadline(), saturatingAdd(headAt, foundation::Clock::toNanoseconds(URLSession::kBodySecondsAfterSuccessHead)));
  }
  // When the transfer times out unless it hears from the server first.
  std::int64_t deadline() const {
    return std::min({saturatingAdd(lastActivity, idleTimeout), saturatingAdd(startedAt, resourceTimeout), bodyDeadline()});
  }
  // Waiting on a delegate's answer, when no time-out runs.
  bool waitingForDelegate() const { return awaitingRedirect || trust == Trust::Asking; }
};

size_t onHeader(char* buffer, size_t size, size_t count, void* data) {
  auto& t = *static_cast<Transfer*>(data);
  size_t length = size * count;
  t.touch();
  std::string_view line = trim(std::string_view(buffer, length));
  if (line.starts_with("HTTP/")) {
    // A new response head; interim (1xx) heads before it are forgotten.
    t.response = HTTPURLResponse{};
    t.headersDone = false;
    auto space = line.find(' ');
    if (space != std::string_view::npos) t.response.statusCode = std::atoll(std::string(line.substr(space + 1)).c_str());
    return length;
  }
  if (line.empty()) {
    if (t.response.statusCode >= 200) {
      t.headersDone = true;
      t.headAt = t.lastActivity;
      char* url = nullptr;
      curl().easyGetinfo(t.easy, CURLINFO_EFFECTIVE_URL, &url);
      t.response.url = url ? url : t.request.url;
      t.redirectCandidate = isRedirectStatus(t.response.statusCode) && t.response.allHeaderFields.contains("Location");
      if (!t.redirectCandidate) t.task->setResponse(t.response);
      if (t.answeredBySuccessHead()) t.task->tellSuccessHead(t.response);
      if (t.decodes && isInflatable(t.response.valueForHTTPHeaderField("Content-Encoding"))) {
        t.inflater = std::make_unique<GzipInflater>(t.limit ? t.limit : UINT64_MAX);
      } else if (t.limit) {
        // A body announced larger than the limit is refused before a byte of it is taken in.
        auto announced = t.response.valueForHTTPHeaderField("Content-Length");
        if (announced && std::strtoull(announced->c_str(), nullptr, 10) > t.limit) {
          t.tooLarge = true;
          return 0;  // ends the transfer
        }
      }
    }
    return length;
  }
  auto colon = line.find(':');
  if (colon != std::string_view::npos) {
    t.response.allHeaderFields.add(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
  }
  return length;
}

// One piece of the body as the caller gets it: counted against the limit, then kept or handed on.
bool take(Transfer& t, const std::uint8_t* bytes, std::size_t length) {
  if (t.limit && length > t.limit - std::min(t.received, t.limit)) {
    t.tooLarge = true;
    return false;
  }
  t.received += length;
  if (t.redirectCandidate || t.accumulate) {
    t.held.insert(t.held.end(), bytes, bytes + length);
  } else if (t.download) {
    if (std::fwrite(bytes, 1, length, t.download) != length) return false;
  } else if (length > 0) {
    t.task->holdData(Data(bytes, bytes + length));
    t.holdsData = true;
  }
  return true;
}

size_t onWrite(char* buffer, size_t size, size_t count, void* data) {
  auto& t = *static_cast<Transfer*>(data);
  size_t length = size * count;
  t.touch();
  auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
  if (!t.inflater || t.redirectCandidate) return take(t, bytes, length) ? length : 0;  // 0 fails the transfer
  auto status = t.inflater->feed({bytes, length}, [&t](const std::uint8_t* piece, std::size_t n) { return take(t, piece, n); });
  switch (status) {
    case GzipInflater::Status::NeedsMore:
    case GzipInflater::Status::Ended:
      return length;
    case GzipInflater::Status::TooLarge:
      t.tooLarge = true;
      return 0;
    case GzipInflater::Status::Failed:
      t.undecodable = true;
      return 0;
    case GzipInflater::Status::Refused:
      return 0;
  }
  return 0;
}

size_t onRead(char* buffer, size_t size, size_t count, void* data) {
  auto& t = *static_cast<Transfer*>(data);
  size_t capacity = size * count;
  t.touch();
  if (t.bodyFile) {
    size_t got = std::fread(buffer, 1, capacity, t.bodyFile);
    return (got == 0 && std::ferror(t.bodyFile)) ? CURL_READFUNC_ABORT : got;
  }
  size_t n = std::min(capacity, t.body.size() - t.bodyOffset);
  if (n > 0) std::memcpy(buffer, t.body.data() + t.bodyOffset, n);
  t.bodyOffset += n;
  return n;
}

// Data and download tasks send what their current request carries; an empty body is no body.
void useRequestBody(Transfer& t) {
  t.body = t.request.httpBody;
  t.bodySize = static_cast<curl_off_t>(t.body.size());
  t.hasBody = !t.body.empty();
}

int onSeek(void* data, curl_off_t offset, int origin) {
  auto& t = *static_cast<Transfer*>(data);
  if (origin != SEEK_SET || offset < 0) return CURL_SEEKFUNC_CANTSEEK;
  if (t.bodyFile) return std::fseek(t.bodyFile, static_cast<long>(offset), SEEK_SET) == 0 ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
  if (static_cast<std::size_t>(offset) > t.body.size()) return CURL_SEEKFUNC_FAIL;
  t.bodyOffset = static_cast<std::size_t>(offset);
  return CURL_SEEKFUNC_OK;
}

struct Origin {
  std::string scheme;
  std::string host;
  int port = 0;
  std::string key() const { return host + ":" + std::to_string(port); }
};

std::optional<Origin> originOf(const std::string& url) {
  CURLU* parsed = curl().url();
  Origin origin;
  bool ok = curl().urlSet(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
  for (auto [part, out] : {std::pair{CURLUPART_SCHEME, &origin.scheme}, std::pair{CURLUPART_HOST, &origin.host}}) {
    char* text = nullptr;
    if (ok && curl().urlGet(parsed, part, &text, 0) == CURLUE_OK) *out = text;
    curl().free(text);
  }
  char* port = nullptr;
  if (ok && curl().urlGet(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) origin.port = std::atoi(port);
  curl().free(port);
  curl().urlCleanup(parsed);
  if (!ok || origin.host.empty()) return std::nullopt;
  // An IPv6 host comes bracketed; certificates name it bare.
  if (origin.host.front() == '[' && origin.host.back() == ']') origin.host = origin.host.substr(1, origin.host.size() - 2);
  return origin;
}

Data derOf(X509* certificate) {
  int length = curl().certificateToDer(certificate, nullptr);
  if (length <= 0) return {};
  Data der(static_cast<std::size_t>(length));
  unsigned char* out = der.data();
  curl().certificateToDer(certificate, &out);
  return der;
}

// The chain libcurl gathered (CURLOPT_CERTINFO), leaf first, in DER.
std::vector<Data> presentedChain(CURL* easy) {
  std::vector<Data> chain;
  curl_certinfo* info = nullptr;
  if (curl().easyGetinfo(easy, CURLINFO_CERTINFO, &info) != CURLE_OK || !info) return chain;
  for (int i = 0; i < info->num_of_certs; ++i) {
    for (curl_slist* field = info->certinfo[i]; field; field = field->next) {
      std::string_view line(field->data);
      if (!line.starts_with("Cert:")) continue;
      line.remove_prefix(5);
      BIO* text = curl().newMemoryBuffer(line.data(), static_cast<int>(line.size()));
      X509* certificate = curl().readPemCertificate(text, nullptr, nullptr, nullptr);
      curl().freeBuffer(text);
      if (certificate) chain.push_back(derOf(certificate));
      curl().freeCertificate(certificate);
    }
  }
  return chain;
}

int pinnedTransferIndex() {
  static const int index = curl().newExDataIndex(CRYPTO_EX_INDEX_SSL_CTX, 0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// OpenSSL's verdict stands, except that the one leaf the delegate accepted passes whatever it said.
int verifyPinned(int verified, X509_STORE_CTX* store) {
  if (verified) return 1;
  auto* ssl = static_cast<SSL*>(curl().storeContextData(store, curl().sslStoreContextIndex()));
  auto* t = ssl ? static_cast<const Data*>(curl().sslContextData(curl().sslContextOf(ssl), pinnedTransferIndex())) : nullptr;
  X509* leaf = curl().storeContextCertificate(store);
  if (!t || !leaf || derOf(leaf) != *t) return 0;
  curl().setStoreContextError(store, X509_V_OK);  // libcurl reads the chain's result after the handshake
  return 1;
}

CURLcode installPinning(CURL*, void* context, void* pinnedLeaf) {
  auto* ssl = static_cast<SSL_CTX*>(context);
  curl().setSslContextData(ssl, pinnedTransferIndex(), pinnedLeaf);
  curl().setSslContextVerify(ssl, SSL_VERIFY_PEER, verifyPinned);
  return CURLE_OK;
}

// A failed transfer's error, in libcurl's words: its account of this transfer, or of the code.
foundation::Error curlError(const Transfer& t, CURLcode result) {
  std::string detail = t.errorBuffer[0] ? t.errorBuffer : curl().easyStrerror(result);
  return urlErrorForCurlCode(result, detail, t.request.url);
}

}  // namespace

struct CurlEngine::Impl {
  std::mutex mutex;
  std::deque<std::function<void()>> commands;
  CURLM* multi = nullptr;   // null when the library could not be loaded
  std::string unavailable;  // why it could not
  std::map<std::uint64_t, std::unique_ptr<Transfer>> transfers;  // worker thread only

  // One timer per clock in use, set for the earliest deadline among that clock's transfers, rather than
  // one per transfer: setting a new earliest timer wakes the clock's thread, and requests one after
  // another would otherwise do that every time. It is left to fire when transfers end; firing finds the
  // next deadline. Worker thread only.
  struct Watchdog {
    std::weak_ptr<foundation::Clock> clock;
    foundation::Clock::TimerId timer = 0;
    std::int64_t deadline = INT64_MAX;
  };
  std::vector<Watchdog> watchdogs;
  // The end's stop, which tells the worker that the app is ending; kept for the life of the process.
  dispatch::ProcessEnd::Registration atProcessEnd;

  void post(std::function<void()> command) {
    if (!multi) return;  // no transfer ever started
    {
      std::lock_guard lock(mutex);
      commands.push_back(std::move(command));
    }
    curl().multiWakeup(multi);
  }

  void run() {
    for (;;) {
      curl().multiPoll(multi, nullptr, 0, 1000, nullptr);
      std::deque<std::function<void()>> due;
      {
        std::lock_guard lock(mutex);
        due.swap(commands);
      }
      for (auto& command : due) command();
      int running = 0;
      curl().multiPerform(multi, &running);
      int left = 0;
      while (CURLMsg* message = curl().multiInfoRead(multi, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        Transfer* transfer = nullptr;
        curl().easyGetinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
        CURLcode result = message->data.result;
        if (transfer) onDone(*transfer, result);
      }
      // Body pieces of transfers still running go out now; an ended one took its pieces with its end.
      for (auto& [id, t] : transfers) {
        armBodyBound(*t);
        if (!t->holdsData) continue;
        t->holdsData = false;
        t->task->sendHeldData();
      }
    }
  }

  Transfer* find(std::uint64_t id) {
    auto found = transfers.find(id);
    return found == transfers.end() ? nullptr : found->second.get();
  }

  void begin(std::shared_ptr<URLSessionTask> task);
  bool openBody(Transfer& t);
  bool configure(Transfer& t);
  void attach(Transfer& t);
  void detach(Transfer& t);
  void arm(Transfer& t);
  // The app is ending: from here on a head that came is not kept waiting for its body.
  void noticeEnding();
  void armBodyBound(Transfer& t);
  Watchdog& watchdogFor(const std::shared_ptr<foundation::Clock>& clock);
  void setWatchdog(Watchdog& watchdog, const std::shared_ptr<foundation::Clock>& clock, std::int64_t deadline);
  void onWatchdog(const std::weak_ptr<foundation::Clock>& clock);
  void onDone(Transfer& t, CURLcode result);
  void onRedirectDecision(std::uint64_t id, std::optional<URLRequest> request);
  void launch(Transfer& t);
  void probe(Transfer& t, const Origin& origin);
  void askTrust(Transfer& t, CURLcode result);
  void onTrustDecision(std::uint64_t id, URLSessionAuthChallengeDisposition disposition,
                       std::optional<URLCredential> credential);
  void follow(Transfer& t, URLRequest request);
  void finish(Transfer& t, std::optional<foundation::Error> error);
};

CurlEngine& CurlEngine::shared() {
  static CurlEngine* engine = new CurlEngine();
  return *engine;
}

CurlEngine::CurlEngine() : impl_(new Impl) {
  if (!CurlLibrary::load(&impl_->unavailable)) return;
  curl().globalInit(CURL_GLOBAL_DEFAULT);
  impl_->multi = curl().multiInit();
  impl_->atProcessEnd = dispatch::ProcessEnd::add(kBeforeTheComponents, "the network", [impl = impl_] {
    impl->post([impl] { impl->noticeEnding(); });
  });
  std::thread([impl = impl_] { impl->run(); }).detach();
}

void CurlEngine::start(std::shared_ptr<URLSessionTask> task) {
  if (!impl_->multi) {
    // Without its library no request can go out: each one ends at once, saying why.
    std::string url = task->currentRequest().url;
    return task->complete(makeURLError(URLErrorUnknown, "Cannot start the transfer: " + impl_->unavailable, url), {}, {});
  }
  impl_->post([impl = impl_, task = std::move(task)]() mutable { impl->begin(std::move(task)); });
}

void CurlEngine::cancel(std::uint64_t id) {
  impl_->post([impl = impl_, id] {
    if (Transfer* t = impl->find(id)) impl->finish(*t, makeURLError(URLErrorCancelled, "cancelled", t->request.url));
  });
}

void CurlEngine::decideRedirect(std::uint64_t id, std::optional<URLRequest> request) {
  impl_->post([impl = impl_, id, request = std::move(request)]() mutable { impl->onRedirectDecision(id, std::move(request)); });
}

void CurlEngine::decideTrust(std::uint64_t id, URLSessionAuthChallengeDisposition disposition,
                             std::optional<URLCredential> credential) {
  impl_->post([impl = impl_, id, disposition, credential = std::move(credential)]() mutable {
    impl->onTrustDecision(id, disposition, std::move(credential));
  });
}

void CurlEngine::Impl::begin(std::shared_ptr<URLSessionTask> task) {
  auto owned = std::make_unique<Transfer>();
  Transfer& t = *owned;
  const URLSessionConfiguration& config = task->session()->configuration();
  t.task = task;
  t.request = task->currentRequest();
  t.hasDelegate = task->session()->delegate() != nullptr;
  t.accumulate = static_cast<bool>(task->completion_);
  t.clock = foundation::Clock::forNetworkDeadlines();
  double idle = positiveOr(t.request.timeoutInterval, positiveOr(config.timeoutIntervalForRequest, URLRequest::kDefaultTimeoutInterval));
  t.idleTimeout = foundation::Clock::toNanoseconds(idle);
  std::optional<double> ownResourceTimeout;
  {
    std::lock_guard lock(task->mutex_);
    ownResourceTimeout = task->resourceTimeout_;
    t.successHeadAnswers = static_cast<bool>(task->successHeadHandler_);
  }
  // The request's time-out bounds the whole request too, not only its silences: a server that sends a
  // byte now and then must not hold a caller (and whatever queues behind it) for the session's week.
  double whole = positiveOr(ownResourceTimeout.value_or(config.timeoutIntervalForResource),
                            URLSessionConfiguration::kDefaultResourceTimeout);
  t.resourceTimeout = foundation::Clock::toNanoseconds(std::min(whole, idle));
  t.limit = config.maximumResponseSize > 0 ? static_cast<std::uint64_t>(config.maximumResponseSize) : 0;
  t.startedAt = t.lastActivity = t.clock->monotonicNanoseconds();
  if (dispatch::ProcessEnd::hasRun()) t.endingAt = t.startedAt;
  transfers[task->taskIdentifier()] = std::move(owned);

  if (!openBody(t)) return finish(t, makeURLError(URLErrorFileDoesNotExist, "The upload file does not exist", t.request.url));
  if (task->kind() == URLSessionTask::Kind::Download) {
    std::string pattern = foundation::Paths::tmp() + "/URLSessionDownload_XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd >= 0) t.download = fdopen(fd, "w+b");
    if (!t.download) {
      if (fd >= 0) ::close(fd), ::unlink(pattern.c_str());
      return finish(t, makeURLError(URLErrorCannotCreateFile, "Cannot create the download file", t.request.url));
    }
    t.downloadPath = pattern;
  }
  launch(t);
}

// Starts the request itself, or first the server-trust question when its origin has none answered.
void CurlEngine::Impl::launch(Transfer& t) {
  // Only a secure request under a delegate can need a trust question; the others skip parsing the URL.
  if (t.hasDelegate && startsWithIgnoringCase(t.request.url, "https:")) {
    auto origin = originOf(t.request.url);
    if (origin && equalsIgnoringCase(origin->scheme, "https") && t.trustedOrigin != origin->key()) {
      return probe(t, *origin);
    }
  }
  if (!configure(t)) return finish(t, makeURLError(URLErrorUnknown, "Cannot start the transfer", t.request.url));
  attach(t);
}

// A connection that only shakes hands, accepting any certificate, to learn what the server presents and
// what verification makes of it. It is never reused: the request goes out on a connection of its own.
void CurlEngine::Impl::probe(Transfer& t, const Origin& origin) {
  t.easy = curl().easyInit();
  if (!t.easy) return finish(t, makeURLError(URLErrorUnknown, "Cannot start the transfer", t.request.url));
  CURL* e = t.easy;
  std::string target = "https://" + (origin.host.find(':') != std::string::npos ? "[" + origin.host + "]" : origin.host) +
                       ":" + std::to_string(origin.port) + "/";
  curl().easySetopt(e, CURLOPT_URL, target.c_str());
  curl().easySetopt(e, CURLOPT_PRIVATE, &t);
  curl().easySetopt(e, CURLOPT_PROTOCOLS_STR, "https");
  curl().easySetopt(e, CURLOPT_NOSIGNAL, 1L);
  curl().easySetopt(e, CURLOPT_CONNECT_ONLY, 1L);
  curl().easySetopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
  curl().easySetopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
  curl().easySetopt(e, CURLOPT_CERTINFO, 1L);
  curl().easySetopt(e, CURLOPT_FORBID_REUSE, 1L);
  curl().easySetopt(e, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  curl().easySetopt(e, CURLOPT_ERRORBUFFER, t.errorBuffer);
  t.trust = Transfer::Trust::Probing;
  attach(t);
}

void CurlEngine::Impl::askTrust(Transfer& t, CURLcode result) {
  if (result != CURLE_OK) return finish(t, curlError(t, result));
  auto origin = originOf(t.request.url);
  long verifyResult = X509_V_ERR_UNSPECIFIED;
  curl().easyGetinfo(t.easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
  auto trust = std::make_shared<const ServerTrust>(origin->host, presentedChain(t.easy), verifyResult);
  curl().easyCleanup(t.easy);
  t.easy = nullptr;
  t.trust = Transfer::Trust::Asking;
  URLAuthenticationChallenge challenge{
      URLProtectionSpace{origin->host, origin->port, "https", kURLAuthenticationMethodServerTrust, std::move(trust)}};
  std::uint64_t id = t.task->taskIdentifier();
  auto answered = std::make_shared<std::atomic<bool>>(false);
  t.task->askChallenge(std::move(challenge), [id, answered](URLSessionAuthChallengeDisposition disposition,
                                                            std::optional<URLCredential> credential) {
    if (!answered->exchange(true)) CurlEngine::shared().decideTrust(id, disposition, std::move(credential));
  });
}

void CurlEngine::Impl::onTrustDecision(std::uint64_t id, URLSessionAuthChallengeDisposition disposition,
                                       std::optional<URLCredential> credential) {
  Transfer* t = find(id);
  if (!t || t->trust != Transfer::Trust::Asking) return;
  if (disposition == URLSessionAuthChallengeDisposition::CancelAuthenticationChallenge) {
    return finish(*t, makeURLError(URLErrorCancelled, "The server-trust challenge was cancelled", t->request.url));
  }
  bool accepted = disposition == URLSessionAuthChallengeDisposition::UseCredential && credential && credential->trust &&
                  !credential->trust->certificates().empty();
  t->trust = accepted ? Transfer::Trust::Pinned : Transfer::Trust::Default;
  t->pinnedLeaf = accepted ? credential->trust->certificates().front() : Data{};
  auto origin = originOf(t->request.url);
  t->trustedOrigin = origin ? origin->key() : std::string();
  t->touch();
  launch(*t);
}

bool CurlEngine::Impl::openBody(Transfer& t) {
  const URLSessionTask& task = *t.task;
  if (task.kind() == URLSessionTask::Kind::Upload && task.uploadsFromFile_) {
    t.bodyFile = std::fopen(task.uploadFile_.c_str(), "rb");
    if (!t.bodyFile) return false;
    struct stat info {};
    if (fstat(fileno(t.bodyFile), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    t.bodySize = info.st_size;
    t.hasBody = true;
  } else if (task.kind() == URLSessionTask::Kind::Upload) {
    t.body = task.uploadData_;
    t.bodySize = static_cast<curl_off_t>(t.body.size());
    t.hasBody = true;
  } else {
    useRequestBody(t);
  }
  return true;
}

bool CurlEngine::Impl::configure(Transfer& t) {
  t.easy = curl().easyInit();
  if (!t.easy) return false;
  CURL* e = t.easy;
  curl().easySetopt(e, CURLOPT_URL, t.request.url.c_str());
  curl().easySetopt(e, CURLOPT_PRIVATE, &t);
  curl().easySetopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl().easySetopt(e, CURLOPT_NOSIGNAL, 1L);
  curl().easySetopt(e, CURLOPT_FOLLOWLOCATION, 0L);  // the delegate decides on redirects
  curl().easySetopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
  curl().easySetopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
  if (t.trust == Transfer::Trust::Pinned) {
    // The delegate judged the host along with the chain; sessions are not cached, so a later
    // connection under default handling never resumes one that skipped verification.
    curl().easySetopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
    curl().easySetopt(e, CURLOPT_SSL_SESSIONID_CACHE, 0L);
    curl().easySetopt(e, CURLOPT_SSL_CTX_FUNCTION, installPinning);
    curl().easySetopt(e, CURLOPT_SSL_CTX_DATA, &t.pinnedLeaf);
  }
  curl().easySetopt(e, CURLOPT_ERRORBUFFER, t.errorBuffer);
  curl().easySetopt(e, CURLOPT_HEADERFUNCTION, onHeader);
  curl().easySetopt(e, CURLOPT_HEADERDATA, &t);
  curl().easySetopt(e, CURLOPT_WRITEFUNCTION, onWrite);
  curl().easySetopt(e, CURLOPT_WRITEDATA, &t);

  const std::string& method = t.request.httpMethod.empty() ? std::string("GET") : t.request.httpMethod;
  HTTPHeaders merged = headersToSend(t.task->session()->configuration().HTTPAdditionalHeaders, t.request, method);
  t.decodes = merged.contains("Accept-Encoding");
  for (const auto& [name, value] : merged.fields()) {
    // "Name;" is how libcurl is told to send a field with an empty value.
    std::string line = value.empty() ? name + ";" : name + ": " + value;
    t.headers = curl().slistAppend(t.headers, line.c_str());
  }
  t.headers = curl().slistAppend(t.headers, "Expect:");  // no 100-continue round trip
  curl().easySetopt(e, CURLOPT_HTTPHEADER, t.headers);
  // libcurl sends a request again, unasked, when a kept-alive connection it reused breaks before any
  // answer. The server may have taken the first copy and acted on it: a POST would then arrive twice
  // with nothing to tell the copies apart. A request that is not safe to repeat goes out once, on a
  // connection of its own, and its caller hears of the failure.
  if (!isIdempotent(method)) curl().easySetopt(e, CURLOPT_FRESH_CONNECT, 1L);

  if (t.hasBody || method == "POST") {
    curl().easySetopt(e, CURLOPT_POST, 1L);
    curl().easySetopt(e, CURLOPT_READFUNCTION, onRead);
    curl().easySetopt(e, CURLOPT_READDATA, &t);
    curl().easySetopt(e, CURLOPT_SEEKFUNCTION, onSeek);
    curl().easySetopt(e, CURLOPT_SEEKDATA, &t);
    curl().easySetopt(e, CURLOPT_POSTFIELDSIZE_LARGE, t.hasBody ? t.bodySize : curl_off_t{0});
    if (method != "POST") curl().easySetopt(e, CURLOPT_CUSTOMREQUEST, method.c_str());
  } else if (method == "HEAD") {
    curl().easySetopt(e, CURLOPT_NOBODY, 1L);
  } else if (method != "GET") {
    curl().easySetopt(e, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
  return true;
}

void CurlEngine::Impl::attach(Transfer& t) {
  curl().multiAddHandle(multi, t.easy);
  t.attached = true;
  arm(t);
}

void CurlEngine::Impl::detach(Transfer& t) {
  if (t.attached) curl().multiRemoveHandle(multi, t.easy);
  t.attached = false;
}

// Time-outs go through the network's clock (the real one, whatever clock the app runs on), which a test
// can swap for one it moves past a deadline instead of waiting.
void CurlEngine::Impl::arm(Transfer& t) {
  Watchdog& watchdog = watchdogFor(t.clock);
  std::int64_t deadline = t.deadline();
  if (watchdog.timer == 0 || deadline < watchdog.deadline) setWatchdog(watchdog, t.clock, deadline);
}

void CurlEngine::Impl::noticeEnding() {
  for (auto& [id, t] : transfers) {
    if (t->endingAt == 0) t->endingAt = t->clock->monotonicNanoseconds();
    armBodyBound(*t);
  }
}

// A bound comes in, or an earlier one (the end's, after a success head's own): the watchdog learns of it.
void CurlEngine::Impl::armBodyBound(Transfer& t) {
  const std::int64_t deadline = t.bodyDeadline();
  if (deadline >= t.armedBodyDeadline || !t.attached) return;
  t.armedBodyDeadline = deadline;
  arm(t);
}

CurlEngine::Impl::Watchdog& CurlEngine::Impl::watchdogFor(const std::shared_ptr<foundation::Clock>& clock) {
  // A clock that is gone took its timers with it; its place may be taken by a new one at the same address.
  std::erase_if(watchdogs, [](const Watchdog& w) { return w.clock.expired(); });
  for (auto& watchdog : watchdogs) {
    if (watchdog.clock.lock() == clock) return watchdog;
  }
  return watchdogs.emplace_back(Watchdog{clock});
}

void CurlEngine::Impl::setWatchdog(Watchdog& watchdog, const std::shared_ptr<foundation::Clock>& clock,
                                   std::int64_t deadline) {
  if (watchdog.timer) clock->cancel(watchdog.timer);
  watchdog.deadline = deadline;
  std::weak_ptr<foundation::Clock> weak = clock;
  watchdog.timer = clock->schedule(deadline, [this, weak] { post([this, weak] { onWatchdog(weak); }); });
}

void CurlEngine::Impl::onWatchdog(const std::weak_ptr<foundation::Clock>& weak) {
  auto clock = weak.lock();
  if (!clock) return;
  Watchdog& watchdog = watchdogFor(clock);
  watchdog.timer = 0;
  watchdog.deadline = INT64_MAX;
  const std::int64_t now = clock->monotonicNanoseconds();
  std::vector<std::uint64_t> expired;
  std::int64_t next = INT64_MAX;
  for (const auto& [id, t] : transfers) {
    if (t->clock != clock || !t->attached || t->waitingForDelegate()) continue;
    std::int64_t deadline = t->deadline();
    if (now >= deadline) {
      expired.push_back(id);
    } else {
      next = std::min(next, deadline);
    }
  }
  // The next deadline is armed before anyone hears of a time-out: a caller told of one may move the clock
  // on at once, and a timer set after that move would wait for the move after it.
  if (next != INT64_MAX) setWatchdog(watchdog, clock, next);
  for (std::uint64_t id : expired) {
    Transfer* t = find(id);
    if (!t) continue;
    // The head came and is the answer; what is cut off is only the rest of its body.
    const char* reason = "The request timed out.";
    if (now >= t->endDeadline()) {
      reason = "The response's body was still coming when the app ended.";
    } else if (now >= t->bodyDeadline()) {
      reason = "The response's body was still coming a while after its success head had answered.";
    }
    finish(*t, makeURLError(URLErrorTimedOut, reason, t->request.url));
  }
}

void CurlEngine::Impl::onDone(Transfer& t, CURLcode result) {
  detach(t);
  if (t.trust == Transfer::Trust::Probing) return askTrust(t, result);
  if (t.tooLarge) {
    Data().swap(t.held);  // a body past the limit is no use to anyone: let its memory go at once
    return finish(t, makeURLError(URLErrorDataLengthExceedsMaximum,
                                  "The response is larger than the " + std::to_string(t.limit) +
                                      " bytes the session accepts",
                                  t.request.url));
  }
  if (t.undecodable || (result == CURLE_OK && t.inflater && !t.redirectCandidate && t.inflater->isCutShort())) {
    return finish(t, makeURLError(URLErrorCannotDecodeContentData, "The response body could not be expanded", t.request.url));
  }
  if (result != CURLE_OK) return finish(t, curlError(t, result));
  if (!t.redirectCandidate) return finish(t, std::nullopt);
  if (t.redirects >= kMaximumRedirects) {
    return finish(t, makeURLError(URLErrorHTTPTooManyRedirects, "too many HTTP redirects", t.request.url));
  }
  char* location = nullptr;
  curl().easyGetinfo(t.easy, CURLINFO_REDIRECT_URL, &location);
  if (!location) {  // a Location libcurl could not resolve: the redirect response is the answer
    t.awaitingRedirect = true;
    return onRedirectDecision(t.task->taskIdentifier(), std::nullopt);
  }
  URLRequest next = t.request;
  next.url = location;
  std::int64_t status = t.response.statusCode;
  bool toGet = (status == 303 && next.httpMethod != "HEAD") || ((status == 301 || status == 302) && next.httpMethod == "POST");
  if (toGet) {
    next.httpMethod = "GET";
    next.httpBody.clear();
    for (const char* field : {"Content-Type", "Content-Length", "Content-Encoding"}) next.allHTTPHeaderFields.remove(field);
  }
  t.awaitingRedirect = true;
  std::uint64_t id = t.task->taskIdentifier();
  if (!t.hasDelegate) return onRedirectDecision(id, std::move(next));
  auto answered = std::make_shared<std::atomic<bool>>(false);
  t.task->askRedirect(t.response, std::move(next), [id, answered](std::optional<URLRequest> request) {
    if (!answered->exchange(true)) CurlEngine::shared().decideRedirect(id, std::move(request));
  });
}

void CurlEngine::Impl::onRedirectDecision(std::uint64_t id, std::optional<URLRequest> request) {
  Transfer* t = find(id);
  if (!t || !t->awaitingRedirect) return;
  t->awaitingRedirect = false;
  if (request) {
    ++t->redirects;
    return follow(*t, std::move(*request));
  }
  // Refused: the redirect response ends the task like any other response.
  t->task->setResponse(t->response);
  if (!t->accumulate && !t->held.empty()) {
    if (t->download) {
      std::fwrite(t->held.data(), 1, t->held.size(), t->download);
    } else {
      t->task->deliverData(std::move(t->held));
    }
    t->held.clear();
  }
  finish(*t, std::nullopt);
}

void CurlEngine::Impl::follow(Transfer& t, URLRequest request) {
  curl().easyCleanup(t.easy);
  curl().slistFreeAll(t.headers);
  t.easy = nullptr;
  t.headers = nullptr;
  t.request = std::move(request);
  t.task->setCurrentRequest(t.request);
  bool keepsBody = t.request.httpMethod != "GET" && t.request.httpMethod != "HEAD";
  if (!keepsBody) {
    t.hasBody = false;
  } else if (t.task->kind() != URLSessionTask::Kind::Upload) {
    useRequestBody(t);
  }
  t.bodyOffset = 0;
  if (t.bodyFile) std::rewind(t.bodyFile);
  t.response = HTTPURLResponse{};
  t.headersDone = t.redirectCandidate = false;
  t.armedBodyDeadline = INT64_MAX;
  t.headAt = 0;
  t.held.clear();
  t.inflater.reset();
  t.received = 0;
  if (t.download) {
    std::fflush(t.download);
    if (ftruncate(fileno(t.download), 0) != 0) {
      return finish(t, makeURLError(URLErrorCannotWriteToFile, "Cannot reset the download file", t.request.url));
    }
    std::rewind(t.download);
  }
  t.touch();
  launch(t);
}

void CurlEngine::Impl::finish(Transfer& t, std::optional<foundation::Error> error) {
  if (t.bodyFile) std::fclose(t.bodyFile);
  if (t.download && std::fclose(t.download) != 0 && !error) {
    error = makeURLError(URLErrorCannotWriteToFile, "Cannot write the download file", t.request.url);
  }
  if (error && !t.downloadPath.empty()) {
    ::unlink(t.downloadPath.c_str());
    t.downloadPath.clear();
  }
  std::shared_ptr<URLSessionTask> task = std::move(t.task);
  Data body = t.accumulate ? std::move(t.held) : Data{};
  std::string path = std::move(t.downloadPath);
  auto entry = transfers.extract(task->taskIdentifier());
  // The caller hears of the end first; letting go of the handle follows while its thread wakes. Nothing
  // of libcurl's runs in between (its call-backs come only from this thread's own calls into it), and
  // the connection went back to the pool when the transfer ended.
  task->complete(std::move(error), std::move(body), std::move(path));
  Transfer& ended = *entry.mapped();
  detach(ended);
  if (ended.easy) curl().easyCleanup(ended.easy);
  curl().slistFreeAll(ended.headers);
}

}  // namespace platform::net
