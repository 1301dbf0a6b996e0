#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What an observer of a feature hears about: its value and those of its properties that can
// change (availability, writability, its entries' availability, its range). A backend leaves out
// what it knows cannot change; a part it could not read carries the status instead, so that a
// read that starts or stops failing is a change too.
struct FeatureState
{
    template <typename T> struct Part
    {
        int status = 0;
        T value{};

        bool operator==(const Part& other) const
        {
            return status == other.status && (status != 0 || value == other.value);
        }
        bool operator!=(const Part& other) const { return !(*this == other); }
    };
    struct Range
    {
        double min = 0.0;
        double max = 0.0;
        double increment = 0.0;
        bool operator==(const Range& other) const
        {
            return min == other.min && max == other.max && increment == other.increment;
        }
    };

    std::optional<Part<std::string>> value; // none for a value the camera measures as it runs
    std::optional<Part<bool>> available;
    std::optional<Part<bool>> writable;
    std::vector<std::pair<std::string, Part<bool>>> entries; // entry name and whether available
    std::optional<Part<Range>> range;

    bool operator==(const FeatureState& other) const
    {
        return value == other.value && available == other.available && writable == other.writable &&
               entries == other.entries && range == other.range;
    }
    bool operator!=(const FeatureState& other) const { return !(*this == other); }
};
