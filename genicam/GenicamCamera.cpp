#include <arv.h>

#include "GenicamCamera.h"

#include "FeatureName.h"
#include "GenicamCache.h"
#include "GenicamContext.h"
#include "GenicamFeature.h"
#include "GenicamGvcp.h"
#include "GenicamLog.h"
#include "GenicamNode.h"
#include "GenicamReader.h"
#include "GenicamStatus.h"
#include "GenicamStream.h"
#include "GenicamWorker.h"
#include "TovrikStatus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

static void initGenicamResources()
{
    Q_INIT_RESOURCE(GenicamResources);
}

namespace {

// Opening an address is tried again for this long when Aravis's reads of its description fail.
constexpr std::chrono::seconds openTries{7};

// Aravis 0.8 passes on the NULL of a read of its description that failed on a lossy link, and GLib
// complains of it; the open is tried again and says why. Only the opening thread's complaints are
// kept back, and counted; -1 where nothing is kept back.
thread_local int t_keptBack = -1;

void onGlibComplaint(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer /*data*/)
{
    if (t_keptBack >= 0) {
        ++t_keptBack;
        return;
    }
    g_log_default_handler(domain, level, message, nullptr);
}

class KeepBackGlibComplaints
{
public:
    KeepBackGlibComplaints()
    {
        static const guint handler = g_log_set_handler(
            "GLib", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
            onGlibComplaint, nullptr);
        (void)handler;
        t_keptBack = 0;
    }
    ~KeepBackGlibComplaints() { t_keptBack = -1; }
    KeepBackGlibComplaints(const KeepBackGlibComplaints&) = delete;
    KeepBackGlibComplaints& operator=(const KeepBackGlibComplaints&) = delete;
    int count() const { return t_keptBack; }
};

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

// Runs on the worker thread: opens the GigE Vision camera at an IPv4 address, with the socket our
// own reads go through (a new one after a loss: the old one's path may be dead).
ArvDevice* openAt(GInetAddress* address, const std::string& deviceId, bool first,
                  std::shared_ptr<GenicamReader>& reader, GError** openError, std::string* failure)
{
    ArvDevice* device = nullptr;
    // An address is asked directly, never by a discovery broadcast, and briefly: Aravis
    // itself would wait seconds for a camera that is not there.
    GInetAddress* local = nullptr;
    if (GenicamGvcp::discover(address, first ? GenicamLink::firstDiscovery : GenicamLink::reopenDiscovery,
                              &local)) {
        // Reads on a socket of our own, each try as long as the link's round trip asks for:
        // also while Aravis reads the camera's description.
        if (!first && reader) {
            reader->report();
            reader.reset();
        }
        if (!reader)
            reader = GenicamReader::forCamera(address);
        // Aravis reads the camera's description on its own socket, half a second a try: on
        // a link that loses many packets a read may fail for good; the open is tried
        // again, while time is left.
        const auto giveUp = std::chrono::steady_clock::now() + openTries;
        for (bool again = true; again;) {
            std::lock_guard<std::mutex> lock(systemMutex());
            g_clear_error(openError);
            const KeepBackGlibComplaints complaints;
            device = arv_gv_device_new(local, address, openError);
            again = !device && *openError && std::chrono::steady_clock::now() < giveUp &&
                    (GenicamStatus::isLinkFailure(*openError) ||
                     g_error_matches(*openError, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_GENICAM_NOT_FOUND));
            if (again)
                qCInfo(lcGenicam, "opening %s failed (%s%s): trying again", deviceId.c_str(),
                       (*openError)->message,
                       complaints.count() > 0 ? ", its description not read whole" : "");
        }
    } else {
        *failure = "no GigE Vision camera answers at " + deviceId;
    }
    g_clear_object(&local);
    return device;
}

} // namespace

GenicamCamera::GenicamCamera(std::shared_ptr<GenicamWorker> worker, std::string summary)
    : m_worker(std::move(worker)), m_stream(GenicamStream::create(m_worker)), m_summary(std::move(summary))
{
    const std::weak_ptr<GenicamStream> stream = m_stream;
    m_worker->poller().setStreamFigures([stream]() -> std::pair<bool, LineSource::Statistics> {
        const auto self = stream.lock();
        return self ? std::make_pair(self->isAcquiring(), self->statistics())
                    : std::make_pair(false, LineSource::Statistics());
    });
    const auto opened = [this](const char* name) -> std::string {
        const std::optional<GenicamCache::Warm> warm = m_worker->cache().warm(name);
        return warm && warm->state.value && warm->state.value->status == 0 ? warm->state.value->value
                                                                           : std::string();
    };
    const std::string model = opened(FeatureName::DeviceModelName);
    const std::string serial = opened(FeatureName::DeviceSerialNumber);
    if (!model.empty() && !serial.empty())
        m_identity = model + " " + serial;
}

GenicamCamera::~GenicamCamera()
{
    if (m_stream->isAcquiring())
        m_stream->stopAcquisition();
    m_worker->stop();
    if (m_reader && *m_reader)
        (*m_reader)->report();
}

LineSource* GenicamCamera::lineSource()
{
    return m_stream.get();
}

std::string GenicamCamera::notifications() const
{
    return "polled by the Aravis worker thread once a second, after quiet writes";
}

std::shared_ptr<GenicamCamera> GenicamCamera::open(const std::string& deviceId, std::string* error)
{
    if (deviceId.empty()) {
        if (error)
            *error = "no device id given";
        return nullptr;
    }
    auto kind = std::make_shared<std::string>();
    auto attempts = std::make_shared<int>(0);
    auto reader = std::make_shared<std::shared_ptr<GenicamReader>>();
    // Runs on the worker thread: the first time, and again after the camera was lost.
    auto opener = [deviceId, kind, attempts, reader](std::string* failure) -> ArvDevice* {
        const bool first = (*attempts)++ == 0;
        GError* openError = nullptr;
        ArvDevice* device = nullptr;
        GInetAddress* address = g_inet_address_new_from_string(deviceId.c_str());
        if (address && g_inet_address_get_family(address) == G_SOCKET_FAMILY_IPV4) {
            device = openAt(address, deviceId, first, *reader, &openError, failure);
        } else {
            std::lock_guard<std::mutex> lock(systemMutex());
            device = arv_open_device(deviceId.c_str(), &openError);
            if (!device && !openError)
                *failure = "no GigE Vision or USB3 Vision camera has the id " + deviceId;
        }
        g_clear_object(&address);
        if (openError)
            GenicamStatus::take(&openError, failure);
        if (!device)
            return nullptr;
        enableChecks(device);
        *kind = kindOf(device);
        return device;
    };
    auto worker = GenicamWorker::start(opener, true, error);
    if (!worker)
        return nullptr;
    std::shared_ptr<GenicamCamera> camera(new GenicamCamera(worker, *kind + " " + deviceId));
    camera->m_reader = reader;
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
        [description, serialNumber](std::string* failure) -> ArvDevice* {
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
        false, error);
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

void GenicamCamera::setLookOnly(bool lookOnly)
{
    m_worker->supervisor().setLookOnly(lookOnly);
}

std::string GenicamCamera::selectorOf(const std::string& feature) const
{
    return m_worker->cache().selectorOf(feature);
}

void GenicamCamera::collectFeatures()
{
    std::map<std::string, std::shared_ptr<Tovrik::Feature>> handles;
    for (const std::string& name : m_worker->cache().featureNames()) {
        auto handle = std::make_shared<GenicamFeature>(m_worker, name);
        m_features.push_back(handle);
        handles.emplace(name, handle);
    }
    m_worker->setHandles(handles);
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

int GenicamCamera::writeSettings(const std::vector<GenicamSetting>& settings, std::string* error)
{
    auto failure = std::make_shared<std::string>();
    bool finished = false;
    m_worker->cache().coolAll(); // what was read at opening holds no more
    const int status = m_worker->runWrite(
        [settings, failure](GenicamContext& context) {
            // Another party's writes: straight to the camera, past the cache.
            GenicamCache::setCaching(context.device(), false);
            int status = 0;
            for (const GenicamSetting& setting : settings) {
                status = GenicamNode(context, setting.feature).setValue(setting.value.c_str());
                if (status != 0) {
                    *failure = setting.feature + " = " + setting.value + ": status " + std::to_string(status);
                    break;
                }
            }
            GenicamCache::setCaching(context.device(), true);
            return status;
        },
        std::string(), &finished);
    if (error)
        *error =
            status != 0 && (!finished || failure->empty()) ? "status " + std::to_string(status) : *failure;
    return status;
}

std::string GenicamCamera::value(const std::string& feature) const
{
    auto text = std::make_shared<std::string>();
    const int status = m_worker->run(
        [feature, text](GenicamContext& context) { return GenicamNode(context, feature).getValue(*text); });
    return status == 0 ? *text : "#" + std::to_string(status);
}

int GenicamCamera::readRegister(uint64_t address, uint32_t* value) const
{
    auto read = std::make_shared<uint32_t>(0);
    const int status = m_worker->run([address, read](GenicamContext& context) {
        GError* error = nullptr;
        arv_device_read_register(context.device(), address, read.get(), &error);
        return context.take(&error);
    });
    if (status == 0 && value)
        *value = *read;
    return status;
}

int GenicamCamera::writeRegister(uint64_t address, uint32_t value)
{
    return m_worker->runWrite([address, value](GenicamContext& context) {
        GError* error = nullptr;
        arv_device_write_register(context.device(), address, value, &error);
        return context.take(&error);
    });
}

LinkStatus GenicamCamera::status() const
{
    return m_worker->supervisor().status();
}

void GenicamCamera::setStatusListener(std::function<void(const LinkStatus& status)> listener)
{
    m_worker->supervisor().setStatusListener(std::move(listener));
}

void GenicamCamera::setWriteFailureListener(std::function<void(const WriteFailure& failure)> listener)
{
    m_worker->setWriteListener(std::move(listener));
}

int GenicamCamera::writeAsAnotherTool(const std::string& feature, const std::string& value)
{
    return writeSettings({{feature, value}});
}

void GenicamCamera::setSampleListener(std::function<void(const TriggerSample& sample)> listener,
                                      std::chrono::milliseconds interval)
{
    m_worker->poller().setSampleListener(std::move(listener), interval);
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
        {FeatureName::Width, "4096"},
        {FeatureName::Height, "1024"},
        {FeatureName::PixelFormat, "Mono8"},
        {FeatureName::AcquisitionLineRate, "10000"},
        {FeatureName::ExposureTime, "50"},
        {FeatureName::TriggerSelector, "FrameStart"},
        {FeatureName::TriggerSource, "Software"},
        {FeatureName::TriggerDivider, "1"},
        {FeatureName::TriggerSelector, "LineStart"},
        {FeatureName::TriggerDivider, "1"},
        {FeatureName::EncoderSourceA, "Line1"},
        {FeatureName::EncoderDividerFloat, "1"},
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
