#include "app/optics/UIDeviceHardware.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(UIDeviceHardware, ModelNames) {
  EXPECT_EQ(UIDeviceHardware::platformString("iPad4,6"), "iPad mini 2");
  EXPECT_EQ(UIDeviceHardware::platformString("iPhone9,3"), "iPhone 7");
  EXPECT_EQ(UIDeviceHardware::platformString("iPhone9,4"), "iPhone 7 Plus");
  EXPECT_EQ(UIDeviceHardware::platformString("iPad3,6"), "iPad 4th Gen.");
  EXPECT_EQ(UIDeviceHardware::platformString("iPad8,12"), "iPad Pro 12.9 (4th Gen)");
  EXPECT_FALSE(UIDeviceHardware::platformString("x86_64"));
  EXPECT_FALSE(UIDeviceHardware::platformString("iPhone14,2"));
  EXPECT_FALSE(UIDeviceHardware::platformString("iphone9,4"));
  EXPECT_FALSE(UIDeviceHardware::platformString("iPhone9,4 "));
  EXPECT_FALSE(UIDeviceHardware::platform().empty());
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
  auto se = UIDeviceHardware::cameraParameter("iPhone SE");
  ASSERT_TRUE(se);
  EXPECT_DOUBLE_EQ(se->VerticalViewAngle, 47.0);
  EXPECT_DOUBLE_EQ(se->HorizontalViewAngle, 60.2);
  auto tele = UIDeviceHardware::teleCameraParameter("iPhone 12 Pro Max");
  ASSERT_TRUE(tele);
  EXPECT_DOUBLE_EQ(tele->HorizontalViewAngle, 30.0);
  EXPECT_FALSE(UIDeviceHardware::teleCameraParameter("iPhone SE"));
  EXPECT_TRUE(UIDeviceHardware::ultraWideCameraParameter("iPhone 12 Mini"));
  EXPECT_FALSE(UIDeviceHardware::cameraParameter("Simulator"));
  EXPECT_EQ(UIDeviceHardware::getDefaultParameter().VerticalViewAngle, static_cast<double>(51.71f));
  EXPECT_DOUBLE_EQ(UIDeviceHardware::getDefaultUltraWideCameraParameter4Device().FocalLength, 4.12);
  // This machine is no phone: nothing is listed for it.
  EXPECT_FALSE(UIDeviceHardware::getCameraParameter4Device());
}

}  // namespace
