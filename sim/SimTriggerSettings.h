#pragma once

#include "TriggerMath.h"

#include <array>
#include <cstdint>

class SimCamera;

// The camera's features that its trigger logic and its sensor act on, read in one go.
struct SimTriggerSettings
{
    enum class Source { Encoder, Line, Other };
    enum class Activation { RisingEdge, FallingEdge, AnyEdge, LevelHigh, LevelLow };

    // LineStart: TriggerMode On takes lines from the source, Off from the line rate.
    bool lineTriggerOn = false;
    Source source = Source::Other;
    int sourceLine = 0; // 1 to 4 when the source is a line
    Activation activation = Activation::RisingEdge;
    int64_t triggerDivider = 1;
    double lineRate = 10000.0;
    double exposureUs = 50.0;
    double readoutUs = 12.5; // from the top line rate
    // Encoder0: its source lines (0 for Off), how it counts and its divider.
    int encoderA = 0;
    int encoderB = 0;
    TriggerMath::Counting counting = TriggerMath::Counting::FourPhase;
    double encoderDivider = 1.0;
    // By line 1 to 4 (index 0 unused): LineMode Input, LineInverter.
    std::array<bool, 5> input{};
    std::array<bool, 5> inverted{};
    int width = 4096;
    int height = 1024;

    static SimTriggerSettings read(const SimCamera& camera);
    // Whether the encoder has to start counting afresh between these settings and other.
    bool sameEncoder(const SimTriggerSettings& other) const;
};
