// A 1,000-event measurement bundle encoded and decoded by the analytics message layer, beside
// nanopb's own encode and decode of generated structs holding the same content, in the same run.
// nanopb's fixed arrays may not pass 64 kB without a library built for larger fields, so its
// bundle reaches the events through a callback over an array of event structs, as nanopb users
// carry many fields.
#include <benchmark/benchmark.h>
#include <pb_decode.h>
#include <pb_encode.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "analytics_bundle.pb.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"

namespace {

using namespace sdk::analytics::measurement_fields;

constexpr int kEvents = 1000;

std::string eventName(int i) { return "event_" + std::to_string(i % 20); }

std::shared_ptr<sdk::analytics::ProtoMeasurementBundle> layerBundle() {
  auto bundle = sdk::analytics::ProtoMeasurementBundle::make();
  sdk::analytics::nanoSetInt32(*bundle, kBundleProtocolVersion, 1);
  sdk::analytics::nanoSetInt64(*bundle, kBundleStartTimestamp, 1700000000000);
  sdk::analytics::nanoSetInt64(*bundle, kBundleEndTimestamp, 1700000100000);
  sdk::analytics::nanoSetString(*bundle, kBundlePlatform, "ios");
  sdk::analytics::nanoSetString(*bundle, kBundleAppID, "com.example.app");
  for (int i = 0; i < kEvents; ++i) {
    sdk::analytics::ProtoEvent event;
    sdk::analytics::ProtoEventParam origin, screen, count, value;
    sdk::analytics::nanoSetString(origin, kParamName, "_o");
    sdk::analytics::nanoSetString(origin, kParamString, "auto");
    sdk::analytics::nanoSetString(screen, kParamName, "_sn");
    sdk::analytics::nanoSetString(screen, kParamString, "MainViewController");
    sdk::analytics::nanoSetString(count, kParamName, "_c");
    sdk::analytics::nanoSetInt64(count, kParamInteger, i);
    sdk::analytics::nanoSetString(value, kParamName, "value");
    sdk::analytics::nanoSetDouble(value, kParamDouble, i * 0.25);
    for (auto* parameter : {&origin, &screen, &count, &value}) sdk::analytics::nanoAddMessage(event, kEventParams, *parameter);
    sdk::analytics::nanoSetString(event, kEventName, eventName(i));
    sdk::analytics::nanoSetInt64(event, kEventTimestamp, 1700000000000 + i);
    sdk::analytics::nanoSetInt64(event, kEventPreviousTimestamp, 1699999999000 + i);
    sdk::analytics::nanoAddMessage(*bundle, kBundleEvents, event);
  }
  return bundle;
}

void setText(char* out, std::size_t capacity, const std::string& text) {
  std::strncpy(out, text.c_str(), capacity - 1);
  out[capacity - 1] = '\0';
}

struct NanopbBundle {
  BenchBundle bundle = BenchBundle_init_zero;
  std::vector<BenchEvent> events;
};

bool encodeEvents(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  for (const BenchEvent& event : *static_cast<const std::vector<BenchEvent>*>(*arg)) {
    if (!pb_encode_tag_for_field(stream, field) || !pb_encode_submessage(stream, BenchEvent_fields, &event)) {
      return false;
    }
  }
  return true;
}

bool decodeEvent(pb_istream_t* stream, const pb_field_t*, void** arg) {
  auto* events = static_cast<std::vector<BenchEvent>*>(*arg);
  events->emplace_back();
  return pb_decode(stream, BenchEvent_fields, &events->back());
}

std::unique_ptr<NanopbBundle> nanopbBundle() {
  auto owner = std::make_unique<NanopbBundle>();
  BenchBundle* bundle = &owner->bundle;
  bundle->has_protocol_version = true;
  bundle->protocol_version = 1;
  bundle->has_start_timestamp = bundle->has_end_timestamp = true;
  bundle->start_timestamp = 1700000000000;
  bundle->end_timestamp = 1700000100000;
  bundle->has_platform = bundle->has_app_id = true;
  setText(bundle->platform, sizeof bundle->platform, "ios");
  setText(bundle->app_id, sizeof bundle->app_id, "com.example.app");
  owner->events.assign(kEvents, BenchEvent_init_zero);
  bundle->events.funcs.encode = &encodeEvents;
  bundle->events.arg = &owner->events;
  for (int i = 0; i < kEvents; ++i) {
    BenchEvent& event = owner->events[static_cast<std::size_t>(i)];
    event.params_count = 4;
    const char* names[] = {"_o", "_sn", "_c", "value"};
    for (int p = 0; p < 4; ++p) {
      event.params[p].has_name = true;
      setText(event.params[p].name, sizeof event.params[p].name, names[p]);
    }
    event.params[0].has_string_value = true;
    setText(event.params[0].string_value, sizeof event.params[0].string_value, "auto");
    event.params[1].has_string_value = true;
    setText(event.params[1].string_value, sizeof event.params[1].string_value, "MainViewController");
    event.params[2].has_int_value = true;
    event.params[2].int_value = i;
    event.params[3].has_double_value = true;
    event.params[3].double_value = i * 0.25;
    event.has_name = event.has_timestamp = event.has_previous_timestamp = true;
    setText(event.name, sizeof event.name, eventName(i));
    event.timestamp = 1700000000000 + i;
    event.previous_timestamp = 1699999999000 + i;
  }
  return owner;
}

void BM_LayerEncodeBundle(benchmark::State& state) {
  auto bundle = layerBundle();
  for (auto _ : state) benchmark::DoNotOptimize(bundle->protoBuffer());
  state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_NanopbEncodeBundle(benchmark::State& state) {
  auto bundle = nanopbBundle();
  std::vector<std::uint8_t> buffer(1 << 20);
  for (auto _ : state) {
    pb_ostream_t stream = pb_ostream_from_buffer(buffer.data(), buffer.size());
    benchmark::DoNotOptimize(pb_encode(&stream, BenchBundle_fields, &bundle->bundle));
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_LayerDecodeBundle(benchmark::State& state) {
  auto bytes = layerBundle()->protoBuffer();
  for (auto _ : state) benchmark::DoNotOptimize(sdk::analytics::ProtoMeasurementBundle::initWithBuffer(bytes));
  state.SetItemsProcessed(state.iterations() * kEvents);
}

void BM_NanopbDecodeBundle(benchmark::State& state) {
  auto bytes = layerBundle()->protoBuffer();  // the same bytes, read into the generated struct
  for (auto _ : state) {
    NanopbBundle decoded;
    decoded.bundle.events.funcs.decode = &decodeEvent;
    decoded.bundle.events.arg = &decoded.events;
    pb_istream_t stream = pb_istream_from_buffer(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(pb_decode(&stream, BenchBundle_fields, &decoded.bundle));
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}

BENCHMARK(BM_LayerEncodeBundle);
BENCHMARK(BM_NanopbEncodeBundle);
BENCHMARK(BM_LayerDecodeBundle);
BENCHMARK(BM_NanopbDecodeBundle);

}  // namespace

BENCHMARK_MAIN();
