#include "platform/ui/Button.h"

namespace platform::ui {

namespace {

constexpr double kTitlePaddingX = 8;
constexpr double kTitlePaddingY = 6;

std::uint32_t key(ControlState state) { return static_cast<std::uint32_t>(state); }

}  // namespace

Button::Button(ButtonType type, const Rect& frame) : Control(frame), type_(type) {
  titleLabel_ = make<Label>(bounds());
  titleLabel_->setTextAlignment(TextAlignment::Center);
  titleLabel_->setFont(Font::systemFont(15));
  addSubview(titleLabel_);
  updateTitle();
}

template <class V>
std::optional<V> Button::lookup(const std::map<std::uint32_t, V>& values, ControlState state) {
  if (auto it = values.find(key(state)); it != values.end()) return it->second;
  if (auto it = values.find(key(ControlState::Normal)); it != values.end()) return it->second;
  return std::nullopt;
}

void Button::setTitle(std::optional<std::string> title, ControlState state) {
  if (title) {
    titles_[key(state)] = std::move(*title);
  } else {
    titles_.erase(key(state));
  }
  updateTitle();
}

std::optional<std::string> Button::titleForState(ControlState state) const { return lookup(titles_, state); }

void Button::setAttributedTitle(std::optional<AttributedString> title, ControlState state) {
  if (title) {
    attributedTitles_[key(state)] = std::move(*title);
  } else {
    attributedTitles_.erase(key(state));
  }
  updateTitle();
}

std::optional<AttributedString> Button::attributedTitleForState(ControlState state) const {
  return lookup(attributedTitles_, state);
}

void Button::setTitleColor(std::optional<Color> color, ControlState state) {
  if (color) {
    titleColors_[key(state)] = *color;
  } else {
    titleColors_.erase(key(state));
  }
  updateTitle();
}

Color Button::titleColorForState(ControlState state) const {
  if (auto it = titleColors_.find(key(state)); it != titleColors_.end()) return it->second;
  Color normal = type_ == ButtonType::System ? tintColor() : Color::whiteColor();
  if (auto it = titleColors_.find(key(ControlState::Normal)); it != titleColors_.end()) normal = it->second;
  if (type_ != ButtonType::System) return normal;
  // A system button dims its title while pressed and greys it out while disabled.
  if (state & ControlState::Disabled) return Color::withWhite(0.6, 1);
  if (state & ControlState::Highlighted) return normal.withAlpha(normal.alpha() * 0.2);
  return normal;
}

std::string Button::currentTitle() const {
  if (auto attributed = currentAttributedTitle()) return attributed->string();
  return titleForState(state()).value_or("");
}

void Button::updateTitle() {
  if (!titleLabel_) return;
  ControlState s = state();
  if (auto attributed = attributedTitleForState(s)) {
    titleLabel_->setTextColor(titleColorForState(s));
    titleLabel_->setAttributedText(*attributed);
  } else {
    titleLabel_->setText(titleForState(s).value_or(""));
    titleLabel_->setTextColor(titleColorForState(s));
  }
  setNeedsLayout();
}

Size Button::sizeThatFits(Size) const {
  Size title = titleLabel_->sizeThatFits({0, 0});
  return {title.width + 2 * kTitlePaddingX, title.height + 2 * kTitlePaddingY};
}

void Button::layoutSubviews() { titleLabel_->setFrame(bounds()); }

}  // namespace platform::ui
