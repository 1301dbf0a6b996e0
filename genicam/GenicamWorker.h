#pragma once

#include "GenicamFeatureInfo.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

typedef struct _ArvDevice ArvDevice; // NOLINT(bugprone-reserved-identifier): GLib type

namespace Tovrik {
class Feature;
class FeatureObserverInterface;
} // namespace Tovrik

// The one thread that talks to an Aravis device (Aravis is not thread-safe). Other threads hand it
// calls and wait a bounded time for them. It notices when the camera is lost, answers at once
// while it is, and opens it again in the background. Aravis has no change callbacks, so the thread
// also polls the observed features, once a second and in small steps that never hold up a call.
class GenicamWorker : public std::enable_shared_from_this<GenicamWorker>
{
public:
    enum class Link { Connected, Monitoring, Lost };
    struct WriteFailure
    {
        std::string feature;
        std::string selection; // "Selector=Entry" of a selected feature, when it could be read
        std::string value;
        int status = 0;
    };
    using Call = std::function<int(ArvDevice*)>;
    // Runs on the worker thread; returns the opened device, or null with error set.
    using Opener = std::function<ArvDevice*(std::string* error)>;
    // Called on the worker thread, outside any lock of the worker.
    using LinkListener = std::function<void(Link link, const std::string& reason)>;
    // Called on the thread whose write failed.
    using WriteListener = std::function<void(const WriteFailure& failure)>;

    // Starts the thread and waits until it has opened the device; null with error set on failure.
    // A worker that reopens tries the opener again, with growing pauses, after losing the camera.
    static std::shared_ptr<GenicamWorker> start(Opener opener, bool reopens, std::string* error);
    ~GenicamWorker();
    GenicamWorker(const GenicamWorker&) = delete;
    GenicamWorker& operator=(const GenicamWorker&) = delete;

    // Runs call on the worker thread and returns its status, at once when called there. Waits at
    // most the call bound: NotOpened while the camera is lost or the worker has stopped, Timeout
    // when the worker is still stuck in an earlier call. call must own what it touches: it may run
    // after its caller has given up on it. Reads and writes say so, and name their feature, for
    // the burst memory below.
    enum class Kind { Other, Read, Write };
    int run(const Call& call, Kind kind = Kind::Other, const std::string& feature = std::string());
    // Closes the device and ends the thread, waiting for it a short while at most.
    void stop();
    bool isWorkerThread() const;

    Link link() const;
    std::string linkReason() const;
    void setLinkListener(LinkListener listener);
    void setWriteListener(WriteListener listener);
    void reportWriteFailure(const WriteFailure& failure);
    void setCallBound(std::chrono::milliseconds bound);

    // What the description fixes about a feature, read once per connection; null with status set
    // when it cannot be read now.
    std::shared_ptr<const GenicamFeatureInfo> info(const std::string& name, int* status);
    // Worker thread only. Within one burst of calls (no write, no other call, no pause longer than
    // the quiet time in between), a value is read from the camera once: reads remember what they
    // read, and a write to a write-through feature what it wrote.
    void remember(const std::string& feature, const std::string& value);
    bool recall(const std::string& feature, std::string* value) const;
    // Worker thread only: "Selector=Entry" for a selected feature, empty otherwise.
    std::string selectionOf(ArvDevice* device, const std::string& name);

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

    GenicamWorker() = default;
    void loop();
    void runPending(const std::shared_ptr<Pending>& pending);
    void startCall(Kind kind, const std::string& feature);
    void endCall(Kind kind, const std::string& feature);
    void pollStep();
    void pollRound();
    void deliver(const std::vector<std::string>& names);
    // m_mutex held.
    std::vector<std::string> observedNames() const;
    std::string snapshotOf(const std::string& name);
    void adopt(ArvDevice* device);
    void lose(const std::string& reason);
    void checkLink();
    void reopen();
    void setLink(Link link, const std::string& reason);
    void retakeControl(bool failureLosesLink);
    std::shared_ptr<const GenicamFeatureInfo> describe(ArvDevice* device, const std::string& name);
    static void onControlLost(void* device, void* worker);

    std::thread m_thread;
    std::thread::id m_threadId;
    Opener m_opener;
    bool m_reopens = false;
    // Used by the worker thread only.
    ArvDevice* m_device = nullptr;
    std::map<std::string, std::string> m_memo;
    // Selectors read or written in this burst: their registers may be answered from Aravis's cache.
    std::set<std::string> m_freshSelectors;
    std::chrono::steady_clock::time_point m_lastDone;
    std::atomic<bool> m_controlLost{false};

    // Guards everything below.
    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    std::deque<std::shared_ptr<Pending>> m_calls;
    bool m_stopping = false;
    bool m_finished = false;
    bool m_stuck = false;
    Link m_link = Link::Connected;
    std::string m_linkReason;
    bool m_hadControl = false;
    int m_controlRetries = 0;
    Clock::time_point m_nextAttempt; // the next reopen or control retry
    std::chrono::milliseconds m_reopenPause{500};
    std::chrono::milliseconds m_callBound{1000};
    LinkListener m_linkListener;
    WriteListener m_writeListener;
    std::map<std::string, std::shared_ptr<const GenicamFeatureInfo>> m_infos;
    std::map<std::string, std::string> m_selectors; // selected feature -> its selector
    std::chrono::milliseconds m_pollInterval{1000};
    Clock::time_point m_nextPoll;
    Clock::time_point m_lastCall;
    std::vector<std::string> m_round; // features still to poll in this round
    uint64_t m_polls = 0;
    std::map<std::string, std::shared_ptr<Tovrik::Feature>> m_handles;
    std::map<std::string, std::vector<std::shared_ptr<Tovrik::FeatureObserverInterface>>> m_observers;
    std::map<std::string, std::string> m_snapshots;
};
