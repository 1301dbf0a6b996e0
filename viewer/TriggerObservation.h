#pragma once

#include <QString>

#include <array>
#include <optional>

// What the trigger check sees of a camera over the last second or so. Whatever the camera does not
// have is left empty, never guessed.
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

    // The camera's set-up.
    QString triggerMode, triggerSource, triggerActivation;
    long long triggerDivider = 1;
    QString sourceA, sourceB, encoderMode;
    double encoderDivider = 1.0;
    double exposureUs = 0.0;
    double lineRate = 0.0;
    double topLineRate = 0.0; // the top of AcquisitionLineRate: the sensor's readout

    // Known where the camera knows its installation (the simulated camera's bench).
    std::optional<double> beltSpeed; // mm/s
    std::optional<double> pixelSize; // mm

    // Line n's name ("Line1") to its number, 0 for anything else.
    static int lineNumber(const QString& name);
};
