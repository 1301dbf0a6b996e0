#pragma once

#include "LinkStatus.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class LineSource;
struct TriggerSample;
namespace Tovrik {
class Feature;
}

// A camera as the viewer uses it, whichever backend runs it (the simulated camera, a GenICam
// camera through Aravis): its features for the page, its stream of lines, its link and its
// measurements. Listeners are called on a thread of the backend's; setting one waits for a call in
// progress, so a cleared listener is never called afterwards. No call waits on the network longer
// than the backend's bound for one operator action, and the measurements never wait at all.
class CameraDevice
{
public:
    struct WriteFailure
    {
        std::string feature;
        std::string selection; // "Selector=Entry" of a selected feature, when known
        std::string value;
        int status = 0;
    };

    virtual ~CameraDevice() = default;

    virtual std::vector<std::shared_ptr<Tovrik::Feature>> features() const = 0;
    // The stream of lines; null when the camera has none.
    virtual LineSource* lineSource() = 0;
    // What was opened, and how changes reach the page, for people.
    virtual std::string summary() const = 0;
    virtual std::string notifications() const = 0;
    // Which camera this is, for what is kept about it between runs: its model and serial number as
    // read when it was opened; empty when it did not say.
    virtual std::string identity() const = 0;
    // The feature whose entries this one keeps a value for (a GenICam selector); empty when none.
    // Known without asking the camera.
    virtual std::string selectorOf(const std::string& feature) const = 0;

    virtual LinkStatus status() const = 0;
    // A status as people read it on the device tab and in the log.
    virtual std::string describe(const LinkStatus& status) const { return status.describe(); }
    virtual void setStatusListener(std::function<void(const LinkStatus& status)> listener) = 0;
    // Every write through a feature handle that the camera refused or that failed.
    virtual void setWriteFailureListener(std::function<void(const WriteFailure& failure)> listener) = 0;
    // Look only: every write refused (on a GigE Vision camera, control given back and never asked
    // for); false: writes again once control is had. The status says so.
    virtual void setLookOnly(bool lookOnly) = 0;
    // Writes as another tool beside the page would; 0 or the camera's status.
    virtual int writeAsAnotherTool(const std::string& feature, const std::string& value) = 0;

    // The trigger check's figures, sampled on the backend's thread about every interval, at
    // irregular moments so that a steady pulse train is not always seen at one phase. A null
    // listener stops the sampling.
    virtual void setSampleListener(std::function<void(const TriggerSample& sample)> listener,
                                   std::chrono::milliseconds interval) = 0;
};
