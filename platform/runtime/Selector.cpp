#include "platform/runtime/Selector.h"

#include <mutex>
#include <set>
#include <vector>

#include "platform/runtime/Class.h"

namespace platform::runtime {
namespace {

// Both stores live for the process: their contents are referred to by raw pointers from every cache.
struct Store {
  std::mutex mutex;
  std::set<std::string, std::less<>> names;
  std::vector<std::unique_ptr<Implementation>> implementations;
};

Store& store() {
  static auto* instance = new Store;
  return *instance;
}

}  // namespace

std::string_view internSelectorName(std::string_view name) {
  auto& s = store();
  std::lock_guard lock(s.mutex);
  return *s.names.emplace(name).first;
}

namespace detail {

IMP keepForever(std::unique_ptr<Implementation> imp) {
  auto& s = store();
  std::lock_guard lock(s.mutex);
  s.implementations.push_back(std::move(imp));
  return s.implementations.back().get();
}

void throwWrongReceiver(const Object& receiver, const char* expectedType) {
  throw foundation::Exception("NSInvalidArgumentException", "a method for C++ type " + std::string(expectedType) +
                                                                " was sent to " + receiver.defaultDescription());
}

}  // namespace detail
}  // namespace platform::runtime
