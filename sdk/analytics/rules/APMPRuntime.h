#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sdk/analytics/foundation/APMPBProgram.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"
#include "sdk/analytics/rules/APMPScope.h"

// A module creator makes a fresh module value, or nothing (a null reference).
using APMPModuleCreator = std::function<APMPValueRef(APMPHeap& heap)>;

class APMPDynamicProvider {
 public:
  void setModuleCreator(const APMPModuleCreator& creator, const std::u16string& name) { creators_[name] = creator; }
  // Undefined without an error for a name nobody registered; error 15 when the creator gives nothing.
  APMPValueRef moduleForName(const std::u16string& name, APMPHeap& heap, APMPError& error) const;

 private:
  std::unordered_map<std::u16string, APMPModuleCreator> creators_;
};

// "require": loads a module once per runtime; an unknown name caches undefined.
class APMPRequire final : public APMPFunctionValue {
 public:
  APMPRequire(APMPHeap& heap, std::shared_ptr<APMPDynamicProvider> provider)
      : APMPFunctionValue(heap, u"require"), provider_(std::move(provider)) {}
  APMPValueRef invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) override;

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override;

 private:
  std::shared_ptr<APMPDynamicProvider> provider_;
  std::unordered_map<std::u16string, APMPValueRef> modules_;
};

// The host of the interpreter: root and global scopes, modules, the meters and limits, and the
// collection of the cycles that closures leave. Used from one thread at a time.
class APMPRuntime {
 public:
  explicit APMPRuntime(const APMPLimits& limits = {});
  ~APMPRuntime();
  APMPRuntime(const APMPRuntime&) = delete;
  APMPRuntime& operator=(const APMPRuntime&) = delete;

  static std::int64_t runtimeVersion() { return 0; }

  void setModuleCreator(const APMPModuleCreator& creator, const std::u16string& name);
  // Converts and runs top-level statements in order in the global scope; the last result.
  APMPValueRef executeStatements(const std::vector<std::shared_ptr<APMPBRuntimeEntity>>& statements, APMPError& error);
  // A new child of the global scope.
  APMPRef<APMPScope> getRunScope();
  std::int32_t getInstructionCount() const;
  // Resets the instruction counter and the native-work meter.
  void resetInstructionCount();
  // Frees the garbage cycles; what the caller still holds stays.
  void collectGarbage();

  APMPHeap& heap() { return *heap_; }
  APMPScope& initScope() { return *initScope_; }
  APMPScope& globalScope() { return *globalScope_; }

 private:
  APMPHeap* heap_;
  APMPRef<APMPScope> initScope_;
  APMPRef<APMPScope> globalScope_;
  std::shared_ptr<APMPDynamicProvider> provider_;
};
