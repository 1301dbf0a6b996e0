#pragma once

#include <QString>

#include <optional>

struct TriggerObservation;

// One sentence in an operator's words: do lines come, how many, are the pixels square, and if not,
// why and what to change. Decided from what was measured, then explained with the settings: where
// the two disagree, that is the finding. Plain logic on an observation, so that every case can be
// tried without a camera.
namespace TriggerVerdict {

// Within this of square, pixels are called square: one per cent is a third of a pixel over a
// circle thirty pixels across, less than anyone sees or would correct.
inline constexpr double squareTolerance = 0.01;
// Exposure and divider advice leaves this much room for the belt's speed to vary.
inline constexpr double margin = 0.10;
// A measured line rate within this of what the settings make of the evidence agrees with it: the
// sampling's own jitter.
inline constexpr double rateTolerance = 0.05;

// What the observation says about the belt and the image, where it can be known.
struct Figures
{
    std::optional<double> beltSpeed; // mm/s: the machine's own, else from the encoder's counts
    bool beltDirectionKnown = false; // one channel counts up either way
    std::optional<double> linesPerMm;
    std::optional<double> stretch;          // lines per mm x pixel size: 1 square, 4 stretched, 0.25 squeezed
    std::optional<double> expectedLineRate; // what the settings make of the evidence
    std::optional<double> fastestBelt;      // mm/s without missed lines at the exposure set
};

Figures figures(const TriggerObservation& observation);
QString sentence(const TriggerObservation& observation);
// A belt's speed in both units people give it: "250.0 mm/s (15.00 m/min)".
QString speedText(double mmPerSecond);

} // namespace TriggerVerdict
