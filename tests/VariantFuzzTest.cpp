#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimVariantReader.h"
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
                                "\\x",
                                "null",
                                "1e308",
                                "-9223372036854775808",
                                "18446744073709551616",
                                "1e-7",
                                "\"\"",
                                "\"selector\": \"TriggerSelector\"",
                                "\"type\": \"integer\"",
                                "\"entries\": [\"A\", \"B\"]",
                                "\"increment\": 3",
                                "\"max\": 1e300",
                                "\"value\": {\"LineStart\": \"On\"}",
                                "\"features\": {",
                                "\"bench\": {\"encoder\": {",
                                "\"omit\": [\"TriggerSelector\"]",
                                "\"TriggerMode\""};

// Keys and values for edits that keep the JSON valid, so that the checks past parsing are reached.
const char* const keys[] = {"type",         "selector",
                            "entries",      "min",
                            "max",          "increment",
                            "value",        "available",
                            "writable",     "unavailableEntries",
                            "TriggerMode",  "TriggerSelector",
                            "LineSelector", "Gain",
                            "Width",        "beltSpeed",
                            "encoder",      "A",
                            "output",       "notify"};
const QJsonArray values = QJsonDocument::fromJson(R"([true, 0, -1, 3, 1e300, -9223372036854775808,
    9223372036854775807, 0.1, "", "On", "LineStart", "\u0000", "integer", "float", "enumeration",
    "TriggerSelector", "Line3", ["A", "B"], [], {"LineStart": "On"}, {}, null])")
                              .array();

struct Seed
{
    QByteArray text;
    QJsonObject tree; // empty where Qt's parser would leak (equal keys) or refuse
};

QList<Seed> corpus()
{
    QList<Seed> seeds;
    for (const char* folder : {"/sim/variants", "/tests/variants"}) {
        const QDir dir(QStringLiteral(LINETRIGGER_SOURCE_DIR) + QLatin1String(folder));
        for (const QString& name : dir.entryList({"*.json"})) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            Seed seed{file.readAll(), {}};
            if (name != QLatin1String("duplicate-key.json"))
                seed.tree = QJsonDocument::fromJson(seed.text).object();
            seeds << seed;
        }
    }
    return seeds;
}

// Changes one value somewhere in the tree: replaced, or a key added or removed beside it.
QJsonValue edit(const QJsonValue& value, std::mt19937& random, int depth = 0)
{
    const auto any = [&random] {
        return values[int(random() % unsigned(values.size()))];
    };
    if (value.isObject() && !value.toObject().isEmpty() && (depth == 0 || random() % 3 != 0)) {
        QJsonObject object = value.toObject();
        const QString key = object.keys()[int(random() % unsigned(object.size()))];
        switch (random() % 4) {
        case 0:
            object.insert(QString::fromLatin1(keys[random() % std::size(keys)]), any());
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
    return any();
}

// Half of the inputs: one to three edits of a seed's tree. The others: one to four edits of its
// bytes: changed, cut, repeated, fragments put in, another seed spliced in.
QByteArray mutate(const QList<Seed>& seeds, std::mt19937& random)
{
    const auto below = [&random](int n) {
        return n <= 0 ? 0 : int(random() % unsigned(n));
    };
    const Seed& seed = seeds[below(seeds.size())];
    if (!seed.tree.isEmpty() && below(2)) {
        QJsonValue tree = seed.tree;
        for (int e = 1 + below(3); e > 0; --e)
            tree = edit(tree, random);
        return QJsonDocument(tree.toObject()).toJson();
    }
    QByteArray input = seed.text;
    for (int e = 1 + below(4); e > 0; --e) {
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
            const QByteArray& other = seeds[below(seeds.size())].text;
            input = input.left(at) + other.mid(below(other.size()));
            break;
        }
        }
    }
    return input;
}

} // namespace

// Mutated variants against the reader: each is accepted, giving a camera whose every feature
// answers and takes its own value back, or refused with one printable line; none crashes, hangs or
// trips a sanitizer. LINETRIGGER_FUZZ_INPUTS sets how many (CI: the default, fewer under sanitizers,
// whose allocator makes each input a hundred times dearer).
TEST(VariantFuzz, MutatedVariantsAreAcceptedOrRefusedWithOneLine)
{
    const QList<Seed> seeds = corpus();
    ASSERT_GT(seeds.size(), 20);
    const int inputs = qEnvironmentVariableIsSet("LINETRIGGER_FUZZ_INPUTS")
                           ? qEnvironmentVariableIntValue("LINETRIGGER_FUZZ_INPUTS")
                           : (LINETRIGGER_SANITIZED ? 2000 : 10000);
    std::mt19937 random(20261206);
    int accepted = 0;
    qint64 slowestNs = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < inputs; ++i) {
        const QByteArray input = mutate(seeds, random);
        QElapsedTimer timer;
        timer.start();
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        QString error;
        if (SimVariantReader(builder).read(input, &error)) {
            ++accepted;
            const std::shared_ptr<SimCamera> camera = builder.build();
            for (const std::shared_ptr<Tovrik::Feature>& feature : camera->features()) {
                std::string value;
                if (feature->getValue(value) == 0)
                    feature->setValue(value.c_str()); // through the camera's own checks
            }
        } else {
            EXPECT_FALSE(error.isEmpty()) << input.toStdString();
            EXPECT_TRUE(std::all_of(error.begin(), error.end(), [](QChar c) { return c.isPrint(); }))
                << error.toStdString();
        }
        slowestNs = std::max(slowestNs, timer.nsecsElapsed());
    }
    EXPECT_LT(slowestNs, LINETRIGGER_SANITIZED ? 10000000000 : 1000000000) << "an input took too long";
    std::printf("%d mutated variants, %d accepted, in %.1f s; slowest %.1f ms\n", inputs, accepted,
                double(total.nsecsElapsed()) / 1e9, double(slowestNs) / 1e6);
}
