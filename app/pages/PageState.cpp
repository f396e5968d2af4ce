#include "app/pages/PageState.h"

#include "app/state/AppDelegate.h"

namespace app::pages {

std::shared_ptr<state::FramesObject> framesObject() {
  if (auto delegate = state::AppDelegate::shared()) {
    if (auto state = delegate->getFramesObject()) return state;
  }
  return state::FramesObject::getSingleton();
}

}  // namespace app::pages

