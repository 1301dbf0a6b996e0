#pragma once

#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimFeatureDefinition.h"
#include "TovrikFeature.h"

#include <string>
#include <vector>

// Small feature definitions for tests that need a camera of their own shape.
inline SimFeatureDefinition numericFeature(const std::string& name, int type, double min, double max,
                                           double increment, const std::string& initial)
{
    SimFeatureDefinition definition;
    definition.name = name;
    definition.type = type;
    definition.min = min;
    definition.max = max;
    definition.increment = increment;
    definition.initial[""] = initial;
    definition.description = name + " description";
    return definition;
}

inline SimFeatureDefinition enumFeature(const std::string& name, const std::vector<std::string>& entries,
                                        const std::string& initial)
{
    SimFeatureDefinition definition;
    definition.name = name;
    definition.type = Tovrik::FeatureTypeEnumeration;
    for (const std::string& entry : entries)
        definition.entries.push_back({entry, entry + " text", true});
    definition.initial[""] = initial;
    return definition;
}

inline SimFeatureDefinition boolFeature(const std::string& name, bool initial)
{
    SimFeatureDefinition definition;
    definition.name = name;
    definition.type = Tovrik::FeatureTypeBoolean;
    definition.initial[""] = initial ? "true" : "false";
    return definition;
}

// Only the writes made through feature handles, as "Name=value" or "Name[Selector=Entry]=value".
inline std::vector<std::string> sdkWrites(const SimCamera& camera)
{
    std::vector<std::string> writes;
    for (const SimJournalEntry& entry : camera.journal()) {
        if (entry.external)
            continue;
        std::string text = entry.feature;
        if (!entry.selector.empty())
            text += "[" + entry.selector + "]";
        text += "=" + entry.value;
        if (entry.status != 0)
            text += " !" + std::to_string(entry.status);
        writes.push_back(text);
    }
    return writes;
}
