#pragma once

#include "CheckedMutex.h"
#include "FrameQueue.h"
#include "LineSource.h"
#include "SimApi.h"
#include "SimBench.h"
#include "SimChart.h"
#include "SimEncoder.h"
#include "TriggerSettings.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct LineFrame;

// The simulated camera's acquisition: the bench moves, the encoder's channels reach the camera's
// lines, the camera's encoder module and trigger logic turn them into line triggers, and each line
// samples the chart into frames. Time is simulated: it stands until advance() moves it (tests), or
// a thread of its own keeps it with the wall clock (the viewer). Thread-safe; the camera's feature
// store calls in with its own lock held, and nothing here calls the store.
class SIM_EXPORT SimAcquisition
{
public:
    SimAcquisition();
    ~SimAcquisition();
    SimAcquisition(const SimAcquisition&) = delete;
    SimAcquisition& operator=(const SimAcquisition&) = delete;

    // The frames filled, as a line source hands them over (see LineSource).
    bool isAcquiring() const;
    std::shared_ptr<const LineFrame> takeFrame();
    void setFrameListener(std::function<void()> listener);
    LineSource::Statistics statistics() const;
    // Hands over the frames filled but not yet handed over: the last, partly filled one after a stop.
    void handOver();

    // Real time: a thread of its own advances the clock with the wall clock.
    void setRealTime(bool realTime);
    bool isRealTime() const;
    // Moves simulated time on (only while not in real time) and hands over the frames filled.
    void advance(std::chrono::nanoseconds duration);

    // False, with the reason, for a bench that cannot be built (see SimBench::problem).
    bool setBench(const SimBench& bench, std::string* problem = nullptr);
    SimBench bench() const;
    // Clamped to the fastest belt the encoder allows.
    void setBeltSpeed(double mmPerSecond);
    double beltPosition() const; // mm travelled since power-up
    std::chrono::nanoseconds now() const;

    // The camera's side, called with the feature store's lock held.
    void configure(const TriggerSettings& settings);
    // A feature changed: the settings it feeds are read again.
    void changed(const std::string& feature, const TriggerSettings::Reader& reader);
    // A command: AcquisitionStart, AcquisitionStop, EncoderReset; others do nothing.
    void execute(const std::string& command);
    // The value of a feature the acquisition measures, as text; empty for other features.
    std::string liveValue(const std::string& feature, const std::string& selectorEntry) const;
    TriggerSettings settings() const;

    // What the trigger check measures, all at one moment of simulated time.
    struct Measurement
    {
        double seconds = 0.0;
        bool acquiring = false;
        uint64_t lines = 0;
        uint64_t missed = 0;
        int64_t encoderValue = 0;
        std::string encoderStatus;
        int lineBits = 0;
    };
    Measurement measure() const;

private:
    using Clock = std::chrono::steady_clock;
    // What the trigger logic acts on, taken apart from the settings once per change.
    struct Trigger
    {
        bool lineTriggerOn = false;
        TriggerSettings::Source source = TriggerSettings::Source::Other;
        int sourceLine = 0;
        TriggerSettings::Activation activation = TriggerSettings::Activation::RisingEdge;
        int64_t divider = 1;
        double lineRate = 10000.0;
        double lineNs = 50000.0; // a line lasts the longer of its exposure and the readout
        int encoderA = 0;
        int encoderB = 0;
        std::array<bool, 5> input{};
        std::array<bool, 5> inverted{};
    };

    void begin();
    void end();
    void resetEncoder();
    void apply(const TriggerSettings& settings);
    int lineBits() const;

    // Everything below expects m_mutex held.
    void advanceTo(double endNs);
    void moveBelt(double toNs);
    double nextQuarterNs() const;
    bool timerRuns() const;
    void updateLines(double atNs);
    std::array<bool, 5> lineLevels() const;
    void encoderOutput(int pulses, double atNs);
    void trigger(double atNs, bool fromTimer);
    void takeLine(double atNs);
    void applyBench(const SimBench& bench);
    void restartEncoder();
    std::string encoderStatus() const;
    void catchUp();

    void run();
    // Hands the filled frames to the queue, outside m_mutex and in order.
    void deliver();

    // Guards everything below but the queue and the thread's controls.
    mutable CheckedMutex m_mutex;
    TriggerSettings m_settings;
    Trigger m_trigger;
    SimBench m_bench;
    SimChart m_chart;
    SimEncoder m_encoder;
    double m_now = 0.0;      // ns since power-up
    double m_position = 0.0; // mm
    int64_t m_quarter = 0;   // the encoder's quarter period at m_position
    std::array<bool, 5> m_levels{};
    double m_lastCountNs = -1.0e18;
    double m_nextTickNs = 0.0;
    bool m_acquiring = false;
    uint64_t m_triggers = 0;
    bool m_lineTaken = false;
    double m_lastLineNs = 0.0;
    uint64_t m_missed = 0;
    uint64_t m_lines = 0;
    uint64_t m_frameId = 0;
    int m_frameLines = 0;
    std::shared_ptr<LineFrame> m_frame;
    std::vector<std::shared_ptr<LineFrame>> m_filled;
    uint64_t m_uncountedLines = 0;
    bool m_realTime = false;
    Clock::time_point m_wallOrigin;
    double m_simOrigin = 0.0; // m_now at m_wallOrigin

    std::mutex m_deliveryMutex; // keeps frames in order between the thread and other callers
    FrameQueue m_queue;

    // Guard the real-time thread's start and stop.
    mutable std::mutex m_threadMutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};
