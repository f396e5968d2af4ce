#pragma once

#include <memory>

#include "platform/graphics/Geometry.h"

namespace platform::graphics {

class Context;
class Image;

// The current-context stack. Outside a drawing pass there is no current context and currentContext()
// is null, and the null-safe drawing calls of Context.h then do nothing.
Context* currentContext();
void pushContext(Context* context);
void popContext();

// Pixels per point of the device screen; an image context asked for scale 0 takes it.
inline constexpr double kScreenScale = 2;

// Image contexts: a bitmap context pushed as current until ended.
void beginImageContext(Size size, bool opaque, double scale);
std::shared_ptr<Image> imageFromCurrentImageContext();
void endImageContext();

}  // namespace platform::graphics
