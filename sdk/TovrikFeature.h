#pragma once

#include "TovrikApi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tovrik {

class FeatureObserverInterface;

enum FeatureType : int {
    FeatureTypeBoolean = 1,
    FeatureTypeInteger = 2,
    FeatureTypeFloat = 3,
    FeatureTypeString = 4,
    FeatureTypeEnumeration = 5,
    FeatureTypeCommand = 6,
};

// One camera feature as the SDK hands it out. Every operation returns 0 on success and a
// negative status (see tovrikGetErrorDescription) on failure; the virtual order is the SDK's ABI.
class TOVRIK_API_TYPE Feature
{
public:
    virtual ~Feature() = default;

    virtual int getName(std::string& name) = 0;
    virtual int getDescription(std::string& description) = 0;
    virtual int getEntryDescriptions(std::vector<std::string>& descriptions, int flag) = 0;
    virtual int getType(int* type) = 0;
    virtual int registerObserver(std::shared_ptr<FeatureObserverInterface> observer) = 0;
    virtual int unregisterObserver(std::shared_ptr<FeatureObserverInterface> observer) = 0;
    virtual int getValue(std::string& value) = 0;
    virtual int getValue(bool* value) = 0;
    virtual int getValue(double* value) = 0;
    virtual int getValue(int64_t* value) = 0;
    virtual int getEntries(std::vector<std::string>& entries, int flag) = 0;
    virtual int setValue(const char* value) = 0;
    virtual int setValue(bool value) = 0;
    virtual int setValue(double value) = 0;
    virtual int setValue(int64_t value) = 0;
    virtual int getRange(double* min, double* max) = 0;
    virtual int getRange(int64_t* min, int64_t* max) = 0;
    virtual int getIncrement(double* increment) = 0;
    virtual int getIncrement(int64_t* increment) = 0;
    virtual int isWritable(bool* writable) = 0;
    virtual int isAvailable(bool* available) = 0;
    virtual int isEntryAvailable(const std::string& entry, bool* available) = 0;
};

} // namespace Tovrik
