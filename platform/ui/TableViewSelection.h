#pragma once

#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/ui/TableView.h"

namespace platform::ui {

// The rows chosen in a table, and the press that may choose one: a finger held on a row highlights
// it, and lifted as a tap within the row selects it (or, where several may be chosen, toggles it),
// telling the delegate. What the table's own select and deselect calls change tells no one.
class TableView::Selection {
 public:
  explicit Selection(TableView& table) : table_(table) {}

  // Whether a row may be chosen now, and whether several may; editing has settings of its own.
  bool allowsNow() const;
  bool allowsSeveralNow() const;

  std::optional<IndexPath> first() const;
  std::vector<IndexPath> rows() const { return {rows_.begin(), rows_.end()}; }
  bool contains(const IndexPath& indexPath) const { return rows_.count(indexPath) > 0; }
  // The row and its cell, when in view; nobody is told.
  void select(const IndexPath& indexPath);
  void deselect(const IndexPath& indexPath);
  // Deselects every row but `kept` (every row without it); nobody is told.
  void keepOnly(const std::optional<IndexPath>& kept);
  // The rows go with the cells a reload drops.
  void forget() { rows_.clear(); }

  bool isPressing() const { return pressed_.has_value(); }
  void press(const IndexPath& indexPath, const std::shared_ptr<Touch>& touch);
  // A finger that strays past the tap slop swipes or drags over the row: it lets the row go at once.
  void pressMoved(const Touches& touches);
  // A tap that ends within the row chooses it.
  void pressEnded(const Touches& touches);
  void clearPress();

 private:
  [[nodiscard]] bool followsPress(const Touches& touches) const;
  // A tap on a row, as a person makes it: the delegate hears of each change.
  void tap(const IndexPath& indexPath);
  void showSelected(const IndexPath& indexPath, bool selected) const;

  TableView& table_;  // owns this
  std::set<IndexPath> rows_;
  std::optional<IndexPath> pressed_;
  std::weak_ptr<Touch> pressTouch_;
};

}  // namespace platform::ui
