#include "app/pages/FormatLabelGroups.h"

#include "app/kit/UIConstants.h"
#include "app/pages/FormatTexts.h"
#include "app/pages/PageContentView.h"

namespace app::pages {

using platform::ui::make;
using platform::ui::Rect;
using platform::ui::View;

namespace {

constexpr double kTitleHeight = 14, kSizeHeight = 16, kGap = 4;

}  // namespace

FormatLabelGroups::FormatLabelGroups(const platform::graphics::Color& titleColor,
                                     platform::ui::TextAlignment alignment) {
  auto title = [&] { return makePageLabel(kit::UIConstants::heavyFontWithSize(8), titleColor, alignment); };
  auto size = [&] {
    return makePageLabel(kit::UIConstants::romanFontWithSize(12), kit::UIConstants::maxContrastText(), alignment);
  };
  withExtractionView = make<View>();
  extractionLabel = title();
  extractionSensorSizeLabel = size();
  recordingAreaLabel = title();
  recordingAreaSensorSizeLabel = size();
  for (const auto& label :
       {extractionLabel, extractionSensorSizeLabel, recordingAreaLabel, recordingAreaSensorSizeLabel}) {
    withExtractionView->addSubview(label);
  }
  onlyRecAreaView = make<View>();
  onlyRecAreaLabel = title();
  onlyRecAreaSensorLabel = size();
  onlyRecAreaView->addSubview(onlyRecAreaLabel);
  onlyRecAreaView->addSubview(onlyRecAreaSensorLabel);
}

void FormatLabelGroups::addTo(View& parent) {
  parent.addSubview(withExtractionView);
  parent.addSubview(onlyRecAreaView);
}

void FormatLabelGroups::layout(const Rect& area) {
  const double w = area.size.width;
  withExtractionView->setFrame({area.origin.x, area.origin.y, w, 2 * (kTitleHeight + kSizeHeight) + kGap});
  extractionLabel->setFrame({0, 0, w, kTitleHeight});
  extractionSensorSizeLabel->setFrame({0, kTitleHeight, w, kSizeHeight});
  recordingAreaLabel->setFrame({0, kTitleHeight + kSizeHeight + kGap, w, kTitleHeight});
  recordingAreaSensorSizeLabel->setFrame({0, 2 * kTitleHeight + kSizeHeight + kGap, w, kSizeHeight});
  onlyRecAreaView->setFrame({area.origin.x, area.origin.y, w, kTitleHeight + kSizeHeight});
  onlyRecAreaLabel->setFrame({0, 0, w, kTitleHeight});
  onlyRecAreaSensorLabel->setFrame({0, kTitleHeight, w, kSizeHeight});
}

void FormatLabelGroups::update(const model::CameraPackage& package, Sizes sizes) {
  FormatTexts texts = FormatTexts::titles(package);
  float extractionWidth = package.getExtractionSensorWidth(), extractionHeight = package.getExtractionSensorHeight();
  auto sizeText = [sizes](float width, float height) {
    return sizes == Sizes::Dimensions ? FormatTexts::sizeText(width, height)
                                      : FormatTexts::diagonalText(FormatTexts::diagonal(width, height));
  };
  std::string recording = sizeText(package.modeWidth(), package.modeHeight());
  std::string extraction = sizeText(extractionWidth, extractionHeight);
  extractionLabel->setText(texts.extractionTitle);
  recordingAreaLabel->setText(texts.recordingTitle);
  onlyRecAreaLabel->setText(texts.recordingTitle);
  extractionSensorSizeLabel->setText(extraction);
  recordingAreaSensorSizeLabel->setText(recording);
  onlyRecAreaSensorLabel->setText(recording);
  withExtractionView->setAlpha(texts.showsExtraction ? 1 : 0);
  onlyRecAreaView->setAlpha(texts.showsExtraction ? 0 : 1);
}

}  // namespace app::pages

