#pragma once

#include <memory>
#include <string>

#include "platform/dispatch/Queue.h"
#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/Transport.h"
#include "sdk/transport/DiagnosticsData.h"
#include "sdk/transport/proto/core_configuration.pb.h"
#include "sdk/utilities/HeartbeatDateStorage.h"

namespace sdk::transport {

using CoreConfiguration = logs_proto_mobilesdk_ios_ICoreConfiguration;

// The service number of a linked SDK's name; 0 for a name not in the table.
std::int32_t serviceTypeForName(const std::string& name);

// The diagnostics message as an event payload. It owns the message's buffers and releases them.
class CoreDiagnosticsPayload final : public EventPayload {
 public:
  // Takes over the buffers of `config`.
  explicit CoreDiagnosticsPayload(CoreConfiguration config) : config_(config) {}
  ~CoreDiagnosticsPayload() override;
  CoreDiagnosticsPayload(const CoreDiagnosticsPayload&) = delete;
  CoreDiagnosticsPayload& operator=(const CoreDiagnosticsPayload&) = delete;

  const CoreConfiguration& config() const { return config_; }
  // The encoded message; empty (and logged) when encoding fails, never a cut-off message.
  platform::foundation::Data transportBytes() const override;

 private:
  CoreConfiguration config_;
};

// Sends the SDK's configuration as telemetry through the event transport ("137" to target 1001) on
// every activation, with the core heartbeat flag at most once a calendar day.
class CoreDiagnostics {
 public:
  static constexpr const char* kHeartbeatFileName = "VUREVORE_DIAGNOSTICS_HEARTBEAT_DATE";
  static constexpr const char* kHeartbeatTag = "VURCoreDiagnostics";

  static CoreDiagnostics& sharedInstance();
  // Waits for the shared instance's queued work, when there is a shared instance.
  static void drainIfCreated();
  CoreDiagnostics(std::shared_ptr<Transport> transport, std::shared_ptr<sdk::utilities::HeartbeatDateStorable> dates);

  static void sendDiagnosticsData(std::shared_ptr<DiagnosticsData> data);
  // Returns at once; the message is built and handed on on the diagnostics queue.
  void send(std::shared_ptr<DiagnosticsData> data);
  // The message for these objects, heartbeat flag included when due (which records today as sent).
  CoreConfiguration configurationFor(const platform::foundation::Dictionary& objects);
  void setHeartbeatFlagIfNeededToConfig(CoreConfiguration& config);

  const std::shared_ptr<platform::dispatch::Queue>& diagnosticsQueue() const { return diagnosticsQueue_; }

 private:
  std::shared_ptr<platform::dispatch::Queue> diagnosticsQueue_;
  std::shared_ptr<Transport> transport_;
  std::shared_ptr<sdk::utilities::HeartbeatDateStorable> heartbeatDateStorage_;
};

}  // namespace sdk::transport

