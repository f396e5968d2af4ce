// Loads arbitrary bytes as an event-editing program, with small budgets and every module a program
// can reach, and hands it a few events: whatever the bytes say, loading and every event must end
// (error 18 at worst) without crashing, leaking or passing the budgets, and the instance must go on
// working.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/ScriptFuzzHost.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto program = sdk::analytics::ProtoProgram::initWithBuffer(std::span<const std::uint8_t>(data, size));
  if (program) ostrel::fuzz::runProgram(*program);
  return 0;
}
