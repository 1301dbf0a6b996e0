#include <arv.h>

#include "GenicamSupervisor.h"

#include "GenicamCache.h"
#include "GenicamContext.h"
#include "GenicamGvcp.h"
#include "GenicamLog.h"
#include "GenicamStatus.h"
#include "GenicamWake.h"
#include "Invariant.h"

#include <utility>

namespace {

// A probe reads the bootstrap register every GigE Vision camera has, the first one.
constexpr guint32 bootstrapVersion = 0x0000;

// What the heartbeat's handler holds: the supervisor, as long as its owner lives.
struct HandlerData
{
    std::weak_ptr<void> owner;
    GenicamSupervisor* supervisor;
};

} // namespace

GenicamSupervisor::GenicamSupervisor(Opener opener, bool reopens, GenicamWake& wake, GenicamCache& cache)
    : m_opener(std::move(opener)), m_wake(wake), m_cache(cache), m_link(reopens, Clock::now())
{}

GenicamSupervisor::~GenicamSupervisor()
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    g_clear_object(&m_probed);
}

void GenicamSupervisor::setEvents(Events events)
{
    m_events = std::move(events);
}

void GenicamSupervisor::setOwner(std::weak_ptr<void> owner)
{
    m_owner = std::move(owner);
}

bool GenicamSupervisor::open(std::string* error)
{
    ArvDevice* device = m_opener(error);
    if (!device) {
        if (error && error->empty())
            *error = "the device could not be opened";
        return false;
    }
    adopt(device);
    // The state found at opening is where the camera starts, not a change to report.
    std::lock_guard<std::mutex> lock(m_publishMutex);
    m_published = status();
    return true;
}

GenicamSupervisor::Clock::time_point GenicamSupervisor::due(bool* urgent) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    *urgent = false;
    if (m_losing || m_controlLost || m_leaveControl) {
        *urgent = m_losing;
        return Clock::time_point::min();
    }
    // A GigE Vision camera's probes are the prober's.
    const GenicamLink::Next next = m_link.next(m_probed == nullptr);
    // While the camera may be gone, probes decide before any call waits for Aravis's retries.
    *urgent = m_link.failing() && next.action == GenicamLink::Action::Probe;
    return next.action == GenicamLink::Action::None ? Clock::time_point::max() : next.at;
}

void GenicamSupervisor::setLookOnly(bool lookOnly)
{
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        m_link.setLookOnly(lookOnly, Clock::now());
    }
    m_leaveControl = lookOnly;
    m_wake.notify();
}

void GenicamSupervisor::leaveControl()
{
    // Aravis asks for control when it opens a GigE Vision camera: a viewer that only looks gives it
    // back, so that another application may take it.
    if (!m_device || !ARV_IS_GV_DEVICE(m_device) || !arv_gv_device_is_controller(ARV_GV_DEVICE(m_device)))
        return;
    GenicamContext context(m_device, m_cache);
    GError* error = nullptr;
    arv_gv_device_leave_control(ARV_GV_DEVICE(m_device), &error);
    context.take(&error);
    qCInfo(lcGenicam, "looking only: control given back");
}

void GenicamSupervisor::act()
{
    if (m_leaveControl.exchange(false))
        leaveControl();
    GenicamLink::Action action = GenicamLink::Action::None;
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        const auto now = Clock::now();
        if (m_controlLost.exchange(false))
            m_link.controlLost(now);
        const GenicamLink::Next next = m_link.next(m_probed == nullptr);
        if (!m_losing && next.action != GenicamLink::Action::None && now >= next.at)
            action = next.action;
    }
    switch (action) {
    case GenicamLink::Action::Probe:
        probe();
        break;
    case GenicamLink::Action::TakeControl:
        takeControl();
        break;
    case GenicamLink::Action::Reopen:
        reopen();
        break;
    case GenicamLink::Action::None:
        break;
    }
    settle();
}

void GenicamSupervisor::settle()
{
    lose();
    publish();
}

void GenicamSupervisor::noteControlLost()
{
    m_controlLost = true;
    m_wake.notify();
}

void GenicamSupervisor::heard(const GenicamContext& context, int status)
{
    if (context.refusedControl() && inControl()) {
        qCInfo(lcGenicam, "the camera refused a write as from another application's: is control still ours?");
        noteControlLost();
    }
    if (!context.linkFailure().empty()) {
        failed(context.linkFailure());
        return;
    }
    // A write or a poll that succeeded went to the camera and back; a read may have been answered
    // from the description or a cache without reaching it.
    using Kind = GenicamContext::Kind;
    if (status == 0 && (context.kind() == Kind::Write || context.kind() == Kind::Poll)) {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        m_link.answered(Clock::now());
    }
}

void GenicamSupervisor::failed(const std::string& why)
{
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        m_link.failed(why, Clock::now());
    }
    m_probeWake.notify_all(); // the prober probes at once
    m_wake.notify();
}

void GenicamSupervisor::probe()
{
    // Any camera but a GigE Vision one (those are the prober's): through Aravis.
    bool answered = false;
    if (m_device) {
        GError* error = nullptr;
        guint32 version = 0;
        arv_device_read_register(m_device, bootstrapVersion, &version, &error);
        answered = GenicamStatus::take(&error) == 0;
    }
    std::lock_guard<CheckedMutex> lock(m_mutex);
    probed(answered);
}

void GenicamSupervisor::probeLoop()
{
    std::unique_lock<CheckedMutex> lock(m_mutex);
    while (!m_stopping) {
        const bool due = m_probed && m_link.reachable() && Clock::now() >= m_link.probeAt();
        if (!due) {
            const auto at = m_probed && m_link.reachable() ? m_link.probeAt() : Clock::time_point::max();
            m_probeWake.wait_until(lock, at);
            continue;
        }
        auto* address = G_INET_ADDRESS(g_object_ref(m_probed));
        lock.unlock();
        const bool answered = GenicamGvcp::answersRead(address, bootstrapVersion, GenicamLink::probeBound);
        g_object_unref(address);
        lock.lock();
        if (m_stopping)
            break;
        probed(answered);
        lock.unlock();
        publish();
        lock.lock();
    }
}

void GenicamSupervisor::probed(bool answered)
{
    LT_ASSERT(m_mutex.isHeld());
    if (answered) {
        m_link.answered(Clock::now());
    } else if (m_link.probeFailed(Clock::now())) {
        m_losing = true; // the worker closes the device once its call is over
        m_wake.notify();
    }
}

void GenicamSupervisor::takeControl()
{
    if (!m_device)
        return;
    GenicamContext context(m_device, m_cache);
    GError* error = nullptr;
    // Only GigE Vision has others in control; any other device is ours.
    const bool granted =
        !ARV_IS_GV_DEVICE(m_device) || arv_gv_device_take_control(ARV_GV_DEVICE(m_device), &error);
    context.take(&error);
    const auto now = Clock::now();
    qCDebug(lcGenicam, "asked for control: %s", granted ? "granted" : "refused");
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        if (granted)
            m_link.controlGranted(now);
        else if (context.linkFailure().empty())
            m_link.controlRefused(now);
        else
            m_link.controlUnanswered(context.linkFailure(), now);
    }
    if (granted && m_events.controlGranted)
        m_events.controlGranted(); // everything is writable again
}

void GenicamSupervisor::reopen()
{
    std::string failure;
    ArvDevice* device = m_opener(&failure);
    if (!device) {
        qCDebug(lcGenicam, "reopening failed: %s", failure.c_str());
        std::lock_guard<CheckedMutex> lock(m_mutex);
        m_link.openFailed(Clock::now());
        return;
    }
    adopt(device);
    GenicamContext context(m_device, m_cache);
    if (m_events.back)
        m_events.back(context);
    m_deviceBack(context);
    heard(context, 0);
}

void GenicamSupervisor::adopt(ArvDevice* device)
{
    LT_ASSERT(m_device == nullptr);
    m_device = device;
    m_cache.adopt(device);
    bool controller = true;
    if (ARV_IS_GV_DEVICE(device)) {
        controller = arv_gv_device_is_controller(ARV_GV_DEVICE(device));
        // Aravis's heartbeat thread may report after the worker is gone: its handler holds a weak
        // reference to the worker, freed by GLib when the handler goes.
        m_controlLostHandler = g_signal_connect_data(
            device, "control-lost", G_CALLBACK(&GenicamSupervisor::onControlLost),
            new HandlerData{m_owner, this},
            [](gpointer data, GClosure*) { delete static_cast<HandlerData*>(data); }, GConnectFlags(0));
    }
    GInetAddress* address = nullptr;
    if (ARV_IS_GV_DEVICE(device)) {
        GSocketAddress* camera = arv_gv_device_get_device_address(ARV_GV_DEVICE(device));
        address =
            G_INET_ADDRESS(g_object_ref(g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(camera))));
    }
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        m_leaveControl = m_link.lookOnly();
        m_link.opened(controller, Clock::now());
        g_clear_object(&m_probed);
        m_probed = address;
    }
    m_probeWake.notify_all();
    m_wake.notify();
}

void GenicamSupervisor::onControlLost(void* /*device*/, void* data)
{
    // Aravis's heartbeat thread: only raise the flag.
    const auto* handler = static_cast<HandlerData*>(data);
    if (const auto owner = handler->owner.lock())
        handler->supervisor->noteControlLost();
}

void GenicamSupervisor::lose()
{
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        if (!std::exchange(m_losing, false))
            return;
        g_clear_object(&m_probed);
    }
    if (!m_device)
        return;
    if (m_events.gone)
        m_events.gone();
    m_deviceGone();
    ArvDevice* device = std::exchange(m_device, nullptr);
    if (m_controlLostHandler != 0)
        g_signal_handler_disconnect(device, std::exchange(m_controlLostHandler, 0));
    m_cache.forget();
    m_closer.close(device);
}

void GenicamSupervisor::publish()
{
    const LinkStatus now = status();
    // Held while the listener runs, so that what it hears comes in order.
    std::lock_guard<std::mutex> lock(m_publishMutex);
    if (now == m_published)
        return;
    m_published = now;
    qCInfo(lcGenicam, "link: %s", now.describe().c_str());
    m_statusListener(now);
}

void GenicamSupervisor::finish()
{
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        m_link.stop();
        g_clear_object(&m_probed);
    }
    m_probeWake.notify_all();
    if (m_device) {
        if (m_events.gone)
            m_events.gone();
        m_deviceGone();
        if (m_controlLostHandler != 0)
            g_signal_handler_disconnect(m_device, std::exchange(m_controlLostHandler, 0));
        g_clear_object(&m_device);
    }
}

void GenicamSupervisor::stop(GenicamThread& prober)
{
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        m_stopping = true;
    }
    m_probeWake.notify_all();
    // The prober ends once it is out of its probe; closing waits a short while for that.
    prober.join(GenicamLink::stopBound);
    m_closer.stop(GenicamLink::stopBound);
}

LinkStatus GenicamSupervisor::status() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_link.status();
}

bool GenicamSupervisor::reachable() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return !m_stopping && m_link.reachable();
}

bool GenicamSupervisor::inControl() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_link.inControl();
}

void GenicamSupervisor::setStatusListener(std::function<void(const LinkStatus& status)> listener)
{
    m_statusListener.set(std::move(listener));
}

void GenicamSupervisor::setDeviceHooks(std::function<void()> gone,
                                       std::function<void(GenicamContext& context)> back)
{
    m_deviceGone.set(std::move(gone));
    m_deviceBack.set(std::move(back));
}
