#include "app/setup/NewCameraSetupLayout.h"

#include "app/kit/UIConstants.h"
#include "app/setup/SetupIcons.h"

using platform::ui::make;

namespace app::setup {

namespace {

constexpr double kHeaderHeight = 56;
constexpr double kTabWidth = 100;
constexpr double kSetupSide = 16;
constexpr double kFilterBarHeight = 44;
constexpr double kRowGap = 1;

std::shared_ptr<platform::ui::Button> tab(const std::string& title) {
  auto button = make<platform::ui::Button>();
  button->setTitle(title);
  button->titleLabel()->setFont(kit::UIConstants::heavyFontWithSize(13));
  return button;
}

std::shared_ptr<CameraSetupButton> row(platform::ui::View& block) {
  auto button = make<CameraSetupButton>();
  block.addSubview(button);
  return button;
}

void stack(const std::vector<CameraSetupButton*>& rows, double width) {
  double y = 0;
  for (auto* r : rows) {
    r->setFrame({0, y, width, NewCameraSetupLayout::kRowHeight});
    y += NewCameraSetupLayout::kRowHeight + kRowGap;
  }
}

double blockHeight(size_t rows) { return rows * (NewCameraSetupLayout::kRowHeight + kRowGap); }

}  // namespace

NewCameraSetupViews NewCameraSetupLayout::build(platform::ui::View& root) {
  NewCameraSetupViews v;
  v.setupView = make<platform::ui::View>();
  v.cameraSetupWithModeView = make<platform::ui::View>();
  v.camera = row(*v.cameraSetupWithModeView);
  v.shootingMode = row(*v.cameraSetupWithModeView);
  v.aspectRatio = row(*v.cameraSetupWithModeView);
  v.frameline = row(*v.cameraSetupWithModeView);
  v.setupWithoutModeView = make<platform::ui::View>();
  v.cameraWithoutMode = row(*v.setupWithoutModeView);
  v.aspectRatioWithoutMode = row(*v.setupWithoutModeView);
  v.framelineWithoutMode = row(*v.setupWithoutModeView);
  v.lensSetupView = make<platform::ui::View>();
  v.lensSeries = row(*v.lensSetupView);
  v.focalLengths = row(*v.lensSetupView);
  v.lensAdapter = row(*v.lensSetupView);
  v.addToFavoritesBtn = make<kit::CustomButton>();
  for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           v.cameraSetupWithModeView, v.setupWithoutModeView, v.lensSetupView, v.addToFavoritesBtn}) {
    v.setupView->addSubview(view);
  }
  root.addSubview(v.setupView);

  v.favoriteTable = make<platform::ui::TableView>();
  v.favoriteTable->setBackgroundColor(kit::UIConstants::tableViewBGColor());
  v.favoriteTable->setSeparatorColor(kit::UIConstants::tableViewSeparator());
  v.favoriteTable->setAlpha(0);
  root.addSubview(v.favoriteTable);
  v.noFavoritesView = make<platform::ui::View>();
  v.noFavoritesView->setAlpha(0);
  v.noFavoritesLabel = make<platform::ui::Label>();
  v.noFavoritesLabel->setText("NO SAVED PACKAGES YET");
  v.noFavoritesLabel->setFont(kit::UIConstants::mediumFontWithSize(13));
  v.noFavoritesLabel->setTextColor(kit::UIConstants::lowContrastText());
  v.noFavoritesLabel->setTextAlignment(platform::graphics::TextAlignment::Center);
  v.noFavoritesView->addSubview(v.noFavoritesLabel);
  root.addSubview(v.noFavoritesView);
  v.filterBarView = make<platform::ui::View>();
  v.filterBarView->setBackgroundColor(kit::UIConstants::filterBarColor());
  v.filterBarView->setAlpha(0);
  v.tapToLoadLabel = make<platform::ui::Label>();
  v.tapToLoadLabel->setText("TAP TO LOAD A PACKAGE");
  v.tapToLoadLabel->setFont(kit::UIConstants::mediumFontWithSize(11));
  v.tapToLoadLabel->setTextColor(kit::UIConstants::lowContrastText());
  v.favoriteSortBtn = make<kit::TextButton>();
  v.favoriteSortIcon = make<platform::ui::ImageView>(app::setup::SetupIcons::sortDown(kit::UIConstants::lowContrastText()));
  for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           v.tapToLoadLabel, v.favoriteSortBtn, v.favoriteSortIcon}) {
    v.filterBarView->addSubview(view);
  }
  root.addSubview(v.filterBarView);

  v.header = make<platform::ui::View>();
  v.header->setBackgroundColor(kit::UIConstants::topBarColor());
  v.menuSetup = tab("SETUP");
  v.menuFavorites = tab("FAVORITES");
  v.blueIndicatorView = make<platform::ui::View>();
  v.blueIndicatorView->setBackgroundColor(kit::UIConstants::blue());
  v.doneBtn = make<kit::CustomButton>();
  for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           v.menuSetup, v.menuFavorites, v.blueIndicatorView, v.doneBtn}) {
    v.header->addSubview(view);
  }
  root.addSubview(v.header);

  v.ReviewAlertView = make<platform::ui::View>();
  v.ReviewAlertView->setAlpha(0);
  v.actualReviewAlert = make<settings::ReviewAlert>();
  v.ReviewAlertView->addSubview(v.actualReviewAlert);
  root.addSubview(v.ReviewAlertView);
  return v;
}

void NewCameraSetupLayout::layOut(const NewCameraSetupViews& v, const Moves& moves, const platform::ui::Rect& bounds,
                                  const platform::ui::EdgeInsets& safe) {
  const double width = bounds.width();
  const double height = bounds.height();
  const double top = safe.top;
  const double bottom = safe.bottom;

  v.header->setFrame({0, 0, width, top + kHeaderHeight});
  v.menuSetup->setFrame({kSetupSide, top, kTabWidth, kHeaderHeight - 4});
  v.menuFavorites->setFrame({kSetupSide + kTabWidth, top, kTabWidth, kHeaderHeight - 4});
  v.blueIndicatorView->setFrame({kSetupSide + moves.blueIndicatorViewLeadConstraint.constant() + 20, top + kHeaderHeight - 4,
                                 kTabWidth - 40, 3});
  v.doneBtn->setFrame({width - kSetupSide - 90, top + 10, 90, kHeaderHeight - 20});

  const double pageTop = top + kHeaderHeight;
  v.setupView->setFrame({0, pageTop, width, std::max(0.0, height - pageTop)});
  v.cameraSetupWithModeView->setFrame({0, 0, width, blockHeight(4)});
  stack({v.camera.get(), v.shootingMode.get(), v.aspectRatio.get(), v.frameline.get()}, width);
  v.setupWithoutModeView->setFrame({0, 0, width, blockHeight(3)});
  stack({v.cameraWithoutMode.get(), v.aspectRatioWithoutMode.get(), v.framelineWithoutMode.get()}, width);
  // The lens block follows the camera block with a shooting-mode row; without one it moves up a row.
  const double lensTop = blockHeight(4) - kRowGap + moves.lensSetupTopConstraint.constant();
  v.lensSetupView->setFrame({0, lensTop, width, blockHeight(3)});
  stack({v.lensSeries.get(), v.focalLengths.get(), v.lensAdapter.get()}, width);
  v.addToFavoritesBtn->setFrame({kSetupSide, lensTop + blockHeight(3) + 24, width - 2 * kSetupSide, 44});

  v.filterBarView->setFrame({0, pageTop, width, kFilterBarHeight});
  v.tapToLoadLabel->setFrame({kSetupSide, 0, width / 2, kFilterBarHeight});
  v.favoriteSortBtn->setFrame({width - kSetupSide - 22 - 90, 0, 90, kFilterBarHeight});
  v.favoriteSortIcon->setFrame({width - kSetupSide - 14, (kFilterBarHeight - 14) / 2, 14, 14});
  const double listTop = pageTop + kFilterBarHeight;
  v.favoriteTable->setFrame({0, listTop, width, std::max(0.0, height - listTop)});
  v.noFavoritesView->setFrame({0, listTop, width, 120});
  v.noFavoritesLabel->setFrame({kSetupSide, 40, width - 2 * kSetupSide, 40});

  // The rating card rests on the safe area's bottom edge; a negative constant puts it below.
  const double cardTop = height - bottom - kReviewAlertHeight - moves.reviewAlertBottomConstraint.constant();
  v.ReviewAlertView->setFrame({0, cardTop, width, kReviewAlertHeight + bottom});
  v.actualReviewAlert->setFrame({0, 0, width, kReviewAlertHeight});
}

}  // namespace app::setup

