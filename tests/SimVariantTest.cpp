#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimVariantReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

struct Refusal
{
    const char* file;
    const char* message;
};

} // namespace

// One file per way a variant can be wrong, each refused with the line an integrator reads.
TEST(SimVariant, EveryProblemIsRefusedWithOneLineSayingWhat)
{
    const Refusal refusals[] = {
        {"empty.json", "the file is empty"},
        {"malformed.json", "line 3, column 4: malformed JSON (unterminated object)"},
        {"unknown-key.json",
         "unknown key \"feature\" (known: serialNumber, modelName, omit, notify, features, bench)"},
        {"serial-number-number.json", "\"serialNumber\" must be a text, not a number"},
        {"omit-text.json", "\"omit\" must be a list of texts, not a text"},
        {"features-array.json", "\"features\" must be an object by feature name, not a list"},
        {"trigger-mode-banana.json",
         "feature TriggerMode: value \"Banana\" is none of its entries (Off, On)"},
        {"line-rate-text.json", "feature AcquisitionLineRate: its value must be a number, not \"fast\""},
        {"divider-boolean.json", "feature EncoderDividerFloat: its value must be a number, not true"},
        {"divider-out-of-range.json", "feature TriggerDivider: value 500 lies outside 1 to 128"},
        {"min-above-max.json", "feature AcquisitionLineRate: min 20000 is above max 500"},
        {"selector-missing.json",
         "feature Gain: its selector GainSelector is no enumeration feature of the camera"},
        {"range-excludes-value.json", "feature AcquisitionLineRate: value 10000 lies outside 20000 to 30000"},
        {"entries-exclude-value.json",
         "feature TriggerSource: value \"Software\" is none of its entries (Line1, Line2)"},
        {"value-unavailable-entry.json",
         "feature EncoderSourceA: value \"Line2\" is an entry it marks unavailable"},
        {"selector-omitted.json",
         "feature TriggerMode: its selector TriggerSelector is no enumeration feature of the camera"},
        {"bench-speed-text.json", "bench: \"beltSpeed\" must be a number, not \"fast\""},
        {"bench-unknown-key.json", "bench: encoder: unknown key \"ppr\" (known: pulsesPerRevolution, "
                                   "wheelCircumference, output, A, B)"},
        {"bench-output-ttl.json", "bench: \"output\" must be one of differential, single-ended, not \"TTL\""},
        {"bench-same-line.json", "bench: channels A and B cannot both be wired to Line2"},
        {"bench-ripple-large.json",
         "bench: the belt speed's ripple must lie from 0 to 0.5 of its speed, not 0.8"},
        {"selector-cycle.json",
         "feature ASelector: its selectors form a cycle (ASelector -> BSelector -> ASelector)"},
        {"selector-too-deep.json", "feature S1: its selectors are nested 5 deep, more than 4"},
        {"float-off-grid.json",
         "feature AcquisitionLineRate: value 10005 is off its grid (from 100 in steps of 10)"},
        {"integer-max-huge.json",
         "feature TriggerDivider: max 1e+300 lies outside the range of a 64-bit integer"},
        {"integer-value-9e18.json", "feature Counter: value 9000000000000000000 lies outside 0 to 100"},
        {"feature-name-empty.json", "a feature's name must not be empty"},
        {"entry-name-control.json",
         "feature Mode: an entry's name \"O\\u0000ff\" has a character that does not print"},
        // The second key is written with an escape: equal keys are compared as decoded.
        {"duplicate-key.json", "line 4, column 5: the key \"TriggerMode\" appears twice in one object"},
    };
    const QDir folder(QStringLiteral(LINETRIGGER_SOURCE_DIR "/tests/variants"));
    for (const Refusal& refusal : refusals) {
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString error;
        EXPECT_FALSE(SimVariantReader(builder).read(contents(folder.filePath(refusal.file)), &error))
            << refusal.file;
        EXPECT_EQ(error.toStdString(), refusal.message) << refusal.file;
    }
    EXPECT_EQ(folder.entryList({"*.json"}).size(), int(std::size(refusals))); // every example is in the table
}

// The edges of what is valid: int64's whole range on a grid (from -2^63 the distance overflows a
// signed subtraction), 2^63 - 1 as JSON can spell it, a float grid of decimal steps, a nested selector.
TEST(SimVariant, EdgesOfTheValidAreAccepted)
{
    const char* const accepted[] = {
        R"({"features": {"Big": {"type": "integer", "min": -9223372036854775808, "max": 9223372036854775807,
                                 "increment": 3, "value": 4}}})",
        R"({"features": {"EncoderDividerFloat": {"value": 1.3038}, "ExposureTime": {"value": 999999.9}}})",
        R"({"features": {"AcquisitionLineRate": {"min": 100, "max": 20000, "increment": 0.1, "value": 10000.3}}})",
        R"({"features": {"Outer": {"type": "enumeration", "entries": ["A", "B"]},
                         "Inner": {"type": "enumeration", "entries": ["X", "Y"], "selector": "Outer",
                                   "value": {"A": "X", "B": "Y"}},
                         "Gain": {"type": "float", "selector": "Inner", "max": 10, "value": {"X": 1, "Y": 2}}}})",
    };
    for (const char* json : accepted) {
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString error;
        EXPECT_TRUE(SimVariantReader(builder).read(json, &error)) << json << "\n" << error.toStdString();
    }
}

// A camera's cost grows with its features, not with their square: ten times the features must not
// take near a hundred times as long (reading the variant, building the camera, reading every value).
TEST(SimVariant, CostGrowsLinearlyWithTheFeatures)
{
    const auto secondsFor = [](int features) {
        QByteArray json = "{\"features\": {";
        for (int i = 0; i < features; ++i)
            json += QByteArray(i ? "," : "") + "\"Extra" + QByteArray::number(i) +
                    "\": {\"type\": \"integer\", \"max\": 100, \"value\": 7}";
        json += "}}";
        QElapsedTimer timer;
        timer.start();
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString error;
        EXPECT_TRUE(SimVariantReader(builder).read(json, &error)) << error.toStdString();
        const std::shared_ptr<SimCamera> camera = builder.build();
        size_t characters = 0;
        for (const std::string& name : camera->featureNames()) // as the viewer's camera panel reads them
            characters += camera->value(name).size();
        EXPECT_GT(characters, size_t(features));
        return timer.nsecsElapsed() / 1e9;
    };
    secondsFor(300); // warm up
    const double small = secondsFor(3000);
    const double large = secondsFor(30000);
    EXPECT_LT(large, 25 * small) << small << " s for 3000 features, " << large << " s for 30000";
}

TEST(SimVariant, ShippedExamplesAreAccepted)
{
    const QDir folder(QStringLiteral(LINETRIGGER_SOURCE_DIR "/sim/variants"));
    ASSERT_FALSE(folder.entryList({"*.json"}).isEmpty());
    for (const QString& file : folder.entryList({"*.json"})) {
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString error;
        EXPECT_TRUE(SimVariantReader(builder).read(contents(folder.filePath(file)), &error))
            << file.toStdString() << ": " << error.toStdString();
    }
}
