#include "app/pages/PageContentView.h"

#include "app/kit/UIConstants.h"

namespace app::pages {

PageView::PageView(const platform::ui::Rect& frame) : View(frame) {
  contentView_ = platform::ui::make<PageContentView>(bounds());
  contentView_->setBackgroundColor(kit::UIConstants::primaryBG());
  addSubview(contentView_);
  contentView_->setLayout([this] { layoutContent(); });
}

void PageView::layoutSubviews() {
  contentView_->setFrame(bounds());
  contentView_->setNeedsLayout();
}

std::shared_ptr<platform::ui::Label> makePageLabel(const platform::graphics::Font& font,
                                                   const platform::graphics::Color& color,
                                                   platform::ui::TextAlignment alignment) {
  auto label = platform::ui::make<platform::ui::Label>();
  label->setFont(font);
  label->setTextColor(color);
  label->setTextAlignment(alignment);
  // Values and names of any length stay whole: a long one is drawn smaller rather than cut.
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumScaleFactor(0.5);
  return label;
}

void placeCentred(platform::ui::View& view, double centerX, double y, double width, double height) {
  view.setFrame({centerX - width / 2, y, width, height});
}

}  // namespace app::pages

