#include "sdk/analytics/rules/APMPNativeModules.h"

#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPRuntime.h"
#include "sdk/analytics/rules/APMPRuntimeEntityConverter.h"
#include "sdk/analytics/rules/APMPText.h"

namespace {
// What a log line costs besides its texts, so that empty lines count too.
constexpr std::size_t kLineOverhead = 32;
constexpr const char* kTruncationNotice = "Script log output passed its limit; later lines of this run are dropped";

// Cuts a UTF-8 text to at most `bytes` bytes, at a character boundary.
void cutUTF8(std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return;
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  text.resize(bytes);
}

// The UTF-8 form of as much of `text` as the line can show: no code unit takes less than a byte.
std::string lineText(const std::u16string& text, std::size_t bytes) {
  return APMPToUTF8(std::u16string_view(text).substr(0, bytes + 1));
}

// A member function that ignores its arguments and answers undefined.
class APMPSilentMember final : public APMPFunctionValue {
 public:
  APMPSilentMember(APMPHeap& heap, std::u16string name) : APMPFunctionValue(heap, std::move(name)) {}
  APMPValueRef invokeWithArguments(const APMPValueList&, APMPScope&, APMPError&) override { return APMPUndefined(); }
};
}  // namespace

APMPValueRef APMPFunctionGetVersion::invokeWithArguments(const APMPValueList&, APMPScope& scope, APMPError&) {
  return APMPNumber(APMPScopeHeap(scope), static_cast<double>(APMPRuntime::runtimeVersion()));
}

APMPRuntimePlatform::APMPRuntimePlatform(APMPHeap& heap) : APMPFunctionValue(heap, u"internal.platform") {
  setValueForProperty(heap.make<APMPFunctionGetVersion>(), u"getVersion");
}

APMPValueRef APMPFunctionLog::invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) {
  if (!APMPCheckMinimumArgumentCount(arguments, 1, error)) return APMPUndefined();
  auto values = APMPEvaluateArguments(arguments, scope, error);
  if (APMPFailed(error)) return APMPUndefined();
  std::int64_t level = 4;
  std::u16string message;
  std::vector<std::string> contexts;
  const auto lineCap = APMPScopeHeap(scope).limits().logLineBytes;
  if (values.size() == 1) {
    message = values[0]->stringValueOrError(error);
  } else {
    level = APMPToInt64Clamped(values[0]->doubleValueOrError(error));
    if (!APMPFailed(error)) message = values[1]->stringValueOrError(error);
    for (std::size_t i = 2; i < values.size() && i < 5 && !APMPFailed(error); ++i) {
      contexts.push_back(lineText(values[i]->stringValueOrError(error), lineCap));
    }
  }
  if (APMPFailed(error) || !logger_) return APMPUndefined();
  // A line keeps its first bytes up to the line cap; lines past the run's cap are dropped, and the
  // first one dropped leaves a notice instead.
  auto& heap = APMPScopeHeap(scope);
  std::size_t room = lineCap;
  auto line = lineText(message, room);
  cutUTF8(line, room);
  room -= line.size();
  std::size_t bytes = kLineOverhead + line.size();
  for (auto& context : contexts) {
    cutUTF8(context, room);
    room -= context.size();
    bytes += context.size();
  }
  if (!heap.chargeLogOutput(bytes)) {
    if (heap.takeLogTruncation()) logger_->logWithLevel(5, kTruncationNotice, {}, false, false);
    return APMPUndefined();
  }
  logger_->logWithLevel(level, line, contexts, silent_, monitored_);
  return APMPUndefined();
}

APMPMessageLogger::APMPMessageLogger(APMPHeap& heap, std::shared_ptr<APMPLoggerDelegate> logger)
    : APMPFunctionValue(heap, u"internal.logger") {
  setValueForProperty(heap.make<APMPFunctionLog>(false, true, logger), u"log");
  auto silent = heap.make<APMPSilentMember>(u"silent");
  silent->setValueForProperty(heap.make<APMPFunctionLog>(true, true, logger), u"log");
  setValueForProperty(silent, u"silent");
  auto unmonitored = heap.make<APMPSilentMember>(u"unmonitored");
  unmonitored->setValueForProperty(heap.make<APMPFunctionLog>(false, false, logger), u"log");
  setValueForProperty(unmonitored, u"unmonitored");
}

APMPValueRef APMPKeyValueStoreGetValue::invokeWithArguments(const APMPValueList& arguments, APMPScope& scope,
                                                            APMPError& error) {
  if (!APMPCheckArgumentCount(arguments, 2, error)) return APMPUndefined();
  auto values = APMPEvaluateArguments(arguments, scope, error);
  if (APMPFailed(error)) return APMPUndefined();
  const auto key = values[0]->stringValueOrError(error);
  if (APMPFailed(error)) return APMPUndefined();
  const auto answer = block_ ? block_(APMPToUTF8(key)) : std::nullopt;
  if (!answer) return values[1];
  return APMPString(APMPScopeHeap(scope), APMPFromUTF8(*answer), error);
}

APMPKeyValueStore::APMPKeyValueStore(APMPHeap& heap, std::u16string name, APMPKeyValueStoreGetValue::Block block)
    : APMPFunctionValue(heap, std::move(name)) {
  setValueForProperty(heap.make<APMPKeyValueStoreGetValue>(std::move(block)), u"getValue");
}

APMPValueRef APMPObjectProvider::invokeWithArguments(const APMPValueList&, APMPScope& scope, APMPError& error) {
  const auto object = block_ ? block_() : platform::foundation::Value();
  return APMPRuntimeEntityConverter::runtimeValueFromNSObject(object, APMPScopeHeap(scope), error);
}
