#pragma once

// What both script fuzzers share: an event-editing instance with small budgets and every module a
// program can reach (the callback registrar, the event logger, the logger module with a delegate
// that only counts), and the round of events each input goes through.
#include <memory>
#include <string>
#include <vector>

#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/ScriptNativeModules.h"

namespace ostrel::fuzz {

inline sdk::analytics::ScriptLimits smallLimits() {
  sdk::analytics::ScriptLimits limits;
  limits.instructions = 20'000;
  limits.evaluationDepth = 128;
  limits.memoryBytes = 2u << 20;
  limits.nativeWork = 200'000;
  limits.arrayLength = 4096;
  limits.stringLength = 1 << 16;
  limits.conversionElements = 2048;
  limits.conversionBytes = 64u << 10;
  limits.logLineBytes = 256;
  limits.logRunBytes = 4096;
  limits.collectionThreshold = 500;
  return limits;
}

// Log lines are only counted: the fuzzer checks the caps, not the texts.
class CountingLogger final : public sdk::analytics::ScriptLoggerDelegate {
 public:
  void logWithLevel(std::int64_t, const std::string& message, const std::vector<std::string>& contexts, bool,
                    bool) override {
    std::size_t bytes = message.size();
    for (const auto& context : contexts) bytes += context.size();
    if (bytes > smallLimits().logLineBytes) __builtin_trap();
    total += bytes;
  }
  std::size_t total = 0;
};

inline std::unique_ptr<sdk::analytics::EventEditing> makeEditing(const std::shared_ptr<CountingLogger>& logger) {
  auto editing = std::make_unique<sdk::analytics::EventEditing>(nullptr, smallLimits());
  editing->setModuleCreator(
      [logger](sdk::analytics::ScriptHeap& heap) { return sdk::analytics::ScriptValueRef(heap.make<sdk::analytics::LoggerModule>(logger)); }, u"internal.logger");
  return editing;
}

// Loads `program` and, when it loads, hands it a few events: whatever it does must end, within its
// budgets, and the instance must go on working.
inline void runProgram(const sdk::analytics::ProtoProgram& program) {
  auto logger = std::make_shared<CountingLogger>();
  auto editing = makeEditing(logger);
  if (!editing->loadProgram(program).ok()) return;
  const platform::foundation::Dictionary parameters{
      {"value", 12.5}, {"item", "hat"}, {"items", platform::foundation::Array{"a", 2.0}}};
  for (int round = 0; round < 3; ++round) {
    logger->total = 0;
    // A failing event is as good as any: what matters is that it ends within the budgets.
    (void)editing->handleEvent(sdk::analytics::EditingEvent("purchase", 1000.5 + round, parameters));
    if (logger->total > smallLimits().logRunBytes + 256) __builtin_trap();  // the cap, then one notice
    if (editing->runtime().heap().liveBytes() > smallLimits().memoryBytes + (1u << 20)) __builtin_trap();
  }
}

}  // namespace ostrel::fuzz
