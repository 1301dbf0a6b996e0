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

std::optional<std::pair<double, double>> GenicamReads::range(const char* feature)
{
    const auto known = m_ranges.find(feature);
    if (known != m_ranges.end())
        return known->second;
    std::optional<std::pair<double, double>> range;
    const auto described = m_context.cache().describe(m_context, feature);
    if (described && described->exists) {
        const bool integer = described->type == Tovrik::FeatureTypeInteger;
        if (described->rangeFixed) {
            range = integer ? std::make_pair(static_cast<double>(described->intMin),
                                             static_cast<double>(described->intMax))
                            : std::make_pair(described->min, described->max);
        } else {
            m_count += 2;
            m_context.cache().freshen(m_context, feature);
            const GenicamNode node(m_context, feature);
            if (integer) {
                int64_t low = 0;
                int64_t high = 0;
                if (node.getRange(&low, &high) == 0)
                    range = std::make_pair(static_cast<double>(low), static_cast<double>(high));
            } else {
                double low = 0.0;
                double high = 0.0;
                if (node.getRange(&low, &high) == 0)
                    range = std::make_pair(low, high);
            }
        }
    }
    return m_ranges.emplace(feature, range).first->second;
}

std::optional<double> GenicamReads::increment(const char* feature)
{
    // An increment the description leaves open is rare and costs a read; advice lives without it.
    const auto described = m_context.cache().describe(m_context, feature);
    if (!described || !described->exists || !described->incrementFixed)
        return std::nullopt;
    return described->type == Tovrik::FeatureTypeInteger ? static_cast<double>(described->intIncrement)
                                                         : described->increment;
}
