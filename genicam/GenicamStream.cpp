#include <arv.h>

#include "GenicamStream.h"

#include "GenicamContext.h"
#include "GenicamWorker.h"
#include "LineFrame.h"
#include "TovrikStatus.h"

#include <cstring>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_ignore_thread_begin(); // NOLINT(bugprone-reserved-identifier)
extern "C" void __tsan_ignore_thread_end();   // NOLINT(bugprone-reserved-identifier)
#endif

namespace {

// Aravis fills a buffer on its own thread and hands it over through GLib's queue, whose locks
// ThreadSanitizer cannot see: to it, reading the pixels would look like a race on every byte.
void copyPixels(void* to, const void* from, size_t size)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_ignore_thread_begin();
#endif
    std::memcpy(to, from, size);
#if defined(__SANITIZE_THREAD__)
    __tsan_ignore_thread_end();
#endif
}

// Buffers Aravis fills while the receiver copies out: a frame of slack for the viewer's queue.
constexpr int streamBuffers = 8;
constexpr guint64 popTimeoutUs = 100000;

} // namespace

std::shared_ptr<GenicamStream> GenicamStream::create(const std::shared_ptr<GenicamWorker>& worker)
{
    std::shared_ptr<GenicamStream> stream(new GenicamStream(worker));
    const std::weak_ptr<GenicamStream> weak = stream;
    worker->setDeviceHooks(
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
    while (receiving) {
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(stream, popTimeoutUs);
        if (!buffer)
            continue;
        size_t size = 0;
        const auto* data = static_cast<const uint8_t*>(arv_buffer_get_data(buffer, &size));
        const int width = arv_buffer_get_image_width(buffer);
        const int height = arv_buffer_get_image_height(buffer);
        if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS || width <= 0 || height <= 0 ||
            size < static_cast<size_t>(width) * static_cast<size_t>(height)) {
            queue.countIncomplete();
        } else {
            queue.countLines(static_cast<uint64_t>(height));
            if (const std::shared_ptr<LineFrame> frame = queue.acquire(width, height)) {
                frame->id = arv_buffer_get_frame_id(buffer);
                copyPixels(frame->pixels.data(), data,
                           static_cast<size_t>(width) * static_cast<size_t>(height));
                frame->lines = height;
                queue.push(frame);
            }
        }
        arv_stream_push_buffer(stream, buffer);
    }
}
