// The JSON object an event carries in its custom bytes: the event code, network information and the
// flag asking for it. Each setter edits a copy of the object and writes it back; bytes that do not hold
// a JSON object are left as they are.
#include <cerrno>
#include <cstdlib>

#include "platform/foundation/Base64.h"
#include "platform/foundation/Json.h"
#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

namespace {

using platform::foundation::Json;
using platform::foundation::Value;

constexpr const char* kEventCodeInfoKey = "event_code_info";
constexpr const char* kNetworkConnectionInfoKey = "network_connection_info";
constexpr const char* kNeedsNetworkConnectionInfoKey = "needs_network_connection_info";

// The object held now; an empty one when there are no bytes; nullopt when the bytes are not an object.
std::optional<Value> currentObject(const std::optional<TransportEvent::Data>& bytes) {
  if (!bytes) return Value(platform::foundation::Dictionary{});
  platform::foundation::Error error;
  Value parsed = Json::parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), &error);
  if (!parsed.isDictionary()) {
    transportLogDebug("Custom bytes are not a JSON object: %@", error);
    return std::nullopt;
  }
  return parsed;
}

std::optional<TransportEvent::Data> serialized(const Value& object) {
  platform::foundation::Error error;
  std::string text = Json::serialize(object, false, &error);
  if (text.empty()) {
    transportLogDebug("Custom bytes could not be written: %@", error);
    return std::nullopt;
  }
  return TransportEvent::Data(text.begin(), text.end());
}

}  // namespace

std::optional<std::int64_t> TransportEvent::eventCode() const {
  auto object = customBytes_ ? currentObject(customBytes_) : std::nullopt;
  if (!object) return std::nullopt;
  const std::string* text = (*object)[kEventCodeInfoKey].string();
  if (!text || text->empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long code = std::strtoll(text->c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return code;
}

void TransportEvent::setEventCode(std::optional<std::int64_t> code) {
  if (!code && !customBytes_) return;
  auto object = currentObject(customBytes_);
  if (!object) return;
  if (code) {
    object->set(kEventCodeInfoKey, std::to_string(*code));
  } else {
    object->erase(kEventCodeInfoKey);
  }
  customBytes_ = serialized(*object);
}

std::optional<TransportEvent::Data> TransportEvent::networkConnectionInfoData() const {
  auto object = customBytes_ ? currentObject(customBytes_) : std::nullopt;
  if (!object) return std::nullopt;
  const std::string* text = (*object)[kNetworkConnectionInfoKey].string();
  if (!text) return std::nullopt;
  return platform::foundation::Base64::decode(*text);
}

void TransportEvent::setNetworkConnectionInfoData(const std::optional<Data>& data) {
  if (!data) return;
  auto object = currentObject(customBytes_);
  if (!object) return;
  object->set(kNetworkConnectionInfoKey, platform::foundation::Base64::encode(*data));
  customBytes_ = serialized(*object);
}

bool TransportEvent::needsNetworkConnectionInfoPopulated() const {
  auto object = customBytes_ ? currentObject(customBytes_) : std::nullopt;
  return object && (*object)[kNeedsNetworkConnectionInfoKey].toBool();
}

void TransportEvent::setNeedsNetworkConnectionInfoPopulated(bool needed) {
  if (needed) {
    auto object = currentObject(customBytes_);
    if (!object) return;
    object->set(kNeedsNetworkConnectionInfoKey, true);
    customBytes_ = serialized(*object);
    return;
  }
  // Clearing the flag keeps only the event code, and only when there is one.
  if (!customBytes_) return;
  auto object = currentObject(customBytes_);
  if (!object || !object->contains(kEventCodeInfoKey)) return;
  Value kept(platform::foundation::Dictionary{});
  kept.set(kEventCodeInfoKey, (*object)[kEventCodeInfoKey]);
  customBytes_ = serialized(kept);
}

}  // namespace sdk::transport

