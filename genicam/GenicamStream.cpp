#include <arv.h>

#include "GenicamStream.h"

#include "GenicamContext.h"
#include "GenicamLog.h"
#include "GenicamWorker.h"
#include "LineFrame.h"
#include "TovrikStatus.h"

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
            if (self && self->m_wanted)
                self->open(context); // back, and acquisition was running: it runs again
        });
    return stream;
}

GenicamStream::GenicamStream(const std::shared_ptr<GenicamWorker>& worker) : m_worker(worker) {}

GenicamStream::~GenicamStream()
{
    if (m_receiving)
        *m_receiving = false;
    m_receiver.join(std::chrono::seconds(5)); // it looks at the flag ten times a second
    // Still open only when the camera's worker ended before it could close it.
    if (m_stream)
        g_object_unref(m_stream);
}

bool GenicamStream::startAcquisition(std::string* error)
{
    const std::shared_ptr<GenicamWorker> worker = m_worker.lock();
    if (!worker) {
        if (error)
            *error = "the camera is closed";
        return false;
    }
    m_queue->restart();
    m_wanted = true;
    const auto self = shared_from_this();
    const int status = worker->runWrite([self](GenicamContext& context) { return self->open(context); });
    if (status != 0) {
        m_wanted = false;
        if (error)
            *error = "the camera refused to start (status " + std::to_string(status) + ")";
    }
    return status == 0;
}

void GenicamStream::stopAcquisition()
{
    m_wanted = false;
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
    for (int i = 0; i < streamBuffers; ++i)
        arv_stream_push_buffer(stream, arv_buffer_new(static_cast<size_t>(payload), nullptr));
    arv_device_execute_command(device, "AcquisitionStart", &error);
    if (const int status = context.take(&error)) {
        g_object_unref(stream);
        return status;
    }
    m_stream = stream;
    // The receiver holds what it uses: one that cannot be joined in time ends on its own later.
    m_receiving = std::make_shared<std::atomic<bool>>(true);
    g_object_ref(stream);
    m_receiver = GenicamThread([queue = m_queue, receiving = m_receiving, stream] {
        receive(*queue, *receiving, stream);
        g_object_unref(stream);
    });
    return 0;
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

void GenicamStream::receive(FrameQueue& queue, const std::atomic<bool>& receiving, ArvStream* stream)
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
            queue.countDropped(nowUnderruns - underruns);
        underruns = nowUnderruns;
        if (!buffer)
            continue;
        int width = 0;
        int height = 0;
        if (!wholeImage(buffer, &width, &height)) {
            qCDebug(lcGenicam, "frame %llu not whole: buffer status %d",
                    static_cast<unsigned long long>(arv_buffer_get_frame_id(buffer)),
                    arv_buffer_get_status(buffer));
            queue.countIncomplete();
            arv_stream_push_buffer(stream, buffer);
            continue;
        }
        queue.countLines(static_cast<uint64_t>(height));
        queue.offer(borrow(stream, buffer, width, height), waitingFrames);
    }
}
