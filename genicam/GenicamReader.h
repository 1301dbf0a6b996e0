#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

typedef struct _GError GError;             // NOLINT(bugprone-reserved-identifier): GLib type
typedef struct _GInetAddress GInetAddress; // NOLINT(bugprone-reserved-identifier): GLib type
typedef struct _GSocket GSocket;           // NOLINT(bugprone-reserved-identifier): GLib type

// Reads a GigE Vision camera's registers and memory on a socket of our own, and asks again as soon
// as an answer is overdue for the round trip measured so far, where Aravis waits half a second a
// try: on a link that loses packets, a lost answer costs a few round trips, not half a second.
// Reading is open to any application, so the camera answers this socket as it answers Aravis's;
// writes, and the heartbeat that keeps control, stay on Aravis's own. Used by the camera's worker
// thread only (Aravis calls it from there).
class GenicamReader
{
public:
    struct Figures
    {
        uint64_t reads = 0;
        uint64_t retries = 0;  // commands sent again because their answer was overdue
        uint64_t failures = 0; // reads nothing answered in time
        double roundTripMs = 0.0;
    };

    // The reader of the camera at that address, made when none is held yet. Aravis's GigE Vision
    // devices at the address read through it from then on, from before Aravis opens them (its
    // description is hundreds of reads), while anybody holds it. Null when the camera does not
    // answer a read on a socket of our own: Aravis reads alone then.
    static std::shared_ptr<GenicamReader> forCamera(GInetAddress* camera);
    ~GenicamReader();
    GenicamReader(const GenicamReader&) = delete;
    GenicamReader& operator=(const GenicamReader&) = delete;

    // As Aravis's reads: false with error set (a timeout) when nothing answered in time.
    bool readMemory(uint64_t address, uint32_t size, void* buffer, GError** error);
    bool readRegister(uint64_t address, uint32_t* value, GError** error);
    Figures figures() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_figures;
    }
    // The figures, to the log.
    void report() const;

private:
    explicit GenicamReader(GSocket* socket);
    static std::shared_ptr<GenicamReader> connect(GInetAddress* camera);
    // The time a try waits for its answer now.
    std::chrono::microseconds tryTimeout() const;
    // Sends a command and waits for its acknowledge, asking again while time is left; the
    // acknowledge's payload in reply. False when nothing answered, or the camera said no (status).
    bool ask(std::vector<uint8_t> command, uint16_t acknowledge, std::vector<uint8_t>* reply, int* status);
    void measured(std::chrono::microseconds roundTrip);
    void failed(uint64_t address);

    // Guards everything below: two viewers' devices on one camera may share a reader.
    mutable std::mutex m_mutex;
    GSocket* m_socket;
    uint16_t m_id = 0;
    double m_smoothedUs = 0.0;  // round trip, smoothed
    double m_variationUs = 0.0; // its mean deviation
    Figures m_figures;
};
