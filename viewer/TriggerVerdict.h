#pragma once

#include <QString>

struct TriggerObservation;

// One sentence in an operator's words: do lines come, how many, and if not or too few, why and what
// to change. Plain logic on an observation, so that every case can be tried without a camera.
namespace TriggerVerdict {

QString sentence(const TriggerObservation& observation);

} // namespace TriggerVerdict
