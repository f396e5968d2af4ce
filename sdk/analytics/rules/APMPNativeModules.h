#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/MeasurementHost.h"

// The native modules a program can "require".

class APMPFunctionGetVersion final : public APMPFunctionValue {
 public:
  explicit APMPFunctionGetVersion(APMPHeap& heap) : APMPFunctionValue(heap, u"getVersion") {}
  APMPValueRef invokeWithArguments(const APMPValueList&, APMPScope& scope, APMPError&) override;
};

class APMPRuntimePlatform final : public APMPFunctionValue {
 public:
  explicit APMPRuntimePlatform(APMPHeap& heap);
  APMPValueRef invokeWithArguments(const APMPValueList&, APMPScope&, APMPError&) override { return APMPUndefined(); }
};

// Where script log lines go.
class APMPLoggerDelegate {
 public:
  virtual ~APMPLoggerDelegate() = default;
  virtual void logWithLevel(std::int64_t level, const std::string& message, const std::vector<std::string>& contexts,
                            bool silent, bool monitored) = 0;
};

// Script levels to the monitor's levels, code 24005.
class APMPixieLogger final : public APMPLoggerDelegate {
 public:
  static constexpr std::int64_t kMessageCode = 24005;
  explicit APMPixieLogger(std::shared_ptr<const sdk::analytics::MeasurementHost> host) : host_(std::move(host)) {}
  static int monitorLevel(std::int64_t level, bool silent, bool monitored);
  void logWithLevel(std::int64_t level, const std::string& message, const std::vector<std::string>& contexts,
                    bool silent, bool monitored) override;

 private:
  std::shared_ptr<const sdk::analytics::MeasurementHost> host_;
};

class APMPFunctionLog final : public APMPFunctionValue {
 public:
  APMPFunctionLog(APMPHeap& heap, bool silent, bool monitored, std::shared_ptr<APMPLoggerDelegate> logger)
      : APMPFunctionValue(heap, u"log"), silent_(silent), monitored_(monitored), logger_(std::move(logger)) {}
  APMPValueRef invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) override;

 private:
  const bool silent_;
  const bool monitored_;
  std::shared_ptr<APMPLoggerDelegate> logger_;
};

// "internal.logger", with its "silent" and "unmonitored" members.
class APMPMessageLogger final : public APMPFunctionValue {
 public:
  APMPMessageLogger(APMPHeap& heap, std::shared_ptr<APMPLoggerDelegate> logger);
  APMPValueRef invokeWithArguments(const APMPValueList&, APMPScope&, APMPError&) override { return APMPUndefined(); }
};

class APMPKeyValueStoreGetValue final : public APMPFunctionValue {
 public:
  using Block = std::function<std::optional<std::string>(const std::string& key)>;
  APMPKeyValueStoreGetValue(APMPHeap& heap, Block block) : APMPFunctionValue(heap, u"getValue"), block_(std::move(block)) {}
  APMPValueRef invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) override;

 private:
  Block block_;
};

// A named store whose "getValue" answers texts by key, or the script's default.
class APMPKeyValueStore final : public APMPFunctionValue {
 public:
  APMPKeyValueStore(APMPHeap& heap, std::u16string name, APMPKeyValueStoreGetValue::Block block);
};

// A named value made by a block each time it is called.
class APMPObjectProvider final : public APMPFunctionValue {
 public:
  using Block = std::function<platform::foundation::Value()>;
  APMPObjectProvider(APMPHeap& heap, std::u16string name, Block block)
      : APMPFunctionValue(heap, std::move(name)), block_(std::move(block)) {}
  APMPValueRef invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) override;

 private:
  Block block_;
};
