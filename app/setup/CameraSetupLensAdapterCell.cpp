#include "app/setup/CameraSetupLensAdapterCell.h"

#include "app/kit/UIConstants.h"
#include "app/setup/SetupIcons.h"
#include "app/setup/SetupListCells.h"
#include "platform/ui/AnimationOptions.h"

using platform::graphics::Color;
using platform::ui::make;

namespace app::setup {

CameraSetupLensAdapterCell::CameraSetupLensAdapterCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  setSelectionStyle(platform::ui::TableViewCellSelectionStyle::None);
  setBackgroundColor(kit::UIConstants::primaryBG());
  title_ = app::setup::addCellLabel(*this);
  title_->setFont(kit::UIConstants::romanFontWithSize(14));
  title_->setTextColor(kit::UIConstants::contrastText());
  crop_ = app::setup::addCellLabel(*this);
  crop_->setFont(kit::UIConstants::romanFontWithSize(12));
  crop_->setTextColor(kit::UIConstants::lowContrastText());
  crop_->setTextAlignment(platform::graphics::TextAlignment::Right);
  check_ = make<platform::ui::ImageView>(app::setup::SetupIcons::check(kit::UIConstants::blue()));
  check_->setHidden(true);
  contentView()->addSubview(check_);
}

void CameraSetupLensAdapterCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  const auto size = contentView()->bounds().size;
  // The factor takes what its text needs, up to a third of the row; the name has the rest.
  const double cropWidth = std::min(size.width / 3, crop_->sizeThatFits({size.width, size.height}).width);
  crop_->setFrame({size.width - 16 - cropWidth, 0, cropWidth, size.height});
  const double titleRight = size.width - 16 - cropWidth - 8;
  title_->setFrame({16, 0, std::max(0.0, titleRight - 16), size.height});
  check_->setFrame({size.width - 16 - 20, (size.height - 20) / 2, 20, 20});
}

void CameraSetupLensAdapterCell::setHighlighted(bool highlighted, bool animated) {
  check_->setHidden(true);
  title_->setFont(kit::UIConstants::romanFontWithSize(14));
  TableViewCell::setHighlighted(highlighted, animated);
  if (highlighted) {
    title_->setTextColor(Color::whiteColor());
    crop_->setTextColor(Color::whiteColor());
    View::animate(app::setup::kRowPressIn, 0, platform::ui::AnimationOptionCurveEaseIn,
                  [this] { setBackgroundColor(kit::UIConstants::blue()); });
    return;
  }
  View::animate(app::setup::kRowFadeOut, 0, platform::ui::AnimationOptionCurveEaseIn, [this] {
    setBackgroundColor(kit::UIConstants::primaryBG());
    title_->setTextColor(kit::UIConstants::contrastText());
    crop_->setTextColor(kit::UIConstants::lowContrastText());
  });
}

void CameraSetupLensAdapterCell::setSelected(bool selected, bool animated) {
  TableViewCell::setSelected(selected, animated);
  title_->setTextColor(selected ? kit::UIConstants::blue() : kit::UIConstants::contrastText());
}

}  // namespace app::setup

