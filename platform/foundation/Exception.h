#pragma once

#include <stdexcept>
#include <string>

namespace platform::foundation {

// Raised for misuse by a caller (configuring twice, a bad name, an index out of range). Bad input from
// files, the network or the user is reported as an Error or an empty result instead, never as this.
class Exception : public std::runtime_error {
 public:
  Exception(std::string name, std::string reason)
      : std::runtime_error(name + ": " + reason), name_(std::move(name)), reason_(std::move(reason)) {}

  const std::string& name() const { return name_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string name_;
  std::string reason_;
};

}  // namespace platform::foundation
