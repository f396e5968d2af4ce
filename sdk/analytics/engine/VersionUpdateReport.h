#pragma once

#include <functional>
#include <string>

namespace sdk::analytics {

// An app or OS update seen at start: a version other than the stored one is stored and, when one was
// stored before (not on the first run), reported as the internal event `eventName` carrying the
// previous version under `parameterName`.
void reportVersionChange(const std::string& current, std::string stored,
                         const std::function<void(const std::string&)>& store, const char* eventName,
                         const char* parameterName);

}  // namespace sdk::analytics

