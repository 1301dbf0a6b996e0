#include "SimVariantReader.h"

#include "SimCameraBuilder.h"
#include "SimFeatureDefinition.h"
#include "TovrikFeature.h"
#include "ValueText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

namespace {

// The first problem found; caught in read().
struct Problem
{
    QString text;
};

// A character that would not show, as \uXXXX: the line goes to a terminal or a log.
QString printable(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c.isPrint())
            result += c;
        else
            result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return result;
}

[[noreturn]] void fail(const QString& text)
{
    throw Problem{printable(text)};
}

[[noreturn]] void fail(const QString& feature, const QString& text)
{
    fail(QStringLiteral("feature %1: %2").arg(feature, text));
}

const QStringList typeNames{"boolean", "integer", "float", "string", "enumeration"};

int typeCode(const QString& name)
{
    const int index = typeNames.indexOf(name);
    return index < 0 ? 0 : index + Tovrik::FeatureTypeBoolean;
}

QString typeName(int code)
{
    return typeNames.value(code - Tovrik::FeatureTypeBoolean, QStringLiteral("other"));
}

// What a JSON value is, for messages about the wrong kind.
QString kindOf(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return QStringLiteral("true or false");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a text");
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    default:
        return QStringLiteral("null");
    }
}

QString numberText(double value)
{
    return QString::fromStdString(ValueText::fromNumber(value));
}

// The value as it appears in the file, for messages.
QString shown(const QJsonValue& value)
{
    if (value.isString())
        return '"' + value.toString() + '"';
    if (value.isDouble())
        return numberText(value.toDouble());
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return kindOf(value);
}

void checkKeys(const QJsonObject& object, const QStringList& known, const QString& where)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!known.contains(it.key()))
            fail(QStringLiteral("%1unknown key \"%2\" (known: %3)").arg(where, it.key(), known.join(", ")));
    }
}

QString text(const QJsonValue& value, const QString& what)
{
    if (!value.isString())
        fail(QStringLiteral("%1 must be a text, not %2").arg(what, kindOf(value)));
    return value.toString();
}

QStringList texts(const QJsonValue& value, const QString& what)
{
    if (!value.isArray())
        fail(QStringLiteral("%1 must be a list of texts, not %2").arg(what, kindOf(value)));
    QStringList result;
    for (const QJsonValue item : value.toArray())
        result << text(item, what + QStringLiteral(" entry"));
    return result;
}

double number(const QJsonValue& value, const QString& feature, const QString& what)
{
    if (!value.isDouble())
        fail(feature, QStringLiteral("%1 must be a number, not %2").arg(what, shown(value)));
    return value.toDouble();
}

bool flag(const QJsonValue& value, const QString& feature, const QString& what)
{
    if (!value.isBool())
        fail(feature, QStringLiteral("%1 must be true or false, not %2").arg(what, shown(value)));
    return value.toBool();
}

// A name (of a feature, an entry, the camera) must show and must not be empty.
void checkName(const QString& name, const QString& what)
{
    if (name.isEmpty())
        fail(QStringLiteral("%1 must not be empty").arg(what));
    if (!std::all_of(name.begin(), name.end(), [](QChar c) { return c.isPrint(); }))
        fail(QStringLiteral("%1 \"%2\" has a character that does not print").arg(what, name));
}

// -2^63 and 2^63 are exact doubles.
constexpr double int64Lowest = -9223372036854775808.0;
constexpr double int64Above = 9223372036854775808.0;

// A number of an integer feature: whole, and within int64.
int64_t wholeNumber(double value, const QString& feature, const QString& what)
{
    if (value != std::trunc(value))
        fail(feature, QStringLiteral("%1 %2 must be a whole number").arg(what, numberText(value)));
    if (value < int64Lowest || value > int64Above)
        fail(feature,
             QStringLiteral("%1 %2 lies outside the range of a 64-bit integer").arg(what, numberText(value)));
    // 2^63 - 1 written out reads as 2^63, the nearest double: take it as meant.
    return value == int64Above ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(value);
}

// A variant with two equal keys in one object is ambiguous, so it is refused. One pass over the
// text, one set per open object; text that is not JSON passes through it for the parser to refuse.
void checkDuplicateKeys(const QByteArray& json)
{
    struct Open
    {
        bool object = false;
        bool expectingKey = false;
        QSet<QString> keys;
    };
    std::vector<Open> open;
    int line = 1;
    int lineStart = 0;
    for (int i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '\n') {
            ++line;
            lineStart = i + 1;
        } else if (c == '{' || c == '[') {
            open.push_back({c == '{', c == '{', {}});
        } else if ((c == '}' || c == ']') && !open.empty()) {
            open.pop_back();
        } else if (c == ',' && !open.empty()) {
            open.back().expectingKey = open.back().object;
        } else if (c == '"') {
            const int start = i;
            QString decoded;
            QByteArray run;
            for (++i; i < json.size() && json[i] != '"'; ++i) {
                if (json[i] != '\\') {
                    run += json[i];
                    continue;
                }
                decoded += QString::fromUtf8(run);
                run.clear();
                const char escape = ++i < json.size() ? json[i] : '\\';
                const char* const coded = "bfnrt";
                const char* const known = escape ? std::strchr(coded, escape) : nullptr;
                if (escape == 'u') {
                    decoded += QChar(json.mid(i + 1, 4).toUShort(nullptr, 16));
                    i += 4;
                } else if (known) {
                    decoded += QLatin1Char("\b\f\n\r\t"[known - coded]);
                } else {
                    decoded += QLatin1Char(escape); // \" \\ \/, and what Qt's lenient parser lets by
                }
            }
            decoded += QString::fromUtf8(run);
            if (!open.empty() && open.back().expectingKey) {
                open.back().expectingKey = false;
                if (open.back().keys.contains(decoded))
                    fail(QStringLiteral("line %1, column %2: the key \"%3\" appears twice in one object")
                             .arg(line)
                             .arg(start - lineStart + 1)
                             .arg(decoded));
                open.back().keys.insert(decoded);
            }
        }
    }
}

QString entryNames(const SimFeatureDefinition& definition)
{
    QStringList names;
    for (const SimEntry& entry : definition.entries)
        names << QString::fromStdString(entry.name);
    return names.join(", ");
}

} // namespace

SimVariantReader::SimVariantReader(SimCameraBuilder& builder) : m_builder(builder) {}

bool SimVariantReader::read(const QByteArray& json, QString* error)
{
    try {
        if (json.trimmed().isEmpty())
            fail(QStringLiteral("the file is empty"));
        // Before Qt's parser: it keeps the last of two equal keys and leaks the first.
        checkDuplicateKeys(json);
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
        if (parseError.error != QJsonParseError::NoError) {
            const QByteArray before = json.left(parseError.offset);
            const int line = before.count('\n') + 1;
            const int column = parseError.offset - (before.lastIndexOf('\n') + 1) + 1;
            fail(QStringLiteral("line %1, column %2: malformed JSON (%3)")
                     .arg(line)
                     .arg(column)
                     .arg(parseError.errorString()));
        }
        if (!document.isObject())
            fail(QStringLiteral("the top level must be a JSON object, not a list"));
        readRoot(document.object());
        checkCamera();
        return true;
    } catch (const Problem& problem) {
        if (error)
            *error = problem.text;
        return false;
    }
}

void SimVariantReader::readRoot(const QJsonObject& root)
{
    checkKeys(root, {"serialNumber", "modelName", "omit", "notify", "features", "bench"}, QString());
    if (root.contains("bench"))
        readBench(root["bench"]);
    for (const auto& [key, feature] :
         {std::pair("serialNumber", "DeviceSerialNumber"), std::pair("modelName", "DeviceModelName")}) {
        if (!root.contains(key))
            continue;
        const QString what = QStringLiteral("\"%1\"").arg(key);
        const QString name = text(root[key], what);
        checkName(name, what);
        m_builder.setInitial(feature, name.toStdString());
    }
    if (root.contains("notify")) {
        const QString notify = text(root["notify"], "\"notify\"");
        if (notify != QLatin1String("thread") && notify != QLatin1String("synchronous"))
            fail(QStringLiteral("\"notify\" must be \"thread\" or \"synchronous\", not \"%1\"").arg(notify));
        m_builder.setNotifyMode(notify == QLatin1String("thread") ? SimNotifyMode::Thread
                                                                  : SimNotifyMode::Synchronous);
    }
    if (root.contains("omit")) {
        for (const QString& name : texts(root["omit"], "\"omit\"")) {
            if (!m_builder.find(name.toStdString()))
                fail(QStringLiteral("\"omit\" names %1, which the camera does not have").arg(name));
            m_builder.remove(name.toStdString());
        }
    }
    if (root.contains("features")) {
        const QJsonValue features = root["features"];
        if (!features.isObject())
            fail(QStringLiteral("\"features\" must be an object by feature name, not %1")
                     .arg(kindOf(features)));
        const QJsonObject byName = features.toObject();
        for (auto it = byName.begin(); it != byName.end(); ++it)
            readFeature(it.key(), it.value());
    }
}

void SimVariantReader::readBench(const QJsonValue& value)
{
    const auto object = [](const QJsonValue& item, const QString& what) {
        if (!item.isObject())
            fail(QStringLiteral("bench: %1 must be an object, not %2").arg(what, kindOf(item)));
        return item.toObject();
    };
    const auto real = [](const QJsonObject& in, const char* key, double* target) {
        if (!in.contains(key))
            return;
        if (!in[key].isDouble())
            fail(QStringLiteral("bench: \"%1\" must be a number, not %2").arg(key, shown(in[key])));
        *target = in[key].toDouble();
    };
    const auto choice = [](const QJsonObject& in, const char* key, const QStringList& choices) {
        QString chosen = text(in[key], QStringLiteral("bench: \"%1\"").arg(key));
        if (!choices.contains(chosen))
            fail(QStringLiteral("bench: \"%1\" must be one of %2, not \"%3\"")
                     .arg(key, choices.join(", "), chosen));
        return chosen;
    };
    SimBench bench = m_builder.bench();
    const QJsonObject root = object(value, QStringLiteral("\"bench\""));
    checkKeys(root, {"beltSpeed", "speedRipple", "pixelSize", "encoder"}, QStringLiteral("bench: "));
    real(root, "beltSpeed", &bench.beltSpeed);
    real(root, "speedRipple", &bench.speedRipple);
    real(root, "pixelSize", &bench.pixelSize);
    if (root.contains("encoder")) {
        const QJsonObject encoder = object(root["encoder"], QStringLiteral("\"encoder\""));
        checkKeys(encoder, {"pulsesPerRevolution", "wheelCircumference", "output", "A", "B"},
                  QStringLiteral("bench: encoder: "));
        real(encoder, "pulsesPerRevolution", &bench.pulsesPerRevolution);
        real(encoder, "wheelCircumference", &bench.wheelCircumference);
        if (encoder.contains("output"))
            bench.output =
                choice(encoder, "output", {"differential", "single-ended"}) == QLatin1String("differential")
                    ? SimEncoderOutput::Differential
                    : SimEncoderOutput::SingleEnded;
        const QStringList lines{"Line1", "Line2", "Line3", "Line4", "none"};
        if (encoder.contains("A"))
            bench.lineA = SimBench::lineNumber(choice(encoder, "A", lines).toStdString());
        if (encoder.contains("B"))
            bench.lineB = SimBench::lineNumber(choice(encoder, "B", lines).toStdString());
    }
    const std::string problem = bench.problem();
    if (!problem.empty())
        fail(QStringLiteral("bench: ") + QString::fromStdString(problem));
    m_builder.setBench(bench);
}

void SimVariantReader::readFeature(const QString& name, const QJsonValue& value)
{
    checkName(name, QStringLiteral("a feature's name"));
    if (!value.isObject())
        fail(name, QStringLiteral("its description must be an object, not %1").arg(kindOf(value)));
    const QJsonObject description = value.toObject();
    checkKeys(description,
              {"type", "description", "selector", "entries", "min", "max", "increment", "available",
               "writable", "unavailableEntries", "value"},
              QStringLiteral("feature %1: ").arg(name));
    const std::string key = name.toStdString();
    const int type = description.contains("type") ? typeCode(text(description["type"], "\"type\"")) : 0;
    if (description.contains("type") && type == 0)
        fail(name, QStringLiteral("type \"%1\" is none of %2")
                       .arg(description["type"].toString(), typeNames.join(", ")));
    if (!m_builder.find(key)) {
        if (type == 0)
            fail(name, QStringLiteral("is new and needs a \"type\" (%1)").arg(typeNames.join(", ")));
        SimFeatureDefinition added;
        added.name = key;
        added.type = type;
        m_builder.add(added);
    }
    SimFeatureDefinition& definition = *m_builder.find(key);
    if (type != 0 && type != definition.type)
        fail(name,
             QStringLiteral("is %1 and cannot become %2").arg(typeName(definition.type), typeName(type)));
    if (description.contains("description"))
        definition.description = text(description["description"], "\"description\"").toStdString();
    if (description.contains("selector"))
        definition.selector = text(description["selector"], "\"selector\"").toStdString();
    if (description.contains("entries"))
        readEntries(definition, description["entries"]);
    readRange(definition, description);
    if (description.contains("available"))
        definition.available = flag(description["available"], name, "\"available\"");
    if (description.contains("writable"))
        definition.writable = flag(description["writable"], name, "\"writable\"");
    if (description.contains("unavailableEntries")) {
        for (const QString& entryName : texts(description["unavailableEntries"], "\"unavailableEntries\"")) {
            if (!definition.entry(entryName.toStdString()))
                fail(name,
                     QStringLiteral("\"unavailableEntries\" names %1, which is none of its entries (%2)")
                         .arg(entryName, entryNames(definition)));
            m_builder.setEntryAvailable(key, entryName.toStdString(), false);
        }
    }
    if (description.contains("value"))
        readValue(definition, description["value"]);
}

void SimVariantReader::readEntries(SimFeatureDefinition& definition, const QJsonValue& value)
{
    const QString name = QString::fromStdString(definition.name);
    if (definition.type != Tovrik::FeatureTypeEnumeration)
        fail(name, QStringLiteral("only an enumeration has \"entries\""));
    QStringList names = texts(value, "\"entries\"");
    if (names.isEmpty() || names.removeDuplicates() > 0 || names.contains(QString()))
        fail(name, QStringLiteral("\"entries\" must be distinct, non-empty names, at least one"));
    definition.entries.clear();
    for (const QString& entryName : names) {
        checkName(entryName, QStringLiteral("feature %1: an entry's name").arg(name));
        definition.entries.push_back({entryName.toStdString(), std::string(), true});
    }
}

void SimVariantReader::readRange(SimFeatureDefinition& definition, const QJsonObject& description)
{
    const QString name = QString::fromStdString(definition.name);
    const bool numeric =
        definition.type == Tovrik::FeatureTypeInteger || definition.type == Tovrik::FeatureTypeFloat;
    for (const char* bound : {"min", "max", "increment"}) {
        if (!description.contains(bound))
            continue;
        if (!numeric)
            fail(name, QStringLiteral("only an integer or float has \"%1\"").arg(bound));
        const double limit = number(description[bound], name, QString::fromLatin1(bound));
        if (definition.type == Tovrik::FeatureTypeInteger)
            wholeNumber(limit, name, QString::fromLatin1(bound));
        if (QLatin1String(bound) == QLatin1String("increment") && !(limit >= 0.0))
            fail(name, QStringLiteral("increment %1 must not be negative").arg(numberText(limit)));
        (QLatin1String(bound) == QLatin1String("min")   ? definition.min
         : QLatin1String(bound) == QLatin1String("max") ? definition.max
                                                        : definition.increment) = limit;
    }
}

void SimVariantReader::readValue(SimFeatureDefinition& definition, const QJsonValue& value)
{
    const QString name = QString::fromStdString(definition.name);
    // One JSON value, or one per selector entry; its kind must be the feature's.
    const auto textOf = [&](const QJsonValue& item) -> std::string {
        switch (definition.type) {
        case Tovrik::FeatureTypeBoolean:
            return flag(item, name, QStringLiteral("its value")) ? "true" : "false";
        case Tovrik::FeatureTypeInteger:
            return std::to_string(wholeNumber(number(item, name, QStringLiteral("its value")), name,
                                              QStringLiteral("its value")));
        case Tovrik::FeatureTypeFloat:
            return ValueText::fromNumber(number(item, name, QStringLiteral("its value")));
        default:
            if (!item.isString())
                fail(name, QStringLiteral("its value must be a text, not %1").arg(shown(item)));
            return item.toString().toStdString();
        }
    };
    if (!value.isObject()) {
        definition.initial.clear();
        definition.initial[std::string()] = textOf(value);
        return;
    }
    if (definition.selector.empty())
        fail(name, QStringLiteral("a value by selector entry needs a \"selector\""));
    const QJsonObject byEntry = value.toObject();
    for (auto it = byEntry.begin(); it != byEntry.end(); ++it)
        definition.initial[it.key().toStdString()] = textOf(it.value());
}

void SimVariantReader::checkCamera() const
{
    std::unordered_map<std::string, int> depths;
    for (const SimFeatureDefinition& definition : m_builder.definitions()) {
        const QString name = QString::fromStdString(definition.name);
        const SimFeatureDefinition* selector = nullptr;
        if (!definition.selector.empty()) {
            selector = m_builder.find(definition.selector);
            if (!selector || selector->type != Tovrik::FeatureTypeEnumeration || selector == &definition)
                fail(name, QStringLiteral("its selector %1 is no enumeration feature of the camera")
                               .arg(QString::fromStdString(definition.selector)));
            checkSelectorChain(definition, &depths);
        }
        if (definition.type == Tovrik::FeatureTypeEnumeration && definition.entries.empty())
            fail(name, QStringLiteral("an enumeration needs \"entries\""));
        if ((definition.type == Tovrik::FeatureTypeInteger || definition.type == Tovrik::FeatureTypeFloat) &&
            definition.min > definition.max)
            fail(name, QStringLiteral("min %1 is above max %2")
                           .arg(numberText(definition.min), numberText(definition.max)));
        for (const auto& initial : definition.initial) {
            if (!initial.first.empty() && (!selector || !selector->entry(initial.first)))
                fail(name, QStringLiteral("a value is given for %1, which is no entry of its selector")
                               .arg(QString::fromStdString(initial.first)));
            checkValue(definition, initial.second);
        }
    }
}

// The camera finds a value's selector entry through the selector's own selector and so on: a cycle
// would never end, and a deep chain would be a camera no one builds.
void SimVariantReader::checkSelectorChain(const SimFeatureDefinition& definition,
                                          std::unordered_map<std::string, int>* depths) const
{
    constexpr int inProgress = -1;
    std::vector<const SimFeatureDefinition*> chain;
    const SimFeatureDefinition* current = &definition;
    int depth = 0;
    while (current && !current->selector.empty()) {
        const auto known = depths->find(current->name);
        if (known != depths->end() && known->second != inProgress) {
            depth = known->second;
            break;
        }
        if (known != depths->end()) {
            QStringList names;
            for (const SimFeatureDefinition* link : chain)
                names << QString::fromStdString(link->name);
            fail(QString::fromStdString(definition.name),
                 QStringLiteral("its selectors form a cycle (%1 -> %2)")
                     .arg(names.join(QStringLiteral(" -> ")), QString::fromStdString(current->name)));
        }
        (*depths)[current->name] = inProgress;
        chain.push_back(current);
        current = m_builder.find(current->selector);
    }
    for (auto link = chain.rbegin(); link != chain.rend(); ++link)
        (*depths)[(*link)->name] = ++depth;
    if (depth > maxSelectorDepth)
        fail(QString::fromStdString(definition.name),
             QStringLiteral("its selectors are nested %1 deep, more than %2")
                 .arg(depth)
                 .arg(maxSelectorDepth));
}

void SimVariantReader::checkValue(const SimFeatureDefinition& definition, const std::string& value) const
{
    const QString name = QString::fromStdString(definition.name);
    const QString shownValue = QString::fromStdString(value);
    const QString range =
        QStringLiteral("%1 to %2").arg(numberText(definition.min), numberText(definition.max));
    switch (definition.type) {
    case Tovrik::FeatureTypeInteger: {
        int64_t integer = 0;
        if (!ValueText::parseNumber(value, &integer))
            fail(name, QStringLiteral("value %1 is not a whole number").arg(shownValue));
        if (integer < definition.min || integer > definition.max)
            fail(name, QStringLiteral("value %1 lies outside %2").arg(shownValue, range));
        if (!definition.onGrid(integer, definition.min))
            fail(name, QStringLiteral("value %1 is off its grid (from %2 in steps of %3)")
                           .arg(shownValue, numberText(definition.min), numberText(definition.increment)));
        return;
    }
    case Tovrik::FeatureTypeFloat: {
        double real = 0.0;
        if (!ValueText::parseNumber(value, &real) || !std::isfinite(real))
            fail(name, QStringLiteral("value %1 is not a finite number").arg(shownValue));
        if (real < definition.min || real > definition.max)
            fail(name, QStringLiteral("value %1 lies outside %2").arg(shownValue, range));
        if (!definition.onGrid(real, definition.min))
            fail(name, QStringLiteral("value %1 is off its grid (from %2 in steps of %3)")
                           .arg(shownValue, numberText(definition.min), numberText(definition.increment)));
        return;
    }
    case Tovrik::FeatureTypeEnumeration: {
        const SimEntry* chosen = definition.entry(value);
        if (!chosen)
            fail(name, QStringLiteral("value \"%1\" is none of its entries (%2)")
                           .arg(shownValue, entryNames(definition)));
        if (!chosen->available)
            fail(name, QStringLiteral("value \"%1\" is an entry it marks unavailable").arg(shownValue));
        return;
    }
    case Tovrik::FeatureTypeBoolean: {
        bool unused = false;
        if (!ValueText::parseBoolean(value, &unused))
            fail(name, QStringLiteral("value %1 is not true or false").arg(shownValue));
        return;
    }
    default:
        return;
    }
}
