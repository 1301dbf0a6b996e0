#pragma once

#include "FrameQueue.h"
#include "GenicamThread.h"
#include "LineSource.h"

#include <atomic>
#include <memory>
#include <string>

typedef struct _ArvStream ArvStream; // NOLINT(bugprone-reserved-identifier): GLib type
class GenicamContext;
class GenicamWorker;

// A GenICam camera's image stream as lines: frames of Height lines of Width Mono8 pixels, taken off
// Aravis's stream on a thread of their own and handed to the viewer through a FrameQueue. The
// stream lives on the camera's worker thread: it closes when the camera is lost and opens again
// when it comes back, if acquisition was running.
class GenicamStream final : public LineSource, public std::enable_shared_from_this<GenicamStream>
{
public:
    static std::shared_ptr<GenicamStream> create(const std::shared_ptr<GenicamWorker>& worker);
    ~GenicamStream() override;
    GenicamStream(const GenicamStream&) = delete;
    GenicamStream& operator=(const GenicamStream&) = delete;

    bool startAcquisition(std::string* error) override;
    void stopAcquisition() override;
    bool isAcquiring() const override { return m_wanted; }
    std::shared_ptr<const LineFrame> takeFrame() override { return m_queue->take(); }
    void setFrameListener(std::function<void()> listener) override
    {
        m_queue->setListener(std::move(listener));
    }
    Statistics statistics() const override { return m_queue->statistics(); }

private:
    explicit GenicamStream(const std::shared_ptr<GenicamWorker>& worker);
    // Worker thread: opens Aravis's stream, gives it buffers and starts the camera.
    int open(GenicamContext& context);
    // Worker thread: stops the camera when it can still be told, and closes the stream.
    void close(GenicamContext* context);
    // The receiving thread: frames off the stream until told to stop.
    static void receive(FrameQueue& queue, const std::atomic<bool>& receiving, ArvStream* stream);

    std::weak_ptr<GenicamWorker> m_worker;
    const std::shared_ptr<FrameQueue> m_queue = std::make_shared<FrameQueue>();
    std::atomic<bool> m_wanted{false}; // acquisition as the operator asked for it
    // Used on the worker thread only, and in the destructor.
    ArvStream* m_stream = nullptr;
    std::shared_ptr<std::atomic<bool>> m_receiving; // the running receiver's, shared with it
    GenicamThread m_receiver;
};
