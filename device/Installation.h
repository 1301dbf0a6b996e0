#pragma once

#include <string>

// What the trigger arithmetic needs to know of an installation besides the camera: how large a
// pixel is on the object, and the encoder's resolution on its wheel. The operator enters it once
// per camera; the simulated camera's bench knows its own.
struct Installation
{
    double pixelSize = 0.1;            // mm on the object seen by one pixel across
    double pulsesPerRevolution = 1000; // the encoder's pulses (periods of channel A) per turn
    double wheelCircumference = 100.0; // mm of travel per turn
    // Where the encoder's resolution is known as pulses per mm of travel instead (a linear encoder,
    // a data sheet): that figure; 0 when it comes from the wheel.
    double pulsesPerMmGiven = 0.0;

    double pulsesPerMm() const
    {
        if (pulsesPerMmGiven > 0.0)
            return pulsesPerMmGiven;
        return wheelCircumference > 0.0 ? pulsesPerRevolution / wheelCircumference : 0.0;
    }
    // Empty when the figures make sense, else one sentence saying what is wrong.
    std::string problem() const;
    bool operator==(const Installation& other) const
    {
        return pixelSize == other.pixelSize && pulsesPerRevolution == other.pulsesPerRevolution &&
               wheelCircumference == other.wheelCircumference && pulsesPerMmGiven == other.pulsesPerMmGiven;
    }
};
