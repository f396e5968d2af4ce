#pragma once

#include <memory>

#include "app/kit/CustomButton.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"

namespace app::setup {

// The lens-adapter picker's views: the top bar (title, exit), the bar under it (create, or the open
// form's title, cancel and save), the form for an adapter of the person's own and the adapter list.
struct LensAdapterViews {
  std::shared_ptr<platform::ui::View> topBar, secondBar, customAdapterView, anamorphicRow, anamorphicBox;
  std::shared_ptr<platform::ui::Label> topBarTitleLabel, filterBarTitleLabel, customAdapterNameLabel,
      customAdapterFactorLabel, anamorphicLabel;
  std::shared_ptr<platform::ui::TextField> adapterNameField, adapterValueField;
  std::shared_ptr<kit::CustomButton> createNewBtn, saveBtn;
  std::shared_ptr<platform::ui::Button> exitBtn, searchCancelBtn, anamorphicBtn;
  std::shared_ptr<platform::ui::ImageView> anamorphicCheck;
  std::shared_ptr<platform::ui::TableView> adapterTableView;
};

}  // namespace app::setup
