#include "platform/store/AdNetwork.h"

#include <atomic>

namespace platform::store {
namespace {

std::atomic<std::uint64_t> registrations{0};

}  // namespace

void AdNetwork::registerAppForAdNetworkAttribution() { registrations.fetch_add(1); }

std::uint64_t AdNetwork::registrationCount() { return registrations.load(); }

}  // namespace platform::store
