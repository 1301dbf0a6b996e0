#pragma once

#include "Installation.h"
#include "LineSource.h"
#include "TriggerSettings.h"

#include <cstdint>
#include <optional>
#include <string>

// One look at a camera for the trigger check, taken on the camera backend's own thread: what it
// measures as it runs, and its set-up as last read. Whatever the camera does not have stays empty.
struct TriggerSample
{
    double seconds = 0.0; // when, on the backend's steady clock
    bool acquiring = false;
    uint64_t lines = 0;                    // lines acquired since the start, as the stream counts them
    uint64_t incompleteFrames = 0;         // frames since the start that did not arrive whole
    std::optional<int64_t> missedTriggers; // LineTriggerMissedCount
    std::optional<int64_t> encoderValue;   // EncoderValue
    std::optional<int64_t> lineBits;       // LineStatusAll: Line n in bit n-1
    std::string encoderStatus;             // EncoderStatus; empty when unknown
    TriggerSettings settings;
    bool settingsKnown = false;
    // The belt's speed and the installation's figures, where the backend knows them (a simulated
    // bench).
    std::optional<double> beltSpeed;
    std::optional<Installation> installation;
};
