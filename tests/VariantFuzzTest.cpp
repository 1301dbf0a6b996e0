#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "TovrikFeature.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

// Fragments that take a variant into the reader's corners: numbers at the edges of their types,
// escapes, names that do not print, selectors, nesting.
const QByteArray fragments[] = {"{",
                                "}",
                                "[",
                                "]",
                                ",",
                                ":",
                                "\"",
                                "\\",
                                "\\u0000",
                                "\\ud800",
                                "null",
                                "true",
                                "false",
                                "0",
                                "-1",
                                "1e308",
                                "-9223372036854775808",
                                "9223372036854775807",
                                "18446744073709551616",
                                "0.1",
                                "1e-7",
                                "\"\"",
                                "\"selector\": \"TriggerSelector\"",
                                "\"selector\": \"LineSelector\"",
                                "\"type\": \"integer\"",
                                "\"type\": \"float\"",
                                "\"type\": \"enumeration\"",
                                "\"entries\": [\"A\", \"B\"]",
                                "\"increment\": 3",
                                "\"min\": -9223372036854775808",
                                "\"max\": 1e300",
                                "\"value\": {\"LineStart\": \"On\"}",
                                "\"features\": {",
                                "\"bench\": {\"encoder\": {",
                                "\"omit\": [\"TriggerSelector\"]",
                                "\"notify\": \"thread\"",
                                "\"TriggerMode\"",
                                "\"TriggerSelector\"",
                                "\"beltSpeed\": -1e9"};

// Keys and values for edits that keep the JSON valid, so that the reader's checks past parsing are
// reached too.
const char* const keys[] = {"type",
                            "selector",
                            "entries",
                            "min",
                            "max",
                            "increment",
                            "value",
                            "available",
                            "writable",
                            "unavailableEntries",
                            "description",
                            "TriggerMode",
                            "TriggerSelector",
                            "LineSelector",
                            "Gain",
                            "Width",
                            "beltSpeed",
                            "encoder",
                            "A",
                            "output",
                            "notify"};

QJsonValue anyValue(std::mt19937& random)
{
    const QJsonValue values[] = {QJsonValue(true),
                                 QJsonValue(0),
                                 QJsonValue(-1),
                                 QJsonValue(3),
                                 QJsonValue(1e300),
                                 QJsonValue(-9223372036854775808.0),
                                 QJsonValue(9223372036854775807.0),
                                 QJsonValue(0.1),
                                 QJsonValue(QString()),
                                 QJsonValue(QStringLiteral("On")),
                                 QJsonValue(QStringLiteral("LineStart")),
                                 QJsonValue(QString(QChar(0))),
                                 QJsonValue(QStringLiteral("integer")),
                                 QJsonValue(QStringLiteral("float")),
                                 QJsonValue(QStringLiteral("enumeration")),
                                 QJsonValue(QStringLiteral("TriggerSelector")),
                                 QJsonValue(QStringLiteral("Line3")),
                                 QJsonValue(QJsonArray{"A", "B"}),
                                 QJsonValue(QJsonArray{}),
                                 QJsonValue(QJsonObject{{"LineStart", "On"}}),
                                 QJsonValue(QJsonObject{}),
                                 QJsonValue()};
    return values[random() % std::size(values)];
}

// Changes one value somewhere in the tree: replaced, or a key added or removed beside it.
QJsonValue edit(const QJsonValue& value, std::mt19937& random, int depth = 0)
{
    if (value.isObject() && !value.toObject().isEmpty() && (depth == 0 || random() % 3 != 0)) {
        QJsonObject object = value.toObject();
        const QString key = object.keys()[int(random() % unsigned(object.size()))];
        switch (random() % 4) {
        case 0:
            object.insert(QString::fromLatin1(keys[random() % std::size(keys)]), anyValue(random));
            break;
        case 1:
            object.remove(key);
            break;
        default:
            object.insert(key, edit(object[key], random, depth + 1));
        }
        return object;
    }
    if (value.isArray() && !value.toArray().isEmpty() && random() % 2) {
        QJsonArray array = value.toArray();
        const int at = int(random() % unsigned(array.size()));
        array.replace(at, edit(array[at], random, depth + 1));
        return array;
    }
    return anyValue(random);
}

QList<QByteArray> corpus()
{
    QList<QByteArray> files;
    for (const char* folder : {"/sim/variants", "/tests/variants"}) {
        const QDir dir(QStringLiteral(LINETRIGGER_SOURCE_DIR) + QLatin1String(folder));
        for (const QString& name : dir.entryList({"*.json"})) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                files << file.readAll();
        }
    }
    return files;
}

// Half of the inputs: one to three edits of the tree. The others: one to four edits of the bytes: changed,
// cut, repeated, fragments put in, another file spliced in.
QByteArray mutate(const QList<QByteArray>& files, std::mt19937& random)
{
    const auto below = [&random](int n) {
        return n <= 0 ? 0 : int(random() % unsigned(n));
    };
    QByteArray input = files[below(files.size())];
    const QJsonDocument document = QJsonDocument::fromJson(input);
    if (document.isObject() && below(2)) {
        QJsonValue tree = document.object();
        for (int e = 1 + below(3); e > 0; --e)
            tree = edit(tree, random);
        return QJsonDocument(tree.toObject()).toJson();
    }
    const int edits = 1 + below(4);
    for (int e = 0; e < edits; ++e) {
        const int at = below(input.size() + 1);
        switch (below(5)) {
        case 0:
            if (!input.isEmpty())
                input[below(input.size())] = char(below(256));
            break;
        case 1:
            input.remove(at, 1 + below(16));
            break;
        case 2:
            input.insert(at, input.mid(below(input.size()), 1 + below(64)));
            break;
        case 3:
            input.insert(at, fragments[below(int(std::size(fragments)))]);
            break;
        default: {
            const QByteArray& other = files[below(files.size())];
            input = input.left(at) + other.mid(below(other.size()));
            break;
        }
        }
    }
    return input;
}

} // namespace

// Mutated variants against the reader: each is accepted, giving a camera whose every feature
// answers and takes its own value back, or refused with one printable line; none crashes, hangs or trips a
// sanitizer.
TEST(VariantFuzz, MutatedVariantsAreAcceptedOrRefusedWithOneLine)
{
    const QList<QByteArray> files = corpus();
    ASSERT_GT(files.size(), 20);
    const int inputs = qEnvironmentVariableIsSet("LINETRIGGER_FUZZ_INPUTS")
                           ? qEnvironmentVariableIntValue("LINETRIGGER_FUZZ_INPUTS")
                           : 10000;
    std::mt19937 random(20261206);
    int accepted = 0;
    qint64 slowestNs = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < inputs; ++i) {
        const QByteArray input = mutate(files, random);
        QElapsedTimer timer;
        timer.start();
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString error;
        if (builder.applyJson(input, &error)) {
            ++accepted;
            const std::shared_ptr<SimCamera> camera = builder.build();
            for (const std::shared_ptr<Tovrik::Feature>& feature : camera->features()) {
                std::string value;
                if (feature->getValue(value) == 0)
                    feature->setValue(value.c_str()); // through the camera's own checks
            }
        } else {
            EXPECT_FALSE(error.isEmpty()) << input.toStdString();
            EXPECT_FALSE(error.contains('\n')) << error.toStdString();
            EXPECT_TRUE(std::all_of(error.begin(), error.end(), [](QChar c) { return c.isPrint(); }))
                << error.toStdString();
        }
        slowestNs = std::max(slowestNs, timer.nsecsElapsed());
    }
    EXPECT_LT(slowestNs, 1000000000) << "an input took over a second";
    std::printf("%d mutated variants, %d accepted, in %.1f s; slowest %.1f ms\n", inputs, accepted,
                total.nsecsElapsed() / 1e9, slowestNs / 1e6);
}
