#include "TriggerMath.h"

#include <algorithm>
#include <limits>

namespace TriggerMath {

double countsPerPulse(Counting counting, bool twoChannels)
{
    if (counting == Counting::FourPhase)
        return 1.0;
    return twoChannels ? 4.0 : 2.0;
}

double pulsesPerMm(double pulsesPerRevolution, double wheelCircumferenceMm)
{
    return wheelCircumferenceMm > 0.0 ? pulsesPerRevolution / wheelCircumferenceMm : 0.0;
}

double dividerForSquarePixels(double pixelSizeMm, double pulsesPerMm, double countsPerPulse)
{
    return pixelSizeMm * pulsesPerMm * countsPerPulse;
}

double linesPerMm(double pulsesPerMm, double countsPerPulse, double encoderDivider, int64_t triggerDivider)
{
    if (encoderDivider <= 0.0 || triggerDivider <= 0)
        return 0.0;
    return pulsesPerMm * countsPerPulse / encoderDivider / static_cast<double>(triggerDivider);
}

double lineTimeUs(double exposureUs, double readoutUs)
{
    return std::max(exposureUs, readoutUs);
}

double maxLineRate(double exposureUs, double readoutUs)
{
    const double lineTime = lineTimeUs(exposureUs, readoutUs);
    return lineTime > 0.0 ? 1.0e6 / lineTime : std::numeric_limits<double>::infinity();
}

double maxBeltSpeed(double linesPerMm, double exposureUs, double readoutUs)
{
    return linesPerMm > 0.0 ? maxLineRate(exposureUs, readoutUs) / linesPerMm
                            : std::numeric_limits<double>::infinity();
}

double metresPerMinute(double mmPerSecond)
{
    return mmPerSecond * 60.0 / 1000.0;
}

double readoutUs(double topLineRate)
{
    return topLineRate > 0.0 ? 1.0e6 / topLineRate : 0.0;
}

} // namespace TriggerMath
