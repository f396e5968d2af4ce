#pragma once

#include <utility>

namespace app::storage {

// One use of a catalogue helper: opened (without reset) on construction, closed when the scope ends.
// A catalogue that did not open is falsy; its helper then reads empty values and writes nothing, and
// why it did not open has already been logged.
template <class Helper>
class OpenCatalogue {
 public:
  OpenCatalogue() : open_(helper_.openDb(false)) {}
  ~OpenCatalogue() { helper_.closeDb(); }
  OpenCatalogue(const OpenCatalogue&) = delete;
  OpenCatalogue& operator=(const OpenCatalogue&) = delete;

  explicit operator bool() const { return open_; }
  Helper* operator->() { return &helper_; }
  Helper& operator*() { return helper_; }

 private:
  Helper helper_;
  bool open_;
};

}  // namespace app::storage

