#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

// An event as event editing sees it: name, time in seconds and plain-value parameters.
class EditingEvent {
 public:
  EditingEvent() = default;
  EditingEvent(std::string name, double timestamp, platform::foundation::Dictionary parameters)
      : name(std::move(name)), timestamp(timestamp), parameters(std::move(parameters)) {}

  // Nil when absent.
  platform::foundation::Value parameterForName(const std::string& name) const;
  // A nil value removes the parameter.
  void setParameter(const platform::foundation::Value& value, const std::string& name);
  bool hasParameterName(const std::string& name) const { return parameters.count(name) != 0; }
  // Same name and parameters, timestamps closer than the double epsilon.
  bool isEqualToEvent(const EditingEvent& other) const;

  std::string name;
  double timestamp = 0;
  platform::foundation::Dictionary parameters;
};

// The event being handled, its edited copy and the events created meanwhile.
class EditingEventContext {
 public:
  EditingEventContext() = default;
  explicit EditingEventContext(const EditingEvent& event) { setInputEvent(event); }

  void setInputEvent(const EditingEvent& event) {
    inputEvent_ = event;
    outputEvent_ = event;
    loggedEvents_.clear();
  }
  void setOutputEvent(const EditingEvent& event) { outputEvent_ = event; }
  void logEventWithName(std::string name, double timestamp, platform::foundation::Dictionary parameters) {
    loggedEvents_.emplace_back(std::move(name), timestamp, std::move(parameters));
  }

  const EditingEvent& inputEvent() const { return inputEvent_; }
  EditingEvent& outputEvent() { return outputEvent_; }
  const EditingEvent& outputEvent() const { return outputEvent_; }
  const std::vector<EditingEvent>& eventsToLog() const { return loggedEvents_; }

  // Bytes the scripts added to the output and created events since the input was set, which the
  // runtime counts against its memory budget until the next event.
  std::size_t chargedBytes() const { return chargedBytes_; }
  void addChargedBytes(std::size_t bytes) { chargedBytes_ += bytes; }
  std::size_t takeChargedBytes() { return std::exchange(chargedBytes_, 0); }

 private:
  EditingEvent inputEvent_;
  EditingEvent outputEvent_;
  std::vector<EditingEvent> loggedEvents_;
  std::size_t chargedBytes_ = 0;
};

}  // namespace sdk::analytics

