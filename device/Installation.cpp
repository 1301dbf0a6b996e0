#include "Installation.h"

#include "ValueText.h"

#include <cmath>

std::string Installation::problem() const
{
    const auto shown = [](double value) {
        return ValueText::fromNumber(value);
    };
    if (!(pixelSize > 0.0 && pixelSize <= 10.0))
        return "the pixel size must lie above 0 and at most 10 mm, not " + shown(pixelSize);
    if (pulsesPerMmGiven != 0.0) {
        if (!(pulsesPerMmGiven >= 0.0001 && pulsesPerMmGiven <= 100000.0))
            return "the encoder's pulses per mm must lie from 0.0001 to 100000, not " +
                   shown(pulsesPerMmGiven);
        return std::string();
    }
    if (!(pulsesPerRevolution >= 1.0 && pulsesPerRevolution <= 1.0e6) ||
        pulsesPerRevolution != std::trunc(pulsesPerRevolution))
        return "the encoder's pulses per revolution must be a whole number from 1 to 1000000, not " +
               shown(pulsesPerRevolution);
    if (!(wheelCircumference >= 1.0 && wheelCircumference <= 10000.0))
        return "the encoder's wheel circumference must lie from 1 to 10000 mm, not " +
               shown(wheelCircumference);
    return std::string();
}
