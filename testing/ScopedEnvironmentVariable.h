#pragma once

#include <optional>
#include <string>

namespace ostrel::testing {

// Sets an environment variable (or removes it, given no value) for the object's lifetime, then puts
// back what the process had: the value it had, or no variable at all. Tests in one program share the
// environment, so one that leaves a variable behind changes the next one's run.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(std::string name, std::optional<std::string> value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace ostrel::testing
