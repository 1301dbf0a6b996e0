#include "SimAcquisition.h"

#include "CameraLines.h"
#include "FeatureName.h"
#include "LineFrame.h"
#include "SimLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
// White paper reaches 217 of 255 at this exposure; the image darkens and brightens with it.
constexpr double fullExposureUs = 50.0;
// EncoderStatus turns EncoderStatic once the count has stood this long.
constexpr double encoderTimeoutNs = 0.5e9;
// The real-time thread advances at most this much simulated time per hold of the lock.
constexpr double sliceNs = 2.0e6;
// Falling this far behind real time is worth a word.
constexpr double lagWarningNs = 100.0e6;

} // namespace

SimAcquisition::SimAcquisition() = default;

SimAcquisition::~SimAcquisition()
{
    setRealTime(false);
}

bool SimAcquisition::isAcquiring() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_acquiring;
}

std::shared_ptr<const LineFrame> SimAcquisition::takeFrame()
{
    return m_queue.take();
}

void SimAcquisition::setFrameListener(std::function<void()> listener)
{
    m_queue.setListener(std::move(listener));
}

LineSource::Statistics SimAcquisition::statistics() const
{
    return m_queue.statistics();
}

void SimAcquisition::handOver()
{
    deliver();
}

void SimAcquisition::setRealTime(bool realTime)
{
    std::unique_lock<std::mutex> threadLock(m_threadMutex);
    if (realTime == m_thread.joinable())
        return;
    if (realTime) {
        {
            std::lock_guard<CheckedMutex> lock(m_mutex);
            m_realTime = true;
            m_wallOrigin = Clock::now();
            m_simOrigin = m_now;
        }
        m_stop = false;
        m_thread = std::thread(&SimAcquisition::run, this);
        return;
    }
    m_stop = true;
    threadLock.unlock();
    m_wake.notify_all();
    m_thread.join();
    std::lock_guard<CheckedMutex> lock(m_mutex);
    m_realTime = false;
}

bool SimAcquisition::isRealTime() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_realTime;
}

void SimAcquisition::advance(std::chrono::nanoseconds duration)
{
    double endNs = 0.0;
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        if (m_realTime)
            return;
        endNs = m_now + static_cast<double>(duration.count());
    }
    // In slices, handing frames over after each as the real-time thread does, so that a consumer
    // that takes them as they come keeps up.
    for (bool more = true; more;) {
        {
            std::lock_guard<CheckedMutex> lock(m_mutex);
            advanceTo(std::min(endNs, m_now + sliceNs));
            more = m_now < endNs;
        }
        deliver();
    }
}

bool SimAcquisition::setBench(const SimBench& bench, std::string* problem)
{
    const std::string reason = bench.problem();
    if (!reason.empty()) {
        if (problem)
            *problem = reason;
        return false;
    }
    std::lock_guard<CheckedMutex> lock(m_mutex);
    catchUp();
    applyBench(bench);
    return true;
}

SimBench SimAcquisition::bench() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_bench;
}

void SimAcquisition::setBeltSpeed(double mmPerSecond)
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    catchUp();
    // Its swings too stay within what the encoder's inputs follow.
    const double limit = m_bench.maxBeltSpeed() / (1.0 + m_bench.speedRipple);
    m_bench.beltSpeed = std::isfinite(mmPerSecond) ? std::clamp(mmPerSecond, -limit, limit) : 0.0;
}

double SimAcquisition::beltPosition() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_position;
}

std::chrono::nanoseconds SimAcquisition::now() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return std::chrono::nanoseconds(std::llround(m_now));
}

void SimAcquisition::configure(const TriggerSettings& settings)
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    catchUp();
    apply(settings);
}

void SimAcquisition::changed(const std::string& feature, const TriggerSettings::Reader& reader)
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    TriggerSettings settings = m_settings;
    if (!settings.update(feature, reader) || settings == m_settings)
        return;
    catchUp();
    apply(settings);
}

void SimAcquisition::apply(const TriggerSettings& settings)
{
    LT_ASSERT(m_mutex.isHeld());
    const bool encoderChanged = !settings.sameEncoder(m_settings);
    m_settings = settings;
    Trigger& t = m_trigger;
    t.lineTriggerOn = settings.lineTriggerOn();
    t.source = settings.source();
    t.sourceLine = settings.sourceLine();
    t.activation = settings.activation();
    t.divider = settings.triggerDivider;
    t.lineRate = settings.lineRate;
    t.lineNs = TriggerMath::lineTimeUs(settings.exposureUs, settings.readoutUs()) * 1.0e3;
    t.encoderA = settings.encoderA();
    t.encoderB = settings.encoderB();
    t.input = settings.input;
    t.inverted = settings.inverted;
    m_chart.configure(settings.width, m_bench.pixelSize, settings.exposureUs / fullExposureUs);
    if (encoderChanged)
        restartEncoder();
}

void SimAcquisition::execute(const std::string& command)
{
    if (command == FeatureName::AcquisitionStart)
        begin();
    else if (command == FeatureName::AcquisitionStop)
        end();
    else if (command == FeatureName::EncoderReset)
        resetEncoder();
}

TriggerSettings SimAcquisition::settings() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    return m_settings;
}

void SimAcquisition::begin()
{
    // Frames of an earlier run still on their way are handed over first.
    std::lock_guard<std::mutex> order(m_deliveryMutex);
    std::lock_guard<CheckedMutex> lock(m_mutex);
    if (m_acquiring)
        return;
    catchUp();
    m_queue.restart();
    m_filled.clear();
    m_uncountedLines = 0;
    m_acquiring = true;
    m_triggers = 0;
    m_lineTaken = false;
    m_missed = 0;
    m_lines = 0;
    m_frameId = 0;
    m_frameLines = 0;
    m_frame.reset();
    m_nextTickNs = m_now;
}

void SimAcquisition::end()
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    if (!m_acquiring)
        return;
    catchUp();
    m_acquiring = false;
    if (m_frame && m_frame->lines > 0)
        m_filled.push_back(std::move(m_frame));
    m_frame.reset();
    m_frameLines = 0;
}

void SimAcquisition::resetEncoder()
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    catchUp();
    m_encoder.reset();
}

std::string SimAcquisition::liveValue(const std::string& feature, const std::string& selectorEntry) const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    if (feature == FeatureName::EncoderValue)
        return std::to_string(m_encoder.value());
    if (feature == FeatureName::EncoderStatus)
        return encoderStatus();
    if (feature == FeatureName::LineTriggerMissedCount)
        return std::to_string(m_missed);
    if (feature == FeatureName::LineStatusAll)
        return std::to_string(lineBits());
    if (feature == FeatureName::LineStatus) {
        const int line = CameraLines::number(selectorEntry);
        return line > 0 && m_levels[static_cast<size_t>(line)] ? "true" : "false";
    }
    return std::string();
}

SimAcquisition::Measurement SimAcquisition::measure() const
{
    std::lock_guard<CheckedMutex> lock(m_mutex);
    Measurement m;
    m.seconds = m_now * 1.0e-9;
    m.acquiring = m_acquiring;
    m.lines = m_lines;
    m.missed = m_missed;
    m.encoderValue = m_encoder.value();
    m.encoderStatus = encoderStatus();
    m.lineBits = lineBits();
    return m;
}

int SimAcquisition::lineBits() const
{
    int bits = 0;
    for (int line = 1; line <= CameraLines::count; ++line)
        bits |= m_levels[static_cast<size_t>(line)] ? 1 << (line - 1) : 0;
    return bits;
}

void SimAcquisition::advanceTo(double endNs)
{
    LT_ASSERT(m_mutex.isHeld());
    const double period = m_trigger.lineRate > 0.0 ? 1.0e9 / m_trigger.lineRate : infinity;
    for (;;) {
        const double quarterNs = nextQuarterNs();
        const bool timer = timerRuns();
        if (timer && m_nextTickNs < m_now)
            m_nextTickNs = m_now;
        const double tickNs = timer ? m_nextTickNs : infinity;
        const double atNs = std::min(quarterNs, tickNs);
        // Steps are half-open: what happens at endNs belongs to the next.
        if (!(atNs < endNs))
            break;
        if (quarterNs <= tickNs) {
            // Exactly onto the boundary, so that position and quarter never disagree.
            const bool forward = m_bench.beltSpeed > 0.0;
            m_quarter += forward ? 1 : -1;
            m_position = static_cast<double>(forward ? m_quarter : m_quarter + 1) / m_bench.quartersPerMm();
            m_now = atNs;
            updateLines(atNs);
        } else {
            moveBelt(atNs);
            trigger(atNs, true);
            m_nextTickNs += period;
        }
    }
    moveBelt(endNs);
}

void SimAcquisition::moveBelt(double toNs)
{
    if (toNs <= m_now)
        return;
    // The speed of the step's start: steps are a quarter of the encoder's period at most while the
    // belt moves, short against the ripple's second.
    m_position += m_bench.speedAt(m_now) * (toNs - m_now) * 1.0e-9;
    m_now = toNs;
}

double SimAcquisition::nextQuarterNs() const
{
    const double speed = m_bench.speedAt(m_now);
    if (speed == 0.0)
        return infinity;
    // Quarter q spans [q, q + 1) / quartersPerMm.
    const double boundary =
        static_cast<double>(speed > 0.0 ? m_quarter + 1 : m_quarter) / m_bench.quartersPerMm();
    return std::max(m_now, m_now + (boundary - m_position) / speed * 1.0e9);
}

bool SimAcquisition::timerRuns() const
{
    if (!m_trigger.lineTriggerOn)
        return true;
    if (m_trigger.source != TriggerSettings::Source::Line)
        return false;
    const bool level = m_levels[static_cast<size_t>(m_trigger.sourceLine)];
    // Level activations take lines at the line rate while the level holds.
    return (m_trigger.activation == TriggerSettings::Activation::LevelHigh && level) ||
           (m_trigger.activation == TriggerSettings::Activation::LevelLow && !level);
}

std::array<bool, 5> SimAcquisition::lineLevels() const
{
    std::array<bool, 5> levels{};
    for (int line = 1; line <= 4; ++line) {
        const auto i = static_cast<size_t>(line);
        levels[i] = (m_trigger.input[i] && m_bench.lineSignal(line, m_quarter)) != m_trigger.inverted[i];
    }
    return levels;
}

void SimAcquisition::updateLines(double atNs)
{
    const std::array<bool, 5> before = m_levels;
    m_levels = lineLevels();
    if (m_trigger.lineTriggerOn && m_trigger.source == TriggerSettings::Source::Line) {
        const auto line = static_cast<size_t>(m_trigger.sourceLine);
        if (before[line] != m_levels[line]) {
            const bool rose = m_levels[line];
            using Activation = TriggerSettings::Activation;
            if ((m_trigger.activation == Activation::RisingEdge && rose) ||
                (m_trigger.activation == Activation::FallingEdge && !rose) ||
                m_trigger.activation == Activation::AnyEdge)
                trigger(atNs, false);
        }
    }
    const int64_t count = m_encoder.value();
    const int pulses = m_encoder.update(m_levels[static_cast<size_t>(m_trigger.encoderA)],
                                        m_levels[static_cast<size_t>(m_trigger.encoderB)]);
    if (m_encoder.value() != count)
        m_lastCountNs = atNs;
    encoderOutput(pulses, atNs);
}

void SimAcquisition::encoderOutput(int pulses, double atNs)
{
    using Activation = TriggerSettings::Activation;
    // An output pulse is brief: every edge activation sees it once, a level none.
    if (!m_trigger.lineTriggerOn || m_trigger.source != TriggerSettings::Source::Encoder ||
        m_trigger.activation == Activation::LevelHigh || m_trigger.activation == Activation::LevelLow)
        return;
    for (int i = 0; i < pulses; ++i)
        trigger(atNs, false);
}

void SimAcquisition::trigger(double atNs, bool fromTimer)
{
    LT_ASSERT(m_mutex.isHeld());
    if (!m_acquiring)
        return;
    if (!fromTimer && ++m_triggers % static_cast<uint64_t>(m_trigger.divider) != 0)
        return;
    // Half a nanosecond of slack: a timer at exactly the top line rate never overlaps itself.
    if (m_lineTaken && atNs - m_lastLineNs < m_trigger.lineNs - 0.5) {
        ++m_missed;
        return;
    }
    takeLine(atNs);
}

void SimAcquisition::takeLine(double atNs)
{
    LT_ASSERT(m_mutex.isHeld());
    const int width = m_settings.width;
    if (m_frameLines == 0) {
        m_frame = m_queue.acquire(width, m_settings.height);
        if (m_frame)
            m_frame->id = m_frameId;
    }
    if (m_frame) {
        std::memcpy(m_frame->line(m_frame->lines), m_chart.line(m_position), static_cast<size_t>(width));
        m_frame->timestampsNs.push_back(std::llround(atNs));
        m_frame->positionsMm.push_back(m_position);
        ++m_frame->lines;
    }
    m_lineTaken = true;
    m_lastLineNs = atNs;
    ++m_lines;
    ++m_uncountedLines;
    if (++m_frameLines < m_settings.height)
        return;
    if (m_frame)
        m_filled.push_back(std::move(m_frame));
    m_frame.reset();
    m_frameLines = 0;
    ++m_frameId;
}

void SimAcquisition::applyBench(const SimBench& bench)
{
    LT_ASSERT(m_mutex.isHeld());
    m_bench = bench;
    m_quarter = static_cast<int64_t>(std::floor(m_position * bench.quartersPerMm()));
    m_chart.configure(m_settings.width, bench.pixelSize, m_settings.exposureUs / fullExposureUs);
    // Reversing the belt or rewiring is no reason for the camera to forget how far it counted.
    m_levels = lineLevels();
    m_encoder.resync(m_levels[static_cast<size_t>(m_trigger.encoderA)],
                     m_levels[static_cast<size_t>(m_trigger.encoderB)]);
}

void SimAcquisition::restartEncoder()
{
    LT_ASSERT(m_mutex.isHeld());
    m_levels = lineLevels();
    m_encoder.configure(m_trigger.encoderA > 0, m_trigger.encoderB > 0, m_settings.counting(),
                        m_settings.encoderDivider, m_levels[static_cast<size_t>(m_trigger.encoderA)],
                        m_levels[static_cast<size_t>(m_trigger.encoderB)]);
}

std::string SimAcquisition::encoderStatus() const
{
    if (!m_encoder.counts())
        return "EncoderIdle";
    if (m_now - m_lastCountNs > encoderTimeoutNs || m_encoder.direction() == 0)
        return "EncoderStatic";
    return m_encoder.direction() > 0 ? "EncoderUp" : "EncoderDown";
}

void SimAcquisition::catchUp()
{
    LT_ASSERT(m_mutex.isHeld());
    if (m_realTime)
        advanceTo(
            m_simOrigin +
            static_cast<double>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - m_wallOrigin).count()));
}

void SimAcquisition::run()
{
    std::unique_lock<std::mutex> threadLock(m_threadMutex);
    auto lastWarning = Clock::now() - std::chrono::seconds(10);
    while (!m_stop) {
        threadLock.unlock();
        bool behind = false;
        double lagNs = 0.0;
        {
            std::lock_guard<CheckedMutex> lock(m_mutex);
            const double target =
                m_simOrigin + static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                      Clock::now() - m_wallOrigin)
                                                      .count());
            // In slices, so that the camera's readers never wait long for the lock.
            behind = target > m_now + sliceNs;
            advanceTo(std::min(target, m_now + sliceNs));
            lagNs = target - m_now;
        }
        // A machine too slow for the lines asked of it: said, at most every ten seconds.
        if (lagNs > lagWarningNs && Clock::now() - lastWarning > std::chrono::seconds(10)) {
            lastWarning = Clock::now();
            qCWarning(lcSim, "the simulated camera runs %.0f ms behind real time", lagNs * 1.0e-6);
        }
        deliver();
        threadLock.lock();
        if (!behind)
            m_wake.wait_for(threadLock, std::chrono::milliseconds(1), [this] { return m_stop; });
    }
}

void SimAcquisition::deliver()
{
    std::lock_guard<std::mutex> order(m_deliveryMutex);
    std::vector<std::shared_ptr<LineFrame>> filled;
    uint64_t lines = 0;
    {
        std::lock_guard<CheckedMutex> lock(m_mutex);
        filled.swap(m_filled);
        lines = m_uncountedLines;
        m_uncountedLines = 0;
    }
    if (lines > 0)
        m_queue.countLines(lines);
    for (std::shared_ptr<LineFrame>& frame : filled)
        m_queue.push(std::move(frame));
}
