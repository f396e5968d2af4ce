#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/model/CameraPackage.h"

// Packages for the pages' tests: a recording format, a series, an adapter and optionally a crop.
namespace ostrel::testing {

inline app::model::LensObject lens(float focalLength, float imageCircle, float focalLengthMax = 0, float imageCircleMax = 0) {
  app::model::LensObject l;
  l.focalLength = focalLength;
  l.focalLengthMax = focalLengthMax;
  l.imageCircle = imageCircle;
  l.imageCircleMax = imageCircleMax;
  l.anamorphic = 1;
  l.lensType = focalLengthMax > 0 ? "Zoom Lens" : "Prime Lens";
  return l;
}

struct PackageSpec {
  float width = 36;
  float height = 24;
  const char* aspectRatio = "3:2";
  float lensSqueeze = 1;
  float adapterWidth = 1;
  float adapterHeight = 1;
  int cropID = 1;
  const char* crop = "";
  bool zoom = false;
};

inline app::model::CameraPackage package(const PackageSpec& spec, std::vector<app::model::LensObject> lenses = {lens(50, 46.3f)}) {
  app::model::CameraPackage p;
  p.cameraManufacturer = app::model::Camera(3, "Kestrel", "K1", "Cine", 0);
  app::model::CameraShootingMode mode;
  mode.width = spec.width;
  mode.height = spec.height;
  mode.anamorphotic = 1;
  mode.shootingMode = "Open Gate";
  mode.aspectRatio = spec.aspectRatio;
  p.shootingMode = mode;
  p.lensManufacturer = app::model::LensManufacturer(5, "Halden", spec.zoom ? "Cine Zoom" : "Cine Primes",
                                        spec.zoom ? "Zoom Lens" : "Prime Lens", 1, spec.lensSqueeze, 0);
  p.lensSet = lenses;
  p.mLensSet = app::model::LensSet{lenses, *p.lensManufacturer, lenses};
  app::model::LensAdapterRecord adapter;
  adapter.adapterId = spec.adapterWidth == 1 && spec.adapterHeight == 1 ? 1 : 7;
  adapter.adapterValueWidth = spec.adapterWidth;
  adapter.adapterValueHeight = spec.adapterHeight;
  adapter.adapterName = "Adapter";
  p.lensAdapter = adapter;
  p.cropID = spec.cropID;
  p.cropAspectRatio = spec.crop;
  p.formatType = spec.cropID == 1 ? "native" : "crop";
  return p;
}

}  // namespace ostrel::testing
