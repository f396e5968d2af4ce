#pragma once

#include <memory>

#include "platform/dispatch/Queue.h"

namespace sdk::installations {

// The service every installations log line is filed under, and the prefix of the messages they carry.
inline constexpr const char* kLogService = "[Vurevore/Installations]";

// Where the installations work that may block (key generation, file and keychain reads) runs.
inline std::shared_ptr<platform::dispatch::Queue> utilityQueue() {
  return platform::dispatch::Queue::global(platform::dispatch::Queue::Priority::Low);
}

}  // namespace sdk::installations

