#pragma once

#include <string>

namespace ostrel::testing {

// Copies the folder `from` into `to` (made when missing) as a process killed at this moment would
// leave it: entry by entry, links as links, FIFOs as FIFOs. An entry that vanishes while it is walked
// (a temporary renamed into place, a journal deleted at its commit) is left out, as the kill would have
// found it gone; any other failure throws std::filesystem::filesystem_error. Only an idle container
// copies exactly: a file written in place meanwhile is copied as far as it was read, so a test stops
// or drains whatever writes there before it copies.
void copyAsAKillLeavesIt(const std::string& from, const std::string& to);

}  // namespace ostrel::testing
