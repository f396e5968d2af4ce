#include "app/main/MainScreenLayout.h"

#include <algorithm>

#include "app/kit/UIConstants.h"

namespace app::main {

using platform::ui::Button;
using platform::ui::Label;
using platform::ui::make;
using platform::ui::Rect;
using platform::ui::View;

namespace {

std::shared_ptr<Label> headerLabel(View& header, const platform::graphics::Font& font,
                                   const platform::graphics::Color& color) {
  auto label = make<Label>();
  label->setFont(font);
  label->setTextColor(color);
  label->setTextAlignment(platform::ui::TextAlignment::Center);
  header.addSubview(label);
  return label;
}

std::shared_ptr<Button> overlay(View& root) {
  auto button = make<Button>();
  button->setAlpha(0);
  root.addSubview(button);
  return button;
}

bool shown(const std::shared_ptr<View>& view) { return view && view->alpha() > 0; }

void placeHeaderLabels(const View& header, Label& format, Label& lens, Label& adapter, double formatTop) {
  const double width = header.bounds().width();
  // The format text hangs from the header's centre line, higher when the adapter line is there too.
  format.setFrame({12, kHeaderHeight / 2 + formatTop - 4, width - 24, 16});
  lens.setFrame({12, format.frame().maxY() + 1, width - 24, 14});
  adapter.setFrame({12, lens.frame().maxY() + 1, width - 24, 12});
}

}  // namespace

void buildMainScreen(View& root, MainScreenViews& v) {
  root.setBackgroundColor(kit::UIConstants::primaryBG());
  v.DOFResultView = make<pages::DOFView>();
  v.FOVResultView = make<pages::FOVView>();
  v.lensMatchView = make<pages::LensMatchView>();
  v.sensorsView = make<pages::SensorsView>();
  v.coverageView = make<pages::CoverageView>();
  v.settingsView = make<settings::SettingsView>();
  for (const auto& page : v.pages()) root.addSubview(page);

  v.formatBGView = make<View>();
  v.formatBGView->setBackgroundColor(kit::UIConstants::mainViewBarColor());
  v.formatView = make<View>();
  v.formatView->setBackgroundColor(kit::UIConstants::secondaryBG());
  v.secondFormatBGView = make<View>();
  v.secondFormatBGView->setBackgroundColor(kit::UIConstants::mainViewBarColor());
  v.secondFormatView = make<View>();
  for (const auto& view : {v.formatBGView, v.formatView, v.secondFormatBGView, v.secondFormatView}) {
    root.addSubview(view);
  }
  const auto heavy = kit::UIConstants::heavyFontWithSize(12);
  const auto medium = kit::UIConstants::mediumFontWithSize(11);
  const auto roman = kit::UIConstants::romanFontWithSize(10);
  v.formatOneLabel = headerLabel(*v.formatView, heavy, kit::UIConstants::maxContrastText());
  v.lensSetOneLabel = headerLabel(*v.formatView, medium, kit::UIConstants::contrastText());
  v.adapterOneLabel = headerLabel(*v.formatView, roman, kit::UIConstants::blue());
  v.formatTwoLabel = headerLabel(*v.secondFormatView, heavy, platform::graphics::Color::whiteColor());
  v.lensSetTwoLabel = headerLabel(*v.secondFormatView, medium, platform::graphics::Color::whiteColor());
  v.adapterTwoLabel = headerLabel(*v.secondFormatView, roman, platform::graphics::Color::whiteColor());
  v.formatButtonOne = make<Button>();
  v.formatButtonTwo = make<Button>();
  root.addSubview(v.formatButtonOne);
  root.addSubview(v.formatButtonTwo);

  v.valueDisplayView = make<ValueDisplayView>();
  v.secondValueDisplayView = make<ValueDisplayView>();
  // Lifted over the page while a value is typed, a display hides what it passes over.
  v.valueDisplayView->setBackgroundColor(kit::UIConstants::primaryBG());
  v.secondValueDisplayView->setBackgroundColor(kit::UIConstants::primaryBG());
  v.focalLengthScrollBar = make<InputScrollView>();
  v.apertureScrollBar = make<InputScrollView>();
  v.distanceScrollBar = make<InputScrollView>();
  v.SecondFocalLengthScrollBar = make<InputScrollView>();
  v.secondApertureScrollBar = make<InputScrollView>();
  // Lower bars first, so a bar sliding away passes beneath the one above it.
  for (const auto& view : std::initializer_list<std::shared_ptr<View>>{
           v.distanceScrollBar, v.apertureScrollBar, v.focalLengthScrollBar, v.secondApertureScrollBar,
           v.SecondFocalLengthScrollBar, v.valueDisplayView, v.secondValueDisplayView}) {
    root.addSubview(view);
  }
  v.safeAreaBlankingView = make<View>();
  root.addSubview(v.safeAreaBlankingView);
  v.menuScrollView = make<kit::MenuScrollView>();
  root.addSubview(v.menuScrollView);
  v.overlayValueFormatOneA = overlay(root);
  v.overlayValueFormatOneB = overlay(root);
  v.overlayValueFormatTwoA = overlay(root);
  v.overlayValueFormatTwoB = overlay(root);
}

void layOutMainScreen(View& root, const MainScreenViews& v, const MainScreenConstraints& c,
                      const platform::ui::EdgeInsets& safeArea) {
  const double width = root.bounds().width();
  const double height = root.bounds().height();
  const double bottom = height - safeArea.bottom;
  const double menuY = safeArea.top;
  v.menuScrollView->setFrame({0, menuY, width, kMenuHeight});
  const double headerY = menuY + kMenuHeight;
  const Rect header{0, headerY, width, kHeaderHeight};
  v.formatBGView->setFrame(header);
  v.formatView->setBounds({0, 0, width, kHeaderHeight});
  v.formatView->setCenter({header.midX(), header.midY()});
  v.formatButtonOne->setFrame(header);
  const Rect secondHeader{0, header.maxY(), width, kHeaderHeight};
  v.secondFormatBGView->setFrame(secondHeader);
  v.secondFormatView->setBounds({0, 0, width, kHeaderHeight});
  v.secondFormatView->setCenter({secondHeader.midX(), secondHeader.midY()});
  v.formatButtonTwo->setFrame(secondHeader);
  placeHeaderLabels(*v.formatView, *v.formatOneLabel, *v.lensSetOneLabel, *v.adapterOneLabel,
                    c.formatOneLabelTopConstraint.constant());
  placeHeaderLabels(*v.secondFormatView, *v.formatTwoLabel, *v.lensSetTwoLabel, *v.adapterTwoLabel,
                    c.formatTwoLabelTopConstraint.constant());

  // Package one's bars stand on the bottom edge, each on the one below; the constants slide them away.
  const double distanceY = bottom - kBarHeight + c.distanceScrollBarBottomConstraint.constant();
  const double apertureY = distanceY - kBarHeight - c.apertureScrollBarBottomConstraint.constant();
  const double focalLengthY = apertureY - kBarHeight;
  const double displayOneY = focalLengthY - kValueDisplayHeight - c.valueDisplayViewOneBottomConstraint.constant();
  v.distanceScrollBar->setFrame({0, distanceY, width, kBarHeight});
  v.apertureScrollBar->setFrame({0, apertureY, width, kBarHeight});
  v.focalLengthScrollBar->setFrame({0, focalLengthY, width, kBarHeight});
  v.valueDisplayView->setFrame({0, displayOneY, width, kValueDisplayHeight});
  // Package two's block stands on package one's value display.
  const double secondApertureY = focalLengthY - kValueDisplayHeight - kBarHeight;
  const double secondFocalLengthY = secondApertureY - kBarHeight + c.secondFocalLengthTopConstraint.constant();
  const double displayTwoY =
      secondFocalLengthY - kValueDisplayHeight - c.valueDisplayViewTwoBottomConstraint.constant();
  v.secondApertureScrollBar->setFrame({0, secondApertureY, width, kBarHeight});
  v.SecondFocalLengthScrollBar->setFrame({0, secondFocalLengthY, width, kBarHeight});
  v.secondValueDisplayView->setFrame({0, displayTwoY, width, kValueDisplayHeight});
  v.safeAreaBlankingView->setFrame({0, bottom, width, safeArea.bottom});

  // The page fills what the headers and the shown bars leave.
  double pageTop = shown(v.formatView) ? header.maxY() : headerY;
  if (shown(v.secondFormatView)) pageTop = secondHeader.maxY();
  double pageBottom = bottom;
  for (const auto& [view, y] : std::initializer_list<std::pair<std::shared_ptr<View>, double>>{
           {v.distanceScrollBar, distanceY},
           {v.apertureScrollBar, apertureY},
           {v.focalLengthScrollBar, focalLengthY},
           {v.valueDisplayView, focalLengthY - kValueDisplayHeight},
           {v.secondApertureScrollBar, secondApertureY},
           {v.SecondFocalLengthScrollBar, secondFocalLengthY},
           {v.secondValueDisplayView, secondFocalLengthY - kValueDisplayHeight}}) {
    if (shown(view)) pageBottom = std::min(pageBottom, y);
  }
  const Rect page{0, pageTop, width, std::max(0.0, pageBottom - pageTop)};
  for (const auto& view : v.pages()) view->setFrame(page);
  v.settingsView->setFrame({0, headerY, width, bottom - headerY});

  // The covers of a value display being edited: everything above it and everything below it.
  const auto covers = [&](Button& above, Button& below, const View& display) {
    above.setFrame({0, 0, width, display.frame().minY()});
    below.setFrame({0, display.frame().maxY(), width, height - display.frame().maxY()});
  };
  covers(*v.overlayValueFormatOneA, *v.overlayValueFormatOneB, *v.valueDisplayView);
  covers(*v.overlayValueFormatTwoA, *v.overlayValueFormatTwoB, *v.secondValueDisplayView);
}

}  // namespace app::main

