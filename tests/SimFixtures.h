#pragma once

#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimFeatureDefinition.h"
#include "TovrikFeature.h"

#include <string>
#include <vector>

// Small features for tests that need a camera of their own shape; numbers described as "<name>
// description", entries as "<entry> text".
inline SimFeatureDefinition numericFeature(const std::string& name, int type, double min, double max,
                                           double increment, const std::string& initial)
{
    return SimFeatureDefinition::number(name, type, min, max, increment, initial, name + " description");
}

inline SimFeatureDefinition enumFeature(const std::string& name, const std::vector<std::string>& entries,
                                        const std::string& initial)
{
    std::vector<SimEntry> described;
    for (const std::string& entry : entries)
        described.push_back({entry, entry + " text", true});
    return SimFeatureDefinition::enumeration(name, described, initial, "");
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
