#include "sdk/analytics/rules/ScriptNativeModules.h"

#include "platform/foundation/Utf8.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptRuntime.h"
#include "sdk/analytics/rules/ScriptValueConverter.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

namespace {
// What a log line costs besides its texts, so that empty lines count too.
constexpr std::size_t kLineOverhead = 32;
constexpr const char* kTruncationNotice = "Script log output passed its limit; later lines of this run are dropped";

// The UTF-8 form of as much of `text` as the line can show: no code unit takes less than a byte.
std::string lineText(const std::u16string& text, std::size_t bytes) {
  return utf8FromUTF16(std::u16string_view(text).substr(0, bytes + 1));
}

// A member function that ignores its arguments and answers undefined.
class InertMemberFunction final : public ScriptFunctionValue {
 public:
  InertMemberFunction(ScriptHeap& heap, std::u16string name) : ScriptFunctionValue(heap, std::move(name)) {}
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList&, ScriptScope&) override {
    return ScriptValueRef(scriptUndefined());
  }
};
}  // namespace

ErrorOr<ScriptValueRef> GetVersionFunction::invokeWithArguments(const ScriptValueList&, ScriptScope& scope) {
  return scriptNumber(heapOfScope(scope), static_cast<double>(ScriptRuntime::runtimeVersion()));
}

PlatformModule::PlatformModule(ScriptHeap& heap) : ScriptFunctionValue(heap, u"internal.platform") {
  setValueForProperty(heap.make<GetVersionFunction>(), u"getVersion");
}

ErrorOr<ScriptValueRef> LogFunction::invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) {
  TRY(checkMinimumArgumentCount(arguments, 1));
  auto values = TRY(evaluateArguments(arguments, scope));
  std::int64_t level = 4;
  std::u16string message;
  std::vector<std::string> contexts;
  const auto lineCap = heapOfScope(scope).limits().logLineBytes;
  if (values.size() == 1) {
    message = TRY(values[0]->stringValueOrError());
  } else {
    level = toInt64Clamped(TRY(values[0]->doubleValueOrError()));
    message = TRY(values[1]->stringValueOrError());
    for (std::size_t i = 2; i < values.size() && i < 5; ++i) {
      contexts.push_back(lineText(TRY(values[i]->stringValueOrError()), lineCap));
    }
  }
  if (!logger_) return ScriptValueRef(scriptUndefined());
  // A line keeps its first bytes up to the line cap; lines past the run's cap are dropped, and the
  // first one dropped leaves a notice instead.
  auto& heap = heapOfScope(scope);
  std::size_t room = lineCap;
  auto line = lineText(message, room);
  line.resize(platform::foundation::Utf8::cutOffset(line, room));
  room -= line.size();
  std::size_t bytes = kLineOverhead + line.size();
  for (auto& context : contexts) {
    context.resize(platform::foundation::Utf8::cutOffset(context, room));
    room -= context.size();
    bytes += context.size();
  }
  if (!heap.chargeLogOutput(bytes)) {
    if (heap.takeLogTruncation()) logger_->logWithLevel(5, kTruncationNotice, {}, false, false);
    return ScriptValueRef(scriptUndefined());
  }
  logger_->logWithLevel(level, line, contexts, silent_, monitored_);
  return ScriptValueRef(scriptUndefined());
}

LoggerModule::LoggerModule(ScriptHeap& heap, std::shared_ptr<ScriptLoggerDelegate> logger)
    : ScriptFunctionValue(heap, u"internal.logger") {
  setValueForProperty(heap.make<LogFunction>(false, true, logger), u"log");
  auto silent = heap.make<InertMemberFunction>(u"silent");
  silent->setValueForProperty(heap.make<LogFunction>(true, true, logger), u"log");
  setValueForProperty(silent, u"silent");
  auto unmonitored = heap.make<InertMemberFunction>(u"unmonitored");
  unmonitored->setValueForProperty(heap.make<LogFunction>(false, false, logger), u"log");
  setValueForProperty(unmonitored, u"unmonitored");
}

ErrorOr<ScriptValueRef> KeyValueStoreGetValueFunction::invokeWithArguments(const ScriptValueList& arguments,
                                                                         ScriptScope& scope) {
  TRY(checkArgumentCount(arguments, 2));
  auto values = TRY(evaluateArguments(arguments, scope));
  const auto key = TRY(values[0]->stringValueOrError());
  const auto answer = block_ ? block_(utf8FromUTF16(key)) : std::nullopt;
  if (!answer) return values[1];
  return scriptString(heapOfScope(scope), utf16FromUTF8(*answer));
}

KeyValueStoreModule::KeyValueStoreModule(ScriptHeap& heap, std::u16string name, KeyValueStoreGetValueFunction::Block block)
    : ScriptFunctionValue(heap, std::move(name)) {
  setValueForProperty(heap.make<KeyValueStoreGetValueFunction>(std::move(block)), u"getValue");
}

ErrorOr<ScriptValueRef> ObjectProvider::invokeWithArguments(const ScriptValueList&, ScriptScope& scope) {
  const auto object = block_ ? block_() : platform::foundation::Value();
  return ScriptValueConverter::runtimeValueFromNSObject(object, heapOfScope(scope));
}

}  // namespace sdk::analytics

