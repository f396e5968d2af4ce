#include "app/main/DistanceScale.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/main/ScaleMath.h"
#include "app/optics/MetricToImperialConversion.h"

namespace app::main {

namespace {

constexpr float kImperialMarks[] = {0.102f, 0.152f, 0.203f, 0.254f, 0.305f, 0.406f, 0.508f, 0.61f,  0.762f,
                                    0.914f, 1.219f, 1.524f, 1.829f, 2.134f, 3.048f, 4.572f, 6.096f, 9.144f,
                                    12.192f, 15.24f, 21.336f, 30.48f, 45.721f, 60.961f, 91.441f};
constexpr float kMetricMarks[] = {0.1f, 0.15f, 0.2f, 0.25f, 0.3f, 0.4f, 0.5f, 0.6f, 0.8f, 1,  1.2f, 1.5f, 2,
                                  2.5f, 3,     4,    5,     7,    10,   15,   20,   30,   40, 50,   70,   100};

}  // namespace

double DistanceScale::ratio(double width) const {
  if (distanceArray_.empty()) return 1;
  return std::pow(static_cast<double>(distanceArray_.back()) / distanceArray_.front(), 1 / width);
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::vector<ScaleLabels::Mark> DistanceScale::build(float closeFocus, bool imperial, double width) {
  closeFocusDistance_ = closeFocus;
  if (imperial) {
    distanceArray_.assign(std::begin(kImperialMarks), std::end(kImperialMarks));
  } else {
    distanceArray_.assign(std::begin(kMetricMarks), std::end(kMetricMarks));
  }
  const double k = ratio(width);
  const float first = distanceArray_.front();
  const double closePosition = std::log(closeFocusDistance_ / first) / std::log(k);
  std::vector<ScaleLabels::Mark> marks;
  if (closeFocusDistance_ > 0) {
    marks.push_back({static_cast<float>(closePosition),
                     imperial ? optics::MetricToImperialConversion::returnFeetInchesString(closeFocusDistance_)
                              : scale::numberText(closeFocusDistance_),
                     1});
  }
  distanceArrayDisplayed_.clear();
  const float logK = logf(static_cast<float>(k));
  for (float d : distanceArray_) {
    const float x = markPosition(d, logK);
    if (closeFocusDistance_ > 0 && std::fabs(x - closePosition) < 30) continue;
    const int kind = d < closeFocusDistance_ ? 2 : 0;
    marks.push_back(
        {x, imperial ? " " + optics::MetricToImperialConversion::returnFeetInchesString(d) : scale::numberText(d), kind});
    distanceArrayDisplayed_.push_back(d);
  }
  return marks;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

float DistanceScale::valueAt(double position, double width) const {
  if (distanceArray_.empty()) return 0;
  const double meters = distanceArray_.front() * std::pow(ratio(width), position);
  return static_cast<float>(std::clamp<double>(meters, distanceArray_.front(), distanceArray_.back()));
}

double DistanceScale::positionFor(float meters, double width) const {
  if (distanceArray_.empty()) return 0;
  const float first = distanceArray_.front(), last = distanceArray_.back();
  const float kf = static_cast<float>(std::pow(static_cast<double>(last) / first, 1 / width));
  return scale::finiteOrZero(logf(meters / first) / logf(kf));
}

}  // namespace app::main
