// Bytes from the network given to any analytics message decoder (the first byte picks the message)
// must decode or be refused, never crash; what decodes must write back bytes that decode to the same
// bytes again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sdk/analytics/foundation/NanoMessage.h"
#include "sdk/analytics/foundation/AllProtoMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto& messages = sdk::analytics::allProtoMessages();
  const auto& [name, descriptor] = messages[data[0] % messages.size()];
  sdk::analytics::NanoMessage message(descriptor());
  if (!message.decode(std::span(data + 1, size - 1))) return 0;
  platform::foundation::Data bytes = message.protoBuffer();
  sdk::analytics::NanoMessage again(descriptor());
  if (!again.decode(bytes)) std::abort();
  if (again.protoBuffer() != bytes) std::abort();
  return 0;
}
