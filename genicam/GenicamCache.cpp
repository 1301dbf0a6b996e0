#include <arv.h>

#include "GenicamCache.h"

#include "GenicamContext.h"
#include "GenicamDescription.h"
#include "GenicamNode.h"

#include <utility>

namespace {

void collect(ArvDomNode* node, std::vector<ArvDomNode*>* registers, std::set<ArvDomNode*>* selectorRegisters)
{
    for (ArvDomNode* child = arv_dom_node_get_first_child(node); child;
         child = arv_dom_node_get_next_sibling(child)) {
        if (ARV_IS_GC_REGISTER_NODE(child))
            registers->push_back(child);
        if (ARV_IS_GC_SELECTOR(child) && arv_gc_selector_is_selector(ARV_GC_SELECTOR(child))) {
            ArvGcPropertyNode* value = GenicamNode::property(child, ARV_GC_PROPERTY_NODE_TYPE_P_VALUE);
            ArvGcNode* linked = value ? arv_gc_property_node_get_linked_node(value) : nullptr;
            // Only a register at a fixed address: Aravis keeps one cached flag per register node,
            // whatever address an index points it to.
            if (linked && ARV_IS_GC_REGISTER_NODE(linked) &&
                !GenicamNode::property(ARV_DOM_NODE(linked), ARV_GC_PROPERTY_NODE_TYPE_P_INDEX) &&
                !GenicamNode::property(ARV_DOM_NODE(linked), ARV_GC_PROPERTY_NODE_TYPE_P_ADDRESS))
                selectorRegisters->insert(ARV_DOM_NODE(linked));
        }
        collect(child, registers, selectorRegisters);
    }
}

// Makes Aravis's register cache, once enabled, hold the selectors' registers and nothing else:
// every other register is marked NoCache in the loaded description.
void cacheSelectorsOnly(ArvDevice* device)
{
    ArvGc* genicam = arv_device_get_genicam(device);
    if (!genicam)
        return;
    std::vector<ArvDomNode*> registers;
    std::set<ArvDomNode*> selectorRegisters;
    collect(ARV_DOM_NODE(genicam), &registers, &selectorRegisters);
    for (ArvDomNode* node : registers) {
        if (selectorRegisters.count(node) != 0)
            continue;
        if (ArvGcPropertyNode* cachable = GenicamNode::property(node, ARV_GC_PROPERTY_NODE_TYPE_CACHABLE)) {
            arv_gc_property_node_set_string(cachable, "NoCache", nullptr);
            continue;
        }
        ArvDomNode* cachable = ARV_DOM_NODE(arv_gc_property_node_new_cachable());
        arv_dom_node_append_child(
            cachable, ARV_DOM_NODE(arv_dom_document_create_text_node(ARV_DOM_DOCUMENT(genicam), "NoCache")));
        arv_dom_node_append_child(node, cachable);
    }
}

void walkCategory(ArvGc* genicam, const char* name, std::set<std::string>* seen,
                  std::vector<std::string>* names)
{
    ArvGcNode* node = arv_gc_get_node(genicam, name);
    if (!node || !seen->insert(name).second)
        return;
    if (!ARV_IS_GC_CATEGORY(node)) {
        if (ARV_IS_GC_FEATURE_NODE(node))
            names->push_back(name);
        return;
    }
    for (const GSList* child = arv_gc_category_get_features(ARV_GC_CATEGORY(node)); child;
         child = child->next)
        walkCategory(genicam, static_cast<const char*>(child->data), seen, names);
}

} // namespace

void GenicamCache::setCaching(ArvDevice* device, bool on)
{
    if (device)
        arv_device_set_register_cache_policy(device, on ? ARV_REGISTER_CACHE_POLICY_ENABLE
                                                        : ARV_REGISTER_CACHE_POLICY_DISABLE);
}

void GenicamCache::adopt(ArvDevice* device)
{
    forget();
    std::vector<std::string> names;
    std::set<std::string> seen;
    if (ArvGc* genicam = arv_device_get_genicam(device))
        walkCategory(genicam, "Root", &seen, &names);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_names = std::move(names);
    }
    cacheSelectorsOnly(device);
    setCaching(device, true);
}

void GenicamCache::warmUp(std::map<std::string, Warm> features)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_warm = std::move(features);
    m_warmUntil = Clock::now() + warmLifetime;
}

std::optional<GenicamCache::Warm> GenicamCache::warm(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_warm.find(name);
    if (found == m_warm.end() || Clock::now() > m_warmUntil)
        return std::nullopt;
    return found->second;
}

void GenicamCache::cool(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_warm.erase(name);
}

void GenicamCache::coolAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_warm.clear();
}

void GenicamCache::forget()
{
    m_values.clear();
    m_freshSelectors.clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
    m_selectors.clear();
    m_warm.clear();
}

std::vector<std::string> GenicamCache::featureNames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_names;
}

void GenicamCache::beginCall(GenicamContext& context)
{
    using Kind = GenicamContext::Kind;
    const bool newBurst = Clock::now() - m_lastDone > GenicamLink::quietTime;
    if (context.kind() != Kind::Read || newBurst)
        m_values.clear();
    // A poll freshens its selectors once per round (startRound), not per call.
    if (context.kind() == Kind::Other || (newBurst && context.kind() != Kind::Poll))
        m_freshSelectors.clear();
    if (!context.device())
        return;
    if (context.kind() == Kind::Other)
        setCaching(context.device(), false);
    else if (!context.feature().empty())
        freshen(context, context.feature());
}

void GenicamCache::endCall(GenicamContext& context)
{
    m_lastDone = Clock::now();
    if (context.kind() == GenicamContext::Kind::Other)
        setCaching(context.device(), true);
    if (context.kind() != GenicamContext::Kind::Write || context.feature().empty())
        return;
    // Our own write to a selector is what its register holds now.
    const auto described = known(context.feature());
    if (described && described->isSelector)
        m_freshSelectors.insert(context.feature());
}

void GenicamCache::startRound()
{
    m_freshSelectors.clear();
}

void GenicamCache::freshen(GenicamContext& context, const std::string& feature)
{
    // A selector a read depends on is read from the camera once per burst (or poll round); after
    // that, and after our own writes to it, Aravis answers from its cache.
    const auto described = describe(context, feature);
    if (!described)
        return;
    std::vector<std::string> selectors;
    if (!described->selector.empty())
        selectors.push_back(described->selector);
    if (described->isSelector && context.kind() != GenicamContext::Kind::Write)
        selectors.push_back(feature);
    for (const std::string& selector : selectors) {
        if (!m_freshSelectors.insert(selector).second)
            continue;
        setCaching(context.device(), false);
        std::string value;
        if (GenicamNode(context, selector).getValue(value) == 0)
            remember(selector, value);
        else
            m_freshSelectors.erase(selector);
        setCaching(context.device(), true);
    }
}

void GenicamCache::remember(const std::string& feature, const std::string& value)
{
    m_values[feature] = value;
}

bool GenicamCache::recall(const std::string& feature, std::string* value) const
{
    const auto found = m_values.find(feature);
    if (found == m_values.end())
        return false;
    *value = found->second;
    return true;
}

std::shared_ptr<const GenicamFeatureInfo> GenicamCache::known(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_records.find(name);
    return found == m_records.end() ? nullptr : found->second;
}

std::shared_ptr<const GenicamFeatureInfo> GenicamCache::describe(GenicamContext& context,
                                                                 const std::string& name)
{
    if (auto described = known(name))
        return described;
    std::vector<std::string> names;
    bool findSelectors = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        findSelectors = m_selectors.empty();
        if (findSelectors)
            names = m_names;
    }
    std::map<std::string, std::string> selectors;
    for (const std::string& candidate : names) {
        ArvGcNode* node = arv_device_get_feature(context.device(), candidate.c_str());
        if (!node || !ARV_IS_GC_SELECTOR(node) || !arv_gc_selector_is_selector(ARV_GC_SELECTOR(node)))
            continue;
        for (const GSList* item = arv_gc_selector_get_selected_features(ARV_GC_SELECTOR(node)); item;
             item = item->next)
            selectors[arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(item->data))] = candidate;
    }
    std::string selector;
    bool isSelector = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (findSelectors)
            m_selectors = selectors;
        const auto found = m_selectors.find(name);
        if (found != m_selectors.end())
            selector = found->second;
        for (const auto& selected : m_selectors)
            isSelector = isSelector || selected.second == name;
    }
    // Outside the lock: reading the description may touch the camera.
    GenicamFeatureInfo read = GenicamDescription::info(GenicamNode(context, name), selector);
    read.isSelector = isSelector;
    auto described = std::make_shared<const GenicamFeatureInfo>(std::move(read));
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.emplace(name, described).first->second;
}

std::string GenicamCache::selectorOf(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_selectors.find(name);
    return found != m_selectors.end() ? found->second : std::string();
}

std::string GenicamCache::selectionOf(GenicamContext& context, const std::string& name)
{
    const auto described = describe(context, name);
    if (!described || described->selector.empty())
        return std::string();
    std::string entry;
    if (GenicamNode(context, described->selector).getValue(entry) != 0)
        return std::string();
    return described->selector + "=" + entry;
}
