#include "platform/ui/TableViewSwipe.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

TableView::Swipe::Swipe(TableView& table) : table_(table), pan_(std::make_shared<PanGestureRecognizer>()) {
  pan_->addTarget(this, "swipe", [this](GestureRecognizer&) { handle(); });
}

std::shared_ptr<TableViewCell> TableView::Swipe::cell() const {
  if (!row_) return nullptr;
  auto it = table_.visible_.find(*row_);
  return it == table_.visible_.end() ? nullptr : it->second;
}

bool TableView::Swipe::mayBegin() {
  Point t = pan_->translationInView(&table_);
  if (std::fabs(t.x) <= std::fabs(t.y)) return false;
  Point at = pan_->locationInView(&table_);
  auto row = table_.indexPathForRowAtPoint({at.x - t.x, at.y - t.y});
  if (!row) return false;
  candidate_ = row;
  // An open row can be dragged back, or closed by dragging another.
  if (table_.swiped_) return true;
  if (t.x >= 0) return false;
  auto source = table_.dataSource_.lock();
  auto delegate = table_.tableDelegate_.lock();
  if (!source || !delegate || !source->tableViewCanEditRowAtIndexPath(table_, *row)) return false;
  candidateConfig_ = delegate->tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(table_, *row);
  return candidateConfig_ && !candidateConfig_->actions().empty();
}

void TableView::Swipe::handle() {
  switch (pan_->state()) {
    case GestureRecognizerState::Began: began(); break;
    case GestureRecognizerState::Changed: moved(); break;
    case GestureRecognizerState::Ended: released(true); break;
    case GestureRecognizerState::Cancelled: released(false); break;
    default: break;
  }
}

void TableView::Swipe::began() {
  if (table_.swiped_ && candidate_ != table_.swiped_) {
    table_.setEditing(false, true);
    return;  // this drag only closed the other row
  }
  if (!table_.swiped_) {
    row_ = candidate_;
    config_ = candidateConfig_;
    reveal_ = 0;
    auto c = cell();
    if (!c || !config_) {
      row_.reset();
      return;
    }
    build(*c);
  }
  active_ = true;
  startReveal_ = reveal_;
}

void TableView::Swipe::moved() {
  if (!active_) return;
  Point t = pan_->translationInView(&table_);
  reveal_ = std::clamp(startReveal_ - t.x, 0.0, table_.bounds().width());
  apply();
}

void TableView::Swipe::released(bool ended) {
  if (!active_) return;
  active_ = false;
  double width = table_.bounds().width();
  bool full = ended && config_->performsFirstActionWithFullSwipe() && reveal_ > width * kFullSwipeFraction;
  bool open = ended && reveal_ > actionsWidth_ / 2;
  if (!open) {
    bool wasOpen = table_.swiped_.has_value();
    table_.setEditing(false, true);
    if (!wasOpen) close();
    return;
  }
  // Past the buttons, a row without a full-swipe action settles back to show them.
  reveal_ = actionsWidth_;
  apply();
  if (table_.swiped_ != row_) {
    table_.swiped_ = row_;
    table_.editing_ = true;
    if (auto d = table_.tableDelegate_.lock()) d->tableViewWillBeginEditingRowAtIndexPath(table_, *row_);
  }
  if (full) perform(0);
}

void TableView::Swipe::build(TableViewCell& cell) {
  container_ = std::make_shared<View>();
  container_->setClipsToBounds(true);
  cell.insertSubviewBelow(container_, cell.contentView().get());
  buttons_.clear();
  actionsWidth_ = 0;
  const auto& actions = config_->actions();
  for (size_t i = 0; i < actions.size(); ++i) {
    auto button = std::make_shared<Button>(ButtonType::Custom);
    button->setTitle(actions[i]->title());
    button->setBackgroundColor(actions[i]->backgroundColor());
    button->addTarget(this, "action", ControlEvent::TouchUpInside, [this, i](Control&) { perform(i); });
    actionsWidth_ += std::max(kMinimumActionWidth, button->sizeThatFits({0, 0}).width + 24);
    container_->addSubview(button);
    buttons_.push_back(button);
  }
}

void TableView::Swipe::apply() {
  auto c = cell();
  if (!c || !container_) return;
  Rect b = c->bounds();
  Rect content = c->contentView()->frame();
  c->contentView()->setFrame({-reveal_, content.minY(), content.width(), content.height()});
  container_->setFrame({b.maxX() - reveal_, b.minY(), reveal_, b.height()});
  // The buttons share the revealed width in proportion; the first action sits outermost (right).
  double scale = actionsWidth_ > 0 ? reveal_ / actionsWidth_ : 0;
  double x = reveal_;
  for (const auto& button : buttons_) {
    double w = std::max(kMinimumActionWidth, button->sizeThatFits({0, 0}).width + 24) * scale;
    x -= w;
    button->setFrame({x, 0, w, b.height()});
  }
}

void TableView::Swipe::perform(size_t index) {
  if (!config_ || index >= config_->actions().size() || index >= buttons_.size()) return;
  auto action = config_->actions()[index];
  auto source = buttons_[index];
  if (!action->handler()) return;
  std::weak_ptr<View> weak = table_.weak_from_this();
  TableView* table = &table_;
  action->handler()(*action, *source, [weak, table](bool) {
    if (auto alive = weak.lock()) table->setEditing(false, true);
  });
}

void TableView::Swipe::close() {
  if (auto c = cell()) {
    Rect content = c->contentView()->frame();
    c->contentView()->setFrame({0, content.minY(), content.width(), content.height()});
  }
  if (container_) container_->removeFromSuperview();
  container_.reset();
  buttons_.clear();
  row_.reset();
  config_.reset();
  reveal_ = 0;
  active_ = false;
}

std::vector<std::shared_ptr<View>> TableView::Swipe::buttons() const {
  return {buttons_.begin(), buttons_.end()};
}

}  // namespace platform::ui
