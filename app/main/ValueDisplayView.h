#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Value.h"
#include "platform/ui/Button.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Toolbar.h"

namespace app::main {

class ValueDisplayView;

// What a value display tells the main screen when the person typed a value; the sender tells the two
// displays apart. The keyboard calls are the main screen's own, sent from its keyboard observers.
class ValueDisplayViewDelegate {
 public:
  virtual ~ValueDisplayViewDelegate() = default;
  virtual void setAperture(float fNumber, ValueDisplayView& sender) = 0;
  virtual void setDistance(float meters, ValueDisplayView& sender) = 0;
  virtual void setFocalLength(float focalLength, ValueDisplayView& sender) = 0;
  virtual void valueDisplayKeyboardAnimationShow(const platform::foundation::Value& duration,
                                                 const platform::ui::Rect& keyboardRect, bool isSecondCamera) {}
  virtual void valueDisplayKeyboardAnimationHide(const platform::foundation::Value& duration) {}
};

// The strip under the scroll bars that shows one package's focal length, aperture and focus distance,
// each of which can be typed anew. Which values show depends on the page (makeDOF, makeFOV,
// makeLensMatch).
class ValueDisplayView : public platform::ui::View, public platform::ui::TextFieldDelegate {
 public:
  static constexpr int kMaxCharacters = 7;

  bool isSecondCamera = false;
  void setDelegate(ValueDisplayViewDelegate* delegate) { delegate_.set(delegate); }
  void setDelegate(const std::shared_ptr<ValueDisplayViewDelegate>& delegate) { delegate_.set(delegate); }

  void makeDOF();
  void makeFOV();
  void makeLensMatch();
  void setFocalLength(float focalLength);
  void setAperture(float fNumber);
  void setDistance(float meters);
  void focalLengthBecomeFirstResponder();
  void distanceBecomeFirstResponder();
  void apertureBecomeFirstResponder();
  void bindUIPickerAndLabel();
  void addKeyboardToolBarButtons();
  void cancelEdit();

  // The f-stop picker's data: two components, the rows of the f-stop table's two label rows.
  int numberOfComponentsInPickerView() const { return 2; }
  int numberOfRowsInComponent(int component) const;
  std::string titleForRow(int row, int component) const;

  bool textFieldShouldBeginEditing(platform::ui::TextField& textField) override;
  bool textField(platform::ui::TextField& textField, platform::ui::TextRange range,
                 const std::string& replacementString) override;
  void textFieldDidEndEditing(platform::ui::TextField& textField) override;

  float mainFocalLength() const { return mainFocalLength_; }
  float mainAperture() const { return mainAperture_; }
  float mainDistance() const { return mainDistance_; }

  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<platform::ui::Label>& focalLengthLabel() const { return focalLengthLabel_; }
  const std::shared_ptr<platform::ui::Label>& apertureLabel() const { return apertureLabel_; }
  const std::shared_ptr<platform::ui::Label>& distanceLabel() const { return distanceLabel_; }
  const std::shared_ptr<platform::ui::TextField>& focalLengthTextField() const { return focalLengthTextField_; }
  const std::shared_ptr<platform::ui::TextField>& apertureTextField() const { return apertureTextField_; }
  const std::shared_ptr<platform::ui::TextField>& distanceTextField() const { return distanceTextField_; }
  const std::shared_ptr<platform::ui::Button>& focalLengthBtn() const { return focalLengthBtn_; }
  const std::shared_ptr<platform::ui::Button>& apertureBtn() const { return apertureBtn_; }
  const std::shared_ptr<platform::ui::Button>& distanceBtn() const { return distanceBtn_; }
  const std::shared_ptr<platform::ui::Label>& keyboardBarTitleLabel() const { return keyboardBarTitleLabel_; }
  const std::shared_ptr<platform::ui::Toolbar>& keyboardBar() const { return keyboardBar_; }
  platform::ui::LayoutConstraint& focalLengthCenterXConstraint() { return focalLengthCenterX_; }
  platform::ui::LayoutConstraint& apertureCenterXConstraint() { return apertureCenterX_; }
  platform::ui::LayoutConstraint& distanceCenterXConstraint() { return distanceCenterX_; }

 protected:
  explicit ValueDisplayView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  struct Column;
  void customInit();
  void arrange(const double alphas[3], const double offsets[3], const bool enabled[3]);
  void beginEditing(platform::ui::TextField& field);

  float mainFocalLength_ = 0;
  float mainAperture_ = 0;
  float mainDistance_ = 0;
  bool cancelEdit_ = false;
  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::Label> focalLengthLabel_, apertureLabel_, distanceLabel_;
  std::shared_ptr<platform::ui::TextField> focalLengthTextField_, apertureTextField_, distanceTextField_;
  std::shared_ptr<platform::ui::Button> focalLengthBtn_, apertureBtn_, distanceBtn_;
  std::shared_ptr<platform::ui::Label> keyboardBarTitleLabel_;
  std::shared_ptr<platform::ui::Toolbar> keyboardBar_;
  platform::ui::LayoutConstraint focalLengthCenterX_, apertureCenterX_, distanceCenterX_;
  platform::ui::DelegateRef<ValueDisplayViewDelegate> delegate_;
};

}  // namespace app::main

