#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace app::optics {

// The angles of view of one built-in device camera.
struct CameraParameter {
  double VerticalViewAngle = 0.0;    // degrees
  double HorizontalViewAngle = 0.0;  // degrees
  double FocalLength = 0.0;          // mm

  CameraParameter() = default;
  CameraParameter(double vertical, double horizontal, double focalLength)
      : VerticalViewAngle(vertical), HorizontalViewAngle(horizontal), FocalLength(focalLength) {}
};

// Readable model names for hardware model identifiers ("iPhone9,4" is "iPhone 7 Plus"), and the built-in
// cameras' angles of view per model.
class UIDeviceHardware {
 public:
  // The machine field of uname ("x86_64" on a desktop).
  static std::string platform();
  // The model name of this machine; none when its identifier is not in the table.
  static std::optional<std::string> platformString();
  // The model name of an identifier (exact, case-sensitive match); none when unknown.
  static std::optional<std::string> platformString(std::string_view identifier);
  // How many identifiers the table knows.
  static size_t knownIdentifierCount();

  // Camera angles of the model named (this machine's when no name is given); none when the model is not listed.
  static std::optional<CameraParameter> getCameraParameter4Device();
  static std::optional<CameraParameter> getTeleCameraParameter4Device();
  static std::optional<CameraParameter> getUltraWideCameraParameter4Device();
  static std::optional<CameraParameter> cameraParameter(std::string_view modelName);
  static std::optional<CameraParameter> teleCameraParameter(std::string_view modelName);
  static std::optional<CameraParameter> ultraWideCameraParameter(std::string_view modelName);

  static CameraParameter getDefaultParameter();
  static CameraParameter getDefaultTeleParameter();
  static CameraParameter getDefaultUltraWideCameraParameter4Device();
};

}  // namespace app::optics

