#pragma once

#include <cstdint>
#include <memory>

#include "sdk/analytics/rules/EditingCallbackHandler.h"
#include "sdk/analytics/rules/EditingEvent.h"
#include "sdk/analytics/rules/ScriptMapValue.h"

namespace sdk::analytics {

// The event object every callback receives: reads and writes the context's output event.
class EditingEventObject final : public ScriptMapValue {
 public:
  EditingEventObject(ScriptHeap& heap, std::shared_ptr<EditingEventContext> context)
      : ScriptMapValue(heap), context_(std::move(context)) {}
  ScriptValueRef applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope,
                             ScriptRuntimeError& error) override;

 private:
  bool charge(ScriptHeap& heap, std::size_t bytes, ScriptRuntimeError& error);
  // One event method on evaluated arguments of the right count.
  ScriptValueRef run(int method, ScriptArguments values, ScriptHeap& heap, ScriptRuntimeError& error);

  std::shared_ptr<EditingEventContext> context_;
};

// "internal.registerCallback": registers a callback of type "edit" or "create" with a priority.
class RegisterCallbackFunction final : public ScriptFunctionValue {
 public:
  RegisterCallbackFunction(ScriptHeap& heap, std::shared_ptr<EditingCallbackHandler> handler)
      : ScriptFunctionValue(heap, u"internal.registerCallback"), handler_(std::move(handler)) {}
  ScriptValueRef invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope, ScriptRuntimeError& error) override;

 private:
  std::shared_ptr<EditingCallbackHandler> handler_;
};

// "internal.eventLogger": appends a created event to the context, at most kMaxCreatedEvents per
// handled event; the surplus is counted and dropped.
class CreatedEventLogger final : public ScriptFunctionValue {
 public:
  static constexpr std::size_t kMaxCreatedEvents = 1000;
  CreatedEventLogger(ScriptHeap& heap, std::shared_ptr<EditingEventContext> context, std::shared_ptr<std::int64_t> dropped)
      : ScriptFunctionValue(heap, u"internal.eventLogger"), context_(std::move(context)), dropped_(std::move(dropped)) {}
  ScriptValueRef invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope, ScriptRuntimeError& error) override;

 private:
  std::shared_ptr<EditingEventContext> context_;
  std::shared_ptr<std::int64_t> dropped_;
};

}  // namespace sdk::analytics

