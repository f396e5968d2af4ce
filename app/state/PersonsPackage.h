#pragma once

#include <functional>
#include <optional>

#include "app/model/CameraPackage.h"
#include "app/storage/PackageDatabaseObject.h"

namespace app::state {

// What of a standard package's slot is the person's, and so may be stored: the one place that decides
// whether, and what, a slot's row is written, for every path that writes one (a choice on the setup
// screens, a saved package loaded into the slot, a delete that moves the slot off a row, each save of the
// state), and what a package saved under a name from the slot holds.
//
// A slot shows either the person's package (read whole, or mended where a row it named is gone), stored
// as shown, or one that stands in for a stored package that could not be read (the default package, or
// the stored one without what could not be read). What stands in is shown for the run and never stored
// as the person's: a choice made on it puts only what was chosen onto the stored row; a whole package
// chosen (a saved one loaded) makes the slot the person's again.
class PersonsPackage {
 public:
  // The parts one choice is about.
  enum Parts : unsigned { kCamera = 1, kLenses = 2, kAdapter = 4, kFrameGuide = 8, kWhole = 15 };
  using StoredRow = std::function<std::optional<storage::PackageDatabaseObject>()>;

  // What the slot shows is the person's package; or it stands in for the stored one.
  void shownIsPersons();
  void shownStandsIn();
  [[nodiscard]] bool standsIn() const { return standsIn_; }

  // `chosen` takes the place of `shown` in the slot; `parts` are what the choice was about. False when
  // what was chosen cannot be stored (a part of it could not be read): it is shown for the run, and the
  // stored row keeps what it holds. A slot whose choice is not whole stands in from then on.
  [[nodiscard]] bool choose(const model::CameraPackage& shown, const model::CameraPackage& chosen, unsigned parts);
  // Whether something chosen on a stand-in waits to reach the stored row.
  [[nodiscard]] bool choicesWaiting() const { return chosen_ != 0; }
  // What was chosen has reached the stored row.
  void choicesStored() { chosen_ = 0; }

  // The row holding the person's package of a slot that shows `shown`: the shown package's own, or the
  // stored row (read by `stored` only then) with what was chosen put onto it. Nothing when it cannot be
  // known: what is shown is not whole, or the stored row could not be read.
  [[nodiscard]] std::optional<storage::PackageDatabaseObject> personsRow(const model::CameraPackage& shown,
                                                                         const StoredRow& stored) const;

 private:
  bool standsIn_ = false;
  unsigned chosen_ = 0;                     // the parts chosen on the stand-in and not stored yet
  storage::PackageDatabaseObject choices_;  // what they were
};

}  // namespace app::state
