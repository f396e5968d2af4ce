#include "sdk/analytics/rules/APMPRuntime.h"

#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPEvaluator.h"
#include "sdk/analytics/rules/APMPNativeModules.h"
#include "sdk/analytics/rules/APMPRuntimeEntityConverter.h"

APMPValueRef APMPDynamicProvider::moduleForName(const std::u16string& name, APMPHeap& heap, APMPError& error) const {
  auto it = creators_.find(name);
  if (it == creators_.end()) return APMPUndefined();
  auto module = it->second ? it->second(heap) : APMPValueRef();
  if (!module) {
    APMPSetError(error, kAPMPErrorModuleCreatorFailed);
    return APMPUndefined();
  }
  return module;
}

APMPValueRef APMPRequire::invokeWithArguments(const APMPValueList& arguments, APMPScope& scope, APMPError& error) {
  if (!APMPCheckArgumentCount(arguments, 1, error)) return APMPUndefined();
  auto values = APMPEvaluateArguments(arguments, scope, error);
  if (APMPFailed(error)) return APMPUndefined();
  const auto name = values[0]->stringValueOrError(error);
  if (APMPFailed(error)) return APMPUndefined();
  if (auto it = modules_.find(name); it != modules_.end()) return it->second;
  auto module = provider_->moduleForName(name, *heap(), error);
  if (APMPFailed(error)) return APMPUndefined();
  chargeBytes(static_cast<std::ptrdiff_t>(APMPPropertyMap::entryBytes(name)));
  modules_.emplace(name, module);
  return module;
}

void APMPRequire::visitChildren(ChildVisitor visit, void* context) {
  APMPFunctionValue::visitChildren(visit, context);
  for (const auto& [name, module] : modules_) visit(module.get(), context);
}

void APMPRequire::clearChildren() {
  APMPFunctionValue::clearChildren();
  modules_.clear();
}

APMPRuntime::APMPRuntime(const APMPLimits& limits)
    : heap_(APMPHeap::create(limits)), provider_(std::make_shared<APMPDynamicProvider>()) {
  initScope_ = heap_->make<APMPScope>(nullptr);
  globalScope_ = initScope_->createChildScope();
  globalScope_->addValue(heap_->make<APMPRequire>(provider_), u"require");
  setModuleCreator([](APMPHeap& heap) { return APMPValueRef(heap.make<APMPRuntimePlatform>()); }, u"internal.platform");
  resetInstructionCount();
}

APMPRuntime::~APMPRuntime() {
  globalScope_ = nullptr;
  initScope_ = nullptr;
  heap_->collect();
  heap_->release();
}

void APMPRuntime::setModuleCreator(const APMPModuleCreator& creator, const std::u16string& name) {
  provider_->setModuleCreator(creator, name);
}

APMPValueRef APMPRuntime::executeStatements(const std::vector<std::shared_ptr<APMPBRuntimeEntity>>& statements,
                                            APMPError& error) {
  APMPValueRef result = APMPUndefined();
  for (const auto& entity : statements) {
    if (APMPFailed(error)) break;
    auto statement = APMPRuntimeEntityConverter::runtimeValueFromRuntimeEntity(*entity, *heap_, error);
    if (APMPFailed(error)) break;
    result = APMPEvaluator::evaluateStatement(*statement, *globalScope_, error);
  }
  if (APMPFailed(error)) result = APMPUndefined();
  collectGarbage();
  return result;
}

APMPRef<APMPScope> APMPRuntime::getRunScope() { return globalScope_->createChildScope(); }

std::int32_t APMPRuntime::getInstructionCount() const {
  return APMPToInt32(static_cast<double>(heap_->instructionCount()));
}

void APMPRuntime::resetInstructionCount() { heap_->resetMeters(); }

void APMPRuntime::collectGarbage() { heap_->collect(); }
