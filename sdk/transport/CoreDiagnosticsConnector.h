#pragma once

namespace sdk::transport {

// Registers the runtime class "VURCoreDiagnosticsConnector" whose class method
// "logCoreTelemetryWithOptions:" the SDK core sends on every activation.
void registerCoreDiagnosticsConnector();

}  // namespace sdk::transport
