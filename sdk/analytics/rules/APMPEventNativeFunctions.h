#pragma once

#include <cstdint>
#include <memory>

#include "sdk/analytics/rules/APMPEditingCallbackHandler.h"
#include "sdk/analytics/rules/APMPEvent.h"
#include "sdk/analytics/rules/APMPMapValue.h"

// The event object every callback receives: reads and writes the context's output event.
class APMPEventNativeFunctions final : public APMPMapValue {
 public:
  APMPEventNativeFunctions(APMPHeap& heap, std::shared_ptr<APMPEventContext> context)
      : APMPMapValue(heap), context_(std::move(context)) {}
  APMPValueRef applyWithName(const std::u16string& name, const APMPValueList& arguments, APMPScope& scope,
                             APMPError& error) override;

 private:
  bool charge(APMPHeap& heap, std::size_t bytes, APMPError& error);
  // One event method on evaluated arguments of the right count.
  APMPValueRef run(int method, APMPArguments values, APMPHeap& heap, APMPError& error);

  std::shared_ptr<APMPEventContext> context_;
};

// "internal.registerCallback": registers a callback of type "edit" or "create" with a priority.
class APMPRegisterCallbackNativeFunctionValue final : public APMPFunctionValue {
 public:
  APMPRegisterCallbackNativeFunctionValue(APMPHeap& heap, std::shared_ptr<APMPEditingCallbackHandler> handler)
      : APMPFunctionValue(heap, u"internal.registerCallback"), handler_(std::move(handler)) {}
  APMPValueRef invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) override;

 private:
  std::shared_ptr<APMPEditingCallbackHandler> handler_;
};

// "internal.eventLogger": appends a created event to the context, at most kMaxCreatedEvents per
// handled event; the surplus is counted and dropped.
class APMPEventLogger final : public APMPFunctionValue {
 public:
  static constexpr std::size_t kMaxCreatedEvents = 1000;
  APMPEventLogger(APMPHeap& heap, std::shared_ptr<APMPEventContext> context, std::shared_ptr<std::int64_t> dropped)
      : APMPFunctionValue(heap, u"internal.eventLogger"), context_(std::move(context)), dropped_(std::move(dropped)) {}
  APMPValueRef invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) override;

 private:
  std::shared_ptr<APMPEventContext> context_;
  std::shared_ptr<std::int64_t> dropped_;
};
