#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/model/Camera.h"
#include "app/model/CameraShootingMode.h"
#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"
#include "app/model/PrimeLensObject.h"
#include "app/model/StoredColor.h"
#include "app/model/FrameGuide.h"
#include "app/model/LensAdapterRecord.h"
#include "app/model/LensSet.h"

namespace app::model {

// One complete camera setup: a camera and shooting mode, an optional crop, a lens series with the lenses in
// use, a lens adapter and a frame guide. Every page that computes optics reads the derived sizes below.
//
// Parts that may be missing (a format that was deleted, an adapter row that no longer exists) are optional;
// a missing part reads as zeros and empty texts, so the arithmetic gives zeros or non-finite values and the
// texts come out short, but nothing here ever fails. The package facade decides whether a package is usable.
struct CameraPackage {
  int packageID = 0;  // -2 and -1 the standard packages one and two, 1 and up the user's
  std::string packageName;
  std::optional<Camera> cameraManufacturer;
  std::optional<CameraShootingMode> shootingMode;
  int cropID = 0;               // 1 means no crop
  std::string cropAspectRatio;  // "a:b" of the crop; empty without a crop
  std::string formatType;       // "crop" or "native"
  std::optional<LensManufacturer> lensManufacturer;
  std::vector<LensObject> lensSet;  // the lenses in use, in catalogue order
  std::optional<LensSet> mLensSet;
  std::optional<LensAdapterRecord> lensAdapter;
  std::optional<FrameGuide> frameGuide;
  StoredColor frameGuideColor;
  int frameGuideShading = 0;

  // The first part of "a:b" divided by the second; not a number without a ":".
  static float aspectRatioString2Value(std::string_view ratio);

  // Format arithmetic, all in single precision as the stored sizes are.
  float getTotalAnamorphicFactor() const;
  float getAspectValueWithAnaBeforeCrop() const;
  float getFinalSimulationFormatWidth() const;
  float getFinalSimulationFormatHeight() const;
  float getFinalAspectRatioValue() const;
  float getExtractionSensorWidth() const;
  float getExtractionSensorHeight() const;

  // Ratio texts ("2.39:1").
  std::string getExtractionSensorAspectRatioWithoutAna() const;
  std::string getSensorAspectRatio() const;
  std::string getNativeAspectRatioIncludingAnamorphic() const;
  std::string getFinalAspectRatio() const;

  // The zoom range of a zoom package (none for primes or an empty set) and the primes of a prime package.
  std::optional<FreeZoomLensObject> getFreeZoomLens() const;
  std::optional<std::vector<PrimeLensObject>> getPrimeLensList() const;

  // Display texts: "18 · 25 · 35", "24 - 290mm", with the series in front, for the main screen.
  std::string getLensString() const;
  std::string getLensStringForPackage() const;
  std::string getLensStringForMainView() const;
  std::string getAdapterString() const;
  std::string getCameraFormatLabelString() const;

  // The missing-reads-as-zero view of the parts the arithmetic uses.
  float modeWidth() const { return shootingMode ? shootingMode->width : 0.0f; }
  float modeHeight() const { return shootingMode ? shootingMode->height : 0.0f; }
  float modeSqueeze() const { return shootingMode ? shootingMode->anamorphotic : 0.0f; }
  float lensSqueeze() const { return lensManufacturer ? lensManufacturer->anamorphotic : 0.0f; }
  // An adapter that could not be read counts as none (factor 1), as the coverage page already takes it: a factor
  // of 0 would stack every mark of the focal-length bar on one point and make every depth-of-field figure infinite,
  // which is what a stand-in package showed while the adapter catalogue could not be opened.
  float adapterWidth() const { return lensAdapter ? lensAdapter->adapterValueWidth : 1.0f; }
  float adapterHeight() const { return lensAdapter ? lensAdapter->adapterValueHeight : 1.0f; }
  bool isAdapterSpherical() const { return adapterWidth() == adapterHeight(); }
  // How much the adapter enlarges the image the lens throws: a focal reducer below 1, a converter above.
  // The sensor records the picture of a lens whose focal length and f-number are both this many times
  // the lens's own. An anamorphic adapter squeezes the width only and leaves the height, so it gives 1.
  float adapterMagnification() const { return isAdapterSpherical() ? adapterWidth() : 1.0f; }
  bool isCropped() const;
};

}  // namespace app::model

