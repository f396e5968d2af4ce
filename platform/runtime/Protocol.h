#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::runtime {

// One method a protocol lists.
struct ProtocolMethod {
  std::string selector;
  bool required = false;
  bool instanceMethod = true;
};

// A named list of methods that classes declare they adopt. Protocols are never freed.
class Protocol {
 public:
  static Protocol* named(std::string_view name);
  // Registers a protocol; nullptr when the name is taken or empty. `inherited` protocols are adopted too
  // by every class that adopts this one.
  static Protocol* define(std::string_view name, std::vector<ProtocolMethod> methods = {},
                          std::vector<const Protocol*> inherited = {});
  // The protocol of that name, defined with these contents by the first caller.
  static Protocol* obtain(std::string_view name, std::vector<ProtocolMethod> methods = {},
                          std::vector<const Protocol*> inherited = {});

  const std::string& name() const { return name_; }
  const std::vector<ProtocolMethod>& methods() const { return methods_; }
  const std::vector<const Protocol*>& inherited() const { return inherited_; }
  // This protocol or one it inherits, at any depth.
  bool conformsTo(const Protocol* other) const;
  // The description of a listed method, searched through inherited protocols as well.
  std::optional<ProtocolMethod> method(std::string_view selector, bool instanceMethod = true) const;

 private:
  Protocol(std::string name, std::vector<ProtocolMethod> methods, std::vector<const Protocol*> inherited);

  std::string name_;
  std::vector<ProtocolMethod> methods_;
  std::vector<const Protocol*> inherited_;
};

}  // namespace platform::runtime
