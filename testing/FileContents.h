#pragma once

#include <string>
#include <vector>

namespace ostrel::testing {

// The whole of the file at `path` as bytes; empty when it cannot be read (a test then fails on what it
// expected to find, which says more than an exception would).
std::string contentsOf(const std::string& path);

// The copies of `path` kept aside as damaged ("<name>.damaged-<date>..."), in `folder` (by default the
// file's own), oldest first; their SQLite companions ("-wal", "-shm", "-journal") are left out.
std::vector<std::string> damagedCopiesOf(const std::string& path, const std::string& folder = {});

// The file of the keychain item of `account` in the container at `container`; empty when there is none.
std::string keychainItemOf(const std::string& container, const std::string& account);

// Writes `bytes` random bytes over the file at `path` from `offset` on, as a disk error leaves it; the
// same bytes for the same `seed` on every run, so a damage case stays the case it was written for.
void overwriteWithNoise(const std::string& path, long long offset, int bytes, unsigned seed);

}  // namespace ostrel::testing
