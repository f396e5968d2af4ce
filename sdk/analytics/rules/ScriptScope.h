#pragma once

#include <string>

#include "sdk/analytics/rules/ScopeBindings.h"

namespace sdk::analytics {

// A lexical scope: own bindings and a parent. Writes to an immutable scope, and to constants, are
// silently kept out.
class ScriptScope final : public ScriptHeapObject {
 public:
  using Operand = sdk::analytics::Operand;
  using BindingName = sdk::analytics::BindingName;

  ScriptScope(ScriptHeap& heap, ScriptRef<ScriptScope> parent)
      : ScriptHeapObject(heap, sizeof(ScriptScope), true), parent_(std::move(parent)), serial_(heap.nextScopeSerial()) {}

  // Where a statement last found its name. It stays right while the scope it looked from is the
  // same one and has bound nothing since, when the name was found there or in its parent: scopes
  // never lose a binding, a scope's parent never changes, and nothing else can come between. A
  // name found in the scope that looked keeps no holder: its position is tried first in the next
  // scope too (the next call of the same function binds its parameters in the same order).
  struct NameCache {
    std::uint64_t scopeSerial = 0;
    ScriptScope* holder = nullptr;
    std::uint32_t count = 0;
    std::uint32_t position = 0;
  };

  // Every call and many loops make one: they come from the thread's spare blocks.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size);

  ScriptRef<ScriptScope> createChildScope();
  const ScriptRef<ScriptScope>& parentScope() const { return parent_; }
  bool hasName(const std::u16string& name) const { return nearestHolder(BindingName(name)).scope != nullptr; }
  void addValue(const ScriptValueRef& value, const std::u16string& name) { addValue(Operand(value), BindingName(name)); }
  void addValue(const Operand& value, const BindingName& name);
  // addValue for a name this scope does not bind yet (a fresh call scope's distinct parameters).
  void addNewValue(const Operand& value, const BindingName& name);
  void addImmutableValue(const ScriptValueRef& value, const std::u16string& name) {
    addImmutableValue(value, BindingName(name));
  }
  void addImmutableValue(const ScriptValueRef& value, const BindingName& name);
  void setValue(const ScriptValueRef& value, const std::u16string& name) { setValue(value, BindingName(name)); }
  void setValue(const ScriptValueRef& value, const BindingName& name);
  // setValue for a name some scope of the chain holds; false (nothing written) when none does.
  bool assign(const ScriptValueRef& value, const std::u16string& name) { return assign(Operand(value), BindingName(name)); }
  [[nodiscard]] bool assign(const Operand& value, const BindingName& name);
  // Undefined for a name bound nowhere. A number held plainly becomes a value here.
  ScriptValue* valueForName(const std::u16string& name) const { return valueForName(BindingName(name)); }
  ScriptValue* valueForName(const BindingName& name) const;
  // The same without making a value of a plain number.
  Operand operandForName(const BindingName& name) const;
  // The same two, for a statement that keeps a cache.
  Operand operandForName(const BindingName& name, NameCache& cache) const {
    return operandForName(cache, [&]() -> const BindingName& { return name; });
  }
  // The binding a name refers to, or null when none does.
  [[gnu::always_inline]] const sdk::analytics::ScopeBindings::Entry* bindingFor(const BindingName& name,
                                                                                NameCache& cache) const {
    return bindingFor(cache, [&]() -> const BindingName& { return name; });
  }
  // The same for a number, as a counting loop writes it.
  bool assignNumber(double number, const BindingName& name, NameCache& cache) {
    return assignNumber(number, cache, [&]() -> const BindingName& { return name; });
  }
  bool assign(const Operand& value, const BindingName& name, NameCache& cache) {
    return assign(value, cache, [&]() -> const BindingName& { return name; });
  }
  // The four with the name made by `nameOf()` only when the cache does not answer, as it nearly
  // always does.
  template <typename NameOf>
  [[gnu::always_inline]] Operand operandForName(NameCache& cache, const NameOf& nameOf) const {
    const auto holder = cachedHolder(cache, nameOf);
    if (!holder.scope) return Operand();
    return sdk::analytics::ScopeBindings::operandOf(holder.scope->bindings_.at(holder.position));
  }
  template <typename NameOf>
  [[gnu::always_inline]] const sdk::analytics::ScopeBindings::Entry* bindingFor(NameCache& cache,
                                                                                const NameOf& nameOf) const {
    const auto holder = cachedHolder(cache, nameOf);
    return holder.scope ? &holder.scope->bindings_.at(holder.position) : nullptr;
  }
  template <typename NameOf>
  [[gnu::always_inline]] bool assignNumber(double number, NameCache& cache, const NameOf& nameOf) {
    const auto holder = cachedHolder(cache, nameOf);
    if (!holder.scope) return false;
    if (holder.scope == this && !bindings_.isImmutable()) bindings_.writeNumber(holder.position, number);
    else writeTo(holder, Operand(number));
    return true;
  }
  template <typename NameOf>
  [[gnu::always_inline]] bool assign(const Operand& value, NameCache& cache, const NameOf& nameOf) {
    const auto holder = cachedHolder(cache, nameOf);
    if (!holder.scope) return false;
    if (holder.scope == this && !bindings_.isImmutable()) bindings_.write(holder.position, value);
    else writeTo(holder, value);
    return true;
  }
  void makeImmutable() { bindings_.makeImmutable(); }

  // A function's call scope kept for its next call, when nothing but the call holds it and it holds
  // no more than a few names: only the parameters stay bound, emptied; it is a new scope to every
  // cache when it bound more than them. False when it cannot be kept.
  bool recycle(std::size_t parameters);
  // The parameter at `position` of a recycled scope.
  void setParameter(std::size_t position, const Operand& value) { bindings_.reset(position, value); }
  const sdk::analytics::ScopeBindings& contents() const { return bindings_; }

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override;

 private:
  struct Holder {
    ScriptScope* scope = nullptr;
    std::size_t position = 0;
  };
  // The nearest scope of the chain that binds `name`, with the binding's position there.
  Holder nearestHolder(const BindingName& name) const;
  // A lookup's work beyond what the statement that asks is counted for, charged to the heap's work
  // meter: the name's units, and the scopes walked past the first kFreeScopes. Closures made inside
  // calls can chain scopes tens of thousands deep (each call's scope the parent of the next), and
  // a name far up such a chain must cost what finding it takes.
  void chargeName(const BindingName& name) const;
  void chargeWalk(std::int64_t scopes) const;
  static constexpr std::int64_t kFreeScopes = 16;
  // Nearly every lookup of a running program is answered by the first test.
  template <typename NameOf>
  [[gnu::always_inline]] Holder cachedHolder(NameCache& cache, const NameOf& nameOf) const {
    if (cache.scopeSerial == serial_ && cache.count == bindings_.count()) [[likely]] {
      return {cache.holder ? cache.holder : const_cast<ScriptScope*>(this), cache.position};
    }
    return lookUpAgain(nameOf(), cache);
  }
  Holder lookUpAgain(const BindingName& name, NameCache& cache) const {
    // Another scope of the same shape (the next call of a function): the name is likely where it
    // was, and a name this scope binds itself is the nearest whatever its parents hold.
    if (cache.holder == nullptr && cache.position < bindings_.count() &&
        bindings_.isNameAt(cache.position, name)) {
      cache.scopeSerial = serial_;
      cache.count = static_cast<std::uint32_t>(bindings_.count());
      return {const_cast<ScriptScope*>(this), cache.position};
    }
    const auto holder = nearestHolder(name);
    if (holder.scope == this) {
      // Found here: the cache keeps no scope, so it serves the next scope of this shape too.
      cache = {serial_, nullptr, static_cast<std::uint32_t>(bindings_.count()),
               static_cast<std::uint32_t>(holder.position)};
    } else if (holder.scope && holder.scope == parent_.get()) {
      cache = {serial_, holder.scope, static_cast<std::uint32_t>(bindings_.count()),
               static_cast<std::uint32_t>(holder.position)};
    }
    return holder;
  }
  void writeTo(const Holder& holder, const Operand& value);

  ScriptRef<ScriptScope> parent_;
  std::uint64_t serial_;
  // Reading a plain number as a value makes its object in place.
  mutable sdk::analytics::ScopeBindings bindings_;
};

inline ScriptHeap& heapOfScope(const ScriptScope& scope) { return *scope.heap(); }

}  // namespace sdk::analytics

