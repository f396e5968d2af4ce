#include "app/setup/SetupScreenController.h"

#include "app/kit/UIConstants.h"
#include "app/pages/PageContentView.h"
#include "platform/ui/Make.h"

namespace app::setup {

void SetupScreenController::loadView() {
  auto root = platform::ui::make<app::pages::PageContentView>();
  root->setBackgroundColor(kit::UIConstants::primaryBG());
  buildViews(*root);
  // The root outlives no screen it lays out: it holds the screen weakly.
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  root->setLayout([weak] {
    if (auto screen = std::static_pointer_cast<SetupScreenController>(weak.lock())) screen->layOutViews();
  });
  setView(root);
}

}  // namespace app::setup
