#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A GigE Vision control-channel (GVCP, UDP 3956) relay between Aravis and a camera, both on
// loopback: counts the commands it forwards by type and can delay, drop or swallow traffic.
// Each client gets its own upstream socket, so the camera tells clients apart as it would on a
// network.
class GvcpRelay
{
public:
    // Listens on listenAddress:3956 and forwards to cameraAddress:3956 (both 127.x addresses).
    GvcpRelay(std::string listenAddress, std::string cameraAddress);
    ~GvcpRelay();
    GvcpRelay(const GvcpRelay&) = delete;
    GvcpRelay& operator=(const GvcpRelay&) = delete;

    bool start(std::string* error);
    void stop();

    // Each packet is held this long in each direction.
    void setDelay(std::chrono::microseconds delay);
    // While swallowing, nothing passes either way: a pulled cable.
    void setSwallowing(bool swallowing);
    // The next count commands from clients are dropped.
    void dropCommands(int count);

    // Commands forwarded to the camera, by type ("READREG", "WRITEREG", "READMEM", "WRITEMEM",
    // "DISCOVERY", or the command number).
    std::map<std::string, uint64_t> counts() const;
    uint64_t total() const;
    void resetCounts();

private:
    struct State;
    void loop();

    std::string m_listenAddress;
    std::string m_cameraAddress;
    std::unique_ptr<State> m_state;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};

    // Guards the counts and the traffic settings.
    mutable std::mutex m_mutex;
    std::map<std::string, uint64_t> m_counts;
    std::chrono::microseconds m_delay{0};
    bool m_swallowing = false;
    int m_toDrop = 0;
};
