#include "sdk/analytics/rules/APMPScope.h"

APMPRef<APMPScope> APMPScope::createChildScope() { return heap()->make<APMPScope>(APMPRef<APMPScope>(this)); }

bool APMPScope::hasName(const std::u16string& name) const {
  for (const APMPScope* scope = this; scope; scope = scope->parent_.get()) {
    if (scope->contents_.hasName(name)) return true;
  }
  return false;
}

void APMPScope::addValue(const APMPValueRef& value, const std::u16string& name) {
  chargeBytes(contents_.setValue(value, name));
}

void APMPScope::addImmutableValue(const APMPValueRef& value, const std::u16string& name) {
  chargeBytes(contents_.setImmutableValue(value, name));
}

void APMPScope::setValue(const APMPValueRef& value, const std::u16string& name) {
  // The nearest scope that holds the name takes the write (else this one); an immutable scope on
  // the way keeps everything out, its ancestors' names included.
  APMPScope* target = this;
  for (APMPScope* scope = this; scope; scope = scope->parent_.get()) {
    if (scope->contents_.hasName(name)) {
      target = scope;
      break;
    }
  }
  for (APMPScope* scope = this;; scope = scope->parent_.get()) {
    if (scope->contents_.isImmutable()) return;
    if (scope == target) break;
  }
  target->chargeBytes(target->contents_.setValue(value, name));
}

APMPRuntimeValue* APMPScope::valueForName(const std::u16string& name) const {
  for (const APMPScope* scope = this; scope; scope = scope->parent_.get()) {
    if (auto* value = scope->contents_.valueForName(name)) return value;
  }
  return APMPUndefined();
}

void APMPScope::visitChildren(ChildVisitor visit, void* context) {
  if (parent_) visit(parent_.get(), context);
  contents_.forEachValue([&](APMPRuntimeValue* value) { visit(value, context); });
}

void APMPScope::clearChildren() {
  parent_ = nullptr;
  contents_.clear();
}
