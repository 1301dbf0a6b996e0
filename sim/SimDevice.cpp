#include "SimDevice.h"

#include "FeatureName.h"
#include "SimAcquisition.h"
#include "SimCamera.h"
#include "TriggerSample.h"

#include <utility>

SimDevice::SimDevice(std::shared_ptr<SimCamera> camera, std::string summary)
    : m_camera(std::move(camera)), m_stream(m_camera), m_summary(std::move(summary))
{}

SimDevice::~SimDevice()
{
    setSampleListener(nullptr, m_interval);
    m_camera->setWriteFailureListener(nullptr); // waits for a call in progress
}

std::vector<std::shared_ptr<Tovrik::Feature>> SimDevice::features() const
{
    return m_camera->features();
}

std::string SimDevice::notifications() const
{
    return m_camera->notifyMode() == SimNotifyMode::Thread ? "from the SDK's notification thread"
                                                           : "on the writing thread";
}

LinkStatus SimDevice::status() const
{
    LinkStatus status;
    if (m_camera->isReadOnly()) {
        status.control = LinkStatus::Control::ReadOnly;
        status.reason = LinkStatus::Reason::LookOnly;
    }
    return status;
}

std::string SimDevice::describe(const LinkStatus& status) const
{
    return status.control == LinkStatus::Control::ReadOnly
               ? "connected (simulated), " + status.reasonText() + ": writes are refused"
               : "connected (simulated)";
}

void SimDevice::setStatusListener(std::function<void(const LinkStatus& status)> listener)
{
    m_statusListener.set(std::move(listener));
}

void SimDevice::setWriteFailureListener(std::function<void(const WriteFailure& failure)> listener)
{
    if (!listener) {
        m_camera->setWriteFailureListener(nullptr);
        return;
    }
    m_camera->setWriteFailureListener([listener = std::move(listener)](const SimJournalEntry& entry) {
        listener({entry.feature, entry.selector, entry.value, entry.status});
    });
}

int SimDevice::writeAsAnotherTool(const std::string& feature, const std::string& value)
{
    return m_camera->write(feature, value);
}

void SimDevice::setLookOnly(bool lookOnly)
{
    m_camera->setReadOnly(lookOnly);
    m_statusListener(status());
}

std::string SimDevice::selectorOf(const std::string& feature) const
{
    return m_camera->hasFeature(feature) ? m_camera->definition(feature).selector : std::string();
}

std::string SimDevice::identity() const
{
    const std::string model = m_camera->value(FeatureName::DeviceModelName);
    const std::string serial = m_camera->value(FeatureName::DeviceSerialNumber);
    // A value the camera cannot give reads as "#<status>".
    if (model.empty() || serial.empty() || model[0] == '#' || serial[0] == '#')
        return std::string();
    return model + " " + serial;
}

TriggerSample SimDevice::sampleNow() const
{
    const SimAcquisition& acquisition = m_camera->acquisition();
    const SimAcquisition::Measurement m = acquisition.measure();
    TriggerSample sample;
    sample.seconds = m.seconds;
    sample.acquiring = m.acquiring;
    sample.lines = m.lines;
    // What the camera has (a variant may lack any of them) is measured; the rest stays unknown.
    if (m_camera->hasFeature(FeatureName::LineTriggerMissedCount))
        sample.missedTriggers = static_cast<int64_t>(m.missed);
    if (m_camera->hasFeature(FeatureName::EncoderValue))
        sample.encoderValue = m.encoderValue;
    if (m_camera->hasFeature(FeatureName::LineStatusAll))
        sample.lineBits = m.lineBits;
    if (m_camera->hasFeature(FeatureName::EncoderStatus))
        sample.encoderStatus = m.encoderStatus;
    sample.settings = acquisition.settings();
    sample.settingsKnown = true;
    const SimBench bench = acquisition.bench();
    sample.beltSpeed = bench.beltSpeed;
    sample.installation = bench.installation();
    return sample;
}

void SimDevice::setSampleListener(std::function<void(const TriggerSample& sample)> listener,
                                  std::chrono::milliseconds interval)
{
    const bool sampling = static_cast<bool>(listener);
    std::thread ended;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_interval = interval;
        if (!sampling) {
            m_sampling = false;
            ended = std::move(m_sampler);
        }
    }
    m_wake.notify_all();
    if (ended.joinable())
        ended.join();
    m_sampleListener.set(std::move(listener));
    std::lock_guard<std::mutex> lock(m_mutex);
    if (sampling && !m_sampling) {
        m_sampling = true;
        m_sampler = std::thread(&SimDevice::sampleLoop, this);
    }
}

void SimDevice::sampleLoop()
{
    // Irregular intervals: a steady encoder never looks still because it is seen at one phase.
    static const double spread[] = {0.83, 1.13, 0.97, 1.07};
    std::unique_lock<std::mutex> lock(m_mutex);
    for (unsigned i = 0; m_sampling; ++i) {
        lock.unlock();
        m_sampleListener(sampleNow());
        lock.lock();
        const auto pause = std::chrono::duration_cast<std::chrono::milliseconds>(m_interval * spread[i % 4]);
        m_wake.wait_for(lock, pause, [this] { return !m_sampling; });
    }
}
