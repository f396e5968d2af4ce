#pragma once

#include <pb_decode.h>
#include <pb_encode.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "sdk/transport/proto/upload.pb.h"

namespace ostrel::testing {

// An upload request read back through the generated descriptors.
struct DecodedEvent {
  std::int64_t timeMillis = 0, uptimeMillis = 0, timezoneOffset = 0;
  std::string payload;
  std::optional<std::int32_t> eventCode;
  bool hasNetwork = false;
  upload_NetworkDescription network = upload_NetworkDescription_init_default;
};
struct DecodedSource {
  std::int32_t sourceID = 0;
  std::vector<DecodedEvent> events;
  std::int32_t clientKind = 0;
  std::vector<std::pair<int, std::string>> appleFields;  // field number, text
  std::int64_t requestTimeMillis = 0;
  bool hasTier = false;
};

namespace detail {
inline bool readText(pb_istream_t* stream, std::string& out) {
  out.resize(stream->bytes_left);
  return pb_read(stream, reinterpret_cast<pb_byte_t*>(out.data()), out.size());
}
inline bool decodePayload(pb_istream_t* stream, const pb_field_t*, void** arg) {
  return readText(stream, *static_cast<std::string*>(*arg));
}
inline bool decodeEvent(pb_istream_t* stream, const pb_field_t*, void** arg) {
  auto events = static_cast<std::vector<DecodedEvent>*>(*arg);
  DecodedEvent event;
  upload_UploadedEvent raw = upload_UploadedEvent_init_default;
  raw.payload.funcs.decode = decodePayload;
  raw.payload.arg = &event.payload;
  if (!pb_decode(stream, upload_UploadedEvent_fields, &raw)) return false;
  event.timeMillis = raw.event_time_ms;
  event.uptimeMillis = raw.event_uptime_ms;
  event.timezoneOffset = raw.timezone_offset_s;
  if (raw.has_event_code) event.eventCode = raw.event_code;
  event.hasNetwork = raw.has_network;
  event.network = raw.network;
  events->push_back(std::move(event));
  return true;
}
struct ClientTextField {
  std::vector<std::pair<int, std::string>>* fields;
};
inline bool decodeClientText(pb_istream_t* stream, const pb_field_t* field, void** arg) {
  std::string text;
  if (!readText(stream, text)) return false;
  static_cast<std::vector<std::pair<int, std::string>>*>(*arg)->emplace_back(field->tag, text);
  return true;
}
inline bool decodeSource(pb_istream_t* stream, const pb_field_t*, void** arg) {
  auto sources = static_cast<std::vector<DecodedSource>*>(*arg);
  DecodedSource source;
  upload_SourceBatch raw = upload_SourceBatch_init_default;
  raw.events.funcs.decode = decodeEvent;
  raw.events.arg = &source.events;
  for (pb_callback_t* text : {&raw.client.apple_client.os_major_version, &raw.client.apple_client.os_full_version,
                              &raw.client.apple_client.app_build, &raw.client.apple_client.country,
                              &raw.client.apple_client.device_model, &raw.client.apple_client.language,
                              &raw.client.apple_client.bundle_id}) {
    text->funcs.decode = decodeClientText;
    text->arg = &source.appleFields;
  }
  if (!pb_decode(stream, upload_SourceBatch_fields, &raw)) return false;
  source.sourceID = raw.source_id;
  source.clientKind = raw.client.client_kind;
  source.requestTimeMillis = raw.request_time_ms;
  source.hasTier = raw.has_tier;
  sources->push_back(std::move(source));
  return true;
}
}  // namespace detail

inline std::optional<std::vector<DecodedSource>> decodeUploadRequest(const std::string& body) {
  std::vector<DecodedSource> sources;
  upload_UploadBatch batch = upload_UploadBatch_init_default;
  batch.source_batches.funcs.decode = detail::decodeSource;
  batch.source_batches.arg = &sources;
  pb_istream_t stream = pb_istream_from_buffer(reinterpret_cast<const pb_byte_t*>(body.data()), body.size());
  if (!pb_decode(&stream, upload_UploadBatch_fields, &batch)) return std::nullopt;
  return sources;
}

inline std::string encodeReply(std::optional<std::int64_t> nextWaitMillis) {
  upload_UploadReply reply = upload_UploadReply_init_default;
  reply.has_next_wait_ms = nextWaitMillis.has_value();
  reply.next_wait_ms = nextWaitMillis.value_or(0);
  reply.has_tier_configurations = true;
  reply.tier_configurations.has_config_version = true;
  reply.tier_configurations.config_version = 7;
  std::string bytes(64, '\0');
  pb_ostream_t stream = pb_ostream_from_buffer(reinterpret_cast<pb_byte_t*>(bytes.data()), bytes.size());
  pb_encode(&stream, upload_UploadReply_fields, &reply);
  bytes.resize(stream.bytes_written);
  return bytes;
}

}  // namespace ostrel::testing
