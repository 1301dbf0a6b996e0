#pragma once

#include "FeatureObserverRegistry.h"
#include "GenicamCache.h"
#include "GenicamContext.h"
#include "GenicamLink.h"
#include "GenicamThread.h"
#include "Listener.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _ArvDevice ArvDevice;       // NOLINT(bugprone-reserved-identifier): GLib type
typedef struct _GInetAddress GInetAddress; // NOLINT(bugprone-reserved-identifier): GLib type

namespace Tovrik {
class Feature;
class FeatureObserverInterface;
} // namespace Tovrik

// The one thread that talks to an Aravis device (Aravis is not thread-safe). Other threads hand it
// calls and wait a bounded time for them: one burst of calls (an operator action) waits at most
// the call bound in total. What the link is and what to do about it is GenicamLink's; what need
// not be asked again is GenicamCache's; who hears of changes is the observer registry's. Aravis
// has no change callbacks, so the thread polls the observed features, once a second and in small
// steps that never hold up a call.
class GenicamWorker : public std::enable_shared_from_this<GenicamWorker>
{
public:
    using Link = GenicamLink::State;
    using Kind = GenicamContext::Kind;
    struct WriteFailure
    {
        std::string feature;
        std::string selection; // "Selector=Entry" of a selected feature, when it could be read
        std::string value;
        int status = 0;
    };
    // Runs on the worker thread with the call's context; returns a status.
    using Call = std::function<int(GenicamContext& context)>;
    // Runs on the worker thread; returns the opened device, or null with error set.
    using Opener = std::function<ArvDevice*(std::string* error)>;

    // Starts the thread and waits until it has opened the device, at most openBound; null with
    // error set on failure. A worker that reopens opens the camera again after losing it.
    static std::shared_ptr<GenicamWorker>
    start(Opener opener, bool reopens, std::string* error,
          std::chrono::milliseconds openBound = std::chrono::seconds(10));
    ~GenicamWorker();
    GenicamWorker(const GenicamWorker&) = delete;
    GenicamWorker& operator=(const GenicamWorker&) = delete;

    // Runs call on the worker thread and returns its status; at once when called there. Answers
    // NotOpened at once while the camera is lost or the worker has stopped, and Timeout when the
    // burst's time is up. call must own what it touches: it may run after its caller gave up, so
    // its results are the caller's only when finished says so.
    int run(const Call& call, Kind kind = Kind::Other, const std::string& feature = std::string(),
            bool* finished = nullptr);
    // Like run for a write, refused at once with ResourceInUse without control of the camera.
    int runWrite(const Call& call, const std::string& feature = std::string(), bool* finished = nullptr);
    // Closes the device and ends the threads, waiting for them a short while at most.
    void stop();
    bool isWorkerThread() const;

    Link link() const;
    std::string linkReason() const;
    // Called on a thread of the worker's (its own, or its prober's) when the link changes.
    // Clearing a listener waits for a call in progress.
    void setLinkListener(std::function<void(Link link, const std::string& reason)> listener);
    // Called on the thread whose write failed.
    void setWriteListener(std::function<void(const WriteFailure& failure)> listener);
    void reportWriteFailure(const WriteFailure& failure);
    // Called on the worker thread: gone before a device is closed (lost, or the worker stops), back
    // after a lost camera was opened again, with a context for calls to it.
    void setDeviceHooks(std::function<void()> gone, std::function<void(GenicamContext& context)> back);
    void setCallBound(std::chrono::milliseconds bound);

    // What the description fixes about a feature; null with status set when it cannot be read now.
    std::shared_ptr<const GenicamFeatureInfo> info(const std::string& name, int* status);

    // The handles observers are told about, by feature name.
    void setHandles(const std::map<std::string, std::shared_ptr<Tovrik::Feature>>& handles);
    void addObserver(const std::string& name, std::shared_ptr<Tovrik::FeatureObserverInterface> observer);
    void removeObserver(const std::string& name,
                        const std::shared_ptr<Tovrik::FeatureObserverInterface>& observer);
    size_t observerCount(const std::string& name) const;

    void setPollInterval(std::chrono::milliseconds interval);
    // After a write: poll once calls have been quiet for a short while.
    void requestPoll();
    // Polls every observed feature now and delivers what changed before returning.
    void pollNow();
    uint64_t pollCount() const;

private:
    struct Pending;
    using Clock = std::chrono::steady_clock;
    enum class Job { None, Call, Poll, Probe, TakeControl, Reopen };

    GenicamWorker(Opener opener, bool reopens);
    void loop();
    // m_mutex held: what to do next, waiting for it until it is due.
    Job nextJob(std::unique_lock<std::mutex>& lock, std::shared_ptr<Pending>* pending);
    int runHere(const Call& call, Kind kind, const std::string& feature);
    // Hands how the camera answered a call to the link.
    void heard(const GenicamContext& context, int status);
    void failed(const std::string& why);
    void runPending(const std::shared_ptr<Pending>& pending);
    void pollStep();
    void pollRound();
    void probe();
    // The prober's thread: a GigE Vision camera is asked whether it is there on a socket of our
    // own, so the verdict does not wait for a call stuck in Aravis's retries.
    void probeLoop();
    // m_mutex held: what a probe's answer means for the link.
    void probed(bool answered);
    void takeControl();
    void reopen();
    void adopt(ArvDevice* device);
    void lose();
    // Tells the link listener when the link's state or reason changed since it last heard.
    void publish();
    void deliverAll();
    void finish();
    static void onControlLost(void* device, void* weakWorker);

    Opener m_opener;
    GenicamThread m_thread;
    std::atomic<bool> m_controlLost{false};
    Listener<Link, const std::string&> m_linkListener;
    Listener<const WriteFailure&> m_writeListener;
    Listener<> m_deviceGone;
    Listener<GenicamContext&> m_deviceBack;
    FeatureObserverRegistry m_observers; // delivered on the worker thread
    GenicamCache m_cache;

    // Used by the worker thread only.
    ArvDevice* m_device = nullptr;
    unsigned long m_controlLostHandler = 0;

    // Guards what the link listener heard last.
    std::mutex m_publishMutex;
    Link m_published = Link::Stopped;
    std::string m_publishedReason;

    // Guards everything below.
    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    std::deque<std::shared_ptr<Pending>> m_calls;
    bool m_stopping = false;
    GenicamLink m_link;
    bool m_losing = false;            // the link is lost: the worker closes the device
    GInetAddress* m_probed = nullptr; // a GigE Vision camera's address, for the prober
    std::chrono::milliseconds m_callBound{1000};
    Clock::time_point m_burstDeadline;
    Clock::time_point m_lastCall; // queued or answered, on the callers' side
    std::chrono::milliseconds m_pollInterval{1000};
    Clock::time_point m_nextPoll;
    std::vector<std::string> m_round; // features still to poll in this round
    uint64_t m_polls = 0;
    std::map<std::string, std::shared_ptr<Tovrik::Feature>> m_handles;

    // Lost devices are closed on a thread of their own: Aravis may take seconds to let go of a
    // camera that is gone. When the worker stops, that thread is joined at once if it is idle,
    // else at the process's exit, within a bound.
    struct Closer;
    std::shared_ptr<Closer> m_closer;
    GenicamThread m_closerThread;
    GenicamThread m_prober;
};
