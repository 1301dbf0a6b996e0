#pragma once

#include "CameraDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tovrik {
class Feature;
}
class GenicamReader;
class GenicamStream;
class GenicamWorker;
struct GenicamSetting
{
    std::string feature;
    std::string value;
};

// A GenICam camera opened through Aravis, with its features as SDK feature handles. Real cameras
// (GigE Vision, USB3 Vision) are opened by Aravis device id or address; the in-process fake
// camera runs this project's description of the TL-4K line-scan camera.
class GenicamCamera final : public CameraDevice
{
public:
    // deviceId: an Aravis device id ("Vendor-Model-Serial"), a serial number or an IP address. An
    // address is asked directly (no broadcast) and given about a second to answer. A camera that
    // is lost later is opened again in the background.
    static std::shared_ptr<GenicamCamera> open(const std::string& deviceId, std::string* error);
    // Aravis's in-process fake camera with the TL-4K description, after power-up.
    static std::shared_ptr<GenicamCamera> openFake(const std::string& serialNumber, std::string* error);
    ~GenicamCamera() override;
    GenicamCamera(const GenicamCamera&) = delete;
    GenicamCamera& operator=(const GenicamCamera&) = delete;

    // Every feature of the description's category tree, in tree order.
    std::vector<std::shared_ptr<Tovrik::Feature>> features() const override { return m_features; }
    std::shared_ptr<Tovrik::Feature> feature(const std::string& name) const;
    LineSource* lineSource() override;
    // What was opened, for people: the device's id, its kind and, for the fake, the description.
    std::string summary() const override { return m_summary; }
    std::string selectorOf(const std::string& feature) const override;
    void setLookOnly(bool lookOnly) override;
    std::string identity() const override { return m_identity; }
    std::string notifications() const override;
    LinkStatus status() const override;
    void setStatusListener(std::function<void(const LinkStatus& status)> listener) override;
    void setWriteFailureListener(std::function<void(const WriteFailure& failure)> listener) override;
    int writeAsAnotherTool(const std::string& feature, const std::string& value) override;
    void setSampleListener(std::function<void(const TriggerSample& sample)> listener,
                           std::chrono::milliseconds interval) override;

    // Another party's access, straight to the device (not through the feature handles): writes
    // the settings in order and stops at the first failure, returning its status and text. Refused
    // at once (ResourceInUse) without control of the camera.
    int writeSettings(const std::vector<GenicamSetting>& settings, std::string* error = nullptr);
    // The value as text, or "#" and the status when it cannot be read.
    std::string value(const std::string& feature) const;
    int readRegister(uint64_t address, uint32_t* value) const;
    int writeRegister(uint64_t address, uint32_t value);
    // The camera's worker: its calls, its link and its poller.
    GenicamWorker& worker() const { return *m_worker; }

    // The cameras Aravis finds (this sends discovery broadcasts), one line each: the id to pass to
    // open, then the address and the protocol.
    static std::vector<std::string> listCameras();
    // The TL-4K's state after power-up, in write order: the fake starts from cleared registers.
    static std::vector<GenicamSetting> powerUpSettings();
    // The TL-4K's GenICam description as a file (written once per process).
    static std::string descriptionFile();

private:
    GenicamCamera(std::shared_ptr<GenicamWorker> worker, std::string summary);
    void collectFeatures();

    std::shared_ptr<GenicamWorker> m_worker;
    std::shared_ptr<GenicamStream> m_stream;
    std::string m_summary;
    std::string m_identity; // read with the settings at open
    std::vector<std::shared_ptr<Tovrik::Feature>> m_features;
    // The reads on a socket of our own, shared with the worker's opener, which makes it.
    std::shared_ptr<std::shared_ptr<GenicamReader>> m_reader;
};
