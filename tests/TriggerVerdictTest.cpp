#include "TriggerVerdict.h"
#include "TriggerObservation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <vector>

namespace {

using Activity = TriggerObservation::Activity;
using Figures = TriggerVerdict::Figures;

// A GenICam camera on site: triggered by a two-channel encoder on Line1 and Line2 (10 pulses per
// mm, FourPhase: one count per pulse), lines of 0.1 mm, the belt at 250 mm/s. Nothing says the
// belt's speed but the counts.
TriggerObservation onSite()
{
    TriggerObservation o;
    o.acquiring = true;
    o.seconds = 1.0;
    o.linesPerSecond = 2500;
    o.missedPerSecond = 0.0;
    o.countsPerSecond = 2500;
    o.encoderValue = 12345;
    o.encoderStatus = QStringLiteral("EncoderUp");
    o.lines = {Activity::Unknown, Activity::Active, Activity::Active, Activity::Low, Activity::Low};
    TriggerSettings s;
    s.triggerMode = "On";
    s.triggerSource = "Encoder0";
    s.triggerActivation = "RisingEdge";
    s.sourceA = "Line1";
    s.sourceB = "Line2";
    s.encoderMode = "FourPhase";
    s.invertedKnown = {true, true, true, true, true};
    o.settings = s;
    o.installation = Installation{};
    return o;
}

TriggerSettings& set(TriggerObservation& o)
{
    return *o.settings;
}

void internal(TriggerObservation& o, double bench = 250.0)
{
    set(o).triggerMode = "Off";
    o.linesPerSecond = set(o).lineRate;
    o.beltSpeed = bench;
}

void fromLine(TriggerObservation& o, int line, const char* activation)
{
    set(o).triggerSource = "Line" + std::to_string(line);
    set(o).triggerActivation = activation;
    o.beltSpeed = 250.0;
}

void oneChannel(TriggerObservation& o)
{
    set(o).sourceB = "Off";
}

struct Situation
{
    const char* words;
    std::function<void(TriggerObservation&)> setUp;
    std::vector<const char*> says;
    std::vector<const char*> never;
    std::optional<double> linesPerMm = {}; // NAN: must stay unknown
    std::optional<double> stretch = {};
};

const double unknown = std::nan("");

} // namespace

// Each situation in words, its decisive figures and what the sentence must and must not say.
TEST(TriggerVerdict, EverySituationIsJudgedFromTheEvidence)
{
    // clang-format off
    const Situation situations[] = {
        {"acquisition stopped", [](TriggerObservation& o) { o.acquiring = false; }, {"Acquisition is stopped"}, {}},
        {"lines come before the set-up was read", [](TriggerObservation& o) { o.settings.reset(); },
         {"Lines come, 2500 per second; the camera's set-up is not known yet."}, {}, unknown},
        {"encoder, square pixels, belt speed from the counts", [](TriggerObservation&) {},
         {"Lines follow the encoder: 2500 per second, 10 per mm: square pixels."}, {"backwards"}, 10.0, 1.0},
        {"encoder, no installation figures",
         [](TriggerObservation& o) { o.installation.reset(); },
         {"Lines follow the encoder: 2500 per second; enter the installation's pixel size and encoder"}, {"per mm"}, unknown},
        {"two pulses per line squeeze the image", [](TriggerObservation& o) { set(o).encoderDivider = 2; o.linesPerSecond = 1250; },
         {"5 per mm; square pixels need 10 per mm, so the image is squeezed to 0.5 of its length along the belt: set "
          "the pulses per line to 1."}, {}, 5.0, 0.5},
        {"a fractional divider to propose", [](TriggerObservation& o) { o.installation->pulsesPerRevolution = 2048;
             o.installation->wheelCircumference = 157.08; o.countsPerSecond = 3259.5; o.linesPerSecond = 3259.5; },
         {"stretched 1.3 times", "set the pulses per line to 1.3038"}, {}},
        {"TriggerDivider halves the lines", [](TriggerObservation& o) { set(o).triggerDivider = 2; o.linesPerSecond = 1250; },
         {"squeezed to 0.5", "the trigger divider (TriggerDivider) of 2 drops lines the encoder makes; set it to 1 and "
          "the pulses per line to 1"}, {"pulses per line to 0.5"}, 5.0, 0.5},
        {"an encoder too coarse for the pixel size", [](TriggerObservation& o) { o.installation->pulsesPerRevolution = 10;
             o.countsPerSecond = 25; o.linesPerSecond = 25; },
         {"The encoder is too coarse for square pixels: at 1 pulse per line, the fewest the camera takes, it gives 0.1 "
          "lines per mm", "an encoder of at least 1000 pulses per revolution on this wheel would do"},
         {"pulses per line to 0.01", "HighResolution"}, 0.1, 0.01},
        {"too coarse counting four phases, fine counting every edge", [](TriggerObservation& o) {
             o.installation->pulsesPerRevolution = 500; o.countsPerSecond = 1250; o.linesPerSecond = 1250; },
         {"too coarse", "counting every edge (EncoderMode HighResolution) would do, at 2 pulses per line"}, {}, 5.0, 0.5},
        {"an encoder given in pulses per mm, too coarse", [](TriggerObservation& o) { o.installation->pulsesPerMmGiven = 2;
             o.countsPerSecond = 500; o.linesPerSecond = 500; },
         {"an encoder of at least 10 pulses per mm would do"}, {}, 2.0, 0.2},
        {"an encoder so fine that the divider's top is not enough", [](TriggerObservation& o) {
             o.installation->pulsesPerRevolution = 2000000; set(o).encoderDivider = 1024; o.countsPerSecond = 5.0e6;
             o.linesPerSecond = 5.0e6 / 1024; },
         {"set the trigger divider (TriggerDivider) to 2 and the pulses per line to 1000"}, {}},
        {"1.5 % stretched is not square", [](TriggerObservation& o) { o.installation->pixelSize = 0.1015; },
         {"stretched 1.02 times", "set the pulses per line to 1.015"}, {"square pixels."}, 10.0, 1.015},
        {"0.5 % stretched is square", [](TriggerObservation& o) { o.installation->pixelSize = 0.1005; },
         {"10 per mm: square pixels."}, {}, 10.0, 1.005},
        {"1.5 % squeezed is not square", [](TriggerObservation& o) { o.installation->pixelSize = 0.0985; },
         {"squeezed to 0.985 of its length"}, {"square pixels."}, 10.0, 0.985},
        {"0.5 % squeezed is square", [](TriggerObservation& o) { o.installation->pixelSize = 0.0995; },
         {"square pixels."}, {"squeezed"}, 10.0, 0.995},
        {"one channel, belt backwards: counts up all the same", [](TriggerObservation& o) { oneChannel(o); o.beltSpeed = -250; },
         {"Lines follow the encoder", "with one channel the encoder cannot tell", "the image is mirrored"}, {}},
        {"two channels backwards with channel A inverted", [](TriggerObservation& o) {
             o.beltSpeed = -250; set(o).inverted[1] = true; },
         {"The belt runs backwards, yet the encoder counts up: Line1 is inverted", "mirrored"}, {"one channel"}},
        {"two channels backwards, swapped or turned round", [](TriggerObservation& o) { o.beltSpeed = -250; },
         {"yet the encoder counts up: channels A and B are swapped"}, {"one channel"}},
        {"two channels backwards: no lines until the way back is made up", [](TriggerObservation& o) {
             o.beltSpeed = -250; o.countsPerSecond = -2500; o.linesPerSecond = 0; o.encoderStatus = QStringLiteral("EncoderDown"); },
         {"No lines: the encoder counts backwards (2500 a second)"}, {}, unknown},
        {"belt forwards, channel A inverted: counts down", [](TriggerObservation& o) {
             o.beltSpeed = 250; set(o).inverted[1] = true; o.countsPerSecond = -2500; o.linesPerSecond = 0; },
         {"counts backwards", "The belt runs forwards, but Line1 is inverted, which turns the count round"}, {}},
        {"page on the encoder, channel A Off, lines at the camera's own rate", [](TriggerObservation& o) {
             set(o).sourceA = "Off"; set(o).lineRate = 12800; o.countsPerSecond = 0; o.linesPerSecond = 12800;
             o.lines = {Activity::Unknown, Activity::Low, Activity::Low, Activity::Low, Activity::Low}; },
         {"Lines come, 12800 per second, but not from the encoder: it counts nothing (channel A is Off).",
          "at the line rate set, 12800 per second"}, {"Lines follow the encoder"}, unknown},
        {"more lines than the counts make", [](TriggerObservation& o) { o.linesPerSecond = 5000; },
         {"Lines come at 5000 per second, but the encoder's 2500 counts a second at 1 pulse per line make 2500: they "
          "do not all come from the encoder."}, {"Lines follow"}},
        {"fewer lines than the counts make", [](TriggerObservation& o) { o.linesPerSecond = 1000; set(o).triggerDivider = 1; },
         {"fewer come than the encoder makes"}, {}},
        {"internal rate on a moving belt", [](TriggerObservation& o) { internal(o); },
         {"Lines come at the camera's own line rate, 10000 per second, 40 per mm; square pixels need 10 per mm, so "
          "the image is stretched 4 times along the belt: set the line rate to 2500 per second"}, {}, 40.0, 4.0},
        {"internal rate, TriggerDivider above 1 has no say", [](TriggerObservation& o) { internal(o); set(o).triggerDivider = 2; },
         {"10000 per second, 40 per mm"}, {"TriggerDivider"}, 40.0, 4.0},
        {"internal rate set apart from the rate measured", [](TriggerObservation& o) { internal(o); set(o).lineRate = 5000;
             o.linesPerSecond = 12200; },
         {"Lines come at 12200 per second, not at the line rate of 5000 set in the camera"}, {"own line rate"}},
        {"internal rate, belt too fast for square pixels", [](TriggerObservation& o) { internal(o, 10000); },
         {"too fast for square pixels at the camera's own rate, whose top is 80000 per second"}, {"set the line rate"}},
        {"internal rate, belt speed from the encoder's counts only", [](TriggerObservation& o) { internal(o); o.beltSpeed.reset(); },
         {"10000 per second, 40 per mm"}, {}, 40.0, 4.0},
        {"internal rate, no installation, encoder turning", [](TriggerObservation& o) { internal(o); o.beltSpeed.reset();
             o.installation.reset(); },
         {"the belt moves (the encoder counts 2500 a second), so the image stretches with its speed"}, {}, unknown},
        {"internal rate, belt standing", [](TriggerObservation& o) { internal(o, 0); o.countsPerSecond = 0; },
         {"Lines come at the camera's own line rate, 10000 per second."}, {"per mm"}, unknown},
        {"rising edges on Line3, square", [](TriggerObservation& o) { fromLine(o, 3, "RisingEdge");
             o.lines[3] = Activity::Active; },
         {"Lines follow Line3 (rising edges): 2500 per second, 10 per mm: square pixels."}, {}, 10.0, 1.0},
        {"every edge on Line3 doubles the lines", [](TriggerObservation& o) { fromLine(o, 3, "AnyEdge");
             o.lines[3] = Activity::Active; o.linesPerSecond = 5000; },
         {"Lines follow Line3 (every edge): 5000 per second, 20 per mm", "set the trigger divider (TriggerDivider) to 2"},
         {}, 20.0, 2.0},
        {"falling edges, pulses too far apart", [](TriggerObservation& o) { fromLine(o, 4, "FallingEdge");
             o.lines[4] = Activity::Active; o.linesPerSecond = 1000; },
         {"Lines follow Line4 (falling edges)", "the pulses on Line4 set the spacing; for square pixels they must come "
          "every 0.1 mm"}, {}, 4.0, 0.4},
        {"lines while the chosen line stands still", [](TriggerObservation& o) { fromLine(o, 3, "RisingEdge"); },
         {"Lines come, 2500 per second, but Line3 shows no signal: they do not follow it."}, {}},
        {"level activation: lines at the rate while the level holds", [](TriggerObservation& o) {
             fromLine(o, 1, "LevelHigh"); o.linesPerSecond = 5000; },
         {"Lines are taken at the line rate of 10000 per second while Line1 is high (LevelHigh): 5000 per second, 20 "
          "per mm"}, {"follow Line1"}, 20.0, 2.0},
        {"low level never comes", [](TriggerObservation& o) { fromLine(o, 1, "LevelLow"); o.linesPerSecond = 0;
             o.lines[1] = Activity::High; },
         {"No lines: lines are taken only while Line1 is low (LevelLow), and it never is"}, {}},
        {"encoder pulses with a level activation", [](TriggerObservation& o) { set(o).triggerActivation = "LevelHigh";
             o.linesPerSecond = 0; },
         {"a level activation (LevelHigh) never sees them. Set the trigger's activation to RisingEdge."}, {}},
        {"overtrigger: exposure advice keeps its margin", [](TriggerObservation& o) { o.countsPerSecond = 50000;
             o.linesPerSecond = 16667; o.missedPerSecond = 33333; },
         {"triggers come at 50000 per second, 150 % more than an exposure of 50 µs allows (20000 lines per second)",
          "Shorten the exposure to 18.1 µs, 10 % below the 20 µs the triggers leave, or raise the pulses per line to 2.75",
          "the belt may run at most 2000 mm/s (120 m/min)."}, {"at most 20 µs", "19.9"}, 10.0 / 3, 1.0 / 3},
        {"overtrigger on an integer exposure grid", [](TriggerObservation& o) { o.countsPerSecond = 30000;
             o.linesPerSecond = 20000; o.missedPerSecond = 10000; set(o).exposureLimits.increment = 1; },
         {"Shorten the exposure to 30 µs"}, {"30.3"}},
        {"beyond the top line rate", [](TriggerObservation& o) { set(o).exposureUs = 5; o.countsPerSecond = 100000;
             o.linesPerSecond = 80000; o.missedPerSecond = 20000; },
         {"more than the camera's top line rate of 80000; run the belt slower, or raise the pulses per line to 1.375"}, {}},
        {"no exposure short enough with room to spare", [](TriggerObservation& o) { set(o).exposureUs = 20;
             o.countsPerSecond = 75000; o.linesPerSecond = 50000; o.missedPerSecond = 25000; },
         {"No exposure the camera takes leaves 10 % to spare at this rate: run the belt slower"}, {"Shorten"}},
        {"internal rate faster than the exposure allows", [](TriggerObservation& o) { internal(o);
             set(o).exposureUs = 200; o.linesPerSecond = 5000; o.missedPerSecond = 5000; },
         {"Lines are missed", "Shorten the exposure to 90.9 µs"}, {"pulses per line"}},
        {"no figures, the circles in view measure a stretch", [](TriggerObservation& o) { o.installation.reset();
             o.stretchFromImage = 2.0; },
         {"Lines follow the encoder: 2500 per second; the circles in view measure a stretch of 2: set the pulses per "
          "line to 2."}, {"enter the installation"}, unknown},
        {"no figures, the circles in view are round", [](TriggerObservation& o) { o.installation.reset();
             o.stretchFromImage = 1.004; },
         {"the circles in view measure a stretch of 1: square pixels."}, {}, unknown},
        {"no figures, internal rate, the circles say how far to slow it", [](TriggerObservation& o) { internal(o);
             o.installation.reset(); o.beltSpeed.reset(); o.stretchFromImage = 4.0; },
         {"the circles in view measure a stretch of 4: set the line rate to 2500 per second;"}, {}, unknown},
        {"no figures, internal rate, squeezed past the top rate", [](TriggerObservation& o) { internal(o);
             o.installation.reset(); o.beltSpeed.reset(); o.stretchFromImage = 0.1; },
         {"a stretch of 0.1, beyond what the line rate can correct;"}, {"set the line rate"}, unknown},
        {"figures and image agree within what the image measures to", [](TriggerObservation& o) {
             o.stretchFromImage = 1.02; }, {"10 per mm: square pixels."}, {"check the installation"}, 10.0, 1.0},
        {"the image contradicts the figures", [](TriggerObservation& o) { o.stretchFromImage = 2.0; },
         {"square pixels. The circles in view measure a stretch of 2, not 1: check the installation's pixel size and "
          "encoder."}, {}, 10.0, 1.0},
        {"stream packets lost", [](TriggerObservation& o) { o.incompletePerSecond = 3; },
         {"The network loses stream packets: 3 frames a second arrive incomplete", "Lines follow the encoder"}, {}},
        {"encoder wired to Line3, page on Line1", [](TriggerObservation& o) { o.countsPerSecond = 0; o.linesPerSecond = 0;
             o.lines = {Activity::Unknown, Activity::Low, Activity::Low, Activity::Active, Activity::Low}; },
         {"Channel A is set to Line1, which shows no signal, while Line3 does: the encoder seems wired to Line3 "
          "(\"Line3 - IO Pin 3\" on the page)."}, {}},
        {"channel B not wired", [](TriggerObservation& o) { o.countsPerSecond = 0; o.linesPerSecond = 0;
             o.lines[2] = Activity::Low; },
         {"channel A's Line1 has a signal but channel B's Line2 has none"}, {}},
        {"no encoder signal at all", [](TriggerObservation& o) { o.countsPerSecond = 0; o.linesPerSecond = 0;
             o.lines = {Activity::Unknown, Activity::Low, Activity::Low, Activity::Low, Activity::Low}; },
         {"No encoder signal at all"}, {}},
        {"encoder without input", [](TriggerObservation& o) { set(o).sourceA = "Off"; o.countsPerSecond = 0; o.linesPerSecond = 0; },
         {"the encoder has no input"}, {}},
        {"encoder counts, no line follows", [](TriggerObservation& o) { o.linesPerSecond = 0; },
         {"No lines: the encoder counts 2500 a second, which at 1 pulse per line should make 2500 lines a second"}, {}},
        {"the camera does not say which lines move", [](TriggerObservation& o) { o.countsPerSecond = 0; o.linesPerSecond = 0;
             o.lines = {}; },
         {"the camera does not say which of its lines have a signal"}, {}},
        {"software trigger while the encoder turns", [](TriggerObservation& o) { set(o).triggerSource = "Software";
             o.linesPerSecond = 0; },
         {"No lines: the line trigger waits for Software, while the encoder turns: choose the encoder on the page."}, {}},
        {"internal rate, no lines: a frame trigger holds them", [](TriggerObservation& o) { internal(o); o.linesPerSecond = 0; },
         {"the camera may wait for a frame trigger"}, {}},
    };
    // clang-format on
    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.words);
        TriggerObservation o = onSite();
        situation.setUp(o);
        const QString sentence = TriggerVerdict::sentence(o);
        for (const char* fact : situation.says)
            EXPECT_TRUE(sentence.contains(QString::fromUtf8(fact)))
                << sentence.toStdString() << "\n  lacks: " << fact;
        for (const char* wrong : situation.never)
            EXPECT_FALSE(sentence.contains(QString::fromUtf8(wrong)))
                << sentence.toStdString() << "\n  has: " << wrong;
        const Figures f = TriggerVerdict::figures(o);
        if (situation.linesPerMm && std::isnan(*situation.linesPerMm)) {
            EXPECT_FALSE(f.linesPerMm) << *f.linesPerMm;
            EXPECT_FALSE(f.stretch);
        } else if (situation.linesPerMm) {
            ASSERT_TRUE(f.linesPerMm);
            EXPECT_NEAR(*f.linesPerMm, *situation.linesPerMm, 1e-9 + *situation.linesPerMm * 1e-3);
        }
        if (situation.stretch) {
            ASSERT_TRUE(f.stretch);
            EXPECT_NEAR(*f.stretch, *situation.stretch, 1e-3);
        }
    }
}

// The belt's speed comes from the machine where it says it, else from the counts; one channel
// cannot tell its direction, and no count is a standing belt only if nothing moves on any line.
TEST(TriggerVerdict, BeltSpeedIsKnownOnlyWhereTheEvidenceSaysIt)
{
    TriggerObservation o = onSite();
    EXPECT_EQ(TriggerVerdict::figures(o).beltSpeed, 250.0);
    EXPECT_TRUE(TriggerVerdict::figures(o).beltDirectionKnown);
    set(o).encoderMode = "HighResolution"; // four counts a pulse
    o.countsPerSecond = 10000;
    EXPECT_EQ(TriggerVerdict::figures(o).beltSpeed, 250.0);
    oneChannel(o); // two counts a pulse
    o.countsPerSecond = 5000;
    EXPECT_EQ(TriggerVerdict::figures(o).beltSpeed, 250.0);
    EXPECT_FALSE(TriggerVerdict::figures(o).beltDirectionKnown);
    o.countsPerSecond = 0;
    EXPECT_FALSE(TriggerVerdict::figures(o).beltSpeed); // Line1 and Line2 still move
    o.lines = {Activity::Unknown, Activity::Low, Activity::High, Activity::Low, Activity::Low};
    EXPECT_EQ(TriggerVerdict::figures(o).beltSpeed, 0.0);
    o.beltSpeed = -100.0;
    EXPECT_EQ(TriggerVerdict::figures(o).beltSpeed, -100.0);
}
