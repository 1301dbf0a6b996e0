#pragma once

#include "Installation.h"
#include "TriggerSettings.h"

#include <QString>

#include <array>
#include <optional>

// What the trigger check sees of a camera over the last second or so: what was measured, the
// camera's set-up as last read, and what is known of the machine. Whatever is not known is left
// empty, never guessed.
struct TriggerObservation
{
    enum class Activity { Unknown, Active, High, Low };

    bool acquiring = false;
    double seconds = 0.0;                    // how long the figures below were measured over
    double linesPerSecond = 0.0;             // lines that arrived
    double incompletePerSecond = 0.0;        // frames that lost stream packets on the network
    std::optional<long long> missedTriggers; // LineTriggerMissedCount: missed since the start
    std::optional<double> missedPerSecond;   // its growth
    std::optional<double> countsPerSecond;   // EncoderValue's change, signed
    std::optional<long long> encoderValue;
    QString encoderStatus;           // EncoderStatus; empty when unknown
    std::array<Activity, 5> lines{}; // Line1 to Line4 at 1 to 4, from LineStatusAll

    // The camera's set-up as last read; empty until it was.
    std::optional<TriggerSettings> settings;
    // The installation's figures: the operator's, else the camera's own (the simulated bench).
    std::optional<Installation> installation;
    // The belt's speed where the machine itself says it (the simulated bench): mm/s, negative
    // backwards.
    std::optional<double> beltSpeed;
    // The stretch the circles in view measure (their height in lines over their width in pixels).
    std::optional<double> stretchFromImage;

    // Line n's name ("Line1") to its number, 0 for anything else.
    static int lineNumber(const QString& name);
};
