#include "app/optics/LensMatchCalc.h"

#include <cmath>

#include "app/model/NumericText.h"

using app::model::NumericText;

namespace app::optics {

namespace {

float circleOfConfusion(const model::CameraPackage& p, float factor) {
  float w = p.getExtractionSensorWidth();
  float h = p.getExtractionSensorHeight();
  return std::sqrt(w * w + h * h) / factor;
}

// The aperture at which the target, at its matched focal length and with its own circle of confusion, has
// the source's hyperfocal distance. Single precision throughout, as the stored sizes are.
//
// Depth of field belongs to the picture the sensor records: behind a focal reducer or converter that is
// the picture of a lens with focal length and f-number both scaled by the adapter. The source's hyperfocal
// distance is taken for its lens as seen through its adapter, the target's stop solved for its lens as
// seen through its own, and then read back as the stop set on the target's lens.
double apertureMatch(const model::CameraPackage& source, float f, float n, const model::CameraPackage& target, int cocFactor,
                     float matchedFocalLength) {
  float k = static_cast<float>(cocFactor);
  float cS = circleOfConfusion(source, k);
  float cT = circleOfConfusion(target, k);
  float mS = source.adapterMagnification();
  float mT = target.adapterMagnification();
  float fS = f * mS;
  float hyperfocalMeters = (fS * fS / (cS * (n * mS)) + fS) / 1000.0f;
  float f2 = matchedFocalLength * mT;
  return -(f2 * f2) / (cT * f2 - cT * 1000.0f * hyperfocalMeters) / mT;
}

}  // namespace

double LensMatchCalc::horMatchWithPackageSource(const model::CameraPackage& source, float focalLength,
                                                const model::CameraPackage& target) {
  return (target.getFinalSimulationFormatWidth() * focalLength) / source.getFinalSimulationFormatWidth();
}

double LensMatchCalc::verMatchWithPackageSource(const model::CameraPackage& source, float focalLength,
                                                const model::CameraPackage& target) {
  return (target.getFinalSimulationFormatHeight() * focalLength) / source.getFinalSimulationFormatHeight();
}

double LensMatchCalc::horApertureMatchWithPackageSource(const model::CameraPackage& source, float focalLength,
                                                        float aperture, const model::CameraPackage& target,
                                                        int cocFactor) {
  float f2 = NumericText::toFloat(horMatchWithPackageSource(source, focalLength, target));
  return apertureMatch(source, focalLength, aperture, target, cocFactor, f2);
}

double LensMatchCalc::verApertureMatchWithPackageSource(const model::CameraPackage& source, float focalLength,
                                                        float aperture, const model::CameraPackage& target,
                                                        int cocFactor) {
  float f2 = NumericText::toFloat(verMatchWithPackageSource(source, focalLength, target));
  return apertureMatch(source, focalLength, aperture, target, cocFactor, f2);
}

}  // namespace app::optics

