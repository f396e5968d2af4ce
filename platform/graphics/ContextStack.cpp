#include "platform/graphics/ContextStack.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include "platform/graphics/BitmapContext.h"
#include "platform/log/Log.h"

namespace platform::graphics {

namespace {

// Per thread, like the drawing passes that push them.
thread_local std::vector<Context*> contextStack;
thread_local std::vector<std::unique_ptr<BitmapContext>> imageContexts;

}  // namespace

Context* currentContext() { return contextStack.empty() ? nullptr : contextStack.back(); }

void pushContext(Context* context) { contextStack.push_back(context); }

void popContext() {
  if (!contextStack.empty()) contextStack.pop_back();
}

void beginImageContext(Size size, bool opaque, double scale) {
  if (!(scale > 0)) scale = kScreenScale;
  auto ctx = BitmapContext::create(size, scale, opaque);
  if (!ctx) {
    platform::log::write(platform::log::Error, "image context of an empty or oversized size; drawing is ignored");
  }
  pushContext(ctx.get());  // a null entry keeps begin and end balanced
  imageContexts.push_back(std::move(ctx));
}

std::shared_ptr<Image> imageFromCurrentImageContext() {
  if (imageContexts.empty() || !imageContexts.back() || currentContext() != imageContexts.back().get()) {
    return nullptr;
  }
  return imageContexts.back()->makeImage();
}

void endImageContext() {
  if (imageContexts.empty()) return;
  // Normally on top; if drawing code pushed a context after it and has not popped it yet, the entry is
  // taken out from below, so the stack never keeps a pointer to the context about to be freed.
  Context* ending = imageContexts.back().get();
  auto it = std::find(contextStack.rbegin(), contextStack.rend(), ending);
  if (it != contextStack.rend()) contextStack.erase(std::next(it).base());
  imageContexts.pop_back();
}

}  // namespace platform::graphics
