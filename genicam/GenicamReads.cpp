#include "GenicamReads.h"

#include "GenicamCache.h"
#include "GenicamContext.h"
#include "GenicamNode.h"
#include "TovrikFeature.h"

std::optional<std::string> GenicamReads::text(const std::string& feature)
{
    const GenicamNode node(m_context, feature);
    std::string text;
    if (!node.exists())
        return std::nullopt;
    m_context.cache().freshen(m_context, feature);
    ++m_count;
    if (node.getValue(text) != 0)
        return std::nullopt;
    return text;
}

std::optional<int64_t> GenicamReads::integer(const char* feature)
{
    const GenicamNode node(m_context, feature);
    int64_t value = 0;
    if (!node.exists())
        return std::nullopt;
    m_context.cache().freshen(m_context, feature);
    ++m_count;
    if (node.getValue(&value) != 0)
        return std::nullopt;
    return value;
}

std::optional<double> GenicamReads::top(const char* feature)
{
    const auto described = m_context.cache().describe(m_context, feature);
    if (!described || !described->exists)
        return std::nullopt;
    if (described->rangeFixed)
        return described->type == Tovrik::FeatureTypeInteger ? static_cast<double>(described->intMax)
                                                             : described->max;
    double low = 0.0;
    double high = 0.0;
    m_count += 2;
    m_context.cache().freshen(m_context, feature);
    if (GenicamNode(m_context, feature).getRange(&low, &high) != 0)
        return std::nullopt;
    return high;
}
