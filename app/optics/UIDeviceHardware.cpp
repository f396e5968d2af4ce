#include "app/optics/UIDeviceHardware.h"

#include <sys/utsname.h>

#include <vector>

namespace app::optics {

namespace {

struct Model {
  std::string_view identifier;
  std::string_view name;
};

constexpr Model kModels[] = {
    {"i386", "Simulator"},
    {"iPhone1,1", "iPhone1G"},
    {"iPhone1,2", "iPhone3G"},
    {"iPhone2,1", "iPhone3GS"},
    {"iPhone3,1", "iPhone4"}, {"iPhone3,2", "iPhone4"}, {"iPhone3,3", "iPhone4"},
    {"iPhone4,1", "iPhone4S"},
    {"iPhone5,1", "iPhone 5"}, {"iPhone5,2", "iPhone 5"},
    {"iPhone5,3", "iPhone 5c"}, {"iPhone5,4", "iPhone 5c"},
    {"iPhone6,1", "iPhone 5s"}, {"iPhone6,2", "iPhone 5s"},
    {"iPhone7,1", "iPhone 6 Plus"},
    {"iPhone7,2", "iPhone 6"},
    {"iPhone8,1", "iPhone 6s"},
    {"iPhone8,2", "iPhone 6s Plus"},
    {"iPhone8,4", "iPhone SE"},
    {"iPhone9,1", "iPhone 7"}, {"iPhone9,3", "iPhone 7"},
    {"iPhone9,2", "iPhone 7 Plus"}, {"iPhone9,4", "iPhone 7 Plus"},
    {"iPhone10,1", "iPhone 8"}, {"iPhone10,4", "iPhone 8"},
    {"iPhone10,2", "iPhone 8 Plus"}, {"iPhone10,5", "iPhone 8 Plus"},
    {"iPhone10,3", "iPhone X"}, {"iPhone10,6", "iPhone X"},
    {"iPhone11,2", "iPhone XS"},
    {"iPhone11,4", "iPhone XS Max"}, {"iPhone11,6", "iPhone XS Max"},
    {"iPhone11,8", "iPhone XR"},
    {"iPhone12,1", "iPhone 11"},
    {"iPhone12,3", "iPhone 11 Pro"},
    {"iPhone12,5", "iPhone 11 Pro Max"},
    {"iPhone12,8", "iPhone SE 2020"},
    {"iPhone13,1", "iPhone 12 Mini"},
    {"iPhone13,2", "iPhone 12"},
    {"iPhone13,3", "iPhone 12 Pro"},
    {"iPhone13,4", "iPhone 12 Pro Max"},
    {"iPod1,1", "iPod1stGen"},
    {"iPod2,1", "iPod2ndGen"},
    {"iPod3,1", "iPod3rdGen"},
    {"iPod4,1", "iPod4thGen"},
    {"iPod5,1", "iPod5thGen"},
    {"iPad1,1", "iPadWiFi"},
    {"iPad1,2", "iPad3G"},
    {"iPad2,1", "iPad2"}, {"iPad2,2", "iPad2"}, {"iPad2,3", "iPad2"}, {"iPad2,4", "iPad2"},
    {"iPad2,5", "iPadMini1"}, {"iPad2,6", "iPadMini1"}, {"iPad2,7", "iPadMini1"},
    {"iPad3,1", "iPad3"}, {"iPad3,2", "iPad3"}, {"iPad3,3", "iPad3"},
    {"iPad3,4", "iPad 4th Gen."}, {"iPad3,5", "iPad 4th Gen."}, {"iPad3,6", "iPad 4th Gen."},
    {"iPad4,1", "iPad Air"}, {"iPad4,2", "iPad Air"}, {"iPad4,3", "iPad Air"},
    {"iPad4,4", "iPad mini 2"}, {"iPad4,5", "iPad mini 2"}, {"iPad4,6", "iPad mini 2"},
    {"iPad4,7", "iPad mini 3"}, {"iPad4,8", "iPad mini 3"}, {"iPad4,9", "iPad mini 3"},
    {"iPad5,1", "iPad mini 4"}, {"iPad5,2", "iPad mini 4"},
    {"iPad5,3", "iPad Air 2"}, {"iPad5,4", "iPad Air 2"},
    {"iPad6,3", "iPad Pro 9.7"}, {"iPad6,4", "iPad Pro 9.7"},
    {"iPad6,7", "iPad Pro 12.9"}, {"iPad6,8", "iPad Pro 12.9"},
    {"iPad6,11", "iPad 2017 (5th Gen)"}, {"iPad6,12", "iPad 2017 (5th Gen)"},
    {"iPad7,1", "iPad Pro 12.9 (2nd Gen)"}, {"iPad7,2", "iPad Pro 12.9 (2nd Gen)"},
    {"iPad7,3", "iPad Pro 10.5"}, {"iPad7,4", "iPad Pro 10.5"},
    {"iPad7,5", "iPad 2018 (6th Gen)"}, {"iPad7,6", "iPad 2018 (6th Gen)"},
    {"iPad7,11", "iPad 2019 (7th Gen)"}, {"iPad7,12", "iPad 2019 (7th Gen)"},
    {"iPad8,1", "iPad Pro 11"}, {"iPad8,2", "iPad Pro 11"}, {"iPad8,3", "iPad Pro 11"}, {"iPad8,4", "iPad Pro 11"},
    {"iPad8,5", "iPad Pro 12.9 (3rd Gen)"}, {"iPad8,6", "iPad Pro 12.9 (3rd Gen)"},
    {"iPad8,7", "iPad Pro 12.9 (3rd Gen)"}, {"iPad8,8", "iPad Pro 12.9 (3rd Gen)"},
    {"iPad8,9", "iPad Pro 11 (2nd Gen)"}, {"iPad8,10", "iPad Pro 11 (2nd Gen)"},
    {"iPad8,11", "iPad Pro 12.9 (4th Gen)"}, {"iPad8,12", "iPad Pro 12.9 (4th Gen)"},
    {"iPad11,1", "iPad mini (5th Gen)"}, {"iPad11,2", "iPad mini (5th Gen)"},
    {"iPad11,3", "iPad Air (3rd Gen)"}, {"iPad11,4", "iPad Air (3rd Gen)"},
    {"iPad11,6", "iPad 2020 (8th Gen)"}, {"iPad11,7", "iPad 2020 (8th Gen)"},
    {"iPad13,1", "iPad Air (4th Gen)"}, {"iPad13,2", "iPad Air (4th Gen)"},
};

struct AngleRow {
  double vertical;
  double horizontal;
  double focalLength;
  std::vector<std::string_view> names;
};

const std::vector<AngleRow>& mainCamera() {
  static const std::vector<AngleRow> rows = {
    AngleRow{34.43575, 44.9, 4.2, {"iPod4thGen"}},
    AngleRow{43.15466, 55.8, 4.2, {"iPod5thGen"}},
    AngleRow{43.32011, 56.0, 4.2, {"iPadMini1", "iPad mini 2", "iPad Air"}},
    AngleRow{44.72, 57.69, 4.2, {"iPad mini 3"}},
    AngleRow{44.71, 57.48, 4.2, {"iPad Air 2"}},
    AngleRow{33.915627, 44.250136, 4.2, {"iPad2"}},
    AngleRow{41.91746, 54.3, 4.2, {"iPad3", "iPad 4th Gen."}},
    AngleRow{38.512235058070246, 49.95037188061687, 3.85, {"iPhone3GS"}},
    AngleRow{42.43545095962658, 54.928970285077455, 3.85, {"iPhone4"}},
    AngleRow{43.0084137530039, 55.428322902899524, 4.28, {"iPhone4S"}},
    AngleRow{43.35465036843378, 55.8459812570565, 4.13, {"iPhone 5"}},
    AngleRow{47.38684044298607, 60.664643796381085, 4.12, {"iPhone 5s"}},
    AngleRow{43.63, 56.18, 4.1, {"iPhone 5c"}},
    AngleRow{46.47, 59.58, 4.12, {"iPhone 6", "iPhone 6 Plus"}},
    AngleRow{47.0, 60.2, 4.12, {"iPhone 6s", "iPhone 6s Plus", "iPad Pro 9.7", "iPhone SE"}},
    AngleRow{45.29, 58.17, 4.12, {"iPad mini 4"}},
    AngleRow{44.84, 57.63, 4.12, {"iPad Pro 12.9"}},
    AngleRow{44.33, 57.02, 4.12,
             {"iPad 2017 (5th Gen)", "iPad 2018 (6th Gen)", "iPad mini (5th Gen)", "iPad Air (3rd Gen)",
              "iPad 2019 (7th Gen)", "iPad 2020 (8th Gen)"}},
    AngleRow{48.6, 62.1, 4.12,
             {"iPad Pro 12.9 (2nd Gen)", "iPad Pro 10.5", "iPhone 7", "iPhone 7 Plus", "iPhone 8", "iPhone 8 Plus",
              "iPhone SE 2020"}},
    AngleRow{48.08, 61.43, 4.12, {"iPad Pro 11"}},
    AngleRow{48.39, 61.85, 4.12, {"iPad Pro 12.9 (3rd Gen)"}},
    AngleRow{48.79, 62.32, 4.12, {"iPhone X"}},
    AngleRow{51.71, 65.74, 4.12,
             {"iPhone XS", "iPhone XS Max", "iPhone XR", "iPhone 11", "iPhone 11 Pro", "iPhone 11 Pro Max",
              "iPhone 12", "iPhone 12 Mini", "iPhone 12 Pro", "iPhone 12 Pro Max"}},
    AngleRow{48.73, 62.25, 4.12, {"iPad Pro 11 (2nd Gen)", "iPad Pro 12.9 (4th Gen)", "iPad Air (4th Gen)"}},
  };
  return rows;
}

const std::vector<AngleRow>& teleCamera() {
  static const std::vector<AngleRow> rows = {
    AngleRow{25.65, 33.77, 4.12, {"iPhone 7 Plus", "iPhone 8 Plus"}},
    AngleRow{27.92, 36.67, 4.12, {"iPhone X"}},
    AngleRow{27.86, 36.6, 4.12, {"iPhone XS", "iPhone XS Max"}},
    AngleRow{27.55, 36.2, 4.12, {"iPhone 11 Pro", "iPhone 11 Pro Max"}},
    AngleRow{27.4, 36.0, 4.12, {"iPhone 12 Pro"}},
    AngleRow{22.73, 30.0, 4.12, {"iPhone 12 Pro Max"}},
  };
  return rows;
}

const std::vector<AngleRow>& ultraWideCamera() {
  static const std::vector<AngleRow> rows = {
    AngleRow{85.86, 102.25, 4.12,
             {"iPhone 11", "iPhone 11 Pro", "iPhone 11 Pro Max", "iPad Pro 11 (2nd Gen)", "iPad Pro 12.9 (4th Gen)",
              "iPhone 12", "iPhone 12 Mini", "iPhone 12 Pro", "iPhone 12 Pro Max"}},
  };
  return rows;
}

// Every row is looked at and a later match replaces an earlier one.
std::optional<CameraParameter> lookUp(const std::vector<AngleRow>& rows, std::string_view name) {
  std::optional<CameraParameter> found;
  for (const AngleRow& row : rows) {
    for (std::string_view candidate : row.names) {
      if (candidate == name) found = CameraParameter(row.vertical, row.horizontal, row.focalLength);
    }
  }
  return found;
}

std::optional<CameraParameter> lookUpThisDevice(const std::vector<AngleRow>& rows) {
  std::optional<std::string> name = UIDeviceHardware::platformString();
  if (!name) return std::nullopt;
  return lookUp(rows, *name);
}

// The defaults' angles were single-precision constants.
CameraParameter singlePrecisionAngles(float vertical, float horizontal, double focalLength) {
  return {vertical, horizontal, focalLength};
}

}  // namespace

std::string UIDeviceHardware::platform() {
  struct utsname system {};
  if (uname(&system) != 0) return {};
  return system.machine;
}

std::optional<std::string> UIDeviceHardware::platformString() { return platformString(platform()); }

std::optional<std::string> UIDeviceHardware::platformString(std::string_view identifier) {
  for (const Model& model : kModels) {
    if (model.identifier == identifier) return std::string(model.name);
  }
  return std::nullopt;
}

size_t UIDeviceHardware::knownIdentifierCount() { return std::size(kModels); }

std::optional<CameraParameter> UIDeviceHardware::getCameraParameter4Device() { return lookUpThisDevice(mainCamera()); }

std::optional<CameraParameter> UIDeviceHardware::getTeleCameraParameter4Device() {
  return lookUpThisDevice(teleCamera());
}

std::optional<CameraParameter> UIDeviceHardware::getUltraWideCameraParameter4Device() {
  return lookUpThisDevice(ultraWideCamera());
}

std::optional<CameraParameter> UIDeviceHardware::cameraParameter(std::string_view modelName) {
  return lookUp(mainCamera(), modelName);
}

std::optional<CameraParameter> UIDeviceHardware::teleCameraParameter(std::string_view modelName) {
  return lookUp(teleCamera(), modelName);
}

std::optional<CameraParameter> UIDeviceHardware::ultraWideCameraParameter(std::string_view modelName) {
  return lookUp(ultraWideCamera(), modelName);
}

CameraParameter UIDeviceHardware::getDefaultParameter() { return singlePrecisionAngles(51.71f, 65.74f, 4.12); }

CameraParameter UIDeviceHardware::getDefaultTeleParameter() { return singlePrecisionAngles(27.4f, 36.0f, 4.12); }

CameraParameter UIDeviceHardware::getDefaultUltraWideCameraParameter4Device() {
  return singlePrecisionAngles(85.86f, 102.25f, 4.12);
}

}  // namespace app::optics

