#pragma once

#include "GenicamFeatureInfo.h"

#include <cstdint>
#include <string>
#include <vector>

class GenicamContext;

typedef struct _ArvGcFeatureNode ArvGcFeatureNode;   // NOLINT(bugprone-reserved-identifier): GLib type
typedef struct _ArvGcNode ArvGcNode;                 // NOLINT(bugprone-reserved-identifier): GLib type
typedef struct _ArvDomNode ArvDomNode;               // NOLINT(bugprone-reserved-identifier): GLib type
typedef struct _ArvGcPropertyNode ArvGcPropertyNode; // NOLINT(bugprone-reserved-identifier): GLib type

// One GenICam feature of an open Aravis device, with the SDK's operations on it. Every call
// talks to the device: use it only within a call on the worker thread, whose context records how
// the camera answered. Operations return 0 or an SDK status, never throw.
class GenicamNode
{
public:
    GenicamNode(GenicamContext& context, const std::string& name);

    // False when the device's description has no feature of that name.
    bool exists() const { return m_node != nullptr; }
    const std::string& name() const { return m_name; }

    int type() const;
    std::string description() const;
    std::vector<std::string> entryDescriptions() const;

    int getValue(std::string& value) const;
    int getValue(bool* value) const;
    int getValue(double* value) const;
    int getValue(int64_t* value) const;
    int getEntries(std::vector<std::string>& entries) const;
    int setValue(const char* value) const;
    int setValue(bool value) const;
    int setValue(double value) const;
    int setValue(int64_t value) const;
    int getRange(double* min, double* max) const;
    int getRange(int64_t* min, int64_t* max) const;
    int getIncrement(double* increment) const;
    int getIncrement(int64_t* increment) const;
    int isWritable(bool* writable) const;
    int isAvailable(bool* available) const;
    int isEntryAvailable(const std::string& entry, bool* available) const;

    // The property element of the given type among a description node's children, or null.
    static ArvGcPropertyNode* property(ArvDomNode* node, int propertyType);

    // The description behind it, for what reads it (GenicamDescription).
    ArvGcFeatureNode* featureNode() const { return m_node; }
    ArvGcNode* linkedNode(int propertyType) const;
    bool hasProperty(int propertyType) const;
    // Entry nodes in document order, unimplemented ones left out.
    std::vector<ArvGcFeatureNode*> entryNodes() const;
    // Availability as GenICam defines it for the SDK: implemented and available.
    int available(ArvGcFeatureNode* node, bool* result) const;

private:
    // The feature exists, has the expected type (0: any) and is available.
    int checkAvailable(int expectedType) const;
    int checkReadable(int expectedType) const;
    int checkWritable(int expectedType) const;
    // One typed read or write: the checks, the Aravis call with its error, the status.
    template <typename T, typename Read> int read(T* value, int expectedType, Read readValue) const;
    template <typename Write> int write(int expectedType, Write writeValue) const;

    GenicamContext* m_context;
    ArvGcFeatureNode* m_node = nullptr;
    std::string m_name;
};
