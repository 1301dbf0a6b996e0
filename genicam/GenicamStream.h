#pragma once

#include "FrameQueue.h"
#include "GenicamThread.h"
#include "LineSource.h"
#include "Listener.h"
#include "StreamWatch.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

typedef struct _ArvStream ArvStream; // NOLINT(bugprone-reserved-identifier): GLib type
class GenicamContext;
class GenicamWorker;

// A GenICam camera's image stream as lines: frames of Height lines of Width Mono8 pixels, taken off
// Aravis's stream on a thread of their own and handed to the viewer through a FrameQueue, each
// borrowing its Aravis buffer until the viewer lets go of it. The stream lives on the camera's
// worker thread: it closes when the camera is lost and opens again when it comes back, if
// acquisition was running. What became of a start and of the flow of frames is a StreamWatch's
// to say; the receiver shows it the buffers and the time.
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
    std::shared_ptr<const LineFrame> takeFrame() override { return m_shared->queue.take(); }
    void setFrameListener(std::function<void()> listener) override
    {
        m_shared->queue.setListener(std::move(listener));
    }
    Statistics statistics() const override { return m_shared->queue.statistics(); }
    void setEventListener(std::function<void(const Event& event)> listener) override;

private:
    // What the stream shares with its receiver thread, which may outlive it.
    struct Shared
    {
        FrameQueue queue;
        std::mutex watchMutex; // guards the watch
        StreamWatch watch;
        Listener<const Event&> events;
        // The receiver asks the stream for a start again or a reopen; null once the stream is gone.
        Listener<StreamWatch::Action> actions;
        // The camera's lines a frame, as the stream was opened; 0 when not known.
        std::atomic<uint64_t> frameHeight{0};
    };

    explicit GenicamStream(const std::shared_ptr<GenicamWorker>& worker);
    // Asks the worker to send the start command, and tells the watch how the camera answered.
    void requestStart();
    // The camera's answer to the start command, for the watch.
    void answered(int status);
    void act(StreamWatch::Action action);
    // Worker thread: opens Aravis's stream and gives it buffers; sends the start command.
    int open(GenicamContext& context);
    int sendStart(GenicamContext& context);
    // Worker thread: stops the camera when it can still be told, and closes the stream.
    void close(GenicamContext* context);
    // Worker thread, now and then while acquiring (now: at once): whether the camera still streams
    // here. Another application that takes control and starts points the camera's stream at itself;
    // true, and said, when it did.
    bool checkDestination(GenicamContext& context, bool now);
    // The camera's stream destination registers, address and port: what they hold, or null.
    static bool destination(GenicamContext& context, uint32_t* address, uint32_t* port);
    // The receiving thread: frames off the stream until told to stop.
    static void receive(Shared& shared, const std::atomic<bool>& receiving, ArvStream* stream);
    static void handle(Shared& shared, const StreamWatch::Step& step);

    std::weak_ptr<GenicamWorker> m_worker;
    const std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    std::atomic<bool> m_wanted{false}; // acquisition as the operator asked for it
    // Used on the worker thread only, and in the destructor.
    ArvStream* m_stream = nullptr;
    uint32_t m_address = 0; // where the camera streams since we opened the stream (GigE Vision)
    uint32_t m_port = 0;
    std::chrono::steady_clock::time_point m_checked;
    std::shared_ptr<std::atomic<bool>> m_receiving; // the running receiver's, shared with it
    GenicamThread m_receiver;
};
