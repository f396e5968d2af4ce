// One loopback upload of a 1,000-event request through the event uploader's HTTP path (a fresh
// session per upload, the data-task promise, the main loop) beside a bare libcurl POST of the same
// gzip body to the same server, in the same run. Compare the pair's items_per_second for the ratio.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include "platform/dispatch/MainLoop.h"
#include "platform/net/URLSession.h"
#include "sdk/transport/ClockSnapshot.h"
#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/UploadMessages.h"
#include "sdk/utilities/Gzip.h"
#include "sdk/utilities/URLSessionDataResponse.h"
#include "testing/LoopbackServer.h"

namespace {

using platform::foundation::Data;

class Payload final : public sdk::transport::EventPayload {
 public:
  Data transportBytes() const override { return Data(200, 0x42); }
};

// The request body the uploader would send for 1,000 events, gzipped.
const Data& body() {
  static const Data data = [] {
    sdk::transport::EventSet events;
    for (int i = 0; i < 1000; ++i) {
      auto event = sdk::transport::TransportEvent::initWithMappingIDTarget("137", 1001);
      event->setDataObject(std::make_shared<Payload>());
      event->setClockSnapshot(std::make_shared<sdk::transport::ClockSnapshot>(1700000000123 + i, -3600, 5, 42000000));
      events.insert(event);
    }
    sdk::transport::DeviceFacts facts;
    facts.systemVersion = "17.4.1";
    facts.deviceModel = "x86_64";
    facts.bundleID = "com.example.ostrel";
    return sdk::utilities::Gzip::dataByGzippingData(sdk::transport::encodeUploadRequest(events, facts).valueOr(Data{})).valueOr(Data{});
  }();
  return data;
}

void BM_Upload_URLSession(benchmark::State& state) {
  ostrel::testing::LoopbackServer server;
  server.on("POST", "/upload", ostrel::testing::LoopbackResponse::ok(""));
  platform::net::URLRequest request(server.url("/upload"));
  request.httpMethod = "POST";
  request.httpBody = body();
  request.setValue("gzip", "Content-Encoding");
  request.setValue("application/x-protobuf", "Content-Type");
  for (auto _ : state) {
    auto session = platform::net::URLSession::sessionWithConfiguration(
        platform::net::URLSessionConfiguration::defaultSessionConfiguration());
    auto promise = sdk::utilities::dataTaskPromiseWithRequest(session, request);
    platform::dispatch::MainLoop::runUntil([&] { return !promise->isPending(); }, 10);
    session->finishTasksAndInvalidate();
    if (!promise->isFulfilled()) state.SkipWithError("upload failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Upload_URLSession)->Unit(benchmark::kMicrosecond)->UseRealTime();

size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

// A fresh easy handle per POST, as the uploader opens a fresh session per upload.
void BM_Upload_libcurl(benchmark::State& state) {
  ostrel::testing::LoopbackServer server;
  server.on("POST", "/upload", ostrel::testing::LoopbackResponse::ok(""));
  std::string url = server.url("/upload");
  for (auto _ : state) {
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Encoding: gzip");
    headers = curl_slist_append(headers, "Content-Type: application/x-protobuf");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body().data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body().size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
    if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("upload failed");
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Upload_libcurl)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
