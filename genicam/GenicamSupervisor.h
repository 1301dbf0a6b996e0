#pragma once

#include "CheckedMutex.h"
#include "GenicamCloser.h"
#include "GenicamLink.h"
#include "GenicamThread.h"
#include "Listener.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

typedef struct _ArvDevice ArvDevice;       // NOLINT(bugprone-reserved-identifier): GLib type
typedef struct _GInetAddress GInetAddress; // NOLINT(bugprone-reserved-identifier): GLib type
class GenicamCache;
class GenicamContext;
class GenicamWake;

// Keeps a camera's link: opens the device, hears how the camera answered calls, probes a camera
// that may be gone (a GigE Vision camera from a thread of its own, on a socket of its own), declares
// it lost on the evidence GenicamLink asks for, closes the lost device on a thread of its own, opens
// it again, takes control, and tells who listens. The policy itself is GenicamLink's.
class GenicamSupervisor
{
public:
    using Clock = std::chrono::steady_clock;
    // Runs on the worker thread; returns the opened device, or null with error set.
    using Opener = std::function<ArvDevice*(std::string* error)>;
    // What the worker does when the device goes or comes back, on the worker thread.
    struct Events
    {
        std::function<void()> gone;
        std::function<void(GenicamContext& context)> back;
        std::function<void()> controlGranted;
    };

    GenicamSupervisor(Opener opener, bool reopens, GenicamWake& wake, GenicamCache& cache);
    ~GenicamSupervisor();
    GenicamSupervisor(const GenicamSupervisor&) = delete;
    GenicamSupervisor& operator=(const GenicamSupervisor&) = delete;

    // Before any thread runs: what the worker does on the supervisor's events, and who owns it (the
    // heartbeat's handler holds a weak reference to the owner, which keeps the supervisor).
    void setEvents(Events events);
    void setOwner(std::weak_ptr<void> owner);

    // The worker thread.
    bool open(std::string* error);
    ArvDevice* device() const { return m_device; }
    // When the next action of the link is due (probe, control, reopen, closing a lost device);
    // urgent when probes decide before any call.
    Clock::time_point due(bool* urgent) const;
    void act();
    // After anything the worker did: a device found lost is closed, and listeners hear.
    void settle();
    // How the camera answered a call on this context.
    void heard(const GenicamContext& context, int status);
    // Any thread: something says control may be another application's now (the heartbeat, a
    // refused write, the stream going elsewhere): whether it is, is asked at once.
    void noteControlLost();
    // The worker ends: the device is closed, and nobody hears of it again.
    void finish();

    // The prober's thread: a GigE Vision camera is asked whether it is there until stop().
    void probeLoop();
    // Stops the prober and the closer, waiting for them a short while at most.
    void stop(GenicamThread& prober);

    // Any thread: look only (control given back and never asked for), or write again.
    void setLookOnly(bool lookOnly);
    // Any thread.
    LinkStatus status() const;
    bool reachable() const;
    bool inControl() const;
    void setStatusListener(std::function<void(const LinkStatus& status)> listener);
    // Called on the worker thread: gone before a device is closed, back after a lost camera was
    // opened again, with a context for calls to it.
    void setDeviceHooks(std::function<void()> gone, std::function<void(GenicamContext& context)> back);

private:
    void adopt(ArvDevice* device);
    void probe();
    void probed(bool answered);
    void takeControl();
    void leaveControl();
    void reopen();
    void lose();
    void failed(const std::string& why);
    // Tells the status listener when the status changed since it last heard.
    void publish();
    static void onControlLost(void* device, void* data);

    const Opener m_opener;
    GenicamWake& m_wake;
    GenicamCache& m_cache;
    Events m_events;
    std::weak_ptr<void> m_owner;
    Listener<const LinkStatus&> m_statusListener;
    Listener<> m_deviceGone;
    Listener<GenicamContext&> m_deviceBack;
    std::atomic<bool> m_controlLost{false};
    std::atomic<bool> m_leaveControl{false};

    // The worker thread's.
    ArvDevice* m_device = nullptr;
    unsigned long m_controlLostHandler = 0;

    // Guards what the status listener heard last.
    std::mutex m_publishMutex;
    LinkStatus m_published;

    // Guards everything below.
    mutable CheckedMutex m_mutex;
    std::condition_variable_any m_probeWake;
    GenicamLink m_link;
    bool m_losing = false; // the link is lost: the worker closes the device
    bool m_stopping = false;
    GInetAddress* m_probed = nullptr; // a GigE Vision camera's address, for the prober

    GenicamCloser m_closer;
};
