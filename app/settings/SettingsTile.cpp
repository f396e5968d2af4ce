#include "app/settings/SettingsTile.h"

#include "app/kit/UIConstants.h"
#include "app/pages/PageState.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::settings {

using platform::ui::make;

SettingsTile::SettingsTile(const platform::ui::Rect& frame) : kit::SettingsTilesView(frame) {
  contentView_ = make<platform::ui::View>(bounds());
  addSubview(contentView_);
}

std::shared_ptr<platform::ui::Label> SettingsTile::makeCaption(const std::string& key) {
  caption_ = make<platform::ui::Label>();
  caption_->setText(platform::ui::LocalizedStrings::localizedString(key));
  caption_->setFont(kit::UIConstants::mediumFontWithSize(13));
  caption_->setTextColor(kit::UIConstants::contrastText());
  // A caption longer than the room beside the control wraps onto a second line of the tile.
  caption_->setNumberOfLines(2);
  caption_->setLineBreakMode(platform::graphics::LineBreakMode::WordWrap);
  contentView_->addSubview(caption_);
  return caption_;
}

void SettingsTile::setControl(std::shared_ptr<platform::ui::View> control, double width) {
  if (control_) control_->removeFromSuperview();
  control_ = std::move(control);
  controlWidth_ = width;
  contentView_->addSubview(control_);
  setNeedsLayout();
}

void SettingsTile::layoutSubviews() {
  contentView_->setFrame(bounds());
  const auto size = bounds().size;
  const double controlX = size.width - kInset - controlWidth_;
  if (caption_) caption_->setFrame({kInset, 0, std::max(0.0, controlX - 2 * kInset), size.height});
  if (control_) control_->setFrame({controlX, (size.height - kControlHeight) / 2, controlWidth_, kControlHeight});
}

std::shared_ptr<state::FramesObject> SettingsTile::state() { return app::pages::framesObject(); }

}  // namespace app::settings

