#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/foundation/KeyedArchive.h"
#include "sdk/transport/ClockSnapshot.h"

namespace sdk::transport {

// A payload a log source attaches to an event; the transport keeps only its bytes.
class EventPayload {
 public:
  virtual ~EventPayload() = default;
  virtual platform::foundation::Data transportBytes() const = 0;
};

// One event on its way to a backend: its identity, its target, the payload bytes, its QoS tier, the
// clock of its sending, when it expires, and small JSON extras (event code, network information).
class TransportEvent final : public platform::foundation::KeyedCodable {
 public:
  using Data = platform::foundation::Data;

  static constexpr const char* kClassName = "VDTCOREvent";
  static constexpr const char* kEventIDKey = "VDTCOREventEventIDKey";
  static constexpr const char* kMappingIDKey = "VDTCOREventMappingIDKey";
  static constexpr const char* kTargetKey = "VDTCOREventTargetKey";
  static constexpr const char* kQoSTierKey = "VDTCOREventQoSTierKey";
  static constexpr const char* kClockSnapshotKey = "VDTCOREventClockSnapshotKey";
  static constexpr const char* kCustomDataKey = "VDTCOREventCustomDataKey";
  static constexpr const char* kExpirationDateKey = "VDTCOREventExpirationDateKey";
  static constexpr const char* kSerializedDataObjectBytesKey = "VDTCOREventSerializedDataObjectBytesKey";

  static constexpr std::int64_t kDefaultQoSTier = 3;
  static constexpr std::int64_t kTelemetryQoSTier = 1;
  static constexpr std::int64_t kForcedUploadQoSTier = 4;
  static constexpr double kLifetimeSeconds = 604800;  // 7 days

  // nullptr for an empty mapping ID or a target below 1.
  static std::shared_ptr<TransportEvent> initWithMappingIDTarget(const std::string& mappingID, std::int64_t target);
  // 32 upper-case hexadecimal characters.
  static std::string nextEventID();

  // A new event with this one's ID, payload, tier, clock and extras; its expiry starts afresh.
  std::shared_ptr<TransportEvent> copy() const;

  const std::string& eventID() const { return eventID_; }
  void setEventID(std::string eventID) { eventID_ = std::move(eventID); }
  const std::string& mappingID() const { return mappingID_; }
  std::int64_t target() const { return target_; }
  const std::shared_ptr<EventPayload>& dataObject() const { return dataObject_; }
  // Takes the payload's bytes at once; nullptr clears them.
  void setDataObject(std::shared_ptr<EventPayload> dataObject);
  const std::optional<Data>& serializedDataObjectBytes() const { return serializedDataObjectBytes_; }
  std::int64_t qosTier() const { return qosTier_; }
  void setQosTier(std::int64_t qosTier) { qosTier_ = qosTier; }
  const std::shared_ptr<ClockSnapshot>& clockSnapshot() const { return clockSnapshot_; }
  void setClockSnapshot(std::shared_ptr<ClockSnapshot> clock) { clockSnapshot_ = std::move(clock); }
  double expirationDate() const { return expirationDate_; }  // seconds since 1970
  void setExpirationDate(double secondsSince1970) { expirationDate_ = secondsSince1970; }
  const std::optional<Data>& customBytes() const { return customBytes_; }
  void setCustomBytes(std::optional<Data> bytes) { customBytes_ = std::move(bytes); }

  // Views of the JSON object customBytes holds.
  std::optional<std::int64_t> eventCode() const;
  void setEventCode(std::optional<std::int64_t> code);
  std::optional<Data> networkConnectionInfoData() const;
  void setNetworkConnectionInfoData(const std::optional<Data>& data);
  bool needsNetworkConnectionInfoPopulated() const;
  void setNeedsNetworkConnectionInfoPopulated(bool needed);

  std::size_t hash() const;
  // Field by field, the event ID first: two different events never count as one.
  bool isEqual(const platform::foundation::Object& other) const override;
  // A strict order over the same fields, for sets of events.
  bool isOrderedBefore(const TransportEvent& other) const;
  std::string description() const override;

  std::string className() const override { return kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override;
  // nullptr (refusing the archive) when the payload bytes are missing.
  static std::shared_ptr<TransportEvent> initWithCoder(platform::foundation::KeyedUnarchiver& coder);

  struct Private {
    explicit Private() = default;
  };
  TransportEvent(Private, std::string mappingID, std::int64_t target);

 private:
  std::string eventID_;
  std::string mappingID_;
  std::int64_t target_;
  std::shared_ptr<EventPayload> dataObject_;
  std::optional<Data> serializedDataObjectBytes_;
  std::int64_t qosTier_ = kDefaultQoSTier;
  std::shared_ptr<ClockSnapshot> clockSnapshot_;
  double expirationDate_ = 0;
  std::optional<Data> customBytes_;
};

struct EventOrder {
  bool operator()(const std::shared_ptr<TransportEvent>& a, const std::shared_ptr<TransportEvent>& b) const {
    return a->isOrderedBefore(*b);
  }
};
// A set of events that keeps every distinct event, whatever their hashes.
using EventSet = std::set<std::shared_ptr<TransportEvent>, EventOrder>;

}  // namespace sdk::transport

