#include "sdk/analytics/rules/APMPScope.h"

#include "sdk/analytics/rules/APMPBlockPool.h"

void* APMPScope::operator new(std::size_t) { return APMPBlockPool<sizeof(APMPScope)>::take(); }
void APMPScope::operator delete(void* block, std::size_t) { APMPBlockPool<sizeof(APMPScope)>::give(block); }

APMPRef<APMPScope> APMPScope::createChildScope() { return heap()->make<APMPScope>(APMPRef<APMPScope>(this)); }

void APMPScope::addValue(const Operand& value, const BindingName& name) {
  chargeBytes(bindings_.bind(value, name, false, *heap()));
}

void APMPScope::addNewValue(const Operand& value, const BindingName& name) {
  chargeBytes(bindings_.append(value, name, false, *heap()));
}

void APMPScope::addImmutableValue(const APMPValueRef& value, const BindingName& name) {
  chargeBytes(bindings_.bind(Operand(value), name, true, *heap()));
}

APMPScope::Holder APMPScope::nearestHolder(const BindingName& name) const {
  for (const APMPScope* scope = this; scope; scope = scope->parent_.get()) {
    if (const auto i = scope->bindings_.find(name); i >= 0) {
      return {const_cast<APMPScope*>(scope), static_cast<std::size_t>(i)};
    }
  }
  return {};
}

void APMPScope::writeTo(const Holder& holder, const Operand& value) {
  // An immutable scope on the way keeps everything out, its ancestors' names included.
  for (APMPScope* scope = this;; scope = scope->parent_.get()) {
    if (scope->bindings_.isImmutable()) return;
    if (scope == holder.scope) break;
  }
  holder.scope->bindings_.write(holder.position, value);
}

void APMPScope::setValue(const APMPValueRef& value, const BindingName& name) {
  if (const auto holder = nearestHolder(name); holder.scope) {
    writeTo(holder, Operand(value));
  } else {
    // A new name: bound here, unless this scope is immutable.
    chargeBytes(bindings_.bind(Operand(value), name, false, *heap()));
  }
}

bool APMPScope::assign(const Operand& value, const BindingName& name) {
  const auto holder = nearestHolder(name);
  if (!holder.scope) return false;
  writeTo(holder, value);
  return true;
}

APMPRuntimeValue* APMPScope::valueForName(const BindingName& name) const {
  const auto holder = nearestHolder(name);
  if (!holder.scope) return APMPUndefined();
  auto& entry = holder.scope->bindings_.at(holder.position);
  if (!entry.value) entry.value = APMPNumber(*heap(), entry.number);
  return entry.value.get();
}

APMPScope::Operand APMPScope::operandForName(const BindingName& name) const {
  const auto holder = nearestHolder(name);
  if (!holder.scope) return Operand();
  return sdk::analytics::ScopeBindings::operandOf(holder.scope->bindings_.at(holder.position));
}

bool APMPScope::recycle(std::size_t parameters) {
  if (isShared() || !bindings_.isReusable() || bindings_.count() < parameters) return false;
  // What a cache found while no more than the parameters were bound stays right: they keep their
  // names and positions, and the parent is the same. A name bound beyond them may come back at
  // another position in the next call, so then every cache must look again.
  const bool grew = bindings_.count() > parameters;
  chargeBytes(bindings_.keepFirst(parameters));
  if (grew) serial_ = heap()->nextScopeSerial();
  return true;
}

void APMPScope::visitChildren(ChildVisitor visit, void* context) {
  if (parent_) visit(parent_.get(), context);
  bindings_.forEachValue([&](APMPRuntimeValue* value) { visit(value, context); });
}

void APMPScope::clearChildren() {
  parent_ = nullptr;
  bindings_.clear();
}
