#pragma once

namespace app::model {

// One (old id, new id) pair of the lists a catalogue update builds when it renumbers the user's rows; the
// package remapping re-points stored packages with them.
struct UpdateFormatIDObject {
  int oldID = 0;
  int newID = 0;
};

}  // namespace app::model

