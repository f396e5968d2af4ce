#pragma once

#include <memory>
#include <string>

#include "platform/ui/Button.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/TextField.h"

namespace platform::ui {

class SearchBar;

// All optional.
class SearchBarDelegate {
 public:
  virtual ~SearchBarDelegate() = default;
  virtual bool searchBarShouldBeginEditing(SearchBar&) { return true; }
  virtual void searchBarTextDidBeginEditing(SearchBar&) {}
  // After every edit typed into the bar (not after setText).
  virtual void searchBarTextDidChange(SearchBar&, const std::string& searchText) {}
  virtual void searchBarSearchButtonClicked(SearchBar&) {}
  virtual void searchBarCancelButtonClicked(SearchBar&) {}
  virtual void searchBarTextDidEndEditing(SearchBar&) {}
};

// A search field with an optional Cancel button beside it. Typing goes to its text field; the
// keyboard's return key is the search button.
class SearchBar : public View {
 public:
  static constexpr double kHeight = 56;

  ~SearchBar() override;

  std::string text() const { return field_->text(); }
  void setText(const std::string& text) { field_->setText(text); }
  const std::string& placeholder() const { return field_->placeholder(); }
  void setPlaceholder(const std::string& placeholder) { field_->setPlaceholder(placeholder); }
  const std::shared_ptr<TextField>& searchTextField() const { return field_; }
  const std::shared_ptr<Button>& cancelButton() const { return cancel_; }
  bool showsCancelButton() const { return showsCancel_; }
  void setShowsCancelButton(bool shows, bool animated = false);

  void setDelegate(SearchBarDelegate* delegate) { delegate_.set(delegate); }
  void setDelegate(const std::shared_ptr<SearchBarDelegate>& delegate) { delegate_.set(delegate); }
  SearchBarDelegate* delegate() const { return delegate_.get(); }

  // The bar edits through its field: these hand the role to it and take it back.
  bool becomeFirstResponder() { return field_->becomeFirstResponder(); }
  bool resignFirstResponder() { return field_->resignFirstResponder(); }
  bool isFirstResponder() const { return field_->isFirstResponder(); }

  Size sizeThatFits(Size size) const override { return {size.width, kHeight}; }

 protected:
  explicit SearchBar(const Rect& frame = {});
  void layoutSubviews() override;
  void tintColorDidChange() override;

 private:
  class Field;
  class FieldDelegate;
  void textChanged();
  void cancelPressed();

  std::shared_ptr<TextField> field_;
  std::unique_ptr<FieldDelegate> fieldDelegate_;
  std::shared_ptr<Button> cancel_;
  bool showsCancel_ = false;
  DelegateRef<SearchBarDelegate> delegate_;
};

}  // namespace platform::ui
