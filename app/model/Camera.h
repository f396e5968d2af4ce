#pragma once

#include <string>

namespace app::model {

// One camera (maker and model), a row of the format catalogue's camera table.
struct Camera {
  int manufacturerId = 0;
  int origin = 0;  // 1 for a camera the user made, 0 for the built-in catalogue
  std::string model;
  std::string manufacturer;
  std::string type;  // the catalogue's kind text, "Cine" or "Photo"

  Camera() = default;
  Camera(int manufacturerId, std::string manufacturer, std::string model, std::string type, int origin);

  // "<maker> <model>"
  std::string getListString() const;
};

}  // namespace app::model

