#include "sdk/analytics/rules/ScriptScope.h"

#include "sdk/analytics/rules/SpareBlockPool.h"

namespace sdk::analytics {

void* ScriptScope::operator new(std::size_t) { return SpareBlockPool<sizeof(ScriptScope)>::take(); }
void ScriptScope::operator delete(void* block, std::size_t) { SpareBlockPool<sizeof(ScriptScope)>::give(block); }

ScriptRef<ScriptScope> ScriptScope::createChildScope() { return heap()->make<ScriptScope>(ScriptRef<ScriptScope>(this)); }

void ScriptScope::addValue(const Operand& value, const BindingName& name) {
  chargeName(name);
  chargeBytes(bindings_.bind(value, name, false, *heap()));
}

void ScriptScope::addNewValue(const Operand& value, const BindingName& name) {
  chargeBytes(bindings_.append(value, name, false, *heap()));
}

void ScriptScope::addImmutableValue(const ScriptValueRef& value, const BindingName& name) {
  chargeName(name);
  chargeBytes(bindings_.bind(Operand(value), name, true, *heap()));
}

void ScriptScope::chargeName(const BindingName& name) const {
  // Its hash, made for this lookup, and one comparison with the binding that has the same.
  if (const auto units = name.text.size(); units >= ScriptHeap::kCodeUnitsPerStep) {
    heap()->chargeLookupWork(static_cast<std::int64_t>(2 * units / ScriptHeap::kCodeUnitsPerStep));
  }
}

void ScriptScope::chargeWalk(std::int64_t scopes) const {
  if (scopes > kFreeScopes) heap()->chargeLookupWork(scopes - kFreeScopes);
}

ScriptScope::Holder ScriptScope::nearestHolder(const BindingName& name) const {
  chargeName(name);
  std::int64_t walked = 1;
  for (const ScriptScope* scope = this; scope; scope = scope->parent_.get(), ++walked) {
    if (const auto i = scope->bindings_.find(name); i >= 0) {
      chargeWalk(walked);
      return {const_cast<ScriptScope*>(scope), static_cast<std::size_t>(i)};
    }
  }
  chargeWalk(walked);
  return {};
}

void ScriptScope::writeTo(const Holder& holder, const Operand& value) {
  // An immutable scope on the way keeps everything out, its ancestors' names included.
  std::int64_t walked = 1;
  for (ScriptScope* scope = this;; scope = scope->parent_.get(), ++walked) {
    if (scope->bindings_.isImmutable()) break;
    if (scope == holder.scope) {
      holder.scope->bindings_.write(holder.position, value);
      break;
    }
  }
  chargeWalk(walked);
}

void ScriptScope::setValue(const ScriptValueRef& value, const BindingName& name) {
  if (const auto holder = nearestHolder(name); holder.scope) {
    writeTo(holder, Operand(value));
  } else {
    // A new name: bound here, unless this scope is immutable.
    chargeBytes(bindings_.bind(Operand(value), name, false, *heap()));
  }
}

bool ScriptScope::assign(const Operand& value, const BindingName& name) {
  const auto holder = nearestHolder(name);
  if (!holder.scope) return false;
  writeTo(holder, value);
  return true;
}

ScriptValue* ScriptScope::valueForName(const BindingName& name) const {
  const auto holder = nearestHolder(name);
  if (!holder.scope) return scriptUndefined();
  auto& entry = holder.scope->bindings_.at(holder.position);
  if (!entry.value) entry.value = scriptNumber(*heap(), entry.number);
  return entry.value.get();
}

ScriptScope::Operand ScriptScope::operandForName(const BindingName& name) const {
  const auto holder = nearestHolder(name);
  if (!holder.scope) return Operand();
  return sdk::analytics::ScopeBindings::operandOf(holder.scope->bindings_.at(holder.position));
}

bool ScriptScope::recycle(std::size_t parameters) {
  if (isShared() || !bindings_.isReusable() || bindings_.count() < parameters) return false;
  // What a cache found while no more than the parameters were bound stays right: they keep their
  // names and positions, and the parent is the same. A name bound beyond them may come back at
  // another position in the next call, so then every cache must look again.
  const bool grew = bindings_.count() > parameters;
  chargeBytes(bindings_.keepFirst(parameters));
  if (grew) serial_ = heap()->nextScopeSerial();
  return true;
}

void ScriptScope::visitChildren(ChildVisitor visit, void* context) {
  if (parent_) visit(parent_.get(), context);
  bindings_.forEachValue([&](ScriptValue* value) { visit(value, context); });
}

void ScriptScope::clearChildren() {
  parent_ = nullptr;
  bindings_.clear();
}

}  // namespace sdk::analytics

