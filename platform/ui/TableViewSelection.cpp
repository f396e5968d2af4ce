#include "platform/ui/TableViewSelection.h"

#include <algorithm>

#include "platform/ui/TableViewCell.h"

namespace platform::ui {

bool TableView::Selection::allowsNow() const {
  return table_.editing_ ? table_.allowsSelectionEditing_ : table_.allowsSelection_;
}

bool TableView::Selection::allowsSeveralNow() const {
  return table_.editing_ ? table_.allowsMultipleEditing_ : table_.allowsMultiple_;
}

std::optional<IndexPath> TableView::Selection::first() const {
  if (rows_.empty()) return std::nullopt;
  return *rows_.begin();
}

void TableView::Selection::showSelected(const IndexPath& ip, bool selected) const {
  if (auto it = table_.visible_.find(ip); it != table_.visible_.end()) it->second->setSelected(selected, false);
}

void TableView::Selection::select(const IndexPath& ip) {
  rows_.insert(ip);
  showSelected(ip, true);
}

void TableView::Selection::deselect(const IndexPath& ip) {
  rows_.erase(ip);
  showSelected(ip, false);
}

void TableView::Selection::keepOnly(const std::optional<IndexPath>& kept) {
  for (auto other : std::vector<IndexPath>(rows_.begin(), rows_.end())) {
    if (other != kept) deselect(other);
  }
}

void TableView::Selection::tap(const IndexPath& ip) {
  if (!allowsNow() || !table_.isValid(ip)) return;
  bool multiple = allowsSeveralNow();
  auto keep = table_.weak_from_this().lock();
  auto delegate = table_.tableDelegate_.lock();
  if (multiple && rows_.count(ip)) {
    deselect(ip);
    if (delegate) delegate->tableViewDidDeselectRowAtIndexPath(table_, ip);
    return;
  }
  if (!multiple) {
    for (auto other : std::vector<IndexPath>(rows_.begin(), rows_.end())) {
      if (other == ip) continue;
      deselect(other);
      if (delegate) delegate->tableViewDidDeselectRowAtIndexPath(table_, other);
    }
  }
  select(ip);
  if (delegate) delegate->tableViewDidSelectRowAtIndexPath(table_, ip);
}

void TableView::Selection::press(const IndexPath& ip, const std::shared_ptr<Touch>& touch) {
  pressed_ = ip;
  pressTouch_ = touch;
  if (auto it = table_.visible_.find(ip); it != table_.visible_.end()) it->second->setHighlighted(true, false);
}

void TableView::Selection::clearPress() {
  if (pressed_) {
    if (auto it = table_.visible_.find(*pressed_); it != table_.visible_.end()) it->second->setHighlighted(false, false);
  }
  pressed_.reset();
  pressTouch_.reset();
}

bool TableView::Selection::followsPress(const Touches& touches) const {
  auto touch = pressTouch_.lock();
  return pressed_ && touch && std::find(touches.begin(), touches.end(), touch) != touches.end();
}

void TableView::Selection::pressMoved(const Touches& touches) {
  if (followsPress(touches) && !pressTouch_.lock()->isTap()) clearPress();
}

void TableView::Selection::pressEnded(const Touches& touches) {
  if (!followsPress(touches)) return;
  auto touch = pressTouch_.lock();
  IndexPath ip = *pressed_;
  clearPress();
  if (touch->isTap() && table_.rectForRowAtIndexPath(ip).contains(touch->locationInView(&table_))) tap(ip);
}

}  // namespace platform::ui
