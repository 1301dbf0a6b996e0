#include <arv.h>

#include "GenicamReader.h"

#include "GenicamLog.h"
#include "Invariant.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

constexpr guint16 gvcpPort = 3956;
constexpr uint16_t readRegisterCommand = 0x0080;
constexpr uint16_t readRegisterAcknowledge = 0x0081;
constexpr uint16_t readMemoryCommand = 0x0084;
constexpr uint16_t readMemoryAcknowledge = 0x0085;
constexpr uint16_t pendingAcknowledge = 0x0089;
// A READMEM asks for at most this many bytes, a multiple of four.
constexpr uint32_t memoryChunk = 512;
// As long as Aravis itself would try (five tries of half a second), in tries of a few round trips.
constexpr std::chrono::milliseconds readBudget{2500};
constexpr std::chrono::microseconds shortestTry{10000};
constexpr std::chrono::microseconds longestTry{500000};

void put16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value >> 8));
    bytes.push_back(static_cast<uint8_t>(value));
}

void put32(std::vector<uint8_t>& bytes, uint32_t value)
{
    put16(bytes, static_cast<uint16_t>(value >> 16));
    put16(bytes, static_cast<uint16_t>(value));
}

uint16_t get16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

uint32_t get32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(get16(bytes)) << 16 | get16(bytes + 2);
}

// Aravis's GigE Vision reads, and the readers that stand in for them by device.
using ReadMemory = gboolean (*)(ArvDevice*, guint64, guint32, void*, GError**);
using ReadRegister = gboolean (*)(ArvDevice*, guint64, guint32*, GError**);
std::mutex registryMutex; // guards the readers and Aravis's own functions below
std::map<std::string, std::weak_ptr<GenicamReader>> readers; // by the camera's address
ReadMemory aravisReadMemory = nullptr;
ReadRegister aravisReadRegister = nullptr;

std::string addressOf(GInetAddress* address)
{
    gchar* text = g_inet_address_to_string(address);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

// By the device's address, so that a reader attached before Aravis opens the device serves the
// reads Aravis makes while opening it (its description, at worst hundreds of them).
std::shared_ptr<GenicamReader> readerOf(ArvDevice* device, ReadMemory* memory, ReadRegister* reg)
{
    GSocketAddress* socket =
        ARV_IS_GV_DEVICE(device) ? arv_gv_device_get_device_address(ARV_GV_DEVICE(device)) : nullptr;
    const std::string address =
        socket ? addressOf(g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(socket))) : std::string();
    std::lock_guard<std::mutex> lock(registryMutex);
    *memory = aravisReadMemory;
    *reg = aravisReadRegister;
    const auto found = readers.find(address);
    return found == readers.end() ? nullptr : found->second.lock();
}

gboolean readMemory(ArvDevice* device, guint64 address, guint32 size, void* buffer, GError** error)
{
    ReadMemory aravis = nullptr;
    ReadRegister unused = nullptr;
    const auto reader = readerOf(device, &aravis, &unused);
    // What is not four-byte aligned is Aravis's to read, as it always was.
    if (!reader || address % 4 != 0)
        return aravis(device, address, size, buffer, error);
    return reader->readMemory(address, size, buffer, error);
}

gboolean readRegister(ArvDevice* device, guint64 address, guint32* value, GError** error)
{
    ReadMemory unused = nullptr;
    ReadRegister aravis = nullptr;
    const auto reader = readerOf(device, &unused, &aravis);
    if (!reader || address % 4 != 0)
        return aravis(device, address, value, error);
    return reader->readRegister(address, value, error);
}

// Aravis's error for a GigE Vision status the camera answered with.
gint errorOf(int status)
{
    switch (status) {
    case 0x8001:
        return ARV_DEVICE_ERROR_PROTOCOL_ERROR_NOT_IMPLEMENTED;
    case 0x8002:
        return ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_PARAMETER;
    case 0x8003:
        return ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_ADDRESS;
    case 0x8004:
        return ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT;
    case 0x8005:
        return ARV_DEVICE_ERROR_PROTOCOL_ERROR_BAD_ALIGNMENT;
    case 0x8006:
        return ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED;
    case 0x8007:
        return ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY;
    default:
        return ARV_DEVICE_ERROR_PROTOCOL_ERROR;
    }
}

void installOnce()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        // The class lives as long as the process: the reference is never given back.
        auto* klass = ARV_DEVICE_CLASS(g_type_class_ref(ARV_TYPE_GV_DEVICE));
        std::lock_guard<std::mutex> lock(registryMutex);
        aravisReadMemory = klass->read_memory;
        aravisReadRegister = klass->read_register;
        klass->read_memory = &readMemory;
        klass->read_register = &readRegister;
    });
}

} // namespace

GenicamReader::GenicamReader(GSocket* socket) : m_socket(socket) {}

GenicamReader::~GenicamReader()
{
    g_clear_object(&m_socket);
}

std::shared_ptr<GenicamReader> GenicamReader::connect(GInetAddress* camera)
{
    GSocket* socket =
        g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_DATAGRAM, G_SOCKET_PROTOCOL_UDP, nullptr);
    GSocketAddress* remote = g_inet_socket_address_new(camera, gvcpPort);
    const bool connected = socket && g_socket_connect(socket, remote, nullptr, nullptr);
    g_clear_object(&remote);
    if (!connected) {
        g_clear_object(&socket);
        return nullptr;
    }
    g_socket_set_blocking(socket, FALSE);
    std::shared_ptr<GenicamReader> reader(new GenicamReader(socket));
    // A camera that answers its controller only is left to Aravis.
    uint32_t version = 0;
    GError* error = nullptr;
    if (!reader->readRegister(0x0000, &version, &error)) {
        qCInfo(lcGenicam, "the camera does not answer reads on a second socket: Aravis reads alone");
        g_clear_error(&error);
        return nullptr;
    }
    return reader;
}

std::shared_ptr<GenicamReader> GenicamReader::forCamera(GInetAddress* camera)
{
    installOnce();
    const std::string address = addressOf(camera);
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        if (auto known = readers[address].lock())
            return known;
    }
    std::shared_ptr<GenicamReader> reader = connect(camera);
    std::lock_guard<std::mutex> lock(registryMutex);
    if (auto known = readers[address].lock()) // another camera's open made one meanwhile
        return known;
    readers[address] = reader;
    return reader;
}

void GenicamReader::report() const
{
    const Figures figures = this->figures();
    qCInfo(lcGenicam, "reads: %llu, %llu of them sent again, %llu unanswered; round trip %.2f ms",
           static_cast<unsigned long long>(figures.reads), static_cast<unsigned long long>(figures.retries),
           static_cast<unsigned long long>(figures.failures), figures.roundTripMs);
}

std::chrono::microseconds GenicamReader::tryTimeout() const
{
    if (m_figures.reads == 0)
        return longestTry / 2;
    const auto timeout = std::chrono::microseconds(std::llround(m_smoothedUs + 4.0 * m_variationUs));
    return std::clamp(timeout, shortestTry, longestTry);
}

void GenicamReader::measured(std::chrono::microseconds roundTrip)
{
    // As TCP does (RFC 6298): a smoothed round trip and its mean deviation.
    const auto sample = static_cast<double>(roundTrip.count());
    if (m_smoothedUs <= 0.0) {
        m_smoothedUs = sample;
        m_variationUs = sample / 2.0;
        return;
    }
    m_variationUs = 0.75 * m_variationUs + 0.25 * std::fabs(m_smoothedUs - sample);
    m_smoothedUs = 0.875 * m_smoothedUs + 0.125 * sample;
    m_figures.roundTripMs = m_smoothedUs / 1000.0;
}

bool GenicamReader::ask(std::vector<uint8_t> command, uint16_t acknowledge, std::vector<uint8_t>* reply,
                        int* status)
{
    m_id = static_cast<uint16_t>(m_id == 0xffff ? 1 : m_id + 1);
    command[6] = static_cast<uint8_t>(m_id >> 8);
    command[7] = static_cast<uint8_t>(m_id);
    const auto deadline = Clock::now() + readBudget;
    for (int attempt = 0; Clock::now() < deadline; ++attempt) {
        if (attempt > 0)
            ++m_figures.retries;
        const auto sent = Clock::now();
        g_socket_send(m_socket, reinterpret_cast<const gchar*>(command.data()), command.size(), nullptr,
                      nullptr);
        auto tryEnd = std::min(deadline, sent + tryTimeout());
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(tryEnd - Clock::now());
            if (left.count() <= 0 ||
                !g_socket_condition_timed_wait(m_socket, G_IO_IN, left.count(), nullptr, nullptr))
                break;
            uint8_t answer[1024];
            const gssize received =
                g_socket_receive(m_socket, reinterpret_cast<gchar*>(answer), sizeof answer, nullptr, nullptr);
            // Answers to earlier commands (given up on) are not this one's.
            if (received < 8 || get16(answer + 6) != m_id)
                continue;
            if (get16(answer + 2) == pendingAcknowledge && received >= 12) {
                tryEnd = std::min(deadline, Clock::now() + std::chrono::milliseconds(get16(answer + 10)) +
                                                tryTimeout());
                continue;
            }
            if (get16(answer + 2) != acknowledge)
                continue;
            *status = get16(answer);
            if (attempt == 0) // only an answer to a single try measures the round trip (Karn)
                measured(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent));
            reply->assign(answer + 8, answer + std::min<gssize>(received, 8 + get16(answer + 4)));
            return *status == 0;
        }
    }
    *status = -1;
    return false;
}

void GenicamReader::failed(uint64_t address)
{
    // Once: a link that loses every answer would say it again at every read.
    if (++m_figures.failures == 1)
        qCWarning(lcGenicam, "a read of 0x%llx got no answer in %lld s, asked %llu times in all so far",
                  static_cast<unsigned long long>(address), static_cast<long long>(readBudget.count() / 1000),
                  static_cast<unsigned long long>(m_figures.reads + m_figures.retries));
}

bool GenicamReader::readRegister(uint64_t address, uint32_t* value, GError** error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_figures.reads;
    std::vector<uint8_t> command{0x42, 0x01};
    put16(command, readRegisterCommand);
    put16(command, 4);
    put16(command, 0);
    put32(command, static_cast<uint32_t>(address));
    std::vector<uint8_t> reply;
    int status = 0;
    if (ask(std::move(command), readRegisterAcknowledge, &reply, &status) && reply.size() >= 4) {
        *value = get32(reply.data());
        return true;
    }
    if (status > 0) {
        g_set_error(error, ARV_DEVICE_ERROR, errorOf(status),
                    "GigEVision read_register error (status 0x%04x)", status);
        return false;
    }
    failed(address);
    g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT, "GigEVision read_register timeout");
    return false;
}

bool GenicamReader::readMemory(uint64_t address, uint32_t size, void* buffer, GError** error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto* bytes = static_cast<uint8_t*>(buffer);
    for (uint32_t done = 0; done < size;) {
        ++m_figures.reads;
        const uint32_t wanted = std::min(memoryChunk, size - done);
        const uint32_t asked = (wanted + 3) / 4 * 4;
        std::vector<uint8_t> command{0x42, 0x01};
        put16(command, readMemoryCommand);
        put16(command, 8);
        put16(command, 0);
        put32(command, static_cast<uint32_t>(address + done));
        put16(command, 0);
        put16(command, static_cast<uint16_t>(asked));
        std::vector<uint8_t> reply;
        int status = 0;
        if (!ask(std::move(command), readMemoryAcknowledge, &reply, &status) || reply.size() < 4 + wanted) {
            if (status <= 0)
                failed(address + done);
            if (status > 0)
                g_set_error(error, ARV_DEVICE_ERROR, errorOf(status),
                            "GigEVision read_memory error (status 0x%04x)", status);
            else
                g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT,
                            "GigEVision read_memory timeout");
            return false;
        }
        std::memcpy(bytes + done, reply.data() + 4, wanted);
        done += wanted;
    }
    return true;
}
