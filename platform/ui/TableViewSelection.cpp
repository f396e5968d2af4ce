// The table's selection, touches and editing: how rows come to be chosen and how they leave editing.
#include "platform/ui/TableView.h"

#include <algorithm>

#include "platform/ui/TableViewCell.h"
#include "platform/ui/TableViewSwipe.h"

namespace platform::ui {

// --- selection ---

std::optional<IndexPath> TableView::indexPathForSelectedRow() const {
  if (selected_.empty()) return std::nullopt;
  return *selected_.begin();
}

std::vector<IndexPath> TableView::indexPathsForSelectedRows() const { return {selected_.begin(), selected_.end()}; }

void TableView::setAllowsMultipleSelection(bool allows) {
  allowsMultiple_ = allows;
  // Down to one selection mode, only the first selected row stays selected.
  if (!allows && !editing_ && selected_.size() > 1) {
    for (auto ip : std::vector<IndexPath>(std::next(selected_.begin()), selected_.end())) deselectQuietly(ip);
  }
}

void TableView::selectQuietly(const IndexPath& ip) {
  selected_.insert(ip);
  if (auto it = visible_.find(ip); it != visible_.end()) it->second->setSelected(true, false);
}

void TableView::deselectQuietly(const IndexPath& ip) {
  selected_.erase(ip);
  if (auto it = visible_.find(ip); it != visible_.end()) it->second->setSelected(false, false);
}

void TableView::selectRowAtIndexPath(const std::optional<IndexPath>& ip, bool animated,
                                     TableViewScrollPosition position) {
  if (!ip) {
    for (auto other : std::vector<IndexPath>(selected_.begin(), selected_.end())) deselectQuietly(other);
    return;
  }
  if (!isValid(*ip)) return;
  bool multiple = editing_ ? allowsMultipleEditing_ : allowsMultiple_;
  if (!multiple) {
    for (auto other : std::vector<IndexPath>(selected_.begin(), selected_.end())) {
      if (other != *ip) deselectQuietly(other);
    }
  }
  selectQuietly(*ip);
  if (position != TableViewScrollPosition::None) scrollToRect(rectForRowAtIndexPath(*ip), position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& ip, bool) { deselectQuietly(ip); }

void TableView::tapRow(const IndexPath& ip) {
  bool allowed = editing_ ? allowsSelectionEditing_ : allowsSelection_;
  if (!allowed || !isValid(ip)) return;
  bool multiple = editing_ ? allowsMultipleEditing_ : allowsMultiple_;
  auto keep = weak_from_this().lock();
  auto delegate = tableDelegate_.lock();
  if (multiple && selected_.count(ip)) {
    deselectQuietly(ip);
    if (delegate) delegate->tableViewDidDeselectRowAtIndexPath(*this, ip);
    return;
  }
  if (!multiple) {
    for (auto other : std::vector<IndexPath>(selected_.begin(), selected_.end())) {
      if (other == ip) continue;
      deselectQuietly(other);
      if (delegate) delegate->tableViewDidDeselectRowAtIndexPath(*this, other);
    }
  }
  selectQuietly(ip);
  if (delegate) delegate->tableViewDidSelectRowAtIndexPath(*this, ip);
}

// --- touches ---

void TableView::clearPress() {
  if (pressed_) {
    if (auto it = visible_.find(*pressed_); it != visible_.end()) it->second->setHighlighted(false, false);
  }
  pressed_.reset();
  pressTouch_.reset();
}

void TableView::touchesBegan(const Touches& touches, const Event*) {
  if (touches.empty() || touchStoppedScrolling() || pressed_) return;
  // A tap anywhere on the table while a row is open only closes it.
  if (swiped_) {
    setEditing(false, true);
    return;
  }
  auto ip = indexPathForRowAtPoint(touches.front()->locationInView(this));
  bool allowed = editing_ ? allowsSelectionEditing_ : allowsSelection_;
  if (!ip || !allowed) return;
  pressed_ = ip;
  pressTouch_ = touches.front();
  if (auto it = visible_.find(*ip); it != visible_.end()) it->second->setHighlighted(true, false);
}

bool TableView::followsPress(const Touches& touches) const {
  auto touch = pressTouch_.lock();
  return pressed_ && touch && std::find(touches.begin(), touches.end(), touch) != touches.end();
}

// A finger that strays past the tap slop swipes or drags over the row: it lets the row go at once.
void TableView::touchesMoved(const Touches& touches, const Event*) {
  if (followsPress(touches) && !pressTouch_.lock()->isTap()) clearPress();
}

void TableView::touchesEnded(const Touches& touches, const Event*) {
  if (!followsPress(touches)) return;
  auto touch = pressTouch_.lock();
  IndexPath ip = *pressed_;
  clearPress();
  if (touch->isTap() && rectForRowAtIndexPath(ip).contains(touch->locationInView(this))) tapRow(ip);
}

void TableView::touchesCancelled(const Touches&, const Event*) { clearPress(); }

bool TableView::allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const {
  if (&recognizer == swipe_->pan().get()) return swipe_->mayBegin();
  return ScrollView::allowsRecognizerToTakeTouch(recognizer);
}

// --- editing ---

void TableView::setEditing(bool editing, bool) {
  if (editing) {
    editing_ = true;
    return;
  }
  std::optional<IndexPath> closed = swiped_;
  bool wasEditing = editing_;
  swipe_->close();
  swiped_.reset();
  editing_ = false;
  if (closed || wasEditing) {
    if (auto d = tableDelegate_.lock(); d && closed) d->tableViewDidEndEditingRowAtIndexPath(*this, closed);
  }
}

std::vector<std::shared_ptr<View>> TableView::swipeActionButtons() const { return swipe_->buttons(); }

}  // namespace platform::ui
