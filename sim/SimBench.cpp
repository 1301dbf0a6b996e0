#include "SimBench.h"

#include "Installation.h"
#include "ValueText.h"

#include <cmath>

namespace {

int64_t phase(int64_t quarter)
{
    return ((quarter % 4) + 4) % 4;
}

} // namespace

bool SimBench::channelA(int64_t quarter)
{
    return phase(quarter) < 2;
}

bool SimBench::channelB(int64_t quarter)
{
    const int64_t p = phase(quarter);
    return p == 1 || p == 2;
}

bool SimBench::lineSignal(int line, int64_t quarter) const
{
    if (line < 1 || line > 4 || isDifferentialLine(line) != (output == SimEncoderOutput::Differential))
        return false;
    return (lineA == line && channelA(quarter)) || (lineB == line && channelB(quarter));
}

std::string SimBench::problem() const
{
    const auto shown = [](double value) {
        return ValueText::fromNumber(value);
    };
    std::string figures = installation().problem();
    if (!figures.empty())
        return figures;
    if (lineA < 0 || lineA > 4 || lineB < 0 || lineB > 4)
        return "the encoder's channels are wired to Line1 to Line4 or none";
    if (lineA != 0 && lineA == lineB)
        return "channels A and B cannot both be wired to " + lineName(lineA);
    if (!std::isfinite(speedRipple) || speedRipple < 0.0 || speedRipple > 0.5)
        return "the belt speed's ripple must lie from 0 to 0.5 of its speed, not " + shown(speedRipple);
    if (!std::isfinite(beltSpeed) || std::fabs(beltSpeed) * (1.0 + speedRipple) > maxBeltSpeed())
        return "the belt speed must lie within +-" + shown(std::floor(maxBeltSpeed() / (1.0 + speedRipple))) +
               " mm/s, where the encoder pulses at the camera inputs' limit of 2 MHz, not " +
               shown(beltSpeed);
    return std::string();
}

double SimBench::speedAt(double ns) const
{
    constexpr double twoPi = 6.283185307179586;
    return speedRipple == 0.0 ? beltSpeed
                              : beltSpeed * (1.0 + speedRipple * std::sin(twoPi * rippleHz * ns * 1e-9));
}

double SimBench::maxBeltSpeed() const
{
    return maxPulseRate * wheelCircumference / pulsesPerRevolution;
}

std::string SimBench::lineName(int line)
{
    return line >= 1 && line <= 4 ? "Line" + std::to_string(line) : std::string("none");
}

int SimBench::lineNumber(const std::string& name)
{
    if (name == "none")
        return 0;
    if (name.size() == 5 && name.compare(0, 4, "Line") == 0 && name[4] >= '1' && name[4] <= '4')
        return name[4] - '0';
    return -1;
}
