#pragma once

#include "SimApi.h"

#include <QString>

#include <string>
#include <unordered_map>

class QByteArray;
class QJsonObject;
class QJsonValue;
class SimCameraBuilder;
struct SimFeatureDefinition;

// Reads a camera variant (JSON, see README) into a builder. Every key, JSON type, value, entry and
// range is checked; the first problem is reported as one line naming the feature and what is
// wrong, and a variant that is accepted gives a camera whose every value is valid.
class SIM_EXPORT SimVariantReader
{
public:
    explicit SimVariantReader(SimCameraBuilder& builder);

    bool read(const QByteArray& json, QString* error);

private:
    void readRoot(const QJsonObject& root);
    void readBench(const QJsonValue& value);
    void readFeature(const QString& name, const QJsonValue& description);
    void readEntries(SimFeatureDefinition& definition, const QJsonValue& value);
    void readRange(SimFeatureDefinition& definition, const QJsonObject& description);
    void readValue(SimFeatureDefinition& definition, const QJsonValue& value);
    void checkCamera() const;
    void checkSelectorChain(const SimFeatureDefinition& definition,
                            std::unordered_map<std::string, int>* depths) const;
    void checkValue(const SimFeatureDefinition& definition, const std::string& text) const;

    static constexpr int maxSelectorDepth = 4;

    SimCameraBuilder& m_builder;
};
