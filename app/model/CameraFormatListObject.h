#pragma once

#include <string>
#include <utility>

namespace app::model {

// A title and a field text, for lists.
struct CameraFormatListObject {
  std::string Title;
  std::string Field;

  CameraFormatListObject() = default;
  explicit CameraFormatListObject(std::string title, std::string field = {})
      : Title(std::move(title)), Field(std::move(field)) {}

  // Empties both texts (an ordinary method kept for its callers; destruction needs nothing of it).
  void dealloc() {
    Title.clear();
    Field.clear();
  }
};

}  // namespace app::model

