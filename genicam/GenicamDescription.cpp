#include <arv.h>

#include "GenicamDescription.h"

#include "GenicamNode.h"
#include "TovrikFeature.h"

namespace {

bool linksTo(ArvGcFeatureNode* node, int propertyType)
{
    return GenicamNode::property(ARV_DOM_NODE(node), propertyType) != nullptr;
}

// Registers cache what is written unless their description says NoCache.
bool cachable(ArvGcNode* registerNode)
{
    ArvGcPropertyNode* cachable =
        GenicamNode::property(ARV_DOM_NODE(registerNode), ARV_GC_PROPERTY_NODE_TYPE_CACHABLE);
    return !cachable || arv_gc_property_node_get_cachable(cachable, ARV_GC_CACHABLE_WRITE_THROUGH) !=
                            ARV_GC_CACHABLE_NO_CACHE;
}

} // namespace

namespace GenicamDescription {

GenicamFeatureInfo info(const GenicamNode& node, const std::string& selector)
{
    GenicamFeatureInfo info;
    if (!node.exists())
        return info;
    info.exists = true;
    info.type = node.type();
    info.description = node.description();
    info.selector = selector;
    info.entryDescriptions = node.entryDescriptions();
    for (ArvGcFeatureNode* entry : node.entryNodes()) {
        const char* name = arv_gc_feature_node_get_name(entry);
        info.entries.push_back(name ? name : "");
        bool entryAvailable = false;
        info.entryAvailable.push_back(!linksTo(entry, ARV_GC_PROPERTY_NODE_TYPE_P_IS_AVAILABLE) &&
                                              !linksTo(entry, ARV_GC_PROPERTY_NODE_TYPE_P_IS_IMPLEMENTED) &&
                                              node.available(entry, &entryAvailable) == 0
                                          ? int(entryAvailable)
                                          : GenicamFeatureInfo::Ask);
    }
    bool flag = false;
    const bool availabilityFixed = !linksTo(node.featureNode(), ARV_GC_PROPERTY_NODE_TYPE_P_IS_AVAILABLE) &&
                                   !linksTo(node.featureNode(), ARV_GC_PROPERTY_NODE_TYPE_P_IS_IMPLEMENTED);
    if (availabilityFixed && node.isAvailable(&flag) == 0)
        info.available = flag;
    if (availabilityFixed && !linksTo(node.featureNode(), ARV_GC_PROPERTY_NODE_TYPE_P_IS_LOCKED) &&
        node.isWritable(&flag) == 0)
        info.writable = flag;

    ArvGcNode* value = node.linkedNode(ARV_GC_PROPERTY_NODE_TYPE_P_VALUE);
    // A range of its own, in literals, or the unbounded one of a plain register.
    info.rangeFixed = !linksTo(node.featureNode(), ARV_GC_PROPERTY_NODE_TYPE_P_MINIMUM) &&
                      !linksTo(node.featureNode(), ARV_GC_PROPERTY_NODE_TYPE_P_MAXIMUM) &&
                      ((node.hasProperty(ARV_GC_PROPERTY_NODE_TYPE_MINIMUM) &&
                        node.hasProperty(ARV_GC_PROPERTY_NODE_TYPE_MAXIMUM)) ||
                       (value && ARV_IS_GC_REGISTER_NODE(value)));
    info.incrementFixed = !linksTo(node.featureNode(), ARV_GC_PROPERTY_NODE_TYPE_P_INCREMENT);
    if (info.type == Tovrik::FeatureTypeFloat) {
        info.rangeFixed = info.rangeFixed && node.getRange(&info.min, &info.max) == 0;
        info.incrementFixed = info.incrementFixed && node.getIncrement(&info.increment) == 0;
    } else if (info.type == Tovrik::FeatureTypeInteger) {
        info.rangeFixed = info.rangeFixed && node.getRange(&info.intMin, &info.intMax) == 0;
        info.incrementFixed = info.incrementFixed && node.getIncrement(&info.intIncrement) == 0;
    }
    info.writeThrough = value && ARV_IS_GC_REGISTER_NODE(value) && cachable(value);
    return info;
}

FeatureState state(const GenicamNode& node, const GenicamFeatureInfo& info)
{
    FeatureState state;
    std::string value;
    int status = node.getValue(value);
    state.value = FeatureState::Part<std::string>{status, value};
    bool flag = false;
    if (info.available == GenicamFeatureInfo::Ask) {
        status = node.isAvailable(&flag);
        state.available = FeatureState::Part<bool>{status, flag};
    }
    if (info.writable == GenicamFeatureInfo::Ask) {
        status = node.isWritable(&flag);
        state.writable = FeatureState::Part<bool>{status, flag};
    }
    for (size_t i = 0; i < info.entries.size(); ++i) {
        if (info.entryAvailable[i] != GenicamFeatureInfo::Ask)
            continue;
        status = node.isEntryAvailable(info.entries[i], &flag);
        state.entries.emplace_back(info.entries[i], FeatureState::Part<bool>{status, flag});
    }
    FeatureState::Range range;
    if (!info.rangeFixed && info.type == Tovrik::FeatureTypeFloat) {
        status = node.getRange(&range.min, &range.max);
        state.range = FeatureState::Part<FeatureState::Range>{status, range};
    } else if (!info.rangeFixed && info.type == Tovrik::FeatureTypeInteger) {
        int64_t low = 0;
        int64_t high = 0;
        status = node.getRange(&low, &high);
        range.min = static_cast<double>(low);
        range.max = static_cast<double>(high);
        state.range = FeatureState::Part<FeatureState::Range>{status, range};
    }
    return state;
}

} // namespace GenicamDescription
