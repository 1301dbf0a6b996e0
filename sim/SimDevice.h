#pragma once

#include "CameraDevice.h"
#include "Listener.h"
#include "SimApi.h"
#include "SimStream.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class SimCamera;

// The simulated camera as the viewer uses it: its features, its lines, a link that never fails,
// and the trigger check's figures measured at one moment of simulated time on a thread of its own.
class SIM_EXPORT SimDevice final : public CameraDevice
{
public:
    SimDevice(std::shared_ptr<SimCamera> camera, std::string summary);
    ~SimDevice() override;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    std::vector<std::shared_ptr<Tovrik::Feature>> features() const override;
    LineSource* lineSource() override { return &m_stream; }
    std::string summary() const override { return m_summary; }
    std::string identity() const override;
    std::string selectorOf(const std::string& feature) const override;
    std::string notifications() const override;
    LinkStatus status() const override;
    std::string describe(const LinkStatus& status) const override;
    void setStatusListener(std::function<void(const LinkStatus& status)> listener) override;
    void setWriteFailureListener(std::function<void(const WriteFailure& failure)> listener) override;
    int writeAsAnotherTool(const std::string& feature, const std::string& value) override;
    void setSampleListener(std::function<void(const TriggerSample& sample)> listener,
                           std::chrono::milliseconds interval) override;

    // One sample now, on the calling thread: what tests use with a stepped clock.
    TriggerSample sampleNow() const;
    void setLookOnly(bool lookOnly) override;
    const std::shared_ptr<SimCamera>& camera() const { return m_camera; }

private:
    void sampleLoop();

    const std::shared_ptr<SimCamera> m_camera;
    SimStream m_stream;
    const std::string m_summary;
    Listener<const LinkStatus&> m_statusListener;
    Listener<const TriggerSample&> m_sampleListener;

    // Guard the sampling thread's controls.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::milliseconds m_interval{100};
    bool m_sampling = false;
    std::thread m_sampler;
};
