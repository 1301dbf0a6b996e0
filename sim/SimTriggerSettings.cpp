#include "SimTriggerSettings.h"

#include "SimBench.h"
#include "SimCamera.h"
#include "ValueText.h"

namespace {

template <typename Number>
Number numberOf(const SimCamera& camera, const char* name, Number fallback, const std::string& entry = {})
{
    Number value = fallback;
    return ValueText::parseNumber(camera.value(name, entry), &value) ? value : fallback;
}

int lineOf(const std::string& name)
{
    const int line = SimBench::lineNumber(name);
    return line > 0 ? line : 0;
}

} // namespace

SimTriggerSettings SimTriggerSettings::read(const SimCamera& camera)
{
    SimTriggerSettings settings;
    const std::string lineStart = "LineStart";
    settings.lineTriggerOn = camera.value("TriggerMode", lineStart) == "On";
    const std::string source = camera.value("TriggerSource", lineStart);
    settings.sourceLine = lineOf(source);
    settings.source = source == "Encoder0"      ? Source::Encoder
                      : settings.sourceLine > 0 ? Source::Line
                                                : Source::Other;
    const std::string activation = camera.value("TriggerActivation", lineStart);
    settings.activation = activation == "FallingEdge" ? Activation::FallingEdge
                          : activation == "AnyEdge"   ? Activation::AnyEdge
                          : activation == "LevelHigh" ? Activation::LevelHigh
                          : activation == "LevelLow"  ? Activation::LevelLow
                                                      : Activation::RisingEdge;
    settings.triggerDivider = std::max<int64_t>(1, numberOf<int64_t>(camera, "TriggerDivider", 1, lineStart));
    settings.lineRate = numberOf(camera, "AcquisitionLineRate", 10000.0);
    settings.exposureUs = numberOf(camera, "ExposureTime", 50.0);
    settings.readoutUs = TriggerMath::readoutUs(camera.definition("AcquisitionLineRate").max);

    const std::string encoder = "Encoder0";
    settings.encoderA = lineOf(camera.value("EncoderSourceA", encoder));
    settings.encoderB = lineOf(camera.value("EncoderSourceB", encoder));
    settings.counting = camera.value("EncoderMode", encoder) == "HighResolution"
                            ? TriggerMath::Counting::HighResolution
                            : TriggerMath::Counting::FourPhase;
    settings.encoderDivider = numberOf(camera, "EncoderDividerFloat", 1.0, encoder);
    for (int line = 1; line <= 4; ++line) {
        const std::string name = SimBench::lineName(line);
        settings.input[line] = camera.value("LineMode", name) != "Output";
        bool inverted = false;
        settings.inverted[line] =
            ValueText::parseBoolean(camera.value("LineInverter", name), &inverted) && inverted;
    }
    settings.width = numberOf<int>(camera, "Width", 4096);
    settings.height = std::max(1, numberOf<int>(camera, "Height", 1024));
    return settings;
}

bool SimTriggerSettings::sameEncoder(const SimTriggerSettings& other) const
{
    return encoderA == other.encoderA && encoderB == other.encoderB && counting == other.counting &&
           encoderDivider == other.encoderDivider && input == other.input && inverted == other.inverted;
}
