#include <arv.h>

#include "GenicamWorker.h"

#include "GenicamNode.h"
#include "GenicamStatus.h"
#include "TovrikFeatureObserverInterface.h"
#include "TovrikStatus.h"

#include <algorithm>
#include <future>
#include <set>
#include <utility>

namespace {

namespace Status = Tovrik::Status;

// Polls wait until calls have been quiet this long: an operator action is never interrupted.
constexpr std::chrono::milliseconds quietTime{150};
constexpr std::chrono::milliseconds longestReopenPause{4000};
constexpr std::chrono::milliseconds controlRetryPause{3000};
constexpr int controlRetries = 3;
// How long stop() waits for the thread before leaving it to finish on its own.
constexpr std::chrono::milliseconds stopWait{400};

void setCaching(ArvDevice* device, bool on)
{
    arv_device_set_register_cache_policy(device, on ? ARV_REGISTER_CACHE_POLICY_ENABLE
                                                    : ARV_REGISTER_CACHE_POLICY_DISABLE);
}

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

// A device that lost its camera may take seconds to close (Aravis waits for the heartbeat and
// leaves control with retries): close it off the worker thread.
void closeInBackground(ArvDevice* device)
{
    std::thread([device] { g_object_unref(device); }).detach();
}

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

std::shared_ptr<GenicamWorker> GenicamWorker::start(Opener opener, bool reopens, std::string* error)
{
    std::shared_ptr<GenicamWorker> worker(new GenicamWorker);
    worker->m_opener = std::move(opener);
    worker->m_reopens = reopens;
    std::promise<std::string> opened;
    std::future<std::string> result = opened.get_future();
    // The thread keeps the worker alive until it has closed the device.
    worker->m_thread = std::thread([worker, opened = std::move(opened)]() mutable {
        worker->m_threadId = std::this_thread::get_id();
        std::string failure;
        ArvDevice* device = worker->m_opener(&failure);
        GenicamStatus::takeLinkFailure();
        if (!device) {
            {
                std::lock_guard<std::mutex> lock(worker->m_mutex);
                worker->m_finished = true;
            }
            opened.set_value(failure.empty() ? std::string("the device could not be opened") : failure);
            return;
        }
        worker->adopt(device);
        opened.set_value(std::string());
        worker->loop();
    });
    const std::string failure = result.get();
    if (!failure.empty()) {
        worker->m_thread.join();
        if (error)
            *error = failure;
        return nullptr;
    }
    return worker;
}

GenicamWorker::~GenicamWorker()
{
    stop();
    // The last owner may be the worker thread itself, finishing its loop.
    if (m_thread.joinable())
        m_thread.detach();
}

bool GenicamWorker::isWorkerThread() const
{
    return std::this_thread::get_id() == m_threadId;
}

int GenicamWorker::run(const Call& call, Kind kind, const std::string& feature)
{
    if (isWorkerThread()) {
        // An observer calling back into a feature from a delivery.
        startCall(kind, feature);
        const int status = m_device ? call(m_device) : Status::NotOpened;
        endCall(kind, feature);
        return status;
    }
    auto pending = std::make_shared<Pending>();
    pending->call = call;
    pending->kind = kind;
    pending->feature = feature;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_stopping || m_finished || m_link == Link::Lost)
        return Status::NotOpened;
    if (m_stuck)
        return Status::Timeout;
    m_calls.push_back(pending);
    m_lastCall = Clock::now();
    m_condition.notify_all();
    if (m_condition.wait_for(lock, m_callBound, [&pending] { return pending->done; }))
        return pending->status;
    // Aravis is still waiting for the camera: give up on this call, and answer the next ones at
    // once until the worker is free again.
    pending->abandoned = true;
    m_stuck = true;
    return Status::Timeout;
}

void GenicamWorker::stop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_condition.notify_all();
    if (isWorkerThread() || !m_thread.joinable())
        return;
    const bool finished = m_condition.wait_for(lock, stopWait, [this] { return m_finished; });
    lock.unlock();
    if (finished)
        m_thread.join();
    else
        m_thread.detach(); // still inside Aravis; it closes the device when it gets out
}

void GenicamWorker::loop()
{
    enum class Job { None, Poll, Reopen, RetakeControl, ControlLost };
    for (;;) {
        std::shared_ptr<Pending> pending;
        Job job = Job::None;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_stuck = false;
            const auto now = Clock::now();
            auto wake = std::max(m_round.empty() ? m_nextPoll : now, m_lastCall + quietTime);
            if (m_link == Link::Lost)
                wake = m_nextAttempt;
            else if (m_link == Link::Monitoring && m_controlRetries > 0)
                wake = std::min(wake, m_nextAttempt);
            m_condition.wait_until(lock, wake,
                                   [this] { return m_stopping || !m_calls.empty() || m_controlLost; });
            if (m_stopping)
                break;
            const auto woken = Clock::now();
            if (!m_calls.empty()) {
                pending = m_calls.front();
                m_calls.pop_front();
                if (pending->abandoned)
                    continue;
                pending->started = true;
            } else if (m_controlLost) {
                job = Job::ControlLost;
            } else if (m_link == Link::Lost) {
                job = woken >= m_nextAttempt ? Job::Reopen : Job::None;
            } else if (m_link == Link::Monitoring && m_controlRetries > 0 && woken >= m_nextAttempt) {
                job = Job::RetakeControl;
            } else if (woken >= m_lastCall + quietTime) {
                if (m_round.empty() && woken >= m_nextPoll) {
                    m_round = observedNames();
                    m_nextPoll = woken + m_pollInterval;
                    ++m_polls;
                }
                job = m_round.empty() ? Job::None : Job::Poll;
            }
        }
        if (pending) {
            runPending(pending);
        } else if (job == Job::Poll) {
            pollStep();
        } else if (job == Job::Reopen) {
            reopen();
        } else if (job == Job::RetakeControl) {
            retakeControl(false);
        } else if (job == Job::ControlLost) {
            // The heartbeat found control gone: taken by someone else, or the camera is gone.
            m_controlLost = false;
            if (m_device && link() == Link::Connected)
                retakeControl(true);
        }
        checkLink();
    }

    // Calls accepted before the stop get their answer now; nobody waits for the camera.
    std::deque<std::shared_ptr<Pending>> left;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        left.swap(m_calls);
        for (const auto& pending : left) {
            pending->status = Status::NotOpened;
            pending->done = true;
        }
    }
    m_condition.notify_all();
    if (m_device) {
        g_signal_handlers_disconnect_by_data(m_device, this);
        g_clear_object(&m_device);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observers.clear();
    m_handles.clear();
    m_finished = true;
    m_condition.notify_all();
}

void GenicamWorker::startCall(Kind kind, const std::string& feature)
{
    const bool newBurst = Clock::now() - m_lastDone > quietTime;
    if (kind != Kind::Read || newBurst)
        m_memo.clear();
    if (kind == Kind::Other || newBurst)
        m_freshSelectors.clear();
    if (!m_device)
        return;
    if (kind == Kind::Other) {
        setCaching(m_device, false);
        return;
    }
    // A selector this call depends on is read from the camera once per burst; after that, and
    // after our own writes to it, Aravis answers from its cache.
    int status = 0;
    const auto described = feature.empty() ? nullptr : info(feature, &status);
    if (!described)
        return;
    std::vector<std::string> selectors;
    if (!described->selector.empty())
        selectors.push_back(described->selector);
    if (described->isSelector && kind == Kind::Read)
        selectors.push_back(feature);
    for (const std::string& selector : selectors) {
        if (!m_freshSelectors.insert(selector).second)
            continue;
        setCaching(m_device, false);
        std::string value;
        if (GenicamNode(m_device, selector).getValue(value) == 0)
            remember(selector, value);
        else
            m_freshSelectors.erase(selector);
        setCaching(m_device, true);
    }
}

void GenicamWorker::endCall(Kind kind, const std::string& feature)
{
    m_lastDone = Clock::now();
    if (kind == Kind::Other && m_device)
        setCaching(m_device, true);
    if (kind == Kind::Write && !feature.empty()) {
        int status = 0;
        const auto described = info(feature, &status);
        if (described && described->isSelector)
            m_freshSelectors.insert(feature);
    }
}

void GenicamWorker::runPending(const std::shared_ptr<Pending>& pending)
{
    startCall(pending->kind, pending->feature);
    const int status = m_device ? pending->call(m_device) : Status::NotOpened;
    endCall(pending->kind, pending->feature);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pending->status = status;
        pending->done = true;
        m_lastCall = Clock::now();
    }
    m_condition.notify_all();
}

void GenicamWorker::checkLink()
{
    const std::string failure = GenicamStatus::takeLinkFailure();
    if (!failure.empty() && m_device && m_reopens)
        lose(failure);
}

void GenicamWorker::adopt(ArvDevice* device)
{
    m_device = device;
    m_memo.clear();
    m_freshSelectors.clear();
    cacheSelectorsOnly(device);
    setCaching(device, true);
    bool controller = true;
    if (ARV_IS_GV_DEVICE(device)) {
        controller = arv_gv_device_is_controller(ARV_GV_DEVICE(device));
        g_signal_connect(device, "control-lost", G_CALLBACK(&GenicamWorker::onControlLost), this);
    }
    bool retry = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_infos.clear();
        m_selectors.clear();
        m_round.clear();
        m_nextPoll = Clock::now();
        // Control we held before the camera went away comes back once the camera has let go of
        // our old connection.
        retry = !controller && m_hadControl;
        m_controlRetries = retry ? controlRetries : 0;
        m_nextAttempt = Clock::now() + controlRetryPause;
        m_hadControl = m_hadControl || controller;
    }
    if (controller)
        setLink(Link::Connected, std::string());
    else
        setLink(Link::Monitoring,
                retry ? "control is being taken back" : "another application controls the camera");
}

void GenicamWorker::onControlLost(void* /*device*/, void* worker)
{
    // Aravis's heartbeat thread: only raise the flag.
    auto* self = static_cast<GenicamWorker*>(worker);
    self->m_controlLost = true;
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_condition.notify_all();
}

void GenicamWorker::lose(const std::string& reason)
{
    ArvDevice* device = std::exchange(m_device, nullptr);
    g_signal_handlers_disconnect_by_data(device, this);
    closeInBackground(device);
    m_memo.clear();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_infos.clear();
        m_round.clear();
        m_reopenPause = std::chrono::milliseconds(500);
        m_nextAttempt = Clock::now() + m_reopenPause;
    }
    setLink(Link::Lost, reason);
}

void GenicamWorker::reopen()
{
    std::string failure;
    ArvDevice* device = m_opener(&failure);
    GenicamStatus::takeLinkFailure();
    if (!device) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reopenPause = std::min(m_reopenPause * 2, longestReopenPause);
        m_nextAttempt = Clock::now() + m_reopenPause;
        return;
    }
    adopt(device);
    // Anything may have changed while the camera was away: everybody hears of everything, and
    // the next poll takes the new baselines.
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_snapshots.clear();
        names = observedNames();
    }
    deliver(names);
}

void GenicamWorker::retakeControl(bool failureLosesLink)
{
    GError* error = nullptr;
    const bool granted =
        m_device && ARV_IS_GV_DEVICE(m_device) && arv_gv_device_take_control(ARV_GV_DEVICE(m_device), &error);
    GenicamStatus::take(&error);
    // A camera controlled by someone else may simply not answer: no lost link in itself.
    if (!failureLosesLink)
        GenicamStatus::takeLinkFailure();
    int left = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_controlRetries = granted ? 0 : std::max(0, m_controlRetries - 1);
        m_nextAttempt = Clock::now() + controlRetryPause;
        left = m_controlRetries;
    }
    if (!granted) {
        setLink(Link::Monitoring,
                left > 0 ? "control is being taken back" : "control of the camera was lost");
        return;
    }
    setLink(Link::Connected, std::string());
    // Everything is writable again.
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        names = observedNames();
    }
    deliver(names);
}

void GenicamWorker::setLink(Link link, const std::string& reason)
{
    LinkListener listener;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_link == link && m_linkReason == reason)
            return;
        m_link = link;
        m_linkReason = reason;
        listener = m_linkListener;
    }
    if (listener)
        listener(link, reason);
}

GenicamWorker::Link GenicamWorker::link() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_link;
}

std::string GenicamWorker::linkReason() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_linkReason;
}

void GenicamWorker::setLinkListener(LinkListener listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_linkListener = std::move(listener);
}

void GenicamWorker::setWriteListener(WriteListener listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writeListener = std::move(listener);
}

void GenicamWorker::reportWriteFailure(const WriteFailure& failure)
{
    WriteListener listener;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        listener = m_writeListener;
    }
    if (listener)
        listener(failure);
}

void GenicamWorker::setCallBound(std::chrono::milliseconds bound)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_callBound = bound;
}

std::shared_ptr<const GenicamFeatureInfo> GenicamWorker::info(const std::string& name, int* status)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto known = m_infos.find(name);
        if (known != m_infos.end())
            return known->second;
    }
    if (isWorkerThread())
        return m_device ? describe(m_device, name) : nullptr;
    auto described = std::make_shared<std::shared_ptr<const GenicamFeatureInfo>>();
    const std::weak_ptr<GenicamWorker> self = weak_from_this();
    *status = run(
        [self, name, described](ArvDevice* device) {
            if (const auto worker = self.lock())
                *described = worker->describe(device, name);
            return *described ? 0 : static_cast<int>(Status::NotOpened);
        },
        Kind::Read);
    return *status == 0 ? *described : nullptr;
}

std::shared_ptr<const GenicamFeatureInfo> GenicamWorker::describe(ArvDevice* device, const std::string& name)
{
    std::vector<std::string> names;
    bool findSelectors = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        findSelectors = m_selectors.empty();
        for (const auto& handle : m_handles)
            names.push_back(handle.first);
    }
    std::map<std::string, std::string> selectors;
    for (const std::string& candidate : findSelectors ? names : std::vector<std::string>()) {
        ArvGcNode* node = arv_device_get_feature(device, candidate.c_str());
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
    GenicamFeatureInfo read = GenicamNode(device, name).info(selector);
    read.isSelector = isSelector;
    auto described = std::make_shared<const GenicamFeatureInfo>(std::move(read));
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_infos.emplace(name, described).first->second;
}

std::string GenicamWorker::selectionOf(ArvDevice* device, const std::string& name)
{
    int status = 0;
    const auto described = info(name, &status);
    if (!described || described->selector.empty())
        return std::string();
    std::string entry;
    if (GenicamNode(device, described->selector).getValue(entry) != 0)
        return std::string();
    return described->selector + "=" + entry;
}

void GenicamWorker::remember(const std::string& feature, const std::string& value)
{
    m_memo[feature] = value;
}

bool GenicamWorker::recall(const std::string& feature, std::string* value) const
{
    const auto known = m_memo.find(feature);
    if (known == m_memo.end())
        return false;
    *value = known->second;
    return true;
}

std::string GenicamWorker::snapshotOf(const std::string& name)
{
    const auto described = describe(m_device, name);
    return GenicamNode(m_device, name).snapshot(*described);
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
    m_memo.clear();
    if (!m_device)
        return;
    // Polls look at the camera itself, never at a cache.
    setCaching(m_device, false);
    const std::string fresh = snapshotOf(name);
    setCaching(m_device, true);
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto known = m_snapshots.find(name);
        if (known == m_snapshots.end()) {
            // First look at a newly observed feature: nothing to report yet.
            m_snapshots.emplace(name, fresh);
        } else if (known->second != fresh) {
            known->second = fresh;
            changed = true;
        }
    }
    if (changed)
        deliver({name});
}

void GenicamWorker::pollRound()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_round = observedNames();
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

void GenicamWorker::deliver(const std::vector<std::string>& names)
{
    using Delivery =
        std::pair<std::shared_ptr<Tovrik::FeatureObserverInterface>, std::shared_ptr<Tovrik::Feature>>;
    std::vector<Delivery> deliveries;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const std::string& name : names) {
            const auto handle = m_handles.find(name);
            const auto observers = m_observers.find(name);
            if (handle == m_handles.end() || observers == m_observers.end())
                continue;
            for (const auto& observer : observers->second)
                deliveries.emplace_back(observer, handle->second);
        }
    }
    // Outside the lock: an observer may call back into the features.
    for (Delivery& delivery : deliveries)
        delivery.first->featureUpdated(delivery.second);
}

std::vector<std::string> GenicamWorker::observedNames() const
{
    std::vector<std::string> names;
    names.reserve(m_observers.size());
    for (const auto& observed : m_observers)
        names.push_back(observed.first);
    return names;
}

void GenicamWorker::setHandles(const std::map<std::string, std::shared_ptr<Tovrik::Feature>>& handles)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handles = handles;
}

void GenicamWorker::addObserver(const std::string& name,
                                std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping || m_finished)
            return;
        m_observers[name].push_back(std::move(observer));
        known = m_snapshots.count(name) != 0;
    }
    if (known)
        return;
    // The first look happens now, so that a change made right after registering is reported.
    auto snapshot = std::make_shared<std::string>();
    const std::weak_ptr<GenicamWorker> self = weak_from_this();
    const int status = run([self, name, snapshot](ArvDevice*) {
        if (const auto worker = self.lock())
            *snapshot = worker->snapshotOf(name);
        return 0;
    });
    std::lock_guard<std::mutex> lock(m_mutex);
    if (status == 0)
        m_snapshots.emplace(name, *snapshot);
}

void GenicamWorker::removeObserver(const std::string& name,
                                   const std::shared_ptr<Tovrik::FeatureObserverInterface>& observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto observers = m_observers.find(name);
    if (observers == m_observers.end())
        return;
    auto& list = observers->second;
    const auto found = std::find(list.begin(), list.end(), observer);
    if (found != list.end())
        list.erase(found);
    // The snapshot stays: the page detaches and attaches again at every tick, and a change made
    // in between is reported once it is back.
    if (list.empty())
        m_observers.erase(observers);
}

size_t GenicamWorker::observerCount(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto observers = m_observers.find(name);
    return observers == m_observers.end() ? 0 : observers->second.size();
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
        m_nextPoll = std::min(m_nextPoll, Clock::now() + quietTime);
    }
    m_condition.notify_all();
}

void GenicamWorker::pollNow()
{
    const std::weak_ptr<GenicamWorker> self = weak_from_this();
    run([self](ArvDevice*) {
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
