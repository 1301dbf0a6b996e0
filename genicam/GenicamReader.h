#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

typedef struct _ArvDevice ArvDevice;       // NOLINT(bugprone-reserved-identifier): GLib type
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

    // Null when the camera does not answer a read on a socket of our own within a second.
    static std::shared_ptr<GenicamReader> connect(GInetAddress* camera);
    ~GenicamReader();
    GenicamReader(const GenicamReader&) = delete;
    GenicamReader& operator=(const GenicamReader&) = delete;

    // As Aravis's reads: false with error set (a timeout) when nothing answered in time.
    bool readMemory(uint64_t address, uint32_t size, void* buffer, GError** error);
    bool readRegister(uint64_t address, uint32_t* value, GError** error);
    Figures figures() const { return m_figures; }
    // The time a try waits for its answer now.
    std::chrono::microseconds tryTimeout() const;

    // Aravis's GigE Vision devices read through the reader attached to them, the others as before.
    static void attach(ArvDevice* device, std::shared_ptr<GenicamReader> reader);
    static void detach(ArvDevice* device);

private:
    explicit GenicamReader(GSocket* socket);
    // Sends a command and waits for its acknowledge, asking again while time is left; the
    // acknowledge's payload in reply. False when nothing answered, or the camera said no (status).
    bool ask(std::vector<uint8_t> command, uint16_t acknowledge, std::vector<uint8_t>* reply, int* status);
    void measured(std::chrono::microseconds roundTrip);

    GSocket* m_socket;
    uint16_t m_id = 0;
    double m_smoothedUs = 0.0;  // round trip, smoothed
    double m_variationUs = 0.0; // its mean deviation
    Figures m_figures;
};
