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
  ErrorOr<ScriptValueRef> applyWithName(const std::u16string& name, const ScriptValueList& arguments, ScriptScope& scope) override;

 private:
  ErrorOr<void> charge(ScriptHeap& heap, std::size_t bytes);
  // One event method on evaluated arguments of the right count.
  ErrorOr<ScriptValueRef> run(int method, ScriptArguments values, ScriptHeap& heap);

  std::shared_ptr<EditingEventContext> context_;
};

// "internal.registerCallback": registers a callback of type "edit" or "create" with a priority.
class RegisterCallbackFunction final : public ScriptFunctionValue {
 public:
  RegisterCallbackFunction(ScriptHeap& heap, std::shared_ptr<EditingCallbackHandler> handler)
      : ScriptFunctionValue(heap, u"internal.registerCallback"), handler_(std::move(handler)) {}
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) override;

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
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) override;

 private:
  std::shared_ptr<EditingEventContext> context_;
  std::shared_ptr<std::int64_t> dropped_;
};

}  // namespace sdk::analytics

