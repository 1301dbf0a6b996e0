#include "GenicamContext.h"

#include "GenicamStatus.h"

#include <glib.h>

#include <utility>

GenicamContext::GenicamContext(ArvDevice* device, GenicamCache& cache, Kind kind, std::string feature)
    : m_device(device), m_cache(cache), m_kind(kind), m_feature(std::move(feature))
{}

int GenicamContext::take(GError** error, std::string* message)
{
    ++m_operations;
    if (!error || !*error)
        return 0;
    const int status = GenicamStatus::fromError(*error);
    const std::string text = (*error)->message ? (*error)->message : "";
    if (GenicamStatus::isLinkFailure(*error))
        m_linkFailure = text;
    if (GenicamStatus::isNotController(*error))
        m_refusedControl = true;
    if (message)
        *message = text;
    g_clear_error(error);
    return status;
}
