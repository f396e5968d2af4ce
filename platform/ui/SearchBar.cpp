#include "platform/ui/SearchBar.h"

namespace platform::ui {

namespace {
constexpr double kMargin = 8;
constexpr double kFieldHeight = 36;
}  // namespace

// The bar's text field: it tells the bar after every typed change, which a should-change question
// (asked before the edit) cannot.
class SearchBar::Field : public TextField {
 public:
  explicit Field(SearchBar& bar) : bar_(&bar) {}
  void detach() { bar_ = nullptr; }
  void insertText(const std::string& text) override {
    std::string before = this->text();
    TextField::insertText(text);
    if (bar_ && this->text() != before) bar_->textChanged();
  }
  void deleteBackward() override {
    std::string before = text();
    TextField::deleteBackward();
    if (bar_ && text() != before) bar_->textChanged();
  }

 private:
  SearchBar* bar_;  // the bar that owns this field; cleared if the field outlives it
};

class SearchBar::FieldDelegate : public TextFieldDelegate {
 public:
  explicit FieldDelegate(SearchBar& bar) : bar_(bar) {}
  bool textFieldShouldBeginEditing(TextField&) override {
    auto d = bar_.delegate_.lock();
    return !d || d->searchBarShouldBeginEditing(bar_);
  }
  void textFieldDidBeginEditing(TextField&) override {
    if (auto d = bar_.delegate_.lock()) d->searchBarTextDidBeginEditing(bar_);
  }
  void textFieldDidEndEditing(TextField&) override {
    if (auto d = bar_.delegate_.lock()) d->searchBarTextDidEndEditing(bar_);
  }
  bool textFieldShouldReturn(TextField&) override {
    if (auto d = bar_.delegate_.lock()) d->searchBarSearchButtonClicked(bar_);
    return false;
  }

 private:
  SearchBar& bar_;  // owns this delegate
};

SearchBar::SearchBar(const Rect& frame) : View(frame) {
  field_ = make<Field>(*this);
  fieldDelegate_ = std::make_unique<FieldDelegate>(*this);
  field_->setDelegate(fieldDelegate_.get());
  field_->setReturnKeyType(ReturnKeyType::Search);
  field_->setBorderStyle(TextBorderStyle::RoundedRect);
  field_->setBackgroundColor(Color::withWhite(0.93, 1));
  addSubview(field_);
  cancel_ = make<Button>(ButtonType::System);
  cancel_->setTitle("Cancel");
  cancel_->setHidden(true);
  cancel_->addTarget(this, &SearchBar::cancelPressed, ControlEvent::TouchUpInside);
  addSubview(cancel_);
}

SearchBar::~SearchBar() {
  // Someone may still hold the field: it must not call back into a bar that is gone.
  field_->setDelegate(static_cast<TextFieldDelegate*>(nullptr));
  static_cast<Field&>(*field_).detach();
}

void SearchBar::setShowsCancelButton(bool shows, bool) {
  showsCancel_ = shows;
  cancel_->setHidden(!shows);
  setNeedsLayout();
}

void SearchBar::textChanged() {
  if (auto d = delegate_.lock()) d->searchBarTextDidChange(*this, field_->text());
}

void SearchBar::cancelPressed() {
  if (auto d = delegate_.lock()) d->searchBarCancelButtonClicked(*this);
}

void SearchBar::tintColorDidChange() { setNeedsLayout(); }

void SearchBar::layoutSubviews() {
  Rect b = bounds();
  double cancelWidth = showsCancel_ ? cancel_->sizeThatFits({0, 0}).width : 0;
  double fieldWidth = b.width() - 2 * kMargin - (showsCancel_ ? cancelWidth + kMargin : 0);
  double y = b.minY() + (b.height() - kFieldHeight) / 2;
  field_->setFrame({b.minX() + kMargin, y, std::max(0.0, fieldWidth), kFieldHeight});
  cancel_->setFrame({b.maxX() - kMargin - cancelWidth, y, cancelWidth, kFieldHeight});
}

}  // namespace platform::ui
