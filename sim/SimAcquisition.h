#pragma once

#include "FrameQueue.h"
#include "LineSource.h"
#include "SimApi.h"
#include "SimBench.h"
#include "SimChart.h"
#include "SimEncoder.h"
#include "SimTriggerSettings.h"

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
// a thread of its own keeps it with the wall clock (the viewer). Thread-safe; the camera calls in
// with its own lock held, so nothing here calls the camera back while holding this lock.
class SIM_EXPORT SimAcquisition : public LineSource
{
public:
    // Runs a camera command ("AcquisitionStart", ...) as the camera's features would; 0 or a status.
    using CommandRunner = std::function<int(const std::string& command)>;

    SimAcquisition();
    ~SimAcquisition() override;
    SimAcquisition(const SimAcquisition&) = delete;
    SimAcquisition& operator=(const SimAcquisition&) = delete;

    bool startAcquisition(std::string* error) override;
    void stopAcquisition() override;
    bool isAcquiring() const override;
    std::shared_ptr<const LineFrame> takeFrame() override;
    void setFrameListener(std::function<void()> listener) override;
    Statistics statistics() const override;

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

    // The camera's side, called with the camera's lock held.
    void setCommandRunner(CommandRunner runner);
    void configure(const SimTriggerSettings& settings);
    void begin();
    void end();
    void resetEncoder();
    // The value of a feature the acquisition measures, as text; empty for other features.
    std::string liveValue(const std::string& feature, const std::string& selectorEntry) const;
    uint64_t missedTriggers() const;

private:
    using Clock = std::chrono::steady_clock;

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
    mutable std::mutex m_mutex;
    SimTriggerSettings m_settings;
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
    CommandRunner m_commands;
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
