#include "TriggerSettings.h"

#include "CameraLines.h"
#include "FeatureName.h"
#include "Invariant.h"
#include "ValueText.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace FeatureName;

std::string textOf(const TriggerSettings::Reader& reader, const char* feature, const char* entry,
                   const std::string& fallback = std::string())
{
    const std::optional<std::string> value = reader.value(feature, entry);
    return value ? *value : fallback;
}

template <typename Number>
Number numberOf(const TriggerSettings::Reader& reader, const char* feature, const char* entry,
                Number fallback)
{
    Number number = fallback;
    const std::optional<std::string> value = reader.value(feature, entry);
    return value && ValueText::parseNumber(*value, &number) ? number : fallback;
}

// Which fields a feature feeds. Features not listed here change nothing.
enum Field : unsigned {
    Mode = 1u << 0,
    Source = 1u << 1,
    ActivationField = 1u << 2,
    Divider = 1u << 3,
    Rate = 1u << 4,
    Exposure = 1u << 5,
    Encoder = 1u << 6,
    Lines = 1u << 7,
    Image = 1u << 8,
    All = ~0u,
};

unsigned fieldsOf(const std::string& feature)
{
    static const std::pair<const char*, unsigned> fields[] = {
        {TriggerSelector, Mode | Source | ActivationField | Divider},
        {TriggerMode, Mode},
        {TriggerSource, Source},
        {TriggerActivation, ActivationField},
        {TriggerDivider, Divider},
        {AcquisitionLineRate, Rate | Exposure}, // the exposure follows a lower line rate
        {ExposureTime, Exposure},
        {EncoderSelector, Encoder},
        {EncoderSourceA, Encoder},
        {EncoderSourceB, Encoder},
        {EncoderMode, Encoder},
        {EncoderDividerFloat, Encoder},
        {LineSelector, Lines},
        {LineMode, Lines},
        {LineInverter, Lines},
        {Width, Image},
        {Height, Image},
    };
    for (const auto& field : fields) {
        if (feature == field.first)
            return field.second;
    }
    return 0;
}

void readLimits(TriggerSettings::Limits* limits, const TriggerSettings::Reader& reader, const char* feature)
{
    if (reader.min)
        limits->min = reader.min(feature).value_or(limits->min);
    if (reader.max)
        limits->max = reader.max(feature).value_or(limits->max);
    if (reader.increment)
        limits->increment = reader.increment(feature).value_or(limits->increment);
}

void readFields(TriggerSettings& s, const TriggerSettings::Reader& reader, unsigned fields)
{
    const char* const lineStart = EntryName::LineStart;
    const char* const encoder = EntryName::Encoder0;
    if (fields & Mode)
        s.triggerMode = textOf(reader, TriggerMode, lineStart);
    if (fields & Source)
        s.triggerSource = textOf(reader, TriggerSource, lineStart);
    if (fields & ActivationField)
        s.triggerActivation = textOf(reader, TriggerActivation, lineStart);
    if (fields & Divider) {
        s.triggerDivider = std::max<int64_t>(1, numberOf<int64_t>(reader, TriggerDivider, lineStart, 1));
        readLimits(&s.triggerDividerLimits, reader, TriggerDivider);
    }
    if (fields & Rate) {
        s.lineRate = numberOf(reader, AcquisitionLineRate, "", s.lineRate);
        readLimits(&s.lineRateLimits, reader, AcquisitionLineRate);
        if (const std::optional<double> top = reader.max ? reader.max(AcquisitionLineRate) : std::nullopt)
            s.topLineRate = *top;
    }
    if (fields & Exposure) {
        s.exposureUs = numberOf(reader, ExposureTime, "", s.exposureUs);
        readLimits(&s.exposureLimits, reader, ExposureTime);
    }
    if (fields & Encoder) {
        s.sourceA = textOf(reader, EncoderSourceA, encoder);
        s.sourceB = textOf(reader, EncoderSourceB, encoder);
        s.encoderMode = textOf(reader, EncoderMode, encoder);
        s.encoderDivider = numberOf(reader, EncoderDividerFloat, encoder, 1.0);
        readLimits(&s.dividerLimits, reader, EncoderDividerFloat);
    }
    if (fields & Lines) {
        for (int line = 1; line <= CameraLines::count; ++line) {
            const std::string name = CameraLines::name(line);
            const auto i = static_cast<size_t>(line);
            s.input[i] = textOf(reader, LineMode, name.c_str(), EntryName::Input) != EntryName::Output;
            bool inverted = false;
            const std::optional<std::string> text = reader.value(LineInverter, name.c_str());
            s.invertedKnown[i] = text && ValueText::parseBoolean(*text, &inverted);
            s.inverted[i] = s.invertedKnown[i] && inverted;
        }
    }
    if (fields & Image) {
        s.width = numberOf<int>(reader, Width, "", s.width);
        s.height = std::max(1, numberOf<int>(reader, Height, "", s.height));
    }
    LT_ASSERT(s.triggerDivider >= 1 && s.height >= 1);
}

} // namespace

double TriggerSettings::Limits::fit(double value, bool down) const
{
    double fitted = value;
    if (increment > 0.0) {
        const double steps = (value - min) / increment;
        // A millionth of a step of slack: decimal values in binary floating point.
        fitted = min + (down ? std::floor(steps + 1e-6) : std::ceil(steps - 1e-6)) * increment;
    }
    return std::clamp(fitted, min, std::max(min, max));
}

bool TriggerSettings::lineTriggerOn() const
{
    return triggerMode == EntryName::On;
}

TriggerSettings::Source TriggerSettings::source() const
{
    if (triggerSource == EntryName::Encoder0)
        return Source::Encoder;
    return sourceLine() > 0 ? Source::Line : Source::Other;
}

int TriggerSettings::sourceLine() const
{
    return CameraLines::number(triggerSource);
}

TriggerSettings::Activation TriggerSettings::activation() const
{
    const std::string& a = triggerActivation;
    return a == EntryName::FallingEdge ? Activation::FallingEdge
           : a == EntryName::AnyEdge   ? Activation::AnyEdge
           : a == EntryName::LevelHigh ? Activation::LevelHigh
           : a == EntryName::LevelLow  ? Activation::LevelLow
                                       : Activation::RisingEdge;
}

int TriggerSettings::encoderA() const
{
    return CameraLines::number(sourceA);
}

int TriggerSettings::encoderB() const
{
    return CameraLines::number(sourceB);
}

TriggerMath::Counting TriggerSettings::counting() const
{
    return encoderMode == EntryName::HighResolution ? TriggerMath::Counting::HighResolution
                                                    : TriggerMath::Counting::FourPhase;
}

TriggerSettings TriggerSettings::read(const Reader& reader)
{
    TriggerSettings settings;
    readFields(settings, reader, All);
    return settings;
}

bool TriggerSettings::update(const std::string& feature, const Reader& reader)
{
    const unsigned fields = fieldsOf(feature);
    if (fields != 0)
        readFields(*this, reader, fields);
    return fields != 0;
}

bool TriggerSettings::sameEncoder(const TriggerSettings& other) const
{
    return encoderA() == other.encoderA() && encoderB() == other.encoderB() &&
           counting() == other.counting() && encoderDivider == other.encoderDivider && input == other.input &&
           inverted == other.inverted;
}

bool TriggerSettings::operator==(const TriggerSettings& other) const
{
    return triggerMode == other.triggerMode && triggerSource == other.triggerSource &&
           triggerActivation == other.triggerActivation && triggerDivider == other.triggerDivider &&
           lineRate == other.lineRate && exposureUs == other.exposureUs && topLineRate == other.topLineRate &&
           sourceA == other.sourceA && sourceB == other.sourceB && encoderMode == other.encoderMode &&
           encoderDivider == other.encoderDivider && input == other.input && inverted == other.inverted &&
           invertedKnown == other.invertedKnown && width == other.width && height == other.height;
}
