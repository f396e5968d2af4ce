#pragma once

#include <functional>
#include <optional>
#include <vector>

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
//
// Lenses tapped on a stand-in are the person's, never the others it shows: they join the stored row's
// lenses when it holds their series (taking the place of its lenses they cannot stand beside: another
// prime of their focal length, or any lens beside a zoom), and lenses tapped off leave it; on a row of
// another series they are the series' only lenses. A series chosen is taken with the lenses the
// catalogue holds chosen for it. Back on the stand-in's own series and lenses (the series restored as
// the picker is left, a lens tapped on and off again), the stored row gets back the lenses it held.
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
  void choicesStored();

  // The row holding the person's package of a slot that shows `shown`: the shown package's own, or the
  // stored row (read by `stored` only then) with what was chosen put onto it. Nothing when it cannot be
  // known (what is shown is not whole, or the stored row could not be read) or cannot be stored (the
  // lenses tapped off were all the stored row held).
  [[nodiscard]] std::optional<storage::PackageDatabaseObject> personsRow(const model::CameraPackage& shown,
                                                                         const StoredRow& stored) const;

 private:
  void chooseLenses(const storage::PackageDatabaseObject& before, const storage::PackageDatabaseObject& after,
                    const model::CameraPackage& chosen);
  // Puts the lens choice onto `row`; false when it would be left without a lens.
  [[nodiscard]] bool putLenses(storage::PackageDatabaseObject& row) const;

  bool standsIn_ = false;
  unsigned chosen_ = 0;                     // the parts chosen on the stand-in and not stored yet
  storage::PackageDatabaseObject choices_;  // what they were (for lenses, what is shown)

  // The lens choice, whole since the slot began standing in: each store puts it onto the lenses the
  // stored row held before a lens choice first reached it.
  bool lensesChosen_ = false;
  storage::PackageDatabaseObject standIn_;  // the lens part the stand-in showed before any lens choice
  std::vector<int> lensesOn_;               // on the stand-in's series: the lenses tapped on
  std::vector<int> lensesOff_;              // and those tapped off, or displaced by one tapped on
  // The stored row's lens part before a lens choice first reached it, read with the row it was put onto;
  // read again when the row no longer holds the lenses last stored (a lens deleted meanwhile).
  mutable std::optional<storage::PackageDatabaseObject> storedLenses_;
  mutable std::optional<storage::PackageDatabaseObject> lensesMade_;  // the lens part personsRow last made
  mutable std::optional<storage::PackageDatabaseObject> lensesStored_;  // the one last stored
};

}  // namespace app::state
