#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sdk/analytics/foundation/ProtoProgramMessages.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptScope.h"

namespace sdk::analytics {

// A module creator makes a fresh module value, or nothing (a null reference).
using ScriptModuleCreator = std::function<ScriptValueRef(ScriptHeap& heap)>;

class ScriptModuleProvider {
 public:
  void setModuleCreator(const ScriptModuleCreator& creator, const std::u16string& name) { creators_[name] = creator; }
  // Undefined without an error for a name nobody registered; error 15 when the creator gives nothing.
  ErrorOr<ScriptValueRef> moduleForName(const std::u16string& name, ScriptHeap& heap) const;

 private:
  std::unordered_map<std::u16string, ScriptModuleCreator> creators_;
};

// "require": loads a module once per runtime; an unknown name caches undefined.
class RequireFunction final : public ScriptFunctionValue {
 public:
  RequireFunction(ScriptHeap& heap, std::shared_ptr<ScriptModuleProvider> provider)
      : ScriptFunctionValue(heap, u"require"), provider_(std::move(provider)) {}
  ErrorOr<ScriptValueRef> invokeWithArguments(const ScriptValueList& arguments, ScriptScope& scope) override;

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override;

 private:
  std::shared_ptr<ScriptModuleProvider> provider_;
  std::unordered_map<std::u16string, ScriptValueRef> modules_;
};

// The host of the interpreter: root and global scopes, modules, the meters and limits, and the
// collection of the cycles that closures leave. Used from one thread at a time.
class ScriptRuntime {
 public:
  explicit ScriptRuntime(const ScriptLimits& limits = {});
  ~ScriptRuntime();
  ScriptRuntime(const ScriptRuntime&) = delete;
  ScriptRuntime& operator=(const ScriptRuntime&) = delete;

  static std::int64_t runtimeVersion() { return 0; }

  void setModuleCreator(const ScriptModuleCreator& creator, const std::u16string& name);
  // Converts and runs top-level statements in order in the global scope; the last result.
  ErrorOr<ScriptValueRef> executeStatements(const std::vector<std::shared_ptr<ProtoRuntimeEntity>>& statements);
  // Converts and runs one top-level statement read in place, without the collection that follows
  // executeStatements: a caller running many (a program's rules as it loads) collects once at its
  // end, and in between whenever enough was made.
  ErrorOr<ScriptValueRef> executeStatement(const ProtoRuntimeEntity& statement);
  // A new child of the global scope.
  ScriptRef<ScriptScope> getRunScope();
  std::int32_t getInstructionCount() const;
  // Resets the instruction counter and the native-work meter.
  void resetInstructionCount();
  // Frees the garbage cycles; what the caller still holds stays.
  void collectGarbage();

  ScriptHeap& heap() { return *heap_; }
  ScriptScope& initScope() { return *initScope_; }
  ScriptScope& globalScope() { return *globalScope_; }

 private:
  ScriptHeap* heap_;
  ScriptRef<ScriptScope> initScope_;
  ScriptRef<ScriptScope> globalScope_;
  std::shared_ptr<ScriptModuleProvider> provider_;
};

}  // namespace sdk::analytics

