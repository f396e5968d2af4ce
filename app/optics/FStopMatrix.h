#pragma once

#include <string>
#include <vector>

namespace app::optics {

// The f-stop table (full stops and the stops a third, a half and two thirds above each) with the user's
// position in it, and the stop text of an aperture. The tables never change after construction.
class FStopMatrix {
 public:
  FStopMatrix();

  // The position. A row outside 0..14 reads as row 4, the first start's. A modus outside 0..3 is kept
  // as it is: it has no value (0.0) and no fraction sign. Start-up replaces a stored position that is off
  // the table before it gets here.
  int row() const;
  int modus() const { return modus_; }  // 0 full stop, 1 plus a third, 2 plus a half, 3 plus two thirds
  void setRow(int row) { row_ = row; }
  void setModus(int modus) { modus_ = modus; }

  double getFStopReal() const;
  // "f 5.6", or with the fraction sign: "f 5.6 ⅓".
  std::string getFStopString() const;
  // The nearest third or half stop of any aperture: "f 2", "f 5.6 ⅓"; "< f 0.7" below the table (zero,
  // negative and not-a-number included) and "> f 90" above it.
  std::string getFResultString(double aperture) const;

  const std::vector<double>& fNumReal() const { return fNumReal_; }
  const std::vector<std::string>& fNumDisplay() const { return fNumDisplay_; }
  const std::vector<double>& fNumPlus1_3() const { return fNumPlus1_3_; }
  const std::vector<double>& fNumPlus2_3() const { return fNumPlus2_3_; }
  const std::vector<double>& fNumPlus1_2() const { return fNumPlus1_2_; }
  const std::vector<std::string>& fNumDisplaySecondRow() const { return fNumDisplaySecondRow_; }

 private:
  std::vector<double> fNumReal_;
  std::vector<std::string> fNumDisplay_;
  std::vector<double> fNumPlus1_3_;
  std::vector<double> fNumPlus2_3_;
  std::vector<double> fNumPlus1_2_;
  std::vector<std::string> fNumDisplaySecondRow_;
  int row_ = 1;
  int modus_ = 0;
};

}  // namespace app::optics

