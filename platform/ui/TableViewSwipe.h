#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/Button.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/SwipeActionsConfiguration.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

namespace platform::ui {

// The trailing swipe of a table's rows: a sideways drag slides the row's content left over the
// delegate's action buttons. Released past half the buttons' width the row stays open (the table is
// then editing); a full swipe performs the first action when the configuration allows it.
class TableView::Swipe {
 public:
  static constexpr double kMinimumActionWidth = 74;
  static constexpr double kFullSwipeFraction = 0.6;

  Swipe();

  const std::shared_ptr<PanGestureRecognizer>& pan() const { return pan_; }
  // Whether the drag under way may become a swipe; fetches the row's actions when it may.
  bool mayBegin();
  bool isActive() const { return active_; }
  const std::optional<IndexPath>& row() const { return row_; }
  // Puts the open (or half-dragged) row back; no delegate call.
  void close();
  std::vector<std::shared_ptr<View>> buttons() const;

 private:
  void handle();
  void began();
  void moved();
  void released(bool ended);
  void build(TableViewCell& cell);
  void apply();
  void perform(size_t index);
  std::shared_ptr<TableViewCell> cell() const;
  std::shared_ptr<TableView> table() const;

  mutable std::weak_ptr<TableView> table_;  // owns this; found through the pan's view
  std::shared_ptr<PanGestureRecognizer> pan_;
  std::optional<IndexPath> row_;
  std::optional<IndexPath> candidate_;
  std::shared_ptr<SwipeActionsConfiguration> config_;
  std::shared_ptr<SwipeActionsConfiguration> candidateConfig_;
  std::shared_ptr<View> container_;
  std::vector<std::shared_ptr<Button>> buttons_;
  double reveal_ = 0;
  double startReveal_ = 0;
  double actionsWidth_ = 0;
  bool active_ = false;
};

}  // namespace platform::ui
