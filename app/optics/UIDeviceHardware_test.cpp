#include "app/optics/UIDeviceHardware.h"

#include <gtest/gtest.h>

#include <set>

namespace app::optics {

namespace {

TEST(UIDeviceHardware, ModelNames) {
  const std::pair<const char*, const char*> known[] = {{"iPad4,6", "iPad mini 2"},
                                                       {"iPhone9,4", "iPhone 7 Plus"},
                                                       {"iPad3,6", "iPad 4th Gen."},
                                                       {"iPad8,12", "iPad Pro 12.9 (4th Gen)"}};
  for (const auto& [id, name] : known) EXPECT_EQ(UIDeviceHardware::platformString(id), name);
  for (const char* unknown : {"x86_64", "iPhone14,2", "iphone9,4", "iPhone9,4 "}) {
    EXPECT_FALSE(UIDeviceHardware::platformString(unknown)) << unknown;
  }
}

TEST(UIDeviceHardware, TableIsComplete) {
  EXPECT_EQ(UIDeviceHardware::knownIdentifierCount(), 108u);
  std::set<std::string> names;
  for (const char* family : {"iPhone", "iPod", "iPad"}) {
    for (int major = 1; major <= 14; ++major) {
      for (int minor = 1; minor <= 12; ++minor) {
        std::string id = std::string(family) + std::to_string(major) + "," + std::to_string(minor);
        if (auto name = UIDeviceHardware::platformString(id)) names.insert(*name);
      }
    }
  }
  names.insert(*UIDeviceHardware::platformString("i386"));
  EXPECT_EQ(names.size(), 61u);
}

TEST(UIDeviceHardware, CameraAngles) {
  EXPECT_DOUBLE_EQ(UIDeviceHardware::cameraParameter("iPhone SE").value_or(CameraParameter()).HorizontalViewAngle,
                   60.2);
  EXPECT_FALSE(UIDeviceHardware::teleCameraParameter("iPhone SE"));
  EXPECT_TRUE(UIDeviceHardware::ultraWideCameraParameter("iPhone 12 Mini"));
  EXPECT_FALSE(UIDeviceHardware::cameraParameter("Simulator"));
  // This machine is no phone: nothing is listed for it.
  EXPECT_FALSE(UIDeviceHardware::getCameraParameter4Device());
}

}  // namespace

}  // namespace app::optics

