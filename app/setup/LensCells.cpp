#include "app/setup/LensCells.h"

#include "app/kit/UIConstants.h"
#include "app/setup/SetupIcons.h"
#include "app/setup/SetupListCells.h"
#include "platform/ui/AnimationOptions.h"

using platform::graphics::Color;
using platform::ui::make;
using platform::ui::Rect;

namespace app::setup {

namespace {

constexpr double kMargin = 16;
constexpr double kCheckSize = 20;

std::shared_ptr<platform::ui::Label> label(platform::ui::TableViewCell& cell, double size) {
  auto made = app::setup::addCellLabel(cell);
  made->setFont(kit::UIConstants::romanFontWithSize(size));
  made->setTextColor(kit::UIConstants::lowContrastText());
  return made;
}

// Title, aperture and comment from the left, close focus before the check at the right edge.
void layOutLensRow(const Rect& bounds, platform::ui::Label& title, platform::ui::Label& aperture,
                   platform::ui::Label& comment, double commentLeading, platform::ui::Label& closeFocus,
                   platform::ui::View& mark) {
  const double height = bounds.height();
  title.setFrame({kMargin, 0, 110, height});
  aperture.setFrame({kMargin + 110, 0, 44, height});
  comment.setFrame({kMargin + 154 + commentLeading - 20, 0, 90, height});
  const double right = bounds.width() - kMargin;
  mark.setFrame({right - kCheckSize, (height - kCheckSize) / 2, kCheckSize, kCheckSize});
  closeFocus.setFrame({right - kCheckSize - 96, 0, 88, height});
}

}  // namespace

CameraSetupPrimeLensCell::CameraSetupPrimeLensCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  auto& content = *contentView();
  title = label(*this, 14);
  apertureLabel = label(*this, 11);
  comment = label(*this, 11);
  closeFocusLabel = label(*this, 11);
  closeFocusLabel->setTextAlignment(platform::ui::TextAlignment::Right);
  check = make<platform::ui::ImageView>(app::setup::SetupIcons::check(kit::UIConstants::blue()));
  check->setAlpha(0);
  content.addSubview(check);
  commentLeadingConstraint.setConstant(20);
  setSelectionStyle(platform::ui::TableViewCellSelectionStyle::None);
  setSelected(false, false);
}

void CameraSetupPrimeLensCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  layOutLensRow(contentView()->bounds(), *title, *apertureLabel, *comment, commentLeadingConstraint.constant(),
                *closeFocusLabel, *check);
}

void CameraSetupPrimeLensCell::setSelected(bool selected, bool animated) {
  TableViewCell::setSelected(selected, animated);
  setBackgroundColor(kit::UIConstants::primaryBG());
  contentView()->setBackgroundColor(kit::UIConstants::primaryBG());
  title->setFont(kit::UIConstants::romanFontWithSize(14));
  title->setTextColor(selected ? kit::UIConstants::darkBlue() : kit::UIConstants::contrastText());
  for (auto* secondary : {comment.get(), apertureLabel.get(), closeFocusLabel.get()}) {
    secondary->setTextColor(kit::UIConstants::lowContrastText());
  }
  check->setAlpha(selected ? 1.0 : 0.0);
}

CameraSetupZoomLensCell::CameraSetupZoomLensCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  auto& content = *contentView();
  title = label(*this, 14);
  title->setTextColor(kit::UIConstants::contrastText());
  apertureLabel = label(*this, 11);
  comment = label(*this, 11);
  closeFocusLabel = label(*this, 11);
  closeFocusLabel->setTextAlignment(platform::ui::TextAlignment::Right);
  radio = make<platform::ui::ImageView>(app::setup::SetupIcons::radio(kit::UIConstants::blue()));
  radio->setHidden(true);
  content.addSubview(radio);
  commentLeadingConstraint.setConstant(20);
  setSelectionStyle(platform::ui::TableViewCellSelectionStyle::None);
  setBackgroundColor(kit::UIConstants::primaryBG());
}

void CameraSetupZoomLensCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  layOutLensRow(contentView()->bounds(), *title, *apertureLabel, *comment, commentLeadingConstraint.constant(),
                *closeFocusLabel, *radio);
}

void CameraSetupZoomLensCell::setHighlighted(bool highlighted, bool animated) {
  TableViewCell::setHighlighted(highlighted, animated);
  title->setFont(kit::UIConstants::romanFontWithSize(14));
  radio->setHidden(true);
  if (highlighted) {
    for (auto* text : {title.get(), comment.get(), apertureLabel.get(), closeFocusLabel.get()}) {
      text->setTextColor(Color::whiteColor());
    }
    View::animate(0.05, 0, platform::ui::AnimationOptionCurveEaseIn,
                  [this] { setBackgroundColor(kit::UIConstants::blue()); });
    return;
  }
  View::animate(0.5, 0, platform::ui::AnimationOptionCurveEaseIn, [this] {
    setBackgroundColor(kit::UIConstants::primaryBG());
    title->setTextColor(kit::UIConstants::contrastText());
    for (auto* secondary : {comment.get(), apertureLabel.get(), closeFocusLabel.get()}) {
      secondary->setTextColor(kit::UIConstants::lowContrastText());
    }
  });
}

void CameraSetupZoomLensCell::setSelected(bool selected, bool animated) {
  TableViewCell::setSelected(selected, animated);
  title->setTextColor(selected ? kit::UIConstants::blue() : kit::UIConstants::contrastText());
}

CameraSetupSearchCell::CameraSetupSearchCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  title = label(*this, 16);
  crop = label(*this, 12);
  check = make<platform::ui::ImageView>(app::setup::SetupIcons::check(Color::fromBytes(0, 180, 248)));
  contentView()->addSubview(check);
  setSelected(false, false);
}

void CameraSetupSearchCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  const auto bounds = contentView()->bounds();
  title->setFrame({kMargin, 0, bounds.width() / 2, bounds.height()});
  const double right = bounds.width() - kMargin;
  check->setFrame({right - kCheckSize, (bounds.height() - kCheckSize) / 2, kCheckSize, kCheckSize});
  crop->setFrame({bounds.width() / 2, 0, right - kCheckSize - 8 - bounds.width() / 2, bounds.height()});
}

void CameraSetupSearchCell::setSelected(bool selected, bool animated) {
  TableViewCell::setSelected(selected, animated);
  check->setHidden(!selected);
  title->setTextColor(selected ? Color::fromBytes(0, 180, 248) : Color::fromBytes(39, 39, 43));
  title->setFont(platform::graphics::Font::named(selected ? "Avenir-Medium" : "Avenir-Roman", 16));
  crop->setTextColor(selected ? Color::fromBytes(0, 180, 248) : Color::fromBytes(158, 165, 168));
}

PrimeLensInputCell::PrimeLensInputCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  primeLensLabel = label(*this, 14);
  checkBox = make<platform::ui::Button>();
  contentView()->addSubview(checkBox);
}

void PrimeLensInputCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  const auto bounds = contentView()->bounds();
  primeLensLabel->setFrame({kMargin, 0, bounds.width() - 3 * kMargin - 30, bounds.height()});
  checkBox->setFrame({bounds.width() - kMargin - 30, (bounds.height() - 30) / 2, 30, 30});
}

}  // namespace app::setup

