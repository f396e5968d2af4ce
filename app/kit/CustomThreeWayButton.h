#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/View.h"

namespace app::kit {

// A three-segment selector; like the radio it keeps no choice of its own: the screen paints it.
class CustomThreeWayButton : public platform::ui::View {
 public:
  void firstBtnHighlighted();
  void secondBtnHighlighted();
  void thirdBtnHighlighted();
  void firstBtnSelected();
  void secondBtnSelected();
  void thirdBtnSelected();

  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<platform::ui::Button>& firstBtn() const { return firstBtn_; }
  const std::shared_ptr<platform::ui::Button>& secondBtn() const { return secondBtn_; }
  const std::shared_ptr<platform::ui::Button>& thirdBtn() const { return thirdBtn_; }

 protected:
  explicit CustomThreeWayButton(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  void choose(const platform::ui::Button& chosen);

  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::Button> firstBtn_;
  std::shared_ptr<platform::ui::Button> secondBtn_;
  std::shared_ptr<platform::ui::Button> thirdBtn_;
};

}  // namespace app::kit

