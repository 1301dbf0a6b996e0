#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "PlugInHostLogLevel.h"

namespace Tovrik {
class Feature;
}

// Reads, writes and describes camera features by name. SDK failures leave as exceptions of the
// Tovrik family; numeric writes are snapped onto the feature's grid, clamped and read back.
class FeatureAccess
{
public:
    using FeatureList = std::vector<std::shared_ptr<Tovrik::Feature>>;
    using LogCallback = std::function<void(PlugInHostLogLevel, const QString&)>;

    explicit FeatureAccess(const FeatureList& features, LogCallback logCallback = {});

    bool hasFeature(const QString& name) const;
    int getFeatureType(const QString& name) const;
    bool isFeatureAvailable(const QString& name) const;
    bool isFeatureWritable(const QString& name) const;
    QString getValueAsString(const QString& name) const;
    QString getFeatureInfo(const QString& name) const;
    double getValueAsDouble(const QString& name) const;
    double getValueAndLimits(const QString& name, double* min, double* max, double* inc) const;
    QString setValueAsString(const QString& name, const QString& value);
    double setValueAsDouble(const QString& name, double value);
    QStringList getAvailableEnumEntries(const QString& name) const;

private:
    using FeaturePtr = std::shared_ptr<Tovrik::Feature>;

    FeaturePtr getFeature(const std::string& name) const;
    FeaturePtr getFeature(const QString& name) const;
    FeaturePtr findFeature(const QString& name, const QString& alternative1 = QString(),
                           const QString& alternative2 = QString()) const;

    static QString fetchValueText(const FeaturePtr& feature);
    static bool fetchEntryAvailable(const FeaturePtr& feature, const std::string& entry);
    static int fetchType(const FeaturePtr& feature);
    static bool fetchWritable(const FeaturePtr& feature);
    static QStringList fetchEntries(const FeaturePtr& feature);

    FeatureList m_features;
    std::unordered_map<std::string, FeaturePtr> m_featuresByName;
    LogCallback m_logCallback;
};
