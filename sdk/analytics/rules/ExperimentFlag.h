#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

class ProtoFlag;

// A flag message from a name and a number or string value: strings in field 3, reals in field 4 as
// doubles, other numbers (booleans too) in field 2 as 64-bit integers. Nothing, logged, for a
// missing or non-string name or another kind of value.
std::shared_ptr<ProtoFlag> experimentFlagFromNameAndValue(const platform::foundation::Value& name,
                                                    const platform::foundation::Value& value);

// The flag's value: the first present of integer, double, string and boolean; nil when none.
platform::foundation::Value experimentFlagValue(const ProtoFlag* flag);

// The flag's name (field 1), empty when absent.
std::string experimentFlagName(const ProtoFlag& flag);

}  // namespace sdk::analytics

