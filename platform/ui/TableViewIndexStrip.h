#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"

namespace platform::ui {

// The strip of section index titles along the right edge. It stays put while the rows scroll, and a
// finger on it (tapping or sliding) jumps to the section of the title under it.
class TableView::IndexStrip : public View {
 public:
  static constexpr double kLineHeight = 14;

  void setTitles(const std::vector<std::string>& titles, const Color& color) {
    for (auto& label : labels_) label->removeFromSuperview();
    labels_.clear();
    for (const auto& title : titles) {
      auto label = make<Label>();
      label->setText(title);
      label->setFont(Font::boldSystemFont(11));
      label->setTextColor(color);
      label->setTextAlignment(TextAlignment::Center);
      addSubview(label);
      labels_.push_back(label);
    }
    setNeedsLayout();
  }
  void setColor(const Color& color) {
    for (auto& label : labels_) label->setTextColor(color);
  }
  size_t count() const { return labels_.size(); }
  double top() const { return (bounds().height() - kLineHeight * static_cast<double>(labels_.size())) / 2; }

  void touchesBegan(const Touches& touches, const Event*) override { jump(*touches.front()); }
  void touchesMoved(const Touches& touches, const Event*) override { jump(*touches.front()); }
  void touchesEnded(const Touches&, const Event*) override {}
  void touchesCancelled(const Touches&, const Event*) override {}
  // Sliding along the index is not a scroll of the table.
  bool allowsRecognizerToTakeTouch(const GestureRecognizer& r) const override { return r.view() == this; }

 protected:
  explicit IndexStrip(std::weak_ptr<TableView> table) : table_(std::move(table)) {}
  void layoutSubviews() override {
    double y = top();
    for (auto& label : labels_) {
      label->setFrame({0, y, bounds().width(), kLineHeight});
      y += kLineHeight;
    }
  }

 private:
  void jump(const Touch& touch) {
    if (labels_.empty()) return;
    double y = touch.locationInView(this).y - top();
    auto index = static_cast<std::int64_t>(std::floor(y / kLineHeight));
    index = std::clamp<std::int64_t>(index, 0, static_cast<std::int64_t>(labels_.size()) - 1);
    if (auto table = table_.lock()) table->scrollToIndexTitle(static_cast<size_t>(index));
  }

  std::weak_ptr<TableView> table_;  // owns this strip
  std::vector<std::shared_ptr<Label>> labels_;
};

}  // namespace platform::ui
