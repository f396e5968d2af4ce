#pragma once

#include <memory>

#include "app/state/FramesObject.h"

namespace app::pages {

// The app-wide state as the pages read it at the moment of use: the application delegate's, which is the
// one shared state object; never kept by a page.
std::shared_ptr<state::FramesObject> framesObject();

}  // namespace app::pages

