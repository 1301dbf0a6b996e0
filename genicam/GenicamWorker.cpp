#include <arv.h>

#include "GenicamWorker.h"

#include "GenicamGvcp.h"
#include "GenicamNode.h"
#include "GenicamStatus.h"
#include "TovrikFeature.h"
#include "TovrikStatus.h"

#include <algorithm>
#include <future>
#include <utility>

namespace {

namespace Status = Tovrik::Status;

// How long closing waits for a thread of the camera's.
constexpr std::chrono::milliseconds stopBound{100};

// A probe reads the bootstrap register every GigE Vision camera has, the first one, within a
// bound far shorter than Aravis's own retries: the verdict on a silent camera comes in time.
constexpr guint32 bootstrapVersion = 0x0000;
constexpr std::chrono::milliseconds probeBound{600};
const std::string pollName = " poll"; // no feature's name

} // namespace

struct GenicamWorker::Pending
{
    Call call;
    Kind kind;
    std::string feature;
    int status = Status::NotOpened;
    bool started = false;
    bool done = false;
    bool abandoned = false;
};

struct GenicamWorker::Closer
{
    std::mutex mutex; // guards everything below
    std::condition_variable condition;
    std::deque<ArvDevice*> devices;
    bool busy = false;
    bool stopping = false;

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            condition.wait(lock, [this] { return stopping || !devices.empty(); });
            if (devices.empty())
                return;
            ArvDevice* device = devices.front();
            devices.pop_front();
            busy = true;
            lock.unlock();
            g_object_unref(device);
            lock.lock();
            busy = false;
        }
    }
};

GenicamWorker::GenicamWorker(Opener opener, bool reopens)
    : m_opener(std::move(opener)), m_link(reopens, Clock::now()), m_closer(std::make_shared<Closer>())
{
    m_closerThread = GenicamThread([closer = m_closer] { closer->run(); });
}

std::shared_ptr<GenicamWorker> GenicamWorker::start(Opener opener, bool reopens, std::string* error,
                                                    std::chrono::milliseconds openBound)
{
    std::shared_ptr<GenicamWorker> worker(new GenicamWorker(std::move(opener), reopens));
    auto opened = std::make_shared<std::promise<std::string>>();
    std::future<std::string> result = opened->get_future();
    // The thread keeps the worker alive while it runs; stop() joins it.
    worker->m_thread = GenicamThread([worker, opened] {
        std::string failure;
        ArvDevice* device = worker->m_opener(&failure);
        if (!device) {
            opened->set_value(failure.empty() ? std::string("the device could not be opened") : failure);
            worker->finish();
            return;
        }
        worker->adopt(device);
        {
            // The state found at opening is where the camera starts, not a change to report.
            std::lock_guard<std::mutex> lock(worker->m_publishMutex);
            worker->m_published = worker->link();
            worker->m_publishedReason = worker->linkReason();
        }
        opened->set_value(std::string());
        worker->loop();
    });
    if (result.wait_for(openBound) != std::future_status::ready) {
        {
            std::lock_guard<std::mutex> lock(worker->m_mutex);
            worker->m_stopping = true;
        }
        // Still inside Aravis when given up on: it ends on its own and is joined at exit.
        worker->m_thread.handOver();
        if (error)
            *error = "no answer within " + std::to_string(openBound.count() / 1000) + " s";
        return nullptr;
    }
    const std::string failure = result.get();
    if (failure.empty()) {
        worker->m_prober = GenicamThread([worker] { worker->probeLoop(); });
        return worker;
    }
    worker->stop();
    if (error)
        *error = failure;
    return nullptr;
}

GenicamWorker::~GenicamWorker()
{
    stop();
}

bool GenicamWorker::isWorkerThread() const
{
    return m_thread.isCurrent();
}

int GenicamWorker::run(const Call& call, Kind kind, const std::string& feature, bool* finished)
{
    if (finished)
        *finished = false;
    if (isWorkerThread()) {
        if (finished)
            *finished = true;
        return runHere(call, kind, feature); // an observer calling back into a feature
    }
    auto pending = std::make_shared<Pending>();
    pending->call = call;
    pending->kind = kind;
    pending->feature = feature;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_stopping || !m_link.reachable())
        return Status::NotOpened;
    const auto now = Clock::now();
    // A call after a pause starts a new burst, with a whole bound to wait in.
    if (now - m_lastCall > GenicamCache::quietTime)
        m_burstDeadline = now + m_callBound;
    m_lastCall = now;
    if (now >= m_burstDeadline)
        return Status::Timeout;
    m_calls.push_back(pending);
    m_condition.notify_all();
    const bool done = m_condition.wait_until(lock, m_burstDeadline, [&pending] { return pending->done; });
    m_lastCall = Clock::now();
    if (done) {
        if (finished)
            *finished = true;
        return pending->status;
    }
    // The camera is slow to answer: this call is given up on, and the rest of the burst answers at
    // once; a call that has not started yet never will.
    pending->abandoned = true;
    return Status::Timeout;
}

int GenicamWorker::runWrite(const Call& call, const std::string& feature, bool* finished)
{
    if (finished)
        *finished = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Another application holds control: refused here, the camera would refuse or not answer.
        if (m_link.state() == Link::Monitoring)
            return Status::ResourceInUse;
    }
    const int status = run(call, Kind::Write, feature, finished);
    requestPoll();
    return status;
}

void GenicamWorker::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_condition.notify_all();
    // The worker and its prober end once they are out of a call to the camera. Closing waits a
    // short while for that; one still inside Aravis's retries (a camera that is gone) is joined as
    // the process exits, and keeps the worker alive until then.
    m_prober.join(stopBound);
    m_thread.join(stopBound);
    bool busy = false;
    {
        std::lock_guard<std::mutex> lock(m_closer->mutex);
        m_closer->stopping = true;
        busy = m_closer->busy || !m_closer->devices.empty();
    }
    m_closer->condition.notify_all();
    m_closerThread.join(busy ? std::chrono::milliseconds(0) : stopBound);
}

void GenicamWorker::loop()
{
    for (;;) {
        std::shared_ptr<Pending> pending;
        Job job = Job::None;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_stopping)
                break;
            job = nextJob(lock, &pending);
        }
        switch (job) {
        case Job::Call:
            runPending(pending);
            break;
        case Job::Poll:
            pollStep();
            break;
        case Job::Probe:
            probe();
            break;
        case Job::TakeControl:
            takeControl();
            break;
        case Job::Reopen:
            reopen();
            break;
        case Job::None:
            break;
        }
        lose();
        publish();
    }
    finish();
}

GenicamWorker::Job GenicamWorker::nextJob(std::unique_lock<std::mutex>& lock,
                                          std::shared_ptr<Pending>* pending)
{
    const auto now = Clock::now();
    // A GigE Vision camera's probes are the prober's.
    const bool probes = m_probed == nullptr;
    const GenicamLink::Next next = m_link.next(probes);
    auto wake = next.action == GenicamLink::Action::None ? Clock::time_point::max() : next.at;
    // Polls wait until calls have been quiet for a while: an operator action is never interrupted.
    const auto pollAt = std::max(m_round.empty() ? m_nextPoll : now, m_lastCall + GenicamCache::quietTime);
    if (m_link.reachable())
        wake = std::min(wake, pollAt);
    m_condition.wait_until(lock, wake,
                           [this] { return m_stopping || m_losing || !m_calls.empty() || m_controlLost; });
    if (m_stopping || m_losing)
        return Job::None;
    const auto woken = Clock::now();
    if (m_controlLost.exchange(false))
        m_link.controlLost(woken);
    const GenicamLink::Next action = m_link.next(probes);
    // While the camera may be gone, probes decide before any call waits for Aravis's retries.
    if (m_link.failing() && action.action == GenicamLink::Action::Probe)
        return Job::Probe;
    if (!m_calls.empty()) {
        *pending = m_calls.front();
        m_calls.pop_front();
        if ((*pending)->abandoned)
            return Job::None;
        (*pending)->started = true;
        return Job::Call;
    }
    if (action.action != GenicamLink::Action::None && woken >= action.at) {
        switch (action.action) {
        case GenicamLink::Action::Probe:
            return Job::Probe;
        case GenicamLink::Action::TakeControl:
            return Job::TakeControl;
        case GenicamLink::Action::Reopen:
            return Job::Reopen;
        case GenicamLink::Action::None:
            break;
        }
    }
    if (!m_link.reachable() || woken < m_lastCall + GenicamCache::quietTime)
        return Job::None;
    if (m_round.empty() && woken >= m_nextPoll) {
        m_round = m_observers.observed();
        m_nextPoll = woken + m_pollInterval;
        ++m_polls;
    }
    return m_round.empty() ? Job::None : Job::Poll;
}

int GenicamWorker::runHere(const Call& call, Kind kind, const std::string& feature)
{
    GenicamContext context(m_device, m_cache, kind, feature);
    if (!m_device)
        return Status::NotOpened;
    m_cache.beginCall(context);
    const int status = call(context);
    m_cache.endCall(context);
    heard(context, status);
    return status;
}

void GenicamWorker::heard(const GenicamContext& context, int status)
{
    if (!context.linkFailure().empty()) {
        failed(context.linkFailure());
        return;
    }
    // A write or a poll that succeeded went to the camera and back; a read may have been answered
    // from the description or a cache without reaching it.
    if (status == 0 && (context.kind() == Kind::Write || context.feature() == pollName)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_link.answered(Clock::now());
    }
}

void GenicamWorker::failed(const std::string& why)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_link.failed(why, Clock::now());
    }
    m_condition.notify_all(); // the prober probes at once
}

void GenicamWorker::runPending(const std::shared_ptr<Pending>& pending)
{
    const int status = runHere(pending->call, pending->kind, pending->feature);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pending->status = status;
        pending->done = true;
    }
    m_condition.notify_all();
}

void GenicamWorker::probe()
{
    // Any camera but a GigE Vision one (those are the prober's): through Aravis.
    bool answered = false;
    if (m_device) {
        GError* error = nullptr;
        guint32 version = 0;
        arv_device_read_register(m_device, bootstrapVersion, &version, &error);
        answered = GenicamStatus::take(&error) == 0;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    probed(answered);
}

void GenicamWorker::probeLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        const bool due = m_probed && m_link.reachable() && Clock::now() >= m_link.probeAt();
        if (!due) {
            const auto at = m_probed && m_link.reachable() ? m_link.probeAt() : Clock::time_point::max();
            m_condition.wait_until(lock, at);
            continue;
        }
        auto* address = G_INET_ADDRESS(g_object_ref(m_probed));
        lock.unlock();
        const bool answered = GenicamGvcp::answersRead(address, bootstrapVersion, probeBound);
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

void GenicamWorker::probed(bool answered)
{
    if (answered) {
        m_link.answered(Clock::now());
    } else if (m_link.probeFailed(Clock::now())) {
        m_losing = true; // the worker closes the device once its call is over
        m_condition.notify_all();
    }
}

void GenicamWorker::takeControl()
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
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (granted)
            m_link.controlGranted(now);
        else if (context.linkFailure().empty())
            m_link.controlRefused(now);
        else
            m_link.failed(context.linkFailure(), now);
    }
    if (granted)
        deliverAll(); // everything is writable again
}

void GenicamWorker::reopen()
{
    std::string failure;
    ArvDevice* device = m_opener(&failure);
    if (!device) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_link.openFailed(Clock::now());
        return;
    }
    adopt(device);
    // Anything may have changed while the camera was away: everybody hears of everything, and the
    // next poll takes the new baselines.
    m_observers.forgetBaselines();
    deliverAll();
    GenicamContext context(m_device, m_cache);
    m_deviceBack(context);
    heard(context, 0);
}

void GenicamWorker::adopt(ArvDevice* device)
{
    m_device = device;
    m_cache.adopt(device);
    bool controller = true;
    if (ARV_IS_GV_DEVICE(device)) {
        controller = arv_gv_device_is_controller(ARV_GV_DEVICE(device));
        // Aravis's heartbeat thread may report after this worker is gone: it gets a weak reference,
        // freed by GLib when the handler goes.
        m_controlLostHandler = g_signal_connect_data(
            device, "control-lost", G_CALLBACK(&GenicamWorker::onControlLost),
            new std::weak_ptr<GenicamWorker>(weak_from_this()),
            [](gpointer data, GClosure*) { delete static_cast<std::weak_ptr<GenicamWorker>*>(data); },
            GConnectFlags(0));
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_link.opened(controller, Clock::now());
    m_round.clear();
    m_nextPoll = Clock::now();
    g_clear_object(&m_probed);
    if (ARV_IS_GV_DEVICE(device)) {
        GSocketAddress* camera = arv_gv_device_get_device_address(ARV_GV_DEVICE(device));
        m_probed =
            G_INET_ADDRESS(g_object_ref(g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(camera))));
    }
    m_condition.notify_all();
}

void GenicamWorker::onControlLost(void* /*device*/, void* weakWorker)
{
    // Aravis's heartbeat thread: only raise the flag.
    if (const auto worker = static_cast<std::weak_ptr<GenicamWorker>*>(weakWorker)->lock()) {
        worker->m_controlLost = true;
        std::lock_guard<std::mutex> lock(worker->m_mutex);
        worker->m_condition.notify_all();
    }
}

void GenicamWorker::lose()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!std::exchange(m_losing, false))
            return;
        g_clear_object(&m_probed);
        m_round.clear();
    }
    if (!m_device)
        return;
    m_deviceGone();
    ArvDevice* device = std::exchange(m_device, nullptr);
    if (m_controlLostHandler != 0)
        g_signal_handler_disconnect(device, std::exchange(m_controlLostHandler, 0));
    m_cache.forget();
    {
        std::lock_guard<std::mutex> lock(m_closer->mutex);
        m_closer->devices.push_back(device);
    }
    m_closer->condition.notify_all();
}

void GenicamWorker::publish()
{
    Link state = Link::Stopped;
    std::string reason;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        state = m_link.state();
        reason = m_link.reason();
    }
    // Held while the listener runs, so that what it hears comes in order.
    std::lock_guard<std::mutex> lock(m_publishMutex);
    if (state == m_published && reason == m_publishedReason)
        return;
    m_published = state;
    m_publishedReason = reason;
    m_linkListener(state, reason);
}

void GenicamWorker::finish()
{
    // Calls accepted before the stop get their answer now; nobody waits for the camera.
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& pending : m_calls) {
            pending->status = Status::NotOpened;
            pending->done = true;
        }
        m_calls.clear();
        m_link.stop();
        g_clear_object(&m_probed);
    }
    m_condition.notify_all();
    if (m_device) {
        m_deviceGone();
        if (m_controlLostHandler != 0)
            g_signal_handler_disconnect(m_device, std::exchange(m_controlLostHandler, 0));
        g_clear_object(&m_device);
    }
    m_observers.clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handles.clear();
}

GenicamWorker::Link GenicamWorker::link() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_link.state();
}

std::string GenicamWorker::linkReason() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_link.reason();
}

void GenicamWorker::setLinkListener(std::function<void(Link link, const std::string& reason)> listener)
{
    m_linkListener.set(std::move(listener));
}

void GenicamWorker::setWriteListener(std::function<void(const WriteFailure& failure)> listener)
{
    m_writeListener.set(std::move(listener));
}

void GenicamWorker::reportWriteFailure(const WriteFailure& failure)
{
    m_writeListener(failure);
}

void GenicamWorker::setDeviceHooks(std::function<void()> gone,
                                   std::function<void(GenicamContext& context)> back)
{
    m_deviceGone.set(std::move(gone));
    m_deviceBack.set(std::move(back));
}

void GenicamWorker::setCallBound(std::chrono::milliseconds bound)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_callBound = bound;
    m_burstDeadline = Clock::now() + bound; // from now on
}

std::shared_ptr<const GenicamFeatureInfo> GenicamWorker::info(const std::string& name, int* status)
{
    if (auto described = m_cache.known(name)) {
        *status = 0;
        return described;
    }
    auto described = std::make_shared<std::shared_ptr<const GenicamFeatureInfo>>();
    *status = run(
        [name, described](GenicamContext& context) {
            *described = context.cache().describe(context, name);
            return *described ? 0 : static_cast<int>(Status::NotOpened);
        },
        Kind::Read);
    return *status == 0 ? *described : nullptr;
}

void GenicamWorker::pollStep()
{
    std::string name;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_round.empty())
            return;
        name = m_round.back();
        m_round.pop_back();
    }
    auto fresh = std::make_shared<std::string>();
    // Polls look at the camera itself, never at a cache.
    const int status = runHere(
        [name, fresh](GenicamContext& context) {
            const auto described = context.cache().describe(context, name);
            if (!described)
                return static_cast<int>(Status::NotOpened);
            *fresh = GenicamNode(context, name).snapshot(*described);
            return 0;
        },
        Kind::Other, pollName);
    if (status == 0 && m_observers.changed(name, *fresh))
        m_observers.notify({name});
}

void GenicamWorker::pollRound()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_round = m_observers.observed();
        ++m_polls;
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_round.empty())
                return;
        }
        pollStep();
    }
}

void GenicamWorker::deliverAll()
{
    m_observers.notify(m_observers.observed());
}

void GenicamWorker::setHandles(const std::map<std::string, std::shared_ptr<Tovrik::Feature>>& handles)
{
    std::vector<std::string> names;
    for (const auto& handle : handles)
        names.push_back(handle.first);
    m_cache.setFeatureNames(std::move(names));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handles = handles;
}

void GenicamWorker::addObserver(const std::string& name,
                                std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    std::shared_ptr<Tovrik::Feature> handle;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
            return;
        const auto found = m_handles.find(name);
        if (found != m_handles.end())
            handle = found->second;
    }
    m_observers.add(name, handle, std::move(observer));
    if (m_observers.hasBaseline(name))
        return;
    // The first look happens now, so that a change made right after registering is reported.
    auto snapshot = std::make_shared<std::string>();
    const int status = run([name, snapshot](GenicamContext& context) {
        const auto described = context.cache().describe(context, name);
        if (!described)
            return static_cast<int>(Status::NotOpened);
        *snapshot = GenicamNode(context, name).snapshot(*described);
        return 0;
    });
    if (status == 0)
        m_observers.changed(name, *snapshot);
}

void GenicamWorker::removeObserver(const std::string& name,
                                   const std::shared_ptr<Tovrik::FeatureObserverInterface>& observer)
{
    m_observers.remove(name, observer);
}

size_t GenicamWorker::observerCount(const std::string& name) const
{
    return m_observers.count(name);
}

void GenicamWorker::setPollInterval(std::chrono::milliseconds interval)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pollInterval = std::max(interval, std::chrono::milliseconds(1));
        m_nextPoll = std::min(m_nextPoll, Clock::now() + m_pollInterval);
    }
    m_condition.notify_all();
}

void GenicamWorker::requestPoll()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nextPoll = std::min(m_nextPoll, Clock::now() + GenicamCache::quietTime);
    }
    m_condition.notify_all();
}

void GenicamWorker::pollNow()
{
    const std::weak_ptr<GenicamWorker> self = weak_from_this();
    run([self](GenicamContext&) {
        if (const auto worker = self.lock())
            worker->pollRound();
        return 0;
    });
}

uint64_t GenicamWorker::pollCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_polls;
}
