#include <arv.h>

#include "GenicamNode.h"

#include "GenicamContext.h"
#include "TovrikFeature.h"
#include "TovrikStatus.h"
#include "ValueText.h"

#include <cmath>

namespace {

std::string text(const char* value)
{
    return value ? std::string(value) : std::string();
}

std::string helpText(ArvGcFeatureNode* node)
{
    const std::string tooltip = text(arv_gc_feature_node_get_tooltip(node));
    return tooltip.empty() ? text(arv_gc_feature_node_get_description(node)) : tooltip;
}

ArvGcNode* linked(ArvGcNode* node, int propertyType)
{
    ArvGcPropertyNode* link = GenicamNode::property(ARV_DOM_NODE(node), propertyType);
    return link ? arv_gc_property_node_get_linked_node(link) : nullptr;
}

} // namespace

ArvGcPropertyNode* GenicamNode::property(ArvDomNode* node, int propertyType)
{
    for (ArvDomNode* child = arv_dom_node_get_first_child(node); child;
         child = arv_dom_node_get_next_sibling(child)) {
        if (ARV_IS_GC_PROPERTY_NODE(child) &&
            arv_gc_property_node_get_node_type(ARV_GC_PROPERTY_NODE(child)) == propertyType)
            return ARV_GC_PROPERTY_NODE(child);
    }
    return nullptr;
}

GenicamNode::GenicamNode(GenicamContext& context, const std::string& name) : m_context(&context), m_name(name)
{
    ArvGcNode* node = context.device() ? arv_device_get_feature(context.device(), name.c_str()) : nullptr;
    if (node && ARV_IS_GC_FEATURE_NODE(node) && !ARV_IS_GC_CATEGORY(node))
        m_node = ARV_GC_FEATURE_NODE(node);
}

int GenicamNode::available(ArvGcFeatureNode* node, bool* result) const
{
    // Every operation starts here: once the link failed in this call, nothing more waits for it.
    if (!m_context->linkFailure().empty())
        return Tovrik::Status::Timeout;
    GError* error = nullptr;
    const bool implemented = arv_gc_feature_node_is_implemented(node, &error);
    if (const int status = m_context->take(&error))
        return status;
    const bool isAvailable = implemented && arv_gc_feature_node_is_available(node, &error);
    if (const int status = m_context->take(&error))
        return status;
    *result = isAvailable;
    return 0;
}

int GenicamNode::type() const
{
    // An enumeration is an integer too and a boolean may be one: ask the narrowest first.
    if (!m_node)
        return 0;
    if (ARV_IS_GC_ENUMERATION(m_node))
        return Tovrik::FeatureTypeEnumeration;
    if (ARV_IS_GC_BOOLEAN(m_node))
        return Tovrik::FeatureTypeBoolean;
    if (ARV_IS_GC_COMMAND(m_node))
        return Tovrik::FeatureTypeCommand;
    if (ARV_IS_GC_FLOAT(m_node))
        return Tovrik::FeatureTypeFloat;
    if (ARV_IS_GC_INTEGER(m_node))
        return Tovrik::FeatureTypeInteger;
    if (ARV_IS_GC_STRING(m_node))
        return Tovrik::FeatureTypeString;
    return 0;
}

std::string GenicamNode::description() const
{
    return m_node ? helpText(m_node) : std::string();
}

std::vector<std::string> GenicamNode::entryDescriptions() const
{
    std::vector<std::string> descriptions;
    for (ArvGcFeatureNode* entry : entryNodes())
        descriptions.push_back(helpText(entry));
    return descriptions;
}

std::vector<ArvGcFeatureNode*> GenicamNode::entryNodes() const
{
    // Aravis keeps its entry list in reverse; the document order is the camera maker's order.
    std::vector<ArvGcFeatureNode*> entries;
    if (!m_node || !ARV_IS_GC_ENUMERATION(m_node))
        return entries;
    for (ArvDomNode* child = arv_dom_node_get_first_child(ARV_DOM_NODE(m_node)); child;
         child = arv_dom_node_get_next_sibling(child)) {
        if (!ARV_IS_GC_ENUM_ENTRY(child))
            continue;
        ArvGcFeatureNode* entry = ARV_GC_FEATURE_NODE(child);
        GError* error = nullptr;
        const bool implemented = arv_gc_feature_node_is_implemented(entry, &error);
        if (m_context->take(&error) == 0 && implemented)
            entries.push_back(entry);
    }
    return entries;
}

int GenicamNode::checkAvailable(int expectedType) const
{
    if (!m_node)
        return Tovrik::Status::NotFound;
    if (expectedType != 0 && type() != expectedType)
        return Tovrik::Status::InvalidParameter;
    bool isAvailable = false;
    if (const int status = available(m_node, &isAvailable))
        return status;
    return isAvailable ? 0 : Tovrik::Status::NotAvailable;
}

int GenicamNode::checkReadable(int expectedType) const
{
    if (const int status = checkAvailable(expectedType))
        return status;
    if (arv_gc_feature_node_get_actual_access_mode(m_node) == ARV_GC_ACCESS_MODE_WO)
        return Tovrik::Status::NoAccess;
    return 0;
}

int GenicamNode::checkWritable(int expectedType) const
{
    // Aravis checks ranges and read-only registers but not locks; the SDK refuses all three.
    if (const int status = checkAvailable(expectedType))
        return status;
    bool writable = false;
    if (const int status = isWritable(&writable))
        return status;
    return writable ? 0 : Tovrik::Status::NoAccess;
}

template <typename T, typename Read> int GenicamNode::read(T* value, int expectedType, Read readValue) const
{
    if (!value)
        return Tovrik::Status::InvalidParameter;
    if (const int status = checkReadable(expectedType))
        return status;
    GError* error = nullptr;
    const T result = readValue(&error);
    if (const int status = m_context->take(&error))
        return status;
    *value = result;
    return 0;
}

template <typename Write> int GenicamNode::write(int expectedType, Write writeValue) const
{
    if (const int status = checkWritable(expectedType))
        return status;
    GError* error = nullptr;
    writeValue(&error);
    return m_context->take(&error);
}

int GenicamNode::getValue(std::string& value) const
{
    if (const int status = checkReadable(0))
        return status;
    GError* error = nullptr;
    std::string result;
    switch (type()) {
    case Tovrik::FeatureTypeEnumeration:
        result = text(arv_gc_enumeration_get_string_value(ARV_GC_ENUMERATION(m_node), &error));
        break;
    case Tovrik::FeatureTypeBoolean:
        result = arv_gc_boolean_get_value(ARV_GC_BOOLEAN(m_node), &error) ? "true" : "false";
        break;
    case Tovrik::FeatureTypeFloat:
        result = ValueText::fromNumber(arv_gc_float_get_value(ARV_GC_FLOAT(m_node), &error));
        break;
    case Tovrik::FeatureTypeInteger:
        result = std::to_string(arv_gc_integer_get_value(ARV_GC_INTEGER(m_node), &error));
        break;
    default:
        result = text(arv_gc_feature_node_get_value_as_string(m_node, &error));
        break;
    }
    if (const int status = m_context->take(&error))
        return status;
    value = result;
    return 0;
}

int GenicamNode::getValue(bool* value) const
{
    return read(value, Tovrik::FeatureTypeBoolean, [this](GError** error) -> bool {
        return arv_gc_boolean_get_value(ARV_GC_BOOLEAN(m_node), error);
    });
}
int GenicamNode::getValue(double* value) const
{
    return read(value, Tovrik::FeatureTypeFloat,
                [this](GError** error) { return arv_gc_float_get_value(ARV_GC_FLOAT(m_node), error); });
}
int GenicamNode::getValue(int64_t* value) const
{
    return read(value, Tovrik::FeatureTypeInteger, [this](GError** error) -> int64_t {
        return arv_gc_integer_get_value(ARV_GC_INTEGER(m_node), error);
    });
}
int GenicamNode::getEntries(std::vector<std::string>& entries) const
{
    if (!m_node)
        return Tovrik::Status::NotFound;
    if (type() != Tovrik::FeatureTypeEnumeration)
        return Tovrik::Status::FunctionNotAvailable;
    entries.clear();
    for (ArvGcFeatureNode* entry : entryNodes())
        entries.push_back(text(arv_gc_feature_node_get_name(entry)));
    return 0;
}

int GenicamNode::setValue(const char* value) const
{
    if (!value)
        return Tovrik::Status::InvalidParameter;
    if (const int status = checkWritable(0))
        return status;
    GError* error = nullptr;
    const std::string valueText(value);
    switch (type()) {
    case Tovrik::FeatureTypeEnumeration: {
        bool known = false;
        for (ArvGcFeatureNode* entry : entryNodes())
            known = known || valueText == text(arv_gc_feature_node_get_name(entry));
        if (!known)
            return Tovrik::Status::InvalidValue;
        arv_gc_enumeration_set_string_value(ARV_GC_ENUMERATION(m_node), value, &error);
        break;
    }
    case Tovrik::FeatureTypeBoolean: {
        bool flag = false;
        if (!ValueText::parseBoolean(valueText, &flag))
            return Tovrik::Status::InvalidValue;
        arv_gc_boolean_set_value(ARV_GC_BOOLEAN(m_node), flag, &error);
        break;
    }
    case Tovrik::FeatureTypeFloat: {
        double number = 0.0;
        if (!ValueText::parseNumber(valueText, &number))
            return Tovrik::Status::InvalidValue;
        arv_gc_float_set_value(ARV_GC_FLOAT(m_node), number, &error);
        break;
    }
    case Tovrik::FeatureTypeInteger: {
        int64_t number = 0;
        if (!ValueText::parseNumber(valueText, &number))
            return Tovrik::Status::InvalidValue;
        arv_gc_integer_set_value(ARV_GC_INTEGER(m_node), number, &error);
        break;
    }
    default:
        arv_gc_feature_node_set_value_from_string(m_node, value, &error);
        break;
    }
    return m_context->take(&error);
}

int GenicamNode::setValue(bool value) const
{
    return write(Tovrik::FeatureTypeBoolean,
                 [&](GError** error) { arv_gc_boolean_set_value(ARV_GC_BOOLEAN(m_node), value, error); });
}
int GenicamNode::setValue(double value) const
{
    if (std::isnan(value))
        return Tovrik::Status::InvalidParameter;
    return write(Tovrik::FeatureTypeFloat,
                 [&](GError** error) { arv_gc_float_set_value(ARV_GC_FLOAT(m_node), value, error); });
}
int GenicamNode::setValue(int64_t value) const
{
    return write(Tovrik::FeatureTypeInteger,
                 [&](GError** error) { arv_gc_integer_set_value(ARV_GC_INTEGER(m_node), value, error); });
}
int GenicamNode::getRange(double* min, double* max) const
{
    if (!min || !max)
        return Tovrik::Status::InvalidParameter;
    if (const int status = checkReadable(Tovrik::FeatureTypeFloat))
        return status;
    GError* error = nullptr;
    const double low = arv_gc_float_get_min(ARV_GC_FLOAT(m_node), &error);
    const double high = error ? 0.0 : arv_gc_float_get_max(ARV_GC_FLOAT(m_node), &error);
    if (const int status = m_context->take(&error))
        return status;
    *min = low;
    *max = high;
    return 0;
}

int GenicamNode::getRange(int64_t* min, int64_t* max) const
{
    if (!min || !max)
        return Tovrik::Status::InvalidParameter;
    if (const int status = checkReadable(Tovrik::FeatureTypeInteger))
        return status;
    GError* error = nullptr;
    const int64_t low = arv_gc_integer_get_min(ARV_GC_INTEGER(m_node), &error);
    const int64_t high = error ? 0 : arv_gc_integer_get_max(ARV_GC_INTEGER(m_node), &error);
    if (const int status = m_context->take(&error))
        return status;
    *min = low;
    *max = high;
    return 0;
}

int GenicamNode::getIncrement(double* increment) const
{
    const int status = read(increment, Tovrik::FeatureTypeFloat, [this](GError** error) {
        return arv_gc_float_get_inc(ARV_GC_FLOAT(m_node), error);
    });
    // A float without an increment has none: no grid rather than a denormal one.
    if (status == 0 && !(std::isfinite(*increment) && *increment > 1e-300))
        *increment = 0.0;
    return status;
}
int GenicamNode::getIncrement(int64_t* increment) const
{
    return read(increment, Tovrik::FeatureTypeInteger, [this](GError** error) -> int64_t {
        return arv_gc_integer_get_inc(ARV_GC_INTEGER(m_node), error);
    });
}
int GenicamNode::isWritable(bool* writable) const
{
    if (!writable)
        return Tovrik::Status::InvalidParameter;
    if (!m_node)
        return Tovrik::Status::NotFound;
    bool isAvailable = false;
    if (const int status = available(m_node, &isAvailable))
        return status;
    GError* error = nullptr;
    const bool locked = isAvailable && arv_gc_feature_node_is_locked(m_node, &error);
    if (const int status = m_context->take(&error))
        return status;
    const ArvGcAccessMode mode = arv_gc_feature_node_get_actual_access_mode(m_node);
    *writable = isAvailable && !locked && (mode == ARV_GC_ACCESS_MODE_RW || mode == ARV_GC_ACCESS_MODE_WO);
    return 0;
}

int GenicamNode::isAvailable(bool* result) const
{
    if (!result)
        return Tovrik::Status::InvalidParameter;
    if (!m_node)
        return Tovrik::Status::NotFound;
    return available(m_node, result);
}

int GenicamNode::isEntryAvailable(const std::string& entry, bool* result) const
{
    if (!result)
        return Tovrik::Status::InvalidParameter;
    if (!m_node)
        return Tovrik::Status::NotFound;
    if (type() != Tovrik::FeatureTypeEnumeration)
        return Tovrik::Status::FunctionNotAvailable;
    for (ArvGcFeatureNode* candidate : entryNodes()) {
        if (entry == text(arv_gc_feature_node_get_name(candidate)))
            return available(candidate, result);
    }
    return Tovrik::Status::NotFound;
}

ArvGcNode* GenicamNode::linkedNode(int propertyType) const
{
    return m_node ? linked(ARV_GC_NODE(m_node), propertyType) : nullptr;
}

bool GenicamNode::hasProperty(int propertyType) const
{
    return m_node && property(ARV_DOM_NODE(m_node), propertyType) != nullptr;
}
