// Gzip throughput and loopback POST round trips: our code beside the raw library doing the same work
// in the same run. Compare the pairs' bytes_per_second / items_per_second for the ratio.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "platform/dispatch/MainLoop.h"
#include "sdk/utilities/Gzip.h"
#include "sdk/utilities/HTTPClient.h"
#include "testing/LoopbackServer.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Data;

// A megabyte of text-like bytes: compresses about as well as an event batch does.
const Data& sample() {
  static const Data data = [] {
    std::mt19937 random(42);
    const char* words[] = {"event", "name", "param", "value", "timestamp", "bundle", "session", "id", "42", "\n"};
    Data out;
    while (out.size() < (1 << 20)) {
      const char* word = words[random() % 10];
      out.insert(out.end(), word, word + std::strlen(word));
      out.push_back(' ');
    }
    return out;
  }();
  return data;
}

Data zlibGzip(const Data& input) {
  z_stream stream{};
  deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  Data output(deflateBound(&stream, input.size()));
  stream.next_in = const_cast<Bytef*>(input.data());
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  deflate(&stream, Z_FINISH);
  output.resize(stream.total_out);
  deflateEnd(&stream);
  return output;
}

Data zlibInflate(const Data& input, std::size_t expected) {
  z_stream stream{};
  inflateInit2(&stream, 47);
  Data output(expected);
  stream.next_in = const_cast<Bytef*>(input.data());
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = output.data();
  stream.avail_out = static_cast<uInt>(output.size());
  inflate(&stream, Z_FINISH);
  output.resize(stream.total_out);
  inflateEnd(&stream);
  return output;
}

void BM_Gzip_Gzip(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(sdk::utilities::Gzip::dataByGzippingData(sample()).ok());
  state.SetBytesProcessed(state.iterations() * sample().size());
}
BENCHMARK(BM_Gzip_Gzip)->Unit(benchmark::kMillisecond);

void BM_Gzip_zlib(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zlibGzip(sample()));
  state.SetBytesProcessed(state.iterations() * sample().size());
}
BENCHMARK(BM_Gzip_zlib)->Unit(benchmark::kMillisecond);

void BM_Inflate_Gzip(benchmark::State& state) {
  Data compressed = zlibGzip(sample());
  for (auto _ : state) benchmark::DoNotOptimize(sdk::utilities::Gzip::dataByInflatingGzippedData(compressed).ok());
  state.SetBytesProcessed(state.iterations() * sample().size());
}
BENCHMARK(BM_Inflate_Gzip)->Unit(benchmark::kMillisecond);

void BM_Inflate_zlib(benchmark::State& state) {
  Data compressed = zlibGzip(sample());
  for (auto _ : state) benchmark::DoNotOptimize(zlibInflate(compressed, sample().size()));
  state.SetBytesProcessed(state.iterations() * sample().size());
}
BENCHMARK(BM_Inflate_zlib)->Unit(benchmark::kMillisecond);

// One small event batch per POST, as the uploaders send.
const Data& payload() {
  static const Data data(sample().begin(), sample().begin() + 4096);
  return data;
}

void BM_Post_HTTPClient(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  ostrel::testing::LoopbackServer server;
  server.on("POST", "/batch", ostrel::testing::LoopbackResponse::ok("ok"));
  auto client = sdk::utilities::HTTPClient::initWithReachabilityHost("127.0.0.1");
  std::string url = server.url("/batch");
  for (auto _ : state) {
    bool done = false;
    client->postURL(url, payload(), nullptr, false, [&](auto, auto, auto) { done = true; });
    platform::dispatch::MainLoop::runUntil([&] { return done; }, 10);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Post_HTTPClient)->Unit(benchmark::kMicrosecond)->UseRealTime();

size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

void BM_Post_libcurl(benchmark::State& state) {
  ostrel::testing::LoopbackServer server;
  server.on("POST", "/batch", ostrel::testing::LoopbackResponse::ok("ok"));
  std::string url = server.url("/batch");
  CURL* curl = curl_easy_init();
  for (auto _ : state) {
    Data body = zlibGzip(payload());
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Encoding: gzip");
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_perform(curl);
    curl_slist_free_all(headers);
  }
  curl_easy_cleanup(curl);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Post_libcurl)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
