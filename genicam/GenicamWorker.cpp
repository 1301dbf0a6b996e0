#include "GenicamWorker.h"

#include "FeatureName.h"
#include "GenicamDescription.h"
#include "GenicamNode.h"
#include "Invariant.h"
#include "TovrikFeature.h"
#include "TovrikStatus.h"

#include <future>
#include <utility>

namespace {

namespace Status = Tovrik::Status;

} // namespace

GenicamWorker::GenicamWorker(Opener opener, bool reopens)
    : m_executor(m_wake), m_supervisor(std::move(opener), reopens, m_wake, m_cache),
      m_poller(m_wake, [this](const Call& call) { return runHere(call, Kind::Poll, std::string()); })
{
    GenicamSupervisor::Events events;
    events.gone = [this] {
        m_poller.lost();
    };
    // Anything may have changed while the camera was away: everybody hears of everything, and the
    // next poll takes the new baselines.
    events.back = [this](GenicamContext&) {
        warmUp();
        m_poller.everythingChanged(true);
    };
    events.controlGranted = [this] {
        m_poller.everythingChanged(false);
    };
    m_supervisor.setEvents(std::move(events));
}

std::shared_ptr<GenicamWorker> GenicamWorker::start(Opener opener, bool reopens, std::string* error,
                                                    std::chrono::milliseconds openBound)
{
    std::shared_ptr<GenicamWorker> worker(new GenicamWorker(std::move(opener), reopens));
    worker->m_supervisor.setOwner(worker);
    auto opened = std::make_shared<std::promise<std::string>>();
    std::future<std::string> result = opened->get_future();
    // The thread keeps the worker alive while it runs; stop() joins it.
    worker->m_thread = GenicamThread([worker, opened] {
        worker->m_workerId = std::this_thread::get_id();
        std::string failure;
        if (!worker->m_supervisor.open(&failure)) {
            opened->set_value(failure);
            worker->m_executor.close();
            worker->m_supervisor.finish();
            return;
        }
        worker->warmUp();
        opened->set_value(std::string());
        worker->loop();
    });
    if (result.wait_for(openBound) != std::future_status::ready) {
        worker->m_executor.close();
        // Still inside Aravis when given up on: it ends on its own and is joined at exit.
        worker->m_thread.handOver();
        if (error)
            *error = "no answer within " + std::to_string(openBound.count() / 1000) + " s";
        return nullptr;
    }
    const std::string failure = result.get();
    if (failure.empty()) {
        worker->m_prober = GenicamThread([worker] { worker->m_supervisor.probeLoop(); });
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

int GenicamWorker::run(const Call& call, Kind kind, const std::string& feature, bool* finished)
{
    if (isWorkerThread()) {
        if (finished)
            *finished = true;
        return runHere(call, kind, feature); // an observer calling back into a feature
    }
    if (finished)
        *finished = false;
    if (!m_supervisor.reachable())
        return Status::NotOpened;
    return m_executor.run(call, kind, feature, finished);
}

int GenicamWorker::runWrite(const Call& call, const std::string& feature, bool* finished)
{
    if (finished)
        *finished = false;
    // Another application holds control: refused here, the camera would refuse or not answer.
    if (m_supervisor.reachable() && !m_supervisor.inControl())
        return Status::ResourceInUse;
    const int status = run(call, Kind::Write, feature, finished);
    m_poller.soon();
    return status;
}

void GenicamWorker::post(const Call& call, std::function<void(int status)> answered)
{
    if (!m_supervisor.reachable()) {
        answered(Status::NotOpened);
        return;
    }
    if (!m_supervisor.inControl()) {
        answered(Status::ResourceInUse);
        return;
    }
    m_executor.post(call, Kind::Write, std::move(answered));
}

void GenicamWorker::stop()
{
    m_executor.close();
    // The worker and its prober end once they are out of a call to the camera. Closing waits a
    // short while for that; one still inside Aravis's retries (a camera that is gone) is joined as
    // the process exits, and keeps the worker alive until then.
    m_supervisor.stop(m_prober);
    m_thread.join(GenicamLink::stopBound);
}

void GenicamWorker::loop()
{
    while (!m_executor.closed()) {
        const uint64_t seen = m_wake.generation();
        GenicamExecutor::Clock::time_point wakeAt;
        switch (nextJob(&wakeAt)) {
        case Job::Call:
            if (const auto pending = m_executor.take())
                m_executor.answer(pending, runHere(pending->call, pending->kind, pending->feature));
            break;
        case Job::Urgent:
        case Job::Link:
            m_supervisor.act();
            break;
        case Job::Poll:
            m_poller.step();
            break;
        case Job::None:
            m_wake.waitUntil(seen, wakeAt);
            continue;
        }
        m_supervisor.settle();
    }
    m_executor.close();
    m_supervisor.finish();
    m_poller.clear();
}

GenicamWorker::Job GenicamWorker::nextJob(GenicamExecutor::Clock::time_point* wakeAt)
{
    const auto now = GenicamExecutor::Clock::now();
    bool urgent = false;
    const auto linkAt = m_supervisor.due(&urgent);
    if (urgent && linkAt <= now)
        return Job::Urgent;
    if (m_executor.waiting())
        return Job::Call;
    if (linkAt <= now)
        return Job::Link;
    *wakeAt = linkAt;
    // Polls wait until calls have been quiet for a while: an operator action is never interrupted.
    if (m_supervisor.reachable()) {
        const auto pollAt = m_poller.due(now, m_executor.lastCall() + GenicamLink::quietTime);
        if (pollAt <= now)
            return Job::Poll;
        *wakeAt = std::min(*wakeAt, pollAt);
    }
    return Job::None;
}

int GenicamWorker::runHere(const Call& call, Kind kind, const std::string& feature)
{
    LT_ASSERT(isWorkerThread());
    GenicamContext context(m_supervisor.device(), m_cache, kind, feature);
    if (!context.device())
        return Status::NotOpened;
    m_cache.beginCall(context);
    const int status = call(context);
    m_cache.endCall(context);
    m_supervisor.heard(context, status);
    return status;
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

void GenicamWorker::warmUp()
{
    std::map<std::string, GenicamCache::Warm> warm;
    m_cache.startRound();
    runHere(
        [&warm](GenicamContext& context) {
            for (const char* name : FeatureName::settings) {
                const auto described = context.cache().describe(context, name);
                if (!described || !described->exists)
                    continue;
                context.cache().freshen(context, name);
                const GenicamNode node(context, name);
                GenicamCache::Warm& entry = warm[name];
                entry.state = GenicamDescription::state(node, *described);
                double increment = 0.0;
                if (!described->incrementFixed && described->type == Tovrik::FeatureTypeFloat &&
                    node.getIncrement(&increment) == 0)
                    entry.increment = increment;
            }
            return 0;
        },
        Kind::Poll, std::string());
    m_cache.warmUp(std::move(warm));
}

void GenicamWorker::setWriteListener(std::function<void(const WriteFailure& failure)> listener)
{
    m_writeListener.set(std::move(listener));
}

void GenicamWorker::addObserver(const std::string& name,
                                std::shared_ptr<Tovrik::FeatureObserverInterface> observer)
{
    if (m_executor.closed() || !m_poller.add(name, std::move(observer)))
        return;
    if (const auto warm = m_cache.warm(name)) {
        m_poller.baseline(name, warm->state);
        return;
    }
    // The first look happens now, so that a change made right after registering is reported.
    auto state = std::make_shared<FeatureState>();
    const int status = run([name, state](GenicamContext& context) {
        const auto described = context.cache().describe(context, name);
        if (!described)
            return static_cast<int>(Status::NotOpened);
        *state = GenicamDescription::state(GenicamNode(context, name), *described);
        return 0;
    });
    if (status == 0)
        m_poller.baseline(name, *state);
}

void GenicamWorker::setHandles(const std::map<std::string, std::shared_ptr<Tovrik::Feature>>& handles)
{
    m_poller.setHandles(handles);
}

void GenicamWorker::pollNow()
{
    const std::weak_ptr<GenicamWorker> self = weak_from_this();
    run([self](GenicamContext&) {
        if (const auto worker = self.lock())
            worker->m_poller.pollAll();
        return 0;
    });
}
