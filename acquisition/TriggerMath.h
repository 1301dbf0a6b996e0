#pragma once

#include <cstdint>

// The arithmetic of line triggering from a rotary encoder on a moving belt, shared by the
// simulated camera, the viewer's trigger check and its calculator.
namespace TriggerMath {

// How the camera's encoder module counts (EncoderMode), and whether channel B takes part.
enum class Counting { FourPhase, HighResolution };

// Encoder counts per encoder pulse (one period of channel A): FourPhase one per quadrature cycle
// (one per pulse on A alone); HighResolution every edge: four with A and B, two on A alone.
double countsPerPulse(Counting counting, bool twoChannels);
// Pulses per mm of belt travel from the encoder's resolution and its wheel.
double pulsesPerMm(double pulsesPerRevolution, double wheelCircumferenceMm);
// EncoderDividerFloat that gives one line per pixel's size of travel: square pixels.
double dividerForSquarePixels(double pixelSizeMm, double pulsesPerMm, double countsPerPulse);
// Lines per mm of travel at an encoder divider and a trigger divider.
double linesPerMm(double pulsesPerMm, double countsPerPulse, double encoderDivider,
                  int64_t triggerDivider = 1);
// A line lasts the longer of its exposure and the sensor's readout; triggers within it are missed.
double lineTimeUs(double exposureUs, double readoutUs);
// The fastest trigger rate a camera follows without missing lines, in lines per second.
double maxLineRate(double exposureUs, double readoutUs);
// The fastest belt, in mm/s, at that many lines per mm.
double maxBeltSpeed(double linesPerMm, double exposureUs, double readoutUs);
// Belts are given in m/min as often as in mm/s.
double metresPerMinute(double mmPerSecond);
// The readout time of a camera whose top line rate is that, in microseconds.
double readoutUs(double topLineRate);

} // namespace TriggerMath
