#include "SimStream.h"

#include "FeatureName.h"
#include "SimAcquisition.h"
#include "SimCamera.h"

#include <utility>

SimStream::SimStream(std::shared_ptr<SimCamera> camera) : m_camera(std::move(camera)) {}

bool SimStream::startAcquisition(std::string* error)
{
    const int status = m_camera->write(FeatureName::AcquisitionStart, "1");
    if (status != 0) {
        if (error)
            *error = "the camera refused to start (status " + std::to_string(status) + ")";
        return false;
    }
    // The simulated camera answers at once.
    m_events({Event::Kind::Started, "the camera started"});
    return true;
}

void SimStream::stopAcquisition()
{
    m_camera->write(FeatureName::AcquisitionStop, "1");
    m_camera->acquisition().handOver(); // the last, partly filled frame
}

bool SimStream::isAcquiring() const
{
    return m_camera->acquisition().isAcquiring();
}

std::shared_ptr<const LineFrame> SimStream::takeFrame()
{
    return m_camera->acquisition().takeFrame();
}

void SimStream::setFrameListener(std::function<void()> listener)
{
    m_camera->acquisition().setFrameListener(std::move(listener));
}

LineSource::Statistics SimStream::statistics() const
{
    return m_camera->acquisition().statistics();
}

void SimStream::setEventListener(std::function<void(const Event& event)> listener)
{
    m_events.set(std::move(listener));
}
