#pragma once

#include <string>

// The texts of the value display: how a value is shown, and how typed text is repaired before it is read.
namespace app::main::valuetext {

// One fraction digit below 19.9 mm, none from there on; half-even rounding. "18.0mm", "35mm", "12000mm",
// and from a hundred metres on with a power of ten ("1.0e5mm"), so the value display's column shows it
// whole. A focal length no lens has (shorter than half a millimetre, a match that vanishes) shows as the
// no-value text.
std::string focalLength(float focalLength);
// One fraction digit below f9.9, none from there on. "f2.8", "f11". An f-number no lens can be set to
// (a negative or vanishing match, a stop beyond any pinhole) shows as the no-value text.
std::string aperture(float fNumber);
// "," as the decimal mark, a leading "." and a trailing ".": "1,5" is "1.5", ".8" is "0.8", "35." is "35"
// and "1.5." is "1.5" (only the trailing dot goes; removing every dot made it 15).
std::string repaired(std::string text);

}  // namespace app::main::valuetext
