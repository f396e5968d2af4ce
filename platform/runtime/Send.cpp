#include "platform/runtime/Send.h"

#include <string>

#include "platform/foundation/Exception.h"
#include "platform/log/Log.h"

namespace platform::runtime::detail {
namespace {

std::string receiverText(const Object& receiver) {
  // A message to a class object reaches its metaclass; say which kind of receiver it was.
  const bool isClass = receiver.getClass()->isMetaclass();
  return std::string(isClass ? "class " : "instance ") + receiver.defaultDescription();
}

std::string mismatchText(const Object& receiver, std::string_view selector, IMP imp, const char* expected) {
  return "method " + std::string(selector) + " of " + receiverText(receiver) + " takes " + imp->signatureName() +
         ", called as " + expected;
}

}  // namespace

void throwUnrecognized(const Object& receiver, std::string_view selector) {
  throw foundation::Exception("NSInvalidArgumentException",
                              "unrecognized selector " + std::string(selector) + " sent to " + receiverText(receiver));
}

void throwMismatch(const Object& receiver, std::string_view selector, IMP imp, const char* expected) {
  throw foundation::Exception("NSInvalidArgumentException", mismatchText(receiver, selector, imp, expected));
}

void logMismatch(const Object& receiver, std::string_view selector, IMP imp, const char* expected) {
  log::write(log::Error, mismatchText(receiver, selector, imp, expected));
}

}  // namespace platform::runtime::detail
