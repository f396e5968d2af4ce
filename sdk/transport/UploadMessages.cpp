#include "sdk/transport/UploadMessages.h"

#include <pb_decode.h>
#include <pb_encode.h>

#include <climits>
#include <cstring>
#include <map>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/CurrentRegion.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/net/URLError.h"
#include "sdk/transport/TransportLog.h"
#include "sdk/transport/TransportEnvironment.h"
#include "sdk/transport/proto/upload.pb.h"

namespace sdk::transport {

namespace {

using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::ErrorOr;

// Callback arguments: the encoder calls each callback twice (sizing, then writing), so they only read.
struct TextArg {
  const std::string* text;
};

struct SourceArg {
  std::vector<const TransportEvent*> events;
  std::vector<Data> payloads;  // kept beside the events: the callbacks point into it
};

bool encodeText(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  auto text = static_cast<const TextArg*>(*arg)->text;
  return pb_encode_tag_for_field(stream, field) &&
         pb_encode_string(stream, reinterpret_cast<const pb_byte_t*>(text->data()), text->size());
}

bool encodeBytes(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  auto bytes = static_cast<const Data*>(*arg);
  return pb_encode_tag_for_field(stream, field) && pb_encode_string(stream, bytes->data(), bytes->size());
}

void setText(pb_callback_t& field, TextArg& arg) {
  field.funcs.encode = encodeText;
  field.arg = &arg;
}

upload_UploadedEvent uploadedEvent(const TransportEvent& event, const Data& payload) {
  upload_UploadedEvent out = upload_UploadedEvent_init_default;
  const auto& clock = event.clockSnapshot();
  out.has_event_time_ms = true;
  out.event_time_ms = clock ? clock->timeMillis() : 0;
  out.payload.funcs.encode = encodeBytes;
  out.payload.arg = const_cast<Data*>(&payload);
  if (event.customBytes()) {
    if (auto code = event.eventCode()) {
      out.has_event_code = true;
      out.event_code = static_cast<std::int32_t>(*code);
    }
    if (auto info = event.networkConnectionInfoData()) {
      // Anything but the exact record leaves the network description out.
      if (auto record = NetworkRecord::fromData(*info)) {
        out.has_network = true;
        out.network = upload_NetworkDescription_init_default;
        out.network.has_network_kind = record->networkKind.has_value();
        out.network.network_kind = record->networkKind.value_or(-1);
        out.network.has_mobile_subkind = record->mobileSubkind.has_value();
        out.network.mobile_subkind = static_cast<upload_MobileSubkind>(record->mobileSubkind.value_or(0));
      }
    }
  }
  out.has_timezone_offset_s = true;
  out.timezone_offset_s = clock ? clock->timezoneOffsetSeconds() : 0;
  out.has_event_uptime_ms = true;
  out.event_uptime_ms = clock ? clock->uptimeMilliseconds() : 0;
  return out;
}

bool encodeEvents(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  auto source = static_cast<const SourceArg*>(*arg);
  for (std::size_t i = 0; i < source->events.size(); ++i) {
    upload_UploadedEvent event = uploadedEvent(*source->events[i], source->payloads[i]);
    if (!pb_encode_tag_for_field(stream, field) || !pb_encode_submessage(stream, upload_UploadedEvent_fields, &event)) {
      return false;
    }
  }
  return true;
}

// One source batch per mapping ID, each with its own copy of the device facts' texts.
struct SourceBatchArg {
  std::int32_t sourceID;
  SourceArg events;
  DeviceFacts facts;
  std::string osMajorVersion;
  TextArg osMajor, osFull, appBuild, country, deviceModel, language, bundleID;
  std::shared_ptr<ClockSnapshot> requestClock;
};

bool encodeSourceBatches(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  auto batches = static_cast<std::vector<SourceBatchArg>*>(*arg);
  for (auto& source : *batches) {
    upload_SourceBatch out = upload_SourceBatch_init_default;
    out.has_client = true;
    out.client.has_client_kind = true;
    out.client.client_kind = upload_ClientKind_CLIENT_KIND_PHONE;
    out.client.has_apple_client = true;
    auto& apple = out.client.apple_client;
    setText(apple.os_major_version, source.osMajor);
    setText(apple.os_full_version, source.osFull);
    if (source.facts.appBuild) setText(apple.app_build, source.appBuild);
    if (source.facts.country) setText(apple.country, source.country);
    setText(apple.device_model, source.deviceModel);
    setText(apple.language, source.language);
    setText(apple.bundle_id, source.bundleID);
    out.has_source_id = true;
    out.source_id = source.sourceID;
    out.events.funcs.encode = encodeEvents;
    out.events.arg = &source.events;
    out.has_request_time_ms = true;
    out.request_time_ms = source.requestClock->timeMillis();
    out.has_request_uptime_ms = true;
    out.request_uptime_ms = source.requestClock->uptimeMilliseconds();
    if (!pb_encode_tag_for_field(stream, field) || !pb_encode_submessage(stream, upload_SourceBatch_fields, &out)) {
      return false;
    }
  }
  return true;
}

void bindTexts(SourceBatchArg& source) {
  source.osMajorVersion = source.facts.osMajorVersion();
  source.osMajor = {&source.osMajorVersion};
  source.osFull = {&source.facts.systemVersion};
  static const std::string none;
  source.appBuild = {source.facts.appBuild ? &*source.facts.appBuild : &none};
  source.country = {source.facts.country ? &*source.facts.country : &none};
  source.deviceModel = {&source.facts.deviceModel};
  source.language = {&source.facts.language};
  source.bundleID = {&source.facts.bundleID};
}

Error encodingError(const char* step, const pb_ostream_t& stream) {
  std::string message = platform::foundation::format("Error in nanopb encoding for %@: %s", step,
                                                     PB_GET_ERROR(&stream) ? PB_GET_ERROR(&stream) : "(none)");
  transportLog(messages::kMessageCodeGeneralError, kLogLevelError, "%@", message);
  return Error::make(platform::net::kURLErrorDomain, -1, message);
}

bool skipTierConfiguration(pb_istream_t* stream, const pb_field_t*, void** arg) {
  upload_TierConfiguration configuration = upload_TierConfiguration_init_default;
  if (!pb_decode(stream, upload_TierConfiguration_fields, &configuration)) return false;
  ++*static_cast<std::size_t*>(*arg);
  return true;
}

}  // namespace

DeviceFacts DeviceFacts::current() {
  DeviceFacts facts;
  auto system = platform::foundation::SystemFacts::current();
  facts.systemVersion = system.systemVersion;
  auto bundle = platform::foundation::Bundle::main();
  const auto& build = bundle->objectForInfoDictionaryKey("CFBundleVersion");
  if (build.isString()) facts.appBuild = build.toString();
  std::string country = platform::foundation::CurrentRegion::countryCode();
  if (!country.empty()) facts.country = country;
  facts.deviceModel = currentDeviceModel();
  facts.bundleID = bundle->bundleIdentifier();
  return facts;
}

std::string DeviceFacts::osMajorVersion() const { return systemVersion.substr(0, systemVersion.find('.')); }

std::optional<NetworkRecord> NetworkRecord::fromData(const Data& record) {
  if (record.size() != 16) return std::nullopt;
  auto int32At = [&](std::size_t offset) {
    std::uint32_t value = record[offset] | record[offset + 1] << 8 | record[offset + 2] << 16 |
                          static_cast<std::uint32_t>(record[offset + 3]) << 24;
    return static_cast<std::int32_t>(value);
  };
  NetworkRecord parsed;
  if (record[0] != 0) parsed.networkKind = int32At(4);
  if (record[8] != 0) parsed.mobileSubkind = int32At(12);
  return parsed;
}

std::int32_t sourceIDForMappingID(const std::string& mappingID) {
  std::int64_t value = 0;
  for (char c : mappingID) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return INT32_MAX;
  }
  return static_cast<std::int32_t>(value);
}

ErrorOr<Data> encodeUploadRequest(const EventSet& events, const DeviceFacts& facts) {
  std::map<std::string, std::vector<const TransportEvent*>> byMappingID;
  for (const auto& event : events) byMappingID[event->mappingID()].push_back(event.get());
  std::vector<SourceBatchArg> sources;
  sources.reserve(byMappingID.size());
  for (auto& [mappingID, grouped] : byMappingID) {
    SourceBatchArg& source = sources.emplace_back();
    source.sourceID = sourceIDForMappingID(mappingID);
    source.facts = facts;
    bindTexts(source);
    for (const TransportEvent* event : grouped) {
      source.events.events.push_back(event);
      source.events.payloads.push_back(event->serializedDataObjectBytes().value_or(Data{}));
    }
    source.requestClock = ClockSnapshot::snapshot();
  }
  upload_UploadBatch batch = upload_UploadBatch_init_default;
  batch.source_batches.funcs.encode = encodeSourceBatches;
  batch.source_batches.arg = &sources;

  pb_ostream_t sizing = PB_OSTREAM_SIZING;
  if (!pb_encode(&sizing, upload_UploadBatch_fields, &batch)) return encodingError("size", sizing);
  Data bytes(sizing.bytes_written);
  pb_ostream_t writing = pb_ostream_from_buffer(bytes.data(), bytes.size());
  if (!pb_encode(&writing, upload_UploadBatch_fields, &batch)) return encodingError("bytes", writing);
  return bytes;
}

ErrorOr<UploadReply> decodeUploadReply(const Data& body) {
  upload_UploadReply reply = upload_UploadReply_init_default;
  std::size_t configurations = 0;
  reply.tier_configurations.configurations.funcs.decode = skipTierConfiguration;
  reply.tier_configurations.configurations.arg = &configurations;
  pb_istream_t stream = pb_istream_from_buffer(body.data(), body.size());
  if (!pb_decode(&stream, upload_UploadReply_fields, &reply)) {
    Error failure{platform::net::kURLErrorDomain, -1, {}};
    failure.userInfo.set("nanopb error:",
                         platform::foundation::format("%s", PB_GET_ERROR(&stream) ? PB_GET_ERROR(&stream) : "(none)"));
    return failure;
  }
  UploadReply decoded;
  if (reply.has_next_wait_ms) decoded.nextWaitMillis = reply.next_wait_ms;
  decoded.tierConfigurationCount = configurations;
  if (reply.has_tier_configurations && reply.tier_configurations.has_config_version) {
    decoded.configVersion = reply.tier_configurations.config_version;
  }
  return decoded;
}

}  // namespace sdk::transport

