#include <arv.h>

#include "GenicamStream.h"

#include "GenicamContext.h"
#include "GenicamLog.h"
#include "GenicamWorker.h"
#include "LineFrame.h"
#include "TovrikStatus.h"

#include <algorithm>

namespace {

// Buffers Aravis fills while frames of others wait to be taken in or are being drawn; at most
// waitingFrames wait, so that Aravis always has a few to fill.
constexpr int streamBuffers = 12;
constexpr size_t waitingFrames = 6;
constexpr guint64 popTimeoutUs = 100000;

// A frame that borrows an Aravis buffer's pixels and gives the buffer back to its stream when it
// goes, so that the pixels are never copied before the view takes what it draws.
std::shared_ptr<LineFrame> borrow(ArvStream* stream, ArvBuffer* buffer, int width, int height)
{
    auto* frame = new LineFrame;
    frame->id = arv_buffer_get_frame_id(buffer);
    frame->width = width;
    frame->height = height;
    frame->lines = height;
    size_t size = 0;
    frame->borrowed = static_cast<const uint8_t*>(arv_buffer_get_data(buffer, &size));
    g_object_ref(stream);
    return std::shared_ptr<LineFrame>(frame, [stream, buffer](LineFrame* returned) {
        delete returned;
        arv_stream_push_buffer(stream, buffer);
        g_object_unref(stream);
    });
}

// Whether a buffer holds a whole image: status first, since Aravis warns of every image property
// asked of a buffer that did not arrive whole.
bool wholeImage(ArvBuffer* buffer, int* width, int* height)
{
    if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS)
        return false;
    const ArvBufferPayloadType type = arv_buffer_get_payload_type(buffer);
    if (type != ARV_BUFFER_PAYLOAD_TYPE_IMAGE && type != ARV_BUFFER_PAYLOAD_TYPE_EXTENDED_CHUNK_DATA)
        return false;
    size_t size = 0;
    arv_buffer_get_data(buffer, &size);
    *width = arv_buffer_get_image_width(buffer);
    *height = arv_buffer_get_image_height(buffer);
    return *width > 0 && *height > 0 && size >= static_cast<size_t>(*width) * static_cast<size_t>(*height);
}

// How the camera answered the start command, for the watch: a lost answer is not a refusal.
StreamWatch::Answer answerOf(int status)
{
    if (status == 0)
        return StreamWatch::Answer::Yes;
    if (status == Tovrik::Status::Timeout || status == Tovrik::Status::IOError ||
        status == Tovrik::Status::NotOpened)
        return StreamWatch::Answer::Lost;
    return StreamWatch::Answer::Refused;
}

} // namespace

std::shared_ptr<GenicamStream> GenicamStream::create(const std::shared_ptr<GenicamWorker>& worker)
{
    std::shared_ptr<GenicamStream> stream(new GenicamStream(worker));
    const std::weak_ptr<GenicamStream> weak = stream;
    worker->supervisor().setDeviceHooks(
        [weak] {
            if (const auto self = weak.lock())
                self->close(nullptr); // the device is gone: nothing to tell it
        },
        [weak](GenicamContext& context) {
            const auto self = weak.lock();
            if (!self || !self->m_wanted)
                return;
            // Back, and acquisition was running: it runs again, and the watch sees it start.
            {
                std::lock_guard<std::mutex> lock(self->m_shared->watchMutex);
                self->m_shared->watch.starting(StreamWatch::Clock::now());
            }
            const int status = self->open(context);
            self->answered(status == 0 ? self->sendStart(context) : status);
        });
    stream->m_shared->actions.set([weak](StreamWatch::Action action) {
        if (const auto self = weak.lock())
            self->act(action);
    });
    worker->poller().setStreamCheck([weak](GenicamContext& context) {
        if (const auto self = weak.lock())
            self->checkDestination(context, false);
    });
    return stream;
}

GenicamStream::GenicamStream(const std::shared_ptr<GenicamWorker>& worker) : m_worker(worker) {}

GenicamStream::~GenicamStream()
{
    m_shared->actions.set(nullptr);
    m_shared->events.set(nullptr);
    if (m_receiving)
        *m_receiving = false;
    m_receiver.join(std::chrono::seconds(5)); // it looks at the flag ten times a second
    // Still open only when the camera's worker ended before it could close it.
    if (m_stream)
        g_object_unref(m_stream);
}

void GenicamStream::setEventListener(std::function<void(const Event& event)> listener)
{
    m_shared->events.set(std::move(listener));
}

bool GenicamStream::startAcquisition(std::string* error)
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    LinkStatus status;
    status.state = LinkStatus::State::Closed;
    if (worker)
        status = worker->supervisor().status();
    if (!status.writable()) {
        if (error)
            *error = "the camera is " + status.describe();
        return false;
    }
    m_shared->queue.restart();
    m_wanted = true;
    {
        std::lock_guard<std::mutex> lock(m_shared->watchMutex);
        m_shared->watch.starting(StreamWatch::Clock::now());
    }
    requestStart();
    return true;
}

void GenicamStream::requestStart()
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker)
        return;
    const std::weak_ptr<GenicamStream> weak = weak_from_this();
    // Nobody waits for it: the camera's answer, however slow, is the watch's.
    worker->post(
        [weak](GenicamContext& context) {
            const auto self = weak.lock();
            if (!self || !self->m_wanted)
                return 0;
            const int status = self->open(context);
            return status == 0 ? self->sendStart(context) : status;
        },
        [weak](int status) {
            if (const auto self = weak.lock())
                self->answered(status);
        });
}

void GenicamStream::answered(int status)
{
    StreamWatch::Step step;
    {
        std::lock_guard<std::mutex> lock(m_shared->watchMutex);
        step = m_shared->watch.answered(answerOf(status), "status " + std::to_string(status),
                                        StreamWatch::Clock::now());
    }
    if (step.event && step.event->kind == Event::Kind::StartFailed)
        m_wanted = false;
    handle(*m_shared, step);
}

void GenicamStream::act(StreamWatch::Action action)
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker || !m_wanted)
        return;
    if (action == StreamWatch::Action::RetryStart) {
        qCInfo(lcGenicam, "the answer to the start was lost and no frame came: starting again");
        requestStart();
        return;
    }
    if (action != StreamWatch::Action::Reopen)
        return;
    qCInfo(lcGenicam, "no frame since %lld s: the stream is opened again",
           static_cast<long long>(StreamWatch::silenceLimit.count() / 1000));
    const std::weak_ptr<GenicamStream> weak = weak_from_this();
    worker->post(
        [weak](GenicamContext& context) {
            const auto self = weak.lock();
            // A stream another application pointed elsewhere is not ours to open again.
            if (!self || !self->m_wanted || self->checkDestination(context, true))
                return 0;
            self->close(&context);
            const int status = self->open(context);
            return status == 0 ? self->sendStart(context) : status;
        },
        [](int) {});
}

void GenicamStream::stopAcquisition()
{
    m_wanted = false;
    {
        std::lock_guard<std::mutex> lock(m_shared->watchMutex);
        m_shared->watch.stopped();
    }
    if (const std::shared_ptr<GenicamWorker> worker = m_worker.lock()) {
        const auto self = shared_from_this();
        worker->run([self](GenicamContext& context) {
            self->close(&context);
            return 0;
        });
    }
}

int GenicamStream::open(GenicamContext& context)
{
    if (m_stream)
        return 0;
    ArvDevice* device = context.device();
    GError* error = nullptr;
    const gint64 payload = arv_device_get_integer_feature_value(device, "PayloadSize", &error);
    if (const int status = context.take(&error))
        return status;
    ArvStream* stream = arv_device_create_stream(device, nullptr, nullptr, &error);
    if (const int status = context.take(&error))
        return status;
    const gint64 height = arv_device_get_integer_feature_value(device, "Height", &error);
    m_shared->frameHeight = context.take(&error) == 0 && height > 0 ? static_cast<uint64_t>(height) : 0;
    for (int i = 0; i < streamBuffers; ++i)
        arv_stream_push_buffer(stream, arv_buffer_new(static_cast<size_t>(payload), nullptr));
    m_stream = stream;
    if (!destination(context, &m_address, &m_port))
        m_address = m_port = 0;
    m_checked = std::chrono::steady_clock::now();
    // The receiver holds what it uses: one that cannot be joined in time ends on its own later.
    m_receiving = std::make_shared<std::atomic<bool>>(true);
    g_object_ref(stream);
    m_receiver = GenicamThread([shared = m_shared, receiving = m_receiving, stream] {
        receive(*shared, *receiving, stream);
        g_object_unref(stream);
    });
    return 0;
}

int GenicamStream::sendStart(GenicamContext& context)
{
    GError* error = nullptr;
    arv_device_execute_command(context.device(), "AcquisitionStart", &error);
    return context.take(&error);
}

void GenicamStream::close(GenicamContext* context)
{
    if (!m_stream)
        return;
    if (context) {
        GError* error = nullptr;
        arv_device_execute_command(context->device(), "AcquisitionStop", &error);
        context->take(&error);
    }
    *m_receiving = false;
    m_receiver.join(std::chrono::seconds(1));
    g_object_unref(m_stream);
    m_stream = nullptr;
}

bool GenicamStream::destination(GenicamContext& context, uint32_t* address, uint32_t* port)
{
    // GigE Vision's stream channel 0: its port register (host port in the low 16 bits) and its
    // destination address.
    constexpr guint64 channelPort = 0x0d00;
    constexpr guint64 channelDestination = 0x0d18;
    if (!ARV_IS_GV_DEVICE(context.device()))
        return false;
    GError* error = nullptr;
    guint32 portRegister = 0;
    arv_device_read_register(context.device(), channelPort, &portRegister, &error);
    if (context.take(&error) != 0)
        return false;
    arv_device_read_register(context.device(), channelDestination, address, &error);
    if (context.take(&error) != 0)
        return false;
    *port = portRegister & 0xffffu;
    return true;
}

bool GenicamStream::checkDestination(GenicamContext& context, bool now)
{
    constexpr std::chrono::seconds every{2};
    const auto at = std::chrono::steady_clock::now();
    if (!m_stream || m_address == 0 || (!now && at - m_checked < every))
        return false;
    m_checked = at;
    uint32_t address = 0;
    uint32_t port = 0;
    if (!destination(context, &address, &port) || (address == m_address && port == m_port))
        return false;
    // Someone else's acquisition now: ours ends without stopping theirs.
    const std::string where = std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xff) +
                              "." + std::to_string((address >> 8) & 0xff) + "." +
                              std::to_string(address & 0xff) + ":" + std::to_string(port);
    qCInfo(lcGenicam, "the camera now streams to %s", where.c_str());
    m_wanted = false;
    {
        std::lock_guard<std::mutex> lock(m_shared->watchMutex);
        m_shared->watch.stopped();
    }
    close(nullptr);
    m_shared->events(
        {Event::Kind::Taken, "another application took the camera's stream, which now goes to " + where});
    if (const std::shared_ptr<GenicamWorker> worker = m_worker.lock())
        worker->supervisor().noteControlLost();
    return true;
}

void GenicamStream::handle(Shared& shared, const StreamWatch::Step& step)
{
    if (step.event)
        shared.events(*step.event);
    if (step.action != StreamWatch::Action::None)
        shared.actions(step.action);
}

void GenicamStream::receive(Shared& shared, const std::atomic<bool>& receiving, ArvStream* stream)
{
    guint64 underruns = 0;
    while (receiving) {
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(stream, popTimeoutUs);
        // Frames Aravis had no buffer for are lost as surely as those the view gave up.
        guint64 completed = 0;
        guint64 failures = 0;
        guint64 nowUnderruns = 0;
        arv_stream_get_statistics(stream, &completed, &failures, &nowUnderruns);
        if (nowUnderruns > underruns)
            shared.queue.countDropped(nowUnderruns - underruns);
        underruns = nowUnderruns;
        StreamWatch::Step step;
        {
            std::lock_guard<std::mutex> lock(shared.watchMutex);
            step = buffer ? shared.watch.buffer(StreamWatch::Clock::now())
                          : shared.watch.tick(StreamWatch::Clock::now());
        }
        handle(shared, step);
        if (!buffer)
            continue;
        int width = 0;
        int height = 0;
        if (!wholeImage(buffer, &width, &height)) {
            qCDebug(lcGenicam, "frame %llu not whole: buffer status %d",
                    static_cast<unsigned long long>(arv_buffer_get_frame_id(buffer)),
                    arv_buffer_get_status(buffer));
            // Its lines came all the same, some of them in part: they count, but are not shown. Its
            // own shape is not to be asked of it: the camera's frame height stands for it.
            shared.queue.countLines(shared.frameHeight);
            shared.queue.countIncomplete();
            arv_stream_push_buffer(stream, buffer);
            continue;
        }
        shared.queue.countLines(static_cast<uint64_t>(height));
        shared.queue.offer(borrow(stream, buffer, width, height), waitingFrames);
    }
}
