#include "platform/ui/TableViewSwipe.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/TableViewCell.h"

namespace platform::ui {

TableView::Swipe::Swipe() : pan_(std::make_shared<PanGestureRecognizer>()) {
  pan_->addTarget(this, "swipe", [this](GestureRecognizer&) { handle(); });
}

std::shared_ptr<TableView> TableView::Swipe::table() const {
  if (auto table = table_.lock()) return table;
  // The table is the view the pan is attached to; it exists only once the table is fully made.
  View* view = pan_->view();
  if (!view) return nullptr;
  auto table = std::static_pointer_cast<TableView>(view->weak_from_this().lock());
  table_ = table;
  return table;
}

std::shared_ptr<TableViewCell> TableView::Swipe::cell() const {
  auto table = this->table();
  if (!table) return nullptr;
  if (!row_) return nullptr;
  auto it = table->visible_.find(*row_);
  return it == table->visible_.end() ? nullptr : it->second;
}

bool TableView::Swipe::mayBegin() {
  auto table = this->table();
  if (!table) return false;
  Point t = pan_->translationInView(table.get());
  if (std::fabs(t.x) <= std::fabs(t.y)) return false;
  Point at = pan_->locationInView(table.get());
  auto row = table->indexPathForRowAtPoint({at.x - t.x, at.y - t.y});
  if (!row) return false;
  candidate_ = row;
  // An open row can be dragged back, or closed by dragging another.
  if (table->swiped_) return true;
  if (t.x >= 0) return false;
  auto source = table->dataSource_.lock();
  auto delegate = table->tableDelegate_.lock();
  if (!source || !delegate || !source->tableViewCanEditRowAtIndexPath(*table, *row)) return false;
  candidateConfig_ = delegate->tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(*table, *row);
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
  auto table = this->table();
  if (!table) return;
  if (table->swiped_ && candidate_ != table->swiped_) {
    table->setEditing(false, true);
    return;  // this drag only closed the other row
  }
  if (!table->swiped_) {
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
  auto table = this->table();
  if (!table) return;
  if (!active_) return;
  Point t = pan_->translationInView(table.get());
  reveal_ = std::clamp(startReveal_ - t.x, 0.0, table->bounds().width());
  apply();
}

void TableView::Swipe::released(bool ended) {
  auto table = this->table();
  if (!table) return;
  if (!active_) return;
  active_ = false;
  double width = table->bounds().width();
  bool full = ended && config_->performsFirstActionWithFullSwipe() && reveal_ > width * kFullSwipeFraction;
  bool open = ended && reveal_ > actionsWidth_ / 2;
  if (!open) {
    bool wasOpen = table->swiped_.has_value();
    table->setEditing(false, true);
    if (!wasOpen) close();
    return;
  }
  // Past the buttons, a row without a full-swipe action settles back to show them.
  reveal_ = actionsWidth_;
  apply();
  if (table->swiped_ != row_) {
    table->swiped_ = row_;
    table->editing_ = true;
    if (auto d = table->tableDelegate_.lock()) d->tableViewWillBeginEditingRowAtIndexPath(*table, *row_);
  }
  if (full) perform(0);
}

void TableView::Swipe::build(TableViewCell& cell) {
  container_ = make<View>();
  container_->setClipsToBounds(true);
  cell.insertSubviewBelow(container_, cell.contentView().get());
  buttons_.clear();
  actionsWidth_ = 0;
  const auto& actions = config_->actions();
  for (size_t i = 0; i < actions.size(); ++i) {
    auto button = make<Button>(ButtonType::Custom);
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
  std::weak_ptr<TableView> weak = table();
  action->handler()(*action, *source, [weak](bool) {
    if (auto table = weak.lock()) table->setEditing(false, true);
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
