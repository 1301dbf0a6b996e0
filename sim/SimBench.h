#pragma once

#include "Installation.h"
#include "SimApi.h"

#include <cstdint>
#include <string>

enum class SimEncoderOutput { Differential, SingleEnded };

// The machine in front of the simulated camera: a belt carrying the test chart, a rotary encoder
// driven by the belt, the wiring of its channels to the camera's lines, and the optics.
struct SIM_EXPORT SimBench
{
    double beltSpeed = 250.0; // mm/s; negative runs backwards
    // The drive's speed swings by this fraction of beltSpeed either way, once a second (a worn
    // gear, a slipping belt); 0 to 0.5.
    double speedRipple = 0.0;
    double pixelSize = 0.1;            // mm on the belt seen by one pixel across
    double pulsesPerRevolution = 1000; // a whole number
    double wheelCircumference = 100.0; // mm
    SimEncoderOutput output = SimEncoderOutput::Differential;
    int lineA = 1; // the camera line channel A is wired to, 1 to 4; 0 when not wired
    int lineB = 2;

    // The camera's line inputs follow encoders up to this many pulses a second.
    static constexpr double maxPulseRate = 2.0e6;

    static constexpr double rippleHz = 1.0;
    // The belt's speed at that moment of the camera's clock, mm/s.
    double speedAt(double ns) const;
    // Quarter periods of the encoder's channels per mm of travel.
    double quartersPerMm() const { return 4.0 * pulsesPerRevolution / wheelCircumference; }
    // The levels of the channels in quarter period q of the encoder: A leads B by a quarter while
    // the belt moves forward.
    static bool channelA(int64_t quarter);
    static bool channelB(int64_t quarter);
    // What the encoder drives on camera line 1 to 4 in quarter q: false where nothing arrives,
    // because no channel is wired there or its electrical kind is not the input's (Line1 and Line2
    // are differential RS422 inputs, Line3 and Line4 single-ended LVCMOS).
    bool lineSignal(int line, int64_t quarter) const;
    static bool isDifferentialLine(int line) { return line == 1 || line == 2; }

    // Empty when the bench can be built, else one sentence saying what is wrong.
    std::string problem() const;
    // Its optics and its encoder's resolution, as an installation's figures.
    Installation installation() const { return {pixelSize, pulsesPerRevolution, wheelCircumference}; }
    // The fastest belt, either way, at which the encoder stays within maxPulseRate.
    double maxBeltSpeed() const;
    // "Line1" to "Line4" or "none", and back (-1 for an unknown name).
    static std::string lineName(int line);
    static int lineNumber(const std::string& name);
};
