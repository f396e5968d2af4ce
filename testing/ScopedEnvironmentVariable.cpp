#include "testing/ScopedEnvironmentVariable.h"

#include <cstdlib>

namespace ostrel::testing {

namespace {

void setVariable(const std::string& name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

}  // namespace

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string name, std::optional<std::string> value)
    : name_(std::move(name)) {
  if (const char* found = std::getenv(name_.c_str())) previous_ = found;
  setVariable(name_, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() { setVariable(name_, previous_); }

}  // namespace ostrel::testing
