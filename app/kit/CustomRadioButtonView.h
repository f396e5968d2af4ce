#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/View.h"

namespace app::kit {

// A two-segment YES/NO selector without a delegate: the screen adds its own actions to the segments,
// decides and saves, then paints the state with yesSelected or noSelected.
class CustomRadioButtonView : public platform::ui::View {
 public:
  void yesBtnHighlighted();
  void noBtnHighlighted();
  void yesSelected();
  void noSelected();
  bool yesIsSelected() const { return yesSelected_; }
  bool noIsSelected() const { return noSelected_; }

  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<platform::ui::Button>& yesBtn() const { return yesBtn_; }
  const std::shared_ptr<platform::ui::Button>& noBtn() const { return noBtn_; }

 protected:
  explicit CustomRadioButtonView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::Button> yesBtn_;
  std::shared_ptr<platform::ui::Button> noBtn_;
  bool yesSelected_ = false;
  bool noSelected_ = false;
};

}  // namespace app::kit

