#pragma once

#include <string>

#include "sdk/analytics/rules/APMPPropertyMap.h"

// A lexical scope: own bindings and a parent. Writes to an immutable scope, and to constants, are
// silently kept out.
class APMPScope final : public APMPHeapObject {
 public:
  APMPScope(APMPHeap& heap, APMPRef<APMPScope> parent)
      : APMPHeapObject(heap, sizeof(APMPScope), true), parent_(std::move(parent)) {}

  // Every call and many loops make one: they come from the thread's spare blocks.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size);

  APMPRef<APMPScope> createChildScope();
  const APMPRef<APMPScope>& parentScope() const { return parent_; }
  bool hasName(const std::u16string& name) const;
  void addValue(const APMPValueRef& value, const std::u16string& name);
  void addImmutableValue(const APMPValueRef& value, const std::u16string& name);
  void setValue(const APMPValueRef& value, const std::u16string& name);
  // setValue for a name some scope of the chain holds; false (nothing written) when none does.
  bool assign(const APMPValueRef& value, const std::u16string& name);
  // Undefined for a name bound nowhere.
  APMPRuntimeValue* valueForName(const std::u16string& name) const;
  void makeImmutable() { contents_.makeImmutable(); }
  const APMPPropertyMap& contents() const { return contents_; }

 protected:
  void visitChildren(ChildVisitor visit, void* context) override;
  void clearChildren() override;

 private:
  // The nearest scope of the chain that binds `name`, or null.
  APMPScope* nearestHolder(const std::u16string& name);
  void writeTo(APMPScope& target, const APMPValueRef& value, const std::u16string& name);

  APMPRef<APMPScope> parent_;
  APMPPropertyMap contents_;
};

inline APMPHeap& APMPScopeHeap(const APMPScope& scope) { return *scope.heap(); }
