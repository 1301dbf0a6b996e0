#pragma once

#include <map>
#include <string>
#include <vector>

struct SimEntry
{
    std::string name;
    std::string description;
    bool available = true;
};

// Everything the simulated camera knows about one feature before it is built.
struct SimFeatureDefinition
{
    std::string name;
    int type = 0; // Tovrik::FeatureType
    std::string description;
    std::string selector; // name of the selector feature, empty if not selected
    double min = 0.0;
    double max = 0.0;
    double increment = 0.0;
    std::vector<SimEntry> entries;
    bool writable = true;
    bool available = true;
    // Initial values as text by selector entry; the key "" applies to every entry.
    std::map<std::string, std::string> initial;
};
