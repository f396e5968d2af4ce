#include "app/main/ScaleLabels.h"

#include <algorithm>

#include "app/kit/UIConstants.h"
#include "app/main/ScaleMath.h"
#include "app/model/NumericText.h"
#include "platform/ui/AnimationOptions.h"
#include "platform/ui/Label.h"

using platform::ui::make;
using platform::ui::View;

namespace app::main {

void ScaleLabels::add(View& scale, float position, const std::string& text, int kind) {
  auto label = make<platform::ui::Label>(platform::ui::Rect{0, 0, 64, 64});
  switch (kind) {
    case 0:
      label->setTextColor(kit::UIConstants::maxContrastText());
      label->setFont(kit::UIConstants::mediumFontWithSize(14));
      break;
    case 1:
      label->setTextColor(kit::UIConstants::maxContrastText());
      label->setFont(kit::UIConstants::heavyFontWithSize(16));
      break;
    case 2:
      label->setTextColor(kit::UIConstants::lowContrastText());
      label->setFont(kit::UIConstants::mediumFontWithSize(14));
      break;
    default:
      break;
  }
  label->setText(text);
  label->setTextAlignment(platform::ui::TextAlignment::Center);
  // The marks come back on every build of a scale; a kept measurement answers for each text again.
  label->setBounds({0, 0, label->sizeThatFits(label->bounds().size).width, 64});
  label->setCenter({scale::finiteOrZero(position), kLabelY});
  scale.addSubview(label);
}

bool ScaleLabels::show(View& scale, const std::vector<Mark>& marks, bool replaceAll) {
  const bool dark = kit::UIConstants::appInDarkMode();
  const bool stillShown = std::all_of(shown_.begin(), shown_.end(), [&scale](const auto& weak) {
    const auto label = weak.lock();
    return label && label->superview() == &scale;
  });
  if (stillShown && marks == shownMarks_ && shownInDarkTheme_ == dark) return false;
  if (replaceAll) {
    for (const auto& view : std::vector<std::shared_ptr<View>>(scale.subviews())) view->removeFromSuperview();
  }
  shown_.clear();
  for (const auto& mark : marks) {
    add(scale, mark.position, mark.text, mark.kind);
    shown_.push_back(scale.subviews().back());
  }
  shownMarks_ = marks;
  shownInDarkTheme_ = dark;
  return true;
}

void ScaleLabels::overlapPass(const View& scale) {
  std::vector<platform::ui::Label*> labels;
  for (const auto& view : scale.subviews()) {
    if (auto* label = dynamic_cast<platform::ui::Label*>(view.get())) labels.push_back(label);
  }
  std::stable_sort(labels.begin(), labels.end(), [](const platform::ui::Label* a, const platform::ui::Label* b) {
    return app::model::NumericText::floatValue(a->text()) < app::model::NumericText::floatValue(b->text());
  });
  auto shrink = [](platform::ui::Label& label) {
    label.setFont(label.font().fontName() == "Avenir-Heavy" ? kit::UIConstants::heavyFontWithSize(12)
                                                             : kit::UIConstants::mediumFontWithSize(10));
  };
  int pair = 1;
  for (size_t i = 0; i + 1 < labels.size(); ++i) {
    auto& first = *labels[i];
    auto& second = *labels[i + 1];
    if (!first.frame().intersects(second.frame())) continue;
    shrink(first);
    shrink(second);
    const bool odd = pair % 2 == 1;
    first.setCenter({first.center().x, odd ? 16.0 : 28.0});
    second.setCenter({second.center().x, odd ? 28.0 : 16.0});
    ++pair;
  }
}

void ScaleLabels::fadeOutNext(const View& view) {
  fadeOut_.assign(view.subviews().begin(), view.subviews().end());
}

void ScaleLabels::crossFade(const std::shared_ptr<View>& content) {
  // A scale that kept its labels has nothing to fade: they are the ones on show.
  const auto same = [](const std::weak_ptr<View>& a, const std::weak_ptr<View>& b) { return a.lock() == b.lock(); };
  if (std::equal(fadeIn_.begin(), fadeIn_.end(), fadeOut_.begin(),
                 fadeOut_.end(), same)) {
    return;
  }
  std::vector<std::shared_ptr<View>> incoming, outgoing;
  for (const auto& weak : fadeIn_) {
    if (auto label = weak.lock()) {
      label->setAlpha(0);
      incoming.push_back(label);
    }
  }
  for (const auto& weak : fadeOut_) {
    if (auto label = weak.lock()) outgoing.push_back(label);
  }
  fadeOut_ = fadeIn_;
  View::animate(0.2, 0, platform::ui::AnimationOptionCurveLinear, [&incoming, &outgoing, content] {
    for (const auto& label : outgoing) label->setAlpha(0);
    for (const auto& label : incoming) label->setAlpha(1);
    content->layoutIfNeeded();
  }, [gone = std::vector<std::weak_ptr<View>>(outgoing.begin(), outgoing.end())](bool) {
    for (const auto& weak : gone) {
      if (auto label = weak.lock()) label->removeFromSuperview();
    }
  });
}

}  // namespace app::main
