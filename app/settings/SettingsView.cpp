#include "app/settings/SettingsView.h"

#include <algorithm>
#include <cctype>

#include "app/kit/UIConstants.h"
#include "app/pages/PageState.h"
#include "app/settings/SettingsImages.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/LocalizedStrings.h"

using platform::ui::make;

namespace app::settings {

namespace {

std::string infoString(const std::string& key) {
  const auto& value = platform::foundation::Bundle::main()->objectForInfoDictionaryKey(key);
  const std::string* text = value.string();
  return text ? *text : std::string();
}

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

}  // namespace

SettingsView::SettingsView(const platform::ui::Rect& frame) : View(frame) { customInit(); }

void SettingsView::customInit() {
  contentView_ = make<platform::ui::View>(bounds());
  contentView_->setBackgroundColor(kit::UIConstants::primaryBG());
  addSubview(contentView_);

  logoImageName_ = app::pages::framesObject()->appInDarkMode ? "ostrel_white_transparent" : "ostrel_black_transparent";
  // The logo is drawn when the page is first drawn: at start the page is hidden, and most starts never
  // show it.
  logoImageView_ = make<platform::ui::ImageView>();
  logoImageView_->setContentMode(platform::ui::ContentMode::ScaleAspectFit);
  appNameLabel_ = make<platform::ui::Label>();
  appNameLabel_->setTextColor(kit::UIConstants::maxContrastText());
  appNameLabel_->setFont(kit::UIConstants::heavyFontWithSize(16));
  appNameLabel_->setTextAlignment(platform::ui::TextAlignment::Center);
  versionLabel_ = make<platform::ui::Label>();
  versionLabel_->setTextColor(kit::UIConstants::contrastText());
  versionLabel_->setFont(kit::UIConstants::romanFontWithSize(11));
  versionLabel_->setTextAlignment(platform::ui::TextAlignment::Center);
  for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{logoImageView_, appNameLabel_,
                                                                                     versionLabel_}) {
    contentView_->addSubview(view);
  }

  // The localised information dictionary is the bundle's own here: there is one Info.plist.
  appNameLabel_->setText(upper(infoString("CFBundleDisplayName")));
  versionLabel_->setText(platform::ui::LocalizedStrings::localizedString("Version") + " " +
                         infoString("CFBundleShortVersionString"));

  cocView_ = make<CircleOfConfusionView>();
  colorThemeView_ = make<ColorThemeView>();
  measurementSystemView_ = make<MeasurementSystemView>();
  hapticView_ = make<HapticFeedbackView>();
  snappingView_ = make<SnappingView>();
  for (const auto& tile : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           cocView_, colorThemeView_, measurementSystemView_, hapticView_, snappingView_}) {
    contentView_->addSubview(tile);
  }
}

void SettingsView::drawRect(const platform::ui::Rect& rect) {
  // The page draws before its subviews, so the logo is there for this very pass.
  if (!logoImageView_->image()) logoImageView_->setImage(SettingsImages::imageNamed(logoImageName_));
  View::drawRect(rect);
}

void SettingsView::layoutSubviews() {
  contentView_->setFrame(bounds());
  const double width = bounds().width();
  double y = 16;
  logoImageView_->setFrame({(width - 64) / 2, y, 64, 40});
  y += 44;
  appNameLabel_->setFrame({0, y, width, 20});
  y += 20;
  versionLabel_->setFrame({0, y, width, 16});
  y += 28;
  for (const auto& tile : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           cocView_, colorThemeView_, measurementSystemView_, hapticView_, snappingView_}) {
    tile->setFrame({12, y, width - 24, kTileHeight});
    y += kTileHeight + kTileGap;
  }
}

}  // namespace app::settings

