#pragma once

#include "LineSource.h"
#include "Listener.h"
#include "SimApi.h"

#include <memory>

class SimCamera;

// The simulated camera's lines as a line source: start and stop are the camera's commands, written
// as another party would write them (so the journal shows them and the store's rules see the camera
// acquire); the frames come from its acquisition.
class SIM_EXPORT SimStream final : public LineSource
{
public:
    explicit SimStream(std::shared_ptr<SimCamera> camera);

    bool startAcquisition(std::string* error) override;
    void stopAcquisition() override;
    bool isAcquiring() const override;
    std::shared_ptr<const LineFrame> takeFrame() override;
    void setFrameListener(std::function<void()> listener) override;
    Statistics statistics() const override;
    void setEventListener(std::function<void(const Event& event)> listener) override;

private:
    const std::shared_ptr<SimCamera> m_camera;
    Listener<const Event&> m_events;
};
