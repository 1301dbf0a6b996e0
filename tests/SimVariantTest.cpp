#include "SimCamera.h"
#include "SimCameraBuilder.h"

#include <QDir>
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
        {"selector-omitted.json",
         "feature TriggerMode: its selector TriggerSelector is no enumeration feature of the camera"},
        {"bench-speed-text.json", "bench: \"beltSpeed\" must be a number, not \"fast\""},
        {"bench-unknown-key.json", "bench: encoder: unknown key \"ppr\" (known: pulsesPerRevolution, "
                                   "wheelCircumference, output, A, B)"},
        {"bench-output-ttl.json", "bench: \"output\" must be one of differential, single-ended, not \"TTL\""},
        {"bench-same-line.json", "bench: channels A and B cannot both be wired to Line2"},
    };
    const QDir folder(QStringLiteral(LINETRIGGER_SOURCE_DIR "/tests/variants"));
    for (const Refusal& refusal : refusals) {
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString error;
        EXPECT_FALSE(builder.applyJson(contents(folder.filePath(refusal.file)), &error)) << refusal.file;
        EXPECT_EQ(error.toStdString(), refusal.message) << refusal.file;
    }
    EXPECT_EQ(folder.entryList({"*.json"}).size(), int(std::size(refusals))); // every example is in the table
}

TEST(SimVariant, ShippedExamplesAreAccepted)
{
    const QDir folder(QStringLiteral(LINETRIGGER_SOURCE_DIR "/sim/variants"));
    ASSERT_FALSE(folder.entryList({"*.json"}).isEmpty());
    for (const QString& file : folder.entryList({"*.json"})) {
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString error;
        EXPECT_TRUE(builder.applyJson(contents(folder.filePath(file)), &error))
            << file.toStdString() << ": " << error.toStdString();
    }
}
