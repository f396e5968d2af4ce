#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

class ProtoEvent;

// One event as the engine handles it: origin, name, times in seconds since 1970 and its parameters.
// The real-time, conversion and debug flags live in the parameters "_r", "_c" and "_dbg", so they
// travel with the stored event.
class AnalyticsEvent {
 public:
  static constexpr const char* kRealtimeParameter = "_r";
  static constexpr const char* kConversionParameter = "_c";
  static constexpr const char* kDebugParameter = "_dbg";

  // The event, or nothing when the origin or the name is refused (see the validator). A previous
  // timestamp after the timestamp is only logged.
  static std::optional<AnalyticsEvent> create(std::string origin, bool isPublic, std::string name, double timestamp,
                                        double previousTimestamp, Parameters parameters);

  const std::string& name() const { return name_; }
  const std::string& origin() const { return origin_; }
  bool isPublic() const { return isPublic_; }
  double timestamp() const { return timestamp_; }
  double previousTimestamp() const { return previousTimestamp_; }
  const Parameters& parameters() const { return parameters_; }

  bool isRealtime() const { return flag(kRealtimeParameter); }
  void setRealtime(bool realtime) { setFlag(kRealtimeParameter, realtime); }
  bool isConversion() const { return flag(kConversionParameter); }
  void setConversion(bool conversion) { setFlag(kConversionParameter, conversion); }
  bool isDebug() const { return flag(kDebugParameter); }
  void setDebug(bool debug) { setFlag(kDebugParameter, debug); }

  AnalyticsEvent copyWithParameters(Parameters parameters) const;
  AnalyticsEvent copyWithPreviousTimestamp(double previousTimestamp) const;

  // Adds the sanitised `parameters` (as public parameters of an unnamed event) under the event's own,
  // which win on a clash.
  void applyParameters(const platform::foundation::Dictionary& parameters);
  // The event as a message (see ProtoConversions.h).
  std::shared_ptr<ProtoEvent> protoEvent() const;

  // Adds "_si" and, where present, "_sc" and "_sn". Nothing is added (false) when the event already
  // has any of them or the screen parameters are incomplete or invalid.
  bool addScreenParameters(const Parameters& screenParameters);

 private:
  AnalyticsEvent() = default;
  bool flag(const char* parameter) const;
  void setFlag(const char* parameter, bool on);

  std::string origin_;
  bool isPublic_ = false;
  std::string name_;
  double timestamp_ = 0;
  double previousTimestamp_ = 0;
  Parameters parameters_;
};

}  // namespace sdk::analytics

