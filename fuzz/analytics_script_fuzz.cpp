// Loads arbitrary bytes as an event-editing program and runs its top-level statements with small
// limits: whatever the bytes say, the run must end (error 18 at worst) without crashing, leaking
// or exhausting memory, and the runtime must still work afterwards.
#include <cstddef>
#include <cstdint>
#include <span>

#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBProgram.h"
#include "sdk/analytics/rules/APMPRuntime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto program = APMPBProgram::initWithBuffer(std::span<const std::uint8_t>(data, size));
  if (!program) return 0;
  APMPLimits limits;
  limits.instructions = 20'000;
  limits.memoryBytes = 2u << 20;
  limits.nativeWork = 200'000;
  limits.arrayLength = 4096;
  limits.stringLength = 1 << 16;
  APMPRuntime runtime(limits);
  APMPError error;
  runtime.executeStatements(APMNanoGetMessageArray<APMPBRuntimeEntity>(*program, 0), error);
  runtime.resetInstructionCount();
  APMPError again;
  auto value = runtime.executeStatements(APMNanoGetMessageArray<APMPBRuntimeEntity>(*program, 0), again);
  (void)value;
  return 0;
}
