#include "sdk/analytics/rules/APMPScope.h"

#include "sdk/analytics/rules/APMPBlockPool.h"

void* APMPScope::operator new(std::size_t) { return APMPBlockPool<sizeof(APMPScope)>::take(); }
void APMPScope::operator delete(void* block, std::size_t) { APMPBlockPool<sizeof(APMPScope)>::give(block); }

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

APMPScope* APMPScope::nearestHolder(const std::u16string& name) {
  for (APMPScope* scope = this; scope; scope = scope->parent_.get()) {
    if (scope->contents_.hasName(name)) return scope;
  }
  return nullptr;
}

void APMPScope::writeTo(APMPScope& target, const APMPValueRef& value, const std::u16string& name) {
  // An immutable scope on the way keeps everything out, its ancestors' names included.
  for (APMPScope* scope = this;; scope = scope->parent_.get()) {
    if (scope->contents_.isImmutable()) return;
    if (scope == &target) break;
  }
  target.chargeBytes(target.contents_.setValue(value, name));
}

void APMPScope::setValue(const APMPValueRef& value, const std::u16string& name) {
  auto* holder = nearestHolder(name);
  writeTo(holder ? *holder : *this, value, name);
}

bool APMPScope::assign(const APMPValueRef& value, const std::u16string& name) {
  auto* holder = nearestHolder(name);
  if (!holder) return false;
  writeTo(*holder, value, name);
  return true;
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
