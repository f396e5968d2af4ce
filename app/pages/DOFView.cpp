#include "app/pages/DOFView.h"

#include "app/kit/StyledViews.h"
#include "app/kit/UIConstants.h"
#include "app/pages/DistanceText.h"
#include "app/pages/PageState.h"
#include "platform/ui/LocalizedStrings.h"

using app::pages::DepthOfField;
using app::pages::DepthOfFieldTexts;
using app::pages::DofMarkerOffsets;
using app::pages::makePageLabel;
using app::pages::placeCentred;
using platform::graphics::AffineTransform;
using platform::ui::LocalizedStrings;
using platform::ui::make;
using platform::ui::Rect;
using platform::ui::TextAlignment;
using platform::ui::View;

namespace app::pages {

namespace {

// Beyond the hyperfocal distance the infinity signs are drawn larger, and raised so that they sit on the
// same line as the numbers they replace.
constexpr double kTotalFont = 28, kTotalFontInfinite = 40;
constexpr double kFarFont = 12, kFarFontInfinite = 18;
constexpr double kTotalRaise = -12, kFarRaise = -6;
constexpr double kMarkerWidth = 2, kMarkerHeight = 14, kStripHeight = 20;

}  // namespace

DOFView::DOFView(const Rect& frame) : PageView(frame) { customInit(); }

void DOFView::customInit() {
  const auto text = kit::UIConstants::maxContrastText();
  const auto caption = kit::UIConstants::lowContrastText();
  cocLabel_ =
      makePageLabel(kit::UIConstants::romanFontWithSize(12), kit::UIConstants::contrastText(), TextAlignment::Left);
  hyperFocalCaption_ = makePageLabel(kit::UIConstants::heavyFontWithSize(9), caption, TextAlignment::Right);
  hyperFocalLabel_ = makePageLabel(kit::UIConstants::mediumFontWithSize(12), text, TextAlignment::Right);
  nearCaption_ = makePageLabel(kit::UIConstants::heavyFontWithSize(9), caption, TextAlignment::Center);
  nearLabel_ = makePageLabel(kit::UIConstants::mediumFontWithSize(12), text, TextAlignment::Center);
  dofCaption_ = makePageLabel(kit::UIConstants::heavyFontWithSize(9), caption, TextAlignment::Center);
  dofLabel_ = makePageLabel(kit::UIConstants::mediumFontWithSize(kTotalFont), text, TextAlignment::Center);
  farCaption_ = makePageLabel(kit::UIConstants::heavyFontWithSize(9), caption, TextAlignment::Center);
  farLabel_ = makePageLabel(kit::UIConstants::mediumFontWithSize(kFarFont), text, TextAlignment::Center);
  distanceLabel_ =
      makePageLabel(kit::UIConstants::romanFontWithSize(12), kit::UIConstants::blue(), TextAlignment::Center);
  const std::pair<std::shared_ptr<platform::ui::Label>, const char*> captions[] = {
      {hyperFocalCaption_, "HYPERFOCAL"},
      {nearCaption_, "NEAR"},
      {dofCaption_, "DEPTH OF FIELD"},
      {farCaption_, "FAR"}};
  for (const auto& [label, key] : captions) {
    label->setAttributedText(kit::UIConstants::kerningWithString(LocalizedStrings::localizedString(key)));
  }
  for (const auto& label : {cocLabel_, hyperFocalCaption_, hyperFocalLabel_, nearCaption_, nearLabel_, dofCaption_,
                            dofLabel_, farCaption_, farLabel_, distanceLabel_}) {
    contentView_->addSubview(label);
  }

  markerContainer_ = make<View>();
  stripLine_ = make<View>();
  stripLine_->setBackgroundColor(kit::UIConstants::lowContrastText());
  focusMark_ = make<View>();
  focusMark_->setBackgroundColor(kit::UIConstants::blue());
  nearMarker_ = make<kit::DepthOfFieldMarkerView>();
  farMarker_ = make<kit::DepthOfFieldMarkerView>();
  for (const auto& part : {stripLine_, focusMark_, nearMarker_, farMarker_}) markerContainer_->addSubview(part);
  contentView_->addSubview(markerContainer_);

  sensorWidth_ = 1;
  sensorHeight_ = 1;
  strictness_ = static_cast<float>(app::pages::framesObject()->settings.cocFactor);
}

void DOFView::layoutContent() {
  const double w = contentView_->bounds().size.width;
  const double h = contentView_->bounds().size.height;
  const double margin = 16, half = (w - 2 * margin) / 2;
  cocLabel_->setFrame({margin, 10, half, 16});
  hyperFocalCaption_->setFrame({margin + half, 10, half, 12});
  hyperFocalLabel_->setFrame({margin + half, 24, half, 16});

  // Near, total and far stand over the value display's three columns.
  const double row = h * 0.3, middle = w / 2;
  const double columnWidth = app::pages::kValueColumnWidth, offset = app::pages::kValueColumnOffset;
  placeCentred(*nearCaption_, middle - offset, row, columnWidth, 12);
  placeCentred(*nearLabel_, middle - offset, row + 22, columnWidth, 24);
  placeCentred(*dofCaption_, middle, row, columnWidth + 20, 12);
  placeCentred(*dofLabel_, middle, row + 14, columnWidth + 20, 48);
  placeCentred(*farCaption_, middle + offset, row, columnWidth, 12);
  placeCentred(*farLabel_, middle + offset, row + 22, columnWidth, 24);

  const double strip = h * 0.72;
  markerContainer_->setFrame({margin, strip, w - 2 * margin, kStripHeight});
  const double centre = markerContainer_->bounds().size.width / 2;
  stripLine_->setFrame({0, kStripHeight / 2, markerContainer_->bounds().size.width, 1});
  focusMark_->setFrame({centre - 1, 0, 2, kStripHeight});
  nearMarker_->setFrame({centre + nearMarkerCenterX_.constant() - kMarkerWidth / 2, (kStripHeight - kMarkerHeight) / 2,
                         kMarkerWidth, kMarkerHeight});
  farMarker_->setFrame({centre + farMarkerCenterX_.constant() - kMarkerWidth / 2, (kStripHeight - kMarkerHeight) / 2,
                        kMarkerWidth, kMarkerHeight});
  placeCentred(*distanceLabel_, middle, strip + kStripHeight + 4, columnWidth, 16);
}

void DOFView::setDistance(float distance) {
  distance_ = distance;
  int system = app::pages::framesObject()->settings.measurementSystem;
  distanceLabel_->setText(app::pages::DistanceText::focusText(distance, system));
}

void DOFView::showInfinite(bool infinite) {
  dofLabel_->setTransform(infinite ? AffineTransform::translation(0, kTotalRaise) : AffineTransform());
  farLabel_->setTransform(infinite ? AffineTransform::translation(0, kFarRaise) : AffineTransform());
  farLabel_->setFont(kit::UIConstants::mediumFontWithSize(infinite ? kFarFontInfinite : kFarFont));
  dofLabel_->setFont(kit::UIConstants::mediumFontWithSize(infinite ? kTotalFontInfinite : kTotalFont));
}

void DOFView::calculateDOF() {
  auto state = app::pages::framesObject();
  strictness_ = static_cast<float>(state->settings.cocFactor);
  sensorWidth_ = package_ ? package_->getExtractionSensorWidth() : 0;
  sensorHeight_ = package_ ? package_->getExtractionSensorHeight() : 0;
  dof_ = package_ ? DepthOfField::forPackage(*package_, strictness_, focalLength_, aperture_, distance_)
                 : DepthOfField::calculate(sensorWidth_, sensorHeight_, strictness_, focalLength_, aperture_, distance_);

  DepthOfFieldTexts texts = DepthOfFieldTexts::make(dof_, state->settings.measurementSystem);
  cocLabel_->setText(texts.circleOfConfusion);
  hyperFocalLabel_->setText(texts.hyperFocal);
  nearLabel_->setText(texts.nearLimit);
  farLabel_->setText(texts.farLimit);
  dofLabel_->setText(texts.total);
  showInfinite(dof_.hasLimits() && dof_.beyondHyperfocal());

  // Markers stand for the limits: while the limits read no value, a marker left where it was would
  // show limits that are not there.
  nearMarker_->setHidden(!dof_.hasLimits());
  farMarker_->setHidden(!dof_.hasLimits());
  contentView_->layoutIfNeeded();
  DofMarkerOffsets markers = DofMarkerOffsets::make(dof_, markerContainer_->bounds().size.width);
  if (markers.nearOffset) nearMarkerCenterX_.setConstant(*markers.nearOffset);
  if (markers.farOffset) farMarkerCenterX_.setConstant(*markers.farOffset);
  contentView_->setNeedsLayout();
  contentView_->layoutIfNeeded();
}

}  // namespace app::pages

