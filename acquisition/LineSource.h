#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct LineFrame;

// A camera's stream of lines, as the viewer consumes it: the simulated camera and real cameras
// alike. Frames are handed over through a fixed number of buffers, so a consumer that falls behind
// loses frames (counted), never memory.
class LineSource
{
public:
    struct Statistics
    {
        uint64_t frames = 0;           // frames the consumer has taken
        uint64_t lines = 0;            // lines acquired, those of dropped frames included
        uint64_t droppedFrames = 0;    // frames lost because the consumer held every buffer
        uint64_t incompleteFrames = 0; // frames that arrived with lines or packets missing
    };

    virtual ~LineSource() = default;

    // Executes AcquisitionStart (and what a stream needs before it); false with the reason.
    virtual bool startAcquisition(std::string* error) = 0;
    // Executes AcquisitionStop; a partly filled frame is handed over as it is.
    virtual void stopAcquisition() = 0;
    virtual bool isAcquiring() const = 0;
    // The oldest frame not taken yet, or null. Any thread.
    virtual std::shared_ptr<const LineFrame> takeFrame() = 0;
    // Called on the source's own thread whenever a frame is waiting; must return quickly and must
    // not set a listener. Setting a new one waits for a call in progress.
    virtual void setFrameListener(std::function<void()> listener) = 0;
    // Counted since the last start of acquisition.
    virtual Statistics statistics() const = 0;
};
