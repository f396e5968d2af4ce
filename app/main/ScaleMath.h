#pragma once

#include <string>

// The arithmetic of the three scroll-bar scales, in the precisions the scales were laid out with (the
// marks' positions depend on where single precision is used).
namespace app::main::scale {

// Horizontal angle of view in radians: the ratio in single precision, the arctangent in double.
double fieldOfView(float focalLength, float sensorWidth, float anamorphic, float adapter);
// The aperture scale: 16 marks a full stop apart, 0.5 at 0.
constexpr float kApertureWidth = 1200;
constexpr int kApertureMarks = 16;
// Stops above f/0.5 in single precision: 2 ln(2N) / ln 2.
float apertureStop(float fNumber);
// The same in double precision (the snapping uses it).
double apertureStopDouble(double fNumber);
// The distance scale's width.
constexpr float kDistanceWidth = 2000;
// A number's shortest text with up to seven significant digits ("35", "1.4", "0.15").
std::string numberText(float value);
// NaN reads as 0: a position nobody can place is the scale's start.
double finiteOrZero(double position);

}  // namespace app::main::scale
