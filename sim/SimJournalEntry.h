#pragma once

#include <string>

struct SimJournalEntry
{
    int sequence = 0;
    std::string feature;
    std::string value;    // as text
    std::string selector; // e.g. "TriggerSelector=LineStart", empty for unselected features
    int status = 0;
    bool external = false; // written by another party, not through a Tovrik::Feature
};
