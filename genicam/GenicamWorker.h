#pragma once

#include "CameraDevice.h"
#include "GenicamCache.h"
#include "GenicamExecutor.h"
#include "GenicamPoller.h"
#include "GenicamSupervisor.h"
#include "GenicamThread.h"
#include "GenicamWake.h"
#include "Listener.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

struct GenicamFeatureInfo;

// The one thread that talks to an Aravis device (Aravis is not thread-safe), and what it does, in
// this order: what the link's supervisor says cannot wait (a camera that may be gone is probed
// first), the calls other threads hand it (GenicamExecutor), the supervisor's other actions (ask
// for control, open a lost camera again), and the poller's steps once calls have been quiet.
class GenicamWorker : public std::enable_shared_from_this<GenicamWorker>
{
public:
    using Kind = GenicamContext::Kind;
    using Call = GenicamExecutor::Call;
    using Opener = GenicamSupervisor::Opener;
    using WriteFailure = CameraDevice::WriteFailure;

    // Starts the thread and waits until it has opened the device, at most openBound; null with
    // error set on failure. A worker that reopens opens the camera again after losing it.
    static std::shared_ptr<GenicamWorker> start(Opener opener, bool reopens, std::string* error,
                                                std::chrono::milliseconds openBound = GenicamLink::openBound);
    ~GenicamWorker();
    GenicamWorker(const GenicamWorker&) = delete;
    GenicamWorker& operator=(const GenicamWorker&) = delete;

    // Runs call on the worker thread and returns its status; at once when called there. Answers
    // NotOpened at once while the camera is lost or the worker has stopped, and Timeout when the
    // burst's time is up (see GenicamExecutor).
    int run(const Call& call, Kind kind = Kind::Other, const std::string& feature = std::string(),
            bool* finished = nullptr);
    // Any thread: queues a write nobody waits for (see GenicamExecutor::post); refused at once, the
    // same way, without control of the camera or while it is lost.
    void post(const Call& call, std::function<void(int status)> answered);
    // Like run for a write, refused at once with ResourceInUse without control of the camera.
    int runWrite(const Call& call, const std::string& feature = std::string(), bool* finished = nullptr);
    // Closes the device and ends the threads, waiting for them a short while at most.
    void stop();
    bool isWorkerThread() const { return m_workerId.load() == std::this_thread::get_id(); }

    // What the description fixes about a feature; null with status set when it cannot be read now.
    std::shared_ptr<const GenicamFeatureInfo> info(const std::string& name, int* status);
    void reportWriteFailure(const WriteFailure& failure) { m_writeListener(failure); }
    void setWriteListener(std::function<void(const WriteFailure& failure)> listener);
    void addObserver(const std::string& name, std::shared_ptr<Tovrik::FeatureObserverInterface> observer);
    void setHandles(const std::map<std::string, std::shared_ptr<Tovrik::Feature>>& handles);

    // Polls every observed feature now, on the worker thread, and delivers what changed.
    void pollNow();
    GenicamCache& cache() { return m_cache; }

    GenicamExecutor& executor() { return m_executor; }
    GenicamSupervisor& supervisor() { return m_supervisor; }
    const GenicamSupervisor& supervisor() const { return m_supervisor; }
    GenicamPoller& poller() { return m_poller; }

private:
    enum class Job { None, Urgent, Call, Link, Poll };

    GenicamWorker(Opener opener, bool reopens);
    void loop();
    // What to do now, or when to look again.
    Job nextJob(GenicamExecutor::Clock::time_point* wakeAt);
    int runHere(const Call& call, Kind kind, const std::string& feature);
    // The worker thread, once the camera is open: the settings a page reads first, read now.
    void warmUp();

    GenicamWake m_wake;
    GenicamCache m_cache;
    GenicamExecutor m_executor;
    GenicamSupervisor m_supervisor;
    GenicamPoller m_poller;
    Listener<const WriteFailure&> m_writeListener;
    GenicamThread m_thread;
    // Set by the worker thread itself as it begins: its handle is still being moved into m_thread.
    std::atomic<std::thread::id> m_workerId{};
    GenicamThread m_prober;
};
