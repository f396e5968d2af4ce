#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

class ScriptFunctionValue;
class ScriptHeap;
class ScriptScope;

// The order an array's sort puts its elements in: holes last, undefined just before them, the rest by
// the comparator or by their texts, each comparison charged. After the first error every pair
// compares equal and the error is kept for the sort to report once the merge is done.
class ScriptSortOrder {
 public:
  // An element being sorted, with its text once the order without a comparator needed it: made once
  // per element rather than once per comparison, and a string's own text is used where it lies.
  struct Item {
    ScriptValueRef value;
    std::size_t key = 0;  // position of its text among the sort's keys, plus one; 0 before it is made
  };

  ScriptSortOrder(ScriptFunctionValue* comparator, ScriptScope& scope, ScriptHeap& heap)
      : comparator_(comparator), scope_(scope), heap_(heap) {}
  ~ScriptSortOrder();
  ScriptSortOrder(const ScriptSortOrder&) = delete;
  ScriptSortOrder& operator=(const ScriptSortOrder&) = delete;

  // Sorts `items` bottom-up by merging: it only ever reads inside its own buffers, so a comparator
  // that lies, throws or changes the array cannot make it step out of bounds.
  void sort(std::vector<Item>& items);
  // The first error a comparison met, if any.
  ErrorOr<void> outcome() const;

 private:
  // Whether b must come before a.
  bool before(Item& b, Item& a);
  static int rank(const ScriptValue* value);
  ErrorOr<int> compare(Item& a, Item& b);
  // The element's text, made (and its memory held until the sort ends) the first time it is asked for.
  ErrorOr<const std::u16string*> textOf(Item& item);

  ScriptFunctionValue* comparator_;
  ScriptScope& scope_;
  ScriptHeap& heap_;
  std::deque<std::u16string> keys_;
  std::size_t heldBytes_ = 0;
  std::optional<ScriptRuntimeError> failure_;
};

}  // namespace sdk::analytics
