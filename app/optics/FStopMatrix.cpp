#include "app/optics/FStopMatrix.h"

#include <cmath>

namespace app::optics {

namespace {

constexpr int kRows = 15;
constexpr int kDefaultRow = 4;
constexpr const char* kOneThird = "\u2153";
constexpr const char* kOneHalf = "\u00BD";
constexpr const char* kTwoThirds = "\u2154";
constexpr const char* kBelowTable = "< f 0.7";
constexpr const char* kAboveTable = "> f 90";

}  // namespace

FStopMatrix::FStopMatrix()
    : fNumReal_{0.707106781, 1.0,        1.414213562, 2.0,  2.828427125, 4.0,  5.656854249, 8.0,
                11.3137085,  16.0,       22.627417,   32.0, 45.254834,   64.0, 90.50966799},
      fNumDisplay_{"0.7", "1", "1.4", "2", "2.8", "4", "5.6", "8", "11", "16", "22", "32", "45", "64", "90"},
      fNumPlus1_3_{0.793700526, 1.122462048, 1.587401052, 2.244924097, 3.174802104,
                   4.489848193, 6.349604207, 8.979696386, 12.69920842, 17.95939277,
                   25.39841683, 35.91878555, 50.79683367, 71.83757109, 101.5936673},
      fNumPlus2_3_{0.890898718, 1.25992105,  1.781797436, 2.5198421,  3.563594873,
                   5.0396842,   7.127189745, 10.0793684,  14.25437949, 20.1587368,
                   28.50875898, 40.3174736,  57.01751797, 80.63494719, 114.0350359},
      fNumPlus1_2_{0.840896415, 1.189207115, 1.68179283,  2.37841423,  3.363585661,
                   4.75682846,  6.727171321, 9.51365692,  13.45434265, 19.02731384,
                   26.90868529, 38.05462768, 53.81737058, 76.10925536, 107.6347412},
      fNumDisplaySecondRow_{"-", kOneThird, kOneHalf, kTwoThirds} {}

int FStopMatrix::row() const { return row_ >= 0 && row_ < kRows ? row_ : kDefaultRow; }

double FStopMatrix::getFStopReal() const {
  switch (modus_) {
    case 0: return fNumReal_[row()];
    case 1: return fNumPlus1_3_[row()];
    case 2: return fNumPlus1_2_[row()];
    case 3: return fNumPlus2_3_[row()];
    default: return 0.0;
  }
}

std::string FStopMatrix::getFStopString() const {
  std::string text = "f " + fNumDisplay_[row()];
  if (modus_ >= 1 && modus_ <= 3) text += " " + fNumDisplaySecondRow_[modus_];
  return text;
}

std::string FStopMatrix::getFResultString(double aperture) const {
  if (!(aperture > 0.0)) return kBelowTable;
  // Half-powers of two from f 1; the divisor is log2 of the double nearest the square root of two.
  double t = std::log2(aperture) / 0.5000000000000001;
  // Settle the ends before truncating, so an infinite t is never converted to an integer.
  if (t <= -1.0) return kBelowTable;
  if (t >= kRows - 1) return kAboveTable;
  int i = static_cast<int>(t);

  // Candidates in order: the full stop, a third, a half, two thirds, the next full stop. The fractions are
  // formed in single precision; a later candidate wins only when strictly nearer.
  const double candidates[5] = {
      static_cast<double>(i),
      static_cast<double>(static_cast<float>(i) + 0.33333334f),
      static_cast<double>(static_cast<float>(i) + 0.5f),
      static_cast<double>(static_cast<float>(i) + 0.6666667f),
      static_cast<double>(i) + 1.0,
  };
  int best = 0;
  double bestDistance = std::fmin(std::fabs(candidates[0] - t), 2.0);
  for (int c = 1; c < 5; ++c) {
    double distance = std::fabs(candidates[c] - t);
    if (distance < bestDistance) {
      best = c;
      bestDistance = distance;
    }
  }

  std::string stop = "f " + fNumDisplay_[i + 1];
  switch (best) {
    case 1: return stop + " " + kOneThird;
    case 2: return stop + " " + kOneHalf;
    case 3: return stop + " " + kTwoThirds;
    case 4: return i + 2 < kRows ? "f " + fNumDisplay_[i + 2] : kAboveTable;
    default: return stop;
  }
}

}  // namespace app::optics

