#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "sdk/transport/TransportEvent.h"

namespace sdk::transport {

// What the request tells the service about the device and the app; gathered anew for every request.
struct DeviceFacts {
  std::string systemVersion;
  std::optional<std::string> appBuild;
  std::optional<std::string> country;
  std::string deviceModel;
  std::string language = "en";
  std::string bundleID;

  static DeviceFacts current();
  // The part of the system version before its first ".".
  std::string osMajorVersion() const;
};

// A network description as read from an event's 16-byte record: (presence, kind) and (presence, subkind).
struct NetworkRecord {
  std::optional<std::int32_t> networkKind;
  std::optional<std::int32_t> mobileSubkind;

  // Only a record of exactly 16 bytes is read; presence bytes other than 0 count as present.
  static std::optional<NetworkRecord> fromData(const platform::foundation::Data& record);
};

// What the service answered.
struct UploadReply {
  std::optional<std::int64_t> nextWaitMillis;
  std::size_t tierConfigurationCount = 0;
  std::optional<std::int64_t> configVersion;
};

// The mapping ID's leading decimal digits as a number (0 without any; saturated at the int32 range).
std::int32_t sourceIDForMappingID(const std::string& mappingID);

// The upload request for `events`: one source batch per mapping ID, with `facts` in each. When
// encoding fails, the error (also written to the log).
platform::foundation::ErrorOr<platform::foundation::Data> encodeUploadRequest(const EventSet& events,
                                                                              const DeviceFacts& facts);

// The decoded reply, or the URL-domain error (code -1, user info "nanopb error:").
platform::foundation::ErrorOr<UploadReply> decodeUploadReply(const platform::foundation::Data& body);

}  // namespace sdk::transport

