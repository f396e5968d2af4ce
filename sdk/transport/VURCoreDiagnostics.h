#pragma once

#include <memory>
#include <string>

#include "platform/dispatch/Queue.h"
#include "sdk/transport/VDTCOREvent.h"
#include "sdk/transport/VDTCORTransport.h"
#include "sdk/transport/VURDiagnosticsData.h"
#include "sdk/transport/proto/core_configuration.pb.h"
#include "sdk/utilities/VDUHeartbeatDateStorage.h"

using VURCoreConfiguration = logs_proto_mobilesdk_ios_ICoreConfiguration;

// The service number of a linked SDK's name; 0 for a name not in the table.
std::int32_t VURCDServiceTypeForName(const std::string& name);

// The diagnostics message as an event payload. It owns the message's buffers and releases them.
class VURCoreDiagnosticsLog final : public VDTCOREventDataObject {
 public:
  // Takes over the buffers of `config`.
  explicit VURCoreDiagnosticsLog(VURCoreConfiguration config) : config_(config) {}
  ~VURCoreDiagnosticsLog() override;
  VURCoreDiagnosticsLog(const VURCoreDiagnosticsLog&) = delete;
  VURCoreDiagnosticsLog& operator=(const VURCoreDiagnosticsLog&) = delete;

  const VURCoreConfiguration& config() const { return config_; }
  // The encoded message; empty (and logged) when encoding fails, never a cut-off message.
  platform::foundation::Data transportBytes() const override;

 private:
  VURCoreConfiguration config_;
};

// Sends the SDK's configuration as telemetry through the event transport ("137" to target 1001) on
// every activation, with the core heartbeat flag at most once a calendar day.
class VURCoreDiagnostics {
 public:
  static constexpr const char* kHeartbeatFileName = "VUREVORE_DIAGNOSTICS_HEARTBEAT_DATE";
  static constexpr const char* kHeartbeatTag = "VURCoreDiagnostics";

  static VURCoreDiagnostics& sharedInstance();
  // Waits for the shared instance's queued work, when there is a shared instance.
  static void drainIfCreated();
  VURCoreDiagnostics(std::shared_ptr<VDTCORTransport> transport, std::shared_ptr<VDUHeartbeatDateStorable> dates);

  static void sendDiagnosticsData(std::shared_ptr<VURDiagnosticsData> data);
  // Returns at once; the message is built and handed on on the diagnostics queue.
  void send(std::shared_ptr<VURDiagnosticsData> data);
  // The message for these objects, heartbeat flag included when due (which records today as sent).
  VURCoreConfiguration configurationFor(const platform::foundation::Dictionary& objects);
  void setHeartbeatFlagIfNeededToConfig(VURCoreConfiguration& config);

  const std::shared_ptr<platform::dispatch::Queue>& diagnosticsQueue() const { return diagnosticsQueue_; }

 private:
  std::shared_ptr<platform::dispatch::Queue> diagnosticsQueue_;
  std::shared_ptr<VDTCORTransport> transport_;
  std::shared_ptr<VDUHeartbeatDateStorable> heartbeatDateStorage_;
};

// Registers the runtime class "VURCoreDiagnosticsConnector" whose class method
// "logCoreTelemetryWithOptions:" the SDK core sends on every activation.
void VURRegisterCoreDiagnosticsConnector();
