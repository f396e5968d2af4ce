#pragma once

#include "sdk/utilities/UserDefaultsStore.h"

namespace sdk::analytics {

// One user-defaults suite (the standard one, or one by name), as analytics keeps its settings in:
// the SDK's preferences store itself, whose changes reach the disk shortly after (or on
// synchronize()). Integers, booleans and doubles are stored as what they are.
using UserDefaultsSuite = sdk::utilities::UserDefaultsStore;

}  // namespace sdk::analytics
