#include "app/kit/AlertLayout.h"

namespace app::kit {

using platform::ui::Rect;

void AlertContentView::layoutSubviews() {
  auto box = box_.lock();
  if (!box) return;
  // Bounds and centre, not frame: the show animation scales the box around its centre.
  const Rect b = bounds();
  box->setBounds({0, 0, width->constant(), height->constant()});
  box->setCenter({b.midX(), b.midY() + centerY->constant()});
}

void AlertBox::setParts(Parts parts) {
  parts_ = std::move(parts);
  for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           parts_.title, parts_.message, parts_.textFieldRow, parts_.invalidInput, parts_.ok, parts_.cancel,
           parts_.remove, parts_.okSingle, parts_.cancelSingle}) {
    addSubview(view);
  }
  parts_.textFieldRow->addSubview(parts_.textField);
}

void AlertBox::layoutSubviews() {
  const Rect b = bounds();
  const double inset = 20, w = b.size.width - 2 * inset;
  const double buttonsTop = b.size.height - kButtonRowHeight;
  parts_.title->setFrame({inset, 16, w, 24});
  parts_.message->setFrame({inset, 44, w, buttonsTop - 52});
  parts_.textFieldRow->setFrame({inset, 50, w, 36});
  parts_.textField->setFrame({0, 0, w, 36});
  parts_.invalidInput->setFrame({inset, 88, w, 20});
  const double split = b.size.width / 2 + borderMaker->constant();
  parts_.ok->setFrame({0, buttonsTop, split, kButtonRowHeight});
  parts_.remove->setFrame({0, buttonsTop, split, kButtonRowHeight});
  parts_.cancel->setFrame({split + 1, buttonsTop, b.size.width - split - 1, kButtonRowHeight});
  parts_.okSingle->setFrame({0, buttonsTop, b.size.width, kButtonRowHeight});
  parts_.cancelSingle->setFrame({0, buttonsTop, b.size.width, kButtonRowHeight});
}

}  // namespace app::kit

