#include "app/pages/PageState.h"

#include "app/state/AppDelegate.h"

namespace app::pages {

std::shared_ptr<FramesObject> framesObject() {
  if (auto delegate = AppDelegate::shared()) {
    if (auto state = delegate->getFramesObject()) return state;
  }
  return FramesObject::getSingleton();
}

}  // namespace app::pages
