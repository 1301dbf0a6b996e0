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

    // What became of a start, and of the flow of frames since.
    struct Event
    {
        enum class Kind {
            Started,     // the camera said yes, or frames came
            StartFailed, // refused, or nothing answered and no frame came
            Silent,      // a started stream brought nothing for a while
            Flowing,     // frames come again after a silence
            Taken,       // another application took the camera's stream: acquisition here ended
        };
        Kind kind;
        std::string detail;
    };

    virtual ~LineSource() = default;

    // Executes AcquisitionStart (and what a stream needs before it). False with the reason when it
    // cannot even be asked; otherwise what became of it is an event, at once or when the camera
    // answered: a slow answer is never taken for a refusal.
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
    // Called on a thread of the source's with each event; setting a new one waits for a call in
    // progress.
    virtual void setEventListener(std::function<void(const Event& event)> listener) = 0;
};
