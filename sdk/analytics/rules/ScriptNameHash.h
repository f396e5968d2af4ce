#pragma once

#include <cstddef>
#include <string_view>

namespace sdk::analytics {

// The hash of the names that scopes and objects index. Programs arrive from a server and name their
// variables and properties as they like: with a hash anyone can compute, a program could pick
// thousands of names of one hash and make every lookup scan them all. This one is keyed with
// random bytes drawn once per process, so a program cannot know which names collide.
class ScriptNameHash {
 public:
  static std::size_t of(std::u16string_view name);
};

}  // namespace sdk::analytics
