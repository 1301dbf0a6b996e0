#pragma once

#include "TriggerMath.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The camera's features that its line trigger, its encoder module and its sensor act on, as one
// value: the simulated camera runs on it, the trigger check explains what it measured with it.
// What a camera does not have, or would not say, is empty (texts) or keeps its default.
struct TriggerSettings
{
    enum class Source { Encoder, Line, Other };
    enum class Activation { RisingEdge, FallingEdge, AnyEdge, LevelHigh, LevelLow };
    // How a backend answers: a feature's value as text for one entry of its selector (empty: the
    // entry selected now), and the top of a number's range; nothing when it cannot be known.
    struct Reader
    {
        std::function<std::optional<std::string>(const char* feature, const char* selectorEntry)> value;
        std::function<std::optional<double>(const char* feature)> max;
        std::function<std::optional<double>(const char* feature)> min;       // may be null
        std::function<std::optional<double>(const char* feature)> increment; // may be null
    };
    // What advice may propose: a feature's range and grid as the camera gives them.
    struct Limits
    {
        double min = 0.0;
        double max = 0.0;
        double increment = 0.0; // 0: no grid
        // The nearest value within the range and on the grid; down or up when rounding matters.
        double fit(double value, bool down) const;
    };

    // LineStart: TriggerMode On takes lines from the source, Off at the line rate.
    std::string triggerMode;
    std::string triggerSource;
    std::string triggerActivation;
    int64_t triggerDivider = 1;
    double lineRate = 10000.0;
    double exposureUs = 50.0;
    double topLineRate = 80000.0; // the top of AcquisitionLineRate's range: the sensor's readout
    // Encoder0: its source lines by name ("Off", "Line1", ...), how it counts, its divider.
    std::string sourceA, sourceB, encoderMode;
    double encoderDivider = 1.0;
    // By line 1 to 4 (index 0 unused): LineMode Input, LineInverter; unknown ones stay input and
    // not inverted.
    std::array<bool, 5> input{{true, true, true, true, true}};
    std::array<bool, 5> inverted{};
    std::array<bool, 5> invertedKnown{};
    int width = 4096;
    int height = 1024;
    Limits dividerLimits{1.0, 1024.0, 0.0};       // EncoderDividerFloat
    Limits triggerDividerLimits{1.0, 128.0, 1.0}; // TriggerDivider
    Limits exposureLimits{2.0, 1.0e6, 0.1};       // ExposureTime
    Limits lineRateLimits{100.0, 80000.0, 0.5};   // AcquisitionLineRate

    bool lineTriggerOn() const;
    Source source() const;
    int sourceLine() const; // 1 to 4 when the source is a line, else 0
    Activation activation() const;
    int encoderA() const; // 1 to 4, 0 for Off
    int encoderB() const;
    TriggerMath::Counting counting() const;
    double readoutUs() const { return TriggerMath::readoutUs(topLineRate); }

    static TriggerSettings read(const Reader& reader);
    // Reads again only what a write to feature can have changed; false when it changes nothing here.
    bool update(const std::string& feature, const Reader& reader);
    // Whether the encoder has to start counting afresh between these settings and other.
    bool sameEncoder(const TriggerSettings& other) const;
    bool operator==(const TriggerSettings& other) const;
    bool operator!=(const TriggerSettings& other) const { return !(*this == other); }
};
