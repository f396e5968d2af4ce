// Encoding a request of 1,000 events through our upload message code beside nanopb's pb_encode of the
// same generated structs filled in directly, in the same run. The ratio of the two items_per_second
// figures is our cost over the raw library (grouping by mapping ID, copying payloads, device facts).
#include <benchmark/benchmark.h>
#include <pb_encode.h>

#include <cstring>
#include <vector>

#include "sdk/transport/ClockSnapshot.h"
#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/UploadMessages.h"
#include "sdk/transport/proto/upload.pb.h"

namespace {

using platform::foundation::Data;

constexpr int kEvents = 1000;

class Payload final : public sdk::transport::EventPayload {
 public:
  Data transportBytes() const override { return Data(200, 0x42); }
};

sdk::transport::EventSet makeEvents() {
  sdk::transport::EventSet events;
  for (int i = 0; i < kEvents; ++i) {
    auto event = sdk::transport::TransportEvent::initWithMappingIDTarget("137", 1001);
    event->setDataObject(std::make_shared<Payload>());
    event->setClockSnapshot(std::make_shared<sdk::transport::ClockSnapshot>(1700000000123 + i, -3600, 5, 42000000));
    events.insert(event);
  }
  return events;
}

sdk::transport::DeviceFacts facts() {
  sdk::transport::DeviceFacts f;
  f.systemVersion = "17.4.1";
  f.appBuild = "42";
  f.country = "DE";
  f.deviceModel = "x86_64";
  f.bundleID = "com.example.ostrel";
  return f;
}

void BM_EncodeRequest_VDTNET(benchmark::State& state) {
  auto events = makeEvents();
  auto deviceFacts = facts();
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto encoded = sdk::transport::encodeUploadRequest(events, deviceFacts);
    bytes = encoded ? encoded->size() : 0;
    benchmark::DoNotOptimize(encoded);
  }
  if (bytes == 0) state.SkipWithError("nothing encoded");
  state.SetItemsProcessed(state.iterations() * kEvents);
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeRequest_VDTNET)->Unit(benchmark::kMicrosecond);

// The baseline: the same generated structs, filled in once up front, encoded by pb_encode with the
// same sizing pass and exactly sized buffer.
struct RawSource {
  std::vector<upload_UploadedEvent> events;
  std::vector<Data> payloads;
};

bool rawBytes(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  auto data = static_cast<const Data*>(*arg);
  return pb_encode_tag_for_field(stream, field) && pb_encode_string(stream, data->data(), data->size());
}

bool rawText(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  auto text = static_cast<const char*>(*arg);
  return pb_encode_tag_for_field(stream, field) &&
         pb_encode_string(stream, reinterpret_cast<const pb_byte_t*>(text), std::strlen(text));
}

bool rawEvents(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  for (const auto& event : static_cast<const RawSource*>(*arg)->events) {
    if (!pb_encode_tag_for_field(stream, field) || !pb_encode_submessage(stream, upload_UploadedEvent_fields, &event)) {
      return false;
    }
  }
  return true;
}

bool rawSourceBatch(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  auto source = static_cast<const upload_SourceBatch*>(*arg);
  return pb_encode_tag_for_field(stream, field) && pb_encode_submessage(stream, upload_SourceBatch_fields, source);
}

void BM_EncodeRequest_nanopb(benchmark::State& state) {
  RawSource raw;
  raw.payloads.assign(kEvents, Data(200, 0x42));
  for (int i = 0; i < kEvents; ++i) {
    upload_UploadedEvent event = upload_UploadedEvent_init_default;
    event.has_event_time_ms = true;
    event.event_time_ms = 1700000000123 + i;
    event.payload.funcs.encode = rawBytes;
    event.payload.arg = &raw.payloads[i];
    event.has_timezone_offset_s = true;
    event.timezone_offset_s = -3600;
    event.has_event_uptime_ms = true;
    event.event_uptime_ms = 42;
    raw.events.push_back(event);
  }
  auto text = [](pb_callback_t& field, const char* value) {
    field.funcs.encode = rawText;
    field.arg = const_cast<char*>(value);
  };
  upload_SourceBatch source = upload_SourceBatch_init_default;
  source.has_client = true;
  source.client.has_client_kind = true;
  source.client.client_kind = upload_ClientKind_CLIENT_KIND_PHONE;
  source.client.has_apple_client = true;
  text(source.client.apple_client.os_major_version, "17");
  text(source.client.apple_client.os_full_version, "17.4.1");
  text(source.client.apple_client.app_build, "42");
  text(source.client.apple_client.country, "DE");
  text(source.client.apple_client.device_model, "x86_64");
  text(source.client.apple_client.language, "en");
  text(source.client.apple_client.bundle_id, "com.example.ostrel");
  source.has_source_id = true;
  source.source_id = 137;
  source.events.funcs.encode = rawEvents;
  source.events.arg = &raw;
  source.has_request_time_ms = true;
  source.request_time_ms = 1700000001000;
  source.has_request_uptime_ms = true;
  source.request_uptime_ms = 43;
  upload_UploadBatch batch = upload_UploadBatch_init_default;
  batch.source_batches.funcs.encode = rawSourceBatch;
  batch.source_batches.arg = &source;
  std::size_t bytes = 0;
  for (auto _ : state) {
    pb_ostream_t sizing = PB_OSTREAM_SIZING;
    if (!pb_encode(&sizing, upload_UploadBatch_fields, &batch)) state.SkipWithError("sizing failed");
    Data encoded(sizing.bytes_written);
    pb_ostream_t writing = pb_ostream_from_buffer(encoded.data(), encoded.size());
    if (!pb_encode(&writing, upload_UploadBatch_fields, &batch)) state.SkipWithError("encoding failed");
    bytes = encoded.size();
    benchmark::DoNotOptimize(encoded.data());
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeRequest_nanopb)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
