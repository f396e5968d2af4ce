#include "sdk/transport/TransportEvent.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <tuple>

#include "platform/foundation/Base64.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Json.h"
#include "sdk/transport/TransportLog.h"
#include "sdk/utilities/RandomUUID.h"

namespace sdk::transport {

namespace {

using platform::foundation::KeyedArchive;
using platform::foundation::Value;

// Clocks compared field by field; an event without a clock comes first.
std::tuple<bool, std::int64_t, std::int64_t, std::int64_t, std::int64_t> clockKey(const std::shared_ptr<ClockSnapshot>& c) {
  if (!c) return {false, 0, 0, 0, 0};
  return {true, c->timeMillis(), c->timezoneOffsetSeconds(), c->kernelBootTimeNanoseconds(), c->uptimeNanoseconds()};
}

std::size_t hashBytes(const std::optional<TransportEvent::Data>& bytes) {
  if (!bytes) return 0;
  return std::hash<std::string_view>()(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

using platform::foundation::Json;

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

TransportEvent::TransportEvent(Private, std::string mappingID, std::int64_t target)
    : eventID_(nextEventID()),
      mappingID_(std::move(mappingID)),
      target_(target),
      expirationDate_(platform::foundation::Clock::current()->now() + kLifetimeSeconds) {}

std::shared_ptr<TransportEvent> TransportEvent::initWithMappingIDTarget(const std::string& mappingID, std::int64_t target) {
  if (mappingID.empty() || target < 1) return nullptr;
  return std::make_shared<TransportEvent>(Private(), mappingID, target);
}

std::string TransportEvent::nextEventID() {
  std::string id = sdk::utilities::randomUUIDString();
  id.erase(std::remove(id.begin(), id.end(), '-'), id.end());
  return id;
}

std::shared_ptr<TransportEvent> TransportEvent::copy() const {
  auto copy = initWithMappingIDTarget(mappingID_, target_);
  if (!copy) return nullptr;
  copy->eventID_ = eventID_;
  copy->setDataObject(dataObject_);
  copy->qosTier_ = qosTier_;
  copy->clockSnapshot_ = clockSnapshot_;
  copy->customBytes_ = customBytes_;
  return copy;
}

void TransportEvent::setDataObject(std::shared_ptr<EventPayload> dataObject) {
  dataObject_ = std::move(dataObject);
  if (dataObject_) {
    serializedDataObjectBytes_ = dataObject_->transportBytes();
  } else {
    serializedDataObjectBytes_.reset();
  }
}

std::size_t TransportEvent::hash() const {
  std::hash<std::string> h;
  std::size_t clock = clockSnapshot_ ? clockSnapshot_->hash() : 0;
  return h(eventID_) ^ h(mappingID_) ^ clock ^ hashBytes(serializedDataObjectBytes_) ^
         static_cast<std::size_t>(target_) ^ static_cast<std::size_t>(qosTier_);
}

bool TransportEvent::isOrderedBefore(const TransportEvent& other) const {
  auto mine = std::tie(eventID_, mappingID_, target_, qosTier_);
  auto theirs = std::tie(other.eventID_, other.mappingID_, other.target_, other.qosTier_);
  if (mine != theirs) return mine < theirs;
  auto myClock = clockKey(clockSnapshot_), theirClock = clockKey(other.clockSnapshot_);
  if (myClock != theirClock) return myClock < theirClock;
  return serializedDataObjectBytes_ < other.serializedDataObjectBytes_;
}

bool TransportEvent::isEqual(const platform::foundation::Object& other) const {
  auto event = dynamic_cast<const TransportEvent*>(&other);
  return event && !isOrderedBefore(*event) && !event->isOrderedBefore(*this);
}

std::string TransportEvent::description() const {
  return platform::foundation::format("<VDTCOREvent %@ mapping:%@ target:%lld qos:%lld>", eventID_, mappingID_,
                                      target_, qosTier_);
}

void TransportEvent::encodeWithCoder(platform::foundation::KeyedArchiver& coder) const {
  coder.encodeObject(eventID_, kEventIDKey);
  coder.encodeObject(mappingID_, kMappingIDKey);
  coder.encodeInt64(target_, kTargetKey);
  coder.encodeInt64(qosTier_, kQoSTierKey);
  coder.encodeObject(clockSnapshot_ ? Value(clockSnapshot_) : Value(), kClockSnapshotKey);
  coder.encodeObject(customBytes_ ? Value::data(*customBytes_) : Value(), kCustomDataKey);
  coder.encodeObject(Value::date(expirationDate_), kExpirationDateKey);
  coder.encodeObject(serializedDataObjectBytes_ ? Value::data(*serializedDataObjectBytes_) : Value(),
                     kSerializedDataObjectBytesKey);
}

std::shared_ptr<TransportEvent> TransportEvent::initWithCoder(platform::foundation::KeyedUnarchiver& coder) {
  Value bytes = coder.decodeObjectOfClass(KeyedArchive::kData, kSerializedDataObjectBytesKey);
  auto mappingID = coder.decodeString(kMappingIDKey);
  if (!bytes.isData() || !mappingID) {
    coder.failWithError(platform::foundation::Error::make(KeyedArchive::kErrorDomain, KeyedArchive::kReadCorruptError,
                                                          "The event has no payload bytes."));
    return nullptr;
  }
  auto event = std::make_shared<TransportEvent>(Private(), *mappingID, coder.decodeInt64(kTargetKey));
  if (auto eventID = coder.decodeString(kEventIDKey)) event->eventID_ = *eventID;
  event->qosTier_ = coder.decodeInt64(kQoSTierKey);
  event->clockSnapshot_ = coder.decodeObjectOfClass(ClockSnapshot::kClassName, kClockSnapshotKey).objectAs<ClockSnapshot>();
  Value custom = coder.decodeObjectOfClass(KeyedArchive::kData, kCustomDataKey);
  if (custom.isData()) event->customBytes_ = *custom.data();
  Value expiration = coder.decodeObjectOfClass(KeyedArchive::kDate, kExpirationDateKey);
  if (auto date = expiration.date()) event->expirationDate_ = *date;
  event->serializedDataObjectBytes_ = *bytes.data();
  return event;
}

// The JSON object an event carries in its custom bytes: the event code, network information and the
// flag asking for it. Each setter edits a copy of the object and writes it back; bytes that do not hold
// a JSON object are left as they are.

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

