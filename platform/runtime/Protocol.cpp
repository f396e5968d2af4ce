#include "platform/runtime/Protocol.h"

#include <map>
#include <mutex>

namespace platform::runtime {
namespace {

struct ProtocolRegistry {
  std::mutex mutex;
  std::map<std::string, Protocol*, std::less<>> byName;
};

ProtocolRegistry& protocolRegistry() {
  static auto* instance = new ProtocolRegistry;  // protocols outlive every static destructor
  return *instance;
}

}  // namespace

Protocol::Protocol(std::string name, std::vector<ProtocolMethod> methods, std::vector<const Protocol*> inherited)
    : name_(std::move(name)), methods_(std::move(methods)), inherited_(std::move(inherited)) {}

Protocol* Protocol::named(std::string_view name) {
  auto& r = protocolRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.byName.find(name);
  return it == r.byName.end() ? nullptr : it->second;
}

Protocol* Protocol::define(std::string_view name, std::vector<ProtocolMethod> methods,
                           std::vector<const Protocol*> inherited) {
  if (name.empty()) return nullptr;
  auto& r = protocolRegistry();
  std::lock_guard lock(r.mutex);
  if (r.byName.contains(name)) return nullptr;
  auto* protocol = new Protocol(std::string(name), std::move(methods), std::move(inherited));
  r.byName.emplace(protocol->name_, protocol);
  return protocol;
}

Protocol* Protocol::obtain(std::string_view name, std::vector<ProtocolMethod> methods,
                           std::vector<const Protocol*> inherited) {
  if (Protocol* defined = define(name, std::move(methods), std::move(inherited))) return defined;
  return named(name);
}

bool Protocol::conformsTo(const Protocol* other) const {
  if (!other) return false;
  if (other == this) return true;
  for (const Protocol* parent : inherited_) {
    if (parent && parent->conformsTo(other)) return true;
  }
  return false;
}

std::optional<ProtocolMethod> Protocol::method(std::string_view selector, bool instanceMethod) const {
  for (const auto& m : methods_) {
    if (m.selector == selector && m.instanceMethod == instanceMethod) return m;
  }
  for (const Protocol* parent : inherited_) {
    if (!parent) continue;
    if (auto found = parent->method(selector, instanceMethod)) return found;
  }
  return std::nullopt;
}

}  // namespace platform::runtime
