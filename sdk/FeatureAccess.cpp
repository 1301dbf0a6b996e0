#include "FeatureAccess.h"

#include "TovrikExceptions.h"
#include "TovrikFeature.h"
#include "TovrikStatus.h"

#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

// Lifts quotients such as (0.3 - 0.1) / 0.1, which evaluate just below a whole number, onto it.
constexpr double gridTolerance = 1.000000000001;

bool hasGrid(double increment)
{
    // A zero, negative or non-finite increment means the feature has no grid: only clamp.
    return std::isfinite(increment) && increment > 0.0;
}

double snappedMaximum(double min, double max, double increment)
{
    if (!hasGrid(increment))
        return max;
    return std::min(std::floor(((max - min) / increment) * gridTolerance) * increment + min, max);
}

// The value put onto the grid below it, then clamped to min and top (the caller's snapped maximum).
double snappedTarget(double value, double min, double top, double increment)
{
    double v = value;
    if (hasGrid(increment))
        v = std::min(std::floor(((value - min) / increment) * gridTolerance) * increment + min, value);
    if (min > v)
        return min;
    if (v > top)
        return top;
    return v;
}

int64_t toInt64(double value)
{
    // Saturate instead of overflowing: the bounds come from the camera.
    constexpr double lowest = static_cast<double>(std::numeric_limits<int64_t>::min());
    constexpr double highest = 9223372036854774784.0; // largest double below 2^63
    if (value <= lowest)
        return std::numeric_limits<int64_t>::min();
    if (value >= highest)
        return static_cast<int64_t>(highest);
    return static_cast<int64_t>(std::trunc(value));
}

void requireNumber(double value)
{
    if (std::isnan(value))
        throw Tovrik::InvalidParameterException("Value was not a number!");
}

struct Output
{
    const void* pointer;
    const char* name;
};

// Every read of a value, range or increment: the handle and then each output are checked, each with
// its own message, before the SDK is asked; its status becomes an exception.
template <typename Call>
void fetch(const std::shared_ptr<Tovrik::Feature>& feature, std::initializer_list<Output> outputs, Call call)
{
    if (!feature)
        throw Tovrik::InvalidParameterException("Feature was nullptr!");
    for (const Output& output : outputs) {
        if (!output.pointer)
            throw Tovrik::InvalidParameterException(std::string("Output ") + output.name + " was nullptr!");
    }
    Tovrik::throwIfError(call(*feature));
}

template <typename T> T fetchValue(const std::shared_ptr<Tovrik::Feature>& feature)
{
    T value{};
    fetch(feature, {{&value, "value"}}, [&](Tovrik::Feature& f) { return f.getValue(&value); });
    return value;
}

template <typename T> void fetchRange(const std::shared_ptr<Tovrik::Feature>& feature, T* min, T* max)
{
    fetch(feature, {{min, "min"}, {max, "max"}}, [&](Tovrik::Feature& f) { return f.getRange(min, max); });
}

template <typename T> void fetchIncrement(const std::shared_ptr<Tovrik::Feature>& feature, T* increment)
{
    fetch(feature, {{increment, "increment"}}, [&](Tovrik::Feature& f) { return f.getIncrement(increment); });
}

} // namespace

FeatureAccess::FeatureAccess(const FeatureList& features, LogCallback logCallback)
    : m_features(features), m_logCallback(std::move(logCallback))
{
    for (const FeaturePtr& feature : m_features) {
        if (!feature)
            continue;
        std::string name;
        feature->getName(name);
        if (name.empty())
            continue;
        m_featuresByName[name] = feature;
    }
}

bool FeatureAccess::hasFeature(const QString& name) const
{
    return m_featuresByName.find(name.toStdString()) != m_featuresByName.end();
}

int FeatureAccess::getFeatureType(const QString& name) const
{
    return fetchType(getFeature(name));
}

bool FeatureAccess::isFeatureAvailable(const QString& name) const
{
    const FeaturePtr feature = findFeature(name);
    bool available = false;
    return feature->isAvailable(&available) == 0 ? available : false;
}

bool FeatureAccess::isFeatureWritable(const QString& name) const
{
    const FeaturePtr feature = findFeature(name);
    bool writable = false;
    return feature->isWritable(&writable) == 0 ? writable : false;
}

QString FeatureAccess::getValueAsString(const QString& name) const
{
    return fetchValueText(findFeature(name));
}

QString FeatureAccess::getFeatureInfo(const QString& name) const
{
    QString info;
    try {
        const int type = getFeatureType(name);
        if (type == Tovrik::FeatureTypeEnumeration) {
            const FeaturePtr feature = findFeature(name);
            const QString current = fetchValueText(feature);
            std::vector<std::string> entries;
            std::vector<std::string> descriptions;
            feature->getEntries(entries, 0);
            feature->getEntryDescriptions(descriptions, 0);
            const std::string currentName = current.toStdString();
            for (size_t i = 0; i < entries.size(); ++i) {
                if (entries[i] == currentName) {
                    if (i < descriptions.size())
                        info = QString::fromStdString(descriptions[i]);
                    break;
                }
            }
        } else {
            std::string description;
            findFeature(name)->getDescription(description);
            info = QString::fromStdString(description);
        }
    } catch (const std::exception&) {
    }
    return info;
}

double FeatureAccess::getValueAsDouble(const QString& name) const
{
    const FeaturePtr feature = findFeature(name);
    switch (fetchType(feature)) {
    case Tovrik::FeatureTypeBoolean:
        return fetchValue<bool>(feature) ? 1.0 : 0.0;
    case Tovrik::FeatureTypeInteger:
        return static_cast<double>(fetchValue<int64_t>(feature));
    case Tovrik::FeatureTypeFloat:
        return fetchValue<double>(feature);
    default:
        if (m_logCallback)
            m_logCallback(
                PlugInHostLogLevel::Warning,
                "Feature " + name +
                    " is not a integer nor floating point type. Cannot be converted to double type!");
        return std::numeric_limits<double>::lowest();
    }
}

double FeatureAccess::getValueAndLimits(const QString& name, double* min, double* max, double* inc) const
{
    const FeaturePtr feature = findFeature(name);
    fetchWritable(feature);
    const int type = fetchType(feature);
    if (type == Tovrik::FeatureTypeInteger) {
        const int64_t value = fetchValue<int64_t>(feature);
        int64_t intMin = 0;
        int64_t intMax = 0;
        fetchRange(feature, &intMin, &intMax);
        *min = static_cast<double>(intMin);
        *max = static_cast<double>(intMax);
        try {
            int64_t increment = 0;
            fetchIncrement(feature, &increment);
            *inc = static_cast<double>(increment);
            *max = snappedMaximum(*min, *max, *inc);
        } catch (const std::exception&) {
            *inc = 1.0;
        }
        return static_cast<double>(value);
    }
    if (type == Tovrik::FeatureTypeFloat) {
        const double value = fetchValue<double>(feature);
        fetchRange(feature, min, max);
        try {
            fetchIncrement(feature, inc);
            *max = snappedMaximum(*min, *max, *inc);
        } catch (const std::exception&) {
            *inc = 0.01;
        }
        return value;
    }
    throw Tovrik::InvalidParameterException("Feature type not supporting min/max/inc!");
}

QString FeatureAccess::setValueAsString(const QString& name, const QString& value)
{
    const FeaturePtr feature = findFeature(name);
    const std::string text = value.toStdString();
    feature->setValue(text.c_str());
    return getValueAsString(name);
}

double FeatureAccess::setValueAsDouble(const QString& name, double value)
{
    const FeaturePtr feature = findFeature(name);
    switch (fetchType(feature)) {
    case Tovrik::FeatureTypeBoolean: {
        const bool target = value > 0.0;
        Tovrik::throwIfError(fetchWritable(feature) ? feature->setValue(target) : Tovrik::Status::NoAccess);
        return fetchValue<bool>(feature) ? 1.0 : 0.0;
    }
    case Tovrik::FeatureTypeInteger: {
        requireNumber(value);
        int64_t intMin = 0;
        int64_t intMax = 0;
        int64_t intIncrement = 0;
        fetchRange(feature, &intMin, &intMax);
        fetchIncrement(feature, &intIncrement);
        const double min = static_cast<double>(intMin);
        const double max = static_cast<double>(intMax);
        const double increment = static_cast<double>(intIncrement);
        const double top = std::trunc(snappedMaximum(min, max, increment));
        const double target = snappedTarget(value, min, top, increment);
        Tovrik::throwIfError(fetchWritable(feature) ? feature->setValue(toInt64(target))
                                                    : Tovrik::Status::NoAccess);
        return static_cast<double>(fetchValue<int64_t>(feature));
    }
    case Tovrik::FeatureTypeFloat: {
        requireNumber(value);
        double min = 0.0;
        double max = 0.0;
        double increment = 0.0;
        fetchRange(feature, &min, &max);
        fetchIncrement(feature, &increment);
        const double target = snappedTarget(value, min, snappedMaximum(min, max, increment), increment);
        Tovrik::throwIfError(fetchWritable(feature) ? feature->setValue(target) : Tovrik::Status::NoAccess);
        return fetchValue<double>(feature);
    }
    default:
        return value;
    }
}

QStringList FeatureAccess::getAvailableEnumEntries(const QString& name) const
{
    const FeaturePtr feature = findFeature(name);
    QStringList available;
    for (const QString& entry : fetchEntries(feature)) {
        if (fetchEntryAvailable(feature, entry.toStdString()))
            available.append(entry);
    }
    return available;
}

FeatureAccess::FeaturePtr FeatureAccess::getFeature(const std::string& name) const
{
    const auto it = m_featuresByName.find(name);
    if (it == m_featuresByName.end())
        throw Tovrik::NotFoundException("Feature " + name + " was not found!");
    return it->second;
}

FeatureAccess::FeaturePtr FeatureAccess::getFeature(const QString& name) const
{
    return getFeature(name.toStdString());
}

FeatureAccess::FeaturePtr FeatureAccess::findFeature(const QString& name, const QString& alternative1,
                                                     const QString& alternative2) const
{
    QStringList candidates{name};
    for (const QString& alternative : {alternative1, alternative2}) {
        if (!alternative.isEmpty())
            candidates.append(alternative);
    }
    for (int i = 0; i + 1 < candidates.size(); ++i) {
        const auto it = m_featuresByName.find(candidates.at(i).toStdString());
        if (it != m_featuresByName.end())
            return it->second;
    }
    // Only the last lookup may throw, so its exception is the one the caller sees.
    return getFeature(candidates.last());
}

QString FeatureAccess::fetchValueText(const FeaturePtr& feature)
{
    std::string value;
    fetch(feature, {}, [&](Tovrik::Feature& f) { return f.getValue(value); });
    return QString::fromStdString(value);
}

bool FeatureAccess::fetchEntryAvailable(const FeaturePtr& feature, const std::string& entry)
{
    bool available = false;
    fetch(feature, {}, [&](Tovrik::Feature& f) { return f.isEntryAvailable(entry, &available); });
    return available;
}

int FeatureAccess::fetchType(const FeaturePtr& feature)
{
    int type = 0;
    Tovrik::throwIfError(feature->getType(&type));
    return type;
}

bool FeatureAccess::fetchWritable(const FeaturePtr& feature)
{
    bool writable = false;
    Tovrik::throwIfError(feature->isWritable(&writable));
    return writable;
}

QStringList FeatureAccess::fetchEntries(const FeaturePtr& feature)
{
    std::vector<std::string> entries;
    Tovrik::throwIfError(feature->getEntries(entries, 0));
    QStringList result;
    result.reserve(static_cast<int>(entries.size()));
    for (const std::string& entry : entries)
        result.append(QString::fromStdString(entry));
    return result;
}
