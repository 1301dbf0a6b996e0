#include "SettingsSnapshot.h"

#include "CameraDevice.h"
#include "FeatureName.h"
#include "TovrikExceptions.h"
#include "TovrikFeature.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

const QStringList typeNames{QStringLiteral("boolean"), QStringLiteral("integer"), QStringLiteral("float"),
                            QStringLiteral("string"), QStringLiteral("enumeration")};

QString typeName(int type)
{
    return typeNames.value(type - Tovrik::FeatureTypeBoolean);
}

// What the line-scan camera tells or measures: never a setting, never written.
const char* const told[] = {
    FeatureName::DeviceVendorName,      FeatureName::DeviceModelName, FeatureName::DeviceSerialNumber,
    FeatureName::DeviceFirmwareVersion, FeatureName::PayloadSize,     FeatureName::LineTriggerMissedCount,
    FeatureName::EncoderValue,          FeatureName::EncoderStatus,   FeatureName::LineStatus,
    FeatureName::LineStatusAll,
};

// The line-scan camera's own features: any camera built on the model (the simulated one) knows
// their type, entries and selector, and derives their ranges from the others, so a snapshot gives
// only their values; other features come with their whole description.
const QSet<QString>& modelFeatures()
{
    static const QSet<QString> names = [] {
        QSet<QString> all;
        for (const char* name : FeatureName::settings)
            all.insert(QLatin1String(name));
        for (const char* name : told)
            all.insert(QLatin1String(name));
        return all;
    }();
    return names;
}

bool isTold(const QString& name)
{
    return std::any_of(std::begin(told), std::end(told),
                       [&name](const char* t) { return name == QLatin1String(t); });
}

std::optional<QJsonValue> readValue(Tovrik::Feature& feature, int type)
{
    switch (type) {
    case Tovrik::FeatureTypeBoolean: {
        bool value = false;
        return feature.getValue(&value) == 0 ? std::optional<QJsonValue>(value) : std::nullopt;
    }
    case Tovrik::FeatureTypeInteger: {
        int64_t value = 0;
        return feature.getValue(&value) == 0 ? std::optional<QJsonValue>(static_cast<double>(value))
                                             : std::nullopt;
    }
    case Tovrik::FeatureTypeFloat: {
        double value = 0.0;
        return feature.getValue(&value) == 0 && std::isfinite(value) ? std::optional<QJsonValue>(value)
                                                                     : std::nullopt;
    }
    case Tovrik::FeatureTypeString:
    case Tovrik::FeatureTypeEnumeration: {
        std::string value;
        return feature.getValue(value) == 0 ? std::optional<QJsonValue>(QString::fromStdString(value))
                                            : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

int writeValue(Tovrik::Feature& feature, int type, const QJsonValue& value)
{
    switch (type) {
    case Tovrik::FeatureTypeBoolean:
        return value.isBool() ? feature.setValue(value.toBool()) : Tovrik::Status::InvalidParameter;
    case Tovrik::FeatureTypeInteger:
        return value.isDouble() ? feature.setValue(static_cast<int64_t>(std::llround(value.toDouble())))
                                : Tovrik::Status::InvalidParameter;
    case Tovrik::FeatureTypeFloat:
        return value.isDouble() ? feature.setValue(value.toDouble()) : Tovrik::Status::InvalidParameter;
    default:
        return value.isString() ? feature.setValue(value.toString().toStdString().c_str())
                                : Tovrik::Status::InvalidParameter;
    }
}

struct Handle
{
    std::shared_ptr<Tovrik::Feature> feature;
    int type = 0;
};

std::map<QString, Handle> byName(const std::vector<std::shared_ptr<Tovrik::Feature>>& features)
{
    std::map<QString, Handle> handles;
    for (const auto& feature : features) {
        std::string name;
        int type = 0;
        if (feature && feature->getName(name) == 0 && feature->getType(&type) == 0)
            handles.emplace(QString::fromStdString(name), Handle{feature, type});
    }
    return handles;
}

QStringList availableEntries(Tovrik::Feature& feature)
{
    std::vector<std::string> entries;
    QStringList available;
    if (feature.getEntries(entries, 0) != 0)
        return available;
    for (const std::string& entry : entries) {
        bool yes = true;
        if (feature.isEntryAvailable(entry, &yes) == 0 && yes)
            available << QString::fromStdString(entry);
    }
    return available;
}

void describe(Tovrik::Feature& feature, SettingsSnapshot::Feature* record)
{
    bool writable = false;
    record->writable = feature.isWritable(&writable) == 0 && writable;
    if (record->type == Tovrik::FeatureTypeEnumeration) {
        std::vector<std::string> entries;
        if (feature.getEntries(entries, 0) == 0) {
            for (const std::string& entry : entries)
                record->entries << QString::fromStdString(entry);
        }
    } else if (record->type == Tovrik::FeatureTypeInteger) {
        int64_t min = 0;
        int64_t max = 0;
        int64_t increment = 0;
        if (feature.getRange(&min, &max) == 0) {
            record->min = static_cast<double>(min);
            record->max = static_cast<double>(max);
        }
        if (feature.getIncrement(&increment) == 0 && increment > 0)
            record->increment = static_cast<double>(increment);
    } else if (record->type == Tovrik::FeatureTypeFloat) {
        double min = 0.0;
        double max = 0.0;
        double increment = 0.0;
        if (feature.getRange(&min, &max) == 0 && std::isfinite(min) && std::isfinite(max)) {
            record->min = min;
            record->max = max;
        }
        if (feature.getIncrement(&increment) == 0 && increment > 0.0 && std::isfinite(increment))
            record->increment = increment;
    }
}

struct Write
{
    QString feature;
    QString selector;
    QString entry;
    QJsonValue value;
    int status = 0;
};

// Writes one value, its selector set to its entry first; true when the camera holds it now. Not
// counted: a selector set back, no change of its own.
bool attempt(const std::map<QString, Handle>& handles, Write& write, SettingsSnapshot::Outcome* outcome,
             bool counted = true)
{
    const Handle& handle = handles.at(write.feature);
    if (!write.selector.isEmpty()) {
        write.status = handles.at(write.selector).feature->setValue(write.entry.toStdString().c_str());
        if (write.status != 0)
            return false;
    }
    const std::optional<QJsonValue> current = readValue(*handle.feature, handle.type);
    if (current && *current == write.value) {
        outcome->unchanged += counted ? 1 : 0;
        return true;
    }
    write.status = writeValue(*handle.feature, handle.type, write.value);
    if (write.status != 0)
        return false;
    outcome->written += counted ? 1 : 0;
    return true;
}

// Values before the modes that may lock them (an external trigger locks the line rate); what a mode
// unlocks (a line's source once it is an output) is written in the next pass, and passes go on while
// any write succeeds. What is still refused stays in pending.
void writeInPasses(const std::map<QString, Handle>& handles, std::vector<Write>& pending,
                   SettingsSnapshot::Outcome* outcome)
{
    const auto rank = [](const Write& write) {
        return write.feature.endsWith(QLatin1String("Mode")) ? 1 : 0;
    };
    std::stable_sort(pending.begin(), pending.end(),
                     [&rank](const Write& a, const Write& b) { return rank(a) < rank(b); });
    for (bool progress = true; progress && !pending.empty();) {
        progress = false;
        std::vector<Write> refused;
        for (Write& write : pending) {
            if (attempt(handles, write, outcome))
                progress = true;
            else
                refused.push_back(write);
        }
        pending = std::move(refused);
    }
}

} // namespace

QString SettingsSnapshot::text(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    return value.toString();
}

SettingsSnapshot SettingsSnapshot::take(const CameraDevice& camera)
{
    const std::vector<std::shared_ptr<Tovrik::Feature>> features = camera.features();
    SettingsSnapshot snapshot;
    const std::map<QString, Handle> handles = byName(features);
    // Selected features, by their selector, in the camera's order.
    std::map<QString, std::vector<size_t>> selected;
    for (const auto& feature : features) {
        std::string name;
        int type = 0;
        if (!feature || feature->getName(name) != 0 || feature->getType(&type) != 0 ||
            type == Tovrik::FeatureTypeCommand || typeName(type).isEmpty())
            continue;
        Feature record;
        record.name = QString::fromStdString(name);
        record.type = type;
        record.selector = QString::fromStdString(camera.selectorOf(name));
        if (!handles.count(record.selector))
            record.selector.clear();
        if (!modelFeatures().contains(record.name))
            describe(*feature, &record);
        record.writable = modelFeatures().contains(record.name) ? !isTold(record.name) : record.writable;
        if (record.selector.isEmpty()) {
            if (const std::optional<QJsonValue> value = readValue(*feature, type))
                record.values.emplace(QString(), *value);
            else
                continue; // not readable now: nothing to keep
        } else {
            selected[record.selector].push_back(snapshot.m_features.size());
        }
        snapshot.m_features.push_back(std::move(record));
    }
    for (const auto& [selectorName, members] : selected) {
        Tovrik::Feature& selector = *handles.at(selectorName).feature;
        std::string original;
        const bool known = selector.getValue(original) == 0;
        for (const QString& entry : availableEntries(selector)) {
            // Another application's camera: only the entry it names can be read.
            if (QString::fromStdString(original) != entry &&
                selector.setValue(entry.toStdString().c_str()) != 0)
                continue;
            for (const size_t index : members) {
                Feature& record = snapshot.m_features[index];
                if (const std::optional<QJsonValue> value =
                        readValue(*handles.at(record.name).feature, record.type))
                    record.values.emplace(entry, *value);
            }
        }
        if (known)
            selector.setValue(original.c_str());
    }
    snapshot.m_features.erase(std::remove_if(snapshot.m_features.begin(), snapshot.m_features.end(),
                                             [](const Feature& f) { return f.values.empty(); }),
                              snapshot.m_features.end());
    return snapshot;
}

QByteArray SettingsSnapshot::toJson() const
{
    QJsonObject features;
    for (const Feature& feature : m_features) {
        QJsonObject description;
        if (!modelFeatures().contains(feature.name)) {
            description[QStringLiteral("type")] = typeName(feature.type);
            if (!feature.selector.isEmpty())
                description[QStringLiteral("selector")] = feature.selector;
            if (!feature.entries.isEmpty())
                description[QStringLiteral("entries")] = QJsonArray::fromStringList(feature.entries);
            if (feature.min && feature.max) {
                description[QStringLiteral("min")] = *feature.min;
                description[QStringLiteral("max")] = *feature.max;
            }
            if (feature.increment)
                description[QStringLiteral("increment")] = *feature.increment;
            description[QStringLiteral("writable")] = feature.writable;
        }
        if (feature.selector.isEmpty()) {
            description[QStringLiteral("value")] = feature.values.begin()->second;
        } else {
            QJsonObject byEntry;
            for (const auto& [entry, value] : feature.values)
                byEntry[entry] = value;
            description[QStringLiteral("value")] = byEntry;
        }
        features[feature.name] = description;
    }
    QJsonObject root;
    root[QStringLiteral("features")] = features;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<SettingsSnapshot> SettingsSnapshot::read(const QByteArray& json, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QJsonParseError parsing;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parsing);
    if (parsing.error != QJsonParseError::NoError)
        return fail(QStringLiteral("malformed JSON at character %1 (%2)")
                        .arg(parsing.offset)
                        .arg(parsing.errorString()));
    if (!document.isObject() || !document.object().value(QStringLiteral("features")).isObject())
        return fail(
            QStringLiteral("a snapshot is a JSON object with \"features\", an object by feature name"));
    SettingsSnapshot snapshot;
    const QJsonObject features = document.object().value(QStringLiteral("features")).toObject();
    for (auto it = features.begin(); it != features.end(); ++it) {
        if (!it.value().isObject())
            return fail(QStringLiteral("feature %1: its description must be an object").arg(it.key()));
        const QJsonObject description = it.value().toObject();
        if (!description.contains(QStringLiteral("value")))
            continue; // a description without a value: nothing to apply
        Feature feature;
        feature.name = it.key();
        feature.type = typeNames.indexOf(description.value(QStringLiteral("type")).toString()) + 1;
        feature.selector = description.value(QStringLiteral("selector")).toString();
        feature.writable = modelFeatures().contains(feature.name)
                               ? !isTold(feature.name)
                               : description.value(QStringLiteral("writable")).toBool(true);
        const QJsonValue value = description.value(QStringLiteral("value"));
        if (value.isObject()) {
            const QJsonObject byEntry = value.toObject();
            for (auto entry = byEntry.begin(); entry != byEntry.end(); ++entry) {
                if (entry.value().isObject() || entry.value().isArray() || entry.value().isNull())
                    return fail(
                        QStringLiteral("feature %1: the value for %2 must be true, false, a number or a text")
                            .arg(feature.name, entry.key()));
                feature.values.emplace(entry.key(), entry.value());
            }
        } else if (value.isArray() || value.isNull()) {
            return fail(
                QStringLiteral("feature %1: its value must be true, false, a number, a text or an object "
                               "by selector entry")
                    .arg(feature.name));
        } else {
            feature.values.emplace(QString(), value);
        }
        if (!feature.values.empty())
            snapshot.m_features.push_back(std::move(feature));
    }
    return snapshot;
}

std::optional<SettingsSnapshot> SettingsSnapshot::readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return read(file.read(16 << 20), error);
}

const SettingsSnapshot::Feature* SettingsSnapshot::find(const QString& name) const
{
    const auto found = std::find_if(m_features.begin(), m_features.end(),
                                    [&name](const Feature& feature) { return feature.name == name; });
    return found != m_features.end() ? &*found : nullptr;
}

SettingsSnapshot::Outcome SettingsSnapshot::apply(const CameraDevice& camera) const
{
    const std::map<QString, Handle> handles = byName(camera.features());
    std::vector<Write> pending;
    QSet<QString> selectors;
    Outcome outcome;
    for (const Feature& feature : m_features) {
        if (!feature.writable)
            continue;
        if (!handles.count(feature.name)) {
            outcome.refused.push_back({feature.name, QString(), text(feature.values.begin()->second),
                                       QStringLiteral("the camera has no such feature")});
            continue;
        }
        QString selector = QString::fromStdString(camera.selectorOf(feature.name.toStdString()));
        if (!handles.count(selector))
            selector.clear();
        for (const auto& [entry, value] : feature.values) {
            if (selector.isEmpty()) {
                // A value by entry for a feature this camera does not select: its one value.
                pending.push_back({feature.name, QString(), QString(), value, 0});
                break;
            }
            // One value for a selected feature: the same at every entry, as in a variant file.
            const QStringList entries =
                entry.isEmpty() ? availableEntries(*handles.at(selector).feature) : QStringList{entry};
            for (const QString& each : entries)
                pending.push_back({feature.name, selector, each, value, 0});
        }
        if (!selector.isEmpty())
            selectors.insert(selector);
    }
    // The selectors' own values come at the end, after every selected value: where the snapshot
    // had them, or where they were.
    std::vector<Write> last;
    for (const QString& selector : selectors) {
        const Feature* own = find(selector);
        std::string before;
        if (own && own->writable && own->values.count(QString()))
            last.push_back({selector, QString(), QString(), own->values.at(QString()), 0});
        else if (handles.at(selector).feature->getValue(before) == 0)
            last.push_back({selector, QString(), QString(), QString::fromStdString(before), 0});
    }
    pending.erase(
        std::remove_if(pending.begin(), pending.end(),
                       [&selectors](const Write& write) { return selectors.contains(write.feature); }),
        pending.end());
    writeInPasses(handles, pending, &outcome);
    for (Write& write : last) {
        if (!attempt(handles, write, &outcome, false))
            pending.push_back(write);
    }
    for (const Write& write : pending)
        outcome.refused.push_back(
            {write.feature, write.selector.isEmpty() ? QString() : write.selector + "=" + write.entry,
             text(write.value), QString::fromStdString(Tovrik::errorMessage(write.status))});
    return outcome;
}

std::vector<SettingsSnapshot::Difference> SettingsSnapshot::compare(const SettingsSnapshot& left,
                                                                    const SettingsSnapshot& right)
{
    std::vector<Difference> differences;
    const auto side = [](const Feature* feature, const QString& entry) {
        if (!feature)
            return QString();
        const auto found = feature->values.find(entry);
        return found != feature->values.end() ? text(found->second) : QString();
    };
    const auto add = [&](const QString& name) {
        const Feature* a = left.find(name);
        const Feature* b = right.find(name);
        std::vector<QString> entries;
        for (const Feature* feature : {a, b}) {
            if (!feature)
                continue;
            for (const auto& value : feature->values) {
                if (std::find(entries.begin(), entries.end(), value.first) == entries.end())
                    entries.push_back(value.first);
            }
        }
        std::sort(entries.begin(), entries.end());
        const QString selector = a && !a->selector.isEmpty() ? a->selector : b ? b->selector : QString();
        for (const QString& entry : entries) {
            const QString l = side(a, entry);
            const QString r = side(b, entry);
            if (l != r)
                differences.push_back({name,
                                       entry.isEmpty()      ? QString()
                                       : selector.isEmpty() ? entry
                                                            : selector + "=" + entry,
                                       l, r});
        }
    };
    for (const Feature& feature : left.m_features)
        add(feature.name);
    for (const Feature& feature : right.m_features) {
        if (!left.find(feature.name))
            add(feature.name);
    }
    return differences;
}
