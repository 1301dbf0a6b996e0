#include <arv.h>

#include "GenicamCamera.h"

#include "GenicamFeature.h"
#include "GenicamNode.h"
#include "GenicamStatus.h"
#include "GenicamWorker.h"
#include "TovrikStatus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <mutex>
#include <set>
#include <utility>

static void initGenicamResources()
{
    Q_INIT_RESOURCE(GenicamResources);
}

namespace {

// Aravis's device list, interfaces and fake-camera settings are process-wide.
std::mutex& systemMutex()
{
    static std::mutex mutex;
    return mutex;
}

void enableChecks(ArvDevice* device)
{
    arv_device_set_range_check_policy(device, ARV_RANGE_CHECK_POLICY_ENABLE);
    arv_device_set_access_check_policy(device, ARV_ACCESS_CHECK_POLICY_ENABLE);
    // Other tools may change the camera: always read the device, never a cache.
    arv_device_set_register_cache_policy(device, ARV_REGISTER_CACHE_POLICY_DISABLE);
}

std::string kindOf(ArvDevice* device)
{
    if (ARV_IS_FAKE_DEVICE(device))
        return "Aravis in-process fake camera";
    if (ARV_IS_GV_DEVICE(device))
        return "GigE Vision camera";
    if (ARV_IS_UV_DEVICE(device))
        return "USB3 Vision camera";
    return "GenICam camera";
}

void walkCategory(ArvGc* genicam, const char* name, std::set<std::string>* seen,
                  std::vector<std::string>* names)
{
    ArvGcNode* node = arv_gc_get_node(genicam, name);
    if (!node || !seen->insert(name).second)
        return;
    if (!ARV_IS_GC_CATEGORY(node)) {
        if (ARV_IS_GC_FEATURE_NODE(node))
            names->push_back(name);
        return;
    }
    for (const GSList* child = arv_gc_category_get_features(ARV_GC_CATEGORY(node)); child;
         child = child->next)
        walkCategory(genicam, static_cast<const char*>(child->data), seen, names);
}

} // namespace

GenicamCamera::GenicamCamera(std::shared_ptr<GenicamWorker> worker, std::string summary)
    : m_worker(std::move(worker)), m_summary(std::move(summary))
{}

GenicamCamera::~GenicamCamera()
{
    m_worker->stop();
}

std::shared_ptr<GenicamCamera> GenicamCamera::open(const std::string& deviceId, std::string* error)
{
    if (deviceId.empty()) {
        if (error)
            *error = "no device id given";
        return nullptr;
    }
    std::string kind;
    auto worker = GenicamWorker::start(
        [&deviceId, &kind](std::string* failure) -> ArvDevice* {
            std::lock_guard<std::mutex> lock(systemMutex());
            GError* openError = nullptr;
            ArvDevice* device = nullptr;
            GInetAddress* address = g_inet_address_new_from_string(deviceId.c_str());
            if (address && g_inet_address_get_is_loopback(address)) {
                // A camera on this machine is opened directly: no discovery broadcast leaves it.
                GInetAddress* local = g_inet_address_new_loopback(g_inet_address_get_family(address));
                device = arv_gv_device_new(local, address, &openError);
                g_object_unref(local);
            } else {
                device = arv_open_device(deviceId.c_str(), &openError);
            }
            g_clear_object(&address);
            if (!device) {
                GenicamStatus::take(&openError, failure);
                if (failure->empty())
                    *failure = "no camera with id " + deviceId;
                return nullptr;
            }
            enableChecks(device);
            kind = kindOf(device);
            return device;
        },
        error);
    if (!worker)
        return nullptr;
    std::shared_ptr<GenicamCamera> camera(new GenicamCamera(worker, kind + " " + deviceId));
    camera->collectFeatures();
    return camera;
}

std::shared_ptr<GenicamCamera> GenicamCamera::openFake(const std::string& serialNumber, std::string* error)
{
    const std::string description = descriptionFile();
    if (description.empty()) {
        if (error)
            *error = "the camera description could not be written to a temporary file";
        return nullptr;
    }
    auto worker = GenicamWorker::start(
        [&](std::string* failure) -> ArvDevice* {
            std::lock_guard<std::mutex> lock(systemMutex());
            arv_set_fake_camera_genicam_filename(description.c_str());
            GError* openError = nullptr;
            ArvDevice* device = arv_fake_device_new(serialNumber.c_str(), &openError);
            if (!device) {
                GenicamStatus::take(&openError, failure);
                return nullptr;
            }
            enableChecks(device);
            return device;
        },
        error);
    if (!worker)
        return nullptr;
    std::shared_ptr<GenicamCamera> camera(
        new GenicamCamera(worker, "Aravis in-process fake camera, serial number " + serialNumber +
                                      ", running the TL-4K description"));
    camera->collectFeatures();
    std::string failure;
    if (camera->writeSettings(powerUpSettings(), &failure) != 0) {
        if (error)
            *error = "the fake camera refused its power-up settings: " + failure;
        return nullptr;
    }
    return camera;
}

void GenicamCamera::collectFeatures()
{
    std::vector<std::string> names;
    m_worker->run([&names](ArvDevice* device) {
        std::set<std::string> seen;
        walkCategory(arv_device_get_genicam(device), "Root", &seen, &names);
    });
    std::map<std::string, std::shared_ptr<Tovrik::Feature>> handles;
    for (const std::string& name : names) {
        auto handle = std::make_shared<GenicamFeature>(m_worker, name);
        m_features.push_back(handle);
        handles.emplace(name, handle);
    }
    m_worker->setHandles(handles);
}

std::vector<std::shared_ptr<Tovrik::Feature>> GenicamCamera::features() const
{
    return m_features;
}

std::shared_ptr<Tovrik::Feature> GenicamCamera::feature(const std::string& name) const
{
    for (const auto& candidate : m_features) {
        std::string candidateName;
        if (candidate->getName(candidateName) == 0 && candidateName == name)
            return candidate;
    }
    return nullptr;
}

std::string GenicamCamera::summary() const
{
    return m_summary;
}

int GenicamCamera::writeSettings(const std::vector<GenicamSetting>& settings, std::string* error)
{
    int status = Tovrik::Status::NotOpened;
    m_worker->run([&](ArvDevice* device) {
        status = 0;
        for (const GenicamSetting& setting : settings) {
            const GenicamNode node(device, setting.feature);
            status = node.setValue(setting.value.c_str());
            if (status != 0) {
                if (error)
                    *error = setting.feature + " = " + setting.value + ": status " + std::to_string(status);
                return;
            }
        }
    });
    m_worker->requestPoll();
    return status;
}

std::string GenicamCamera::value(const std::string& feature) const
{
    std::string text = "#" + std::to_string(Tovrik::Status::NotOpened);
    m_worker->run([&](ArvDevice* device) {
        const GenicamNode node(device, feature);
        std::string value;
        const int status = node.getValue(value);
        text = status == 0 ? value : "#" + std::to_string(status);
    });
    return text;
}

int GenicamCamera::readRegister(uint64_t address, uint32_t* value) const
{
    int status = Tovrik::Status::NotOpened;
    m_worker->run([&](ArvDevice* device) {
        GError* error = nullptr;
        uint32_t registerValue = 0;
        arv_device_read_register(device, address, &registerValue, &error);
        status = GenicamStatus::take(&error);
        if (status == 0 && value)
            *value = registerValue;
    });
    return status;
}

int GenicamCamera::writeRegister(uint64_t address, uint32_t value)
{
    int status = Tovrik::Status::NotOpened;
    m_worker->run([&](ArvDevice* device) {
        GError* error = nullptr;
        arv_device_write_register(device, address, value, &error);
        status = GenicamStatus::take(&error);
    });
    m_worker->requestPoll();
    return status;
}

void GenicamCamera::setPollInterval(std::chrono::milliseconds interval)
{
    m_worker->setPollInterval(interval);
}

void GenicamCamera::pollNow()
{
    m_worker->pollNow();
}

size_t GenicamCamera::observerCount(const std::string& feature) const
{
    return m_worker->observerCount(feature);
}

std::vector<std::string> GenicamCamera::listCameras()
{
    std::lock_guard<std::mutex> lock(systemMutex());
    arv_update_device_list();
    std::vector<std::string> cameras;
    const auto text = [](const char* value) {
        return std::string(value ? value : "");
    };
    for (unsigned int i = 0; i < arv_get_n_devices(); ++i) {
        cameras.push_back(text(arv_get_device_id(i)) + "  " + text(arv_get_device_address(i)) + "  " +
                          text(arv_get_device_protocol(i)));
    }
    return cameras;
}

std::vector<GenicamSetting> GenicamCamera::powerUpSettings()
{
    return {
        {"AcquisitionLineRate", "10000"}, {"ExposureTime", "50"},      {"TriggerSelector", "FrameStart"},
        {"TriggerSource", "Software"},    {"TriggerDivider", "1"},     {"TriggerSelector", "LineStart"},
        {"TriggerDivider", "1"},          {"EncoderSourceA", "Line1"}, {"EncoderDividerFloat", "1"},
    };
}

std::string GenicamCamera::descriptionFile()
{
    static std::mutex mutex;
    static std::unique_ptr<QTemporaryDir> folder;
    static std::string path;
    std::lock_guard<std::mutex> lock(mutex);
    if (!path.empty())
        return path;
    initGenicamResources();
    folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        return std::string();
    const QString file = folder->filePath(QStringLiteral("TL4K-LineScan.xml"));
    QFile::remove(file);
    if (!QFile::copy(QStringLiteral(":/genicam/LineScanCamera.xml"), file))
        return std::string();
    path = QDir::toNativeSeparators(file).toStdString();
    return path;
}
