#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/rules/MonitorScriptLogger.h"
#include "sdk/analytics/rules/ScriptLoggerDelegate.h"

// The native modules a program can "require".

namespace sdk::analytics {

class GetVersionFunction final : public ScriptFunctionValue {
 public:
  explicit GetVersionFunction(ScriptHeap& heap) : ScriptFunctionValue(heap, u"getVersion") {}
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList&, ScriptScope& scope) override;
};

class PlatformModule final : public ScriptFunctionValue {
 public:
  explicit PlatformModule(ScriptHeap& heap);
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList&, ScriptScope&) override { return ScriptValueRef(scriptUndefined()); }
};

class LogFunction final : public ScriptFunctionValue {
 public:
  LogFunction(ScriptHeap& heap, bool silent, bool monitored, std::shared_ptr<ScriptLoggerDelegate> logger)
      : ScriptFunctionValue(heap, u"log"), silent_(silent), monitored_(monitored), logger_(std::move(logger)) {}
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) override;

 private:
  const bool silent_;
  const bool monitored_;
  std::shared_ptr<ScriptLoggerDelegate> logger_;
};

// "internal.logger", with its "silent" and "unmonitored" members.
class LoggerModule final : public ScriptFunctionValue {
 public:
  LoggerModule(ScriptHeap& heap, std::shared_ptr<ScriptLoggerDelegate> logger);
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList&, ScriptScope&) override { return ScriptValueRef(scriptUndefined()); }
};

class KeyValueStoreGetValueFunction final : public ScriptFunctionValue {
 public:
  using Block = std::function<std::optional<std::string>(const std::string& key)>;
  KeyValueStoreGetValueFunction(ScriptHeap& heap, Block block) : ScriptFunctionValue(heap, u"getValue"), block_(std::move(block)) {}
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) override;

 private:
  Block block_;
};

// A named store whose "getValue" answers texts by key, or the script's default.
class KeyValueStoreModule final : public ScriptFunctionValue {
 public:
  KeyValueStoreModule(ScriptHeap& heap, std::u16string name, KeyValueStoreGetValueFunction::Block block);
};

// A named value made by a block each time it is called.
class ObjectProvider final : public ScriptFunctionValue {
 public:
  using Block = std::function<platform::foundation::Value()>;
  ObjectProvider(ScriptHeap& heap, std::u16string name, Block block)
      : ScriptFunctionValue(heap, std::move(name)), block_(std::move(block)) {}
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) override;

 private:
  Block block_;
};

}  // namespace sdk::analytics

